#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ch {

// The rules of one host's robots.txt (RFC 9309) for this program: the group naming
// "ClipHarvester" if there is one, else the "*" group. The longest matching rule wins, Allow wins
// a tie; "*" matches any run of characters and a final "$" the end of the path.
class RobotsRules {
  public:
    // What a robots.txt of at most 500 KB says; a longer text is read up to there.
    static RobotsRules Parse(std::string_view text);
    // No rules: everything allowed (robots.txt answered 4xx, or robots.txt is not honoured).
    static RobotsRules AllowAll();
    // Nothing allowed (robots.txt answered 5xx or not at all).
    static RobotsRules DisallowAll();

    // pathAndQuery: the address from the first "/" after the host ("/" for none).
    bool Allowed(std::string_view pathAndQuery) const;
    // Crawl-delay of the chosen group, capped at 30 seconds; nothing when it names none.
    std::optional<double> CrawlDelaySeconds() const;

  private:
    struct Rule {
        std::string pattern;
        bool allow = false;
    };
    std::vector<Rule> rules_;
    bool disallowAll_ = false;
    std::optional<double> crawlDelay_;
};

}  // namespace ch
