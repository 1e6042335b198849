#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

// Helpers shared by the fuzz targets: cutting one input into fields, and checks that end the run
// loudly (libFuzzer and the corpus replay both treat an abort as a finding).
namespace ch::fuzz {

// The first count - 1 lines of the input as fields, then the rest of the input as the last one;
// missing fields are empty.
inline std::vector<std::string> SplitFields(const std::uint8_t* data, size_t size, size_t count) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> fields;
    while (fields.size() + 1 < count) {
        const size_t end = rest.find('\n');
        fields.emplace_back(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    fields.emplace_back(rest);
    return fields;
}

// The flags field of the parser targets: option bits in its first byte, and in its second the
// yield at which a stop is requested (0: never).
struct ParserFlags {
    unsigned char Bits = 0;
    int StopAtYield = 0;
};

inline ParserFlags ReadParserFlags(const std::string& field) {
    ParserFlags flags;
    if (!field.empty()) flags.Bits = static_cast<unsigned char>(field[0]);
    if (field.size() >= 2) flags.StopAtYield = static_cast<unsigned char>(field[1]);
    return flags;
}

[[noreturn]] inline void Fail(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
    std::abort();
}

}  // namespace ch::fuzz

#define FUZZ_CHECK(condition) \
    ((condition) ? static_cast<void>(0) : ::ch::fuzz::Fail(#condition, __FILE__, __LINE__))
