// `quorvel-admin rates` and `quorvel-admin book`: the charges and the daily takings in
// the data file, through the program's own statements (the same rules as the control
// panel's rate boxes and the session's booking).
#include <charconv>
#include <iterator>
#include <ostream>

#include "Commands.h"
#include "Host.h"
#include "db/Database.h"
#include "db/Numbers.h"
#include "panel/Report.h"

namespace quorvel::admin {

namespace {

std::unique_ptr<db::Database> OpenDataFile(std::ostream& err) {
    const std::string path = db::DataFilePath(ProgramFolder());
    std::string error;
    auto file = db::Database::Open(path, db::kDataFilePassword, error);
    if (!file) err << "quorvel-admin: cannot open the data file " << path << ": " << error << "\n";
    return file;
}

// The shortest text that reads back as `amount`, with every digit it was booked with
// ("35184372088831.99", "30000000000000"); one too long for that in exponent form.
std::string Money(double amount) {
    char text[64];
    auto written =
        std::to_chars(std::begin(text), std::end(text), amount, std::chars_format::fixed);
    if (written.ec != std::errc())
        written = std::to_chars(std::begin(text), std::end(text), amount);
    return std::string(text, written.ptr);
}

}  // namespace

int RatesCommand(const Args& args, std::ostream& out, std::ostream& err) {
    if (!args.empty() && args.size() != 4) {
        err << "usage: quorvel-admin rates [R0 R15 R30 R45]\n";
        return 2;
    }
    for (const std::string& rate : args) {
        if (!db::ParseNumber(rate)) {
            err << "quorvel-admin rates: '" << rate << "' is not a number\n";
            return 2;
        }
    }
    auto file = OpenDataFile(err);
    if (!file) return 1;
    if (args.size() == 4 && !db::WriteRates(*file, {args[0], args[1], args[2], args[3]})) {
        err << "quorvel-admin rates: cannot write the rates: " << file->connection().LastError()
            << "\n";
        return 1;
    }
    const auto rates = db::ReadRateValues(*file);
    if (!rates) {
        out << "No rates set.\n";
        return 0;
    }
    const char* labels[] = {"0-15 min", "15-30 min", "30-45 min", "45-60 min"};
    for (std::size_t i = 0; i < 4; ++i)
        out << labels[i] << "  " << ((*rates)[i] ? Money(*(*rates)[i]) : "(empty)") << "\n";
    return 0;
}

int BookCommand(const Args& args, std::ostream& out, std::ostream& err) {
    if (args.size() < 2) {
        err << "usage: quorvel-admin book DAY AMOUNT...   (DAY as mm/dd/yyyy)\n";
        return 2;
    }
    const std::string& day = args[0];
    if (!db::DateValue(day)) {
        err << "quorvel-admin book: '" << day << "' is not a day (mm/dd/yyyy)\n";
        return 2;
    }
    std::vector<double> amounts;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const auto amount = db::ParseNumber(args[i]);
        if (!amount || *amount < 0) {
            err << "quorvel-admin book: '" << args[i] << "' is not an amount\n";
            return 2;
        }
        if (!panel::Cents(*amount)) {
            err << "quorvel-admin book: '" << args[i] << "' is " << panel::TooLargeToShow() << "\n";
            return 2;
        }
        amounts.push_back(*amount);
    }
    auto file = OpenDataFile(err);
    if (!file) return 1;
    // The day's takings are summed as the data file sums them; a day the report could
    // not show is not booked at all.
    const auto before = db::FindDay(*file, day);
    double total = before && before->gamt ? *before->gamt : 0.0;
    for (double amount : amounts) total += amount;
    if (!panel::Cents(total)) {
        err << "quorvel-admin book: the takings of " << day << " would come to " << Money(total)
            << ", " << panel::TooLargeToShow() << "; nothing booked\n";
        return 1;
    }
    // Each amount is one session, added as Logout adds one (no identity: a session
    // booked by hand is never recognised as one the program booked).
    for (std::size_t i = 0; i < amounts.size(); ++i) {
        if (db::AddSessionToDailyTotals(*file, day, amounts[i], "") != db::Booking::Booked) {
            err << "quorvel-admin book: session " << i + 1 << " of " << day
                << " not booked: " << file->connection().LastError() << "\n";
            return 1;
        }
    }
    const auto row = db::FindDay(*file, day);
    if (row)
        out << row->gdate << "  guests " << row->gnum << "  takings "
            << (row->gamt ? Money(*row->gamt) : "(none)") << "\n";
    return 0;
}

}  // namespace quorvel::admin
