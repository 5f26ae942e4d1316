#include "platform/win32/Win32Locale.h"

#include <windows.h>

#include <chrono>
#include <cwctype>
#include <vector>

#include "os/WideText.h"

namespace quorvel::platform {

namespace {

constexpr const wchar_t* kFallbackPicture = L"MM/dd/yyyy";

// One field of a picture: a run of one letter ("dd", "MMMM"), or literal text.
struct Field {
    wchar_t letter = 0;  // 0 for literal text
    std::size_t count = 0;
    std::wstring text;  // the literal text, quotes removed
};

std::vector<Field> Fields(const std::wstring& picture) {
    std::vector<Field> fields;
    auto literal = [&](wchar_t c) {
        if (fields.empty() || fields.back().letter != 0) fields.push_back(Field{});
        fields.back().text += c;
    };
    for (std::size_t i = 0; i < picture.size();) {
        const wchar_t c = picture[i];
        if (c == L'\'') {
            // 'text' is literal; '' inside or outside quotes is one quote.
            std::size_t j = i + 1;
            if (j < picture.size() && picture[j] == L'\'') {
                literal(L'\'');
                i = j + 1;
                continue;
            }
            for (; j < picture.size(); ++j) {
                if (picture[j] != L'\'') {
                    literal(picture[j]);
                } else if (j + 1 < picture.size() && picture[j + 1] == L'\'') {
                    literal(L'\'');
                    ++j;
                } else {
                    break;
                }
            }
            i = j + 1;
        } else if (c == L'd' || c == L'M' || c == L'y' || c == L'g') {
            std::size_t j = i;
            while (j < picture.size() && picture[j] == c) ++j;
            fields.push_back(Field{c, j - i, {}});
            i = j;
        } else {
            literal(c);
            ++i;
        }
    }
    return fields;
}

std::wstring Quoted(const std::wstring& text) {
    std::wstring out = L"'";
    for (const wchar_t c : text) out += c == L'\'' ? std::wstring(L"''") : std::wstring(1, c);
    return out + L"'";
}

std::wstring LocaleText(const wchar_t* name, LCTYPE type) {
    wchar_t buffer[128];
    const int length = GetLocaleInfoEx(name, type, buffer, 128);
    return length > 1 ? std::wstring(buffer, static_cast<std::size_t>(length - 1)) : L"";
}

SYSTEMTIME SystemTime(const LocalDateTime& t) {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(t.year);
    st.wMonth = static_cast<WORD>(t.month);
    st.wDay = static_cast<WORD>(t.day);
    st.wHour = static_cast<WORD>(t.hour);
    st.wMinute = static_cast<WORD>(t.minute);
    st.wSecond = static_cast<WORD>(t.second);
    return st;
}

// Reads 1 to `most` digits at `pos`.
bool ReadNumber(const std::wstring& text, std::size_t& pos, std::size_t most, int& value) {
    std::size_t digits = 0;
    value = 0;
    while (pos < text.size() && digits < most && text[pos] >= L'0' && text[pos] <= L'9') {
        value = value * 10 + (text[pos++] - L'0');
        ++digits;
    }
    return digits > 0;
}

// Matches the longest of `names` at `pos`; its index in `index`.
bool ReadName(const std::wstring& text, std::size_t& pos, const std::array<std::wstring, 12>& names,
              int& index) {
    std::size_t best = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const auto& name = names[i];
        if (!name.empty() && name.size() > best && text.compare(pos, name.size(), name) == 0) {
            best = name.size();
            index = static_cast<int>(i);
        }
    }
    pos += best;
    return best > 0;
}

}  // namespace

std::wstring WidenYearPicture(const std::wstring& picture) {
    bool day = false, month = false, year = false;
    std::wstring out;
    for (const Field& field : Fields(picture)) {
        switch (field.letter) {
            case 0:
                out += Quoted(field.text);
                break;
            case L'y':
                out += L"yyyy";
                year = true;
                break;
            default:
                out += std::wstring(field.count, field.letter);
                if (field.letter == L'd' && field.count <= 2) day = true;
                if (field.letter == L'M') month = true;
        }
    }
    return day && month && year ? out : kFallbackPicture;
}

Win32Locale::Win32Locale(const std::string& name) {
    if (!name.empty() && (!os::Widen(name, name_) || !IsValidLocaleName(name_.c_str()))) {
        name_.clear();
        datePicture_ = kFallbackPicture;
    } else {
        datePicture_ = WidenYearPicture(LocaleText(Name(), LOCALE_SSHORTDATE));
    }
    for (int i = 0; i < 12; ++i) {
        months_[i] = LocaleText(Name(), LOCALE_SMONTHNAME1 + i);
        shortMonths_[i] = LocaleText(Name(), LOCALE_SABBREVMONTHNAME1 + i);
    }
}

std::string Win32Locale::DatePicture() const {
    return os::Narrow(datePicture_);
}

std::string Win32Locale::ShortDate(const LocalDateTime& t) const {
    const SYSTEMTIME st = SystemTime(t);
    wchar_t buffer[128];
    const int length = GetDateFormatEx(Name(), 0, &st, datePicture_.c_str(), buffer, 128, nullptr);
    return length > 1 ? os::Narrow(std::wstring_view(buffer, static_cast<std::size_t>(length - 1)))
                      : std::string();
}

std::string Win32Locale::TimeOfDay(const LocalDateTime& t) const {
    const SYSTEMTIME st = SystemTime(t);
    wchar_t buffer[128];
    const int length = GetTimeFormatEx(Name(), 0, &st, nullptr, buffer, 128);
    return length > 1 ? os::Narrow(std::wstring_view(buffer, static_cast<std::size_t>(length - 1)))
                      : std::string();
}

std::optional<LocalDateTime> Win32Locale::ParseShortDate(const std::string& utf8) const {
    std::wstring text;
    if (utf8.empty() || !os::Widen(utf8, text)) return std::nullopt;
    int year = -1, month = -1, day = -1;
    std::size_t pos = 0;
    for (const Field& field : Fields(datePicture_)) {
        bool ok = true;
        switch (field.letter) {
            case 0:
                ok = text.compare(pos, field.text.size(), field.text) == 0;
                pos += field.text.size();
                break;
            case L'y':
                ok = ReadNumber(text, pos, 4, year);
                break;
            case L'M':
                if (field.count <= 2) {
                    ok = ReadNumber(text, pos, 2, month);
                } else {
                    ok = ReadName(text, pos, field.count == 3 ? shortMonths_ : months_, month);
                    ++month;
                }
                break;
            case L'd':
                if (field.count <= 2) {
                    ok = ReadNumber(text, pos, 2, day);
                    break;
                }
                [[fallthrough]];  // a weekday's or an era's name: any letters
            default:
                while (pos < text.size() && std::iswalpha(text[pos])) ++pos;
        }
        if (!ok) return std::nullopt;
    }
    while (pos < text.size() && text[pos] == L' ') ++pos;
    if (pos != text.size()) return std::nullopt;
    using namespace std::chrono;
    if (year < 0 || month < 1 || day < 1) return std::nullopt;
    const year_month_day ymd{std::chrono::year{year}, std::chrono::month{unsigned(month)},
                             std::chrono::day{unsigned(day)}};
    if (!ymd.ok()) return std::nullopt;
    return LocalDateTime{year, month, day, 0, 0, 0};
}

}  // namespace quorvel::platform
