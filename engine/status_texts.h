#pragma once

#include <cstdio>
#include <string>

namespace ch {

// The texts of the search window's status bar and button that every front end shows alike.
inline constexpr const char* kLinksCaption = "Links";         // panel 2 while no run counts links
inline constexpr const char* kVideosCaption = "Videos";       // panel 3 likewise
inline constexpr const char* kSlotStartText = "0.0%";         // a slot whose download just began
inline constexpr const char* kIdleButtonCaption = "&search";  // the button after a run

inline std::string SlotPercentText(double percent) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f%%", percent);
    return text;
}

inline std::string ThroughputText(int kbps) {
    return std::to_string(kbps) + " Kbps";
}

}  // namespace ch
