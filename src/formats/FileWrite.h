#pragma once

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
