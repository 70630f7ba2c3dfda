// File services on systems with POSIX calls and byte-string (UTF-8) paths.
#if !defined(_WIN32)

#include "platform/file_system.h"
#include "platform/utf8.h"

#include <cerrno>
#include <fcntl.h>
#include <new>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace fennrow {

namespace {

constexpr std::size_t kReadChunkBytes = 64 * 1024;

// Owns one descriptor for the length of a read.
struct Descriptor {
    int fd = -1;
    ~Descriptor() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

bool readAll(int fd, std::uint64_t maxBytes, std::uint64_t sizeHint, FileBytes& out) {
    if (sizeHint > 0 && sizeHint <= maxBytes) {
        out.reserve(static_cast<std::size_t>(sizeHint));
    }
    for (;;) {
        const std::size_t before = out.size();
        const std::uint64_t room = maxBytes - before;
        // Ask for one byte beyond the limit so an over-long file shows itself.
        const std::size_t want =
            room < kReadChunkBytes ? static_cast<std::size_t>(room) + 1 : kReadChunkBytes;
        out.resize(before + want);
        const ssize_t got = ::read(fd, out.data() + before, want);
        if (got < 0) {
            if (errno == EINTR) {
                out.resize(before);
                continue;
            }
            return false;
        }
        out.resize(before + static_cast<std::size_t>(got));
        if (got == 0) {
            return true;
        }
        if (out.size() > maxBytes) {
            return false;
        }
    }
}

} // namespace

std::optional<FileBytes> readWholeFile(std::string_view utf8Path, std::uint64_t maxBytes) {
    if (!isValidUtf8(utf8Path) || utf8Path.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    const std::string path(utf8Path);
    Descriptor file;
    do {
        // Non-blocking so that opening a FIFO cannot hang the host's thread;
        // anything but a regular file is refused below.
        file.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (file.fd < 0 && errno == EINTR);
    if (file.fd < 0) {
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    const std::uint64_t size = static_cast<std::uint64_t>(info.st_size);
    if (size > maxBytes) {
        return std::nullopt;
    }
    try {
        FileBytes bytes;
        if (!readAll(file.fd, maxBytes, size, bytes)) {
            return std::nullopt;
        }
        return bytes;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    } catch (const std::length_error&) {
        return std::nullopt;
    }
}

bool folderExists(std::string_view utf8Path) {
    if (utf8Path.empty() || !isValidUtf8(utf8Path) || utf8Path.find('\0') != std::string_view::npos) {
        return false;
    }
    const std::string path(utf8Path);
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string locationText(std::string_view location) { return wellFormedUtf8(location); }

char pathSeparator() { return '/'; }

} // namespace fennrow

#endif
