#pragma once

#include <QDialog>
#include <cstdint>
#include <string>

#include "engine/run_state.h"
#include "settings/registry.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace ch {

// The program's options, opened modally from the search window. Each setting has its own group
// box in the vertical layout. OK stores the settings and closes only when they are good and
// written; otherwise the reason shows in the dialog and nothing changes.
class frmOptions : public QDialog {
    Q_OBJECT

  public:
    frmOptions(RunState& state, Registry& registry, QWidget* parent = nullptr);

    void accept() override;

  private:
    void ShowChoice(const std::string& choice);
    // The choice the buttons name, or the empty text with `error` set when it is not one.
    std::string PickedChoice(std::string& error) const;
    // The size window the two fields name, or false with `error` set and the field focused.
    bool PickedSizes(std::int64_t& minBytes, std::int64_t& maxBytes, std::string& error);
    void ShowError(const QString& text);

    RunState& state_;
    Registry& registry_;

    QRadioButton* optGoogle;
    QRadioButton* optDuckDuckGo;
    QRadioButton* optSearxng;
    QLineEdit* txtSearxngAddress;
    QRadioButton* optModernTypes;
    QRadioButton* optClassicTypes;
    QLineEdit* txtMinSize;
    QLineEdit* txtMaxSize;
    QCheckBox* chkHonourRobots;
    QLabel* lblError;
};

}  // namespace ch
