#include "web/tag_cursor.h"

#include <string_view>

#include "engine/text.h"

namespace ch {

bool TagCursor::Next() {
    open_ = html_.find('<', started_ ? close_ + 1 : 0);
    started_ = true;
    close_ = open_ == std::string::npos ? open_ : html_.find('>', open_ + 1);
    if (close_ == std::string::npos) return false;
    text_ = text::TrimSpaces(std::string_view(html_).substr(open_ + 1, close_ - open_ - 1));
    lowered_ = text::ReplaceAll(text::ToLower(text_), "&nbsp;", " ");
    name_ = lowered_.substr(0, lowered_.find(' '));
    return true;
}

}  // namespace ch
