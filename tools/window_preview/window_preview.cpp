// Shows the search window with a scripted engine until the tray program takes it over, and
// renders the screenshots of the search, About and Help windows:
//   window_preview                   the search window; "H&ide" ends the preview
//   window_preview --screenshots DIR  writes search-window.png, search-window-running.png,
//                                     about-window.png and help-window.png into DIR and ends
#include <QApplication>
#include <QDir>
#include <QPointer>
#include <QTemporaryDir>
#include <QTime>
#include <QTimer>
#include <cstdio>

#include "platform/registry/ini_registry.h"
#include "settings/settings_store.h"
#include "shell/info_windows/frm_about.h"
#include "shell/info_windows/frm_help.h"
#include "ui/search/frm_resource.h"

namespace ch {
namespace {

class WallClock : public Clock {
  public:
    std::string fixedText;  // screenshots show a fixed time
    double MonotonicSeconds() override { return 0; }
    double SecondsSinceMidnight() override {
        return QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
    }
    std::string TimeOfDayText() override {
        return fixedText.empty() ? QTime::currentTime().toString(Qt::TextDate).toStdString()
                                 : fixedText;
    }
};

// Plays a run: the counts grow and five downloads progress until Stop is pressed.
class ScriptedEngineHost : public SearchWindowHost {
  public:
    ScriptedEngineHost(RunState& state, WallClock& clock) : state_(state), clock_(clock) {
        ticker_.setInterval(250);
        QObject::connect(&ticker_, &QTimer::timeout, [this] { Tick(); });
    }
    void Attach(frmResource* window) { window_ = window; }

    void EnableEngineTimer() override {
        QTimer::singleShot(100, [this] {
            state_.EngineRunning = true;
            step_ = 0;
            if (window_) window_->SetButtonEnabled(true);
            ticker_.start();
        });
    }
    void EnableGrabbingMenu() override { QApplication::quit(); }
    void ShowHelpModal() override { frmHelp(DesktopUrlOpener()).exec(); }
    void ShowAboutModal() override { frmAbout(DesktopUrlOpener()).exec(); }
    bool CanHide() const override { return true; }
    void ExitProgram() override { QApplication::quit(); }

    // The status bar as a run shows it after `step` ticks.
    static void ShowProgress(SearchView& view, int step) {
        const std::string clip =
            "http://clips.example/skate/kickflip" + std::to_string(step % 7) + ".avi";
        view.ShowStatus("Begin to download your favourite video " + clip);
        view.ShowLinkCount(40 + step * 3);
        view.ShowVideoCount(12 + step / 2);
        for (int slot = 0; slot < kSlotCount; ++slot)
            view.ShowSlotProgress(slot, (step * (7 + slot * 5)) % 1000 / 10.0, clip);
        view.ShowThroughput(180 + step * 37 % 900);
    }

  private:
    void Tick() {
        ++step_;
        if (state_.StopRequested) return End();
        if (window_ && state_.SearchWindowShown) ShowProgress(*window_, step_);
    }
    void End() {
        ticker_.stop();
        state_.EngineRunning = false;
        if (!window_ || !state_.SearchWindowShown) return;
        window_->ShowRunEnded("Video search engine ended at " + clock_.TimeOfDayText());
    }

    RunState& state_;
    WallClock& clock_;
    QPointer<frmResource> window_;
    QTimer ticker_;
    int step_ = 0;
};

bool Save(QWidget& window, const QDir& folder, const char* name) {
    window.show();
    QApplication::processEvents();
    const QString file = folder.filePath(QString::fromLatin1(name));
    const bool saved = window.grab().save(file);
    std::fprintf(stderr, "%s %s\n", saved ? "wrote" : "could not write", qPrintable(file));
    return saved;
}

int Screenshots(const QString& target, RunState& state, Registry& registry, WallClock& clock,
                ScriptedEngineHost& host) {
    QDir folder(target);
    if (!folder.mkpath(QStringLiteral("."))) return 1;
    clock.fixedText = "14:32:05";
    state.Projects = {"skateboard tricks", "funny", "cats"};
    state.ProjectCount = 3;
    bool saved = true;
    {
        frmResource idle(state, registry, clock, host);
        saved &= Save(idle, folder, "search-window.png");
    }
    {
        state.EngineRunning = true;
        frmResource running(state, registry, clock, host);
        ScriptedEngineHost::ShowProgress(running, 11);
        saved &= Save(running, folder, "search-window-running.png");
        state.EngineRunning = false;
    }
    frmAbout about(DesktopUrlOpener());
    saved &= Save(about, folder, "about-window.png");
    frmHelp help(DesktopUrlOpener());
    saved &= Save(help, folder, "help-window.png");
    return saved ? 0 : 1;
}

}  // namespace
}  // namespace ch

int main(int argc, char** argv) {
    const bool screenshots = argc == 3 && QByteArray(argv[1]) == "--screenshots";
    if (screenshots && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);

    // Screenshots use a throw-away program folder; the preview keeps its settings beside itself.
    QTemporaryDir scratch;
    ch::RunState state;
    state.ProgramFolder = screenshots ? scratch.path().toStdString()
                                      : QCoreApplication::applicationDirPath().toStdString();
    ch::IniRegistry registry(ch::IniRegistry::FileIn(state.ProgramFolder));
    if (ch::StartSettings(state, registry) != ch::SettingsStatus::Ok) {
        std::fprintf(stderr, "the settings could not be loaded\n");
        return 1;
    }
    ch::WallClock clock;
    ch::ScriptedEngineHost host(state, clock);
    if (screenshots)
        return ch::Screenshots(QString::fromLocal8Bit(argv[2]), state, registry, clock, host);

    state.SearchWindowShown = true;
    auto* window = new ch::frmResource(state, registry, clock, host);
    host.Attach(window);
    window->show();
    return QApplication::exec();
}
