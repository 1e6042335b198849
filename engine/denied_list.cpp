#include "engine/denied_list.h"

namespace ch {

ListFileState LoadDeniedList(RunState& state) {
    ListFileRead read = ReadListFile(DeniedListPath(state.ProgramFolder));
    if (read.State != ListFileState::Read) return read.State;
    state.DeniedHosts.Clear();
    for (auto& entry : read.Entries) state.DeniedHosts.Append(std::move(entry));
    return read.State;
}

bool SaveDeniedList(const RunState& state) {
    return WriteListFile(DeniedListPath(state.ProgramFolder), state.DeniedHosts.Items());
}

}  // namespace ch
