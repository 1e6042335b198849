#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/ports.h"
#include "engine/run_state.h"
#include "web/download_service.h"
#include "web/rejected_host_tally.h"
#include "web/web_context.h"

namespace ch {

// The download control: starts page and video reads on the download service under their
// download names, counts the engine's pending counters down exactly once per fetch, hands
// finished pages to the parsers, enforces the video size window and the 60-second stall limit,
// and saves finished videos into <DownloadFolder>/<keyword folder>/. The run state, the service
// and the ports must outlive it.
class ocxParseWeb final : public DownloadControl, public ReadListener {
  public:
    static constexpr std::int64_t kMinVideoBytes = 200'000;
    static constexpr std::int64_t kMaxVideoBytes = 50'000'000;
    static constexpr size_t kMaxParsedPageBytes = 200'000;
    static constexpr double kStallSeconds = 60.0;

    ocxParseWeb(RunState& state, DownloadService& service, SearchView& view, Clock& clock,
                EventPump& pump);
    ~ocxParseWeb() override;
    ocxParseWeb(const ocxParseWeb&) = delete;
    ocxParseWeb& operator=(const ocxParseWeb&) = delete;

    void BeginHtmlDownload(const std::string& URL, const std::string& SaveFile) override;
    void BeginResDownload(const std::string& URL, const std::string& SaveFile) override;
    bool CancelHtmlDownload() override;
    bool CancelResDownload() override;
    void CheckStalledSlots() override;

    bool ParseGoogleListHtml(const std::string& HTML);

    void ReadProgress(const std::string& name, int status, const std::string& statusText,
                      std::int64_t bytesRead, std::int64_t bytesTotal) override;
    void ReadComplete(const std::string& name, int status, const ReadBody& body) override;

    // Counts a video rejected for its size against its site (denied after 20).
    void CountRejectedHost(const std::string& address);

    // Page fetches started and not yet ended, in the order started.
    const std::vector<std::string>& PendingHtmlNames() const { return pendingHtmlNames_; }
    const RejectedHostTally& RejectedHosts() const { return rejectedHosts_; }

  private:
    struct VideoRead {
        std::string Name;
        std::filesystem::path BodyFile;
    };

    std::optional<std::filesystem::path> KeywordFolder() const;
    bool StartVideoRead(const std::string& URL, const std::string& SaveFile);
    std::optional<std::filesystem::path> TakeVideoBody(const std::string& name);
    void DiscardVideoBody(const std::string& name);
    bool SaveResDownload(const std::string& SaveFile);

    void EndPageFetch(const std::string& name);
    void RemovePendingName(const std::string& name);
    void ParseFinishedPage(const std::string& name, const std::string& page);

    int FindSlot(const std::string& name) const;
    void EmptySlot(int slot);
    void EndVideo(const std::string& name, bool countWithoutSlot);
    void CancelVideoInSlot(int slot);
    bool SlotStalled(int slot, double now);
    void TrackDownloadProgress(const std::string& name, std::int64_t bytesRead,
                               std::int64_t bytesTotal);
    void ShowReadStatus(int status, const std::string& address);

    RunState& state_;
    DownloadService& service_;
    Clock& clock_;
    WebContext web_;
    std::vector<std::string> pendingHtmlNames_;
    std::vector<VideoRead> videoReads_;
    std::uint64_t nextBodyNumber_ = 0;
    RejectedHostTally rejectedHosts_;
};

}  // namespace ch
