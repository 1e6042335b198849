#pragma once

#include <array>
#include <string>
#include <vector>

namespace ch {

constexpr int kSlotCount = 5;

// The five video download slots: the address each holds and when it last made progress, in
// seconds of the monotonic clock.
class DownloadSlots {
  public:
    bool IsFree(int slot) const { return !At(slot).busy; }
    const std::string& Address(int slot) const { return At(slot).address; }
    double LastProgress(int slot) const { return At(slot).lastProgress; }
    // The slot holding the address, or -1.
    int Find(const std::string& address) const;
    int Active() const;

    void Fill(int slot, std::string address, double now) {
        At(slot) = {true, std::move(address), now};
    }
    void Touch(int slot, double now) { At(slot).lastProgress = now; }
    void Release(int slot) { At(slot) = {}; }
    // Empties every slot; returns the addresses they held, lowest slot first.
    std::vector<std::string> ReleaseAll();

  private:
    struct Slot {
        bool busy = false;
        std::string address;
        double lastProgress = 0;
    };
    Slot& At(int slot) { return slots_.at(static_cast<size_t>(slot)); }
    const Slot& At(int slot) const { return slots_.at(static_cast<size_t>(slot)); }

    std::array<Slot, kSlotCount> slots_;
};

}  // namespace ch
