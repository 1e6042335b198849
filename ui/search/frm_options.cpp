#include "ui/search/frm_options.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "settings/settings_store.h"
#include "web/search_engines/search_engines.h"

namespace ch {
namespace {

bool SameName(const std::string& choice, const char* name) {
    return QString::fromStdString(choice).compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

}  // namespace

frmOptions::frmOptions(RunState& state, Registry& registry, QWidget* parent)
    : QDialog(parent), state_(state), registry_(registry) {
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Options"));
    setModal(true);

    auto* engineBox = new QGroupBox(QStringLiteral("Search engine"), this);
    engineBox->setObjectName(QStringLiteral("fraSearchEngine"));
    optGoogle = new QRadioButton(QStringLiteral("&Google"), engineBox);
    optGoogle->setObjectName(QStringLiteral("optGoogle"));
    optDuckDuckGo = new QRadioButton(QStringLiteral("&DuckDuckGo lite"), engineBox);
    optDuckDuckGo->setObjectName(QStringLiteral("optDuckDuckGo"));
    optSearxng = new QRadioButton(QStringLiteral("&SearXNG at:"), engineBox);
    optSearxng->setObjectName(QStringLiteral("optSearxng"));
    txtSearxngAddress = new QLineEdit(engineBox);
    txtSearxngAddress->setObjectName(QStringLiteral("txtSearxngAddress"));
    txtSearxngAddress->setPlaceholderText(QStringLiteral("https://searx.example.org"));
    txtSearxngAddress->setMinimumWidth(txtSearxngAddress->fontMetrics().horizontalAdvance(
        QStringLiteral("https://searx.example.org/xx")));
    connect(optSearxng, &QRadioButton::toggled, txtSearxngAddress, &QLineEdit::setEnabled);
    connect(optSearxng, &QRadioButton::clicked, txtSearxngAddress,
            qOverload<>(&QLineEdit::setFocus));

    auto* searxngRow = new QHBoxLayout;
    searxngRow->addWidget(optSearxng);
    searxngRow->addWidget(txtSearxngAddress, 1);
    auto* engineLayout = new QVBoxLayout(engineBox);
    engineLayout->addWidget(optGoogle);
    engineLayout->addWidget(optDuckDuckGo);
    engineLayout->addLayout(searxngRow);

    lblError = new QLabel(this);
    lblError->setObjectName(QStringLiteral("lblError"));
    lblError->setWordWrap(true);
    lblError->setStyleSheet(QStringLiteral("color: #b00000;"));
    lblError->hide();
    // An old reason would mislead once the user changes the choice.
    for (QRadioButton* option : {optGoogle, optDuckDuckGo, optSearxng})
        connect(option, &QRadioButton::toggled, lblError, &QLabel::hide);
    connect(txtSearxngAddress, &QLineEdit::textEdited, lblError, &QLabel::hide);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* cmdOK = buttons->button(QDialogButtonBox::Ok);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cmdCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &frmOptions::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &frmOptions::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(engineBox);
    if (state_.EngineRunning) {
        // The running search keeps the back end it started with.
        auto* lblRunNote =
            new QLabel(QStringLiteral("A search is running: it keeps its search engine; "
                                      "the new choice applies from the next Search."),
                       this);
        lblRunNote->setObjectName(QStringLiteral("lblRunNote"));
        lblRunNote->setWordWrap(true);
        QFont small = lblRunNote->font();
        small.setPointSizeF(small.pointSizeF() * 0.9);
        lblRunNote->setFont(small);
        layout->addWidget(lblRunNote);
    }
    layout->addWidget(lblError);
    layout->addStretch(1);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    ShowChoice(state_.SearchEngineChoice);
}

void frmOptions::ShowChoice(const std::string& choice) {
    if (choice.empty() || SameName(choice, kGoogleChoice)) {
        optGoogle->setChecked(true);
    } else if (SameName(choice, kDuckDuckGoLiteChoice)) {
        optDuckDuckGo->setChecked(true);
    } else {
        // Anything else is meant as an instance's address; a bad one shows its reason on OK.
        optSearxng->setChecked(true);
        txtSearxngAddress->setText(QString::fromStdString(choice));
    }
    txtSearxngAddress->setEnabled(optSearxng->isChecked());
}

std::string frmOptions::PickedChoice(std::string& error) const {
    if (optGoogle->isChecked()) return kGoogleChoice;
    if (optDuckDuckGo->isChecked()) return kDuckDuckGoLiteChoice;
    const std::string address = txtSearxngAddress->text().trimmed().toStdString();
    // An empty text or an engine's name would pass as that engine, not as an instance.
    if (address.empty() || SameName(address, kGoogleChoice) ||
        SameName(address, kDuckDuckGoLiteChoice)) {
        error = "Type the http(s) address of a SearXNG instance.";
        return "";
    }
    error = SearchEngineChoiceError(address);
    return error.empty() ? address : "";
}

void frmOptions::ShowError(const QString& text) {
    // The reasons are written as one-line messages for the command line; here each is a sentence.
    lblError->setText(text.left(1).toUpper() + text.mid(1));
    lblError->show();
}

void frmOptions::accept() {
    std::string error;
    const std::string choice = PickedChoice(error);
    if (!error.empty()) {
        ShowError(QString::fromStdString(error));
        if (optSearxng->isChecked()) {
            txtSearxngAddress->setFocus();
            txtSearxngAddress->selectAll();
        }
        return;
    }
    const std::string before = state_.SearchEngineChoice;
    state_.SearchEngineChoice = choice;
    if (!SaveSearchEngineSetting(state_, registry_)) {
        state_.SearchEngineChoice = before;
        ShowError(
            QStringLiteral("The settings file could not be written: the search engine "
                           "is unchanged."));
        return;
    }
    QDialog::accept();
}

}  // namespace ch
