#pragma once

#include <functional>

#include "ui/search/search_window_host.h"

namespace ch::testing {

// Counts what the search window asks of the hidden main window; the test plays the engine.
class FakeSearchWindowHost : public SearchWindowHost {
  public:
    int engineTimerEnables = 0;
    int grabbingMenuEnables = 0;
    int helpShown = 0;
    int aboutShown = 0;
    std::function<void()> onEngineTimer;

    void EnableEngineTimer() override {
        ++engineTimerEnables;
        if (onEngineTimer) onEngineTimer();
    }
    void EnableGrabbingMenu() override { ++grabbingMenuEnables; }
    void ShowHelpModal() override { ++helpShown; }
    void ShowAboutModal() override { ++aboutShown; }
};

}  // namespace ch::testing
