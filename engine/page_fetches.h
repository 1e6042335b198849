#pragma once

#include <array>

#include "engine/fetch.h"

namespace ch {

// The page fetches in flight, counted per kind. The download control begins and ends them; the
// engine waits on the counts. Nothing else changes them.
class PageFetches {
  public:
    void Begin(FetchKind kind) { ++pending_[Index(kind)]; }
    void End(FetchKind kind) {
        if (pending_[Index(kind)] > 0) --pending_[Index(kind)];
    }
    void CancelAll() { pending_.fill(0); }
    // A page of the kind arrived (rather than failing or being cancelled).
    void Answered(FetchKind kind) { ++answered_[Index(kind)]; }
    int Pending(FetchKind kind) const { return pending_[Index(kind)]; }
    int AnswerCount(FetchKind kind) const { return answered_[Index(kind)]; }

  private:
    static size_t Index(FetchKind kind) { return static_cast<size_t>(kind); }

    std::array<int, 4> pending_{};  // every kind but Video
    std::array<int, 4> answered_{};
};

}  // namespace ch
