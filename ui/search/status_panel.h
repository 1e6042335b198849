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

    // The room its text has.
    int TextWidth() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
};

// A row of panels that share the row's whole width in fixed proportions. The row's font shrinks
// (never below 7 points) until each panel's widest expected text fits it.
class StatusPanelRow : public QWidget {
    Q_OBJECT

  public:
    explicit StatusPanelRow(QWidget* parent = nullptr);

    StatusPanel* AddPanel(const QString& text, int proportion, const QString& widestText);
    QSize sizeHint() const override;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    struct Entry {
        StatusPanel* panel;
        int proportion;
        QString widestText;
    };
    void FitFont();

    std::vector<Entry> panels_;
};

}  // namespace ch
