#pragma once

namespace ch {

// What the search window asks of the hidden main window that owns the timers and the tray menu.
class SearchWindowHost {
  public:
    virtual ~SearchWindowHost() = default;
    // Enables tmrVideoList; its next tick runs the engine.
    virtual void EnableEngineTimer() = 0;
    // The window is leaving through "H&ide": mnuGrabbing can open it again.
    virtual void EnableGrabbingMenu() = 0;
    // Shows frmHelp, modal; returns when it has closed.
    virtual void ShowHelpModal() = 0;
    // Shows frmAbout, modal; returns when it has closed.
    virtual void ShowAboutModal() = 0;
    // Whether a hidden window can be opened again: the tray icon with its menu is there.
    virtual bool CanHide() const = 0;
    // Leaves the program as the tray's "E&xit" does.
    virtual void ExitProgram() = 0;
};

}  // namespace ch
