#include "ToolRunner.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

std::string slurp(const std::filesystem::path& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

std::filesystem::path emptyFolder(const std::filesystem::path& dir) {
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

bool isUsageError(const ToolResult& r, const std::string& command) {
    const std::string head = "vrel-cli " + command + ": ";
    const std::string tail = "\nvrel-cli " + command + " --help shows the options\n";
    return r.status == 2 && r.err.starts_with(head) && r.err.ends_with(tail) &&
           r.err.find('\n') == r.err.size() - tail.size();
}

std::string writeTempFile(const std::string& name, const std::string& text) {
    const std::string path = std::string(VREL_TEST_TMP) + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

ToolResult runTool(const std::string& commandLine, const std::string& input) {
    // Names of their own, since ctest may run several tests of this program at once.
    static int calls = 0;
    const std::string tag = std::to_string(getpid()) + "-" + std::to_string(++calls);
    const std::string in = writeTempFile("stdin-" + tag + ".txt", input);
    const std::string out = std::string(VREL_TEST_TMP) + "/stdout-" + tag + ".txt";
    const std::string err = std::string(VREL_TEST_TMP) + "/stderr-" + tag + ".txt";
    const std::string full = commandLine + " <'" + in + "' >'" + out + "' 2>'" + err + "'";
    const int raw = std::system(full.c_str());
    ToolResult r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = slurp(out);
    r.err = slurp(err);
    std::remove(in.c_str());
    std::remove(out.c_str());
    std::remove(err.c_str());
    return r;
}
