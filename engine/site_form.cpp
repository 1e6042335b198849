#include "engine/site_form.h"

#include "engine/text.h"

namespace ch {

std::string GetHostUrl(std::string& address) {
    std::string scheme = "https://";
    if (!text::StartsWithNoCase(address, scheme)) {
        scheme = "http://";
        if (!text::StartsWithNoCase(address, scheme)) address.insert(0, scheme);
    }
    const size_t hostEnd = address.find('/', scheme.size());
    return scheme + address.substr(scheme.size(), hostEnd == std::string::npos
                                                      ? std::string::npos
                                                      : hostEnd - scheme.size());
}

bool IsDeniedSite(std::string& address, const IndexedList& deniedHosts) {
    return deniedHosts.Contains(GetHostUrl(address));
}

}  // namespace ch
