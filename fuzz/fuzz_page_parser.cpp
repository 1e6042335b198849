// Crawled pages: any bytes, any page address, with and without the keyword filter, stopped at
// any yield.
#include <cstdint>
#include <string>

#include "engine/text.h"
#include "fake_ports.h"
#include "fuzz_input.h"
#include "link_checks.h"
#include "web/page_parser.h"
#include "web/web_context.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    using namespace ch;
    // Fields: flags, keyword, page address, page.
    const auto fields = fuzz::SplitFields(data, size, 4);
    // Option bits: keyword filter, window shown, https page.
    const fuzz::ParserFlags flags = fuzz::ReadParserFlags(fields[0]);
    const unsigned char bits = flags.Bits;

    RunState state;
    state.CurrentKeyword = fields[1];
    state.KeywordFilter = (bits & 1) != 0;
    state.SearchWindowShown = (bits & 2) != 0;
    state.DeniedHosts.Append("http://denied.example");
    testing::FakePump pump;
    testing::RecordingView view;
    if (flags.StopAtYield > 0)
        pump.onEveryYield = [&] { state.StopRequested = pump.yields >= flags.StopAtYield; };
    WebContext web{state, pump, view};

    const std::string scheme = (bits & 4) ? "https://" : "http://";
    ParsePageHtml(web, fields[3], scheme + fields[2]);

    fuzz::CheckLinkList(state.VideoLinks);
    fuzz::CheckLinkList(state.ExpandLinks);
    fuzz::CheckNoDeniedSite(state.VideoLinks, state.DeniedHosts);
    fuzz::CheckNoDeniedSite(state.ExpandLinks, state.DeniedHosts);
    FUZZ_CHECK(state.VideosFound == state.VideoLinkCount());
    FUZZ_CHECK(state.VideosQueued() == state.VideoLinkCount());
    for (const std::string& page : state.ExpandLinks.Items())
        FUZZ_CHECK(!text::Contains(text::ToLower(page), "microsoft"));
    return 0;
}
