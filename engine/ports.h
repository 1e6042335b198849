#pragma once

#include <string>

namespace ch {

// The engine's view of the download control: fetches are started under a download name whose
// first letter tags their purpose (L seed page, G results page, R site page, E expand page,
// V video). The control counts the matching pending counter down exactly once per fetch.
class DownloadControl {
  public:
    virtual ~DownloadControl() = default;
    virtual void BeginHtmlDownload(const std::string& URL, const std::string& SaveFile) = 0;
    virtual void BeginResDownload(const std::string& URL, const std::string& SaveFile) = 0;
    virtual bool CancelHtmlDownload() = 0;
    virtual bool CancelResDownload() = 0;
    // Cancels and releases every video slot without progress for more than 60 seconds; the
    // engine calls it on every crawl pass so that stalled downloads cannot hold the run.
    virtual void CheckStalledSlots() = 0;
};

// Lets the rest of the program run while the engine waits.
class EventPump {
  public:
    virtual ~EventPump() = default;
    // Processes what is pending and returns at once.
    virtual void Yield() = 0;
    // Blocks until an event arrives or a short tick (at most 50 ms) passes, then processes it.
    virtual void WaitForEvent() = 0;
};

// Status bar panels (1 to 9) and the Search/Stop button of the search window.
class SearchView {
  public:
    virtual ~SearchView() = default;
    virtual void SetPanelText(int panel, const std::string& text) = 0;
    virtual void SetButtonCaption(const std::string& caption) = 0;
    virtual void SetButtonEnabled(bool enabled) = 0;
};

enum class MessageIcon { Exclamation, None };

// A modal message with a single OK button; returns when the user has closed it.
class MessageBox {
  public:
    virtual ~MessageBox() = default;
    virtual void Show(const std::string& text, const std::string& title, MessageIcon icon) = 0;
};

class Clock {
  public:
    virtual ~Clock() = default;
    // Seconds on a monotonic clock: every time-out is measured with it.
    virtual double MonotonicSeconds() = 0;
    // Seconds since midnight of the wall clock, used only to seed the query shuffle.
    virtual double SecondsSinceMidnight() = 0;
    // The time of day in the system's format, for texts shown to the user.
    virtual std::string TimeOfDayText() = 0;
};

// Switches the once-a-second network watch (tmrAlarm) on and off.
class NetworkWatch {
  public:
    virtual ~NetworkWatch() = default;
    virtual void SetAlarmEnabled(bool enabled) = 0;
};

// Everything RunEngine reaches beyond the run state.
struct EnginePorts {
    DownloadControl& Control;
    EventPump& Pump;
    SearchView& View;
    MessageBox& Messages;
    Clock& Time;
    NetworkWatch& Watch;
};

}  // namespace ch
