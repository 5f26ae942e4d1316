#include "ui/Controls.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>

namespace quorvel::ui {

int Twips(const QWidget* widget, int twips) {
    return qRound(twips * widget->logicalDpiX() / 1440.0);
}

QLabel* NewLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QPushButton* NewButton(QWidget* parent, const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    return button;
}

QLineEdit* NewBox(QWidget* parent, const char* name, const QString& text) {
    auto* box = new QLineEdit(text, parent);
    box->setObjectName(name);
    return box;
}

void AddAtRight(QBoxLayout* layout, QWidget* widget) {
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(widget);
    layout->addLayout(row);
}

QPlainTextEdit* NewTextBox(QWidget* parent, const char* name, const QString& accessibleName) {
    auto* box = new QPlainTextEdit(parent);
    box->setObjectName(name);
    box->setAccessibleName(accessibleName);
    box->setLineWrapMode(QPlainTextEdit::NoWrap);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setTabChangesFocus(true);
    return box;
}

void NameByCaption(QLabel* caption, QWidget* input) {
    caption->setBuddy(input);
    QString name = caption->text();
    name.remove('&');
    name = name.trimmed();
    if (name.endsWith(':')) name.chop(1);
    input->setAccessibleName(name.trimmed());
    // An editable combo box is read through its text part too.
    if (auto* combo = qobject_cast<QComboBox*>(input); combo && combo->lineEdit())
        combo->lineEdit()->setAccessibleName(name.trimmed());
}

}  // namespace quorvel::ui
