#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <functional>
#include <string>
#include <vector>

#include "platform/net/qt_event_pump.h"
#include "web/download_service.h"

namespace ch::testing {

// One notification as the listener saw it; completions carry the kind Complete.
struct ReadEvent {
    enum class Kind { Progress, Complete };
    Kind kind;
    std::string name;
    int status;
    std::string text;
    std::int64_t done;
    std::int64_t total;
    ReadBody body;
};

// Records every notification; a hook may act on one while it is delivered (as the control does
// when it cancels a video outside the size window).
class ReadRecorder : public ReadListener {
  public:
    std::vector<ReadEvent> events;
    std::function<void(const ReadEvent&)> onEvent;

    void ReadProgress(const std::string& name, int status, const std::string& text,
                      std::int64_t done, std::int64_t total) override {
        Add({ReadEvent::Kind::Progress, name, status, text, done, total, {}});
        // The name must outlive a cancel made by the hook: the control goes on using it.
        EXPECT_EQ(name, events.back().name);
    }
    void ReadComplete(const std::string& name, int status, const ReadBody& body) override {
        Add({ReadEvent::Kind::Complete, name, status, {}, body.Size, body.Size, body});
    }

    std::vector<ReadEvent> Of(const std::string& name) const {
        std::vector<ReadEvent> of;
        for (const auto& e : events)
            if (e.name == name) of.push_back(e);
        return of;
    }
    // The final notifications of a read: completions and Error progress.
    int Finals(const std::string& name) const {
        int finals = 0;
        for (const auto& e : Of(name))
            finals += e.kind == ReadEvent::Kind::Complete || e.status == ReadStatus::Error;
        return finals;
    }
    bool Ended(const std::string& name) const { return Finals(name) > 0; }
    // The status codes of a read in order, runs of DownloadingData counted once, a completion
    // written as 100 + its status.
    std::vector<int> Sequence(const std::string& name) const {
        std::vector<int> sequence;
        for (const auto& e : Of(name)) {
            const int code = e.kind == ReadEvent::Kind::Complete ? 100 + e.status : e.status;
            if (code == ReadStatus::DownloadingData && !sequence.empty() && sequence.back() == code)
                continue;
            sequence.push_back(code);
        }
        return sequence;
    }

  private:
    void Add(ReadEvent event) {
        events.push_back(event);
        if (onEvent) onEvent(events.back());
    }
};

// Runs the event loop until the condition holds; false when it still does not after the limit,
// which only guards against a hang.
inline bool RunUntil(const std::function<bool()>& condition, int limitMs = 20000) {
    QtEventPump pump;
    QDeadlineTimer deadline(limitMs);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        pump.WaitForEvent();
    }
    return true;
}

}  // namespace ch::testing
