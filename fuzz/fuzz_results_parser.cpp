// Results pages: any bytes, a denied site, stopped at any yield.
#include <cstdint>
#include <string>

#include "engine/text.h"
#include "fake_ports.h"
#include "fuzz_input.h"
#include "link_checks.h"
#include "web/results_page_parser.h"
#include "web/web_context.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    using namespace ch;
    // Fields: flags (window shown in the first byte, the yield to stop at in the second),
    // denied site, page.
    const auto fields = fuzz::SplitFields(data, size, 3);
    const fuzz::ParserFlags flags = fuzz::ReadParserFlags(fields[0]);
    const unsigned char bits = flags.Bits;

    RunState state;
    state.SearchWindowShown = (bits & 1) != 0;
    if (!fields[1].empty()) state.DeniedHosts.Append(fields[1]);
    testing::FakePump pump;
    testing::RecordingView view;
    if (flags.StopAtYield > 0)
        pump.onEveryYield = [&] { state.StopRequested = pump.yields >= flags.StopAtYield; };
    WebContext web{state, pump, view};

    ParseGoogleListHtml(web, fields[2]);

    fuzz::CheckLinkList(state.SiteLinks);
    for (const std::string& site : state.SiteLinks.Items()) {
        FUZZ_CHECK(!text::Contains(site, "///"));
        FUZZ_CHECK(!text::Contains(site, " "));
    }
    return 0;
}
