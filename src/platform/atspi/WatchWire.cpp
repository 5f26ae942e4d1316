#include "platform/atspi/WatchWire.h"

#include <charconv>
#include <limits>

namespace quorvel::platform::atspi::wire {

namespace {

// The kinds of field: i an object id (0 and up), u a 32-bit unsigned number, n a 32-bit
// signed number, b 0 or 1, t a text; a final "*" repeats the kind before it any number
// of times.
struct Shape {
    const char* name;
    const char* request;
    const char* reply;
};

constexpr Shape kShapes[] = {
    {"reach", "n", ""},    {"apps", "", "i*"},     {"count", "i", "n"},   {"child", "in", "i"},
    {"name", "i", "t"},    {"pid", "i", "u"},      {"frame", "i", "b"},   {"attr", "itt", "b"},
    {"find", "itt", "i"},  {"text", "i", "t"},     {"extents", "i", "nnnn"},
    {"focus", "i", ""},    {"state", "ib", "b"},   {"release", "i*", ""}, {"switch", "n", ""},
    {"page", "it", "t"},
};
static_assert(std::size(kShapes) == static_cast<std::size_t>(Verb::Page) + 1);

const Shape& ShapeOf(Verb verb) { return kShapes[static_cast<std::size_t>(verb)]; }

bool NeedsEscape(unsigned char c) { return c <= 0x20 || c >= 0x7f || c == '%'; }

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;  // lower case is not written, so not read
}

std::pair<std::int64_t, std::int64_t> RangeOf(char kind) {
    switch (kind) {
        case 'i': return {0, std::numeric_limits<std::int64_t>::max()};
        case 'u': return {0, std::numeric_limits<std::uint32_t>::max()};
        case 'n':
            return {std::numeric_limits<std::int32_t>::min(),
                    std::numeric_limits<std::int32_t>::max()};
        default: return {0, 1};  // b
    }
}

// The kind of the field at `index` of a list shaped `shape`; 0 past its end.
char KindAt(const char* shape, std::size_t index) {
    const std::string_view s(shape);
    if (index < s.size() && s[index] != '*') return s[index];
    if (s.size() >= 2 && s.back() == '*' && index >= s.size() - 2) return s[s.size() - 2];
    return 0;
}

// The number of fields a list shaped `shape` has at least, and whether it may have more.
std::size_t FixedCount(const char* shape) {
    const std::string_view s(shape);
    return !s.empty() && s.back() == '*' ? s.size() - 2 : s.size();
}

bool Fits(const std::vector<Field>& fields, const char* shape) {
    const bool repeats = std::string_view(shape).ends_with('*');
    if (fields.size() < FixedCount(shape) || (!repeats && fields.size() > FixedCount(shape)))
        return false;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const char kind = KindAt(shape, i);
        if (kind == 't') {
            if (!std::holds_alternative<std::string>(fields[i])) return false;
            continue;
        }
        const auto* number = std::get_if<std::int64_t>(&fields[i]);
        const auto [low, high] = RangeOf(kind);
        if (number == nullptr || *number < low || *number > high) return false;
    }
    return true;
}

void AppendField(std::string& line, const Field& field) {
    line += ' ';
    if (const auto* number = std::get_if<std::int64_t>(&field)) {
        line += std::to_string(*number);
        return;
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    line += '=';
    for (const char ch : std::get<std::string>(field)) {
        const auto c = static_cast<unsigned char>(ch);
        if (!NeedsEscape(c)) {
            line += ch;
            continue;
        }
        line += '%';
        line += kHex[c >> 4];
        line += kHex[c & 0xF];
    }
}

std::optional<std::int64_t> ParseNumber(std::string_view text, char kind) {
    const std::string_view digits = text.starts_with('-') ? text.substr(1) : text;
    // One way to write each number: no sign but "-", no leading zero, no "-0".
    if (digits.empty() || (digits.size() > 1 && digits[0] == '0') || text == "-0") return {};
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return {};
    const auto [low, high] = RangeOf(kind);
    if (value < low || value > high) return {};
    return value;
}

std::optional<std::string> ParseText(std::string_view text) {
    if (!text.starts_with('=')) return {};
    std::string decoded;
    for (std::size_t i = 1; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c != '%') {
            if (NeedsEscape(c)) return {};
            decoded += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return {};
        const int high = HexValue(text[i + 1]);
        const int low = HexValue(text[i + 2]);
        if (high < 0 || low < 0) return {};
        const auto byte = static_cast<unsigned char>(high * 16 + low);
        // A byte written as itself is never escaped.
        if (!NeedsEscape(byte)) return {};
        decoded += static_cast<char>(byte);
        i += 2;
    }
    return decoded;
}

// `line` split at single spaces; empty when a part is empty (two spaces, a space at
// either end) or the line is too long for the wire.
std::optional<std::vector<std::string_view>> Split(std::string_view line) {
    if (line.size() + 1 > kMaxLine || line.empty()) return {};
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t space = line.find(' ', start);
        const std::string_view part = line.substr(start, space - start);
        if (part.empty()) return {};
        parts.push_back(part);
        if (space == std::string_view::npos) break;
        start = space + 1;
    }
    return parts;
}

std::optional<std::vector<Field>> ParseFields(const std::vector<std::string_view>& parts,
                                              std::size_t first, const char* shape) {
    std::vector<Field> fields;
    for (std::size_t i = first; i < parts.size(); ++i) {
        const char kind = KindAt(shape, i - first);
        if (kind == 0) return {};
        if (kind == 't') {
            auto text = ParseText(parts[i]);
            if (!text) return {};
            fields.emplace_back(std::move(*text));
        } else {
            const auto number = ParseNumber(parts[i], kind);
            if (!number) return {};
            fields.emplace_back(*number);
        }
    }
    if (fields.size() < FixedCount(shape)) return {};
    return fields;
}

std::optional<std::uint64_t> ParseSeq(std::string_view text) {
    const auto seq = ParseNumber(text, 'i');
    if (!seq) return {};
    return static_cast<std::uint64_t>(*seq);
}

}  // namespace

std::string FormatRequest(const Request& request) {
    const Shape& shape = ShapeOf(request.verb);
    if (request.seq > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) ||
        !Fits(request.fields, shape.request))
        return {};
    std::string line = std::to_string(request.seq) + ' ' + shape.name;
    for (const Field& field : request.fields) AppendField(line, field);
    return line.size() + 1 > kMaxLine ? std::string() : line;
}

std::string FormatReply(Verb verb, const Reply& reply) {
    if (reply.seq > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
        return {};
    if (!reply.ok) return reply.fields.empty() ? std::to_string(reply.seq) + " fail" : "";
    if (!Fits(reply.fields, ShapeOf(verb).reply)) return {};
    std::string line = std::to_string(reply.seq) + " ok";
    for (const Field& field : reply.fields) AppendField(line, field);
    return line.size() + 1 > kMaxLine ? std::string() : line;
}

std::optional<Request> ParseRequest(std::string_view line) {
    const auto parts = Split(line);
    if (!parts || parts->size() < 2) return {};
    const auto seq = ParseSeq((*parts)[0]);
    if (!seq) return {};
    for (std::size_t v = 0; v < std::size(kShapes); ++v) {
        if ((*parts)[1] != kShapes[v].name) continue;
        auto fields = ParseFields(*parts, 2, kShapes[v].request);
        if (!fields) return {};
        return Request{*seq, static_cast<Verb>(v), std::move(*fields)};
    }
    return {};
}

std::optional<Reply> ParseReply(std::string_view line, Verb verb, std::uint64_t seq) {
    const auto parts = Split(line);
    if (!parts || parts->size() < 2 || ParseSeq((*parts)[0]) != seq) return {};
    if ((*parts)[1] == "fail") {
        if (parts->size() != 2) return {};
        return Reply{seq, false, {}};
    }
    if ((*parts)[1] != "ok") return {};
    auto fields = ParseFields(*parts, 2, ShapeOf(verb).reply);
    if (!fields) return {};
    return Reply{seq, true, std::move(*fields)};
}

std::string WatchAgentName(const std::string& display) {
    return "quorvel-browser-watch" + display;
}

}  // namespace quorvel::platform::atspi::wire
