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
