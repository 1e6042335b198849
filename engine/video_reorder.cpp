#include "engine/video_reorder.h"

#include <algorithm>
#include <unordered_map>

#include "engine/product.h"
#include "engine/site_form.h"

namespace ch {
namespace {

constexpr int kReorderLimit = 500;
constexpr int kDefaultKeywordKeptEntries = 100;

// The window: the sites of the entries from start to pos, counted.
class SiteWindow {
  public:
    void Add(const std::string& site) { ++sites_[site]; }
    bool Holds(const std::string& site) const { return sites_.contains(site); }
    void Clear() { sites_.clear(); }

  private:
    std::unordered_map<std::string, int> sites_;
};

// The site of an entry; the entry itself gets its scheme when it had none.
std::string SiteOfEntry(VideoQueue& videos, int index) {
    std::string address = videos[index];
    std::string site = GetHostUrl(address);
    if (address != videos[index]) videos.Set(index, std::move(address));
    return site;
}

}  // namespace

void ReorderPendingVideos(EngineSession& session) {
    RunState& state = session.State;
    VideoQueue& videos = state.VideoLinks;
    const int limit = std::min(state.VideoLinkCount(), kReorderLimit);
    int start = 0;
    int pos = state.CurrentKeyword == kDefaultKeyword &&
                      state.VideoLinkCount() >= kDefaultKeywordKeptEntries + 1
                  ? kDefaultKeywordKeptEntries
                  : 0;
    SiteWindow window;
    bool windowFilled = false;
    while (pos + 1 <= limit - 1) {
        if (!windowFilled) {
            window.Clear();
            for (int i = start; i <= pos; ++i) window.Add(SiteOfEntry(videos, i));
            windowFilled = true;
        }
        int found = -1;
        std::string foundSite;
        for (int j = pos + 1; j <= limit - 1; ++j) {
            session.Yield();
            std::string site = SiteOfEntry(videos, j);
            if (!window.Holds(site)) {
                found = j;
                foundSite = std::move(site);
                break;
            }
        }
        if (found >= 0) {
            if (found != pos + 1) {
                videos.Swap(found, pos + 1);
                session.Status("Reordering resource: " + videos[found]);
            }
            window.Add(foundSite);
            ++pos;
            if (pos + 1 >= limit - 1) break;
        } else {
            if (pos + 1 >= limit - 1) break;
            ++pos;
            start = pos;
            windowFilled = false;
        }
    }
}

}  // namespace ch
