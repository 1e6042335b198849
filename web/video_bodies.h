#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/run_state.h"
#include "web/download_service.h"

namespace ch {

// The files that video reads stream into: one body file per read in the keyword folder, renamed
// to the video's own name once it is whole, removed otherwise.
class VideoBodies {
  public:
    static constexpr std::int64_t kMinVideoBytes = 200'000;

    enum class Saved { Yes, TooSmall, Failed };

    VideoBodies(const RunState& state, DownloadService& service)
        : state_(state), service_(service) {}
    ~VideoBodies();
    VideoBodies(const VideoBodies&) = delete;
    VideoBodies& operator=(const VideoBodies&) = delete;

    // Starts the read of a video into a new body file; false when it could not start.
    bool Start(const std::string& address);
    // Why the last start or save failed on this machine (not on the network), or empty.
    const std::string& LocalFailure() const { return localFailure_; }
    // Cancels the read and removes its body file.
    void Cancel(const std::string& address);
    // Removes the body file of a read that has ended.
    void Discard(const std::string& address);
    // Moves a finished body to its video's name; a body of at most kMinVideoBytes is removed.
    // Failed leaves the reason in LocalFailure().
    Saved Save(const std::string& address);

  private:
    struct Body {
        std::string address;
        std::filesystem::path file;
    };

    std::optional<std::filesystem::path> KeywordFolder() const;
    std::optional<std::filesystem::path> Take(const std::string& address);

    const RunState& state_;
    DownloadService& service_;
    std::vector<Body> bodies_;
    std::uint64_t nextBodyNumber_ = 0;
    std::string localFailure_;
};

}  // namespace ch
