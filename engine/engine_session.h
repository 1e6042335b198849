#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "engine/list_files.h"
#include "engine/ports.h"
#include "engine/run_state.h"
#include "engine/status_report.h"

namespace ch {

// Something inside a run failed (a list file that cannot be read or written); the run ends
// cleanly with this description.
class RunFailure : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Seconds a page fetch, a site page or a crawl without progress may take.
inline constexpr double kPageTimeoutSeconds = 20.0;

// What every step of a run works with: the run state, the ports, and the small services the
// steps share (status texts, yields, list files of the current keyword).
class EngineSession {
  public:
    EngineSession(RunState& state, EnginePorts& ports)
        : State(state), Ports(ports), Report(state, ports.View) {}

    RunState& State;
    EnginePorts& Ports;
    StatusReport Report;

    double Now() { return Ports.Time.MonotonicSeconds(); }
    void Status(const std::string& text) { Report.Status(text); }

    void Yield() { Ports.Pump.Yield(); }
    // The end of one pass of a waiting loop: a pass that started work only lets pending events
    // run, one that started nothing blocks until an event or a short tick.
    void EndPass(bool startedWork);

    // Waits until no page fetch of the kind is in flight. Also gives up (cancelling the page
    // fetches) once a stop is requested or more than 20 seconds have passed since startedAt.
    void WaitForPages(FetchKind kind, double startedAt);

    std::filesystem::path ListPath(std::string_view suffix) const;
    // A missing file reads as Missing; an unreadable one ends the run.
    ListFileRead ReadList(std::string_view suffix) const;
    void WriteList(std::string_view suffix, const std::vector<std::string>& entries,
                   int firstNumber = 1) const;
    void AppendList(std::string_view suffix, const std::vector<std::string>& entries,
                    int firstNumber) const;
};

}  // namespace ch
