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
    if (state.VideoLinks.Add(address)) ++state.VideosFound;
    web.Report.VideoCount(state.VideosQueued());
}

void AddExpandLink(WebContext& web, std::string address) {
    web.Pump.Yield();
    if (IsDroppedLink(address)) return;
    if (text::Contains(text::ToLower(address), "microsoft")) return;
    const std::string host = GetHostUrl(address);
    RunState& state = web.State;
    if (state.DeniedHosts.Contains(host)) return;
    if (!state.ExpandLinks.Contains(address)) state.ExpandLinks.Append(address);
}

}  // namespace ch
