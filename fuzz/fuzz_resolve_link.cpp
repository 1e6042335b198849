// A link read from a tag and made absolute against its page.
#include <cstdint>
#include <string>

#include "engine/site_form.h"
#include "engine/text.h"
#include "fuzz_input.h"
#include "link_checks.h"
#include "web/link_services.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    using namespace ch;
    // Fields: page address (after its scheme), tag text.
    const auto fields = fuzz::SplitFields(data, size, 2);
    const std::string& tagText = fields[1];
    const std::string link = GetTagAttribute(tagText, "href=");
    FUZZ_CHECK(link.size() <= tagText.size());
    FUZZ_CHECK(!text::Contains(link, " "));

    for (const char* scheme : {"http://", "https://"}) {
        const std::string page = scheme + fields[0];
        const std::string resolved = ResolveLink(page, link);
        if (resolved.empty()) continue;
        FUZZ_CHECK(fuzz::StartsWithScheme(resolved));
        // An absolute link stays what it was, bar the letter case of its scheme.
        const std::string linkScheme = AbsoluteScheme(link);
        if (!linkScheme.empty() && text::Contains(link.substr(linkScheme.size()), "/"))
            FUZZ_CHECK(resolved == linkScheme + link.substr(linkScheme.size()));
        // A link from the page's own root keeps the page's site.
        std::string pageCopy = page;
        const std::string site = GetHostUrl(pageCopy);
        if (link.starts_with("/") && !link.starts_with("//")) FUZZ_CHECK(resolved == site + link);
        // Making it absolute again changes nothing.
        FUZZ_CHECK(ResolveLink(page, resolved) == resolved);
    }
    return 0;
}
