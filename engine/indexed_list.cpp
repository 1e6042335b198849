#include "engine/indexed_list.h"

#include <utility>

namespace ch {

void IndexedList::Append(std::string text) {
    ++occurrences_[text];
    items_.push_back(std::move(text));
}

void IndexedList::Set(int index, std::string text) {
    std::string& slot = items_.at(static_cast<size_t>(index));
    if (slot == text) return;
    Forget(slot);
    ++occurrences_[text];
    slot = std::move(text);
}

void IndexedList::Swap(int first, int second) {
    std::swap(items_.at(static_cast<size_t>(first)), items_.at(static_cast<size_t>(second)));
}

void IndexedList::Insert(int index, const std::vector<std::string>& texts) {
    for (const std::string& text : texts) ++occurrences_[text];
    items_.insert(items_.begin() + index, texts.begin(), texts.end());
}

void IndexedList::Clear() {
    items_.clear();
    occurrences_.clear();
}

void IndexedList::Forget(const std::string& text) {
    auto found = occurrences_.find(text);
    if (found != occurrences_.end() && --found->second == 0) occurrences_.erase(found);
}

}  // namespace ch
