#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/run_state.h"
#include "web/download_service.h"

namespace ch {

// Why a video of `size` bytes falls outside the size window of the settings, or empty.
std::string SizeRejection(std::int64_t size, const RunState& state);

// The files that video reads stream into, in the keyword folder. A video's body is
// ".resume-<hash of its address>.part", with ".resume-<hash>.txt" beside it holding the address
// and the server's validator once the headers have named one. A read cut off (stopped, failed,
// stalled, the program killed) leaves both behind, and the next read of that address continues
// the body with a range request. A whole body is renamed to the video's own name; a rejected one
// is removed.
class VideoBodies {
  public:
    // Kept partial bodies younger than this are left to whoever may still write them.
    static constexpr double kSweepAgeSeconds = 600.0;

    enum class Saved { Yes, Rejected, Failed };
    // What became of a finished body: Yes names the file and its size, Rejected says why.
    struct SaveResult {
        Saved Result = Saved::Failed;
        std::filesystem::path File;
        std::int64_t Bytes = 0;
        std::string Why;
    };

    VideoBodies(const RunState& state, DownloadService& service)
        : state_(state), service_(service) {}
    ~VideoBodies();
    VideoBodies(const VideoBodies&) = delete;
    VideoBodies& operator=(const VideoBodies&) = delete;

    // Starts the read of a video, continuing its kept partial body if there is one; false when
    // it could not start. The first start of a run sweeps the folder.
    bool Start(const std::string& address);
    // Why the last start or save failed on this machine (not on the network), or empty.
    const std::string& LocalFailure() const { return localFailure_; }
    // The answer's headers: keeps the validator that a later resume needs.
    void Headers(const std::string& address, const ResponseHead& head);
    // Cancels the read and removes its body.
    void Cancel(const std::string& address);
    // Cancels the read and keeps its body (when it can be resumed) for a later read.
    void Suspend(const std::string& address);
    // Removes the body of a read that has ended.
    void Discard(const std::string& address);
    // Keeps the body of a read that has ended (when it can be resumed).
    void Keep(const std::string& address);
    // Moves a finished body to its video's name. Rejected (and removed): a body of at most
    // MinVideoBytes, above a MaxVideoBytes ceiling, or that is an HTML page. Failed leaves the
    // reason in LocalFailure().
    SaveResult Save(const std::string& address);
    // Removes the kept partial bodies (and their notes) of addresses the run does not hold.
    void Sweep();

  private:
    struct Body {
        std::string address;
        std::filesystem::path file;
        std::filesystem::path note;  // empty: a body that cannot be resumed
    };

    std::optional<std::filesystem::path> KeywordFolder() const;
    std::optional<Body> Take(const std::string& address);

    const RunState& state_;
    DownloadService& service_;
    std::vector<Body> bodies_;
    std::uint64_t nextBodyNumber_ = 0;
    std::string localFailure_;
};

}  // namespace ch
