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

// The control's side of the service: notifications of every read.
class ReadListener {
  public:
    virtual ~ReadListener() = default;
    // statusText carries the new address for a redirect; bytesTotal is 0 when unknown.
    virtual void ReadProgress(const std::string& name, int status, const std::string& statusText,
                              std::int64_t bytesRead, std::int64_t bytesTotal) = 0;
    // status is EndDownloadData (success) or Error.
    virtual void ReadComplete(const std::string& name, int status, const ReadBody& body) = 0;
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
    // Cancels the oldest running read of that name, if any.
    virtual void CancelRead(const std::string& name) = 0;
};

}  // namespace ch
