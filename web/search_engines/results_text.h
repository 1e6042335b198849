#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The text rules the results page readers share: words, entities, wrapped result links, and the
// site address form the crawl takes.
#include "engine/search_engine.h"

namespace ch::results {

// The text with its HTML entities read: &amp; &lt; &gt; &quot; &apos; &nbsp; &#NN; &#xNN; (the
// last three as UTF-8). Unknown or unfinished entities stay as written.
std::string DecodeEntities(std::string_view text);

// The words of a text: split on any blank (space, tab, CR, LF, form feed, vertical tab, a
// no-break space as entity or UTF-8); entities are read first. No empty words.
std::vector<std::string> SplitWords(std::string_view text);

// The text with its tags removed; a br tag becomes a blank, so the words on both sides stay apart.
std::string StripTags(std::string_view html);

// %XX bytes read; everything else, "+" included, stays.
std::string PercentDecode(std::string_view text);

// The value of a name=value pair in the query of an address ("" when missing), percent-decoded.
std::string QueryValue(std::string_view address, std::string_view name);

// The address a results page link leads to: Google "/url?q=", DuckDuckGo "/l/?uddg=", Bing
// "/ck/a?...&u=a1<base64url>" and Yahoo "/RU=<encoded>/RK=" wraps are opened; any other link
// comes back as given (and `wrapped` false). A wrap without its target gives "". Entities in the
// link are read first.
std::string UnwrapResultHref(std::string_view href, bool* wrapped = nullptr);

// A printed word as a site address: it must hold "." and "/"; "/" is added at the end and
// "http://" in front when it holds no "http". Empty when it is no address.
std::string SiteFromPrintedWord(std::string word);

// A link target as a site address: http and https addresses stay as they are, a bare host gets
// its "/"; other schemes and relative links give "".
std::string SiteFromHref(const std::string& url);

// Host and path of an address without scheme, "www." and trailing "/", lower-case host: two
// addresses that name the same place give the same key.
std::string SamePlaceKey(std::string_view address);

// The host of an address ("" when it has none), lower case.
std::string HostOf(std::string_view address);

// The value of an attribute in a tag's text (between the brackets), entities read; `found` tells
// a missing attribute from an empty one.
std::string AttributeValue(std::string_view tagText, std::string_view name, bool* found = nullptr);
// True when the tag's class attribute lists `name`.
bool HasClass(std::string_view tagText, std::string_view name);
// A tag's lower-case name: its text up to the first blank.
std::string TagName(std::string_view tagText);

// The old results layout: the visible text of table blocks (the inside of each table, and the
// text between two tables once one has closed), skipping style and script. Every word that
// reads as a site address is given to `take`, with `betweenTables` telling where it stood.
// `keepGoing` is asked before each tag; returns false when it said no.
bool ReadTableBlockSites(const std::string& html, const std::function<bool()>& keepGoing,
                         const std::function<void(std::string site, bool betweenTables)>& take);

// Why a failed read is a refusal ("HTTP 429, too many requests"), or "" when its failure is no
// HTTP 403, 429 or 503.
std::string RefusedStatusWhy(std::string_view failure);
// True when the failure names that HTTP status.
bool FailedWithStatus(std::string_view failure, int status);

// The read of an answer that holds no page to read: refused (refusalWhy not empty) or failed on
// the way; nothing when the page is there to be read.
std::optional<ResultsRead> UnreadAnswer(const ResultsAnswer& answer, std::string refusalWhy);

// Appends the site unless it is empty or already there.
void AddSite(std::vector<std::string>& sites, std::string site);

}  // namespace ch::results
