#pragma once

#include <cstdio>
#include <string>

namespace ch {

// The texts of the search window's status bar and button that every front end shows alike.
inline constexpr const char* kLinksCaption = "Links";         // panel 2 while no run counts links
inline constexpr const char* kVideosCaption = "Videos";       // panel 3 likewise
inline constexpr const char* kSlotStartText = "0.0%";         // a slot whose download just began
inline constexpr const char* kIdleButtonCaption = "&search";  // the button after a run
// The list files lie beside registry.ini: a search whose keyword cannot be recorded there would
// likely lose its work at the end too, so it does not start.
inline constexpr const char* kSettingsNotSavedText =
    "The settings could not be saved in registry.ini (is the disk full or the program folder "
    "read-only?): the search did not start";

// The status line when a search engine refuses, said once per run: "<engine> refused the
// search: <what it answered>".
inline std::string SearchRefusalText(const std::string& engine, const std::string& why) {
    return engine + " refused the search: " + why;
}
// The end of a run that had nothing to do.
inline std::string SearchRefusedMessage(const std::string& refusal) {
    return refusal + ". The query is kept for the next run; nothing else was pending.";
}
inline std::string NoSiteFoundMessage(const std::string& engine) {
    return engine + " answered the search but named no site, and nothing else was pending.";
}
// The status line once the search step is over and the crawl begins.
inline constexpr const char* kSearchDoneStatus = "All predefined parameters have been processed ";
inline constexpr const char* kNothingNewMessage = "There was nothing new to download.";
inline constexpr const char* kAllDownloadedMessage =
    "Video search engine has downloaded all your favourite videos !";

inline std::string VideosText(int videos) {
    return std::to_string(videos) + (videos == 1 ? " video" : " videos");
}
// What the end of a completed run adds to its message: what it saved and where, what it could
// not save, and what waits for the next run.
inline std::string VideosSavedText(int videos, const std::string& folder) {
    return "Saved " + VideosText(videos) + " in " + folder + ".";
}
inline std::string NoVideoSavedText(int rejected, int failed) {
    if (rejected + failed == 0) return "No video was saved in this run.";
    return "No video was saved in this run: " + std::to_string(rejected) +
           " not of the wanted size or type, " + std::to_string(failed) + " failed.";
}
inline std::string HeldVideosText(int videos) {
    return VideosText(videos) + " of busy hosts " + (videos == 1 ? "waits" : "wait") +
           " for the next run.";
}

inline std::string SlotPercentText(double percent) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f%%", percent);
    return text;
}

inline std::string ThroughputText(int kbps) {
    return std::to_string(kbps) + " Kbps";
}

}  // namespace ch
