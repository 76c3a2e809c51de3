// Runs a real host program with an argument list (no shell between), its output
// kept in a log file for the failure message.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace tilesweep::test {

struct ProcessResult {
    int exitCode = -1;
    bool timedOut = false;
    std::string log;
};

// A run still going after `timeoutSeconds` is killed and reported as timed out.
inline ProcessResult runProcess(const std::vector<std::string>& args, const std::string& logPath,
                                int timeoutSeconds) {
    ProcessResult result;
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int nothing = ::open("/dev/null", O_RDONLY);
        if (log < 0 || nothing < 0) ::_exit(126);
        ::dup2(nothing, 0);
        ::dup2(log, 1);
        ::dup2(log, 2);
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    pid_t done = 0;
    while (pid > 0 && (done = ::waitpid(pid, &status, WNOHANG)) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            done = ::waitpid(pid, &status, 0);
            result.timedOut = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (done == pid && !result.timedOut && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    std::ifstream in(logPath);
    std::ostringstream text;
    text << in.rdbuf();
    result.log = text.str();
    if (result.log.size() > 2000) result.log = "..." + result.log.substr(result.log.size() - 2000);
    return result;
}

inline std::string commandLine(const std::vector<std::string>& args) {
    std::string line;
    for (const std::string& a : args) line += (line.empty() ? "" : " ") + ("'" + a + "'");
    return line;
}

}  // namespace tilesweep::test
