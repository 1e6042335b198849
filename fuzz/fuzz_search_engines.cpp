// Results pages of every search back end: any failure text, redirect and body.
#include <cstdint>
#include <string>

#include "engine/text.h"
#include "fuzz_input.h"
#include "web/search_engines/search_engines.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    using namespace ch;
    // Fields: failure, redirect target, page number (first byte), body.
    const auto fields = fuzz::SplitFields(data, size, 4);
    const ResultsAnswer answer{fields[0], fields[1], fields[3]};
    const int page = fields[2].empty() ? 0 : static_cast<unsigned char>(fields[2][0]) % 12;
    const GoogleSearch google;
    const DuckDuckGoLite lite;
    const SearxngSearch searx("http://searx.test");
    for (const SearchEngine* engine :
         {static_cast<const SearchEngine*>(&google), static_cast<const SearchEngine*>(&lite),
          static_cast<const SearchEngine*>(&searx)}) {
        const ResultsRead read = engine->Read(answer, "funny videos", page);
        FUZZ_CHECK(read.Verdict != ResultsVerdict::Refused || !read.Why.empty());
        FUZZ_CHECK(read.Verdict == ResultsVerdict::Results || read.Sites.empty());
        FUZZ_CHECK(read.NextPage.empty() || text::StartsWithNoCase(read.NextPage, "http"));
        // A site is one word that the crawl can fetch.
        for (const std::string& site : read.Sites) {
            FUZZ_CHECK(text::StartsWithNoCase(site, "http://") ||
                       text::StartsWithNoCase(site, "https://"));
            FUZZ_CHECK(site.find_first_of(" \t\r\n") == std::string::npos);
        }
    }
    return 0;
}
