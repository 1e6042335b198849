// Downloads several large files at once through QtDownloadService (via http_proxy) and reports
// the peak resident memory of the process. Run by tools/measure-memory.sh.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "platform/net/qt_download_service.h"
#include "platform/net/qt_event_pump.h"

namespace {

// Peak resident set size in kB, as the kernel counts it.
long PeakResidentKb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("VmHWM:")) return std::stol(line.substr(6));
    return -1;
}

class Tally : public ch::ReadListener {
  public:
    int ended = 0;
    int failed = 0;
    void ReadProgress(const std::string& name, int status, const std::string& text, std::int64_t,
                      std::int64_t) override {
        if (status != ch::ReadStatus::Error) return;
        ++ended;
        ++failed;
        std::cerr << name << " failed: " << text << "\n";
    }
    void ReadComplete(const std::string&, int, const ch::ReadBody&) override { ++ended; }
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 4) {
        std::cerr
            << "usage: download_memory_driver FOLDER URL COUNT  (reads URL0 .. URL<COUNT-1>)\n";
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    const std::string url = argv[2];
    const int count = std::stoi(argv[3]);

    ch::QtDownloadService service;
    Tally tally;
    service.SetListener(&tally);
    for (int i = 0; i < count; ++i) {
        const std::string name = "V" + std::to_string(i);
        if (!service.StartRead(url + std::to_string(i), name, folder / (name + ".part"))) {
            std::cerr << "cannot start " << name << "\n";
            return 1;
        }
    }
    ch::QtEventPump pump;
    QDeadlineTimer limit(300'000);
    while (tally.ended < count && !limit.hasExpired()) pump.WaitForEvent();

    std::uintmax_t bytes = 0;
    for (int i = 0; i < count; ++i) {
        std::error_code error;
        bytes += std::filesystem::file_size(folder / ("V" + std::to_string(i) + ".part"), error);
    }
    std::cout << "downloads: " << count << ", ended: " << tally.ended
              << ", failed: " << tally.failed << ", bytes on disk: " << bytes << "\n"
              << "peak resident memory: " << PeakResidentKb() / 1024 << " MB\n";
    return tally.ended == count && tally.failed == 0 ? 0 : 1;
}
