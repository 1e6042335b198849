#include "web/link_lists.h"

#include <algorithm>

#include "engine/site_form.h"
#include "engine/text.h"

namespace ch {

namespace {

// Position of the first "http://" or "https://" after the start of the address, or npos.
size_t NextEmbeddedAddress(const std::string& address) {
    const size_t plain = address.find("http://", 1);
    const size_t secure = address.find("https://", 1);
    return std::min(plain, secure);
}

// A link past the site's limit is dropped; the first one is said once.
void LeaveOut(WebContext& web) {
    if (web.State.SiteLinksLeftOut++ == 0)
        web.Report.Status("This site offers more than " + std::to_string(kMaxLinksPerSite) +
                          " links: the rest are left out");
}

bool IsDroppedLink(const std::string& address) {
    return address.empty() || text::StartsWithNoCase(address, "ftp://");
}

}  // namespace

std::string CutAtEmbeddedAddress(const std::string& address) {
    std::string cut = address;
    for (size_t at = NextEmbeddedAddress(cut); at != std::string::npos;
         at = NextEmbeddedAddress(cut))
        cut.erase(0, at);
    return cut;
}

std::string CutAtFirstEmbeddedAddress(const std::string& address) {
    const size_t at = NextEmbeddedAddress(address);
    return at == std::string::npos ? address : address.substr(at);
}

void AddVideoLink(WebContext& web, std::string address) {
    web.Pump.Yield();
    address = CutAtEmbeddedAddress(address);
    if (IsDroppedLink(address)) return;
    const std::string host = GetHostUrl(address);
    RunState& state = web.State;
    if (state.DeniedHosts.Contains(host)) return;
    if (state.SiteVideoLinks >= kMaxLinksPerSite) return LeaveOut(web);
    if (state.VideoLinks.Add(address)) {
        ++state.VideosFound;
        ++state.SiteVideoLinks;
    }
    web.Report.VideoCount(state.VideosQueued());
}

void AddExpandLink(WebContext& web, std::string address) {
    web.Pump.Yield();
    if (IsDroppedLink(address)) return;
    if (text::Contains(text::ToLower(address), "microsoft")) return;
    const std::string host = GetHostUrl(address);
    RunState& state = web.State;
    if (state.DeniedHosts.Contains(host)) return;
    if (state.ExpandLinkCount() >= kMaxLinksPerSite) return LeaveOut(web);
    if (!state.ExpandLinks.Contains(address)) state.ExpandLinks.Append(address);
}

}  // namespace ch
