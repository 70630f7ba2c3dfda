// File services on systems with POSIX calls and byte-string (UTF-8) paths.
#if !defined(_WIN32)

#include "platform/file_system.h"
#include "platform/utf8.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace fennrow::platform {

namespace {

// Owns one descriptor for the length of a read.
struct Descriptor {
    int fd = -1;
    ~Descriptor() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

std::int64_t readDescriptor(const void* context, std::uint8_t* into, std::size_t capacity) {
    const int fd = *static_cast<const int*>(context);
    for (;;) {
        const ssize_t got = ::read(fd, into, capacity);
        if (got >= 0 || errno != EINTR) {
            return got;
        }
    }
}

} // namespace

FileRead readFile(std::string_view utf8Path, std::uint64_t maxBytes, HeadLimit headLimit) {
    FileRead result;
    if (!isValidUtf8(utf8Path) || utf8Path.find('\0') != std::string_view::npos) {
        return result;
    }
    const std::string path(utf8Path);
    Descriptor file;
    do {
        // Non-blocking so that opening a FIFO cannot hang the host's thread;
        // anything but a regular file is refused below.
        file.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (file.fd < 0 && errno == EINTR);
    if (file.fd < 0) {
        return result;
    }
    // A regular file's size is only a hint: files under /proc claim 0 or a
    // page and hold far more.
    struct stat info {};
    if (::fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        return result;
    }
    const ByteSource source{&file.fd, readDescriptor, static_cast<std::uint64_t>(info.st_size)};
    return readOpenedFile(source, maxBytes, headLimit);
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

} // namespace fennrow::platform

#endif
