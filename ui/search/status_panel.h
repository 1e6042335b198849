#pragma once

#include <QLabel>
#include <vector>

namespace ch {

// One panel of the search window's status bar. A text wider than the panel ends in "..." and is
// shown whole as the panel's tool tip.
class StatusPanel : public QLabel {
    Q_OBJECT

  public:
    explicit StatusPanel(const QString& text, QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

// A row of panels that share the row's whole width in fixed proportions.
class StatusPanelRow : public QWidget {
    Q_OBJECT

  public:
    explicit StatusPanelRow(QWidget* parent = nullptr);

    StatusPanel* AddPanel(const QString& text, int proportion);
    QSize sizeHint() const override;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    std::vector<std::pair<StatusPanel*, int>> panels_;
};

}  // namespace ch
