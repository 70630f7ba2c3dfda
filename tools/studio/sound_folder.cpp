#include "sound_folder.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
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
    explicit FileDescriptor(int fd, bool owned = true) : fd_(fd), owned_(owned) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (owned_ && fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }

private:
    int fd_;
    bool owned_;
};

// openat2 asks again when a rename elsewhere raced with the lookup; a folder
// swapped back and forth without pause must not hold a request forever.
constexpr int kLookupAttempts = 64;

// Opens a plain relative name below the folder's descriptor. The kernel
// resolves it and refuses any step above the folder, whether by "..", an
// absolute link or a link that leads out, at the moment of opening: nothing
// checked earlier can be swapped under it. Kernels without openat2 open each
// component without following links at all.
int openBeneath(int root, const std::string& name, int flags, mode_t mode = 0) {
    open_how how{};
    how.flags = static_cast<std::uint64_t>(flags | O_CLOEXEC);
    how.mode = (flags & O_CREAT) != 0 ? mode : 0;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
    for (int attempt = 0; attempt < kLookupAttempts; ++attempt) {
        const long fd = ::syscall(SYS_openat2, root, name.c_str(), &how, sizeof how);
        if (fd >= 0) return static_cast<int>(fd);
        if (errno != EAGAIN && errno != EINTR) break;
    }
    if (errno != ENOSYS) return -1;
    int dir = root;
    std::size_t start = 0;
    for (std::size_t slash = name.find('/'); slash != std::string::npos; slash = name.find('/', start)) {
        const int next = ::openat(dir, name.substr(start, slash - start).c_str(),
                                  O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (dir != root) ::close(dir);
        if (next < 0) return -1;
        dir = next;
        start = slash + 1;
    }
    const int fd = ::openat(dir, name.substr(start).c_str(), flags | O_NOFOLLOW | O_CLOEXEC, mode);
    const int cause = errno;
    if (dir != root) ::close(dir);
    errno = cause;
    return fd;
}

// Why a lookup below the folder failed, for people.
std::string lookupProblem(int cause) {
    switch (cause) {
        case ENOENT: return "not found";
        case EXDEV: return "leads out of the sound folder";
        case ELOOP: return "leads through a link";
        default: return std::strerror(cause);
    }
}

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
std::string temporaryName() {
    static std::mt19937_64 generator{std::random_device{}()};
    static std::mutex guard;
    std::lock_guard<std::mutex> lock(guard);
    char name[32];
    std::snprintf(name, sizeof name, ".studio-%016llx", static_cast<unsigned long long>(generator()));
    return name;
}

// Writes the bytes to a new hidden file in `dir` and gives its name; the
// mode is the replaced file's, when there is one.
std::optional<std::string> writeHidden(int dir, const std::string& bytes, std::optional<mode_t> mode,
                                       std::string& why) {
    const std::string name = temporaryName();
    FileDescriptor fd(
        ::openat(dir, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
    const bool written =
        fd.get() >= 0 && (!mode || ::fchmod(fd.get(), *mode & 07777) == 0) && writeAll(fd.get(), bytes);
    if (written) return name;
    why = std::strerror(errno);
    if (fd.get() >= 0) ::unlinkat(dir, name.c_str(), 0);
    return std::nullopt;
}

// Puts the hidden file in the target's place without ever replacing
// anything; false with EEXIST when the target is there.
bool renameWithoutReplacing(int dir, const std::string& from, const std::string& to) {
    if (::renameat2(dir, from.c_str(), dir, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A file system without that kind of rename: a new link is never made over a name either.
    if (::linkat(dir, from.c_str(), dir, to.c_str(), 0) != 0) return false;
    ::unlinkat(dir, from.c_str(), 0);
    return true;
}

} // namespace

std::optional<SoundFolder> openSoundFolder(const std::string& path, std::string& error) {
    std::error_code ec;
    const fs::path real = fs::canonical(path, ec);
    const int fd = ec ? -1 : ::open(real.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        error = path + " is not a folder";
        return std::nullopt;
    }
    return SoundFolder{real, fd};
}

bool isPlainRelativeName(std::string_view name) {
    if (name.empty() || name.size() > kMaxNameBytes || name.front() == '/' || !platform::isValidUtf8(name))
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
    // Non-blocking, so that a FIFO cannot hang the server before the check below.
    FileDescriptor fd(openBeneath(folder.fd, std::string(name), O_RDONLY | O_NONBLOCK));
    if (fd.get() < 0) {
        error = std::string(name) + ": " + lookupProblem(errno);
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
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

// Everything happens relative to the descriptor of the file's own folder,
// opened once below the sound folder: the check, the new file and the rename
// cannot be sent elsewhere by a link put in place meanwhile.
WriteOutcome writeToFolder(const SoundFolder& folder, std::string_view name, const std::string& bytes,
                           bool overwrite, std::string& error) {
    if (!isPlainRelativeName(name) || !endsWith(name, kSaveEnding) || name.size() == kSaveEnding.size() ||
        endsWith(name, "/" + std::string(kSaveEnding))) {
        error = "\"" + std::string(name) + "\" is not a .json name inside the sound folder";
        return WriteOutcome::Refused;
    }
    const std::string path(name);
    const std::size_t slash = path.rfind('/');
    const std::string leaf = slash == std::string::npos ? path : path.substr(slash + 1);
    FileDescriptor dir =
        slash == std::string::npos
            ? FileDescriptor(folder.fd, false)
            : FileDescriptor(openBeneath(folder.fd, path.substr(0, slash), O_PATH | O_DIRECTORY));
    if (dir.get() < 0) {
        error = path + ": its folder is " + (errno == ENOTDIR ? "not a folder" : lookupProblem(errno));
        return WriteOutcome::Refused;
    }
    struct stat info {};
    const bool exists = ::fstatat(dir.get(), leaf.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
    if (exists) {
        if (!S_ISREG(info.st_mode)) {
            error = path + " exists and is not a plain file; it is left alone";
            return WriteOutcome::Refused;
        }
        if (!overwrite) {
            error = path + " exists";
            return WriteOutcome::Exists;
        }
        // The owner took its write permission away: replacing it through the
        // folder would go around that, even for a user the system lets write.
        if ((info.st_mode & S_IWUSR) == 0) {
            error = path + " is read-only; it is left alone";
            return WriteOutcome::Refused;
        }
        // Whether this user may write it is the system's to say (owner,
        // group, others, access lists), with the ids the studio runs under.
        if (::faccessat(dir.get(), leaf.c_str(), W_OK, AT_EACCESS) != 0) {
            error = path + ": this user may not write it (" + std::strerror(errno) + "); it is left alone";
            return WriteOutcome::Refused;
        }
    }
    // A new file renamed into place: a failed write never leaves half a
    // document, and a link put there meanwhile is replaced, not followed.
    std::string why;
    const std::optional<std::string> hidden =
        writeHidden(dir.get(), bytes, exists ? std::optional<mode_t>(info.st_mode) : std::nullopt, why);
    if (!hidden) {
        error = path + " cannot be written: " + why;
        return WriteOutcome::Refused;
    }
    const bool placed = overwrite ? ::renameat(dir.get(), hidden->c_str(), dir.get(), leaf.c_str()) == 0
                                  : renameWithoutReplacing(dir.get(), *hidden, leaf);
    if (placed) return WriteOutcome::Written;
    const int cause = errno;
    ::unlinkat(dir.get(), hidden->c_str(), 0);
    if (cause == EEXIST) {
        error = path + " exists";
        return WriteOutcome::Exists;
    }
    error = path + " cannot be written: " + std::strerror(cause);
    return WriteOutcome::Refused;
}

DocumentList listDocuments(const SoundFolder& folder, const std::atomic<bool>* stop) {
    // The first names in order, whatever order the directory gives them in:
    // a heap whose top is the last name kept.
    std::vector<std::string> kept;
    bool cut = false;
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
        std::string relative = entry.path().lexically_relative(folder.root).generic_string();
        const bool listed = std::any_of(std::begin(kListedEndings), std::end(kListedEndings),
                                        [&](std::string_view ending) { return endsWith(relative, ending); });
        if (!listed || !isPlainRelativeName(relative)) continue;
        if (kept.size() == kMaxIndexedDocuments) {
            cut = true;
            if (relative >= kept.front()) continue;
            std::pop_heap(kept.begin(), kept.end());
            kept.back() = std::move(relative);
        } else {
            kept.push_back(std::move(relative));
        }
        std::push_heap(kept.begin(), kept.end());
    }
    std::sort(kept.begin(), kept.end());
    return DocumentList{std::move(kept), cut};
}

} // namespace fennrow
