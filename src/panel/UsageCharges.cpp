#include "panel/UsageCharges.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "store/Variant.h"
#include "store/publicVar.h"

namespace quorvel::panel {

using platform::kHkeyCurrentUser;

namespace {

store::Variant ReadValue(const store::publicVar& pv, const char* name) {
    return pv.settings.ReadSetting(kHkeyCurrentUser, store::kSettingsKey, name);
}

std::optional<std::string> ShownIfStored(const store::Variant& stored, const std::string& shown) {
    if (stored.IsEmpty()) return std::nullopt;
    return shown;
}

bool ShowsAsLoaded(const std::string& box, const std::optional<std::string>& loaded) {
    return loaded && box == *loaded;
}

bool WriteText(const store::publicVar& pv, const char* name, const std::string& text) {
    return pv.settings.TryWriteSetting(kHkeyCurrentUser, store::kSettingsKey, name, text,
                                       static_cast<std::int32_t>(platform::kRegSz)) ==
           platform::kErrorSuccess;
}

bool IsBlankOnly(std::string_view text) {
    return text.find_first_not_of(' ') == std::string_view::npos;
}

}  // namespace

void LoadUsageCharges(const store::publicVar& pv, PanelData& data, UsageCharges& boxes) {
    const std::optional<RateValues> rates = data.ReadRates();
    for (std::size_t i = 0; i < 4; ++i)
        boxes.cb[i] = RateText(rates ? (*rates)[i].value_or(0.0) : 0.0);
    const store::Variant currency = ReadValue(pv, "Currency");
    boxes.cSymbol = currency.ToDisplayText();
    boxes.loaded.cSymbol = ShownIfStored(currency, boxes.cSymbol);
    boxes.cb[4] = ReadValue(pv, "MinimumT").ToDisplayText();
    const store::Variant minimumCharge = ReadValue(pv, "MinimumC");
    boxes.mCharge = MinimumChargeText(minimumCharge);
    boxes.loaded.mCharge = ShownIfStored(minimumCharge, boxes.mCharge);
}

void SaveUsageCharges(const store::publicVar& pv, PanelData& data, UsageCharges& boxes,
                      const std::string& firstSymbol, std::vector<std::string>& notStored) {
    if (!data.WriteRates({boxes.cb[0], boxes.cb[1], boxes.cb[2], boxes.cb[3]}))
        notStored.push_back("Rates");
    if (!WriteText(pv, "MinimumT", boxes.cb[4])) notStored.push_back("Minimum Time");
    if (!ShowsAsLoaded(boxes.mCharge, boxes.loaded.mCharge)) {
        // assign() rather than = "0": GCC 12 wrongly warns of overlapping copies (-Wrestrict).
        if (IsBlankOnly(boxes.mCharge)) boxes.mCharge.assign(1, '0');
        if (WriteText(pv, "MinimumC", boxes.mCharge))
            boxes.loaded.mCharge = boxes.mCharge;
        else
            notStored.push_back("Minimum Charges");
    }
    if (!ShowsAsLoaded(boxes.cSymbol, boxes.loaded.cSymbol)) {
        if (boxes.cSymbol.empty()) boxes.cSymbol = firstSymbol;
        if (WriteText(pv, "Currency", boxes.cSymbol))
            boxes.loaded.cSymbol = boxes.cSymbol;
        else
            notStored.push_back("Currency Symbol");
    }
}

std::string FirstBandCaption(std::string_view minimumTime) {
    return std::string(minimumTime) + "- 15 mins";
}

bool KeepsChargeKey(char32_t code) {
    const bool control = code < 0x20 || code == 0x7F;
    return control || (code >= U'0' && code <= U'9');
}

std::string MinimumChargeText(const store::Variant& stored) {
    if (stored.IsEmpty()) return {};
    // The session's own reading of MinimumC (ChargeRule's ReadMinimums).
    return std::to_string(stored.ToInt32());
}

std::string ChargeDigits(std::string_view text) {
    std::string digits;
    for (char c : text)
        if (c >= '0' && c <= '9' &&
            digits.size() < static_cast<std::size_t>(kMinimumChargeMaxLength))
            digits += c;
    return digits;
}

int SpinnerValue(std::string_view text, int max) {
    const std::size_t start = text.find_first_not_of(' ');
    if (start == std::string_view::npos) return 0;
    long long value = 0;
    const auto [end, ec] = std::from_chars(text.data() + start, text.data() + text.size(), value);
    if (ec == std::errc::result_out_of_range) return text[start] == '-' ? 0 : max;
    if (ec != std::errc()) return 0;
    return static_cast<int>(std::clamp<long long>(value, 0, max));
}

std::string RateText(double value) {
    char buffer[64];
    const bool whole =
        std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e15;
    const auto result =
        whole ? std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(value))
              : std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

}  // namespace quorvel::panel
