#include "document_index.h"

#include <algorithm>

namespace fennrow {
namespace {

// A list younger than this is served as it is: files saved by other
// programs show up within about this long.
constexpr auto kFreshFor = std::chrono::seconds(2);
// How long the first request waits for the first walk of the folder.
constexpr auto kFirstWalkWait = std::chrono::milliseconds(500);

} // namespace

DocumentIndex::DocumentIndex(SoundFolder folder) : folder_(std::move(folder)) {
    walker_ = std::thread([this] { walk(); });
}

DocumentIndex::~DocumentIndex() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    abandon_ = true;
    wake_.notify_all();
    walker_.join();
}

DocumentIndex::View DocumentIndex::current() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!everWalked_) walked_.wait_for(lock, kFirstWalkWait, [this] { return everWalked_; });
    if (!walking_ && !wanted_ && std::chrono::steady_clock::now() - walkedAt_ > kFreshFor) {
        wanted_ = true;
        wake_.notify_all();
    }
    return View{list_, walking_ || wanted_};
}

void DocumentIndex::added(const std::string& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    // A walk under way may have passed the file's folder already.
    if (walking_) addedWhileWalking_.push_back(name);
    insert(name);
}

void DocumentIndex::insert(const std::string& name) {
    std::vector<std::string>& names = list_.names;
    const auto at = std::lower_bound(names.begin(), names.end(), name);
    if (at != names.end() && *at == name) return;
    if (names.size() >= kMaxListedDocuments) {
        list_.cut = true;
        return;
    }
    names.insert(at, name);
}

void DocumentIndex::walk() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return wanted_ || stopping_; });
        if (stopping_) return;
        wanted_ = false;
        walking_ = true;
        lock.unlock();
        DocumentList found = listDocuments(folder_, &abandon_);
        lock.lock();
        list_ = std::move(found);
        for (const std::string& name : addedWhileWalking_) insert(name);
        addedWhileWalking_.clear();
        walkedAt_ = std::chrono::steady_clock::now();
        walking_ = false;
        everWalked_ = true;
        walked_.notify_all();
    }
}

} // namespace fennrow
