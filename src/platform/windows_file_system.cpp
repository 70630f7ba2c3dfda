// File services on Windows: UTF-8 paths become UTF-16 and are opened with
// the wide calls, so names with any letters open. A host that sends paths in
// the ANSI code page reaches the letters of that code page.
#if defined(_WIN32)

#include "platform/file_system.h"
#include "platform/utf8.h"
#include "platform/windows_text.h"

#include <windows.h>

#include <new>
#include <stdexcept>
#include <utility>

namespace fennrow {

namespace {

constexpr DWORD kReadChunkBytes = 64 * 1024;

// Owns one handle for the length of a read.
struct FileHandle {
    HANDLE handle = INVALID_HANDLE_VALUE;
    ~FileHandle() {
        if (handle != INVALID_HANDLE_VALUE) {
            ::CloseHandle(handle);
        }
    }
};

bool readAll(HANDLE handle, std::uint64_t maxBytes, std::uint64_t sizeHint, FileBytes& out) {
    if (sizeHint > 0 && sizeHint <= maxBytes) {
        out.reserve(static_cast<std::size_t>(sizeHint));
    }
    for (;;) {
        const std::size_t before = out.size();
        const std::uint64_t room = maxBytes - before;
        // Ask for one byte beyond the limit so a file that grew shows itself.
        const DWORD want = room < kReadChunkBytes ? static_cast<DWORD>(room) + 1 : kReadChunkBytes;
        out.resize(before + want);
        DWORD got = 0;
        if (!::ReadFile(handle, out.data() + before, want, &got, nullptr)) {
            return false;
        }
        out.resize(before + got);
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
    const std::optional<std::wstring> path = locationToWide(utf8Path);
    if (!path || path->empty()) {
        return std::nullopt;
    }
    // Without FILE_FLAG_BACKUP_SEMANTICS a folder cannot be opened; others
    // may go on reading and writing the file while it is read.
    FileHandle file;
    file.handle =
        ::CreateFileW(path->c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file.handle == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    // Only files on a disk: a pipe or a device could block or never end.
    LARGE_INTEGER size{};
    if (::GetFileType(file.handle) != FILE_TYPE_DISK || !::GetFileSizeEx(file.handle, &size) ||
        size.QuadPart < 0) {
        return std::nullopt;
    }
    if (static_cast<std::uint64_t>(size.QuadPart) > maxBytes) {
        return std::nullopt;
    }
    try {
        FileBytes bytes;
        if (!readAll(file.handle, maxBytes, static_cast<std::uint64_t>(size.QuadPart), bytes)) {
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
    const std::optional<std::wstring> path = locationToWide(utf8Path);
    if (!path || path->empty()) {
        return false;
    }
    const DWORD attributes = ::GetFileAttributesW(path->c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string locationText(std::string_view location) {
    if (isValidUtf8(location)) {
        return std::string(location);
    }
    if (const std::optional<std::wstring> wide = locationToWide(location)) {
        if (std::optional<std::string> text = wideToUtf8(*wide)) {
            return std::move(*text);
        }
    }
    return wellFormedUtf8(location);
}

char pathSeparator() { return '\\'; }

} // namespace fennrow

#endif
