#pragma once

#include <string>

// The string services shared by the page parsers and the download handling: reading a tag's
// attribute or meta content, making a page's link absolute, reducing an address to its site.
// Addresses beginning with "http://" or "https://" are absolute; anything else without a leading
// "/" is relative to the page.
namespace ch {

// The scheme ("http://" or "https://", lower case) of an absolute address, or empty.
std::string AbsoluteScheme(const std::string& address);

// The absolute address of a link found on a page, or empty when the link is refused
// (javascript:, mailto:, ftp:// links and empty links).
std::string ResolveLink(const std::string& pageAddress, const std::string& link);

// The address with "/" after every "/"-separated part.
std::string GetPageBase(const std::string& address);

// The address up to and including its last "/"; empty for an address without "/".
std::string GetUrlFolder(const std::string& address);

// The value of an attribute (given with its "=", found in any letter case) in a tag's text:
// quotes removed, cut at the first blank, "amp;" entities turned into plain ampersands.
std::string GetTagAttribute(const std::string& tagText, const std::string& attribute);

// The content value of a meta tag's lowercased text, without quotes and "/".
std::string GetMetaKeywords(const std::string& loweredTag);
std::string GetMetaDescription(const std::string& loweredTag);

}  // namespace ch
