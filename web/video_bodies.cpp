#include "web/video_bodies.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <system_error>

#include "engine/text.h"
#include "web/download_name.h"
#include "web/video_file_names.h"

namespace ch {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kResumePrefix = ".resume-";

void RemoveQuietly(const fs::path& file) {
    std::error_code ignored;
    fs::remove(file, ignored);
}

// Created exclusively ("x"): a link planted under the name is never followed.
bool CreateExclusive(const fs::path& file) {
    std::FILE* created = std::fopen(file.c_str(), "wbx");
    if (!created) return false;
    std::fclose(created);
    return true;
}

// A body that cannot be resumed: a name of this process's own, for a second read of an address
// whose resumable body is already being written. A name another process (or an earlier run)
// holds is passed over, never reused.
std::optional<fs::path> CreateBodyFile(const fs::path& folder, std::uint64_t& next) {
    constexpr int kAttempts = 10'000;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const fs::path file = folder / (".download-" + std::to_string(next++) + ".part");
        if (CreateExclusive(file)) return file;
        if (errno != EEXIST) return std::nullopt;
    }
    return std::nullopt;
}

std::string AddressHash(const std::string& address) {
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (unsigned char c : address) hash = (hash ^ c) * 1099511628211ull;
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

// The note of a kept body: its address, then its validator.
struct Note {
    std::string address, validator;
};

std::optional<Note> ReadNote(const fs::path& note) {
    std::error_code error;
    if (!fs::is_regular_file(fs::symlink_status(note, error))) return std::nullopt;
    std::ifstream in(note, std::ios::binary);
    Note read;
    if (!std::getline(in, read.address) || !std::getline(in, read.validator)) return std::nullopt;
    return read;
}

bool SameBytes(const fs::path& first, const fs::path& second) {
    std::error_code error;
    if (fs::file_size(first, error) != fs::file_size(second, error) || error) return false;
    std::ifstream a(first, std::ios::binary), b(second, std::ios::binary);
    return std::equal(std::istreambuf_iterator<char>(a), std::istreambuf_iterator<char>(),
                      std::istreambuf_iterator<char>(b));
}

// Soft-404 pages come back under video names: a body that opens as HTML is no video.
bool StartsAsHtml(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string head(512, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    if (head.starts_with("\xEF\xBB\xBF")) head.erase(0, 3);
    const auto text = head.find_first_not_of(" \t\r\n\f\v");
    if (text == std::string::npos) return false;
    const std::string start = text::ToLower(std::string_view(head).substr(text, 9));
    return start.starts_with("<!doctype") || start.starts_with("<html");
}

std::string ReadName(const std::string& address) {
    return DownloadName({FetchKind::Video, address});
}

// Why a finished body is no wanted video, or empty when it is one.
std::string RejectionOf(const fs::path& file, std::uintmax_t size, const RunState& state) {
    if (std::string why = SizeRejection(static_cast<std::int64_t>(size), state); !why.empty())
        return why;
    if (StartsAsHtml(file)) return "an HTML page, not a video";
    return {};
}

}  // namespace

std::string SizeRejection(std::int64_t size, const RunState& state) {
    if (size <= state.MinVideoBytes)
        return std::to_string(size) + " bytes, not more than the smallest size kept (" +
               std::to_string(state.MinVideoBytes) + ")";
    if (state.MaxVideoBytes > 0 && size > state.MaxVideoBytes)
        return std::to_string(size) + " bytes, more than the largest size kept (" +
               std::to_string(state.MaxVideoBytes) + ")";
    return {};
}

VideoBodies::~VideoBodies() {
    while (!bodies_.empty()) Suspend(bodies_.front().address);
}

std::optional<fs::path> VideoBodies::KeywordFolder() const {
    if (state_.DownloadFolder.empty()) return std::nullopt;
    const std::optional<std::string> name = KeywordFolderName(state_.CurrentKeyword);
    if (!name) return std::nullopt;
    return state_.DownloadFolderPath() / *name;
}

bool VideoBodies::Start(const std::string& address) {
    localFailure_.clear();
    const std::optional<fs::path> folder = KeywordFolder();
    if (!folder) {
        localFailure_ = "no folder can be made for the keyword " + state_.CurrentKeyword;
        return false;
    }
    std::error_code error;
    fs::create_directory(*folder, error);
    if (error || !fs::is_directory(*folder, error)) {
        localFailure_ = "cannot create the folder " + folder->string() + ": " +
                        (error ? error.message() : "a file has its name");
        return false;
    }
    // At the start of a run only: a harvest of thousands of videos must not list its folder
    // again and again.
    if (state_.Slots.Active() <= 1 && state_.VideoLinks.Next() <= 1) Sweep();
    Body body{address, {}, {}};
    ReadOptions resume;
    const bool busy = std::any_of(bodies_.begin(), bodies_.end(),
                                  [&](const Body& b) { return b.address == address; });
    if (!busy) {
        const std::string stem = std::string(kResumePrefix) + AddressHash(address);
        body.file = *folder / (stem + ".part");
        body.note = *folder / (stem + ".txt");
        const std::optional<Note> note = ReadNote(body.note);
        const fs::file_status status = fs::symlink_status(body.file, error);
        const std::uintmax_t size =
            fs::is_regular_file(status) ? fs::file_size(body.file, error) : 0;
        if (note && note->address == address && !note->validator.empty() && !error && size > 0) {
            resume = {static_cast<std::int64_t>(size), note->validator};
        } else {
            RemoveQuietly(body.note);
            RemoveQuietly(body.file);
            if (!CreateExclusive(body.file)) body.file.clear();
        }
    } else if (const auto file = CreateBodyFile(*folder, nextBodyNumber_)) {
        body.file = *file;
    }
    if (body.file.empty()) {
        localFailure_ = "cannot write in " + folder->string() + ": " + std::strerror(errno);
        return false;
    }
    bodies_.push_back(body);
    const bool started = resume.rangeStart > 0
                             ? service_.ResumeRead(address, ReadName(address), body.file, resume)
                             : service_.StartRead(address, ReadName(address), body.file);
    if (started) return true;
    Discard(address);
    return false;
}

void VideoBodies::Headers(const std::string& address, const ResponseHead& head) {
    const auto body = std::find_if(bodies_.begin(), bodies_.end(),
                                   [&](const Body& b) { return b.address == address; });
    // A continued body keeps its note; a body sent again from its start gets the new validator.
    if (body == bodies_.end() || body->note.empty() || head.rangeStart > 0) return;
    RemoveQuietly(body->note);
    if (head.validator.empty() || head.validator.find_first_of("\r\n") != std::string::npos) return;
    std::FILE* note = std::fopen(body->note.c_str(), "wbx");
    if (!note) return;
    const std::string text = address + "\n" + head.validator + "\n";
    const bool written = std::fwrite(text.data(), 1, text.size(), note) == text.size();
    if (std::fclose(note) != 0 || !written) RemoveQuietly(body->note);
}

void VideoBodies::Cancel(const std::string& address) {
    service_.CancelRead(ReadName(address));
    Discard(address);
}

void VideoBodies::Suspend(const std::string& address) {
    service_.CancelRead(ReadName(address));
    Keep(address);
}

std::optional<VideoBodies::Body> VideoBodies::Take(const std::string& address) {
    for (auto body = bodies_.begin(); body != bodies_.end(); ++body) {
        if (body->address != address) continue;
        Body taken = std::move(*body);
        bodies_.erase(body);
        return taken;
    }
    return std::nullopt;
}

void VideoBodies::Discard(const std::string& address) {
    if (const std::optional<Body> body = Take(address)) {
        RemoveQuietly(body->file);
        if (!body->note.empty()) RemoveQuietly(body->note);
    }
}

void VideoBodies::Keep(const std::string& address) {
    const std::optional<Body> body = Take(address);
    std::error_code error;
    // Without a validator noted, a kept part could never be continued safely.
    if (body && (body->note.empty() || !fs::is_regular_file(fs::symlink_status(body->note, error))))
        RemoveQuietly(body->file);
}

VideoBodies::SaveResult VideoBodies::Save(const std::string& address) {
    localFailure_.clear();
    const std::optional<Body> body = Take(address);
    if (!body) return {};
    const auto removeBody = [&] {
        RemoveQuietly(body->file);
        if (!body->note.empty()) RemoveQuietly(body->note);
    };
    std::error_code error;
    // A body that never reached the disk holds no bytes.
    std::uintmax_t size = fs::file_size(body->file, error);
    if (error) size = 0;
    if (std::string why = RejectionOf(body->file, size, state_); !why.empty()) {
        removeBody();
        return {Saved::Rejected, {}, 0, std::move(why)};
    }
    const std::optional<fs::path> folder = KeywordFolder();
    const std::optional<std::string> fileName = VideoFileName(address);
    if (folder && fileName) {
        fs::create_directory(*folder, error);
        fs::path target = *folder / *fileName;
        // A video saved from another address under that name is never replaced; the same video
        // fetched again (a run killed before its lists were written) is.
        if (!error && fs::is_regular_file(fs::symlink_status(target, error)) &&
            !SameBytes(body->file, target))
            target = *folder / DistinctVideoFileName(*fileName, address);
        error.clear();
        fs::rename(body->file, target, error);
        if (!error) {
            if (!body->note.empty()) RemoveQuietly(body->note);
            return {Saved::Yes, target, static_cast<std::int64_t>(size), {}};
        }
    }
    if (fileName)
        localFailure_ = "cannot save the video " + address + ": " +
                        (error ? error.message() : "no folder can be made for the keyword");
    removeBody();
    return {Saved::Failed, {}, 0, fileName ? localFailure_ : "its address names no file"};
}

void VideoBodies::Sweep() {
    const std::optional<fs::path> folder = KeywordFolder();
    if (!folder) return;
    const auto now = fs::file_time_type::clock::now();
    const auto held = [&](const std::string& address) {
        return state_.VideoLinks.Contains(address) || state_.Slots.Find(address) >= 0 ||
               std::any_of(bodies_.begin(), bodies_.end(),
                           [&](const Body& b) { return b.address == address; });
    };
    std::error_code error;
    std::vector<fs::path> swept;
    for (fs::directory_iterator entry(*folder, error), end; !error && entry != end;
         entry.increment(error)) {
        const fs::path& path = entry->path();
        const std::string name = path.filename().string();
        if (!name.starts_with(kResumePrefix) ||
            (path.extension() != ".part" && path.extension() != ".txt"))
            continue;
        if (std::any_of(bodies_.begin(), bodies_.end(),
                        [&](const Body& b) { return b.file == path || b.note == path; }))
            continue;
        std::error_code timeError;
        const auto written = fs::last_write_time(path, timeError);
        if (timeError || std::chrono::duration<double>(now - written).count() < kSweepAgeSeconds)
            continue;
        fs::path note = path;
        note.replace_extension(".txt");
        const std::optional<Note> read = ReadNote(note);
        if (read &&
            note.filename() == std::string(kResumePrefix) + AddressHash(read->address) + ".txt" &&
            held(read->address))
            continue;
        swept.push_back(path);
    }
    for (const fs::path& path : swept) RemoveQuietly(path);
}

}  // namespace ch
