// The data-file side of the control panel: PanelData over the shared connection.
#include "db/Database.h"
#include "login/SignInSteps.h"
#include "panel/PanelData.h"
#include "store/publicVar.h"

namespace quorvel::panel {

namespace {

class ConnPanelData final : public PanelData {
  public:
    explicit ConnPanelData(store::publicVar& pv) : pv_(pv) {}

    std::optional<RateValues> ReadRates() override {
        db::Database* conn = db::IfOpen(pv_.Conn);
        if (!conn) return std::nullopt;
        return db::ReadRateValues(*conn);
    }
    bool WriteRates(const std::array<std::string, 4>& rates) override {
        db::Database* conn = db::IfOpen(pv_.Conn);
        return conn && db::WriteRates(*conn, rates);
    }
    login::FoundLogin FindLogin(const std::string& login) override {
        return login::LookUpLogin(pv_, login);
    }
    bool SetPassword(const std::string& login, const std::string& password) override {
        db::Database* conn = db::IfOpen(pv_.Conn);
        return conn && db::SetPassword(*conn, login, password);
    }
    std::optional<std::vector<db::DayRow>> SelectDays(const std::string& fromDay,
                                                      const std::string& tillDay) override {
        db::Database* conn = db::IfOpen(pv_.Conn);
        if (!conn) return std::nullopt;
        return db::SelectDays(*conn, fromDay, tillDay);
    }

  private:
    store::publicVar& pv_;
};

}  // namespace

std::unique_ptr<PanelData> MakeConnPanelData(store::publicVar& pv) {
    return std::make_unique<ConnPanelData>(pv);
}

}  // namespace quorvel::panel
