#pragma once
// The value a settings read gives: empty, text or a 32-bit number, with the
// conversions the rest of the program applies to it.
#include <cstdint>
#include <string>
#include <variant>

namespace quorvel::store {

class Variant {
  public:
    Variant() = default;
    Variant(std::string text) : value_(std::move(text)) {}
    Variant(const char* text) : value_(std::string(text)) {}
    Variant(std::int32_t number) : value_(number) {}

    bool IsEmpty() const { return std::holds_alternative<std::monostate>(value_); }
    bool IsText() const { return std::holds_alternative<std::string>(value_); }
    bool IsNumber() const { return std::holds_alternative<std::int32_t>(value_); }

    // The raw text as stored, a read's trailing NUL included; a number gives its
    // decimal digits; empty gives "".
    std::string ToText() const;
    // Text for showing or comparing: everything from the first NUL on is dropped.
    std::string ToDisplayText() const;
    // A number the way the program reads one from text: leading blanks skipped, an
    // optional sign, digits and an optional fraction; the first other character
    // (a NUL included) ends it. Text that is not a number gives 0.
    double ToNumber() const;
    // ToNumber rounded half to even into 32 bits; out of range gives `fallback`.
    std::int32_t ToInt32(std::int32_t fallback = 0) const;
    // True for a non-zero number, or text that reads as a non-zero number or "True".
    bool ToBool() const;

    friend bool operator==(const Variant&, const Variant&) = default;

  private:
    std::variant<std::monostate, std::string, std::int32_t> value_;
};

// Reads the leading number of a text as ToNumber does.
double LeadingNumber(std::string_view text);
// Half-to-even rounding into 32 bits; false (and `out` untouched) when out of range.
bool RoundToInt32(double value, std::int32_t& out);

}  // namespace quorvel::store
