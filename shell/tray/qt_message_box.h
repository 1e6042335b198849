#pragma once

#include "engine/ports.h"

namespace ch {

// A modal QMessageBox with one OK button; it runs its own event loop until it is closed.
class QtMessageBox : public MessageBox {
  public:
    void Show(const std::string& text, const std::string& title, MessageIcon icon) override;
};

}  // namespace ch
