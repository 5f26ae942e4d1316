#pragma once
// The takings report window "User Report": the report of the days chosen on the
// control panel's Report tab, page by page as it prints, with a viewer that pages,
// zooms, prints and exports a PDF. It stands beside the panel (not modal) and goes
// when the panel goes; closing it brings the panel to the front.
//
// Controls: the viewer `Viewer` (the pages), the page line `lblPage` ("Page 1 of 3"),
// and the buttons `cmdFirst`, `cmdPrevious`, `cmdNext`, `cmdLast`, `cmdZoomIn`,
// `cmdZoomOut`, `cmdFitWidth`, `cmdPrint`, `cmdExport`, `cmdClose`.
#include <QWidget>
#include <memory>
#include <optional>

#include "panel/PanelData.h"
#include "panel/Report.h"
#include "ui/Forms.h"

class QLabel;
class QPrintPreviewWidget;
class QPrinter;
class QToolButton;

namespace quorvel::ui {

class drgstcst : public QWidget {
    Q_OBJECT
  public:
    // Runs DataReport_Initialize.
    explicit drgstcst(App& app);
    ~drgstcst() override;

    // Reads the days from reportFromDate to reportTillDate and lays the report out
    // afresh. A data file that cannot be read is reported, and HasData is then false.
    void DataReport_Initialize();
    // Runs as the window is about to close: the control panel comes to the front.
    void DataReport_QueryClose();

    bool HasData() const { return report_.has_value(); }
    const panel::Report& report() const { return *report_; }
    int pageCount() const;
    int currentPage() const;

    // Print...: the printer's dialog, then the report on the printer chosen.
    void cmdPrint_Click();
    // Export PDF...: the Save As dialog, then the report as a PDF file there.
    void cmdExport_Click();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    QToolButton* NewButton(const char* name, const QString& text, const QKeySequence& key);
    void ShowPageNumber();

    App& app_;
    std::unique_ptr<panel::PanelData> data_;
    std::optional<panel::Report> report_;
    // The preview draws on a printer of its own, laid out as the PDF is.
    std::unique_ptr<QPrinter> previewPrinter_;
    QPrintPreviewWidget* Viewer = nullptr;
    QLabel* lblPage = nullptr;
};

}  // namespace quorvel::ui
