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
// Later starts: fills DownloadFolder, Projects, ProjectCount and SearchEngineChoice from the
// registry.
SettingsStatus LoadSettings(RunState& state, Registry& registry);
// Start-up: InitialiseSettings when nothing is stored yet, LoadSettings otherwise.
SettingsStatus StartSettings(RunState& state, Registry& registry);

// Stores SearchEngineChoice and nothing else; false when the settings could not be written.
bool SaveSearchEngineSetting(const RunState& state, Registry& registry);
// Stores DownloadFolder and nothing else; false when the settings could not be written.
bool SaveResourceSetting(const RunState& state, Registry& registry);

enum class ProjectSave {
    AlreadyRecorded,
    Recorded,   // the keyword selector reloads its list
    NotWritten  // the settings file is unchanged, and so are Projects and ProjectCount
};
// Records CurrentKeyword as the most recent project unless it is one already (exact, case
// sensitive), then rewrites the whole settings key with ProjectNum last.
ProjectSave SaveSearchSettings(RunState& state, Registry& registry);

}  // namespace ch
