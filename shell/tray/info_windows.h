#pragma once

namespace ch {

// Opens the Help and About windows, each created anew and without an owner.
class InfoWindows {
  public:
    virtual ~InfoWindows() = default;
    // Returns when the help window has closed.
    virtual void ShowHelpModal() = 0;
    // Returns when the About window has closed.
    virtual void ShowAboutModal() = 0;
    // Returns at once; the window lives until its OK button.
    virtual void ShowAboutModeless() = 0;
};

}  // namespace ch
