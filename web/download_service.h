#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace ch {

// Status codes of a read, as the download service reports them.
namespace ReadStatus {
inline constexpr int Error = 0;
inline constexpr int FindingResource = 1;
inline constexpr int Connecting = 2;
inline constexpr int Redirecting = 3;
inline constexpr int BeginDownloadData = 4;
inline constexpr int DownloadingData = 5;
inline constexpr int EndDownloadData = 6;
inline constexpr int SendingRequest = 11;
}  // namespace ReadStatus

// What a finished read delivers: pages arrive in memory, file reads were streamed to the file
// named when the read was started.
struct ReadBody {
    std::string Data;
    std::int64_t Size = 0;  // bytes received (for file reads, the size of the file)
};

// The status text of an Error that this machine caused, not the network: the body file could not
// be written (disk full, read-only, folder gone). The reason follows after ": ".
inline constexpr std::string_view kBodyNotWritten = "cannot write the body file";

// The status text of an Error that ended a resumed read because the server would not continue
// the partial body where it stops (416, or a Content-Range starting elsewhere).
inline constexpr std::string_view kRangeRefused = "range not satisfiable";

// A failure "HTTP status 429" or "HTTP status 503" may go on with this text and the seconds the
// server asked to wait (its Retry-After, a date turned into seconds from now).
inline constexpr std::string_view kRetryAfter = " retry after ";

// How a file read starts. A read with rangeStart > 0 continues a partial body of that many bytes
// already in the file: it asks for "Range: bytes=rangeStart-" with "If-Range: validator". A 206
// from there on appends; a 200 (the server ignores the range, or the video changed) rewrites the
// file from its first byte.
struct ReadOptions {
    std::int64_t rangeStart = 0;
    std::string validator;  // the ETag, or else the Last-Modified date, the partial came with
};

// What the headers of a successful answer said, reported once before BeginDownloadData.
struct ResponseHead {
    int httpStatus = 0;
    std::string contentType;      // as sent, or empty
    std::string validator;        // the ETag, or else the Last-Modified date, or empty
    std::int64_t rangeStart = 0;  // where the body starts in the file: > 0 only for a 206 resume
    std::int64_t fullSize = 0;    // the whole video's size when known (Content-Range or -Length)
};

// The control's side of the service: notifications of every read.
class ReadListener {
  public:
    virtual ~ReadListener() = default;
    // statusText carries the new address for a redirect; bytesTotal is 0 when unknown.
    virtual void ReadProgress(const std::string& name, int status, const std::string& statusText,
                              std::int64_t bytesRead, std::int64_t bytesTotal) = 0;
    // status is EndDownloadData (success) or Error.
    virtual void ReadComplete(const std::string& name, int status, const ReadBody& body) = 0;
    // The headers of a successful answer, before its BeginDownloadData. For a resumed read,
    // bytesRead and bytesTotal of the progress that follows count the whole file.
    virtual void ReadHead(const std::string& /*name*/, const ResponseHead& /*head*/) {}
};

// Asynchronous URL reads, each known by a name. Every read ends with exactly one of: a progress
// notification with status Error, or a completion; a cancelled read sends nothing more.
class DownloadService {
  public:
    virtual ~DownloadService() = default;
    virtual void SetListener(ReadListener* listener) = 0;
    // Starts a read; an empty bodyFile keeps the body in memory, otherwise it is streamed to that
    // file. Returns false when the read could not be started (no notification follows).
    virtual bool StartRead(const std::string& url, const std::string& name,
                           const std::filesystem::path& bodyFile) = 0;
    // A file read that continues the partial body in bodyFile (see ReadOptions). A service that
    // cannot ask for ranges starts the body again, as a server ignoring the range would.
    virtual bool ResumeRead(const std::string& url, const std::string& name,
                            const std::filesystem::path& bodyFile, const ReadOptions& options) {
        (void)options;
        return StartRead(url, name, bodyFile);
    }
    // Cancels the oldest running read of that name, if any.
    virtual void CancelRead(const std::string& name) = 0;
};

}  // namespace ch
