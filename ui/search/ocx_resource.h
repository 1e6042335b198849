#pragma once

#include <QWidget>

#include "engine/run_state.h"

class QComboBox;
class QLabel;
class QTimer;

namespace ch {

// The keyword selector: an editable list of the projects, most recent first, that keeps
// CurrentKeyword following its text in lower case.
class ocxResource : public QWidget {
    Q_OBJECT

  public:
    explicit ocxResource(RunState& state, QWidget* parent = nullptr);

    // Reloads the list from Projects and shows the most recent project.
    void AddProject();

  signals:
    // Return was pressed in the keyword field.
    void KeywordEntered();

  private:
    void UserControl_Initialize();
    void cmbKeyword_Change(const QString& text);
    void cmbKeyword_Click(int index);
    void tmrText_Timer();
    void FillList();
    void ShowKeyword(const QString& text);
    int ListedCount() const;

    RunState& state_;
    QLabel* Label1;
    QComboBox* cmbKeyword;
    QTimer* tmrText;
};

}  // namespace ch
