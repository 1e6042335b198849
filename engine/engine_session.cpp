#include "engine/engine_session.h"

namespace ch {

void EngineSession::EndPass(bool startedWork) {
    if (startedWork)
        Ports.Pump.Yield();
    else
        Ports.Pump.WaitForEvent();
}

void EngineSession::WaitForPages(FetchKind kind, double startedAt) {
    while (State.Pages.Pending(kind) > 0) {
        if (State.StopRequested || Now() - startedAt > kPageTimeoutSeconds) {
            Ports.Control.CancelHtmlDownload();
            return;
        }
        Ports.Pump.WaitForEvent();
    }
}

std::filesystem::path EngineSession::ListPath(std::string_view suffix) const {
    return KeywordListPath(State.ProgramFolder, State.CurrentKeyword, suffix);
}

ListFileRead EngineSession::ReadList(std::string_view suffix) const {
    const auto path = ListPath(suffix);
    ListFileRead read = ReadListFile(path);
    if (read.State == ListFileState::Unreadable)
        throw RunFailure("cannot read list file " + path.string());
    return read;
}

void EngineSession::WriteList(std::string_view suffix, const std::vector<std::string>& entries,
                              int firstNumber) const {
    const auto path = ListPath(suffix);
    if (!WriteListFile(path, entries, firstNumber))
        throw RunFailure("cannot write list file " + path.string());
}

void EngineSession::AppendList(std::string_view suffix, const std::vector<std::string>& entries,
                               int firstNumber) const {
    const auto path = ListPath(suffix);
    if (!AppendListFile(path, entries, firstNumber))
        throw RunFailure("cannot write list file " + path.string());
}

}  // namespace ch
