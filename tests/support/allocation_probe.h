// What a test program allocates through operator new, for the tests that
// show what a piece of work allocates: nothing on the audio path, no more
// than a bound when reading what a file declares.
//
// A program that links fennrow_allocation_probe has the global operator new
// and delete replaced in every form (plain, array, aligned, nothrow), so
// everything it allocates that way passes through here: its own code, the
// libraries under test and, where modules share the program's allocator (not
// on Windows), a plugin module it loaded.
//
// The rule: an AllocationProbe counts the allocations made by the thread
// that created it, from its construction to its destruction. Other threads
// are never counted (a plugin's workers, the test framework's own), nor is
// memory taken from malloc directly. Probes nest; each sees what was
// allocated while it lived. "No allocation in this scope" reads:
//
//     AllocationProbe probe;
//     plugin.process(block);
//     EXPECT_EQ(probe.count(), 0);
#pragma once

#include <cstddef>

namespace fennrow::test {

class AllocationProbe {
public:
    AllocationProbe();
    ~AllocationProbe();
    AllocationProbe(const AllocationProbe&) = delete;
    AllocationProbe& operator=(const AllocationProbe&) = delete;

    // Allocations asked for, refused ones included.
    long count() const { return count_; }
    // The largest single request, in bytes.
    std::size_t largest() const { return largest_; }
    // The most bytes this thread held at once beyond what it held when the
    // probe was created: what it allocated less what it gave back, whoever
    // allocated that.
    std::size_t peakBytes() const { return peakBytes_; }

private:
    friend struct ProbeRecorder;
    AllocationProbe* outer_;
    long count_ = 0;
    std::size_t largest_ = 0;
    long long heldBytes_ = 0;
    std::size_t peakBytes_ = 0;
};

// While one lives, every allocation of its thread fails: operator new throws
// std::bad_alloc and the nothrow forms give null.
class RefusedAllocations {
public:
    RefusedAllocations();
    ~RefusedAllocations();
    RefusedAllocations(const RefusedAllocations&) = delete;
    RefusedAllocations& operator=(const RefusedAllocations&) = delete;

private:
    bool wasRefusing_;
};

} // namespace fennrow::test
