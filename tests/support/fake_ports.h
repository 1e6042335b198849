#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/download_slots.h"
#include "engine/ports.h"
#include "engine/status_texts.h"

namespace ch::testing {

// A clock the test moves by hand.
class FakeClock : public Clock {
  public:
    double now = 1000.0;
    double sinceMidnight = 3600.0;
    std::string timeText = "12:00:00";
    double MonotonicSeconds() override { return now; }
    double SecondsSinceMidnight() override { return sinceMidnight; }
    std::string TimeOfDayText() override { return timeText; }
};

// Runs the scripted work queued for each yield; counts the yields and the blocking waits.
class FakePump : public EventPump {
  public:
    std::deque<std::function<void()>> queued;  // one item runs per yield, in order
    std::function<void()> onEveryYield;        // runs on every yield, after the queued item
    int yields = 0;
    int waits = 0;
    void Yield() override {
        ++yields;
        Step();
    }
    void WaitForEvent() override {
        ++waits;
        Step();
    }

  private:
    void Step() {
        if (!queued.empty()) {
            auto work = std::move(queued.front());
            queued.pop_front();
            work();
        }
        if (onEveryYield) onEveryYield();
    }
};

// Remembers every report, as the search window's panels (1 to 9) would show it.
class RecordingView : public SearchView {
  public:
    std::map<int, std::string> panels;
    std::vector<std::pair<int, std::string>> history;
    std::string caption;
    bool enabled = true;
    void ShowStatus(const std::string& text) override { Panel(1, text); }
    void ShowLinkCount(int links) override { Panel(2, std::to_string(links)); }
    void ShowVideoCount(int videos) override { Panel(3, std::to_string(videos)); }
    void ShowSlotStarted(int slot, const std::string&) override { Panel(slot + 4, kSlotStartText); }
    void ShowSlotProgress(int slot, double percent, const std::string&) override {
        Panel(slot + 4, SlotPercentText(percent));
    }
    void ShowSlotFreed(int slot) override { Panel(slot + 4, ""); }
    void ShowThroughput(int kbps) override { Panel(9, ThroughputText(kbps)); }
    void ShowRunEnded(const std::string& statusLine) override {
        Panel(1, statusLine);
        Panel(2, kLinksCaption);
        Panel(3, kVideosCaption);
        for (int slot = 0; slot < kSlotCount; ++slot) Panel(slot + 4, "");
        caption = kIdleButtonCaption;
        enabled = true;
    }
    void SetButtonEnabled(bool on) override { enabled = on; }
    bool Saw(int panel, const std::string& text) const {
        for (const auto& [p, t] : history)
            if (p == panel && t == text) return true;
        return false;
    }

  private:
    void Panel(int panel, const std::string& text) {
        panels[panel] = text;
        history.emplace_back(panel, text);
    }
};

class RecordingMessages : public MessageBox {
  public:
    struct Shown {
        std::string text, title;
        MessageIcon icon;
    };
    std::vector<Shown> shown;
    std::function<void()> whileOpen;  // runs as if inside the box's own loop
    void Show(const std::string& text, const std::string& title, MessageIcon icon) override {
        shown.push_back({text, title, icon});
        if (whileOpen) whileOpen();
    }
};

class FakeWatch : public NetworkWatch {
  public:
    bool enabled = false;
    std::vector<bool> switches;
    void SetAlarmEnabled(bool on) override {
        enabled = on;
        switches.push_back(on);
    }
};

}  // namespace ch::testing
