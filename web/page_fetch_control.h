#pragma once

#include <string>
#include <vector>

#include "engine/fetch.h"
#include "engine/search_engine.h"
#include "web/download_service.h"
#include "web/web_context.h"

namespace ch {

// The page side of the download control: starts page reads, counts each fetch in
// RunState::Pages from its start to its end, and hands finished pages to their parser.
class PageFetchControl {
  public:
    static constexpr size_t kMaxParsedPageBytes = 200'000;

    PageFetchControl(WebContext& web, DownloadService& service) : web_(web), service_(service) {}

    // False when the service refused the read; the fetch has then ended at once.
    bool Begin(const Fetch& page);
    // Counts a fetch that starts later (its host is not ready): Start, Fail or CancelAll ends it.
    void Park(const Fetch& page);
    // Starts the read of a parked or paused fetch that has not ended meanwhile.
    void Start(const Fetch& page);
    bool IsPending(const Fetch& page) const;
    // The read failed (why: as the service said, possibly empty): the fetch ends without a page.
    void Fail(const Fetch& page, const std::string& why = {});
    // A results page read was redirected to target.
    void Redirected(const Fetch& page, const std::string& target);
    // The read delivered the page: it is parsed (unless too large to parse), then the fetch ends.
    void Complete(const Fetch& page, const std::string& body);
    void CancelAll();

    // Page fetches started and not yet ended, in the order started.
    const std::vector<Fetch>& Pending() const { return pending_; }

  private:
    bool Forget(const Fetch& page);
    void Parse(const Fetch& page, const std::string& body);
    // Hands a results page, or its failure, to the search back end for its sites and verdict.
    void ReadResults(const ResultsAnswer& answer);

    WebContext& web_;
    DownloadService& service_;
    std::vector<Fetch> pending_;
    std::string resultsRedirect_;  // of the results page in flight (one at a time)
};

}  // namespace ch
