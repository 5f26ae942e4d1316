// The control panel and the takings report on a cafe's data after ten years:
// - BM_OpenPanel: from the admin's sign-in to the panel drawn, every page loaded
//   (1000 blocked sites, 200 programs, a 1 MB session log, 64 KB of notes, 3650 daily
//   rows). Target: under 150 ms.
// - BM_ReportQueryAndLayout: the 3650 days read and laid out on A4 pages, as the report
//   window does before it shows. Target: under 300 ms.
// - BM_ReportPdf: the same report written as a PDF file. Target: under 1 s.
// Qt's offscreen platform by default; set QT_QPA_PLATFORM=xcb and DISPLAY for an X
// server.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QBuffer>
#include <QPdfWriter>
#include <filesystem>
#include <fstream>

#include "BenchSeams.h"
#include "db/Database.h"
#include "panel/NotesAndLogs.h"
#include "panel/drgstcstPrint.h"
#include "panel/frmCtrlpnl.h"
#include "platform/fake/FakeClock.h"
#include "platform/fake/FakeLocale.h"
#include "platform/fake/FakeServices.h"
#include "platform/fake/FakeWindowSystem.h"
#include "platform/fake/MemoryRegistry.h"
#include "session/SessionLog.h"

namespace {

using namespace quorvel;
namespace fs = std::filesystem;

constexpr const char* kFirstDay = "01/01/2016";
constexpr const char* kLastDay = "12/29/2025";  // 3650 days

struct Rig {
    Rig()
        : folder(MakeFolder()),
          pv(store::Platform{registry, windows, desktop, instance, shell, systemInfo, locale,
                             clock, guestDesktop}) {
        for (const char* key :
             {store::kSettingsKey, store::kTimersKey, store::kProgramsKey, store::kUrlsKey})
            pv.settings.CreateSettingsKey(platform::kHkeyCurrentUser, key);
        for (int i = 0; i < 1000; ++i)
            pv.settings.WriteSetting(platform::kHkeyCurrentUser, store::kUrlsKey,
                                     "blocked-site-" + std::to_string(i) + ".example", "1",
                                     platform::kRegSz);
        for (int i = 0; i < 200; ++i)
            pv.settings.WriteSetting(platform::kHkeyCurrentUser, store::kProgramsKey,
                                     "Program " + std::to_string(i),
                                     "/usr/bin/program-" + std::to_string(i), platform::kRegSz);
        systemInfo.programFolder = (folder / "program").string();
        pv.SysDir = (folder / "system").string();
        fs::create_directories(folder / "program" / "Systemfiles");
        fs::create_directories(folder / "program" / "Data");
        fs::create_directories(pv.SysDir);
        std::ofstream(panel::NotesPath(systemInfo.programFolder), std::ios::binary)
            << std::string(64 * 1024 - 1, 'n') << '\n';
        std::ofstream log(session::SessionLogPath(pv.SysDir), std::ios::binary);
        const std::string line =
            "\r\nguest|12/5/2026 | 10:00:00 AM | 0 : 45 : 12 | 10:45:12 AM | 20";
        for (std::size_t size = 0; size < (1u << 20); size += line.size()) log << line;
        log.close();
        MakeDataFile();
    }
    ~Rig() {
        gui.forms.reset();
        pv.Conn.reset();
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    static fs::path MakeFolder() {
        std::string pattern = (fs::temp_directory_path() / "quorvel-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        return pattern;
    }
    void MakeDataFile() {
        std::string error;
        const std::string path = db::DataFilePath(systemInfo.programFolder);
        {
            auto file = db::Database::Create(path, db::kDataFilePassword, error);
            if (!file) std::abort();
            db::AddLogin(*file, "admin", "a");
            db::AddLogin(*file, "guest", "g");
            db::WriteRates(*file, {"10", "15", "20", "25"});
            file->connection().Exec("BEGIN");
            const auto first = *db::DateValue(kFirstDay);
            int days = 0;
            for (int y = first / 10000; days < 3650; ++y)
                for (int m = 1; m <= 12 && days < 3650; ++m)
                    for (int d = 1; d <= 31 && days < 3650; ++d) {
                        const std::string text = db::DayText(y, m, d);
                        if (!db::DateValue(text)) continue;
                        sqlite::Statement insert(file->connection(),
                                                 "INSERT INTO Guest_T VALUES (?1, ?2, ?3)");
                        insert.Bind(1, text).Bind(2, std::int64_t(4 + days % 14));
                        insert.Bind(3, 37.5 + days % 200);
                        insert.Run();
                        ++days;
                    }
            file->connection().Exec("COMMIT");
        }
        pv.Conn = db::Database::Open(path, db::kDataFilePassword, error);
        if (!pv.Conn) std::abort();
    }

    fs::path folder;
    platform::MemoryRegistry registry;
    platform::FakeWindowSystem windows;
    platform::RecordingDesktop desktop;
    platform::FakeInstance instance;
    platform::RecordingShell shell;
    platform::FakeSystemInfo systemInfo;
    platform::FakeLocale locale;
    platform::FakeClock clock;
    platform::SharedGuestDesktop guestDesktop;
    store::publicVar pv;
    bench::UnattendedWindows gui{pv};
};

Rig& TheRig() {
    static Rig rig;
    return rig;
}

void BM_OpenPanel(benchmark::State& state) {
    Rig& rig = TheRig();
    for (auto _ : state) {
        auto& panel = rig.gui.forms->Get<ui::frmCtrlpnl>();
        panel.show();
        QApplication::processEvents();
        // Drawn: what the screen shows, rendered.
        benchmark::DoNotOptimize(panel.grab());
        state.PauseTiming();
        panel.Unload();
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenPanel)->Unit(benchmark::kMillisecond)->MinTime(2.0);

panel::Report TenYearReport(Rig& rig) {
    const auto rows = db::SelectDays(*rig.pv.Conn, kFirstDay, kLastDay);
    if (!rows || rows->size() != 3650) std::abort();
    std::string error;
    auto report =
        panel::BuildReport(kFirstDay, kLastDay, *rows, ui::LongDate(rig.clock.Now()), error);
    if (!report) std::abort();
    return *std::move(report);
}

void BM_ReportQueryAndLayout(benchmark::State& state) {
    Rig& rig = TheRig();
    QBuffer sink;
    sink.open(QIODevice::WriteOnly);
    QPdfWriter device(&sink);
    device.setPageLayout(ui::ReportPageLayout());
    device.setResolution(600);
    std::size_t pages = 0;
    for (auto _ : state) {
        const panel::Report report = TenYearReport(rig);
        pages = ui::LayOutReport(report, device).size();
        benchmark::DoNotOptimize(pages);
    }
    state.counters["pages"] = double(pages);
}
BENCHMARK(BM_ReportQueryAndLayout)->Unit(benchmark::kMillisecond);

void BM_ReportPdf(benchmark::State& state) {
    Rig& rig = TheRig();
    const panel::Report report = TenYearReport(rig);
    const QString path = QString::fromStdString((rig.folder / "report.pdf").string());
    for (auto _ : state) {
        QString error;
        if (!ui::WriteReportPdf(report, path, error)) state.SkipWithError("PDF not written");
    }
    state.counters["kB"] = double(fs::file_size(path.toStdString())) / 1024.0;
}
BENCHMARK(BM_ReportPdf)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return quorvel::bench::RunWindowBenchmarks(argc, argv);
}
