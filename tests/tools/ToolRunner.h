#pragma once

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
