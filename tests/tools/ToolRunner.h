#pragma once

#include <filesystem>
#include <string>

struct ToolResult {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs a shell command line with the given standard input and collects what it prints.
ToolResult runTool(const std::string& commandLine, const std::string& input = {});

// A file in the test's scratch folder holding text.
std::string writeTempFile(const std::string& name, const std::string& text);

// A file's bytes; empty when it cannot be read.
std::string slurp(const std::filesystem::path& path);
// dir, emptied first and made when missing: a scratch folder of a test's own.
std::filesystem::path emptyFolder(const std::filesystem::path& dir);
bool contains(const std::string& text, const std::string& part);
// Whether r is vrel-cli's answer to a wrong command line of command (such as "decode live"):
// status 2, the fault on one line and where the options are on the next, not the whole help.
bool isUsageError(const ToolResult& r, const std::string& command);
