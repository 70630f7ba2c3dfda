#include "sound_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

#include "platform/utf8.h"

namespace fennrow {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMaxNameBytes = 1024;
constexpr std::string_view kSaveEnding = ".json";
constexpr std::string_view kListedEndings[] = {".json", ".zip"};

bool endsWith(std::string_view text, std::string_view ending) {
    return text.size() >= ending.size() && text.substr(text.size() - ending.size()) == ending;
}

// True when `path` (canonical) is the root or lies below it.
bool isInside(const SoundFolder& folder, const fs::path& path) {
    auto rootPart = folder.root.begin();
    auto part = path.begin();
    for (; rootPart != folder.root.end(); ++rootPart, ++part) {
        if (part == path.end() || *part != *rootPart) return false;
    }
    return true;
}

// The canonical form of an existing path, when it lies inside the folder.
std::optional<fs::path> existingInside(const SoundFolder& folder, const fs::path& path, std::string& error) {
    std::error_code ec;
    const fs::path real = fs::canonical(path, ec);
    if (ec) {
        error = "not found";
        return std::nullopt;
    }
    if (!isInside(folder, real)) {
        error = "leads out of the sound folder";
        return std::nullopt;
    }
    return real;
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

bool writeAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return ::fsync(fd) == 0;
}

// A short hidden name beside the target, so that any name the folder allows
// can be replaced: the file name's own length does not count against it.
std::string temporaryName(const fs::path& target) {
    static std::mt19937_64 generator{std::random_device{}()};
    char name[32];
    std::snprintf(name, sizeof name, ".studio-%016llx", static_cast<unsigned long long>(generator()));
    return (target.parent_path() / name).string();
}

} // namespace

std::optional<SoundFolder> openSoundFolder(const std::string& path, std::string& error) {
    std::error_code ec;
    const fs::path real = fs::canonical(path, ec);
    if (ec || !fs::is_directory(real, ec)) {
        error = path + " is not a folder";
        return std::nullopt;
    }
    return SoundFolder{real};
}

bool isPlainRelativeName(std::string_view name) {
    if (name.empty() || name.size() > kMaxNameBytes || name.front() == '/' || !isValidUtf8(name))
        return false;
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f || c == '\\') return false;
    }
    std::size_t start = 0;
    while (start <= name.size()) {
        const std::size_t end = std::min(name.find('/', start), name.size());
        const std::string_view part = name.substr(start, end - start);
        if (part.empty() || part == "." || part == "..") return false;
        start = end + 1;
    }
    return true;
}

std::optional<std::string> readFromFolder(const SoundFolder& folder, std::string_view name,
                                          std::string& error) {
    if (!isPlainRelativeName(name)) {
        error = "\"" + std::string(name) + "\" is not a name inside the sound folder";
        return std::nullopt;
    }
    std::string why;
    const auto real = existingInside(folder, folder.root / fs::path(name), why);
    if (!real) {
        error = std::string(name) + ": " + why;
        return std::nullopt;
    }
    // Non-blocking, so that a FIFO cannot hang the server before the check below.
    FileDescriptor fd(::open(real->c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW));
    struct stat info {};
    if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        error = std::string(name) + " is not a file that can be read";
        return std::nullopt;
    }
    if (static_cast<std::size_t>(info.st_size) > kMaxDocumentBytes) {
        error = std::string(name) + " is too large for a sound document";
        return std::nullopt;
    }
    std::string bytes(static_cast<std::size_t>(info.st_size), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd.get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    return bytes;
}

WriteOutcome writeToFolder(const SoundFolder& folder, std::string_view name, const std::string& bytes,
                           bool overwrite, std::string& error) {
    if (!isPlainRelativeName(name) || !endsWith(name, kSaveEnding) || name.size() == kSaveEnding.size() ||
        endsWith(name, "/" + std::string(kSaveEnding))) {
        error = "\"" + std::string(name) + "\" is not a .json name inside the sound folder";
        return WriteOutcome::Refused;
    }
    const fs::path wanted = folder.root / fs::path(name);
    std::string why;
    const auto parent = existingInside(folder, wanted.parent_path(), why);
    if (!parent || !fs::is_directory(*parent)) {
        error = std::string(name) + ": its folder " + (parent ? "is not a folder" : why);
        return WriteOutcome::Refused;
    }
    const fs::path target = *parent / wanted.filename();
    struct stat info {};
    const bool exists = ::lstat(target.c_str(), &info) == 0;
    if (exists) {
        if (!S_ISREG(info.st_mode)) {
            error = std::string(name) + " exists and is not a plain file; it is left alone";
            return WriteOutcome::Refused;
        }
        if (!overwrite) {
            error = std::string(name) + " exists";
            return WriteOutcome::Exists;
        }
        // The owner took its write permission away: replacing it through the
        // folder would go around that.
        if ((info.st_mode & S_IWUSR) == 0) {
            error = std::string(name) + " is read-only; it is left alone";
            return WriteOutcome::Refused;
        }
    }
    if (!overwrite) {
        // O_EXCL makes "never overwrite" hold even if the file appears meanwhile.
        FileDescriptor fd(::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
        if (fd.get() < 0) {
            const int cause = errno;
            error =
                std::string(name) +
                (cause == EEXIST ? " exists" : " cannot be created: " + std::string(std::strerror(cause)));
            return cause == EEXIST ? WriteOutcome::Exists : WriteOutcome::Refused;
        }
        if (!writeAll(fd.get(), bytes)) {
            ::unlink(target.c_str());
            error = std::string(name) + " cannot be written";
            return WriteOutcome::Refused;
        }
        return WriteOutcome::Written;
    }
    // Replacing: a new file renamed over the old one, so a failed write never
    // leaves half a document, and a link put there meanwhile is replaced, not followed.
    // The new file keeps the old one's permissions.
    const std::string temporary = temporaryName(target);
    FileDescriptor fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
    const bool sameMode = !exists || (fd.get() >= 0 && ::fchmod(fd.get(), info.st_mode & 07777) == 0);
    if (fd.get() < 0 || !sameMode || !writeAll(fd.get(), bytes) ||
        ::rename(temporary.c_str(), target.c_str()) != 0) {
        ::unlink(temporary.c_str());
        error = std::string(name) + " cannot be written";
        return WriteOutcome::Refused;
    }
    return WriteOutcome::Written;
}

DocumentList listDocuments(const SoundFolder& folder, const std::atomic<bool>* stop) {
    DocumentList list;
    std::error_code ec;
    fs::recursive_directory_iterator it(folder.root, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (stop && stop->load(std::memory_order_relaxed)) break;
        const fs::directory_entry& entry = *it;
        std::error_code typeError;
        if (!entry.is_regular_file(typeError)) continue;
        std::string outside;
        if (entry.is_symlink(typeError) && !existingInside(folder, entry.path(), outside)) continue;
        // Lexically: a link is listed under its own name, not its target's.
        const std::string relative = entry.path().lexically_relative(folder.root).generic_string();
        const bool listed = std::any_of(std::begin(kListedEndings), std::end(kListedEndings),
                                        [&](std::string_view ending) { return endsWith(relative, ending); });
        if (!listed || !isPlainRelativeName(relative)) continue;
        if (list.names.size() >= kMaxListedDocuments) {
            list.cut = true;
            break;
        }
        list.names.push_back(relative);
    }
    std::sort(list.names.begin(), list.names.end());
    return list;
}

} // namespace fennrow
