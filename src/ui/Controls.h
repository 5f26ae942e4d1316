#pragma once
// Small helpers the windows share for laying out and naming their controls.
#include <QString>

class QBoxLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace quorvel::ui {

// A length given in twips (1/1440 inch) in pixels at the widget's resolution.
int Twips(const QWidget* widget, int twips);

// A label named by its design name.
QLabel* NewLabel(QWidget* parent, const char* name, const QString& text);

// A button and a text box named by their design names.
QPushButton* NewButton(QWidget* parent, const char* name, const QString& caption);
QLineEdit* NewBox(QWidget* parent, const char* name, const QString& text = QString());

// Puts `widget` on a row of its own at the right of `layout` (a page's closing button).
void AddAtRight(QBoxLayout* layout, QWidget* widget);

// A multi-line text box with both scroll bars (lines are not wrapped), named for
// screen readers by `accessibleName`. Tab moves on to the next control, so the
// keyboard never gets stuck in it.
QPlainTextEdit* NewTextBox(QWidget* parent, const char* name, const QString& accessibleName);

// Ties a caption to the input beside it: screen readers name the input by the
// caption's text (without an accelerator "&" or a trailing colon), and the caption's
// accelerator, if it has one, moves the focus there.
void NameByCaption(QLabel* caption, QWidget* input);

}  // namespace quorvel::ui
