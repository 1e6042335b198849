#include "ui/terminal/terminal_status_view.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <utility>

#include "engine/status_texts.h"
#include "ui/terminal/run_report.h"

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

// Each level's plain output of the same run: the verbose one has the transport chatter too.
TEST(TerminalStatusView, PlainOutputHasTheLinesOfItsLevel) {
    const std::string videoLines =
        "saved    300.0 kB  /v/funny/a.avi  (http://s.test/v/a.avi)\n"
        "rejected http://s.test/b.avi : too small\n"
        "failed   http://s.test/c.avi : HTTP status 404\n";
    const std::pair<OutputLevel, std::string> rows[] = {
        {OutputLevel::Quiet, "Done: summary\n"},
        {OutputLevel::Normal, "Search: google answered with 2 new sites\n" + videoLines +
                                  "ClipHarvester 2.0: all saved\nDone: summary\n"},
        {OutputLevel::Verbose,
         "Parsing ?]2;evil?...\n"
         "All predefined parameters have been processed \n"
         "Search: google answered with 2 new sites\n"
         "Download 2 started: http://s.test/v/a.avi\n"
         "Download 2 ended at 100.00%: http://s.test/v/a.avi\n" +
             videoLines +
             "Download 1 started: http://s.test/d.avi\n"
             "Download 1 ended at 30.00%: http://s.test/d.avi\n"
             "Download 1 started: http://s.test/e.avi\n"
             "ClipHarvester 2.0: all saved\n"
             "Done.\n"
             "Download 1 ended at 0.0%: http://s.test/e.avi\n"
             "Done: summary\n"}};
    for (const auto& [level, expected] : rows) {
        std::ostringstream out, err;
        TerminalStatusView view(out, err, false, level, [] { return 80; });
        view.OnSearchDone([] { return "Search: google answered with 2 new sites"; });
        view.ShowStatus(
            "Parsing \x1b]2;evil\a...");  // control bytes from the web are not passed on
        view.ShowStatus("Parsing \x1b]2;evil\a...");  // the same text again is not news
        view.ShowStatus(kSearchDoneStatus);
        view.ShowLinkCount(7);
        view.ShowSlotStarted(1, "http://s.test/v/a.avi");
        view.ShowSlotProgress(1, 100, "http://s.test/v/a.avi");
        view.ShowSlotFreed(1);
        view.ShowVideoEnded(
            {VideoEnd::Outcome::Saved, "http://s.test/v/a.avi", "/v/funny/a.avi", 300'000});
        view.ShowVideoEnded({VideoEnd::Outcome::Rejected, "http://s.test/b.avi", "too small"});
        view.ShowVideoEnded({VideoEnd::Outcome::Failed, "http://s.test/c.avi", "HTTP status 404"});
        view.ShowSlotStarted(0, "http://s.test/d.avi");
        view.ShowSlotProgress(0, 30, "http://s.test/d.avi");
        view.ShowSlotStarted(0, "http://s.test/e.avi");  // a new download takes the slot over
        view.ShowThroughput(1200);
        view.Notice("ClipHarvester 2.0: all saved");
        view.Warn("clipharvester-cli: stopping");
        view.ShowRunEnded("Done.");
        view.Finish("Done: summary");
        EXPECT_EQ(out.str(), expected) << static_cast<int>(level);
        EXPECT_EQ(err.str(), "clipharvester-cli: stopping\n");
        EXPECT_EQ(view.Snapshot().Saved, 1);
    }
}

TEST(RunReport, SizesAndTimesRoundAtTheUnitBoundaries) {
    for (const auto& [bytes, text] : {std::pair<std::int64_t, const char*>{999, "999 B"},
                                      {1000, "1.0 kB"},
                                      {999'949, "999.9 kB"},
                                      {999'950, "1.0 MB"},
                                      {41'249'999, "41.2 MB"},
                                      {999'950'000'000'000, "1000.0 TB"}})
        EXPECT_EQ(ByteSizeText(bytes), text);
    for (const auto& [seconds, text] : {std::pair{59.94, "59.9 s"},
                                        {59.95, "1 min 00 s"},
                                        {3599.4, "59 min 59 s"},
                                        {3599.5, "1 h 00 min"}})
        EXPECT_EQ(DurationText(seconds), text);
}

TEST(TerminalStatusView, TerminalOutputRedrawsInPlaceOnlyWhenChanged) {
    std::ostringstream out;
    std::ostringstream err;
    TerminalStatusView view(out, err, true, OutputLevel::Normal, [] { return 60; });
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
    view.ShowVideoEnded({VideoEnd::Outcome::Saved, "http://s.test/e.avi", "/v/e.avi", 2000});
    // The line goes above the block, which is drawn again below it with the count.
    const std::string third = drawn();
    EXPECT_EQ(third.rfind("\x1b[7A\r\x1b[Jsaved    2.0 kB  /v/e.avi  (http://s.test/e.avi)\n", 0),
              0u);
    EXPECT_NE(third.find("Saved 1"), std::string::npos);
    view.ShowThroughput(900);
    view.Finish("Done: saved 1 video");
    EXPECT_EQ(drawn(), "\x1b[7A\r\x1b[JParsing ?[2J...\nDone: saved 1 video\n")
        << "the summary, not the last throughput sample";
}

}  // namespace
}  // namespace ch
