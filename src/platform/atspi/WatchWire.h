#pragma once
// The lines the program and the agent of the guest's session exchange about the
// guest's accessibility bus: one request line, one reply line, each carrying the
// request's sequence number.
//
//   request:  SEQ VERB FIELD...        e.g. "7 attr 12 =class =BrowserRootView"
//   reply:    SEQ ok FIELD...          e.g. "7 ok 1"
//             SEQ fail                 (the call failed on the agent's side)
//
// Fields are separated by one space. A number is decimal without sign or leading zero
// (a negative one with "-"); a text is "=" and its bytes, every byte but printable
// ASCII and every "%" as %XX in capitals, so a text never holds a space or a line end.
// Every verb has a fixed list of fields for its request and for its reply; a line is
// at most kMaxLine bytes with its newline.
//
// Reading is strict: anything that is not exactly a line this code would have written
// is refused. The agent answers for another account, so a reply that is malformed,
// answers another request or is too long is not trusted for anything; the program then
// takes the agent for lost. Nothing here does any input or output.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace quorvel::platform::atspi::wire {

// The longest line, newline included.
inline constexpr std::size_t kMaxLine = std::size_t{1} << 20;

enum class Verb : std::uint8_t {
    Reach,    // limit ms                 -> (nothing)
    Apps,     //                          -> id...
    Count,    // id                       -> count
    Child,    // id index                 -> id
    Name,     // id                       -> text
    Pid,      // id                       -> process id
    Frame,    // id                       -> 0|1
    Attr,     // id name value            -> 0|1
    Find,     // id name value            -> id (0: none)
    Text,     // id                       -> text
    Extents,  // id                       -> x y width height
    Focus,    // id                       -> (nothing)
    State,    // id 0 (focused)|1 (editable) -> 0|1
    Release,  // id...                    -> (nothing)
    Switch,   // limit ms                 -> (nothing)
    Page,     // id attribute             -> text
};

// A number or a text; which one each field is follows from its verb.
using Field = std::variant<std::int64_t, std::string>;

struct Request {
    std::uint64_t seq = 0;
    Verb verb = Verb::Reach;
    std::vector<Field> fields;
    friend bool operator==(const Request&, const Request&) = default;
};

struct Reply {
    std::uint64_t seq = 0;
    bool ok = false;
    std::vector<Field> fields;  // none when not ok
    friend bool operator==(const Reply&, const Reply&) = default;
};

// The lines, without their newline. A request or reply whose fields are not those of
// its verb gives an empty line, which no reader takes.
std::string FormatRequest(const Request& request);
std::string FormatReply(Verb verb, const Reply& reply);

// The request on `line` (without its newline); empty when it is not one.
std::optional<Request> ParseRequest(std::string_view line);
// The reply to a request of `verb` with the sequence number `seq`; empty when `line`
// is not exactly one.
std::optional<Reply> ParseReply(std::string_view line, Verb verb, std::uint64_t seq);

// The name of the agent's socket for the browser watch of the X display `display`
// (abstract, without its leading NUL).
std::string WatchAgentName(const std::string& display);

}  // namespace quorvel::platform::atspi::wire
