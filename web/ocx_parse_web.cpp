#include "web/ocx_parse_web.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <system_error>

#include "engine/page_counters.h"
#include "web/link_lists.h"
#include "web/page_parser.h"
#include "web/results_page_parser.h"
#include "web/video_file_names.h"

namespace ch {

namespace fs = std::filesystem;

namespace {

bool IsVideoName(const std::string& name) {
    return name.starts_with('V');
}

std::string AddressOf(const std::string& name) {
    return name.empty() ? name : name.substr(1);
}

std::string PercentText(std::int64_t bytesRead, std::int64_t bytesTotal) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f%%",
                  static_cast<double>(bytesRead) / static_cast<double>(bytesTotal) * 100.0);
    return text;
}

std::optional<double> ParseSeconds(const std::string& text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

void RemoveQuietly(const fs::path& file) {
    std::error_code ignored;
    fs::remove(file, ignored);
}

}  // namespace

ocxParseWeb::ocxParseWeb(RunState& state, DownloadService& service, SearchView& view, Clock& clock,
                         EventPump& pump)
    : state_(state), service_(service), clock_(clock), web_{state, pump, view} {
    service_.SetListener(this);
}

ocxParseWeb::~ocxParseWeb() {
    if (!pendingHtmlNames_.empty()) CancelHtmlDownload();
    CancelResDownload();
    // Reads that no slot holds any more still own a body file.
    for (const VideoRead& read : videoReads_) {
        service_.CancelRead(read.Name);
        RemoveQuietly(read.BodyFile);
    }
    service_.SetListener(nullptr);
}

// ---- Starting and cancelling ----

void ocxParseWeb::BeginHtmlDownload(const std::string& URL, const std::string& SaveFile) {
    // A fetch that is not started ends at once, so the engine's count stays right.
    if (state_.StopRequested) {
        if (int* counter = PageCounterOf(state_, SaveFile)) --*counter;
        return;
    }
    pendingHtmlNames_.push_back(SaveFile);
    if (!service_.StartRead(URL, SaveFile, {})) {
        EndPageFetch(SaveFile);
        return;
    }
    web_.ShowStatus(1, "Attempting to connect...");
}

void ocxParseWeb::BeginResDownload(const std::string& URL, const std::string& SaveFile) {
    if (state_.StopRequested) {
        if (IsVideoName(SaveFile)) {
            --state_.VideoDownloadsActive;
            --state_.VideosQueued;
        }
        return;
    }
    const bool started = IsVideoName(SaveFile) ? StartVideoRead(URL, SaveFile)
                                               : service_.StartRead(URL, SaveFile, {});
    if (!started) {
        if (IsVideoName(SaveFile)) EndVideo(SaveFile, false);
        return;
    }
    web_.ShowStatus(1, "Attempting to connect...");
}

bool ocxParseWeb::CancelHtmlDownload() {
    for (const std::string& name : pendingHtmlNames_) service_.CancelRead(name);
    pendingHtmlNames_.clear();
    state_.ListFetchesPending = 0;
    state_.ResultPagesPending = 0;
    state_.SitePagesPending = 0;
    state_.ExpandPagesPending = 0;
    return true;
}

bool ocxParseWeb::CancelResDownload() {
    state_.CancelledVideoNames.clear();
    for (int slot = 0; slot < kSlotCount; ++slot) {
        std::string& name = state_.SlotNames[slot];
        if (name.empty()) continue;
        service_.CancelRead(name);
        DiscardVideoBody(name);
        state_.CancelledVideoNames.push_back(name);
        name.clear();
        state_.SlotProgressTimes[slot].clear();
    }
    state_.SlotsCancelled = static_cast<int>(state_.CancelledVideoNames.size());
    state_.VideoDownloadsActive = 0;
    return true;
}

void ocxParseWeb::CheckStalledSlots() {
    if (state_.StopRequested) return;
    const double now = clock_.MonotonicSeconds();
    for (int slot = 0; slot < kSlotCount; ++slot)
        if (!state_.SlotNames[slot].empty() && SlotStalled(slot, now)) CancelVideoInSlot(slot);
}

bool ocxParseWeb::ParseGoogleListHtml(const std::string& HTML) {
    return ch::ParseGoogleListHtml(web_, HTML);
}

// ---- Notifications ----

void ocxParseWeb::ReadProgress(const std::string& name, int status, const std::string& statusText,
                               std::int64_t bytesRead, std::int64_t bytesTotal) {
    if (state_.StopRequested) return;
    ShowReadStatus(status, AddressOf(name));
    switch (status) {
        case ReadStatus::Error:
            if (IsVideoName(name))
                EndVideo(name, true);
            else
                EndPageFetch(name);
            break;
        case ReadStatus::Redirecting:
            AddExpandLink(web_, statusText);
            break;
        case ReadStatus::DownloadingData:
            TrackDownloadProgress(name, bytesRead, bytesTotal);
            break;
        default:
            break;
    }
}

void ocxParseWeb::ReadComplete(const std::string& name, int status, const ReadBody& body) {
    if (state_.StopRequested) return;
    if (status == ReadStatus::Error) {
        web_.ShowStatus(1, "Error occured while downloading: " + AddressOf(name));
        if (IsVideoName(name))
            EndVideo(name, true);
        else
            EndPageFetch(name);
        return;
    }
    if (status != ReadStatus::EndDownloadData) return;
    web_.ShowStatus(1, "Download completed, but search engine is still working...");
    if (!IsVideoName(name)) {
        RemovePendingName(name);
        if (body.Data.size() <= kMaxParsedPageBytes) ParseFinishedPage(name, body.Data);
        if (int* counter = PageCounterOf(state_, name)) --*counter;
        return;
    }
    if (const int slot = FindSlot(name); slot >= 0) EmptySlot(slot);
    SaveResDownload(name);
    --state_.VideoDownloadsActive;
    --state_.VideosQueued;
}

void ocxParseWeb::ShowReadStatus(int status, const std::string& address) {
    switch (status) {
        case ReadStatus::Error:
            web_.ShowStatus(1, "Error...aborting transfer" + address);
            break;
        case ReadStatus::Connecting:
            web_.ShowStatus(1, "Connecting ...");
            break;
        case ReadStatus::Redirecting:
            web_.ShowStatus(1, "Redirecting...");
            break;
        case ReadStatus::BeginDownloadData:
            web_.ShowStatus(1, "Begin downloading ...");
            break;
        case ReadStatus::DownloadingData:
            web_.ShowStatus(1, "Downloading...");
            break;
        case ReadStatus::EndDownloadData:
            web_.ShowStatus(1, "Download completed, but search engine is still working...");
            break;
        case ReadStatus::SendingRequest:
            web_.ShowStatus(1, "Sending connect request...");
            break;
        default:
            break;
    }
}

void ocxParseWeb::TrackDownloadProgress(const std::string& name, std::int64_t bytesRead,
                                        std::int64_t bytesTotal) {
    if (bytesTotal > kMaxVideoBytes || bytesTotal < kMinVideoBytes) {
        // Only videos have a size window; pages of any size are left alone.
        const int slot = FindSlot(name);
        if (slot < 0) return;
        CancelVideoInSlot(slot);
        CountRejectedHost(AddressOf(name));
        return;
    }
    // Every progress inside the window is also the clock that times out the other slots.
    const double now = clock_.MonotonicSeconds();
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (state_.SlotNames[slot] == name) {
            web_.ShowStatus(slot + 4, PercentText(bytesRead, bytesTotal));
            state_.SlotProgressTimes[slot] = std::to_string(now);
        } else if (!state_.SlotNames[slot].empty() && SlotStalled(slot, now)) {
            CancelVideoInSlot(slot);
        }
    }
}

void ocxParseWeb::ParseFinishedPage(const std::string& name, const std::string& page) {
    if (name.empty()) return;
    switch (name.front()) {
        case 'G':
            ch::ParseGoogleListHtml(web_, page);
            break;
        case 'R':
        case 'E':
            ParsePageHtml(web_, page, name);
            break;
        default:
            break;
    }
}

// ---- Page bookkeeping ----

void ocxParseWeb::EndPageFetch(const std::string& name) {
    RemovePendingName(name);
    if (int* counter = PageCounterOf(state_, name)) --*counter;
}

void ocxParseWeb::RemovePendingName(const std::string& name) {
    const auto found = std::find(pendingHtmlNames_.begin(), pendingHtmlNames_.end(), name);
    if (found != pendingHtmlNames_.end()) pendingHtmlNames_.erase(found);
}

// ---- Video slots ----

int ocxParseWeb::FindSlot(const std::string& name) const {
    for (int slot = 0; slot < kSlotCount; ++slot)
        if (state_.SlotNames[slot] == name) return slot;
    return -1;
}

void ocxParseWeb::EmptySlot(int slot) {
    state_.SlotNames[slot].clear();
    state_.SlotProgressTimes[slot].clear();
    web_.ShowStatus(3, std::to_string(state_.VideosQueued - 1));
    web_.ShowStatus(slot + 4, "");
}

void ocxParseWeb::EndVideo(const std::string& name, bool countWithoutSlot) {
    DiscardVideoBody(name);
    const int slot = FindSlot(name);
    if (slot >= 0) EmptySlot(slot);
    if (slot < 0 && !countWithoutSlot) return;
    --state_.VideoDownloadsActive;
    --state_.VideosQueued;
}

void ocxParseWeb::CancelVideoInSlot(int slot) {
    const std::string name = state_.SlotNames[slot];
    service_.CancelRead(name);
    EndVideo(name, false);
}

bool ocxParseWeb::SlotStalled(int slot, double now) {
    const std::optional<double> last = ParseSeconds(state_.SlotProgressTimes[slot]);
    if (!last) {
        // An unreadable time starts the slot's clock now rather than never timing it out.
        state_.SlotProgressTimes[slot] = std::to_string(now);
        return false;
    }
    return now - *last > kStallSeconds;
}

// ---- Video bodies ----

std::optional<fs::path> ocxParseWeb::KeywordFolder() const {
    if (state_.DownloadFolder.empty()) return std::nullopt;
    const std::optional<std::string> name = KeywordFolderName(state_.CurrentKeyword);
    if (!name) return std::nullopt;
    return fs::path(state_.DownloadFolder) / *name;
}

bool ocxParseWeb::StartVideoRead(const std::string& URL, const std::string& SaveFile) {
    const std::optional<fs::path> folder = KeywordFolder();
    if (!folder) return false;
    std::error_code error;
    fs::create_directory(*folder, error);
    if (error || !fs::is_directory(*folder, error)) return false;
    // The leading dot keeps unfinished bodies apart from saved videos, whose names start with
    // their scheme.
    const fs::path body = *folder / (".download-" + std::to_string(nextBodyNumber_++) + ".part");
    // The service writes through this path: whatever an earlier run left under the name goes
    // first, so that a planted link cannot lead the body out of the folder.
    RemoveQuietly(body);
    videoReads_.push_back({SaveFile, body});
    if (service_.StartRead(URL, SaveFile, body)) return true;
    DiscardVideoBody(SaveFile);
    return false;
}

std::optional<fs::path> ocxParseWeb::TakeVideoBody(const std::string& name) {
    for (auto read = videoReads_.begin(); read != videoReads_.end(); ++read) {
        if (read->Name != name) continue;
        fs::path body = std::move(read->BodyFile);
        videoReads_.erase(read);
        return body;
    }
    return std::nullopt;
}

void ocxParseWeb::DiscardVideoBody(const std::string& name) {
    if (const std::optional<fs::path> body = TakeVideoBody(name)) RemoveQuietly(*body);
}

bool ocxParseWeb::SaveResDownload(const std::string& SaveFile) {
    const std::optional<fs::path> body = TakeVideoBody(SaveFile);
    if (!body) return false;
    std::error_code error;
    // A body that never reached the disk holds no bytes.
    const std::uintmax_t size = fs::file_size(*body, error);
    if (error || size <= static_cast<std::uintmax_t>(kMinVideoBytes)) {
        RemoveQuietly(*body);
        CountRejectedHost(AddressOf(SaveFile));
        return false;
    }
    web_.Pump.Yield();
    const std::optional<fs::path> folder = KeywordFolder();
    const std::optional<std::string> fileName = VideoFileName(AddressOf(SaveFile));
    if (folder && fileName) {
        fs::create_directory(*folder, error);
        if (!error) fs::rename(*body, *folder / *fileName, error);
        if (!error) return true;
    }
    RemoveQuietly(*body);
    return false;
}

void ocxParseWeb::CountRejectedHost(const std::string& address) {
    rejectedHosts_.CountRejectedHost(address, state_.DeniedHosts);
}

}  // namespace ch
