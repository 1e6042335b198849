#include "engine/site_form.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace ch {
namespace {

bool StartsWithIgnoringCase(const std::string& text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char p, char t) {
               return p == std::tolower(static_cast<unsigned char>(t));
           });
}

}  // namespace

std::string NormaliseSite(std::string& address) {
    std::string_view scheme = "https://";
    if (!StartsWithIgnoringCase(address, scheme)) {
        scheme = "http://";
        if (!StartsWithIgnoringCase(address, scheme)) address.insert(0, scheme);
    }
    const size_t hostEnd = address.find('/', scheme.size());
    return std::string(scheme) + address.substr(scheme.size(), hostEnd == std::string::npos
                                                                   ? std::string::npos
                                                                   : hostEnd - scheme.size());
}

bool IsDeniedSite(std::string& address, const IndexedList& deniedHosts) {
    return deniedHosts.Contains(NormaliseSite(address));
}

}  // namespace ch
