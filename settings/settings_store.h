#pragma once

#include <string>

#include "engine/run_state.h"
#include "settings/registry.h"

namespace ch {

inline constexpr const char* kSettingsKeyPath = "Software\\ClipHarvester 2.0\\ResSetting";
inline constexpr const char* kDownloadFolderValue = "Download_File_Folder";
inline constexpr const char* kProjectNumValue = "ProjectNum";
// The web search back end; absent means the default, Google.
inline constexpr const char* kSearchEngineValue = "Search_Engine";
// The video settings: "modern" or "classic", and the size window in bytes (maximum 0: no
// ceiling). Absent or damaged values read as the defaults of RunState.
inline constexpr const char* kVideoTypesValue = "Video_Types";
inline constexpr const char* kMinVideoBytesValue = "Min_Video_Bytes";
inline constexpr const char* kMaxVideoBytesValue = "Max_Video_Bytes";
// Whether robots.txt is honoured: "0" no; anything else, or absent, yes.
inline constexpr const char* kHonourRobotsValue = "Honour_Robots";

// "Project" followed by the 1-based position: Project1 is the most recent project.
std::string ProjectValueName(int number);

// The three registry operations. Only a write reports whether it reached the disk; a missing key
// or value reads as empty and deletes as nothing.
bool WriteSetting(Registry& registry, const std::string& keyPath, const std::string& valueName,
                  const std::string& text);
// The stored text whole, or the empty text when the key or the value is missing.
std::string ReadSetting(Registry& registry, const std::string& keyPath,
                        const std::string& valueName);
void DeleteSettingsKey(Registry& registry, const std::string& keyPath);

enum class SettingsStatus {
    Ok,
    ProjectNumNotNumeric,
    DownloadFolderNotCreated,
};

// "No settings yet" means that the settings key is absent.
bool SettingsStored(Registry& registry);

// First start: the download folder "videos" beside the program and the one project "funny".
SettingsStatus InitialiseSettings(RunState& state, Registry& registry);
// Later starts: fills DownloadFolder, Projects, ProjectCount, SearchEngineChoice and the video
// settings from the registry. A damaged video setting, or a size window whose minimum is above
// its maximum, gives way to the defaults rather than stopping the start-up.
SettingsStatus LoadSettings(RunState& state, Registry& registry);
// Start-up: InitialiseSettings when nothing is stored yet, LoadSettings otherwise.
SettingsStatus StartSettings(RunState& state, Registry& registry);

// Stores the settings of the Options dialog in one commit: SearchEngineChoice (unless empty),
// VideoSuffixes, MinVideoBytes, MaxVideoBytes and HonourRobots; false when the settings could not
// be written.
bool SaveOptionSettings(const RunState& state, Registry& registry);
// The same, with DownloadFolder in the same commit when withDownloadFolder: all or none.
bool SaveOptionSettings(const RunState& state, Registry& registry, bool withDownloadFolder);
// Stores DownloadFolder and nothing else; false when the settings could not be written.
bool SaveResourceSetting(const RunState& state, Registry& registry);

enum class ProjectSave {
    AlreadyRecorded,
    Recorded,   // the keyword selector reloads its list
    NotWritten  // the settings file is unchanged, and so are Projects and ProjectCount
};
// Records CurrentKeyword as the most recent project unless it is one already (exact, case
// sensitive), then rewrites the whole settings key with ProjectNum last. The search engine and
// the video settings are kept when they are not the defaults.
ProjectSave SaveSearchSettings(RunState& state, Registry& registry);

}  // namespace ch
