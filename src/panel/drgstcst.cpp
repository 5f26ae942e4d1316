#include "panel/drgstcst.h"

#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QScreen>
#include <QStandardPaths>
#include <QToolButton>
#include <QVBoxLayout>

#include "cafe/CafeReportSource.h"
#include "panel/drgstcstPrint.h"
#include "panel/frmCtrlpnl.h"
#include "ui/Controls.h"
#include "ui/MessageBox.h"
#include "ui/Text.h"

namespace quorvel::ui {

namespace {

// Where Export PDF suggests saving: the user's documents, or the home folder where
// there are none.
QString DocumentsFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QDir(documents).exists() ? documents : QDir::homePath();
}

// "User Report 2026-12-01 to 2026-12-31.pdf"
QString SuggestedPdfName(const panel::Report& report) {
    const auto iso = [](const std::string& day) {
        const QDate date = QDate::fromString(FromStored(day), "MM/dd/yyyy");
        return date.isValid() ? date.toString(Qt::ISODate) : FromStored(day);
    };
    QString name = QString("%1 %2 to %3.pdf")
                       .arg(panel::kReportWindowTitle, iso(report.from), iso(report.till));
    name.replace('/', '-');
    return QDir(DocumentsFolder()).filePath(name);
}

}  // namespace

drgstcst::drgstcst(App& app) : app_(app), data_(panel::MakeConnPanelData(app.pv)) {
    setObjectName("drgstcst");
    setWindowTitle(panel::kReportWindowTitle);
    setWindowFlag(Qt::Window);

    previewPrinter_ = std::make_unique<QPrinter>(QPrinter::ScreenResolution);
    // Laid out as the exported PDF is; no printer is asked anything for the preview.
    previewPrinter_->setOutputFormat(QPrinter::PdfFormat);
    previewPrinter_->setPageLayout(ReportPageLayout());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    auto* bar = new QHBoxLayout;
    bar->setSpacing(4);
    layout->addLayout(bar);

    QToolButton* first = NewButton("cmdFirst", "First Page", Qt::Key_Home);
    QToolButton* previous = NewButton("cmdPrevious", "Previous Page", Qt::Key_PageUp);
    lblPage = NewLabel(this, "lblPage", QString());
    QToolButton* next = NewButton("cmdNext", "Next Page", Qt::Key_PageDown);
    QToolButton* last = NewButton("cmdLast", "Last Page", Qt::Key_End);
    QToolButton* zoomIn = NewButton("cmdZoomIn", "Zoom In", QKeySequence::ZoomIn);
    QToolButton* zoomOut = NewButton("cmdZoomOut", "Zoom Out", QKeySequence::ZoomOut);
    QToolButton* fitWidth = NewButton("cmdFitWidth", "Fit Width", Qt::CTRL | Qt::Key_0);
    QToolButton* print = NewButton("cmdPrint", "Print...", QKeySequence::Print);
    QToolButton* exportPdf = NewButton("cmdExport", "Export PDF...", Qt::CTRL | Qt::Key_E);
    QToolButton* closeButton = NewButton("cmdClose", "Close", Qt::Key_Escape);
    for (QWidget* w : std::initializer_list<QWidget*>{first, previous, lblPage, next, last})
        bar->addWidget(w);
    bar->addSpacing(12);
    for (QWidget* w : std::initializer_list<QWidget*>{zoomIn, zoomOut, fitWidth}) bar->addWidget(w);
    bar->addStretch(1);
    for (QWidget* w : std::initializer_list<QWidget*>{print, exportPdf, closeButton})
        bar->addWidget(w);

    Viewer = new QPrintPreviewWidget(previewPrinter_.get(), this);
    Viewer->setObjectName("Viewer");
    Viewer->setAccessibleName("Report pages");
    // The pages are shown by a view inside the viewer; that is what takes the focus.
    for (QWidget* part : Viewer->findChildren<QWidget*>())
        if (part->focusPolicy() & Qt::TabFocus) part->setAccessibleName("Report pages");
    Viewer->fitToWidth();
    layout->addWidget(Viewer, 1);

    connect(Viewer, &QPrintPreviewWidget::paintRequested, this, [this](QPrinter* printer) {
        if (report_) PaintReport(*report_, *printer);
    });
    connect(Viewer, &QPrintPreviewWidget::previewChanged, this, &drgstcst::ShowPageNumber);
    const auto goTo = [this](auto page) {
        return [this, page] {
            Viewer->setCurrentPage(page(Viewer->currentPage(), Viewer->pageCount()));
            ShowPageNumber();
        };
    };
    connect(first, &QToolButton::clicked, this, goTo([](int, int) { return 1; }));
    connect(previous, &QToolButton::clicked, this, goTo([](int at, int) { return at - 1; }));
    connect(next, &QToolButton::clicked, this, goTo([](int at, int) { return at + 1; }));
    connect(last, &QToolButton::clicked, this, goTo([](int, int count) { return count; }));
    connect(zoomIn, &QToolButton::clicked, this, [this] { Viewer->zoomIn(); });
    connect(zoomOut, &QToolButton::clicked, this, [this] { Viewer->zoomOut(); });
    connect(fitWidth, &QToolButton::clicked, this, [this] { Viewer->fitToWidth(); });
    connect(print, &QToolButton::clicked, this, &drgstcst::cmdPrint_Click);
    connect(exportPdf, &QToolButton::clicked, this, &drgstcst::cmdExport_Click);
    connect(closeButton, &QToolButton::clicked, this, &QWidget::close);

    // Most of the screen: a page's width is readable at once.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        QRect frame(QPoint(0, 0), QSize(available.width() * 4 / 5, available.height() * 9 / 10));
        frame.moveCenter(available.center());
        setGeometry(frame);
    }

    DataReport_Initialize();
}

drgstcst::~drgstcst() = default;

QToolButton* drgstcst::NewButton(const char* name, const QString& text, const QKeySequence& key) {
    auto* button = new QToolButton(this);
    button->setObjectName(name);
    button->setText(text);
    button->setToolTip(key.isEmpty()
                           ? text
                           : QString("%1 (%2)").arg(text, key.toString(QKeySequence::NativeText)));
    button->setShortcut(key);
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
}

void drgstcst::DataReport_Initialize() {
    const std::string& from = app_.pv.reportFromDate;
    const std::string& till = app_.pv.reportTillDate;
    // "All PCs" on the Report tab of a joined PC: the cafe's server has every PC's days,
    // made into the whole cafe's by the rule `report --cafe` follows.
    cafe::CafeReportSource* cafe = app_.pv.reportAllPcs ? app_.pv.CafeReport.get() : nullptr;
    std::optional<std::vector<db::DayRow>> rows;
    std::string why, refusal;
    if (cafe) {
        // The server is asked on this thread, and gives up within seconds.
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        const auto takings = cafe->SelectTakings(from, till, why);
        QGuiApplication::restoreOverrideCursor();
        if (!takings)
            refusal = "The takings of all PCs from " + from + " till " + till +
                      " could not be read from the cafe's server (" + why +
                      "), so no report was made.";
        else if (!(rows = cafe::WholeCafeDays(*takings, why)))
            refusal = "The report of all PCs from " + from + " till " + till +
                      " was not made: " + why + ".";
    } else if (!(rows = data_->SelectDays(from, till))) {
        refusal = "The takings from " + from + " till " + till +
                  " could not be read from the data file, so no report was made.";
    }
    if (!rows) {
        report_.reset();
        app_.msg.MsgBox(FromStored(refusal), kMbExclamation, FromStored(app_.pv.AppTitle));
        return;
    }
    std::string error;
    report_ = panel::BuildReport(from, till, *rows, LongDate(app_.pv.os.clock.Now()), error);
    if (!report_) {
        app_.msg.MsgBox(FromStored(error + " No report was made."), kMbExclamation,
                        FromStored(app_.pv.AppTitle));
        return;
    }
    Viewer->updatePreview();
    Viewer->setCurrentPage(1);
    ShowPageNumber();
}

int drgstcst::pageCount() const {
    return Viewer->pageCount();
}

int drgstcst::currentPage() const {
    return Viewer->currentPage();
}

void drgstcst::ShowPageNumber() {
    lblPage->setText(QString("Page %1 of %2").arg(Viewer->currentPage()).arg(Viewer->pageCount()));
}

void drgstcst::cmdPrint_Click() {
    if (!report_) return;
    const std::unique_ptr<QPrinter> printer = app_.files.NewPrinter();
    printer->setPageLayout(ReportPageLayout());
    printer->setDocName(panel::kReportWindowTitle);
    if (!app_.files.Print(this, *printer)) return;
    // A printer can fail part way: the owner learns which pages are missing.
    const PaintedPages painted = PaintReport(*report_, *printer);
    if (!painted.complete())
        app_.msg.MsgBox(FromStored(panel::PagesNotPrinted(painted.printed, painted.pages)),
                        kMbExclamation, FromStored(app_.pv.AppTitle));
}

void drgstcst::cmdExport_Click() {
    if (!report_) return;
    const QString path =
        app_.files.Save(this, "Export PDF", SuggestedPdfName(*report_), "PDF (*.pdf)");
    if (path.isEmpty()) return;
    QString error;
    if (!WriteReportPdf(*report_, path, error))
        app_.msg.MsgBox(QString("The report was not saved as %1: %2").arg(path, error),
                        kMbExclamation, FromStored(app_.pv.AppTitle));
}

void drgstcst::DataReport_QueryClose() {
    if (!app_.forms.IsLoaded<frmCtrlpnl>()) return;
    frmCtrlpnl& panel = app_.forms.Get<frmCtrlpnl>();
    panel.show();
    panel.raise();
    panel.activateWindow();
}

void drgstcst::closeEvent(QCloseEvent* event) {
    event->ignore();
    DataReport_QueryClose();
    app_.forms.Unload<drgstcst>();
}

}  // namespace quorvel::ui
