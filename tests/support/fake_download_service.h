#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "web/download_service.h"

namespace ch::testing {

// Records the reads the control starts and cancels, and lets a test deliver their progress and
// completion notifications. File reads get their body written into the file the control named.
class FakeDownloadService : public DownloadService {
  public:
    struct Read {
        std::string url;
        std::string name;
        std::filesystem::path bodyFile;
        ReadOptions options;
    };

    ReadListener* listener = nullptr;
    std::vector<Read> started;  // every read that was started, in order (refused ones not)
    std::vector<Read> running;  // started, not yet ended or cancelled
    std::vector<std::string> cancelled;
    bool refuseStarts = false;
    int refused = 0;

    void SetListener(ReadListener* l) override { listener = l; }

    bool StartRead(const std::string& url, const std::string& name,
                   const std::filesystem::path& bodyFile) override {
        if (refuseStarts) {
            ++refused;
            return false;
        }
        started.push_back({url, name, bodyFile, {}});
        running.push_back({url, name, bodyFile, {}});
        return true;
    }

    bool ResumeRead(const std::string& url, const std::string& name,
                    const std::filesystem::path& bodyFile, const ReadOptions& options) override {
        if (!StartRead(url, name, bodyFile)) return false;
        started.back().options = running.back().options = options;
        return true;
    }

    void CancelRead(const std::string& name) override {
        cancelled.push_back(name);
        Forget(name);
    }

    bool IsRunning(const std::string& name) const {
        return std::any_of(running.begin(), running.end(),
                           [&](const Read& read) { return read.name == name; });
    }

    const Read* Find(const std::string& name) const {
        for (const Read& read : running)
            if (read.name == name) return &read;
        return nullptr;
    }

    // Notifications as the service sends them; a final one ends the read.
    void Progress(const std::string& name, int status, const std::string& text = {},
                  std::int64_t bytesRead = 0, std::int64_t bytesTotal = 0) {
        if (status == ReadStatus::Error) Forget(name);
        listener->ReadProgress(name, status, text, bytesRead, bytesTotal);
    }

    // The headers of the answer, then BeginDownloadData.
    void Head(const std::string& name, const ResponseHead& head) {
        listener->ReadHead(name, head);
        listener->ReadProgress(name, ReadStatus::BeginDownloadData, {}, 0, 0);
    }

    void CompletePage(const std::string& name, const std::string& data) {
        Forget(name);
        listener->ReadComplete(name, ReadStatus::EndDownloadData,
                               ReadBody{data, static_cast<std::int64_t>(data.size())});
    }

    // Writes the body into the read's file (closed before the notification, as the adapter
    // guarantees), then reports success.
    void CompleteFile(const std::string& name, const std::string& bytes) {
        if (const Read* read = Find(name); read && !read->bodyFile.empty()) {
            std::ofstream out(read->bodyFile, std::ios::binary | std::ios::trunc);
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        }
        Forget(name);
        listener->ReadComplete(name, ReadStatus::EndDownloadData,
                               ReadBody{{}, static_cast<std::int64_t>(bytes.size())});
    }

    // Writes part of a body into the read's file, as a streaming download does (after the
    // bytes already there when `append`).
    void WritePartialBody(const std::string& name, const std::string& bytes, bool append = false) {
        if (const Read* read = Find(name); read && !read->bodyFile.empty()) {
            std::ofstream out(read->bodyFile,
                              std::ios::binary | (append ? std::ios::app : std::ios::trunc));
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        }
    }

    // Reports success for the bytes already written into the read's file.
    void FinishFile(const std::string& name) {
        const Read* read = Find(name);
        std::error_code error;
        const auto size = read ? std::filesystem::file_size(read->bodyFile, error) : 0;
        Forget(name);
        listener->ReadComplete(name, ReadStatus::EndDownloadData,
                               ReadBody{{}, static_cast<std::int64_t>(size)});
    }

    void Fail(const std::string& name) {
        Forget(name);
        listener->ReadComplete(name, ReadStatus::Error, ReadBody{});
    }

  private:
    void Forget(const std::string& name) {
        const auto found = std::find_if(running.begin(), running.end(),
                                        [&](const Read& read) { return read.name == name; });
        if (found != running.end()) running.erase(found);
    }
};

}  // namespace ch::testing
