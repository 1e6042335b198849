// Saved video names and keyword folders: whatever the address or keyword, the name is one
// entry of its folder.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "fuzz_input.h"
#include "web/video_file_names.h"

namespace {

void CheckStaysInFolder(const std::optional<std::string>& name) {
    if (!name) return;
    FUZZ_CHECK(!name->empty());
    FUZZ_CHECK(*name != "." && *name != "..");
    FUZZ_CHECK(name->size() <= ch::kMaxFileNameBytes);
    FUZZ_CHECK(name->find_first_of(std::string("/\\\0", 3)) == std::string::npos);
    const std::filesystem::path folder = "/downloads/funny";
    const std::filesystem::path file = (folder / *name).lexically_normal();
    FUZZ_CHECK(file.parent_path() == folder);
    FUZZ_CHECK(file.filename() == *name);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::optional<std::string> video = ch::VideoFileName(text);
    CheckStaysInFolder(video);
    FUZZ_CHECK(video == ch::VideoFileName(text));  // the same address, the same name
    CheckStaysInFolder(ch::KeywordFolderName(text));
    // Only names the file system could not hold are refused.
    if (text.size() > 2) FUZZ_CHECK(video.has_value());
    return 0;
}
