#include "web/results_page_parser.h"

#include <utility>

#include "engine/site_form.h"
#include "engine/text.h"
#include "web/link_lists.h"
#include "web/search_engines/results_text.h"

namespace ch {

using text::Contains;

bool ParseGoogleListHtml(WebContext& web, const std::string& html) {
    web.Report.Status("Parsing ...");
    return results::ReadTableBlockSites(
        html, [&web] { return !web.State.StopRequested; },
        [&web](std::string site, bool betweenTables) {
            if (betweenTables) web.Report.Status("Get new link ...");
            AddSiteLink(web, std::move(site));
        });
}

void AddSiteLink(WebContext& web, std::string address) {
    const std::string host = GetHostUrl(address);
    RunState& state = web.State;
    if (state.DeniedHosts.Contains(host)) return;
    if (Contains(address, "///")) return;
    address = CutAtFirstEmbeddedAddress(address);
    web.Pump.Yield();
    if (state.SiteLinkCount() < 1) {
        state.SiteLinks.Append(address);
        web.Report.Status(address);
        return;
    }
    if (!state.SiteLinks.Contains(address)) state.SiteLinks.Append(address);
}

}  // namespace ch
