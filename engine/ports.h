#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "engine/fetch.h"

namespace ch {

// The engine's view of the download control. A page fetch is counted in RunState::Pages from
// its start until it ends, exactly once; a video fetch is made after the engine has put it into
// a download slot, and the control frees the slot when it ends. (The written operations take the
// address and a download name, "SaveFile", that tags the purpose; here the fetch carries both.)
class DownloadControl {
  public:
    virtual ~DownloadControl() = default;
    virtual void BeginHtmlDownload(const Fetch& page) = 0;
    virtual void BeginResDownload(const Fetch& video) = 0;
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

// How a video left the run for good: saved (Detail: the file, Bytes: its size), rejected as no
// video of the wanted kind, or failed (Detail: why).
struct VideoEnd {
    enum class Outcome { Saved, Rejected, Failed };
    Outcome Result = Outcome::Saved;
    std::string Address;
    std::string Detail;
    std::int64_t Bytes = 0;
};

// What a run shows in the search window's status bar (panels 1 to 9) and on its Search/Stop
// button. Each front end formats the figures for itself.
class SearchView {
  public:
    virtual ~SearchView() = default;
    virtual void ShowStatus(const std::string& text) = 0;
    virtual void ShowLinkCount(int links) = 0;
    virtual void ShowVideoCount(int videos) = 0;
    // A download began in the slot (0 to 4), at 0%.
    virtual void ShowSlotStarted(int slot, const std::string& address) = 0;
    virtual void ShowSlotProgress(int slot, double percent, const std::string& address) = 0;
    virtual void ShowSlotFreed(int slot) = 0;
    virtual void ShowThroughput(int kbps) = 0;
    // The run has ended: the status line, the window back to its idle look.
    virtual void ShowRunEnded(const std::string& statusLine) = 0;
    virtual void SetButtonEnabled(bool enabled) = 0;
    // Front ends that list each video's end override this; the status bar has no room for it.
    virtual void ShowVideoEnded(const VideoEnd&) {}
};

enum class MessageIcon { Exclamation, None };

// A modal message with a single OK button; returns when the user has closed it.
class MessageBox {
  public:
    virtual ~MessageBox() = default;
    virtual void Show(const std::string& text, const std::string& title, MessageIcon icon) = 0;
    // A message about videos saved in a folder: front ends that can offer to open it.
    virtual void ShowSaved(const std::string& text, const std::string& title,
                           const std::filesystem::path& /*folder*/) {
        Show(text, title, MessageIcon::Exclamation);
    }
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
