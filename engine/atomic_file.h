#pragma once

#include <filesystem>
#include <string>

namespace ch {

// Replaces the file at path with content so that a crash or power loss leaves either the old or
// the new file, never a part: a temporary file in the same folder is written, flushed to disk and
// renamed over the old one. Returns false (and leaves the old file untouched) on any failure.
bool ReplaceFileAtomically(const std::filesystem::path& path, const std::string& content);

}  // namespace ch
