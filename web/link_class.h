#pragma once

#include <string>

namespace ch {

enum class LinkClass { Video, Ignored, Page };
enum class VideoTypes;  // engine/run_state.h

// Sorts a link by the end of its text, in any letter case: video files, files that are dropped
// (pictures, documents, archives, sound, subtitles, disc images, streaming playlists), and
// everything else, which is a page. With VideoTypes::Modern today's containers (.mp4, .mkv,
// .webm, ...) are videos; with Classic only the older table is, and those are dropped. A query
// or fragment after the suffix hides it ("a.mkv?x=1" is a page), as it always has.
LinkClass ClassifyLink(const std::string& link, VideoTypes types);

// Whether the link only shows a directory listing in another order: its query is nothing but
// the column and order of Apache's mod_autoindex ("?C=M;O=D") or nginx fancyindex ("?C=S&O=A"),
// in any order and letter case. Following one would read the same listing again.
bool IsSortLink(const std::string& address);

}  // namespace ch
