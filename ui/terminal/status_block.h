#pragma once

#include <array>
#include <string>
#include <vector>

#include "engine/download_slots.h"

namespace ch {

// What the terminal shows of the search window's status bar: the status line, the link and video
// counts, the videos saved, one bar per download slot and the throughput.
struct StatusSnapshot {
    struct Slot {
        std::string Text;  // as panels 4 to 8 show it ("12.34%"); empty when idle
        double Percent = 0;
        std::string Address;
    };
    std::string Status;
    int Links = 0;
    int Videos = 0;
    int Saved = 0;  // videos saved in this run
    std::array<Slot, kSlotCount> Slots;
    std::string Throughput = "0 Kbps";
};

// "[#####-----]" with `width` cells between the brackets.
std::string ProgressBar(double percent, int width);

// The last path part of a video address, which is what tells the downloads apart.
std::string ShortVideoName(const std::string& address);

// The lines of the status block, none longer than `width` characters.
std::vector<std::string> RenderStatusBlock(const StatusSnapshot& snapshot, int width);

// Cuts a line to at most `width` characters, marking the cut with "...".
std::string FitToWidth(const std::string& line, int width);

}  // namespace ch
