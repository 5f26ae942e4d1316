#include "ui/FileDialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>

namespace quorvel::ui {

QString QtFileDialogs::Open(QWidget* parent, const QString& title, const QString& startFolder,
                            const QString& filter) {
    const QString start =
        lastFileName_.isEmpty()
            ? startFolder
            : QFileInfo(startFolder, QFileInfo(lastFileName_).fileName()).filePath();
    const QString chosen = QFileDialog::getOpenFileName(parent, title, start, filter);
    if (!chosen.isEmpty()) lastFileName_ = chosen;
    return chosen;
}

QString QtFileDialogs::Save(QWidget* parent, const QString& title, const QString& suggested,
                            const QString& filter) {
    // A folder chosen before is offered again, with the suggested name.
    const QString start = lastFileName_.isEmpty() ? suggested
                                                  : QFileInfo(QFileInfo(lastFileName_).path(),
                                                              QFileInfo(suggested).fileName())
                                                        .filePath();
    const QString chosen = QFileDialog::getSaveFileName(parent, title, start, filter);
    if (!chosen.isEmpty()) lastFileName_ = chosen;
    return chosen;
}

std::unique_ptr<QPrinter> FileDialogs::NewPrinter() {
    return std::make_unique<QPrinter>(QPrinter::HighResolution);
}

bool QtFileDialogs::Print(QWidget* parent, QPrinter& printer) {
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace quorvel::ui
