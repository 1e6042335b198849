#include "desktop_session.h"

#include <unistd.h>

#include <cstdlib>
#include <sstream>
#include <thread>

namespace ch::testing {
namespace {

constexpr auto kPollPause = std::chrono::milliseconds(50);

// Runs a program to its end; its output, or nothing when it fails.
std::optional<std::string> Capture(const std::vector<std::string>& command,
                                   const std::map<std::string, std::string>& environment) {
    ChildProcess process(command[0], {command.begin() + 1, command.end()}, environment);
    if (process.WaitForExit(std::chrono::seconds(30)) != 0) return std::nullopt;
    return process.Output();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) lines.push_back(line);
    return lines;
}

}  // namespace

std::optional<std::string> FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "/usr/bin:/bin");
    for (std::string folder; std::getline(folders, folder, ':');) {
        const auto candidate = std::filesystem::path(folder) / name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate.string();
    }
    return std::nullopt;
}

std::unique_ptr<DesktopSession> DesktopSession::Start() {
    const auto xvfb = FindProgram("Xvfb");
    const auto trayer = FindProgram("trayer");
    const auto xdotool = FindProgram("xdotool");
    const auto unshare = FindProgram("unshare");
    const auto nsenter = FindProgram("nsenter");
    if (!xvfb || !trayer || !xdotool || !unshare || !nsenter) return nullptr;

    std::unique_ptr<DesktopSession> session(new DesktopSession);
    session->xdotool_ = *xdotool;
    session->nsenter_ = *nsenter;
    // Xvfb picks a free display and writes its number to the descriptor named.
    session->xvfb_ = std::make_unique<ChildProcess>(
        *xvfb, std::vector<std::string>{"-displayfd", "1", "-nolisten", "tcp", "-screen", "0",
                                        "1024x768x24"});
    const auto display = session->xvfb_->WaitForLine("", std::chrono::seconds(30));
    if (!display) return nullptr;
    session->display_ = *display;

    session->namespace_ = std::make_unique<ChildProcess>(
        *unshare, std::vector<std::string>{
                      "-n", "--", "/bin/bash", "-c",
                      "ip link set lo up && ip route add default dev lo && echo $$ && exec cat"});
    const auto pid = session->namespace_->WaitForLine("", std::chrono::seconds(30));
    if (!pid) return nullptr;
    session->namespacePid_ = *pid;

    session->trayer_ = std::make_unique<ChildProcess>(
        *trayer,
        std::vector<std::string>{"--edge", "top", "--align", "right", "--widthtype", "request",
                                 "--height", "24", "--transparent", "false", "--tint", "0x404040"},
        std::map<std::string, std::string>{{"DISPLAY", session->Display()}});
    if (session->WaitForWindows("trayer", 1, std::chrono::seconds(30)).empty()) return nullptr;
    return session;
}

DesktopSession::~DesktopSession() {
    trayer_.reset();
    if (namespace_) namespace_->CloseInput();
    namespace_.reset();
    xvfb_.reset();
}

std::unique_ptr<ChildProcess> DesktopSession::Run(
    const std::string& program, const std::vector<std::string>& arguments,
    std::map<std::string, std::string> environment) const {
    std::vector<std::string> command{"-t", namespacePid_, "-n", "--", program};
    command.insert(command.end(), arguments.begin(), arguments.end());
    environment["DISPLAY"] = Display();
    environment["QT_QPA_PLATFORM"] = "xcb";
    return std::make_unique<ChildProcess>(nsenter_, command, environment);
}

std::optional<std::string> DesktopSession::Xdotool(
    const std::vector<std::string>& arguments) const {
    std::vector<std::string> command{xdotool_};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return Capture(command, {{"DISPLAY", Display()}});
}

std::vector<std::string> DesktopSession::WaitForWindows(const std::string& className, size_t count,
                                                        std::chrono::seconds limit) const {
    return WaitForSearch({"--class", className}, count, limit);
}

std::optional<std::string> DesktopSession::WaitForTitle(const std::string& title,
                                                        std::chrono::seconds limit) const {
    const auto found = WaitForSearch({"--name", "^" + title + "$"}, 1, limit);
    return found.empty() ? std::nullopt : std::optional(found.front());
}

std::vector<std::string> DesktopSession::WaitForSearch(const std::vector<std::string>& terms,
                                                       size_t count,
                                                       std::chrono::seconds limit) const {
    std::vector<std::string> arguments{"search", "--onlyvisible"};
    arguments.insert(arguments.end(), terms.begin(), terms.end());
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const auto found = Xdotool(arguments);
        auto windows = found ? Lines(*found) : std::vector<std::string>{};
        if (windows.size() >= count) return windows;
        if (std::chrono::steady_clock::now() > deadline) return {};
        std::this_thread::sleep_for(kPollPause);
    }
}

}  // namespace ch::testing
