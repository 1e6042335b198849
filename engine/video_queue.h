#pragma once

#include <string>
#include <vector>

#include "engine/indexed_list.h"

namespace ch {

// The videos of a run in the order they are taken: entries before Next() are taken, the rest
// wait. Every address known to the run stays in it, so that a video is queued once. Queued()
// counts the videos neither finished nor passed over, as the window shows it.
class VideoQueue {
  public:
    int Count() const { return links_.Count(); }
    int Next() const { return next_; }
    int Queued() const { return queued_; }
    bool HasWaiting() const { return next_ < links_.Count(); }
    const std::string& operator[](int index) const { return links_[index]; }
    const std::vector<std::string>& Items() const { return links_.Items(); }
    bool Contains(const std::string& address) const { return links_.Contains(address); }

    // Queues an address unless it is known; true when it was new.
    bool Add(std::string address);
    // Queues a line of the pending list as it stands, a repeated one too.
    void Load(std::string address) {
        links_.Append(std::move(address));
        ++queued_;
    }
    // Rewrites an entry in place (its address made whole) or swaps two (reordering).
    void Set(int index, std::string address) { links_.Set(index, std::move(address)); }
    void Swap(int first, int second) { links_.Swap(first, second); }
    // Takes the entry at `index` (at or after Next()): the passed-over head moves to its place.
    void Take(int index);
    // Passes over the head without downloading it (its site is denied).
    void Skip();
    // A taken video has ended, saved or not.
    void Done() { --queued_; }
    // Puts taken videos back at the head, in the given order, to be downloaded first.
    void RequeueAtFront(const std::vector<std::string>& addresses);
    // The waiting entries, in order.
    std::vector<std::string> Waiting() const;
    void Clear();

  private:
    IndexedList links_;
    int next_ = 0;
    int queued_ = 0;
};

}  // namespace ch
