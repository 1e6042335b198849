#pragma once

#include <memory>
#include <string>

#include "engine/search_engine.h"

namespace ch {

// The names the user picks a back end by; anything else that is an http(s) address is taken as
// the base of a SearXNG instance.
inline constexpr const char* kGoogleChoice = "google";
inline constexpr const char* kDuckDuckGoLiteChoice = "duckduckgo-lite";
inline constexpr const char* kDefaultSearchChoice = kGoogleChoice;

// A failed read that is no refusal (a network error) reads as NoResults with the failure as Why.

// Google's HTML results, 100 a page as the written request asks.
class GoogleSearch : public SearchEngine {
  public:
    std::string Name() const override;
    std::string FirstPage(const std::string& query) const override;
    ResultsRead Read(const ResultsAnswer& answer, const std::string& query,
                     int page) const override;
};

// DuckDuckGo's page for browsers without JavaScript; later pages come from its own next form.
class DuckDuckGoLite : public SearchEngine {
  public:
    std::string Name() const override;
    std::string FirstPage(const std::string& query) const override;
    ResultsRead Read(const ResultsAnswer& answer, const std::string& query,
                     int page) const override;
};

// The JSON search API of a SearXNG instance (json must be enabled in its search.formats).
class SearxngSearch : public SearchEngine {
  public:
    // `base` is the instance address without a trailing "/" ("https://searx.example.org").
    explicit SearxngSearch(std::string base) : base_(std::move(base)) {}
    std::string Name() const override;
    std::string FirstPage(const std::string& query) const override;
    ResultsRead Read(const ResultsAnswer& answer, const std::string& query,
                     int page) const override;

  private:
    std::string PageAddress(const std::string& query, int pageNumber) const;
    std::string base_;
};

// Why a choice names no back end, in one line; empty when it is good. An empty choice is the
// default.
std::string SearchEngineChoiceError(const std::string& choice);
// The back end a choice names, or null when SearchEngineChoiceError says why not.
std::unique_ptr<SearchEngine> MakeSearchEngine(const std::string& choice);

}  // namespace ch
