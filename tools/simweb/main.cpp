// clipharvester-simweb: the simulated web as a program of its own, for the demo and for tests
// that run the front ends. Prints the port it listens on as its first line, then serves until it
// is killed or its standard input (a pipe or a terminal) closes.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "tools/simweb/demo_scenario.h"
#include "tools/simweb/scenario_text.h"
#include "tools/simweb/server.h"
#include "tools/simweb/tls_tunnels.h"

namespace {

constexpr const char* kUsage =
    "usage: clipharvester-simweb [--port N] [--scenario FILE|demo] [--delay-ms N] [--log]\n"
    "                            [--rate-kbps N] [--tls-cert PEM --tls-key PEM]\n"
    "Serves the simulated web on 127.0.0.1; point http_proxy at it. With a certificate (chain)\n"
    "and its key, CONNECT tunnels speak TLS and serve https addresses from the same scenario.\n";

struct Options {
    std::uint16_t port = 0;
    std::string scenario = "demo";
    int delayMs = 0;
    long rateKbps = 0;  // each body at most this many KB a second (0: unpaced)
    bool log = false;
    std::string tlsCertificate;
    std::string tlsKey;
};

std::optional<long> Number(const std::string& text, long max) {
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0 || value > max)
        return std::nullopt;
    return value;
}

std::optional<Options> ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--log") {
            options.log = true;
        } else if (arg == "--port" && hasValue) {
            const auto port = Number(argv[++i], 65535);
            if (!port) return std::nullopt;
            options.port = static_cast<std::uint16_t>(*port);
        } else if (arg == "--delay-ms" && hasValue) {
            const auto delay = Number(argv[++i], 3600000);
            if (!delay) return std::nullopt;
            options.delayMs = static_cast<int>(*delay);
        } else if (arg == "--rate-kbps" && hasValue) {
            const auto rate = Number(argv[++i], 10'000'000);
            if (!rate) return std::nullopt;
            options.rateKbps = *rate;
        } else if (arg == "--scenario" && hasValue) {
            options.scenario = argv[++i];
        } else if (arg == "--tls-cert" && hasValue) {
            options.tlsCertificate = argv[++i];
        } else if (arg == "--tls-key" && hasValue) {
            options.tlsKey = argv[++i];
        } else {
            return std::nullopt;
        }
    }
    if (options.tlsCertificate.empty() != options.tlsKey.empty()) return std::nullopt;
    return options;
}

ch::simweb::Scenario LoadScenario(const std::string& name) {
    if (name == "demo") return ch::simweb::DemoScenario();
    std::ifstream file(name);
    if (!file) throw ch::simweb::ScenarioError("cannot read " + name);
    return ch::simweb::ParseScenario(file);
}

// Waiting on standard input only makes sense when someone holds its other end: a background job
// started from a script reads /dev/null and would end at once.
bool WatchStandardInput() {
    struct stat info {};
    return fstat(STDIN_FILENO, &info) == 0 && (S_ISFIFO(info.st_mode) || isatty(STDIN_FILENO));
}

// Returns when SIGINT, SIGTERM or SIGHUP arrives, or when a watched standard input closes.
void WaitForTheEnd(int signalFd) {
    const bool watchInput = WatchStandardInput();
    for (;;) {
        pollfd fds[2] = {{signalFd, POLLIN, 0}, {watchInput ? STDIN_FILENO : -1, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) continue;
        if (fds[0].revents != 0) return;
        if (fds[1].revents != 0) {
            char buffer[256];
            if (read(STDIN_FILENO, buffer, sizeof buffer) <= 0) return;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    const auto options = ParseOptions(argc, argv);
    if (!options) {
        std::cerr << kUsage;
        return 2;
    }
    // Blocked before the server's thread starts, so only signalfd sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stopSignals, s);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    const int signalFd = signalfd(-1, &stopSignals, SFD_CLOEXEC);
    const QCoreApplication application(argc, argv);  // Qt's TLS back end is a plugin

    try {
        std::mutex outputMutex;
        ch::simweb::ServerOptions serverOptions;
        serverOptions.delayMs = options->delayMs;
        serverOptions.bodyBytesPerSecond = options->rateKbps * 1024;
        if (options->log)
            serverOptions.log = [&outputMutex](const std::string& line) {
                std::lock_guard lock(outputMutex);
                std::cout << line << std::endl;
            };
        std::unique_ptr<ch::simweb::TlsTunnels> tunnels;  // outlives the server
        if (!options->tlsCertificate.empty()) {
            tunnels =
                std::make_unique<ch::simweb::TlsTunnels>(options->tlsCertificate, options->tlsKey);
            serverOptions.tunnel = [&tunnels](int fd) { tunnels->Take(fd); };
        }
        ch::simweb::Server server(LoadScenario(options->scenario), serverOptions);
        const std::uint16_t port = server.Start(options->port);
        if (tunnels) tunnels->RelayTo(port);
        {
            std::lock_guard lock(outputMutex);
            std::cout << port << std::endl;
        }
        WaitForTheEnd(signalFd);
        server.Stop();
    } catch (const std::exception& error) {
        std::cerr << "clipharvester-simweb: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
