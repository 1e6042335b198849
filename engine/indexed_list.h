#pragma once

#include <string>
#include <unordered_map>
#include <vector>

namespace ch {

// A list of strings that keeps its order and indices but answers "is this text in it?" through
// an index, so that duplicate and denied tests stay fast with 100,000 entries. Entries may repeat
// (an entry can be overwritten in place), so the index counts occurrences.
class IndexedList {
  public:
    int Count() const { return static_cast<int>(items_.size()); }
    bool Empty() const { return items_.empty(); }
    const std::string& operator[](int index) const { return items_.at(static_cast<size_t>(index)); }
    const std::vector<std::string>& Items() const { return items_; }

    bool Contains(const std::string& text) const { return occurrences_.contains(text); }
    void Append(std::string text);
    void Set(int index, std::string text);
    void Swap(int first, int second);
    // Inserts the texts before `index`, in order.
    void Insert(int index, const std::vector<std::string>& texts);
    void Clear();

  private:
    void Forget(const std::string& text);

    std::vector<std::string> items_;
    std::unordered_map<std::string, int> occurrences_;
};

}  // namespace ch
