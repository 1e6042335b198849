#include "web/ocx_parse_web.h"

#include "web/download_name.h"
#include "web/link_lists.h"

namespace ch {

ocxParseWeb::ocxParseWeb(RunState& state, DownloadService& service, SearchView& view, Clock& clock,
                         EventPump& pump)
    : state_(state),
      service_(service),
      web_(state, pump, view),
      pages_(web_, service),
      videos_(web_, service, clock) {
    service_.SetListener(this);
}

ocxParseWeb::~ocxParseWeb() {
    CancelHtmlDownload();
    CancelResDownload();
    service_.SetListener(nullptr);
}

// ---- Starting and cancelling ----

void ocxParseWeb::BeginHtmlDownload(const Fetch& page) {
    // A stopped run starts nothing; the engine's wait ends because nothing is counted.
    if (state_.StopRequested) return;
    if (pages_.Begin(page)) web_.Report.Status("Attempting to connect...");
}

void ocxParseWeb::BeginResDownload(const Fetch& video) {
    if (state_.StopRequested) {
        // Not started: the video waits at the head of the queue for the next run.
        if (const int slot = state_.Slots.Find(video.address); slot >= 0)
            state_.Slots.Release(slot);
        state_.VideoLinks.RequeueAtFront({video.address});
        return;
    }
    if (videos_.Begin(video.address)) web_.Report.Status("Attempting to connect...");
}

bool ocxParseWeb::CancelHtmlDownload() {
    pages_.CancelAll();
    return true;
}

bool ocxParseWeb::CancelResDownload() {
    // A stopped run re-queues exactly the downloads it cancelled, at the head of the queue.
    state_.VideoLinks.RequeueAtFront(videos_.CancelAll());
    return true;
}

void ocxParseWeb::CheckStalledSlots() {
    if (state_.StopRequested) return;
    videos_.CheckStalled();
}

// ---- Notifications ----

void ocxParseWeb::ReadProgress(const std::string& name, int status, const std::string& statusText,
                               std::int64_t bytesRead, std::int64_t bytesTotal) {
    if (state_.StopRequested) return;
    const std::optional<Fetch> fetch = FetchOfDownloadName(name);
    if (!fetch) return;
    ShowReadStatus(status, fetch->address);
    switch (status) {
        case ReadStatus::Error:
            if (fetch->kind == FetchKind::Video && statusText.starts_with(kBodyNotWritten))
                videos_.SaveFailed(fetch->address, statusText);
            else
                Failed(*fetch, statusText);
            break;
        case ReadStatus::Redirecting:
            // Where a results page leads tells whether the search was refused; it is no page of
            // any site to crawl.
            if (fetch->kind == FetchKind::ResultsPage)
                pages_.Redirected(*fetch, statusText);
            else
                AddExpandLink(web_, statusText);
            break;
        case ReadStatus::DownloadingData:
            // Only videos have a size window; pages of any size are left alone.
            if (fetch->kind == FetchKind::Video)
                videos_.Progress(fetch->address, bytesRead, bytesTotal);
            break;
        default:
            break;
    }
}

void ocxParseWeb::ReadComplete(const std::string& name, int status, const ReadBody& body) {
    if (state_.StopRequested) return;
    const std::optional<Fetch> fetch = FetchOfDownloadName(name);
    if (!fetch) return;
    if (status == ReadStatus::Error) {
        web_.Report.Status("Error occured while downloading: " + fetch->address);
        Failed(*fetch, {});
        return;
    }
    if (status != ReadStatus::EndDownloadData) return;
    web_.Report.Status("Download completed, but search engine is still working...");
    if (fetch->kind == FetchKind::Video)
        videos_.Complete(fetch->address);
    else
        pages_.Complete(*fetch, body.Data);
}

void ocxParseWeb::ReadHead(const std::string& name, const ResponseHead& head) {
    if (state_.StopRequested) return;
    const std::optional<Fetch> fetch = FetchOfDownloadName(name);
    if (fetch && fetch->kind == FetchKind::Video) videos_.Headers(fetch->address, head);
}

void ocxParseWeb::Failed(const Fetch& fetch, const std::string& why) {
    if (fetch.kind == FetchKind::Video)
        videos_.Fail(fetch.address, why);
    else
        pages_.Fail(fetch, why);
}

void ocxParseWeb::ShowReadStatus(int status, const std::string& address) {
    switch (status) {
        case ReadStatus::Error:
            web_.Report.Status("Error...aborting transfer" + address);
            break;
        case ReadStatus::Connecting:
            web_.Report.Status("Connecting ...");
            break;
        case ReadStatus::Redirecting:
            web_.Report.Status("Redirecting...");
            break;
        case ReadStatus::BeginDownloadData:
            web_.Report.Status("Begin downloading ...");
            break;
        case ReadStatus::DownloadingData:
            web_.Report.Status("Downloading...");
            break;
        case ReadStatus::EndDownloadData:
            web_.Report.Status("Download completed, but search engine is still working...");
            break;
        case ReadStatus::SendingRequest:
            web_.Report.Status("Sending connect request...");
            break;
        default:
            break;
    }
}

}  // namespace ch
