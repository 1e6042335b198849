// List files: any bytes on disk are read, written back and read again without a change; any
// entries written are read back as written (bar the characters a list line cannot hold).
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/list_files.h"
#include "fuzz_input.h"

namespace {

namespace fs = std::filesystem;

fs::path ScratchFolder() {
    static const fs::path folder = [] {
        fs::path path = fs::temp_directory_path() / ("ch-fuzz-list-" + std::to_string(getpid()));
        fs::create_directories(path);
        return path;
    }();
    return folder;
}

std::string Printable(std::string text) {
    std::erase_if(text, [](char c) { return c < 32 || c > 126; });
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    using namespace ch;
    const fs::path file = ScratchFolder() / "fuzz_search.lst";
    const fs::path copy = ScratchFolder() / "fuzz_copy.lst";

    // The input as a list file found on disk.
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const ListFileRead first = ReadListFile(file);
    FUZZ_CHECK(first.State == ListFileState::Read);
    FUZZ_CHECK(WriteListFile(copy, first.Entries));
    const ListFileRead second = ReadListFile(copy);
    FUZZ_CHECK(second.State == ListFileState::Read);
    FUZZ_CHECK(second.Entries == first.Entries);

    // The input's lines as entries to save.
    std::vector<std::string> entries;
    for (const std::string& line : fuzz::SplitFields(data, size, 64)) entries.push_back(line);
    FUZZ_CHECK(WriteListFile(copy, entries, 7));
    const ListFileRead saved = ReadListFile(copy);
    FUZZ_CHECK(saved.State == ListFileState::Read);
    FUZZ_CHECK(saved.Entries.size() == entries.size());
    for (size_t i = 0; i < entries.size(); ++i)
        FUZZ_CHECK(saved.Entries[i] == Printable(entries[i]));
    return 0;
}
