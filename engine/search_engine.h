#pragma once

#include <string>
#include <vector>

namespace ch {

// What a results page said about the query.
enum class ResultsVerdict {
    Results,    // it named sites (some may be known already)
    NoResults,  // it answered, and named none
    Refused,    // it would not answer a program: a CAPTCHA, a gate, a block, a limit
};

// A results page as the download control received it.
struct ResultsAnswer {
    std::string Failure;       // why the read failed ("HTTP status 429", a network error), or empty
    std::string RedirectedTo;  // the last address the read was redirected to, or empty
    std::string Body;          // the page, when the read succeeded
};

struct ResultsRead {
    ResultsVerdict Verdict = ResultsVerdict::NoResults;
    // Site addresses in the form the crawl takes them ("http://host/folder/"), in page order;
    // the control still drops denied and known ones.
    std::vector<std::string> Sites;
    std::string Why;       // for a refusal: what the engine answered, in a few words for the user
    std::string NextPage;  // the address of the next results page, or empty when there is none
};

// One web search back end: where its results pages are and how to read them.
class SearchEngine {
  public:
    virtual ~SearchEngine() = default;
    // The name the user knows it by ("Google").
    virtual std::string Name() const = 0;
    // The first results page of the query.
    virtual std::string FirstPage(const std::string& query) const = 0;
    // Reads results page `page` (0 for the first) of the query.
    virtual ResultsRead Read(const ResultsAnswer& answer, const std::string& query,
                             int page) const = 0;
};

}  // namespace ch
