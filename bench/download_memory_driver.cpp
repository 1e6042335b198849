// Downloads URL0 .. URL<COUNT-1> at once through QtDownloadService (via http_proxy) into FOLDER
// and reports the peak resident memory of the process. Run by tools/measure-memory.sh.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <fstream>
#include <iostream>

#include "platform/net/qt_download_service.h"
#include "platform/net/qt_event_pump.h"

namespace {

class Tally : public ch::ReadListener {
  public:
    int ended = 0, failed = 0;
    void ReadProgress(const std::string& name, int status, const std::string& text, std::int64_t,
                      std::int64_t) override {
        if (status != ch::ReadStatus::Error) return;
        ++ended, ++failed;
        std::cerr << name << " failed: " << text << "\n";
    }
    void ReadComplete(const std::string&, int, const ch::ReadBody&) override { ++ended; }
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 4) return std::cerr << "usage: download_memory_driver FOLDER URL COUNT\n", 2;
    const int count = std::stoi(argv[3]);
    ch::QtDownloadService service;
    Tally tally;
    service.SetListener(&tally);
    for (int i = 0; i < count; ++i) {
        const std::string name = std::string(1, 'V').append(std::to_string(i));
        if (!service.StartRead(argv[2] + std::to_string(i), name,
                               std::filesystem::path(argv[1]) / (name + ".part")))
            return std::cerr << "cannot start " << name << "\n", 1;
    }
    ch::QtEventPump pump;
    for (QDeadlineTimer limit(300'000); tally.ended < count && !limit.hasExpired();)
        pump.WaitForEvent();
    // The kernel's count of the peak resident set, in kB.
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line) && !line.starts_with("VmHWM:")) {
    }
    std::cout << "downloads: " << count << ", ended: " << tally.ended
              << ", failed: " << tally.failed
              << "\npeak resident memory: " << std::stol(line.substr(6)) / 1024 << " MB\n";
    return tally.ended == count && tally.failed == 0 ? 0 : 1;
}
