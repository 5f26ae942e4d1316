#include "ui/PasswordBox.h"

#include <QLineEdit>
#include <QProxyStyle>

namespace quorvel::ui {

namespace {

// The desktop's style (or a box's style sheet on top of it) for everything but the
// mask character. A style, not a style sheet rule, so a box may keep its own sheet.
class AsteriskStyle final : public QProxyStyle {
  public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* answer) const override {
        if (hint == SH_LineEdit_PasswordCharacter) return '*';
        return QProxyStyle::styleHint(hint, option, widget, answer);
    }
};

}  // namespace

void MaskAsPassword(QLineEdit& box) {
    auto* style = new AsteriskStyle;
    style->setParent(&box);  // a widget does not own the style it is given
    box.setStyle(style);
    box.setEchoMode(QLineEdit::Password);
}

}  // namespace quorvel::ui
