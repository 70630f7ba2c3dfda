// File services on Windows: UTF-8 paths become UTF-16 and are opened with
// the wide calls, so names with any letters open. A host that sends paths in
// the ANSI code page reaches the letters of that code page.
#if defined(_WIN32)

#include "platform/file_system.h"
#include "platform/utf8.h"
#include "platform/windows_text.h"

#include <windows.h>

#include <utility>

namespace fennrow::platform {

namespace {

// Owns one handle for the length of a read.
struct FileHandle {
    HANDLE handle = INVALID_HANDLE_VALUE;
    ~FileHandle() {
        if (handle != INVALID_HANDLE_VALUE) {
            ::CloseHandle(handle);
        }
    }
};

constexpr DWORD kMostPerRead = 1 << 20;

std::int64_t readHandle(const void* context, std::uint8_t* into, std::size_t capacity) {
    const HANDLE handle = *static_cast<const HANDLE*>(context);
    const DWORD want = capacity < kMostPerRead ? static_cast<DWORD>(capacity) : kMostPerRead;
    DWORD got = 0;
    if (!::ReadFile(handle, into, want, &got, nullptr)) {
        return -1;
    }
    return got;
}

} // namespace

FileRead readFile(std::string_view utf8Path, std::uint64_t maxBytes, HeadLimit headLimit) {
    FileRead result;
    const std::optional<std::wstring> path = locationToWide(utf8Path);
    if (!path || path->empty()) {
        return result;
    }
    // Without FILE_FLAG_BACKUP_SEMANTICS a folder cannot be opened; others
    // may go on reading and writing the file while it is read.
    FileHandle file;
    file.handle =
        ::CreateFileW(path->c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file.handle == INVALID_HANDLE_VALUE) {
        return result;
    }
    // Only files on a disk: a pipe or a device could block or never end. The
    // size is only a hint; the read stops at the limit whatever it says.
    LARGE_INTEGER size{};
    if (::GetFileType(file.handle) != FILE_TYPE_DISK || !::GetFileSizeEx(file.handle, &size) ||
        size.QuadPart < 0) {
        return result;
    }
    const ByteSource source{&file.handle, readHandle, static_cast<std::uint64_t>(size.QuadPart)};
    return readOpenedFile(source, maxBytes, headLimit);
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

} // namespace fennrow::platform

#endif
