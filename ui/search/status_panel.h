#pragma once

#include <QLabel>
#include <vector>

namespace ch {

// One panel of the search window's status bar. A text wider than the panel ends in "..." and is
// shown whole as the panel's tool tip, unless the panel has a note of its own for its tool tip.
// A faded panel draws its text greyed.
class StatusPanel : public QLabel {
    Q_OBJECT

  public:
    explicit StatusPanel(const QString& text, QWidget* parent = nullptr);

    // The room its text has.
    int TextWidth() const;
    // Whether its whole text fits that room.
    bool TextFits() const;

    // What its tool tip shows: the note, or the whole text where it does not fit.
    QString ToolTipText() const;
    void SetNote(const QString& note);
    void SetFaded(bool faded);
    bool Faded() const { return faded_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

  private:
    QString note_;
    bool faded_ = false;
};

// A row of panels that share the row's whole width in proportion to the widest text each is
// expected to show. The row's font shrinks (never below 7 points) until each such text fits.
class StatusPanelRow : public QWidget {
    Q_OBJECT

  public:
    explicit StatusPanelRow(QWidget* parent = nullptr);

    StatusPanel* AddPanel(const QString& text, const QString& widestText);
    QSize sizeHint() const override;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    struct Entry {
        StatusPanel* panel;
        QString widestText;
    };
    void FitFont();

    std::vector<Entry> panels_;
};

}  // namespace ch
