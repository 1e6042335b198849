#pragma once

#include <QTemporaryFile>
#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QProcess;

namespace ch::testing {

// A program started by a test, with its standard input and output on pipes and its standard
// error kept apart. Every wait is bounded, so a program that hangs fails the test instead of
// holding it.
class ChildProcess {
  public:
    // `environment` adds to (or, with an empty value, removes from) the test's own environment.
    ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                 const std::map<std::string, std::string>& environment = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Reads output lines until one contains `text`; the line, or nothing at the end of output
    // or after `limit`.
    std::optional<std::string> WaitForLine(const std::string& text,
                                           std::chrono::seconds limit = std::chrono::seconds(60));
    // Reads the rest of the output and waits for the exit status (-1 when it had to be killed).
    int WaitForExit(std::chrono::seconds limit = std::chrono::seconds(120));
    void Signal(int number);
    void CloseInput();

    const std::string& Output() const { return output_; }
    std::string Errors() const;

  private:
    bool ReadSome(std::chrono::steady_clock::time_point deadline);

    std::unique_ptr<QProcess> process_;
    std::string output_;
    QTemporaryFile errorFile_;
    size_t scanned_ = 0;
};

}  // namespace ch::testing
