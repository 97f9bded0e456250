#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

// Replaces the file at path by bytes, whole or not at all: the bytes go to a
// sibling file first, which then takes the path's place. An old file of that
// name is thus never left half overwritten, whatever fails on the way. On
// failure returns false and, when error is given, the reason.
bool WriteWholeFile(const std::string& path, std::string_view bytes, std::string* error = nullptr);

// Reads a whole file into bytes. On failure returns false and, when error is
// given, the reason.
bool ReadWholeFile(const std::string& path, std::string& bytes, std::string* error = nullptr);

// The sibling a file is written to before it takes the place of path.
std::string PartFilePath(const std::string& path);

// Sets *error (when given) to what, ": " and the system's text for errno.
void SetSystemError(std::string* error, const std::string& what);

// Reads f to its end chunk bytes at a time, handing take the bytes read and
// not used yet: a line cut by the chunk's end comes again whole in the next
// call. take returns how many bytes it used, or npos to stop reading.
struct ChunkedRead {
    bool failed = false;   // the system could not read
    bool stopped = false;  // take asked to stop
    std::string_view rest; // what was left unused at the end, in buffer
};
ChunkedRead ReadInChunks(std::FILE* f, std::size_t chunk, std::string& buffer,
                         const std::function<std::size_t(std::string_view)>& take);
