#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace ch::testing {

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                           const std::map<std::string, std::string>& environment) {
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    char errorName[] = "/tmp/ch-child-stderr-XXXXXX";
    const int errorFd = mkstemp(errorName);
    errorFile_ = errorName;

    std::vector<std::string> argv{program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    pid_ = fork();
    if (pid_ == 0) {
        dup2(in[0], STDIN_FILENO);
        dup2(out[1], STDOUT_FILENO);
        dup2(errorFd, STDERR_FILENO);
        for (const auto& [name, value] : environment) {
            if (value.empty())
                unsetenv(name.c_str());
            else
                setenv(name.c_str(), value.c_str(), 1);
        }
        std::vector<char*> raw;
        for (auto& a : argv) raw.push_back(a.data());
        raw.push_back(nullptr);
        execvp(program.c_str(), raw.data());
        _exit(127);
    }
    close(errorFd);
    close(in[0]);
    close(out[1]);
    input_ = in[1];
    outputFd_ = out[0];
}

ChildProcess::~ChildProcess() {
    if (!exited_ && pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    CloseInput();
    if (outputFd_ >= 0) close(outputFd_);
    unlink(errorFile_.c_str());
}

bool ChildProcess::ReadSome(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd fd{outputFd_, POLLIN, 0};
    if (poll(&fd, 1, static_cast<int>(left.count())) <= 0) return false;
    char buffer[4096];
    const ssize_t got = read(outputFd_, buffer, sizeof buffer);
    if (got <= 0) return false;
    output_.append(buffer, static_cast<size_t>(got));
    return true;
}

std::optional<std::string> ChildProcess::WaitForLine(const std::string& text,
                                                     std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        size_t end;
        while ((end = output_.find('\n', scanned_)) != std::string::npos) {
            std::string line = output_.substr(scanned_, end - scanned_);
            scanned_ = end + 1;
            if (line.find(text) != std::string::npos) return line;
        }
        if (!ReadSome(deadline)) return std::nullopt;
    }
}

int ChildProcess::WaitForExit(std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (ReadSome(deadline)) {
    }
    // The output has closed; wait for the exit itself on a process descriptor.
    const int process = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd fd{process, POLLIN, 0};
    const bool ended = process >= 0 && poll(&fd, 1, std::max<int>(0, left.count())) == 1;
    if (process >= 0) close(process);
    if (!ended) kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
    exited_ = true;
    return ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void ChildProcess::Signal(int number) {
    kill(pid_, number);
}

void ChildProcess::CloseInput() {
    if (input_ >= 0) close(input_);
    input_ = -1;
}

std::string ChildProcess::Errors() const {
    std::ifstream in(errorFile_);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace ch::testing
