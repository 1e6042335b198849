#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "child_process.h"

namespace ch::testing {

// A private X display (Xvfb on a free display number) with trayer as its tray host, and a
// private network namespace whose only interface is loopback with a default route through it,
// so that programs started in it see a live network that reaches nothing but 127.0.0.1.
class DesktopSession {
  public:
    // Nothing when Xvfb, trayer, xdotool or the namespace tools are missing or not permitted.
    static std::unique_ptr<DesktopSession> Start();

    // A program in the namespace on the display; environment as for ChildProcess.
    std::unique_ptr<ChildProcess> Run(const std::string& program,
                                      const std::vector<std::string>& arguments,
                                      std::map<std::string, std::string> environment = {}) const;
    // xdotool with these arguments; its output, or nothing when it failed.
    std::optional<std::string> Xdotool(const std::vector<std::string>& arguments) const;
    // The visible windows that xdotool's search terms ("--class", "--name") find, waiting until
    // there are at least `count`; none when they do not come within `limit`.
    std::vector<std::string> WaitForWindows(const std::vector<std::string>& terms, size_t count,
                                            std::chrono::seconds limit) const;

  private:
    DesktopSession() = default;

    std::string display_;
    std::string namespacePid_;
    std::string nsenter_;
    std::string xdotool_;
    // In start order, so that they end in reverse.
    std::unique_ptr<ChildProcess> xvfb_;
    std::unique_ptr<ChildProcess> namespace_;
    std::unique_ptr<ChildProcess> trayer_;
};

}  // namespace ch::testing
