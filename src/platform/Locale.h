#pragma once
// The system's date and time formats: what is shown, stored in the settings store
// and logged uses them, and the close-out must read back exactly the day it wrote.
#include <optional>
#include <string>

#include "platform/Clock.h"

namespace quorvel::platform {

class Locale {
  public:
    virtual ~Locale() = default;
    // The short date, always with a four-digit year (e.g. "12/5/2026").
    virtual std::string ShortDate(const LocalDateTime& t) const = 0;
    // The time of day as the system shows it (e.g. "3:04:05 PM").
    virtual std::string TimeOfDay(const LocalDateTime& t) const = 0;
    // Reads a short date written by ShortDate back into a calendar day.
    virtual std::optional<LocalDateTime> ParseShortDate(const std::string& text) const = 0;
};

}  // namespace quorvel::platform
