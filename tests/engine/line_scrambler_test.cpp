#include "engine/line_scrambler.h"

#include <gtest/gtest.h>

#include "engine/random_generator.h"

namespace ch {
namespace {

// Saved list files are only readable while these stay the same.
TEST(ListScrambling, KnownAnswersOfTheListKeyStayFixed) {
    EXPECT_EQ(KeyHash(kListKey), 452489310);
    const struct {
        const char* plain;
        const char* scrambled;
    } cases[] = {
        {"1 http://www.example.com/clips/a.avi", ")EcO6S.{-E~{c]K.?(CC smTWzS{rT@)4IRA"},
        {"14 index of funny", ")YzD0GYe}=m$<mA;K"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ScrambleLine(kListKey, c.plain), c.scrambled);
        EXPECT_EQ(UnscrambleLine(kListKey, c.scrambled), c.plain);
    }
}

TEST(ListScrambling, GeneratorSequenceIsFixed) {
    RandomGenerator random;
    random.Reset();
    random.Seed(12345);
    EXPECT_EQ(random.Next(), 0.87253282545134425);
    EXPECT_EQ(random.Next(), 0.17077958886511624);
    EXPECT_EQ(random.Next(), 0.055649128276854753);
    random.Reset();
    random.Seed(12345);
    EXPECT_EQ(random.Next(), 0.87253282545134425) << "Reset restarts the sequence";
}

TEST(ListScrambling, KeyHashOfShortKeysIsZero) {
    EXPECT_EQ(KeyHash(""), 0);
    EXPECT_EQ(KeyHash("x"), 0);
    EXPECT_NE(KeyHash("xy"), 0);
}

TEST(ListScrambling, EveryPrintableTextComesBackWhole) {
    std::string all;
    for (int c = 32; c <= 126; ++c) all.push_back(static_cast<char>(c));
    for (const std::string& text : {std::string("abc"), all, all + all, std::string(" ")}) {
        const std::string scrambled = ScrambleLine(kListKey, text);
        EXPECT_EQ(scrambled.size(), text.size());
        EXPECT_EQ(UnscrambleLine(kListKey, scrambled), text);
    }
    EXPECT_NE(ScrambleLine(kListKey, "abc"), "abc");
}

TEST(ListScrambling, ShiftsDependOnlyOnThePosition) {
    const std::string first = ScrambleLine(kListKey, "http://one.example/");
    const std::string second = ScrambleLine(kListKey, "http://two.example/");
    EXPECT_EQ(first.substr(0, 7), second.substr(0, 7));
    EXPECT_NE(first, second);
}

TEST(ListScrambling, NonPrintableCharactersAreDroppedWithoutUsingAShift) {
    EXPECT_EQ(ScrambleLine(kListKey, "a\tb\x01\xE9"), ScrambleLine(kListKey, "ab"));
    EXPECT_EQ(UnscrambleLine(kListKey, ScrambleLine(kListKey, "1 a\tb")), "1 ab");
    EXPECT_EQ(ScrambleLine(kListKey, "\t\r\n"), "");
}

}  // namespace
}  // namespace ch
