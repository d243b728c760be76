// Runs the built nyxml tool as a program and collects its output.
#ifndef NYXML_TESTS_TOOLS_TOOLRUNNER_H
#define NYXML_TESTS_TOOLS_TOOLRUNNER_H

#include "TestSupport.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace nyxml_test {

const std::string kTool = NYXML_BINARY_DIR "/bin/nyxml";

struct ToolResult {
    int status;
    std::string out;
    std::string err;
};

inline bool ToolIsBuilt() { return ::access(kTool.c_str(), X_OK) == 0; }

// Runs `nyxml <arguments>` through the shell, standard input from stdinFile
// when given; standard error is collected through a file in scratchDir.
inline ToolResult RunTool(const std::string& arguments, const std::string& scratchDir,
                          const std::string& stdinFile = "") {
    std::string errPath = scratchDir + "/stderr.txt";
    std::string command = "'" + kTool + "' " + arguments + " 2>'" + errPath + "'";
    if (!stdinFile.empty()) command += " <'" + stdinFile + "'";
    ToolResult result;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return {-1, "", "popen failed"};
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
    int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.err = ReadFile(errPath);
    return result;
}

inline std::string Quoted(const std::string& path) { return "'" + path + "'"; }

// A test of the tool (of one command when given), run in a scratch directory;
// skipped when the tool is not built.
class ToolCommandTest : public testing::Test {
protected:
    explicit ToolCommandTest(const char* command = "") : m_command(command) {}
    void SetUp() override {
        if (!ToolIsBuilt()) GTEST_SKIP() << "the nyxml tool is not built";
    }
    ToolResult Run(const std::string& arguments, const std::string& stdinFile = "") {
        return RunTool(m_command.empty() ? arguments : m_command + " " + arguments, dir.path(), stdinFile);
    }
    TempDir dir;

private:
    std::string m_command;
};

}  // namespace nyxml_test

#endif
