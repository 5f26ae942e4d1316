#pragma once
// The common dialogs: Open, Save As and the printer's, as one seam, so tests script
// what the owner chooses.
#include <QString>
#include <memory>

class QPrinter;
class QWidget;

namespace quorvel::ui {

// It remembers the last file name chosen, as the common dialog control does between
// openings.
class FileDialogs {
  public:
    virtual ~FileDialogs() = default;
    // The Open dialog: the chosen path, or an empty text when cancelled.
    virtual QString Open(QWidget* parent, const QString& title, const QString& startFolder,
                         const QString& filter) = 0;
    // The Save As dialog, offering `suggested` (a path): the chosen path, or an empty
    // text when cancelled. Choosing a file that exists has been confirmed.
    virtual QString Save(QWidget* parent, const QString& title, const QString& suggested,
                         const QString& filter) = 0;
    // A printer at high resolution, for the printer's dialog to set up. Tests hand out
    // one of their own (one that fails on a given page, say).
    virtual std::unique_ptr<QPrinter> NewPrinter();
    // The printer's dialog for `printer`: false when cancelled; otherwise the printer
    // is set up as chosen (which printer, paper, copies, pages).
    virtual bool Print(QWidget* parent, QPrinter& printer) = 0;
    const QString& lastFileName() const { return lastFileName_; }

  protected:
    QString lastFileName_;
};

class QtFileDialogs final : public FileDialogs {
  public:
    QString Open(QWidget* parent, const QString& title, const QString& startFolder,
                 const QString& filter) override;
    QString Save(QWidget* parent, const QString& title, const QString& suggested,
                 const QString& filter) override;
    bool Print(QWidget* parent, QPrinter& printer) override;
};

}  // namespace quorvel::ui
