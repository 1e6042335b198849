#pragma once

#include <string_view>

namespace ch {

// Whether the body is a protection service's challenge (Cloudflare's "Just a moment...",
// DDoS-Guard's check) rather than the page asked for: a client without a browser engine cannot
// pass one. Only the beginning of the body is read, in any letter case.
bool IsChallengePage(std::string_view body);

}  // namespace ch
