#include "shell/startup/start_up.h"

#include <cctype>

#include "engine/denied_list.h"
#include "engine/product.h"
#include "settings/settings_store.h"

namespace ch {

StartUpResult StartUp(RunState& state, Registry& registry) {
    switch (LoadDeniedList(state)) {
        case ListFileState::Read:
            break;
        case ListFileState::Missing:
            return {StartUpFailure::DeniedListMissing};
        case ListFileState::Unreadable:
            return {StartUpFailure::DeniedListUnreadable};
    }
    switch (StartSettings(state, registry)) {
        case SettingsStatus::Ok:
            break;
        case SettingsStatus::ProjectNumNotNumeric:
            return {StartUpFailure::SettingsDamaged};
        case SettingsStatus::DownloadFolderNotCreated:
            return {StartUpFailure::DownloadFolderNotCreated};
    }
    return {};
}

std::string StartUpFailureText(StartUpFailure failure) {
    switch (failure) {
        case StartUpFailure::None:
            return "";
        case StartUpFailure::DeniedListMissing:
            return "the denied list denied.txt is missing from the program folder";
        case StartUpFailure::DeniedListUnreadable:
            return "the denied list denied.txt cannot be read";
        case StartUpFailure::SettingsDamaged:
            return "the stored settings are damaged";
        case StartUpFailure::DownloadFolderNotCreated:
            return "the download folder cannot be created";
    }
    return "";
}

void ShowSevereError(MessageBox& messages, const std::string& reason) {
    std::string text = kSevereErrorText;
    if (!reason.empty()) {
        std::string sentence = reason;
        sentence[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(sentence[0])));
        text += "\n\n" + sentence + ".";
    }
    messages.Show(text, kProductTitle, MessageIcon::Exclamation);
}

}  // namespace ch
