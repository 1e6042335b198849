#include "settings/settings_store.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>
#include <vector>

#include "engine/product.h"
#include "settings/video_settings.h"

namespace ch {
namespace {

// A decimal number with optional blanks around it and an optional sign; nothing else.
std::optional<int> ParseProjectNum(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return std::nullopt;
    text = text.substr(first, text.find_last_not_of(' ') - first + 1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

// Makes sure the folder exists, creating its last level when needed.
bool EnsureFolder(const std::filesystem::path& folder) {
    std::error_code error;
    if (std::filesystem::is_directory(folder, error)) return true;
    std::filesystem::create_directory(folder, error);
    return std::filesystem::is_directory(folder, error);
}

// What a start with nothing stored has.
const RunState& Defaults() {
    static const RunState defaults;
    return defaults;
}

void LoadVideoSettings(RunState& state, Registry& registry) {
    const RunState& defaults = Defaults();
    const auto types = ParseVideoTypes(ReadSetting(registry, kSettingsKeyPath, kVideoTypesValue));
    state.VideoSuffixes = types.value_or(defaults.VideoSuffixes);
    const auto minBytes =
        ParseByteSize(ReadSetting(registry, kSettingsKeyPath, kMinVideoBytesValue));
    const auto maxBytes =
        ParseByteSize(ReadSetting(registry, kSettingsKeyPath, kMaxVideoBytesValue));
    state.MinVideoBytes = minBytes.value_or(defaults.MinVideoBytes);
    state.MaxVideoBytes = maxBytes.value_or(defaults.MaxVideoBytes);
    state.HonourRobots = ReadSetting(registry, kSettingsKeyPath, kHonourRobotsValue) != "0";
    // Half of a window that cannot be is no better than the other half.
    if (!VideoSizeWindowError(state.MinVideoBytes, state.MaxVideoBytes).empty()) {
        state.MinVideoBytes = defaults.MinVideoBytes;
        state.MaxVideoBytes = defaults.MaxVideoBytes;
    }
}

bool WriteVideoSettings(const RunState& state, Registry& registry, bool skipDefaults) {
    const RunState& defaults = Defaults();
    bool written = true;
    if (!skipDefaults || state.VideoSuffixes != defaults.VideoSuffixes)
        written &= WriteSetting(registry, kSettingsKeyPath, kVideoTypesValue,
                                VideoTypesName(state.VideoSuffixes));
    if (!skipDefaults || state.MinVideoBytes != defaults.MinVideoBytes)
        written &= WriteSetting(registry, kSettingsKeyPath, kMinVideoBytesValue,
                                std::to_string(state.MinVideoBytes));
    if (!skipDefaults || state.MaxVideoBytes != defaults.MaxVideoBytes)
        written &= WriteSetting(registry, kSettingsKeyPath, kMaxVideoBytesValue,
                                std::to_string(state.MaxVideoBytes));
    if (!skipDefaults || state.HonourRobots != defaults.HonourRobots)
        written &= WriteSetting(registry, kSettingsKeyPath, kHonourRobotsValue,
                                state.HonourRobots ? "1" : "0");
    return written;
}

}  // namespace

std::string ProjectValueName(int number) {
    return "Project" + std::to_string(number);
}

bool WriteSetting(Registry& registry, const std::string& keyPath, const std::string& valueName,
                  const std::string& text) {
    return registry.SetValue(keyPath, valueName, text);
}

std::string ReadSetting(Registry& registry, const std::string& keyPath,
                        const std::string& valueName) {
    return registry.GetValue(keyPath, valueName).value_or(std::string());
}

void DeleteSettingsKey(Registry& registry, const std::string& keyPath) {
    registry.DeleteKey(keyPath);
}

bool SettingsStored(Registry& registry) {
    return registry.KeyExists(kSettingsKeyPath);
}

SettingsStatus InitialiseSettings(RunState& state, Registry& registry) {
    state.DownloadFolder = (state.ProgramFolder / "videos").string();
    if (!EnsureFolder(state.DownloadFolderPath())) return SettingsStatus::DownloadFolderNotCreated;
    WriteSetting(registry, kSettingsKeyPath, kDownloadFolderValue, state.DownloadFolder);
    WriteSetting(registry, kSettingsKeyPath, kProjectNumValue, "1");
    WriteSetting(registry, kSettingsKeyPath, ProjectValueName(1), kDefaultKeyword);
    state.Projects = {kDefaultKeyword};
    state.ProjectCount = 1;
    return SettingsStatus::Ok;
}

SettingsStatus LoadSettings(RunState& state, Registry& registry) {
    state.DownloadFolder = ReadSetting(registry, kSettingsKeyPath, kDownloadFolderValue);
    if (!EnsureFolder(state.DownloadFolderPath())) return SettingsStatus::DownloadFolderNotCreated;

    // A missing ProjectNum (the key was cut short while being rewritten) is not a corrupt number:
    // the projects that were stored are still read. A stored count never reaches past the stored
    // project values, so a damaged count cannot make the start-up read without end.
    const auto storedCount = registry.GetValue(kSettingsKeyPath, kProjectNumValue);
    std::optional<int> limit;
    if (storedCount) {
        limit = ParseProjectNum(*storedCount);
        if (!limit) return SettingsStatus::ProjectNumNotNumeric;
    }
    state.Projects.clear();
    for (int number = 1; !limit || number <= *limit; ++number) {
        auto project = registry.GetValue(kSettingsKeyPath, ProjectValueName(number));
        if (!project) break;
        state.Projects.push_back(std::move(*project));
    }
    state.ProjectCount = static_cast<int>(state.Projects.size());
    state.SearchEngineChoice = ReadSetting(registry, kSettingsKeyPath, kSearchEngineValue);
    LoadVideoSettings(state, registry);
    return SettingsStatus::Ok;
}

SettingsStatus StartSettings(RunState& state, Registry& registry) {
    return SettingsStored(registry) ? LoadSettings(state, registry)
                                    : InitialiseSettings(state, registry);
}

bool SaveOptionSettings(const RunState& state, Registry& registry) {
    return SaveOptionSettings(state, registry, false);
}

bool SaveOptionSettings(const RunState& state, Registry& registry, bool withDownloadFolder) {
    registry.BeginChanges();
    bool written = true;
    if (withDownloadFolder)
        written &=
            WriteSetting(registry, kSettingsKeyPath, kDownloadFolderValue, state.DownloadFolder);
    if (!state.SearchEngineChoice.empty())
        written &=
            WriteSetting(registry, kSettingsKeyPath, kSearchEngineValue, state.SearchEngineChoice);
    written &= WriteVideoSettings(state, registry, false);
    // EndChanges is due whatever the writes said: it closes the batch.
    return registry.EndChanges() && written;
}

bool SaveResourceSetting(const RunState& state, Registry& registry) {
    return WriteSetting(registry, kSettingsKeyPath, kDownloadFolderValue, state.DownloadFolder);
}

ProjectSave SaveSearchSettings(RunState& state, Registry& registry) {
    const int count = std::clamp(state.ProjectCount, 0, static_cast<int>(state.Projects.size()));
    const auto end = state.Projects.begin() + count;
    if (std::find(state.Projects.begin(), end, state.CurrentKeyword) != end)
        return ProjectSave::AlreadyRecorded;

    const std::vector<std::string> before = state.Projects;
    const int countBefore = state.ProjectCount;
    state.Projects.resize(static_cast<size_t>(count));
    state.Projects.insert(state.Projects.begin(), state.CurrentKeyword);
    state.ProjectCount = count + 1;

    // The whole key in one write: thousands of projects take one commit, and a crash in the
    // middle leaves the old key whole.
    registry.BeginChanges();
    DeleteSettingsKey(registry, kSettingsKeyPath);
    WriteSetting(registry, kSettingsKeyPath, kDownloadFolderValue, state.DownloadFolder);
    if (!state.SearchEngineChoice.empty())
        WriteSetting(registry, kSettingsKeyPath, kSearchEngineValue, state.SearchEngineChoice);
    WriteVideoSettings(state, registry, true);
    for (int i = 0; i < state.ProjectCount; ++i) {
        WriteSetting(registry, kSettingsKeyPath, ProjectValueName(i + 1),
                     state.Projects[static_cast<size_t>(i)]);
    }
    WriteSetting(registry, kSettingsKeyPath, kProjectNumValue, std::to_string(state.ProjectCount));
    if (registry.EndChanges()) return ProjectSave::Recorded;
    state.Projects = before;
    state.ProjectCount = countBefore;
    return ProjectSave::NotWritten;
}

}  // namespace ch
