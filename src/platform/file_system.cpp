#include "platform/file_system.h"

#include <new>
#include <stdexcept>
#include <utility>

namespace fennrow::platform {

FileRead readOpenedFile(const ByteSource& source, std::uint64_t maxBytes, HeadLimit headLimit) {
    FileRead result;
    try {
        CappedBytes read = readCapped(source, maxBytes, headLimit);
        switch (read.end) {
            case CappedEnd::End:
                result.status = FileReadStatus::Read;
                result.bytes = std::move(read.bytes);
                break;
            case CappedEnd::OverLimit: result.status = FileReadStatus::TooLarge; break;
            case CappedEnd::Error: result.status = FileReadStatus::CannotOpen; break;
        }
    } catch (const std::bad_alloc&) {
        result.status = FileReadStatus::CannotOpen;
    } catch (const std::length_error&) {
        result.status = FileReadStatus::CannotOpen;
    }
    return result;
}

std::optional<FileBytes> readWholeFile(std::string_view utf8Path, std::uint64_t maxBytes) {
    FileRead read = readFile(utf8Path, maxBytes);
    if (read.status != FileReadStatus::Read) {
        return std::nullopt;
    }
    return std::move(read.bytes);
}

std::string pathJoin(std::string_view base, std::string_view part) {
    std::string joined(base);
    if (!joined.empty() && joined.back() != pathSeparator() && joined.back() != '/') {
        joined.push_back(pathSeparator());
    }
    joined.append(part);
    return joined;
}

} // namespace fennrow::platform
