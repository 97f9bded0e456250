#include "formats/FileWrite.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

void SetSystemError(std::string* error, const std::string& what) {
    const int code = errno;
    if (error)
        *error = what + ": " + std::generic_category().message(code);
}

std::string PartFilePath(const std::string& path) {
    return path + ".part";
}

bool WriteWholeFile(const std::string& path, std::string_view bytes, std::string* error) {
    const std::string part = PartFilePath(path);
    std::FILE* f = std::fopen(part.c_str(), "wb");
    if (!f) {
        SetSystemError(error, "cannot create " + part);
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (!written)
        SetSystemError(error, "cannot write " + part);
    const bool closed = std::fclose(f) == 0;
    if (written && !closed)
        SetSystemError(error, "cannot write " + part);
    std::error_code ec;
    if (written && closed) {
        std::filesystem::rename(part, path, ec);
        if (!ec)
            return true;
        if (error)
            *error = "cannot replace " + path + ": " + ec.message();
    }
    std::filesystem::remove(part, ec);
    return false;
}

bool ReadWholeFile(const std::string& path, std::string& bytes, std::string* error) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        SetSystemError(error, "cannot open " + path);
        return false;
    }
    std::string text;
    // Sized once from the file's length, so a big file is not copied again
    // each time the text outgrows its buffer; reading on to the end still
    // takes whatever the file holds by then.
    std::error_code sizeError;
    const auto expected = std::filesystem::file_size(path, sizeError);
    if (!sizeError)
        text.reserve(static_cast<std::size_t>(expected) + 1);
    char buf[65536];
    std::size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        text.append(buf, n);
    const bool failed = std::ferror(f) != 0;
    if (failed)
        SetSystemError(error, "cannot read " + path);
    std::fclose(f);
    if (failed)
        return false;
    bytes = std::move(text);
    return true;
}

ChunkedRead ReadInChunks(std::FILE* f, std::size_t chunk, std::string& buffer,
                         const std::function<std::size_t(std::string_view)>& take) {
    ChunkedRead result;
    std::size_t held = 0; // bytes of a line read but not yet ended
    while (!result.stopped) {
        buffer.resize(held + chunk);
        const std::size_t n = std::fread(buffer.data() + held, 1, chunk, f);
        if (n == 0)
            break;
        const std::string_view text(buffer.data(), held + n);
        const std::size_t used = take(text);
        result.stopped = used == std::string_view::npos;
        if (!result.stopped) {
            held = text.size() - used;
            std::memmove(buffer.data(), buffer.data() + used, held);
        }
    }
    result.failed = std::ferror(f) != 0;
    result.rest = std::string_view(buffer.data(), result.stopped ? 0 : held);
    return result;
}
