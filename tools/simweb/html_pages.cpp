#include "tools/simweb/html_pages.h"

#include <cstdio>

namespace ch::simweb {

std::string ResultsPageHtml(const std::string& query,
                            const std::vector<std::string>& addressTexts) {
    std::string html = "<html><head><title>" + query +
                       " - Google Search</title></head>\n<body bgcolor=#ffffff>\n"
                       "<table border=0 width=100%><tr><td><b>Web</b></td><td align=right>";
    if (addressTexts.empty())
        html += "No more results for <b>" + query + "</b>";
    else
        html += "Results <b>1</b> - <b>" + std::to_string(addressTexts.size()) + "</b> for <b>" +
                query + "</b>";
    html += "</td></tr></table>\n";
    for (const auto& address : addressTexts) {
        html +=
            "<table border=0 cellpadding=0 cellspacing=0><tr><td class=j>"
            "<a href=\"http://" +
            address +
            "\">Video index</a><br><font size=-1>Files and clips<br>"
            "<font color=#008000>" +
            address +
            " - 12k - </font><nobr><a class=fl href=\"/search?q=cache\">Cached</a></nobr>"
            "</font></td></tr></table>\n";
    }
    html += "</body></html>\n";
    return html;
}

std::string LinkPageHtml(const std::string& url, const std::vector<std::string>& links) {
    std::string html = "<html><head><title>Index of " + url +
                       "</title></head>\n<body><h1>Index of " + url + "</h1>\n<ul>\n";
    for (const auto& link : links) html += "<li><a href=\"" + link + "\">" + link + "</a></li>\n";
    html += "</ul></body></html>\n";
    return html;
}

std::string GeneratedLinkPageHtml(const std::string& url, std::int64_t first, std::int64_t count,
                                  const std::vector<std::string>& links) {
    std::string html = "<html><head><title>Index of " + url + "</title></head>\n<body>\n";
    char anchor[64];
    for (std::int64_t number = first; number < first + count; ++number) {
        std::snprintf(anchor, sizeof anchor, "<a href=\"http://h%07lld.test/v.avi\">v</a>\n",
                      static_cast<long long>(number));
        html += anchor;
    }
    for (const auto& link : links) html += "<a href=\"" + link + "\">" + link + "</a>\n";
    html += "</body></html>\n";
    return html;
}

}  // namespace ch::simweb
