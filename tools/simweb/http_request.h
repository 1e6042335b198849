#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ch::simweb {

struct RequestHead {
    std::string method;
    // Absolute: taken from a proxy-form request line, or built from Host; for CONNECT the
    // "host:port" asked for.
    std::string url;
    std::string range;    // the Range header, or empty
    std::string ifRange;  // the If-Range header, or empty
    std::string userAgent;
};

// Reads a request head (request line and header lines, without the closing blank line). Answers
// nothing for a head that is not HTTP/1.x or names no host.
std::optional<RequestHead> ParseRequestHead(std::string_view head);

}  // namespace ch::simweb
