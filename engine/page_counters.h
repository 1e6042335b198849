#pragma once

#include <string>

#include "engine/run_state.h"

namespace ch {

// The in-flight counter that a page fetch's download name belongs to: "L" seed pages, "G" results
// pages, "R" site pages, "E" expand pages; nullptr for any other name.
inline int* PageCounterOf(RunState& state, const std::string& name) {
    if (name.empty()) return nullptr;
    switch (name.front()) {
        case 'L':
            return &state.ListFetchesPending;
        case 'G':
            return &state.ResultPagesPending;
        case 'R':
            return &state.SitePagesPending;
        case 'E':
            return &state.ExpandPagesPending;
        default:
            return nullptr;
    }
}

}  // namespace ch
