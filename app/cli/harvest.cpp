#include "app/cli/harvest.h"

#include <unistd.h>

#include <QTimer>
#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>

#include "app/cli/cli_network_watch.h"
#include "app/cli/flag_file_network_status.h"
#include "app/cli/program_folder.h"
#include "engine/pause_aware_clock.h"
#include "engine/product.h"
#include "engine/run_engine.h"
#include "engine/status_texts.h"
#include "engine/text.h"
#include "netstat/throughput_meter.h"
#include "platform/net/qt_download_service.h"
#include "platform/net/qt_event_pump.h"
#include "platform/net/system_clock.h"
#include "platform/registry/ini_registry.h"
#include "platform/system/linux_interface_table.h"
#include "platform/system/linux_network_status.h"
#include "platform/system/signal_pipe.h"
#include "platform/system/single_instance_lock.h"
#include "settings/search_start.h"
#include "settings/settings_store.h"
#include "settings/video_settings.h"
#include "shell/startup/start_up.h"
#include "ui/terminal/run_report.h"
#include "ui/terminal/terminal_status_view.h"
#include "web/ocx_parse_web.h"
#include "web/search_engines/search_engines.h"
#include "web/video_file_names.h"

namespace ch {

namespace {

constexpr int kRedrawIntervalMs = 100;
constexpr int kSampleIntervalMs = 500;  // tmrFlux
constexpr const char* kNetworkFlagVariable = "CLIPHARVESTER_NETWORK_DOWN_FLAG";

std::unique_ptr<NetworkStatus> ChooseNetworkStatus() {
    if (const char* flag = std::getenv(kNetworkFlagVariable); flag && *flag)
        return std::make_unique<FlagFileNetworkStatus>(flag);
    return std::make_unique<LinuxNetworkStatus>();
}

// The engine's message at the end of a run, kept until the outcome says where it goes: standard
// output after a completed run, standard error as the reason of a stop.
class EndMessage : public MessageBox {
  public:
    void Show(const std::string& text, const std::string&, MessageIcon) override { text_ = text; }
    const std::string& Text() const { return text_; }

  private:
    std::string text_;
};

const char* Headline(RunEnd end) {
    switch (end) {
        case RunEnd::Stopped:
            return "Stopped";
        case RunEnd::NetworkLost:
            return "Network lost";
        case RunEnd::Failed:
            return "Failed";
        case RunEnd::Completed:
        case RunEnd::Refused:
        case RunEnd::NothingFound:
            break;
    }
    return "Done";
}

class Harvest {
  public:
    Harvest(const CliOptions& options, const std::filesystem::path& executableFolder,
            HarvestOutput output)
        : options_(options), output_(std::move(output)) {
        const std::filesystem::path chosen = options.ProgramFolder.empty()
                                                 ? executableFolder
                                                 : std::filesystem::path(options.ProgramFolder);
        state_.ProgramFolder = std::filesystem::absolute(chosen).lexically_normal();
    }

    ExitStatus Run() {
        if (!PrepareFolders()) return ExitStatus::Failed;
        return Search();
    }

  private:
    // To standard error; above the status block while one is drawn.
    void Tell(const std::string& what) {
        const std::string line = "clipharvester-cli: " + what;
        if (view_) return view_->Warn(line);
        output_.Err << line << '\n';
        output_.Err.flush();
    }
    ExitStatus Fail(const std::string& why) {
        Tell(why);
        return ExitStatus::Failed;
    }

    // The tray program's start-up steps, with a clear message instead of a silent end.
    bool PrepareFolders() {
        const std::string folder = state_.ProgramFolder.string();
        if (const std::string why = PrepareProgramFolder(state_.ProgramFolder); !why.empty()) {
            Fail(why);
            return false;
        }
        for (const auto& file : {IniRegistry::FileIn(state_.ProgramFolder),
                                 state_.ProgramFolder / kInstanceLockFile}) {
            std::error_code error;
            if (std::filesystem::is_symlink(file, error)) {
                Fail(file.string() +
                     " is a symbolic link: ClipHarvester writes no file through one");
                return false;
            }
        }
        switch (lock_.Acquire(state_.ProgramFolder)) {
            case SingleInstanceLock::Result::Acquired:
                break;
            case SingleInstanceLock::Result::HeldByAnother:
                Fail("another ClipHarvester is using the program folder " + folder +
                     "; wait for it to end, or give another --program-folder");
                return false;
            case SingleInstanceLock::Result::Failed:
                Fail("cannot lock the program folder " + folder);
                return false;
        }
        registry_ = std::make_unique<IniRegistry>(IniRegistry::FileIn(state_.ProgramFolder));
        const StartUpResult started = ch::StartUp(state_, *registry_);
        if (!started.Ready()) {
            const bool aboutDownloads = started.Failure == StartUpFailure::DownloadFolderNotCreated;
            Fail(StartUpFailureText(started.Failure) + " (" +
                 (aboutDownloads ? state_.DownloadFolder : folder) + ")");
            return false;
        }
        if (const std::string why = WritableFolderError(state_.DownloadFolderPath());
            !why.empty()) {
            Fail("cannot write in the download folder " + state_.DownloadFolder + ": " + why);
            return false;
        }
        return true;
    }

    ExitStatus Search() {
        SystemClock systemClock;
        PauseAwareClock clock(systemClock);
        QtEventPump pump;
        QtDownloadService service;
        TerminalStatusView view(output_.Out, output_.Err, output_.Interactive, options_.Output,
                                output_.Width);
        view.OnSearchDone([this] { return SearchOutcomeText(state_); });
        view_ = &view;
        struct Forget {
            TerminalStatusView*& view;
            ~Forget() { view = nullptr; }
        } forget{view_};
        EndMessage endMessage;
        ocxParseWeb control(state_, service, view, clock, pump);
        const auto networkStatus = ChooseNetworkStatus();
        CliNetworkWatch watch(state_, *networkStatus);
        LinuxInterfaceTable interfaces;
        ThroughputMeter meter(interfaces, view, state_, view);

        // The view shows the throughput for the whole run, so the meter samples from its start;
        // the counters are read only for a sample.
        QTimer redraw, sample;
        QObject::connect(&redraw, &QTimer::timeout, [&view] { view.Refresh(); });
        QObject::connect(&sample, &QTimer::timeout, [&meter] { meter.Tick(); });
        redraw.start(kRedrawIntervalMs);
        sample.start(kSampleIntervalMs);

        // A closed terminal (SIGHUP) stops the run as Ctrl-C does, so the work is saved.
        SignalPipe stopSignals({SIGINT, SIGTERM, SIGHUP},
                               [this](int count) { OnStopSignal(count); });

        // The Start steps of the search window; the engine then runs at once instead of on the
        // next tick of a timer.
        state_.SearchWindowShown = true;
        // The keyword field keeps what was typed in lower case.
        state_.CurrentKeyword = text::ToLower(options_.Keyword);
        if (!KeywordFolderName(state_.CurrentKeyword))
            return Fail("the keyword cannot name a folder (empty, \".\", \"..\" or longer than " +
                        std::to_string(kMaxKeywordBytes) + " bytes): choose another");
        if (const ExitStatus status = ApplyOptionSettings(); status != ExitStatus::Completed)
            return status;
        const auto searchEngine = MakeSearchEngine(state_.SearchEngineChoice);
        if (!searchEngine)
            return Fail("registry.ini names a search engine that does not exist: " +
                        SearchEngineChoiceError(state_.SearchEngineChoice));
        state_.Search = searchEngine.get();
        if (BeginSearch(state_, *registry_, view, clock) == SearchStart::SettingsNotSaved)
            return Fail(kSettingsNotSavedText);
        if (options_.NoRobots) state_.HonourRobots = false;
        EnginePorts ports{control, pump, view, endMessage, clock, watch};
        const double began = clock.MonotonicSeconds();
        const RunOutcome outcome = RunEngine(state_, ports);
        const double seconds = clock.MonotonicSeconds() - began;
        if (outcome.End == RunEnd::Completed) {
            std::istringstream lines(endMessage.Text());
            for (std::string line; std::getline(lines, line);)
                view.Notice(std::string(kProductTitle) + ": " + line);
        }
        view.Finish(RunSummaryText(Headline(outcome.End), state_, seconds));
        switch (outcome.End) {
            case RunEnd::Completed:
                return ExitStatus::Completed;
            case RunEnd::Refused:
                Tell(SearchRefusedMessage(state_.SearchRefusal));
                return ExitStatus::SearchRefused;
            case RunEnd::NothingFound:
                Tell(NoSiteFoundMessage(state_.Search->Name()));
                return ExitStatus::NothingFound;
            case RunEnd::Stopped:
                Tell(endMessage.Text());
                return ExitStatus::Stopped;
            case RunEnd::NetworkLost:
                Tell(endMessage.Text());
                return ExitStatus::NetworkLost;
            case RunEnd::Failed:
                break;
        }
        return Fail("the run failed: " + outcome.Failure);
    }

    // The search engine, the video settings and the download folder given on the command line
    // become the choice of both programs, stored all or none; Completed when there is nothing to
    // refuse.
    ExitStatus ApplyOptionSettings() {
        const bool given = !options_.SearchEngine.empty() || options_.VideoSuffixes ||
                           options_.MinVideoBytes || options_.MaxVideoBytes ||
                           !options_.DownloadFolder.empty();
        if (!given) return ExitStatus::Completed;
        if (!options_.SearchEngine.empty()) state_.SearchEngineChoice = options_.SearchEngine;
        state_.VideoSuffixes = options_.VideoSuffixes.value_or(state_.VideoSuffixes);
        state_.MinVideoBytes = options_.MinVideoBytes.value_or(state_.MinVideoBytes);
        state_.MaxVideoBytes = options_.MaxVideoBytes.value_or(state_.MaxVideoBytes);
        // A bound given alone can clash with the other one, kept from before.
        if (const std::string why =
                VideoSizeWindowError(state_.MinVideoBytes, state_.MaxVideoBytes);
            !why.empty()) {
            Tell(why +
                 "; the other one is the size kept in registry.ini: give --min-size and "
                 "--max-size together");
            return ExitStatus::BadUsage;
        }
        const bool newFolder = !options_.DownloadFolder.empty();
        if (newFolder) {
            const std::string why = ChooseDownloadFolder(options_.DownloadFolder);
            if (!why.empty()) return Fail(why);
        }
        if (!SaveOptionSettings(state_, *registry_, newFolder)) return Fail(kSettingsNotSavedText);
        return ExitStatus::Completed;
    }

    // Makes the folder (taken from the current folder when relative) the download folder, as
    // the start-up checks a stored one; returns why it cannot be.
    std::string ChooseDownloadFolder(const std::string& given) {
        std::error_code error;
        std::filesystem::path folder = std::filesystem::absolute(given, error).lexically_normal();
        if (!folder.has_filename() && folder.has_relative_path()) folder = folder.parent_path();
        if (!error) std::filesystem::create_directories(folder, error);
        if (error || !std::filesystem::is_directory(folder, error))
            return StartUpFailureText(StartUpFailure::DownloadFolderNotCreated) + " (" +
                   folder.string() + ")";
        if (const std::string why = WritableFolderError(folder); !why.empty())
            return "cannot write in the download folder " + folder.string() + ": " + why;
        state_.DownloadFolder = folder.string();
        return "";
    }

    // The first signal is the Stop button; the second saves the lists and ends at once.
    void OnStopSignal(int count) {
        if (count == 1) {
            state_.StopRequested = true;
            Tell("Stopping; the unfinished work is being saved (Ctrl-C again to end now)");
            return;
        }
        const bool saved = SaveUnfinishedWork(state_);
        Tell(saved ? "The unfinished work is saved." : "The unfinished work could not be saved!");
        output_.Out.flush();
        output_.Err.flush();
        std::fflush(nullptr);
        _exit(ToProcessStatus(saved ? ExitStatus::Stopped : ExitStatus::Failed));
    }

    const CliOptions& options_;
    HarvestOutput output_;
    RunState state_;
    SingleInstanceLock lock_;
    std::unique_ptr<IniRegistry> registry_;
    TerminalStatusView* view_ = nullptr;  // while a search runs
};

}  // namespace

ExitStatus RunHarvest(const CliOptions& options, const std::filesystem::path& executableFolder,
                      HarvestOutput output) {
    return Harvest(options, executableFolder, std::move(output)).Run();
}

}  // namespace ch
