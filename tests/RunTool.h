// Runs the command-line tool as a user would and captures what it printed.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace tilesweep::test {

struct ToolResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

inline std::string shellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'') {
            q += "'\\''";
        } else {
            q += c;
        }
    }
    return q + "'";
}

inline std::string readWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs a shell command line with no input and captures what it printed.
inline ToolResult runCommandLine(const std::string& commandLine) {
    static int counter = 0;
    const std::string base = "/tmp/tilesweep_test_" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
    const std::string command = commandLine + " >" + base + ".out 2>" + base + ".err </dev/null";
    const int status = std::system(command.c_str());
    ToolResult r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = readWhole(base + ".out");
    r.err = readWhole(base + ".err");
    std::remove((base + ".out").c_str());
    std::remove((base + ".err").c_str());
    return r;
}

// The tool with `args`, quoted for the shell.
inline std::string toolCommandLine(const std::vector<std::string>& args) {
    std::string command = shellQuote(TILESWEEP_CLI_PATH);
    for (const std::string& a : args) command += " " + shellQuote(a);
    return command;
}

inline ToolResult runTool(const std::vector<std::string>& args) { return runCommandLine(toolCommandLine(args)); }

// Nothing on stdout and exactly one line, newline-ended, on stderr: how the tool
// reports a failure.
inline ::testing::AssertionResult oneLineOnStderr(const ToolResult& r) {
    if (!r.out.empty()) return ::testing::AssertionFailure() << "stdout is not empty: " << r.out;
    if (r.err.empty() || r.err.find('\n') != r.err.size() - 1) {
        return ::testing::AssertionFailure() << "stderr is not one line: " << r.err;
    }
    return ::testing::AssertionSuccess();
}

// Refused as bad input: exit code 2, and the reason in one line on stderr.
inline ::testing::AssertionResult exitTwoWithOneLine(const ToolResult& r) {
    if (r.exitCode != 2) return ::testing::AssertionFailure() << "exit code " << r.exitCode << ", not 2: " << r.err;
    return oneLineOnStderr(r);
}

}  // namespace tilesweep::test
