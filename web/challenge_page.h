#pragma once

#include <string_view>

namespace ch {
bool IsChallengePage(std::string_view body);
}
