#include "tools/simweb/scenario_text.h"

#include <charconv>
#include <sstream>
#include <vector>

#include "tools/simweb/listing_pages.h"
#include "tools/simweb/search_pages.h"

namespace ch::simweb {

namespace {

std::vector<std::string> Words(const std::string& line) {
    std::istringstream stream(line);
    std::vector<std::string> words;
    for (std::string word; stream >> word;) words.push_back(word);
    return words;
}

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

class LineReader {
  public:
    explicit LineReader(std::istream& in) : in_(in) {}
    bool Next(std::string& line) {
        if (!std::getline(in_, line)) return false;
        ++number_;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return true;
    }
    [[noreturn]] void Fail(const std::string& what) const {
        throw ScenarioError("line " + std::to_string(number_) + ": " + what);
    }
    std::int64_t Number(const std::string& text, std::int64_t min, std::int64_t max) const {
        std::int64_t value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc() || end != text.data() + text.size() || value < min || value > max)
            Fail("not a number from " + std::to_string(min) + " to " + std::to_string(max) + ": " +
                 text);
        return value;
    }

  private:
    std::istream& in_;
    int number_ = 0;
};

constexpr std::int64_t kMaxSize = std::int64_t{1} << 40;

void ParseVideo(const std::vector<std::string>& words, Scenario& scenario,
                const LineReader& reader) {
    if (words.size() < 3) reader.Fail("video needs an address and a size");
    Response& video = scenario.Set(words[1], Video(reader.Number(words[2], 0, kMaxSize)));
    for (std::size_t i = 3; i < words.size(); ++i) {
        const std::string& option = words[i];
        if (option == "nolength")
            video.announceLength = false;
        else if (option.starts_with("announce="))
            video.announcedLength = reader.Number(option.substr(9), 0, kMaxSize);
        else if (option.starts_with("stall="))
            video.stallAfter = reader.Number(option.substr(6), 0, kMaxSize);
        else if (option.starts_with("reset="))
            video.resetAfter = reader.Number(option.substr(6), 0, kMaxSize);
        else if (option.starts_with("headers="))
            video.headerBytes = reader.Number(option.substr(8), 0, kMaxSize);
        else if (option == "chunked")
            video.chunked = true;
        else if (option == "etag=changing")
            video.etagPerRequest = true;
        else if (option.starts_with("etag="))
            video.etag = "\"" + option.substr(5) + "\"";
        else if (option == "nodate")
            video.lastModified.clear();
        else if (option == "ranges=ignore")
            video.ranges = Response::Ranges::Ignore;
        else if (option == "ranges=refuse")
            video.ranges = Response::Ranges::Refuse;
        else if (option == "ranges=shift")
            video.ranges = Response::Ranges::Shift;
        else
            reader.Fail("unknown video option: " + option);
    }
}

void ParseResults(const std::string& line, Scenario& scenario, const LineReader& reader) {
    const auto bar = line.find('|');
    if (bar == std::string::npos) reader.Fail("results needs \"|\" before the addresses");
    const std::string query = Trim(line.substr(7, bar - 7));  // after "results"
    if (query.empty()) reader.Fail("results needs a query");
    scenario.SetResults(query, Words(line.substr(bar + 1)));
}

// search KIND URL [status=CODE] [| RESULT ...]
void ParseSearch(const std::string& line, Scenario& scenario, const LineReader& reader) {
    const auto bar = line.find('|');
    const std::vector<std::string> words = Words(line.substr(0, bar));
    SearchPage page;
    if (words.size() < 3 || words.size() > 4) reader.Fail("search needs KIND URL [status=CODE]");
    if (!SearchPageKindNamed(words[1], page.kind)) reader.Fail("unknown search page: " + words[1]);
    if (words.size() == 4) {
        if (!words[3].starts_with("status=")) reader.Fail("unknown search option: " + words[3]);
        page.status = static_cast<int>(reader.Number(words[3].substr(7), 100, 599));
    }
    if (bar != std::string::npos) page.results = Words(line.substr(bar + 1));
    scenario.SetSearchPage(words[2], std::move(page));
}

// "retry-after=N" (seconds) or "retry-after=date+N" (an HTTP date N seconds ahead): true when
// the word is one, which is then set on the response (when given).
bool RetryAfterOption(const std::string& word, Response* response, const LineReader& reader) {
    constexpr std::string_view kName = "retry-after=";
    if (!word.starts_with(kName)) return false;
    std::string value = word.substr(kName.size());
    const bool date = value.starts_with("date+");
    if (date) value.erase(0, 5);
    const std::int64_t seconds = reader.Number(value, 0, 86'400);
    if (response) {
        response->retryAfter = seconds;
        response->retryAfterDate = date;
    }
    return true;
}

std::string ReadHtmlBlock(LineReader& reader) {
    std::string html;
    for (std::string line; reader.Next(line);) {
        if (line == ".") return html;
        html += line + "\n";
    }
    reader.Fail("html block without its closing \".\"");
}

}  // namespace

Scenario ParseScenario(std::istream& in) {
    Scenario scenario;
    LineReader reader(in);
    for (std::string line; reader.Next(line);) {
        const std::vector<std::string> words = Words(line);
        if (words.empty() || words[0].starts_with("#")) continue;
        const std::string& kind = words[0];
        if (kind == "results") {
            ParseResults(Trim(line), scenario, reader);
            continue;
        }
        if (kind == "search") {
            ParseSearch(line, scenario, reader);
            continue;
        }
        if (words.size() < 2) reader.Fail(kind + " needs an address");
        const std::string& url = words[1];
        if (kind == "page") {
            scenario.SetLinkPage(url, {words.begin() + 2, words.end()});
        } else if (kind == "hosts") {
            if (words.size() < 4) reader.Fail("hosts needs URL FIRST COUNT");
            scenario.SetGeneratedLinkPage(url, reader.Number(words[2], 0, 9'999'999),
                                          reader.Number(words[3], 0, 10'000'000),
                                          {words.begin() + 4, words.end()});
        } else if (kind == "html") {
            const bool retry = words.size() == 4 && RetryAfterOption(words[3], nullptr, reader);
            if (words.size() > (retry ? 4u : 3u))
                reader.Fail("html needs URL [CODE [retry-after=...]]");
            const int code =
                words.size() >= 3 ? static_cast<int>(reader.Number(words[2], 100, 599)) : 200;
            Response& page = scenario.Set(url, Page(ReadHtmlBlock(reader)));
            page.status = code;
            if (retry) RetryAfterOption(words[3], &page, reader);
        } else if (kind == "video") {
            ParseVideo(words, scenario, reader);
        } else if (kind == "listing") {
            if (words.size() < 5 || words.size() > 6)
                reader.Fail("listing needs URL PREFIX COUNT SIZE [SUFFIX]");
            SetListing(scenario, url, words[2], reader.Number(words[3], 0, 100'000),
                       reader.Number(words[4], 0, kMaxSize), words.size() == 6 ? words[5] : ".mkv");
        } else if (kind == "soft404") {
            if (words.size() > 3 || (words.size() == 3 && words[2] != "octet"))
                reader.Fail("soft404 needs URL [octet]");
            scenario.Set(url, SoftNotFound(words.size() == 3));
        } else if (kind == "redirect") {
            if (words.size() < 3 || words.size() > 4)
                reader.Fail("redirect needs URL TARGET [CODE]");
            const int code =
                words.size() == 4 ? static_cast<int>(reader.Number(words[3], 300, 399)) : 302;
            scenario.Set(url, Redirect(words[2], code));
        } else if (kind == "status") {
            const bool retry = words.size() == 4 && RetryAfterOption(words[3], nullptr, reader);
            if (words.size() != (retry ? 4u : 3u))
                reader.Fail("status needs URL CODE [retry-after=...]");
            Response& answer =
                scenario.Set(url, Status(static_cast<int>(reader.Number(words[2], 100, 599))));
            if (retry) RetryAfterOption(words[3], &answer, reader);
        } else if (kind == "stall") {
            if (words.size() != 2) reader.Fail("stall takes only an address");
            scenario.Set(url, Page("<html></html>\n")).stallAfter = 0;
        } else if (kind == "silent") {
            if (words.size() != 2) reader.Fail("silent takes only an address");
            scenario.Set(url, Page({})).silent = true;
        } else if (kind == "bomb") {
            if (words.size() != 3) reader.Fail("bomb needs URL SIZE");
            scenario.Set(url, GzipBomb(reader.Number(words[2], 0, kMaxSize)));
        } else {
            reader.Fail("unknown entry: " + kind);
        }
    }
    return scenario;
}

}  // namespace ch::simweb
