#pragma once

#include <string>

namespace ch {

enum class LinkClass { Video, Ignored, Page };

// Sorts a link by the end of its text, in any letter case: video files, files that are dropped
// (pictures, documents, archives, sound), and everything else, which is a page.
LinkClass ClassifyLink(const std::string& link);

}  // namespace ch
