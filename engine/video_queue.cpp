#include "engine/video_queue.h"

namespace ch {

bool VideoQueue::Add(std::string address) {
    if (links_.Contains(address)) return false;
    links_.Append(std::move(address));
    ++queued_;
    return true;
}

void VideoQueue::Take(int index) {
    // The candidate stays in the taken part so that it still counts as known.
    if (index > next_) links_.Swap(index, next_);
    ++next_;
}

void VideoQueue::Skip() {
    ++next_;
    --queued_;
}

void VideoQueue::RequeueAtFront(const std::vector<std::string>& addresses) {
    links_.Insert(next_, addresses);
}

std::vector<std::string> VideoQueue::Waiting() const {
    return {Items().begin() + next_, Items().end()};
}

void VideoQueue::Clear() {
    links_.Clear();
    next_ = 0;
    queued_ = 0;
}

}  // namespace ch
