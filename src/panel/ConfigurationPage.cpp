#include "panel/ConfigurationPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <QValidator>

#include "ui/Controls.h"
#include "ui/MessageBox.h"
#include "ui/Text.h"
#include "ui/UpDown.h"

namespace quorvel::ui {

namespace {

// The currency symbols offered, in this order: cent, dollar, euro, pound, P, Rs.
const QStringList& CurrencySymbols() {
    static const QStringList symbols{QString(QChar(0x00A2)), "$", QString(QChar(0x20AC)),
                                     QString(QChar(0x00A3)), "P", "Rs"};
    return symbols;
}

// The Open dialog's filter: JPG, JPEG, GIF and BMP pictures. Each pattern is given in
// both cases, since file names on Linux keep their case.
constexpr const char* kPictureFilter =
    "JPG (*.jpg *.JPG);;JPEG (*.jpeg *.JPEG);;GIF (*.gif *.GIF);;BMP (*.bmp *.BMP)";

// Where Browse starts: the user's pictures, or the home folder where there is none.
QString PicturesFolder() {
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return QDir(pictures).exists() ? pictures : QDir::homePath();
}

// What the administrator may type as a currency symbol: up to three characters, since
// the timer window and the login screen keep room for three beside the amount. A
// longer symbol loaded from the store is shown whole, and kept, until it is edited.
class SymbolValidator : public QValidator {
  public:
    SymbolValidator(QObject* parent, const panel::AsLoaded& loaded)
        : QValidator(parent), loaded_(loaded) {}
    State validate(QString& input, int&) const override {
        const bool asLoaded = loaded_.cSymbol && input == FromStored(*loaded_.cSymbol);
        return input.size() <= panel::kCurrencyMaxLength || asLoaded ? Acceptable : Invalid;
    }

  private:
    const panel::AsLoaded& loaded_;
};

// A box's text as it goes to the rules: the stored bytes themselves while the box shows
// what loading put there (bytes that are no text in the 8-bit encoding survive), else
// the text as typed.
std::string AsStored(const QString& text, const std::optional<std::string>& loaded) {
    if (loaded && text == FromStored(*loaded)) return *loaded;
    return ToStored(text);
}

}  // namespace

ConfigurationPage::ConfigurationPage(App& app)
    : PanelPage(app, "fDr"), data_(panel::MakeConnPanelData(app.pv)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(BuildUsageCharge());
    layout->addWidget(BuildInternet());
    layout->addWidget(BuildLoginScreen());
    Command12 = NewButton(this, "Command12", "Apply");
    AddAtRight(layout, Command12);
    layout->addStretch(1);

    connect(Command8, &QPushButton::clicked, this, &ConfigurationPage::Command8_Click);
    connect(Command11, &QPushButton::clicked, this, &ConfigurationPage::Command11_Click);
    connect(Command12, &QPushButton::clicked, this, &ConfigurationPage::Command12_Click);
}

ConfigurationPage::~ConfigurationPage() = default;

QWidget* ConfigurationPage::BuildUsageCharge() {
    auto* frame = new QGroupBox("Usage Charge", this);
    frame->setObjectName("Frame5");
    auto* grid = new QGridLayout(frame);
    grid->setHorizontalSpacing(8);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(4, 1);

    struct Band {
        const char* label;
        const char* caption;
        int maximum;
    };
    // cb(0) to cb(4), in reading order: two to a row.
    const std::array<Band, 5> bands{{{"Label5", "0-14 mins", panel::kRateMax},
                                     {"Label14", "15-29 miins", panel::kRateMax},
                                     {"Label16", "30-44 mins", panel::kRateMax},
                                     {"Label17", "45-59 mins", panel::kRateMax},
                                     {"Label10", "Minimum Time", panel::kMinimumTimeMax}}};
    for (int i = 0; i < 5; ++i) {
        const int row = i / 2, column = (i % 2) * 3;
        const QByteArray cbName = "cb_" + QByteArray::number(i);
        const QByteArray fudName = "fud_" + QByteArray::number(i);
        cbCaption_[i] = NewLabel(frame, bands[i].label, bands[i].caption);
        cb_[i] = NewBox(frame, cbName.constData());
        cb_[i]->setText("0");
        // Set by the spinner only.
        cb_[i]->setReadOnly(true);
        cb_[i]->setFocusPolicy(Qt::NoFocus);
        fud_[i] = new UpDown(frame, fudName.constData(), bands[i].maximum, cb_[i]);
        NameByCaption(cbCaption_[i], fud_[i]);
        NameByCaption(cbCaption_[i], cb_[i]);
        grid->addWidget(cbCaption_[i], row, column);
        auto* pair = new QHBoxLayout;
        pair->setSpacing(0);
        pair->addWidget(cb_[i], 1);
        pair->addWidget(fud_[i]);
        grid->addLayout(pair, row, column + 1);
        connect(cb_[i], &QLineEdit::textChanged, this, [this, i] { cb_Change(i); });
    }
    // Room for the widest number a spinner can give.
    const int numberWidth = cb_[0]->fontMetrics().horizontalAdvance("888888") + 12;
    for (QLineEdit* box : cb_) box->setMinimumWidth(numberWidth);

    auto* label8 = NewLabel(frame, "Label8", "Minimum Charges");
    mCharge = NewBox(frame, "mCharge");
    mCharge->setText("0");
    mCharge->setMinimumWidth(mCharge->fontMetrics().horizontalAdvance("8888888888") + 12);
    mCharge->installEventFilter(this);
    NameByCaption(label8, mCharge);
    grid->addWidget(label8, 2, 3);
    grid->addWidget(mCharge, 2, 4);
    connect(mCharge, &QLineEdit::textChanged, this, &ConfigurationPage::mCharge_Change);

    auto* label9 = NewLabel(frame, "Label9", "Currency Symbol");
    cSymbol = new QComboBox(frame);
    cSymbol->setObjectName("cSymbol");
    cSymbol->setEditable(true);
    cSymbol->setInsertPolicy(QComboBox::NoInsert);
    cSymbol->setCompleter(nullptr);
    cSymbol->addItems(CurrencySymbols());
    cSymbol->setValidator(new SymbolValidator(cSymbol, asLoaded_));
    cSymbol->setEditText(QString());
    NameByCaption(label9, cSymbol);
    grid->addWidget(label9, 3, 0);
    grid->addWidget(cSymbol, 3, 1, Qt::AlignLeft);
    return frame;
}

QWidget* ConfigurationPage::BuildInternet() {
    auto* frame = new QGroupBox("Internet", this);
    frame->setObjectName("Frame9");
    auto* grid = new QGridLayout(frame);
    Check2 = new QCheckBox("Empty Temporary Internet Files on Exit", frame);
    Check2->setObjectName("Check2");
    Check1 = new QCheckBox("Force Plain Text Surfing", frame);
    Check1->setObjectName("Check1");
    auto* label18 = NewLabel(frame, "Label18", "Note:");
    auto* note = NewLabel(frame, "lblInternetNote",
                          "Applies to Internet Explorer only.  Enable these to speed up surfing. ");
    note->setWordWrap(true);
    grid->addWidget(Check2, 0, 0, 1, 2);
    grid->addWidget(Check1, 1, 0, 1, 2);
    grid->addWidget(label18, 2, 0, Qt::AlignTop);
    grid->addWidget(note, 2, 1);
    grid->setColumnStretch(1, 1);
    return frame;
}

QWidget* ConfigurationPage::BuildLoginScreen() {
    auto* frame = new QGroupBox("Login Screen", this);
    frame->setObjectName("Frame6");
    auto* grid = new QGridLayout(frame);
    auto* label13 = NewLabel(frame, "Label13", "Select Image");
    txtSloct = NewBox(frame, "txtSloct");
    txtSloct->setReadOnly(true);
    NameByCaption(label13, txtSloct);
    Command8 = NewButton(frame, "Command8", "Browse");
    Command11 = NewButton(frame, "Command11", "Default");
    grid->addWidget(label13, 0, 0);
    grid->addWidget(txtSloct, 0, 1, 1, 3);
    grid->addWidget(Command8, 1, 2);
    grid->addWidget(Command11, 1, 3);
    grid->setColumnStretch(1, 1);
    return frame;
}

QString ConfigurationPage::Title() const {
    return FromStored(app_.pv.AppTitle);
}

panel::Configuration ConfigurationPage::Fields() const {
    panel::Configuration tab;
    for (int i = 0; i < 5; ++i) tab.charges.cb[i] = ToStored(cb_[i]->text());
    tab.charges.mCharge = AsStored(mCharge->text(), asLoaded_.mCharge);
    tab.charges.cSymbol = AsStored(cSymbol->currentText(), asLoaded_.cSymbol);
    tab.charges.loaded = asLoaded_;
    tab.Check2 = Check2->isChecked();
    tab.Check1 = Check1->isChecked();
    tab.txtSloct = ToStored(txtSloct->text());
    return tab;
}

void ConfigurationPage::ShowCharges(const panel::UsageCharges& charges) {
    asLoaded_ = charges.loaded;
    for (int i = 0; i < 5; ++i) {
        cb_[i]->setText(FromStored(charges.cb[i]));
        fud_[i]->StartFrom(panel::SpinnerValue(charges.cb[i], fud_[i]->maximum()));
    }
    mCharge->setText(FromStored(charges.mCharge));
    const QString symbol = FromStored(charges.cSymbol);
    // A symbol of the list selects it; any other stands in the box as stored.
    const int item = cSymbol->findText(symbol);
    if (item >= 0) cSymbol->setCurrentIndex(item);
    cSymbol->setEditText(symbol);
}

void ConfigurationPage::Show(const panel::Configuration& tab) {
    ShowCharges(tab.charges);
    Check2->setChecked(tab.Check2);
    Check1->setChecked(tab.Check1);
    txtSloct->setText(FromStored(tab.txtSloct));
    txtSloct->setCursorPosition(0);
    txtSloct->setToolTip(txtSloct->text());
}

void ConfigurationPage::LoadConfiguration() {
    panel::Configuration tab = Fields();
    panel::LoadConfiguration(app_.pv, *data_, tab);
    Show(tab);
}

void ConfigurationPage::cb_Change(int) {
    cbCaption_[0]->setText(FromStored(panel::FirstBandCaption(ToStored(cb_[4]->text()))));
    NameByCaption(cbCaption_[0], cb_[0]);
    NameByCaption(cbCaption_[0], fud_[0]);
}

void ConfigurationPage::mCharge_Change() {
    // Typed, pasted or dropped: the box keeps the digits, at most nine. A stored charge
    // stands as the session reads it (a sign, ten digits) until it is edited.
    const QString text = mCharge->text();
    const QString digits = FromStored(panel::ChargeDigits(ToStored(text)));
    if (digits == text || (asLoaded_.mCharge && text == FromStored(*asLoaded_.mCharge))) return;
    const int cursor = mCharge->cursorPosition();
    mCharge->setText(digits);
    mCharge->setCursorPosition(std::min<int>(cursor, digits.size()));
}

bool ConfigurationPage::eventFilter(QObject* watched, QEvent* event) {
    // mCharge_KeyPress: each typed character by its code.
    if (watched == mCharge && event->type() == QEvent::KeyPress) {
        const QList<uint> codes = static_cast<QKeyEvent*>(event)->text().toUcs4();
        if (!codes.isEmpty() && !panel::KeepsChargeKey(codes.front())) return true;
    }
    return PanelPage::eventFilter(watched, event);
}

void ConfigurationPage::Command8_Click() {
    const QString chosen = app_.files.Open(this, "Open", PicturesFolder(), kPictureFilter);
    // Cancel leaves the box as it was.
    if (chosen.isEmpty()) return;
    txtSloct->setText(chosen);
    txtSloct->setCursorPosition(0);
    txtSloct->setToolTip(chosen);
}

bool ConfigurationPage::Command9_Click() {
    return panel::StoreLoginPicture(app_.pv, ToStored(txtSloct->text()));
}

void ConfigurationPage::Command11_Click() {
    txtSloct->clear();
    txtSloct->setToolTip(QString());
    if (!Command9_Click())
        app_.msg.MsgBox(FromStored(panel::NotAppliedMessage({"Login Screen image"})),
                        kMbExclamation, Title());
}

void ConfigurationPage::Command12_Click() {
    if (app_.msg.MsgBox(panel::kApplyQuestion, kMbYesNoQuestion, Title()) != kIdYes) {
        LoadConfiguration();
        return;
    }
    panel::Configuration tab = Fields();
    const std::vector<std::string> notStored =
        panel::ApplyConfiguration(app_.pv, *data_, tab, ToStored(CurrencySymbols().front()));
    ShowCharges(tab.charges);
    if (notStored.empty())
        app_.msg.MsgBox(panel::kAppliedMessage, kMbInformation, Title());
    else
        app_.msg.MsgBox(FromStored(panel::NotAppliedMessage(notStored)), kMbExclamation, Title());
}

}  // namespace quorvel::ui
