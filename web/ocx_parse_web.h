#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/ports.h"
#include "engine/run_state.h"
#include "web/download_service.h"
#include "web/host_gate.h"
#include "web/page_fetch_control.h"
#include "web/video_slot_control.h"
#include "web/web_context.h"

namespace ch {

// The download control: starts page and video reads on the download service, turns the
// service's notifications back into fetches, and hands each to its side: page fetches (counted,
// parsed) or video slots (size window, stall limit, saving into <DownloadFolder>/<keyword
// folder>/). The run state, the service and the ports must outlive it.
class ocxParseWeb final : public DownloadControl, public ReadListener {
  public:
    ocxParseWeb(RunState& state, DownloadService& service, SearchView& view, Clock& clock,
                EventPump& pump);
    ~ocxParseWeb() override;
    ocxParseWeb(const ocxParseWeb&) = delete;
    ocxParseWeb& operator=(const ocxParseWeb&) = delete;

    void BeginHtmlDownload(const Fetch& page) override;
    void BeginResDownload(const Fetch& video) override;
    bool CancelHtmlDownload() override;
    bool CancelResDownload() override;
    void CheckStalledSlots() override;

    void ReadProgress(const std::string& name, int status, const std::string& statusText,
                      std::int64_t bytesRead, std::int64_t bytesTotal) override;
    void ReadComplete(const std::string& name, int status, const ReadBody& body) override;
    void ReadHead(const std::string& name, const ResponseHead& head) override;

    const std::vector<Fetch>& PendingPages() const { return pages_.Pending(); }
    const RejectedHostTally& RejectedHosts() const { return videos_.RejectedHosts(); }

  private:
    void Failed(const Fetch& fetch, const std::string& why);
    // Site pages, expand pages and videos pass the host gate; seed and results pages do not.
    static bool Gated(const Fetch& fetch);
    bool Running(const Fetch& fetch) const;
    void Gate(const Fetch& fetch);
    void Go(const Fetch& fetch, HostGate::Verdict verdict);
    // A gated read redirected to target: it goes on only as the target's host allows.
    void Redirected(const Fetch& fetch, const std::string& target);
    void ReadRobots(const std::string& address);
    void RobotsAnswered(const std::string& address, RobotsRules rules);
    // A 429 or 503 to a gated fetch: true when it was one (the fetch waits for its host).
    bool Busy(const Fetch& fetch, const std::string& why);
    bool Challenged(const Fetch& fetch, const std::string& body);
    void ReleaseDue();
    // A new run asks every host again.
    void NewRun();
    // robots.txt reads under way are nobody's once the gate forgets them.
    void CancelRobotsReads();
    void ShowReadStatus(int status, const std::string& address);

    RunState& state_;
    DownloadService& service_;
    Clock& clock_;
    WebContext web_;
    HostGate gate_;
    PageFetchControl pages_;
    VideoSlotControl videos_;
};

}  // namespace ch
