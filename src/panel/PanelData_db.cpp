// The data-file side of the control panel: PanelData over the shared connection.
#include "db/Database.h"
#include "panel/PanelData.h"
#include "store/publicVar.h"

namespace quorvel::panel {

namespace {

class ConnPanelData final : public PanelData {
  public:
    explicit ConnPanelData(store::publicVar& pv) : pv_(pv) {}

    std::optional<RateValues> ReadRates() override {
        if (!Open()) return std::nullopt;
        return db::ReadRateValues(*pv_.Conn);
    }
    bool WriteRates(const std::array<std::string, 4>& rates) override {
        return Open() && db::WriteRates(*pv_.Conn, rates);
    }
    login::FoundLogin FindLogin(const std::string& login) override {
        if (!Open()) return {};
        const auto row = db::FindLogin(*pv_.Conn, login);
        if (!row) return {};
        return {true, row->password};
    }
    bool SetPassword(const std::string& login, const std::string& password) override {
        return Open() && db::SetPassword(*pv_.Conn, login, password);
    }
    std::optional<std::vector<db::DayRow>> SelectDays(const std::string& fromDay,
                                                      const std::string& tillDay) override {
        if (!Open()) return std::nullopt;
        return db::SelectDays(*pv_.Conn, fromDay, tillDay);
    }

  private:
    bool Open() const { return pv_.Conn && pv_.Conn->IsOpen(); }
    store::publicVar& pv_;
};

}  // namespace

std::unique_ptr<PanelData> MakeConnPanelData(store::publicVar& pv) {
    return std::make_unique<ConnPanelData>(pv);
}

}  // namespace quorvel::panel
