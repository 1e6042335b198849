#include "tools/simweb/http_request.h"

#include <algorithm>
#include <cctype>

namespace ch::simweb {

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

std::string_view NextLine(std::string_view& text) {
    const auto end = text.find("\r\n");
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 2);
    return line;
}

std::string Header(std::string_view headers, std::string_view name) {
    while (!headers.empty()) {
        std::string_view line = NextLine(headers);
        if (!StartsWithNoCase(line, name) || line.size() <= name.size() || line[name.size()] != ':')
            continue;
        line.remove_prefix(name.size() + 1);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
        return std::string(line);
    }
    return {};
}

}  // namespace

std::optional<RequestHead> ParseRequestHead(std::string_view head) {
    const std::string_view line = NextLine(head);
    const auto firstBlank = line.find(' ');
    const auto lastBlank = line.rfind(' ');
    if (firstBlank == std::string_view::npos || firstBlank == lastBlank) return std::nullopt;
    if (!line.substr(lastBlank + 1).starts_with("HTTP/1.")) return std::nullopt;
    RequestHead request;
    request.method = std::string(line.substr(0, firstBlank));
    const std::string_view target = line.substr(firstBlank + 1, lastBlank - firstBlank - 1);
    if (request.method == "CONNECT") {
        if (target.empty() || target.find('/') != std::string_view::npos) return std::nullopt;
        request.url = std::string(target);
    } else if (StartsWithNoCase(target, "http://")) {
        request.url = std::string(target);
    } else if (target.starts_with("/")) {
        const std::string host = Header(head, "host");
        if (host.empty()) return std::nullopt;
        request.url = "http://" + host + std::string(target);
    } else {
        return std::nullopt;
    }
    request.range = Header(head, "range");
    request.ifRange = Header(head, "if-range");
    request.userAgent = Header(head, "user-agent");
    return request;
}

}  // namespace ch::simweb
