#include "ui/Text.h"

namespace quorvel::ui {

// Qt's 8-bit "local" encoding is exactly the program's rule: UTF-8 on Linux whatever
// the locale, the ANSI code page (CP_ACP) on Windows.
QString FromStored(const std::string& text) {
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToStored(const QString& text) {
    return text.toLocal8Bit().toStdString();
}

}  // namespace quorvel::ui
