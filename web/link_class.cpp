#include "web/link_class.h"

#include <array>
#include <string_view>

#include "engine/text.h"

namespace ch {

namespace {

struct SuffixRule {
    std::string_view Suffix;
    LinkClass Class;
};

// The first rule that matches decides; the order matters (".rm" after the four-letter suffixes).
constexpr std::array kRules{
    SuffixRule{".avi", LinkClass::Video},    SuffixRule{".mpg", LinkClass::Video},
    SuffixRule{".wmv", LinkClass::Video},    SuffixRule{".flv", LinkClass::Video},
    SuffixRule{".mov", LinkClass::Video},    SuffixRule{".mpe", LinkClass::Video},
    SuffixRule{".mpa", LinkClass::Video},    SuffixRule{".asf", LinkClass::Video},
    SuffixRule{".asx", LinkClass::Video},    SuffixRule{".bmp", LinkClass::Ignored},
    SuffixRule{".jpg", LinkClass::Ignored},  SuffixRule{".png", LinkClass::Ignored},
    SuffixRule{".gif", LinkClass::Ignored},  SuffixRule{".pcx", LinkClass::Ignored},
    SuffixRule{".tif", LinkClass::Ignored},  SuffixRule{".wmf", LinkClass::Ignored},
    SuffixRule{".exe", LinkClass::Ignored},  SuffixRule{".zip", LinkClass::Ignored},
    SuffixRule{".pdf", LinkClass::Ignored},  SuffixRule{".doc", LinkClass::Ignored},
    SuffixRule{".mp3", LinkClass::Ignored},  SuffixRule{".wav", LinkClass::Ignored},
    SuffixRule{".pps", LinkClass::Ignored},  SuffixRule{".swf", LinkClass::Ignored},
    SuffixRule{".ppt", LinkClass::Ignored},  SuffixRule{".rm", LinkClass::Video},
    SuffixRule{".qt", LinkClass::Ignored},   SuffixRule{".jpeg", LinkClass::Ignored},
    SuffixRule{".tiff", LinkClass::Ignored}, SuffixRule{".mpeg", LinkClass::Video},
    SuffixRule{".rmvb", LinkClass::Video},
};

}  // namespace

LinkClass ClassifyLink(const std::string& link) {
    const std::string lowered = text::ToLower(link);
    for (const SuffixRule& rule : kRules)
        if (lowered.ends_with(rule.Suffix)) return rule.Class;
    return LinkClass::Page;
}

}  // namespace ch
