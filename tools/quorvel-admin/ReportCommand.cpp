// `quorvel-admin report`: the takings report without a screen, from the data file
// opened read-only or, with --cafe, from the cafe's server: a table, CSV for
// spreadsheets, or the PDF the report window exports. The lines and totals are the
// report window's (panel/Report), for one PC and for a whole cafe alike.
#include <ostream>
#include <string>

#include "Commands.h"
#include "Host.h"
#ifdef QUORVEL_ADMIN_DRAWS_PDF
#include "ReportPdf.h"
#endif
#include "db/Database.h"
#include "panel/Report.h"

namespace quorvel::admin {

namespace {

void Usage(std::ostream& err) {
    err << "usage: quorvel-admin report --from YYYY-MM-DD --till YYYY-MM-DD [--csv | --pdf FILE]\n"
           "                            [--cafe [--by-pc] [--server CONNINFO]]\n";
}

// A day text of the data file as ISO (yyyy-mm-dd), which every spreadsheet reads as
// a date whatever its own date settings.
std::string IsoDay(const std::string& dayText) {
    return db::IsoFromDay(dayText).value_or(dayText);
}

// The headings as a table or a spreadsheet heads its columns: without the blank that
// ends one of them, which would only push it out of line.
std::array<std::string, 3> Headings() {
    std::array<std::string, 3> headings;
    for (std::size_t i = 0; i < 3; ++i) {
        headings[i] = panel::kReportHeadings[i];
        while (!headings[i].empty() && headings[i].back() == ' ') headings[i].pop_back();
    }
    return headings;
}

void WriteTable(const panel::Report& report, std::ostream& out) {
    std::array<std::size_t, 3> width{};
    const auto widen = [&](const std::array<std::string, 3>& row) {
        for (std::size_t i = 0; i < 3; ++i) width[i] = std::max(width[i], row[i].size());
    };
    const std::array<std::string, 3> headings = Headings();
    widen(headings);
    for (const panel::ReportLine& line : report.lines) widen({line.date, line.guests, line.cash});
    widen({panel::kReportTotalCaption, report.totalGuests, report.totalCash});

    const auto row = [&](const std::array<std::string, 3>& cells) {
        std::string text = cells[0] + std::string(width[0] - cells[0].size(), ' ');
        for (std::size_t i = 1; i < 3; ++i)
            text += "  " + std::string(width[i] - cells[i].size(), ' ') + cells[i];
        out << text << "\n";
    };
    const std::array<std::string, 3> rule{std::string(width[0], '-'), std::string(width[1], '-'),
                                          std::string(width[2], '-')};
    out << panel::kReportTitle << "\n" << report.range << "\n\n";
    row(headings);
    row(rule);
    for (const panel::ReportLine& line : report.lines) row({line.date, line.guests, line.cash});
    row(rule);
    row({panel::kReportTotalCaption, report.totalGuests, report.totalCash});
}

// RFC 4180: one header row, CR LF after every record. No field can hold a comma, a
// quote or a line break (days, whole counts, amounts and PC names, which are letters,
// digits, "-" and "_" only), so none is quoted.
void WriteCsvHeader(bool byPc, std::ostream& out) {
    const std::array<std::string, 3> headings = Headings();
    out << (byPc ? "PC," : "") << headings[0] << ',' << headings[1] << ',' << headings[2] << "\r\n";
}

// The report's records; `pc`, unless it is "", as the first column of each.
void WriteCsvRecords(const panel::Report& report, const std::string& pc, std::ostream& out) {
    const std::string first = pc.empty() ? "" : pc + ",";
    for (const panel::ReportLine& line : report.lines)
        out << first << IsoDay(line.date) << ',' << line.guests << ',' << line.cash << "\r\n";
    out << first << panel::kReportTotalCaption << ',' << report.totalGuests << ','
        << report.totalCash << "\r\n";
}

#ifndef _WIN32
// What the whole cafe is called where the PCs are listed one by one.
constexpr const char* kAllPcs = "All PCs";

// The report of each PC, then the whole cafe's, as tables one after another or as one
// CSV with the PC in the first column. Every report is built before anything is
// written, so a figure refused leaves no half report behind.
int WriteByPc(const std::string& from, const std::string& till,
              const std::vector<cafe::DayTakings>& takings, bool csv, std::ostream& out,
              std::ostream& err) {
    std::vector<std::pair<std::string, panel::Report>> reports;
    auto pcs = cafe::SplitByPc(takings);
    pcs.emplace_back(kAllPcs, cafe::WholeCafe(takings));
    for (const auto& [pc, days] : pcs) {
        std::string error;
        const auto rows = cafe::AsDayRows(days, error);
        auto report =
            rows ? panel::BuildReport(from, till, *rows, std::string(), error) : std::nullopt;
        if (!report) {
            err << "quorvel-admin report: " << pc << ": " << error << "\n";
            return 1;
        }
        reports.emplace_back(pc, std::move(*report));
    }
    if (csv) WriteCsvHeader(true, out);
    for (const auto& [pc, report] : reports) {
        if (csv) {
            WriteCsvRecords(report, pc, out);
            continue;
        }
        out << (pc == kAllPcs ? pc : "PC " + pc) << "\n";
        WriteTable(report, out);
        if (pc != kAllPcs) out << "\n";
    }
    out.flush();
    return out ? 0 : 1;
}
#endif

}  // namespace

int ReportCommand(const Args& args, std::ostream& out, std::ostream& err) {
    std::optional<std::string> fromIso, tillIso, pdf, server;
    bool csv = false, wholeCafe = false, byPc = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--csv" || args[i] == "--cafe" || args[i] == "--by-pc") {
            (args[i] == "--csv" ? csv : args[i] == "--cafe" ? wholeCafe : byPc) = true;
        } else if ((args[i] == "--from" || args[i] == "--till" || args[i] == "--pdf" ||
                    args[i] == "--server") &&
                   i + 1 < args.size()) {
            (args[i] == "--from"   ? fromIso
             : args[i] == "--till" ? tillIso
             : args[i] == "--pdf"  ? pdf
                                   : server) = args[i + 1];
            ++i;
        } else {
            err << "quorvel-admin report: unexpected '" << args[i] << "'\n";
            Usage(err);
            return 2;
        }
    }
    if (!fromIso || !tillIso || (csv && pdf) || (pdf && pdf->empty()) ||
        ((byPc || server) && !wholeCafe)) {
        Usage(err);
        return 2;
    }
    if (byPc && pdf) {
        err << "quorvel-admin report: --by-pc gives a table or --csv; the PDF is the whole "
               "cafe's report (without --by-pc)\n";
        return 2;
    }
    const auto from = db::DayFromIso(*fromIso);
    const auto till = db::DayFromIso(*tillIso);
    for (const auto& [day, iso] : {std::pair{from, *fromIso}, std::pair{till, *tillIso}}) {
        if (!day) {
            err << "quorvel-admin report: '" << iso << "' is not a day (YYYY-MM-DD)\n";
            return 1;
        }
    }
    if (*db::DateValue(*from) > *db::DateValue(*till)) {
        err << "quorvel-admin report: the From day " << *fromIso << " lies after the Till day "
            << *tillIso << "\n";
        return 1;
    }

    std::string error;
    std::optional<std::vector<db::DayRow>> rows;
    if (wholeCafe) {
#ifdef _WIN32
        err << "quorvel-admin report: this build has no link to a cafe's server yet\n";
        return 1;
#else
        const auto takings = CafeTakings(server.value_or(""), *fromIso, *tillIso, error);
        if (takings && byPc && cafe::OneCurrency(*takings, error))
            return WriteByPc(*from, *till, *takings, csv, out, err);
        if (takings && !byPc) rows = cafe::WholeCafeDays(*takings, error);
        if (!rows) {
            err << "quorvel-admin report: " << error << "\n";
            return 1;
        }
#endif
    } else {
        // Read-only: the report never compacts or changes the data file, and can run
        // beside the program.
        const std::string path = db::DataFilePath(ProgramFolder());
        auto file =
            db::Database::Open(path, db::kDataFilePassword, error, db::Database::Access::ReadOnly);
        if (!file) {
            err << "quorvel-admin report: cannot open the data file " << path << ": " << error
                << "\n";
            return 1;
        }
        rows = db::SelectDays(*file, *from, *till);
        if (!rows) {
            err << "quorvel-admin report: cannot read the takings from the data file " << path
                << ": " << file->connection().LastError() << "\n";
            return 1;
        }
    }
    const auto built = panel::BuildReport(*from, *till, *rows, std::string(), error);
    if (!built) {
        err << "quorvel-admin report: " << error << "\n";
        return 1;
    }
    const panel::Report& report = *built;
    if (pdf) {
#ifdef QUORVEL_ADMIN_DRAWS_PDF
        if (!WriteReportPdfFile(report, *pdf, error)) {
            err << "quorvel-admin report: cannot write " << *pdf << ": " << error << "\n";
            return 1;
        }
        return 0;
#else
        err << "quorvel-admin report: this build of the tool draws no PDF (the toolkit is not "
               "part of it); the table and --csv work\n";
        return 1;
#endif
    }
    if (csv) {
        WriteCsvHeader(false, out);
        WriteCsvRecords(report, "", out);
    } else
        WriteTable(report, out);
    out.flush();
    return out ? 0 : 1;
}

}  // namespace quorvel::admin
