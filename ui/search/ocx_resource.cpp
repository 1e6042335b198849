#include "ui/search/ocx_resource.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <algorithm>

#include "ui/search/twips.h"

namespace ch {

ocxResource::ocxResource(RunState& state, QWidget* parent)
    : QWidget(parent),
      state_(state),
      Label1(new QLabel(QStringLiteral("&Keyword:"), this)),
      cmbKeyword(new QComboBox(this)),
      tmrText(new QTimer(this)) {
    setObjectName(QStringLiteral("ocxResource"));
    setAutoFillBackground(true);
    QPalette look = palette();
    look.setColor(QPalette::Window, Qt::black);
    look.setColor(QPalette::WindowText, Qt::white);
    setPalette(look);

    Label1->setObjectName(QStringLiteral("Label1"));
    cmbKeyword->setObjectName(QStringLiteral("cmbKeyword"));
    Label1->setBuddy(cmbKeyword);  // Alt+K
    cmbKeyword->setEditable(true);
    // The list changes only through a search or a pick: Return must not add the typed text,
    // and no completion may change what the user typed.
    cmbKeyword->setInsertPolicy(QComboBox::NoInsert);
    cmbKeyword->setCompleter(nullptr);
    QFont bold = cmbKeyword->font();
    bold.setBold(true);
    cmbKeyword->setFont(bold);

    const double scale = DesignScale(font());
    const int comboLeft = TwipsToPixels(1080, scale);
    const int comboTop = TwipsToPixels(120, scale);
    const int comboHeight = cmbKeyword->sizeHint().height();
    cmbKeyword->setGeometry(comboLeft, comboTop, TwipsToPixels(5295, scale), comboHeight);
    Label1->adjustSize();
    Label1->move(TwipsToPixels(120, scale), comboTop + (comboHeight - Label1->height()) / 2);
    setFixedSize(comboLeft + cmbKeyword->width() + TwipsToPixels(120, scale),
                 comboTop * 2 + comboHeight);

    tmrText->setObjectName(QStringLiteral("tmrText"));
    tmrText->setInterval(100);
    connect(tmrText, &QTimer::timeout, this, &ocxResource::tmrText_Timer);
    // Typing changes the keyword at once; a pick from the list reaches it only through tmrText.
    connect(cmbKeyword->lineEdit(), &QLineEdit::textEdited, this, &ocxResource::cmbKeyword_Change);
    connect(cmbKeyword, &QComboBox::activated, this, &ocxResource::cmbKeyword_Click);
    connect(cmbKeyword->lineEdit(), &QLineEdit::returnPressed, this, &ocxResource::KeywordEntered);

    UserControl_Initialize();
}

void ocxResource::AddProject() {
    FillList();
    if (ListedCount() > 0) ShowKeyword(QString::fromStdString(state_.Projects.front()));
}

void ocxResource::UserControl_Initialize() {
    if (ListedCount() < 1) return;
    FillList();
    cmbKeyword->setEditText(QString::fromStdString(state_.Projects.front()));
    state_.CurrentKeyword = cmbKeyword->currentText().toStdString();
}

void ocxResource::cmbKeyword_Change(const QString& text) {
    state_.CurrentKeyword = text.toLower().toStdString();
}

void ocxResource::cmbKeyword_Click(int index) {
    const std::string picked = cmbKeyword->itemText(index).toStdString();
    std::vector<std::string> order{picked};
    const auto listed = state_.Projects.begin() + ListedCount();
    std::copy_if(state_.Projects.begin(), listed, std::back_inserter(order),
                 [&picked](const std::string& project) { return project != picked; });
    // Entries beyond the count are not projects; duplicates of the pick collapse into it.
    state_.Projects = std::move(order);
    state_.ProjectCount = static_cast<int>(state_.Projects.size());
    FillList();
    tmrText->start();
}

void ocxResource::tmrText_Timer() {
    tmrText->stop();
    if (ListedCount() > 0) ShowKeyword(QString::fromStdString(state_.Projects.front()));
}

void ocxResource::FillList() {
    cmbKeyword->clear();
    for (int i = 0; i < ListedCount(); ++i) {
        cmbKeyword->addItem(QString::fromStdString(state_.Projects[static_cast<size_t>(i)]));
    }
}

void ocxResource::ShowKeyword(const QString& text) {
    cmbKeyword->setEditText(text);
    cmbKeyword_Change(text);
}

int ocxResource::ListedCount() const {
    return std::clamp(state_.ProjectCount, 0, static_cast<int>(state_.Projects.size()));
}

}  // namespace ch
