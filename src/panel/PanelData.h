#pragma once
// What the control panel asks of the data file: the rates row, the two logins'
// passwords and the daily takings of a range of days. Kept behind this small interface
// so the panel's rules are tested over a double, without a data file.
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "db/DayRow.h"
#include "login/Authentication.h"

namespace quorvel::store {
class publicVar;
}

namespace quorvel::panel {

// The four rates of a row as stored: nullopt for an empty (Null) column.
using RateValues = std::array<std::optional<double>, 4>;

class PanelData {
  public:
    virtual ~PanelData() = default;
    // The first row of Rates_M; nullopt when there is none or the data file cannot be
    // read.
    virtual std::optional<RateValues> ReadRates() = 0;
    // The four rate texts into the first row of Rates_M, the row added when there is
    // none. A text that is not a number leaves its column as it was. False when the
    // data file refused.
    virtual bool WriteRates(const std::array<std::string, 4>& rates) = 0;
    // The row of a login (the data file matches the name ignoring letter case). Not
    // found also when the data file cannot be read.
    virtual login::FoundLogin FindLogin(const std::string& login) = 0;
    // The login's password; false when the row is gone or the data file refused.
    virtual bool SetPassword(const std::string& login, const std::string& password) = 0;
    // The days of Guest_T from `fromDay` to `tillDay` ("mm/dd/yyyy", both included),
    // oldest first; nullopt when the data file cannot be read.
    virtual std::optional<std::vector<db::DayRow>> SelectDays(const std::string& fromDay,
                                                              const std::string& tillDay) = 0;
};

// The data file in the shared connection `Conn` of `pv`, looked at on each call: a
// closed or missing connection reads nothing and refuses every write.
std::unique_ptr<PanelData> MakeConnPanelData(store::publicVar& pv);

}  // namespace quorvel::panel
