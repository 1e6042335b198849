#pragma once

#include <QNetworkAccessManager>
#include <QObject>
#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include "web/download_service.h"

class QNetworkReply;
class QUrl;

namespace ch {

struct QtDownloadServiceOptions {
    // A read that transfers nothing for this long (no connection, or a server that stalls after
    // its headers) ends as failed. Generous: the engine and the control have their own limits.
    std::chrono::milliseconds transferTimeout{90'000};
    int maxRedirects = 10;
    // Page bodies are kept in memory; a page growing beyond this ends as failed ("page too
    // large"). No page over 200,000 bytes is parsed, so none is held beyond that.
    std::int64_t maxPageBytes = 200'000;
    // How much of a file read Qt may buffer before it stops reading the socket.
    std::int64_t fileReadBufferBytes = 1024 * 1024;
};

// The download service over one QNetworkAccessManager, used on the user-interface thread.
// Notifications come from the event loop, never from inside StartRead or CancelRead:
//   Connecting, SendingRequest, Redirecting (the new address as status text), BeginDownloadData,
//   DownloadingData (bytes so far, announced total or 0), then either EndDownloadData followed by
//   the completion, or a final Error progress whose status text says why the read failed
//   (kTimedOutText when the service's own time-out ended it).
// HTTP error statuses and bodies shorter than announced are failures, and so are pages sent as
// video, audio, image or application/octet-stream (abandoned at their headers). Successful
// answers report their headers (ReadHead) just before BeginDownloadData. Follows redirects (at most
// maxRedirects, never from https to http) and uses the system's proxy settings (http_proxy,
// no_proxy). Bodies of reads started with a file are written to it as they arrive; the file is
// closed before the final notification and when CancelRead returns.
class QtDownloadService final : public QObject, public DownloadService {
  public:
    static constexpr const char* kTimedOutText = "timed out";

    explicit QtDownloadService(QtDownloadServiceOptions options = {}, QObject* parent = nullptr);
    ~QtDownloadService() override;

    void SetListener(ReadListener* listener) override;
    bool StartRead(const std::string& url, const std::string& name,
                   const std::filesystem::path& bodyFile) override;
    bool ResumeRead(const std::string& url, const std::string& name,
                    const std::filesystem::path& bodyFile, const ReadOptions& options) override;
    void CancelRead(const std::string& name) override;

    // Reads started and not yet ended or cancelled.
    int RunningReads() const { return static_cast<int>(reads_.size()); }

  private:
    struct Read;

    Read* Find(std::uint64_t id) const;
    std::unique_ptr<Read> Take(std::uint64_t id);
    void Connect(std::uint64_t id, QNetworkReply* reply);
    // Each returns with the read possibly gone: the listener may cancel it from inside.
    void Notify(std::uint64_t id, int status, const std::string& text = {}, std::int64_t done = 0,
                std::int64_t total = 0);
    template <typename Handler>
    auto Handled(std::uint64_t id, Handler handler);
    void DeleteEndedReplies();
    void OnConnecting(std::uint64_t id);
    void OnRequestSent(std::uint64_t id);
    void OnRedirected(std::uint64_t id, const QUrl& target);
    void OnHeaders(std::uint64_t id);
    void OnData(std::uint64_t id);
    void OnFinished(std::uint64_t id);
    void Fail(std::uint64_t id, const std::string& why);
    void Discard(std::unique_ptr<Read> read);

    const QtDownloadServiceOptions options_;
    QNetworkAccessManager manager_;
    ReadListener* listener_ = nullptr;
    std::vector<std::unique_ptr<Read>> reads_;  // oldest first
    std::uint64_t nextId_ = 1;
    std::vector<QNetworkReply*> endedReplies_;  // disconnected, to be deleted
    int handlerDepth_ = 0;                      // our handlers on the stack
};

}  // namespace ch
