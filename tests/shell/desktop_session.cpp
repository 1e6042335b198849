#include "desktop_session.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <thread>

namespace ch::testing {
namespace {

using namespace std::chrono_literals;
using Arguments = std::vector<std::string>;

// The path of a program found on PATH, or empty.
std::string FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "/usr/bin:/bin");
    for (std::string folder; std::getline(folders, folder, ':');) {
        const auto candidate = std::filesystem::path(folder) / name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate.string();
    }
    return "";
}

}  // namespace

std::unique_ptr<DesktopSession> DesktopSession::Start() {
    std::map<std::string, std::string> tools;
    for (const char* name : {"Xvfb", "trayer", "xdotool", "unshare", "nsenter"}) {
        if ((tools[name] = FindProgram(name)).empty()) return nullptr;
    }
    std::unique_ptr<DesktopSession> session(new DesktopSession);
    session->xdotool_ = tools["xdotool"];
    session->nsenter_ = tools["nsenter"];
    // Xvfb picks a free display and writes its number to the descriptor named.
    session->xvfb_ = std::make_unique<ChildProcess>(
        tools["Xvfb"],
        Arguments{"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1024x768x24"});
    const auto display = session->xvfb_->WaitForLine("", 30s);
    session->namespace_ = std::make_unique<ChildProcess>(
        tools["unshare"],
        Arguments{"-n", "--", "/bin/bash", "-c",
                  "ip link set lo up && ip route add default dev lo && echo $$ && exec cat"});
    const auto pid = session->namespace_->WaitForLine("", 30s);
    if (!display || !pid) return nullptr;
    session->display_ = ":" + *display;
    session->namespacePid_ = *pid;
    session->trayer_ = std::make_unique<ChildProcess>(
        tools["trayer"],
        Arguments{"--edge", "top", "--align", "right", "--widthtype", "request", "--height", "24",
                  "--transparent", "false", "--tint", "0x404040"},
        std::map<std::string, std::string>{{"DISPLAY", session->display_}});
    if (session->WaitForWindows({"--class", "trayer"}, 1, 30s).empty()) return nullptr;
    return session;
}

std::unique_ptr<ChildProcess> DesktopSession::Run(
    const std::string& program, const std::vector<std::string>& arguments,
    std::map<std::string, std::string> environment) const {
    Arguments command{"-t", namespacePid_, "-n", "--", program};
    command.insert(command.end(), arguments.begin(), arguments.end());
    environment["DISPLAY"] = display_;
    environment["QT_QPA_PLATFORM"] = "xcb";
    return std::make_unique<ChildProcess>(nsenter_, command, environment);
}

std::optional<std::string> DesktopSession::Xdotool(const Arguments& arguments) const {
    ChildProcess process(xdotool_, arguments, {{"DISPLAY", display_}});
    if (process.WaitForExit(30s) != 0) return std::nullopt;
    return process.Output();
}

std::vector<std::string> DesktopSession::WaitForWindows(const Arguments& terms, size_t count,
                                                        std::chrono::seconds limit) const {
    Arguments arguments{"search", "--onlyvisible"};
    arguments.insert(arguments.end(), terms.begin(), terms.end());
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        std::vector<std::string> windows;
        std::istringstream found(Xdotool(arguments).value_or(""));
        for (std::string line; std::getline(found, line);)
            if (!line.empty()) windows.push_back(line);
        if (windows.size() >= count) return windows;
        if (std::chrono::steady_clock::now() > deadline) return {};
        // Another program's windows give this process no event to wait for.
        std::this_thread::sleep_for(50ms);
    }
}

}  // namespace ch::testing
