#pragma once
// The "Usage Charge" frame's rules: what guests pay, as the timer window will charge
// it. The four quarter-hour rates live in the first row of Rates_M; the minimum time,
// the minimum charge and the currency symbol are text settings.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "panel/PanelData.h"

namespace quorvel::store {
class publicVar;
class Variant;
}  // namespace quorvel::store

namespace quorvel::panel {

// What loading put into "Minimum Charges" and "Currency Symbol" for a value that was
// stored; nullopt where none was. Apply leaves a stored value as it is while its box
// still shows it: a value written by another tool is never rewritten by an Apply
// that did not touch it.
struct AsLoaded {
    std::optional<std::string> mCharge;
    std::optional<std::string> cSymbol;
};

// The frame's boxes as text: cb(0) to cb(3) the rates, cb(4) the minimum time,
// mCharge the minimum charge, cSymbol the currency symbol. As a new window has them.
struct UsageCharges {
    std::array<std::string, 5> cb{"0", "0", "0", "0", "0"};
    std::string mCharge = "0";
    std::string cSymbol;
    AsLoaded loaded;
};

// The spinners' ranges: a rate runs from 0 to 10000, the minimum time from 0 to 14
// minutes.
inline constexpr int kRateMax = 10000;
inline constexpr int kMinimumTimeMax = 14;
// The longest minimum charge: nine digits always fit the session's 32-bit amounts
// (a longer one would be read there as no minimum at all).
inline constexpr int kMinimumChargeMaxLength = 9;
// The longest currency symbol: the timer window and the login screen keep room for
// three characters beside the amount, so no amount is ever cut off.
inline constexpr int kCurrencyMaxLength = 3;

// LoadConfiguration's first half. The rates of the first row as the timer window will
// charge them: "0" where there is no row, the data file cannot be read or the column
// is empty, so that Apply answered No never leaves an unsaved rate on show. Then
// Currency as stored, MinimumT, and MinimumC as the session charges it (a missing
// setting gives an empty box). Records what it showed in `boxes.loaded`.
void LoadUsageCharges(const store::publicVar& pv, PanelData& data, UsageCharges& boxes);

// The frame's save routine (Command1). Stores the rates, then MinimumT, MinimumC and
// Currency as text, each on its own: what was stored stays stored when another part
// fails. An empty minimum charge becomes "0" and an empty currency `firstSymbol`, in
// the boxes as in the store. A minimum charge or currency that still reads as
// `boxes.loaded` says is not written again. Appends to `notStored` the name of each
// part that was not stored.
void SaveUsageCharges(const store::publicVar& pv, PanelData& data, UsageCharges& boxes,
                      const std::string& firstSymbol, std::vector<std::string>& notStored);

// Label5, rewritten whenever a box of cb changes: the minimum time followed by
// "- 15 mins".
std::string FirstBandCaption(std::string_view minimumTime);

// mCharge_KeyPress: true when a typed character may reach "Minimum Charges": a digit,
// or a control character (Backspace, Enter, the Ctrl+letter keys, and Delete, which
// arrives as code 127).
bool KeepsChargeKey(char32_t code);
// The minimum charge as "Minimum Charges" shows a stored MinimumC: the whole number the
// session charges for it (its leading number rounded half to even, 0 when that does
// not fit 32 bits), "" when nothing is stored.
std::string MinimumChargeText(const store::Variant& stored);
// What "Minimum Charges" keeps of any text typed, pasted or dropped into it: its
// digits in order, at most kMinimumChargeMaxLength of them.
std::string ChargeDigits(std::string_view text);

// The number a spinner starts from for its box's text: the text's leading whole
// number held within 0 and `max`; 0 for a text that is not a number.
int SpinnerValue(std::string_view text, int max);

// A rate as its box shows it: a whole number without a fraction, otherwise the
// shortest text that reads back as the same number.
std::string RateText(double value);

}  // namespace quorvel::panel
