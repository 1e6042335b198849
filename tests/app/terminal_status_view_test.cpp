#include "ui/terminal/terminal_status_view.h"

#include <gtest/gtest.h>

#include <sstream>
#include <utility>

#include "ui/terminal/status_block.h"

namespace ch {
namespace {

TEST(StatusBlock, PercentsNamesAndNoLineWiderThanTheTerminal) {
    for (const auto& [panel, percent] :
         {std::pair{"12.34%", 12.34}, {"250%", 100.0}, {"-3%", 0.0}, {"nan%", 0.0}, {"junk", 0.0}})
        EXPECT_DOUBLE_EQ(SlotPercent(panel), percent) << panel;
    EXPECT_EQ(ShortVideoName("http://site001.test/get.php?f=a/b.avi"), "get.php");
    EXPECT_EQ(ShortVideoName("http://site001.test/clips/"), "clips");
    StatusSnapshot snapshot;
    snapshot.Status = std::string(300, 's');
    snapshot.Slots[2] = "42.00%";
    snapshot.Names[2] = "http://site.test/" + std::string(300, 'n') + ".avi";
    for (int width : {10, 79})
        for (const auto& line : RenderStatusBlock(snapshot, width))
            EXPECT_LE(line.size(), std::max<size_t>(20, width));
    EXPECT_NE(RenderStatusBlock(snapshot, 400)[4].find("[########------------]  42.00% nnn"),
              std::string::npos);
}

class TerminalStatusViewTest : public ::testing::Test {
  protected:
    // A download starts in a slot, or ends there when the address is empty.
    void Download(TerminalStatusView& view, int slot, const std::string& address) {
        state.SlotNames[static_cast<size_t>(slot)] = address.empty() ? "" : "V" + address;
        view.SetPanelText(slot + 4, address.empty() ? "" : "0.0%");
    }
    RunState state;
    std::ostringstream out;
};

TEST_F(TerminalStatusViewTest, PlainOutputHasOneLinePerEvent) {
    TerminalStatusView view(state, out, false, [] { return 80; });
    view.SetPanelText(1, "Parsing ...");
    view.SetPanelText(1, "Parsing ...");  // the same text again is not news
    view.SetPanelText(2, "7");
    view.SetPanelText(3, "3");
    Download(view, 1, "http://s.test/v/a.avi");
    view.SetPanelText(5, "100.00%");
    Download(view, 1, "");
    Download(view, 0, "http://s.test/b.avi");
    view.SetPanelText(4, "30.00%");
    Download(view, 0, "http://s.test/c.avi");  // a new download takes the slot over
    view.SetPanelText(9, "1200 Kbps");
    view.Show("You have pressed stop button !", "ClipHarvester 2.0", MessageIcon::Exclamation);
    view.SetPanelText(2, "Links");  // the end of a run puts the captions back
    view.SetPanelText(3, "Videos");
    view.Finish();
    EXPECT_EQ(out.str(),
              "Parsing ...\n"
              "Download 2 started: http://s.test/v/a.avi\n"
              "Download 2 ended at 100.00%: http://s.test/v/a.avi\n"
              "Download 1 started: http://s.test/b.avi\n"
              "Download 1 ended at 30.00%: http://s.test/b.avi\n"
              "Download 1 started: http://s.test/c.avi\n"
              "ClipHarvester 2.0: You have pressed stop button !\n"
              "Links 7  Videos 3  1200 Kbps\n");
}

TEST_F(TerminalStatusViewTest, TerminalOutputRedrawsInPlaceOnlyWhenChanged) {
    TerminalStatusView view(state, out, true, [] { return 60; });
    // What each step draws, the stream emptied before it.
    const auto drawn = [this] { return std::exchange(out, std::ostringstream()).str(); };
    view.SetPanelText(1, "Parsing ...");
    view.Refresh();
    const std::string first = drawn();
    EXPECT_EQ(first.find("\x1b["), std::string::npos) << "nothing to erase yet";
    EXPECT_EQ(std::count(first.begin(), first.end(), '\n'), 2 + kSlotCount);
    view.Refresh();
    EXPECT_EQ(drawn(), "") << "unchanged panels are not drawn again";
    Download(view, 4, "http://s.test/e.avi");
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
