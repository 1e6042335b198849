#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "child_process.h"

namespace ch::testing {

// The path of a program found on PATH, or nothing.
std::optional<std::string> FindProgram(const std::string& name);

// A private X display (Xvfb on a free display number) with trayer as its tray host, and a
// private network namespace whose only interface is loopback with a default route through it,
// so that programs started in it see a live network that reaches nothing but 127.0.0.1.
class DesktopSession {
  public:
    // Nothing when Xvfb, trayer, xdotool or the namespace tools are missing or not permitted.
    static std::unique_ptr<DesktopSession> Start();
    ~DesktopSession();

    std::string Display() const { return ":" + display_; }

    // A program in the namespace on the display; environment as for ChildProcess.
    std::unique_ptr<ChildProcess> Run(const std::string& program,
                                      const std::vector<std::string>& arguments,
                                      std::map<std::string, std::string> environment = {}) const;

    // xdotool with these arguments; its output, or nothing when it failed.
    std::optional<std::string> Xdotool(const std::vector<std::string>& arguments) const;
    // The visible windows of this X class (in any letter case), waiting until there are at
    // least `count`.
    std::vector<std::string> WaitForWindows(const std::string& className, size_t count,
                                            std::chrono::seconds limit) const;
    // The first visible window of this exact title, waiting for one to appear.
    std::optional<std::string> WaitForTitle(const std::string& title,
                                            std::chrono::seconds limit) const;

  private:
    DesktopSession() = default;
    // xdotool's visible-window search with these terms, waiting until it finds `count`.
    std::vector<std::string> WaitForSearch(const std::vector<std::string>& terms, size_t count,
                                           std::chrono::seconds limit) const;

    std::unique_ptr<ChildProcess> xvfb_;
    std::unique_ptr<ChildProcess> namespace_;
    std::unique_ptr<ChildProcess> trayer_;
    std::string display_;
    std::string namespacePid_;
    std::string nsenter_;
    std::string xdotool_;
};

}  // namespace ch::testing
