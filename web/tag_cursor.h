#pragma once

#include <string>

namespace ch {

// Walks the tags of a page in order: each "<" with the first ">" after it. Both page parsers read
// tags this way, so a page is cut into tags by one rule.
class TagCursor {
  public:
    explicit TagCursor(const std::string& html) : html_(html) {}

    // Moves to the next tag; false when no whole tag follows.
    bool Next();
    // Goes on after `position` instead (the end of a block the caller skipped).
    void ResumeAfter(size_t position) { close_ = position; }

    size_t Open() const { return open_; }
    size_t Close() const { return close_; }
    // The tag's text between the brackets, without outer blanks.
    const std::string& Text() const { return text_; }
    // The same in lower case, "&nbsp;" read as a blank.
    const std::string& Lowered() const { return lowered_; }
    // The lowered text up to its first blank.
    const std::string& Name() const { return name_; }

  private:
    const std::string& html_;
    size_t open_ = std::string::npos;
    size_t close_ = std::string::npos;
    bool started_ = false;
    std::string text_;
    std::string lowered_;
    std::string name_;
};

}  // namespace ch
