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

namespace {

bool holds(std::string_view name, std::string_view filter) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return std::search(name.begin(), name.end(), filter.begin(), filter.end(),
                       [&](char a, char b) { return lower(a) == lower(b); }) != name.end();
}

} // namespace

DocumentIndex::View DocumentIndex::current(std::string_view filter) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!everWalked_) walked_.wait_for(lock, kFirstWalkWait, [this] { return everWalked_; });
    if (!walking_ && !wanted_ && std::chrono::steady_clock::now() - walkedAt_ > kFreshFor) {
        wanted_ = true;
        wake_.notify_all();
    }
    View view;
    view.scanning = walking_ || wanted_;
    view.list.cut = list_.cut && filter.empty();
    for (const std::string& name : list_.names) {
        if (!holds(name, filter)) continue;
        if (view.list.names.size() == kMaxListedDocuments) {
            view.list.cut = true;
            break;
        }
        view.list.names.push_back(name);
    }
    // What the studio saved is listed even past the cut, in its place.
    const std::size_t first = view.list.names.size();
    for (const std::string& name : saved_) {
        if (holds(name, filter) &&
            !std::binary_search(view.list.names.begin(), view.list.names.begin() + static_cast<long>(first),
                                name))
            view.list.names.push_back(name);
    }
    std::inplace_merge(view.list.names.begin(), view.list.names.begin() + static_cast<long>(first),
                       view.list.names.end());
    return view;
}

void DocumentIndex::added(const std::string& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    // A walk under way may have passed the file's folder already.
    if (walking_) addedWhileWalking_.push_back(name);
    if (saved_.size() < kMaxListedDocuments) saved_.insert(name);
    insert(name);
}

void DocumentIndex::insert(const std::string& name) {
    std::vector<std::string>& names = list_.names;
    const auto at = std::lower_bound(names.begin(), names.end(), name);
    if (at != names.end() && *at == name) return;
    const auto index = at - names.begin();
    if (names.size() >= kMaxIndexedDocuments) {
        list_.cut = true;
        if (at == names.end()) return;
        names.pop_back();
    }
    names.insert(names.begin() + index, name);
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
