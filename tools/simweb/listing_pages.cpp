#include "tools/simweb/listing_pages.h"

namespace ch::simweb {

namespace {

// The size column as autoindex rounds it: "40M", "512K", "900".
std::string ShortSize(std::int64_t size) {
    if (size >= 1 << 20) return std::to_string(size >> 20) + "M";
    if (size >= 1 << 10) return std::to_string(size >> 10) + "K";
    return std::to_string(size);
}

std::string ListingHtml(const std::string& folderPath, const std::string& prefix,
                        std::int64_t count, std::int64_t size, const std::string& suffix) {
    std::string html =
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2 Final//EN\">\n<html>\n <head>\n  "
        "<title>Index "
        "of " +
        folderPath + "</title>\n </head>\n <body>\n<h1>Index of " + folderPath +
        "</h1>\n  <table>\n   <tr><th valign=\"top\"><img src=\"/icons/blank.gif\" "
        "alt=\"[ICO]\"></th><th><a href=\"?C=N;O=D\">Name</a></th><th><a href=\"?C=M;O=A\">Last "
        "modified</a></th><th><a href=\"?C=S;O=A\">Size</a></th><th><a "
        "href=\"?C=D;O=A\">Description</a></th></tr>\n   <tr><th colspan=\"5\"><hr></th></tr>\n"
        "<tr><td valign=\"top\"><img src=\"/icons/back.gif\" alt=\"[PARENTDIR]\"></td><td><a "
        "href=\"../\">Parent Directory</a></td><td>&nbsp;</td><td align=\"right\">  - "
        "</td><td>&nbsp;</td></tr>\n";
    for (std::int64_t n = 1; n <= count; ++n) {
        const std::string name = prefix + std::to_string(n) + suffix;
        html +=
            "<tr><td valign=\"top\"><img src=\"/icons/movie.gif\" alt=\"[VID]\"></td><td><a "
            "href=\"" +
            name + "\">" + name +
            "</a></td><td align=\"right\">2024-03-09 21:14  </td><td align=\"right\">" +
            ShortSize(size) + "</td><td>&nbsp;</td></tr>\n";
    }
    html += "   <tr><th colspan=\"5\"><hr></th></tr>\n</table>\n</body></html>\n";
    return html;
}

}  // namespace

void SetListing(Scenario& scenario, const std::string& folderUrl, const std::string& prefix,
                std::int64_t count, std::int64_t size, const std::string& suffix) {
    std::string folder = folderUrl;
    if (!folder.ends_with('/')) folder += '/';
    const auto scheme = folder.find("://");
    const auto path = folder.find('/', scheme == std::string::npos ? 0 : scheme + 3);
    const std::string html = ListingHtml(folder.substr(path), prefix, count, size, suffix);
    scenario.Set(folder, Page(html));
    scenario.Set(folder + "?*", Page(html));
    for (std::int64_t n = 1; n <= count; ++n)
        scenario.Set(folder + prefix + std::to_string(n) + suffix, Video(size));
}

}  // namespace ch::simweb
