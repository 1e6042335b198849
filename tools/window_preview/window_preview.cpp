// Renders the pictures of the About and Help windows offscreen:
//   window_preview --screenshots DIR   writes about-window.png and help-window.png into DIR
// (The search window's pictures come from the real program in a real run: tools/screenshots.sh.)
#include <QApplication>
#include <QDir>
#include <cstdio>

#include "shell/info_windows/frm_about.h"
#include "shell/info_windows/frm_help.h"

namespace {

bool Save(QWidget& window, const QDir& folder, const char* name) {
    window.show();
    QApplication::processEvents();
    const QString file = folder.filePath(QString::fromLatin1(name));
    const bool saved = window.grab().save(file);
    std::fprintf(stderr, "%s %s\n", saved ? "wrote" : "could not write", qPrintable(file));
    return saved;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || QByteArray(argv[1]) != "--screenshots") {
        std::fprintf(stderr, "usage: window_preview --screenshots DIR\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QDir folder(QString::fromLocal8Bit(argv[2]));
    if (!folder.mkpath(QStringLiteral("."))) return 1;
    bool saved = true;
    ch::frmAbout about(ch::DesktopUrlOpener());
    saved &= Save(about, folder, "about-window.png");
    ch::frmHelp help(ch::DesktopUrlOpener());
    saved &= Save(help, folder, "help-window.png");
    return saved ? 0 : 1;
}
