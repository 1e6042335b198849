#include "engine/download_slots.h"

namespace ch {

int DownloadSlots::Find(const std::string& address) const {
    for (int slot = 0; slot < kSlotCount; ++slot)
        if (!IsFree(slot) && Address(slot) == address) return slot;
    return -1;
}

int DownloadSlots::Active() const {
    int active = 0;
    for (int slot = 0; slot < kSlotCount; ++slot) active += IsFree(slot) ? 0 : 1;
    return active;
}

std::vector<std::string> DownloadSlots::ReleaseAll() {
    std::vector<std::string> held;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (IsFree(slot)) continue;
        held.push_back(Address(slot));
        Release(slot);
    }
    return held;
}

}  // namespace ch
