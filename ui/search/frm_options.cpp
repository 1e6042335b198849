#include "ui/search/frm_options.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "settings/settings_store.h"
#include "settings/video_settings.h"
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

    auto* videoBox = new QGroupBox(QStringLiteral("Videos"), this);
    videoBox->setObjectName(QStringLiteral("fraVideos"));
    auto* lblTypes = new QLabel(QStringLiteral("Video types:"), videoBox);
    optModernTypes =
        new QRadioButton(QStringLiteral("&Today's containers too (mp4, mkv, webm, ...)"), videoBox);
    optModernTypes->setObjectName(QStringLiteral("optModernTypes"));
    optClassicTypes =
        new QRadioButton(QStringLiteral("Only the &original types (avi, mpg, wmv, ...)"), videoBox);
    optClassicTypes->setObjectName(QStringLiteral("optClassicTypes"));
    const QString sizeExample = QStringLiteral("50000000");
    txtMinSize = new QLineEdit(videoBox);
    txtMinSize->setObjectName(QStringLiteral("txtMinSize"));
    txtMaxSize = new QLineEdit(videoBox);
    txtMaxSize->setObjectName(QStringLiteral("txtMaxSize"));
    txtMaxSize->setPlaceholderText(QStringLiteral("0 = no limit"));
    for (QLineEdit* size : {txtMinSize, txtMaxSize})
        size->setMinimumWidth(size->fontMetrics().horizontalAdvance(sizeExample + "xx"));
    auto* lblFrom = new QLabel(QStringLiteral("&Keep videos from"), videoBox);
    lblFrom->setBuddy(txtMinSize);
    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(lblFrom);
    sizeRow->addWidget(txtMinSize);
    sizeRow->addWidget(new QLabel(QStringLiteral("to"), videoBox));
    sizeRow->addWidget(txtMaxSize);
    sizeRow->addWidget(new QLabel(QStringLiteral("bytes"), videoBox));
    sizeRow->addStretch(1);
    auto* lblSizeHint = new QLabel(
        QStringLiteral("Whole numbers, with K, M or G for thousands, millions or billions "
                       "(500K, 50M); 0 as the maximum = no limit."),
        videoBox);
    lblSizeHint->setWordWrap(true);
    auto* videoLayout = new QVBoxLayout(videoBox);
    videoLayout->addWidget(lblTypes);
    videoLayout->addWidget(optModernTypes);
    videoLayout->addWidget(optClassicTypes);
    videoLayout->addLayout(sizeRow);
    videoLayout->addWidget(lblSizeHint);

    chkHonourRobots = new QCheckBox(QStringLiteral("Honour &robots.txt (recommended)"), this);
    chkHonourRobots->setObjectName(QStringLiteral("chkHonourRobots"));
    chkHonourRobots->setToolTip(
        QStringLiteral("Ask each site's robots.txt first and leave alone what it disallows."));

    lblError = new QLabel(this);
    lblError->setObjectName(QStringLiteral("lblError"));
    lblError->setWordWrap(true);
    lblError->setStyleSheet(QStringLiteral("color: #b00000;"));
    lblError->hide();
    // An old reason would mislead once the user changes the choice.
    for (QRadioButton* option :
         {optGoogle, optDuckDuckGo, optSearxng, optModernTypes, optClassicTypes})
        connect(option, &QRadioButton::toggled, lblError, &QLabel::hide);
    for (QLineEdit* field : {txtSearxngAddress, txtMinSize, txtMaxSize})
        connect(field, &QLineEdit::textEdited, lblError, &QLabel::hide);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* cmdOK = buttons->button(QDialogButtonBox::Ok);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cmdCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &frmOptions::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &frmOptions::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(engineBox);
    layout->addWidget(videoBox);
    layout->addWidget(chkHonourRobots);
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
    (state_.VideoSuffixes == VideoTypes::Classic ? optClassicTypes : optModernTypes)
        ->setChecked(true);
    txtMinSize->setText(QString::fromStdString(FormatByteSize(state_.MinVideoBytes)));
    txtMaxSize->setText(QString::fromStdString(FormatByteSize(state_.MaxVideoBytes)));
    chkHonourRobots->setChecked(state_.HonourRobots);
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

bool frmOptions::PickedSizes(std::int64_t& minBytes, std::int64_t& maxBytes, std::string& error) {
    const auto minimum = ParseByteSize(txtMinSize->text().toStdString());
    // An empty maximum shows its hint, "0 = no limit", and is taken at its word.
    const QString maxText = txtMaxSize->text().trimmed();
    const auto maximum =
        maxText.isEmpty() ? std::optional<std::int64_t>(0) : ParseByteSize(maxText.toStdString());
    QLineEdit* wrong = nullptr;
    if (!minimum) {
        wrong = txtMinSize;
        error = "the minimum size is not a size: type one such as 200000, 500K or 50M.";
    } else if (!maximum) {
        wrong = txtMaxSize;
        error = "the maximum size is not a size: type one such as 50M, or 0 for no limit.";
    } else if (error = VideoSizeWindowError(*minimum, *maximum); !error.empty()) {
        wrong = txtMinSize;
        error += '.';
    }
    if (!wrong) {
        minBytes = *minimum;
        maxBytes = *maximum;
        return true;
    }
    wrong->setFocus();
    wrong->selectAll();
    return false;
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
    std::int64_t minBytes = 0, maxBytes = 0;
    if (!PickedSizes(minBytes, maxBytes, error)) {
        ShowError(QString::fromStdString(error));
        return;
    }
    const auto apply = [this](const std::string& engine, VideoTypes types, std::int64_t minimum,
                              std::int64_t maximum, bool honourRobots) {
        state_.SearchEngineChoice = engine;
        state_.VideoSuffixes = types;
        state_.MinVideoBytes = minimum;
        state_.MaxVideoBytes = maximum;
        state_.HonourRobots = honourRobots;
    };
    const std::string engineBefore = state_.SearchEngineChoice;
    const VideoTypes typesBefore = state_.VideoSuffixes;
    const std::int64_t minBefore = state_.MinVideoBytes, maxBefore = state_.MaxVideoBytes;
    const bool honourBefore = state_.HonourRobots;
    apply(choice, optClassicTypes->isChecked() ? VideoTypes::Classic : VideoTypes::Modern, minBytes,
          maxBytes, chkHonourRobots->isChecked());
    if (!SaveOptionSettings(state_, registry_)) {
        apply(engineBefore, typesBefore, minBefore, maxBefore, honourBefore);
        ShowError(
            QStringLiteral("The settings file could not be written: the settings are unchanged."));
        return;
    }
    QDialog::accept();
}

}  // namespace ch
