#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "child_process.h"
#include "platform/registry/ini_registry.h"
#include "settings/settings_store.h"

namespace ch::testing {

// clipharvester-cli (CH_CLI_PATH) with `arguments`, against the simulated web behind `proxy`;
// the network counts as down while `networkFlag` exists.
inline std::unique_ptr<ChildProcess> StartCli(std::vector<std::string> arguments,
                                              const std::string& proxy,
                                              const std::filesystem::path& networkFlag) {
    return std::make_unique<ChildProcess>(
        CH_CLI_PATH, std::move(arguments),
        std::map<std::string, std::string>{
            {"http_proxy", proxy},
            {"no_proxy", ""},
            {"NO_PROXY", ""},
            {"CLIPHARVESTER_NETWORK_DOWN_FLAG", networkFlag.string()}});
}

// The projects registry.ini in the program folder holds, most recent first.
inline std::vector<std::string> RecordedProjects(const std::filesystem::path& program) {
    IniRegistry registry(IniRegistry::FileIn(program));
    RunState state;
    state.ProgramFolder = program;
    LoadSettings(state, registry);
    return state.Projects;
}

// Settings of `count` projects ("old 1" most recent), downloads in "videos": whether written.
inline bool RecordProjects(const std::filesystem::path& program, int count) {
    IniRegistry registry(IniRegistry::FileIn(program));
    registry.BeginChanges();
    for (int i = 1; i <= count; ++i)
        registry.SetValue(kSettingsKeyPath, ProjectValueName(i), "old " + std::to_string(i));
    registry.SetValue(kSettingsKeyPath, kProjectNumValue, std::to_string(count));
    registry.SetValue(kSettingsKeyPath, kDownloadFolderValue, "videos");
    return registry.EndChanges();
}

}  // namespace ch::testing
