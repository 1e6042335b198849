#include "web/page_parser.h"

#include "engine/text.h"
#include "web/link_class.h"
#include "web/link_lists.h"
#include "web/link_services.h"
#include "web/tag_cursor.h"

namespace ch {

using text::Contains;

namespace {

class PageWalk {
  public:
    PageWalk(WebContext& web, const std::string& html, const std::string& address)
        : web_(web), html_(html), address_(address) {}

    bool Run() {
        web_.Report.Status("Begin to parse new link " + address_);
        TagCursor tag(html_);
        while (tag.Next()) {
            web_.Pump.Yield();
            if (web_.State.StopRequested) return false;
            if (tag.Name() == "meta") {
                ReadMeta(tag.Lowered());
            } else if (tag.Name() == "title") {
                if (!ReadTitle(tag.Close())) return false;
            } else if (tag.Name() == "a") {
                if (!ReadLink(tag.Text(), tag.Close())) break;
            }
        }
        web_.Report.Status("Finished to parse link: " + address_);
        return true;
    }

  private:
    bool Mentions(const std::string& text) const {
        return Contains(text, web_.State.CurrentKeyword);
    }

    void ReadMeta(const std::string& lowered) {
        web_.Pump.Yield();
        std::string text;
        if (Contains(lowered, "keyword"))
            text = GetMetaKeywords(lowered);
        else if (Contains(lowered, "description"))
            text = GetMetaDescription(lowered);
        else
            return;
        if (Mentions(text)) keywordFound_ = true;
    }

    // False when no tag follows the title: its text has no end.
    bool ReadTitle(size_t close) {
        const size_t end = html_.find('<', close + 1);
        if (end == std::string::npos) return false;
        if (Mentions(html_.substr(close + 1, end - close - 1))) keywordFound_ = true;
        return true;
    }

    // False when no "</a" follows the tag: the walk ends there.
    bool ReadLink(const std::string& tagText, size_t close) {
        web_.Pump.Yield();
        const std::string link = GetTagAttribute(tagText, "href=");
        if (!HasClosingAnchorAfter(close)) return false;
        switch (ClassifyLink(link)) {
            case LinkClass::Video: {
                const std::string resolved = ResolveLink(address_, link);
                if (resolved.empty()) break;
                if (!web_.State.KeywordFilter || keywordFound_ || Mentions(resolved))
                    AddVideoLink(web_, resolved);
                break;
            }
            case LinkClass::Page: {
                web_.Pump.Yield();
                const std::string resolved = ResolveLink(address_, link);
                if (!resolved.empty()) AddExpandLink(web_, resolved);
                break;
            }
            case LinkClass::Ignored:
                break;
        }
        return true;
    }

    // The next "</a" in any letter case is found once and reused while it lies ahead, so a page
    // with many links costs one pass.
    bool HasClosingAnchorAfter(size_t close) {
        if (loweredPage_.empty()) loweredPage_ = text::ToLower(html_);
        if (!closingAnchorKnown_ || closingAnchor_ <= close) {
            closingAnchor_ = loweredPage_.find("</a", close + 1);
            closingAnchorKnown_ = true;
        }
        return closingAnchor_ != std::string::npos;
    }

    WebContext& web_;
    const std::string& html_;
    const std::string address_;
    std::string loweredPage_;
    size_t closingAnchor_ = 0;
    bool closingAnchorKnown_ = false;
    bool keywordFound_ = false;
};

}  // namespace

bool ParsePageHtml(WebContext& web, const std::string& html, const std::string& address) {
    return PageWalk(web, html, address).Run();
}

}  // namespace ch
