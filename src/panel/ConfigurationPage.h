#pragma once
// The Configuration tab (frame fDr): the usage charges (Frame5), the two browser
// options (Frame9) and the login-screen picture (Frame6), stored together by "Apply"
// (Command12) after its question. The two frames' own save buttons (Command1, Command9)
// are never shown and so are not made; their routines are. The rules are in panel/Configuration and
// panel/UsageCharges; this page shows them and forwards its events.
//
// The box array cb and the spinner array fud are named "cb_0" to "cb_4" and "fud_0" to
// "fud_4"; cb(4) and fud(4) hold the minimum time.
#include <array>
#include <memory>

#include "panel/Configuration.h"
#include "panel/PanelData.h"
#include "panel/PanelPage.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quorvel::ui {

class UpDown;

class ConfigurationPage : public PanelPage {
    Q_OBJECT
  public:
    explicit ConfigurationPage(App& app);
    ~ConfigurationPage() override;

    // The panel's third loader, run again by Apply answered No: every field of the
    // tab from the stored settings. A failing step is skipped.
    void LoadConfiguration();

    void cb_Change(int index);
    void Command8_Click();
    // The Login Screen frame's own save, whose button is never shown: the picture's
    // path into LoginScr. False when it was not stored. (The Usage Charge frame's
    // hidden Save is panel::SaveUsageCharges, run by Apply.)
    bool Command9_Click();
    void Command11_Click();
    void Command12_Click();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* BuildUsageCharge();
    QWidget* BuildInternet();
    QWidget* BuildLoginScreen();
    panel::Configuration Fields() const;
    void Show(const panel::Configuration& tab);
    void ShowCharges(const panel::UsageCharges& charges);
    void mCharge_Change();
    QString Title() const;

    std::unique_ptr<panel::PanelData> data_;
    // What loading (or the last Apply) showed of the stored charge and symbol.
    panel::AsLoaded asLoaded_;

    std::array<QLabel*, 5> cbCaption_{};  // Label5, Label14, Label16, Label17, Label10
    std::array<QLineEdit*, 5> cb_{};
    std::array<UpDown*, 5> fud_{};
    QLineEdit* mCharge = nullptr;
    QComboBox* cSymbol = nullptr;
    QCheckBox* Check2 = nullptr;
    QCheckBox* Check1 = nullptr;
    QLineEdit* txtSloct = nullptr;
    QPushButton* Command8 = nullptr;
    QPushButton* Command11 = nullptr;
    QPushButton* Command12 = nullptr;
};

}  // namespace quorvel::ui
