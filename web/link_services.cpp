#include "web/link_services.h"

#include "engine/site_form.h"
#include "engine/text.h"

namespace ch {

using text::Contains;
using text::StartsWithNoCase;
using text::ToLower;

namespace {

// Joins the "/"-separated parts of an address, each followed by "/"; the last part is left out
// when dropLast is set.
std::string JoinParts(const std::string& address, bool dropLast) {
    if (address.empty()) return {};
    const size_t end = dropLast ? address.rfind('/') : address.size();
    if (end == std::string::npos) return {};
    return address.substr(0, end) + "/";
}

// An absolute http or https link: the scheme in lower case, "/" added after a bare host.
std::string AbsoluteLink(const std::string& link) {
    const std::string scheme = AbsoluteScheme(link);
    std::string rest = link.substr(scheme.size());
    if (!Contains(rest, "/")) rest += "/";
    return scheme + rest;
}

}  // namespace

std::string AbsoluteScheme(const std::string& address) {
    if (StartsWithNoCase(address, "http://")) return "http://";
    if (StartsWithNoCase(address, "https://")) return "https://";
    return {};
}

std::string ResolveLink(const std::string& pageAddress, const std::string& link) {
    std::string page = pageAddress;
    std::string relative = link;
    bool upward = false;
    while (relative.starts_with("../")) {
        relative.erase(0, 3);
        upward = true;
    }
    if (relative.starts_with("//")) {
        const std::string pageScheme =
            AbsoluteScheme(page) == "https://" ? std::string("https:") : std::string("http:");
        return AbsoluteLink(pageScheme + relative);
    }
    if (relative.starts_with("/")) return GetHostUrl(page) + relative;
    if (StartsWithNoCase(relative, "javascript:")) return {};
    if (relative.starts_with("#")) return GetPageBase(page) + relative;
    if (StartsWithNoCase(relative, "mailto:")) return {};
    if (!AbsoluteScheme(relative).empty()) return AbsoluteLink(relative);
    if (StartsWithNoCase(relative, "ftp://")) return {};
    if (relative.empty()) return {};

    const std::string host = GetHostUrl(page);
    if (upward) return host + "/" + relative;
    if (page == host) return page + "/" + relative;
    const size_t hosted = ToLower(page).find("/hosted/");
    if (hosted != std::string::npos) return page.substr(0, hosted + 8) + relative;
    return GetUrlFolder(page) + relative;
}

std::string GetPageBase(const std::string& address) {
    return JoinParts(address, false);
}

std::string GetUrlFolder(const std::string& address) {
    return JoinParts(address, true);
}

std::string GetTagAttribute(const std::string& tagText, const std::string& attribute) {
    const size_t at = ToLower(tagText).find(ToLower(attribute));
    if (at == std::string::npos) return {};
    std::string value = tagText.substr(at + attribute.size());
    for (const char quote : {'"', '\''}) {
        if (!value.empty() && value.front() == quote) {
            const size_t closing = value.find(quote, 1);
            value = value.substr(1, closing == std::string::npos ? std::string::npos : closing - 1);
        }
    }
    value = value.substr(0, value.find(' '));
    value = value.substr(0, value.find("\r\n"));
    return text::TrimSpaces(text::ReplaceAll(value, "amp;", ""));
}

std::string GetMetaKeywords(const std::string& loweredTag) {
    const size_t at = loweredTag.find("content=");
    if (at == std::string::npos) return {};
    const size_t from = at + 8 + 1;  // skips the opening quote
    std::string value = from < loweredTag.size() ? loweredTag.substr(from) : std::string();
    std::erase_if(value, [](char c) { return c == '"' || c == '\'' || c == '/'; });
    return text::TrimSpaces(value);
}

std::string GetMetaDescription(const std::string& loweredTag) {
    return GetMetaKeywords(loweredTag);
}

}  // namespace ch
