#pragma once

#include <set>
#include <string>

#include "engine/indexed_list.h"
#include "engine/site_form.h"
#include "engine/text.h"
#include "fuzz_input.h"

// Properties every link list keeps, whatever page it was filled from.
namespace ch::fuzz {

inline bool StartsWithScheme(const std::string& address) {
    return text::StartsWithNoCase(address, "http://") ||
           text::StartsWithNoCase(address, "https://");
}

// No entry twice, none empty, each found by the list's index, each absolute.
template <typename List>
void CheckLinkList(const List& list) {
    std::set<std::string> seen;
    for (const std::string& entry : list.Items()) {
        FUZZ_CHECK(!entry.empty());
        FUZZ_CHECK(seen.insert(entry).second);
        FUZZ_CHECK(list.Contains(entry));
        FUZZ_CHECK(StartsWithScheme(entry));
    }
}

// No entry lies on a denied site.
template <typename List>
void CheckNoDeniedSite(const List& list, const IndexedList& denied) {
    for (std::string entry : list.Items()) FUZZ_CHECK(!denied.Contains(GetHostUrl(entry)));
}

}  // namespace ch::fuzz
