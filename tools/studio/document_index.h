// The documents of the sound folder, kept in memory: a large folder takes
// seconds to walk, so requests read the last list while a thread of its own
// walks the folder again when the list has grown old and someone asks.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "sound_folder.h"

namespace fennrow {

class DocumentIndex {
public:
    explicit DocumentIndex(SoundFolder folder);
    DocumentIndex(const DocumentIndex&) = delete;
    DocumentIndex& operator=(const DocumentIndex&) = delete;
    ~DocumentIndex();

    struct View {
        DocumentList list;
        bool scanning = false; // a newer list is on its way
    };

    // The first kMaxListedDocuments names in order whose names hold
    // `filter` (ignoring ASCII case; empty: all), and always those the studio
    // saved that match, from the list as last found. When it is older than
    // a moment, a new walk starts in the background; the caller never waits
    // for one, but for the very first walk, for a short while.
    View current(std::string_view filter = {});

    // A document the studio itself has just written.
    void added(const std::string& name);

private:
    void walk();
    void insert(const std::string& name); // under the lock

    SoundFolder folder_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable walked_;
    DocumentList list_;
    std::set<std::string> saved_; // by this studio: listed whatever the cut
    std::vector<std::string> addedWhileWalking_;
    std::chrono::steady_clock::time_point walkedAt_{};
    bool everWalked_ = false;
    bool wanted_ = true;
    bool walking_ = false;
    bool stopping_ = false;
    std::atomic<bool> abandon_{false}; // ends a walk under way at once
    std::thread walker_;
};

} // namespace fennrow
