#pragma once

#include <array>
#include <string>
#include <vector>

#include "engine/run_state.h"

namespace ch {

// What the terminal shows of the search window's status bar: the status line, the link and video
// counts, one bar per download slot and the throughput.
struct StatusSnapshot {
    std::string Status;                         // panel 1
    std::string Links = "0";                    // last number of panel 2
    std::string Videos = "0";                   // last number of panel 3
    std::array<std::string, kSlotCount> Slots;  // panels 4 to 8: "12.34%" or empty
    std::array<std::string, kSlotCount> Names;  // address of each slot's download
    std::string Throughput = "0 Kbps";          // panel 9
};

// The percentage a slot panel shows ("12.34%" gives 12.34), clamped to 0..100; 0 when unreadable.
double SlotPercent(const std::string& panelText);

// "[#####-----]" with `width` cells between the brackets.
std::string ProgressBar(double percent, int width);

// The last path part of a video address, which is what tells the downloads apart.
std::string ShortVideoName(const std::string& address);

// The lines of the status block, none longer than `width` characters.
std::vector<std::string> RenderStatusBlock(const StatusSnapshot& snapshot, int width);

// Cuts a line to at most `width` characters, marking the cut with "...".
std::string FitToWidth(const std::string& line, int width);

}  // namespace ch
