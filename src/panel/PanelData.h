#pragma once
// What the control panel asks of the data file: the rates row and the two logins'
// passwords. Kept behind this small interface so the panel's rules build where the
// data file's library is not available.
#include <array>
#include <memory>
#include <optional>
#include <string>

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
};

// The data file in the shared connection `Conn` of `pv`, looked at on each call: a
// closed or missing connection reads nothing and refuses every write.
std::unique_ptr<PanelData> MakeConnPanelData(store::publicVar& pv);

}  // namespace quorvel::panel
