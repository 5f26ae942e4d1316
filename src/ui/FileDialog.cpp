#include "ui/FileDialog.h"

#include <QFileDialog>
#include <QFileInfo>

namespace quorvel::ui {

QString QtFileDialogs::Open(QWidget* parent, const QString& title, const QString& startFolder,
                            const QString& filter) {
    const QString start = lastFileName_.isEmpty()
                              ? startFolder
                              : QFileInfo(startFolder, QFileInfo(lastFileName_).fileName()).filePath();
    const QString chosen = QFileDialog::getOpenFileName(parent, title, start, filter);
    if (!chosen.isEmpty()) lastFileName_ = chosen;
    return chosen;
}

}  // namespace quorvel::ui
