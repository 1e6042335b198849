#include "web/challenge_page.h"

#include <array>
#include <cstddef>
#include <string>

#include "engine/text.h"

namespace ch {

namespace {

// Challenges put their marks in the head; a long page is not read to its end for them.
constexpr std::size_t kReadBytes = 64 * 1024;

constexpr std::array<std::string_view, 5> kMarks{
    "cf-chl", "cf_chl_opt", "<title>just a moment...</title>", "ddos-guard", "check.ddos-guard.net",
};

// Cloudflare also serves its bot-detection script ("/cdn-cgi/challenge-platform/.../jsd/...") on
// ordinary pages; only its other challenge-platform addresses mark a challenge.
bool NamesChallengePlatform(const std::string& lowered) {
    constexpr std::string_view kPlatform = "challenge-platform";
    for (std::size_t at = lowered.find(kPlatform); at != std::string::npos;
         at = lowered.find(kPlatform, at + 1)) {
        const std::size_t end = lowered.find_first_of("\"' <>", at);
        const std::string_view rest = std::string_view(lowered).substr(at, end - at);
        if (rest.find("/jsd/") == std::string_view::npos) return true;
    }
    return false;
}

}  // namespace

bool IsChallengePage(std::string_view body) {
    const std::string lowered = text::ToLower(body.substr(0, kReadBytes));
    for (const std::string_view mark : kMarks)
        if (lowered.find(mark) != std::string::npos) return true;
    return NamesChallengePlatform(lowered);
}

}  // namespace ch
