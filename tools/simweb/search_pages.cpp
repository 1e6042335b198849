#include "tools/simweb/search_pages.h"

#include <array>
#include <cctype>
#include <utility>

namespace ch::simweb {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "+" stands for a blank; %XX escapes are decoded, broken ones kept as they are.
std::string DecodeQueryValue(std::string_view value) {
    std::string decoded;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '+') {
            decoded += ' ';
        } else if (value[i] == '%' && i + 2 < value.size() && HexValue(value[i + 1]) >= 0 &&
                   HexValue(value[i + 2]) >= 0) {
            decoded += static_cast<char>(HexValue(value[i + 1]) * 16 + HexValue(value[i + 2]));
            i += 2;
        } else {
            decoded += value[i];
        }
    }
    return decoded;
}

std::string UrlEncoded(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '-' || c == '.' || c == '_' || c == '~') {
            encoded += c;
        } else {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 15];
        }
    }
    return encoded;
}

std::string HtmlEscaped(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            case '\'':
                escaped += "&#x27;";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

std::string JsonString(std::string_view text) {
    std::string json = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            json += ' ';
        } else {
            json += c;
        }
    }
    return json + "\"";
}

// "http://www.site.test/videos/" as the engines print it: "www.site.test/videos/".
std::string PrintedAddress(std::string_view url) {
    const auto scheme = url.find("://");
    return std::string(scheme == std::string_view::npos ? url : url.substr(scheme + 3));
}

std::string HostOf(std::string_view url) {
    const std::string printed = PrintedAddress(url);
    return printed.substr(0, printed.find_first_of("/?"));
}

std::string Title(std::string_view url) {
    return "Free videos at " + HostOf(url);
}

Response HtmlAnswer(int status, std::string html) {
    Response response = Page(std::move(html));
    response.status = status;
    return response;
}

std::string GoogleHtml(const std::string& query, const std::vector<std::string>& results) {
    std::string html = "<!doctype html><html lang=\"en\"><head><meta charset=\"UTF-8\"><title>" +
                       HtmlEscaped(query) +
                       " - Google Search</title></head><body><div id=\"main\">"
                       "<div id=\"result-stats\">About " +
                       std::to_string(results.size()) + " results</div>\n";
    if (results.empty())
        html += "<div class=\"card-section\"><p>Your search - <b>" + HtmlEscaped(query) +
                "</b> - did not match any documents.</p></div>\n";
    for (const auto& url : results) {
        const std::string printed = PrintedAddress(url);
        const auto slash = printed.find('/');
        const std::string crumbs =
            slash == std::string::npos
                ? printed
                : printed.substr(0, slash) + " &#8250; " + HtmlEscaped(printed.substr(slash + 1));
        html += "<div class=\"Gx5Zad xpd\"><div class=\"egMi0 kCrYT\"><a href=\"/url?q=" +
                UrlEncoded(url) +
                "&amp;sa=U&amp;ved=2ahUKEwi&amp;usg=AOvVaw0\"><h3 class=\"zBAuLc\"><div>" +
                HtmlEscaped(Title(url)) + "</div></h3><div class=\"sCuL3\">" + crumbs +
                "</div></a></div></div>\n";
    }
    return html + "</div></body></html>\n";
}

std::string GoogleGateHtml() {
    const std::string retry = "/httpservice/retry/enablejs?sei=x4mWaZ6pKePS7_UP3fKz0Qo";
    return "<!DOCTYPE html><html lang=\"en\"><head><title>Google Search</title><style>body{"
           "background-color:#fff}</style></head><body><noscript><style>table,div,span,p{display:"
           "none}</style><meta http-equiv=\"refresh\" content=\"0;url=" +
           retry + "\"><div style=\"display:block\">Please click <a href=\"" + retry +
           "\">here</a> if you are not redirected within a few seconds.</div></noscript><script "
           "nonce=\"Zk3x\">(function(){var sei='x4mWaZ6pKePS7_UP3fKz0Qo';})();</script></body>"
           "</html>\n";
}

std::string DdgLiteHtml(const std::string& query, const std::vector<std::string>& results) {
    std::string html =
        "<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\" "
        "\"http://www.w3.org/TR/html4/loose.dtd\">\n<html>\n<head>\n"
        "  <meta http-equiv=\"content-type\" content=\"text/html; charset=UTF-8\">\n"
        "  <title>" +
        HtmlEscaped(query) +
        " at DuckDuckGo</title>\n</head>\n<body>\n"
        "  <form action=\"/lite/\" method=\"post\">\n"
        "    <input class=\"query\" type=\"text\" size=\"40\" name=\"q\" value=\"" +
        HtmlEscaped(query) +
        "\">\n    <input class=\"submit\" type=\"submit\" value=\"Search\">\n  </form>\n"
        "  <table border=\"0\">\n";
    int number = 0;
    for (const auto& url : results) {
        ++number;
        const std::string href =
            number % 2 == 1 ? HtmlEscaped(url)
                            : "//duckduckgo.com/l/?uddg=" + UrlEncoded(url) +
                                  "&amp;rut=6f2c51e0b5d6d8a4b1c0e3f7a9d2c4b6e8f0a1c3d5e7f9b2a4c6";
        html += "          <tr>\n            <td valign=\"top\">" + std::to_string(number) +
                ".&nbsp;</td>\n            <td>\n              <a rel=\"nofollow\" href=\"" + href +
                "\" class='result-link'>" + HtmlEscaped(Title(url)) +
                "</a>\n            </td>\n          </tr>\n"
                "          <tr>\n            <td>&nbsp;&nbsp;&nbsp;</td>\n"
                "            <td class='result-snippet'>\n              Watch <b>" +
                HtmlEscaped(query) +
                "</b> clips and films.\n            </td>\n          </tr>\n"
                "          <tr>\n            <td>&nbsp;&nbsp;&nbsp;</td>\n            <td>\n"
                "              <span class='link-text'>" +
                HtmlEscaped(PrintedAddress(url)) +
                "</span>\n            </td>\n          </tr>\n"
                "          <tr>\n            <td>&nbsp;</td>\n            <td>&nbsp;</td>\n"
                "          </tr>\n";
    }
    html += "  </table>\n";
    if (!results.empty())
        html +=
            "  <form action=\"/lite/\" method=\"post\">\n"
            "    <input type=\"submit\" class='navbutton' value=\"Next Page &gt;\">\n"
            "    <input type=\"hidden\" name=\"q\" value=\"" +
            HtmlEscaped(query) + "\">\n    <input type=\"hidden\" name=\"s\" value=\"" +
            std::to_string(number) + "\">\n    <input type=\"hidden\" name=\"dc\" value=\"" +
            std::to_string(number + 1) +
            "\">\n    <input type=\"hidden\" name=\"vqd\" value=\"4-1234567890123456789\">\n"
            "  </form>\n";
    return html + "</body>\n</html>\n";
}

std::string DdgAnomalyHtml() {
    return "<!DOCTYPE html><html lang=\"en-US\"><head><meta charset=\"utf-8\"><title>"
           "DuckDuckGo</title><script src=\"//duckduckgo.com/anomaly.js?sv=lite&amp;cc=botnet\">"
           "</script></head><body><div class=\"anomaly-modal__modal\" data-testid=\"anomaly-"
           "modal\"><div class=\"anomaly-modal__title\">Unfortunately, bots use DuckDuckGo too."
           "</div><div class=\"anomaly-modal__description\">Please complete the following "
           "challenge to confirm this search was made by a human.</div><form id=\"challenge-form\" "
           "action=\"//duckduckgo.com/anomaly.js?sv=lite&amp;cc=botnet\" method=\"POST\">"
           "<input type=\"hidden\" name=\"challenge\" value=\"c2VsZWN0\"></form></div></body>"
           "</html>\n";
}

std::string SearxJson(const std::string& query, const std::vector<std::string>& results) {
    std::string json = "{\"query\": " + JsonString(query) +
                       ", \"number_of_results\": " + std::to_string(results.size()) +
                       ", \"results\": [";
    for (std::size_t i = 0; i < results.size(); ++i) {
        const std::string& url = results[i];
        json += std::string(i == 0 ? "" : ", ") + "{\"url\": " + JsonString(url) +
                ", \"title\": " + JsonString(Title(url)) + ", \"content\": " +
                JsonString("Watch " + query + " clips at " + HostOf(url) + ".") +
                ", \"engine\": \"duckduckgo\", \"engines\": [\"duckduckgo\", \"brave\"], "
                "\"positions\": [" +
                std::to_string(i + 1) + "], \"score\": 1.5, \"category\": \"general\"}";
    }
    return json +
           "], \"answers\": [], \"corrections\": [], \"infoboxes\": [], \"suggestions\": [], "
           "\"unresponsive_engines\": [[\"google\", \"CAPTCHA\"]]}\n";
}

}  // namespace

bool SearchPageKindNamed(std::string_view name, SearchPageKind& kind) {
    static constexpr std::array<std::pair<std::string_view, SearchPageKind>, 6> kNames = {{
        {"google", SearchPageKind::Google},
        {"google-gate", SearchPageKind::GoogleGate},
        {"google-sorry", SearchPageKind::GoogleSorry},
        {"ddg-lite", SearchPageKind::DdgLite},
        {"ddg-anomaly", SearchPageKind::DdgAnomaly},
        {"searx", SearchPageKind::Searx},
    }};
    for (const auto& [known, value] : kNames) {
        if (known != name) continue;
        kind = value;
        return true;
    }
    return false;
}

Response SearchAnswer(const SearchPage& page, std::string_view url) {
    const std::string query = QueryParameter(url, "q");
    Response response;
    switch (page.kind) {
        case SearchPageKind::Google:
            response = HtmlAnswer(200, GoogleHtml(query, page.results));
            break;
        case SearchPageKind::GoogleGate:
            response = HtmlAnswer(200, GoogleGateHtml());
            break;
        case SearchPageKind::GoogleSorry:
            response = Redirect("https://www.google.com/sorry/index?continue=" +
                                    UrlEncoded("https://" + PrintedAddress(url)) +
                                    "&q=EgQKAAABGJ2Z1sEGIjD",
                                302);
            break;
        case SearchPageKind::DdgLite:
            response = HtmlAnswer(200, DdgLiteHtml(query, page.results));
            break;
        case SearchPageKind::DdgAnomaly:
            response = HtmlAnswer(202, DdgAnomalyHtml());
            break;
        case SearchPageKind::Searx:
            response = HtmlAnswer(200, SearxJson(query, page.results));
            response.contentType = "application/json";
            break;
    }
    if (page.status != 0) response.status = page.status;
    return response;
}

std::string QueryParameter(std::string_view url, std::string_view key) {
    const auto question = url.find('?');
    if (question == std::string_view::npos) return {};
    std::string_view query = url.substr(question + 1);
    while (!query.empty()) {
        const auto amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        const auto equals = pair.find('=');
        if (pair.substr(0, equals) == key)
            return equals == std::string_view::npos ? ""
                                                    : DecodeQueryValue(pair.substr(equals + 1));
        if (amp == std::string_view::npos) break;
        query.remove_prefix(amp + 1);
    }
    return {};
}

}  // namespace ch::simweb
