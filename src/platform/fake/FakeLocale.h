#pragma once
#include "platform/Locale.h"

namespace quorvel::platform {

// US English formats, the ones tests pin: short date M/d/yyyy, time h:mm:ss AM.
class FakeLocale final : public Locale {
  public:
    std::string ShortDate(const LocalDateTime& t) const override;
    std::string TimeOfDay(const LocalDateTime& t) const override;
    std::optional<LocalDateTime> ParseShortDate(const std::string& text) const override;
};

}  // namespace quorvel::platform
