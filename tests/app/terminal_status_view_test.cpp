#include "ui/terminal/terminal_status_view.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <utility>

namespace ch {
namespace {

TEST(StatusBlock, NoLineIsWiderThanTheTerminal) {
    StatusSnapshot snapshot;
    snapshot.Status = std::string(300, 's');
    snapshot.Slots[2] = {"42.00%", 42, "http://site.test/" + std::string(300, 'n') + ".avi"};
    for (int width : {10, 79})
        for (const auto& line : RenderStatusBlock(snapshot, width))
            EXPECT_LE(line.size(), std::max<size_t>(20, width));
    EXPECT_NE(RenderStatusBlock(snapshot, 400)[4].find("[########------------]  42.00% nnn"),
              std::string::npos);
}

TEST(TerminalStatusView, PlainOutputHasOneLinePerStatusDownloadStartAndEnd) {
    std::ostringstream out;
    TerminalStatusView view(out, false, [] { return 80; });
    view.ShowStatus("Parsing \x1b]2;evil\a...");  // control bytes from the web are not passed on
    view.ShowStatus("Parsing \x1b]2;evil\a...");  // the same text again is not news
    view.ShowLinkCount(7);
    view.ShowVideoCount(3);
    view.ShowSlotStarted(1, "http://s.test/v/a.avi");
    view.ShowSlotProgress(1, 100, "http://s.test/v/a.avi");
    view.ShowSlotFreed(1);
    view.ShowSlotStarted(0, "http://s.test/b.avi");
    view.ShowSlotProgress(0, 30, "http://s.test/b.avi");
    view.ShowSlotStarted(0, "http://s.test/c.avi");  // a new download takes the slot over
    view.ShowThroughput(1200);
    view.Show("You have pressed stop button !", "ClipHarvester 2.0", MessageIcon::Exclamation);
    view.ShowRunEnded("Done.");
    view.Finish();
    EXPECT_EQ(out.str(),
              "Parsing ?]2;evil?...\n"
              "Download 2 started: http://s.test/v/a.avi\n"
              "Download 2 ended at 100.00%: http://s.test/v/a.avi\n"
              "Download 1 started: http://s.test/b.avi\n"
              "Download 1 ended at 30.00%: http://s.test/b.avi\n"
              "Download 1 started: http://s.test/c.avi\n"
              "ClipHarvester 2.0: You have pressed stop button !\n"
              "Done.\n"
              "Download 1 ended at 0.0%: http://s.test/c.avi\n"
              "Links 7  Videos 3  1200 Kbps\n");
}

TEST(TerminalStatusView, TerminalOutputRedrawsInPlaceOnlyWhenChanged) {
    std::ostringstream out;
    TerminalStatusView view(out, true, [] { return 60; });
    // What each step draws, the stream emptied before it.
    const auto drawn = [&out] { return std::exchange(out, std::ostringstream()).str(); };
    view.ShowStatus("Parsing \x1b[2J...");
    view.Refresh();
    const std::string first = drawn();
    EXPECT_EQ(first.find("\x1b["), std::string::npos) << "nothing to erase yet";
    EXPECT_EQ(std::count(first.begin(), first.end(), '\n'), 2 + kSlotCount);
    view.Refresh();
    EXPECT_EQ(drawn(), "") << "unchanged panels are not drawn again";
    view.ShowSlotStarted(4, "http://s.test/e.avi");
    view.Refresh();
    const std::string second = drawn();
    EXPECT_EQ(second.rfind("\x1b[7A\r\x1b[J", 0), 0u) << "back over the seven lines drawn";
    EXPECT_NE(second.find("5 [--------------------]    0.0% e.avi"), std::string::npos);
    EXPECT_EQ(second.find("started"), std::string::npos) << "no plain lines on a terminal";
    view.Show("You are not on the internet !", "ClipHarvester 2.0", MessageIcon::Exclamation);
    // The message goes above the block, which is drawn again below it.
    EXPECT_EQ(drawn().rfind("\x1b[7A\r\x1b[JClipHarvester 2.0: You are not on the internet !\n", 0),
              0u);
}

}  // namespace
}  // namespace ch
