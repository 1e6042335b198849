#include "bench/peers/web_files.h"

#include <algorithm>
#include <fstream>
#include <numeric>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>

namespace ch::bench {

namespace {

void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    out.close();
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::string HostOf(const std::string& url) {
    const auto start = url.find("://") + 3;
    return url.substr(start, url.find('/', start) - start);
}

std::string DomainOf(const std::string& host) {
    return host.starts_with("www.") ? host.substr(4) : host;
}

std::string ExtensionOf(const std::string& url) {
    return url.substr(url.rfind('.'));
}

std::string Scenario(const SyntheticWeb& web) {
    std::ostringstream out;
    out << "# A synthetic web of " << web.sites.size() << " sites, written by bench_synthetic_web\n"
        << "results * |";
    for (const auto& site : web.sites) out << ' ' << site.host << '/';
    out << '\n';
    for (const auto& page : web.pages) out << "html " << page.url << '\n' << page.html << ".\n";
    for (const auto* files : {&web.videos, &web.others})
        for (const auto& file : *files) out << "video " << file.url << ' ' << file.size << '\n';
    return out.str();
}

std::string SiteList(const SyntheticWeb& web) {
    std::string list;
    for (const auto& site : web.sites) list += "http://" + site.host + "/\n";
    return list;
}

std::string DomainList(const SyntheticWeb& web) {
    std::set<std::string> domains;
    for (const auto& site : web.sites) domains.insert(site.domain);
    for (const auto& video : web.videos) domains.insert(DomainOf(HostOf(video.url)));
    std::string list;
    for (const auto& domain : domains) list += (list.empty() ? "" : ",") + domain;
    return list + "\n";
}

std::string CurlConfig(const std::vector<WebFile>& kept) {
    std::string config;
    int number = 0;
    for (const auto& video : kept)
        config += "url = \"" + video.url + "\"\noutput = \"" + std::to_string(++number) +
                  ExtensionOf(video.url) + "\"\n";
    return config;
}

std::string SortedSizes(const std::vector<WebFile>& kept) {
    std::vector<std::int64_t> sizes;
    for (const auto& video : kept) sizes.push_back(video.size);
    std::sort(sizes.begin(), sizes.end());
    std::string list;
    for (const auto size : sizes) list += std::to_string(size) + "\n";
    return list;
}

std::string Expected(const SyntheticWeb& web, const std::vector<WebFile>& kept) {
    const auto bytes =
        std::accumulate(kept.begin(), kept.end(), std::int64_t{0},
                        [](std::int64_t sum, const WebFile& video) { return sum + video.size; });
    std::ostringstream out;
    out << "sites " << web.sites.size() << "\npages " << web.pages.size() << "\nvideos "
        << web.videos.size() << "\nkept_videos " << kept.size() << "\nkept_bytes " << bytes
        << "\nother_files " << web.others.size() << '\n';
    return out.str();
}

}  // namespace

void WriteWebFiles(const SyntheticWeb& web, const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder);
    const std::vector<WebFile> kept = web.KeptVideos();
    WriteText(folder / "scenario.txt", Scenario(web));
    WriteText(folder / "sites.txt", SiteList(web));
    WriteText(folder / "domains.txt", DomainList(web));
    WriteText(folder / "curl.txt", CurlConfig(kept));
    WriteText(folder / "kept_sizes.txt", SortedSizes(kept));
    WriteText(folder / "expected.txt", Expected(web, kept));
}

}  // namespace ch::bench
