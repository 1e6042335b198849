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
            const std::string& name = tag.Name();
            if (name == "meta") {
                if (!ReadVideoMeta(tag.Text(), tag.Lowered())) ReadMeta(tag.Lowered());
            } else if (name == "video") {
                insideVideo_ = true;
                OfferEmbeddedVideo(GetTagAttribute(tag.Text(), "src="));
            } else if (name == "/video") {
                insideVideo_ = false;
            } else if (name == "source") {
                if (insideVideo_) OfferEmbeddedVideo(GetTagAttribute(tag.Text(), "src="));
            } else if (name == "title") {
                if (!ReadTitle(tag.Close())) return false;
            } else if (name == "a") {
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
        switch (ClassifyLink(link, web_.State.VideoSuffixes)) {
            case LinkClass::Video:
                OfferVideo(link);
                break;
            case LinkClass::Page: {
                web_.Pump.Yield();
                const std::string resolved = ResolveLink(address_, link);
                if (!resolved.empty() && !IsSortLink(resolved)) AddExpandLink(web_, resolved);
                break;
            }
            case LinkClass::Ignored:
                break;
        }
        return true;
    }

    // Resolves a video link and adds it unless the keyword filter holds it back.
    void OfferVideo(const std::string& link) {
        const std::string resolved = ResolveLink(address_, link);
        if (resolved.empty()) return;
        if (!web_.State.KeywordFilter || keywordFound_ || Mentions(resolved))
            AddVideoLink(web_, resolved);
    }

    // A link the page itself names as its video (<video src>, <source src> in a <video>, Open
    // Graph og:video). The markup says what it is, so an address without a known suffix (a
    // script or a bare path) still counts; only what the suffixes drop is left out (pictures,
    // Classic's view of today's containers, .m3u8/.mpd playlists of segments), and blob: and
    // data: addresses, which cannot be fetched at all.
    void OfferEmbeddedVideo(const std::string& link) {
        web_.Pump.Yield();
        if (link.empty() || text::StartsWithNoCase(link, "blob:") ||
            text::StartsWithNoCase(link, "data:"))
            return;
        if (ClassifyLink(link, web_.State.VideoSuffixes) == LinkClass::Ignored) return;
        OfferVideo(link);
    }

    // Reads an Open Graph video address; false when the meta is not one, so that it is read for
    // keywords instead.
    bool ReadVideoMeta(const std::string& tagText, const std::string& lowered) {
        if (!Contains(lowered, "og:video")) return false;
        const std::string property = text::ToLower(GetTagAttribute(tagText, "property="));
        if (property != "og:video" && property != "og:video:url" &&
            property != "og:video:secure_url")
            return property.starts_with("og:video");
        if (OpenGraphVideoIsVideo()) OfferEmbeddedVideo(GetTagAttribute(tagText, "content="));
        return true;
    }

    // og:video may name a player or a sound; its type, anywhere on the page, says which. A
    // page without a type is taken at its word.
    bool OpenGraphVideoIsVideo() {
        if (!openGraphTypeRead_) {
            openGraphTypeRead_ = true;
            TagCursor tag(html_);
            while (tag.Next()) {
                if (tag.Name() != "meta" || !Contains(tag.Lowered(), "og:video:type")) continue;
                if (text::ToLower(GetTagAttribute(tag.Text(), "property=")) != "og:video:type")
                    continue;
                const std::string type = text::ToLower(GetTagAttribute(tag.Text(), "content="));
                openGraphIsVideo_ = type.starts_with("video/");
                break;
            }
        }
        return openGraphIsVideo_;
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
    bool insideVideo_ = false;
    bool openGraphTypeRead_ = false;
    bool openGraphIsVideo_ = true;
};

}  // namespace

bool ParsePageHtml(WebContext& web, const std::string& html, const std::string& address) {
    return PageWalk(web, html, address).Run();
}

}  // namespace ch
