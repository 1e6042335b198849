#pragma once

#include "engine/ports.h"
#include "shell/info_windows/hyperlink_label.h"

namespace ch {

// A modal QMessageBox with one OK button; it runs its own event loop until it is closed.
class QtMessageBox : public MessageBox {
  public:
    // opener opens the folder of saved videos; the desktop's file manager by default.
    explicit QtMessageBox(UrlOpener opener = DesktopUrlOpener()) : opener_(std::move(opener)) {}

    void Show(const std::string& text, const std::string& title, MessageIcon icon) override;
    // The box also has "&Open folder", which opens the folder when the box closes with it.
    void ShowSaved(const std::string& text, const std::string& title,
                   const std::filesystem::path& folder) override;

  private:
    UrlOpener opener_;
};

}  // namespace ch
