#include "shell/tray/qt_info_windows.h"

#include "shell/info_windows/frm_help.h"

namespace ch {

void QtInfoWindows::ShowHelpModal() {
    frmHelp help(DesktopUrlOpener());
    help.exec();
}

void QtInfoWindows::ShowAboutModal() {
    frmAbout about(DesktopUrlOpener());
    about.exec();
}

void QtInfoWindows::ShowAboutModeless() {
    if (modelessAbout_) {
        modelessAbout_->raise();
        modelessAbout_->activateWindow();
        return;
    }
    modelessAbout_ = new frmAbout(DesktopUrlOpener());
    modelessAbout_->setAttribute(Qt::WA_DeleteOnClose);
    modelessAbout_->show();
}

}  // namespace ch
