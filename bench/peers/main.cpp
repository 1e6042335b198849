// bench_synthetic_web: writes the synthetic web of one scale, and the peers' inputs, into a folder.
#include <exception>
#include <fstream>
#include <iostream>
#include <string>

#include "bench/peers/synthetic_web.h"
#include "bench/peers/web_files.h"

int main(int argc, char** argv) {
    const auto scale = argc == 3 ? ch::bench::ParseWebScale(argv[1]) : std::nullopt;
    if (!scale) {
        std::cerr << "usage: bench_synthetic_web small|medium|large|fivebig FOLDER\n";
        return 2;
    }
    try {
        const std::filesystem::path folder = argv[2];
        ch::bench::WriteWebFiles(ch::bench::MakeSyntheticWeb(*scale), folder);
        std::cout << std::ifstream(folder / "expected.txt").rdbuf();
    } catch (const std::exception& error) {
        std::cerr << "bench_synthetic_web: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
