// clipharvester: the tray program. It reads no command line; everything it keeps lives in the
// folder of its executable.
#include <unistd.h>

#include <QApplication>
#include <QIcon>
#include <QSessionManager>
#include <csignal>
#include <cstdio>

#include "engine/pause_aware_clock.h"
#include "platform/net/qt_download_service.h"
#include "platform/net/qt_event_pump.h"
#include "platform/net/system_clock.h"
#include "platform/registry/ini_registry.h"
#include "platform/system/linux_interface_table.h"
#include "platform/system/linux_network_status.h"
#include "platform/system/signal_pipe.h"
#include "platform/system/single_instance_lock.h"
#include "shell/startup/start_up.h"
#include "shell/tray/frm_clip_harvester.h"
#include "shell/tray/qt_info_windows.h"
#include "shell/tray/qt_message_box.h"

namespace {

QIcon ProgramIcon() {
    QIcon icon;
    for (const int size : {16, 32, 256})
        icon.addFile(QStringLiteral(":/icons/clipharvester-%1.png").arg(size), QSize(size, size));
    return icon;
}

// Leaving ends the process at once: no closing step of a run, no further event.
[[noreturn]] void EndProcess() {
    std::fflush(nullptr);
    ::_exit(0);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ClipHarvester"));
    QApplication::setDesktopFileName(QStringLiteral("clipharvester"));
    // The search, About and Help windows come and go; the program lives in the tray (or, on a
    // desktop without one, in its search window, whose closing then ends it).
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(ProgramIcon());

    ch::RunState state;
    state.ProgramFolder = QCoreApplication::applicationDirPath().toStdString();
    ch::QtMessageBox messages;

    ch::SingleInstanceLock instance;
    switch (instance.Acquire(state.ProgramFolder)) {
        case ch::SingleInstanceLock::Result::Acquired:
            break;
        case ch::SingleInstanceLock::Result::HeldByAnother:
            return 0;
        case ch::SingleInstanceLock::Result::Failed: {
            const std::string reason = "the lock file in the program folder cannot be created: " +
                                       state.ProgramFolder.string() + " must be writable";
            std::fprintf(stderr, "clipharvester: %s\n", reason.c_str());
            ch::ShowSevereError(messages, reason);
            return 1;
        }
    }

    ch::IniRegistry registry(ch::IniRegistry::FileIn(state.ProgramFolder));
    if (const auto started = ch::StartUp(state, registry); !started.Ready()) {
        const std::string reason = ch::StartUpFailureText(started.Failure);
        std::fprintf(stderr, "clipharvester: %s\n", reason.c_str());
        ch::ShowSevereError(messages, reason);
        return 1;
    }

    ch::SystemClock systemClock;
    ch::PauseAwareClock clock(systemClock);
    ch::QtEventPump pump;
    ch::QtDownloadService downloads;
    ch::LinuxInterfaceTable interfaces;
    ch::LinuxNetworkStatus network;
    ch::QtInfoWindows info;
    ch::frmClipHarvester frmClipHarvester(
        ch::TrayPorts{state, registry, clock, pump, downloads, interfaces, network, messages, info},
        ProgramIcon(), EndProcess);

    // A session that ends and a SIGTERM leave the program as "E&xit" does.
    ch::SignalPipe termination({SIGTERM, SIGHUP},
                               [&frmClipHarvester](int) { frmClipHarvester.ExitProgram(); });
    QObject::connect(&app, &QGuiApplication::commitDataRequest,
                     [&frmClipHarvester](QSessionManager&) { frmClipHarvester.ExitProgram(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit,
                     [&frmClipHarvester] { frmClipHarvester.ExitProgram(); });
    return app.exec();
}
