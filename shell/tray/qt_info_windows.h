#pragma once

#include <QPointer>

#include "shell/info_windows/frm_about.h"
#include "shell/tray/info_windows.h"

namespace ch {

// The Help and About windows on the desktop, their links opened by the desktop's browser.
class QtInfoWindows : public InfoWindows {
  public:
    void ShowHelpModal() override;
    void ShowAboutModal() override;
    // An About window that is already open is brought to the front instead of a second one.
    void ShowAboutModeless() override;

  private:
    QPointer<frmAbout> modelessAbout_;
};

}  // namespace ch
