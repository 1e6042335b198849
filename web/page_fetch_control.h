#pragma once

#include <string>
#include <vector>

#include "engine/fetch.h"
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
    // The read failed: the fetch ends without a page.
    void Fail(const Fetch& page);
    // The read delivered the page: it is parsed (unless too large to parse), then the fetch ends.
    void Complete(const Fetch& page, const std::string& body);
    void CancelAll();

    // Page fetches started and not yet ended, in the order started.
    const std::vector<Fetch>& Pending() const { return pending_; }

  private:
    bool Forget(const Fetch& page);
    void Parse(const Fetch& page, const std::string& body);

    WebContext& web_;
    DownloadService& service_;
    std::vector<Fetch> pending_;
};

}  // namespace ch
