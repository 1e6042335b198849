#include "engine/line_scrambler.h"

#include "engine/random_generator.h"

namespace ch {
namespace {

constexpr int kFirstPrintable = 32;
constexpr int kLastPrintable = 126;
constexpr int kPrintableCount = 95;

bool IsPrintable(int c) {
    return c >= kFirstPrintable && c <= kLastPrintable;
}

// Both directions draw the same shifts: one per printable character, from a restarted generator.
template <typename ShiftCharacter>
std::string Transform(std::string_view key, std::string_view text, ShiftCharacter shift) {
    RandomGenerator random;
    random.Reset();
    random.Seed(KeyHash(key));
    std::string result;
    result.reserve(text.size());
    for (char ch : text) {
        const int c = static_cast<unsigned char>(ch);
        if (!IsPrintable(c)) continue;
        const int s = static_cast<int>(random.Next() * 96);
        result.push_back(static_cast<char>(shift(c - kFirstPrintable, s) + kFirstPrintable));
    }
    return result;
}

}  // namespace

std::int32_t KeyHash(std::string_view key) {
    std::uint32_t h = 0;
    int a = 0;
    int b = 0;
    for (char ch : key) {
        const std::uint32_t c = static_cast<unsigned char>(ch);
        h ^= c << a;
        h ^= c << b;
        a = (a + 7) % 19;
        b = (b + 13) % 23;
    }
    return static_cast<std::int32_t>(h);
}

std::string ScrambleLine(std::string_view key, std::string_view text) {
    return Transform(key, text, [](int d, int s) { return (d + s) % kPrintableCount; });
}

std::string UnscrambleLine(std::string_view key, std::string_view text) {
    return Transform(key, text, [](int d, int s) {
        const int back = (d - s) % kPrintableCount;
        return back < 0 ? back + kPrintableCount : back;
    });
}

}  // namespace ch
