#pragma once
#include <QString>

class QWidget;

namespace quorvel::ui {

// The Open dialog seam. It remembers the last file name chosen, as the common
// dialog control does between openings.
class FileDialogs {
  public:
    virtual ~FileDialogs() = default;
    // Returns the chosen path, or an empty text when cancelled.
    virtual QString Open(QWidget* parent, const QString& title, const QString& startFolder,
                         const QString& filter) = 0;
    const QString& lastFileName() const { return lastFileName_; }

  protected:
    QString lastFileName_;
};

class QtFileDialogs final : public FileDialogs {
  public:
    QString Open(QWidget* parent, const QString& title, const QString& startFolder,
                 const QString& filter) override;
};

}  // namespace quorvel::ui
