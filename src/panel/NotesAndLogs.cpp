#include "panel/NotesAndLogs.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>
#include <vector>

#include "storage/FileOps.h"

namespace quorvel::panel {

namespace {

// One line of the notes: its text and the break that ends it ("" for the last line).
struct Line {
    std::string_view text;
    std::string_view lineBreak;
};

// The lines of stored notes, each line break being CR LF, a lone CR or a lone LF, as
// the box reads them. Always one more line than breaks.
std::vector<Line> StoredLines(std::string_view bytes) {
    std::vector<Line> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n') continue;
        const std::size_t breakLength = bytes.compare(i, 2, "\r\n") == 0 ? 2 : 1;
        lines.push_back({bytes.substr(start, i - start), bytes.substr(i, breakLength)});
        i += breakLength - 1;
        start = i + 1;
    }
    lines.push_back({bytes.substr(start), {}});
    return lines;
}

// The lines of the box's text, broken by LF alone.
std::vector<std::string_view> TypedLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string_view::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    return lines;
}

// The line break the file uses most; LF where it has none, or on a tie with LF.
std::string_view MostUsedBreak(const std::vector<Line>& lines) {
    std::size_t crlf = 0, cr = 0, lf = 0;
    for (const Line& line : lines) {
        if (line.lineBreak == "\r\n") ++crlf;
        if (line.lineBreak == "\r") ++cr;
        if (line.lineBreak == "\n") ++lf;
    }
    if (crlf > lf && crlf >= cr) return "\r\n";
    if (cr > lf && cr > crlf) return "\r";
    return "\n";
}

}  // namespace

std::string NotesToSave(const std::string& loaded, const std::string& shown,
                        const std::string& typed) {
    if (typed == shown) return loaded;
    const std::vector<Line> stored = StoredLines(loaded);
    const std::vector<std::string_view> before = TypedLines(shown);
    const std::vector<std::string_view> after = TypedLines(typed);
    const std::string_view newBreak = MostUsedBreak(stored);
    // The box shows one line per stored line; where it does not (a character the box
    // itself takes for a line break), no stored line can be matched to a shown one.
    const bool matched = stored.size() == before.size();
    // The untouched lines at the start and at the end of the notes.
    std::size_t head = 0, tail = 0;
    const std::size_t common = matched ? std::min(before.size(), after.size()) : 0;
    while (head < common && before[head] == after[head]) ++head;
    while (tail < common - head &&
           before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
        ++tail;

    std::string text;
    for (std::size_t i = 0; i < after.size(); ++i) {
        // The stored line that line i of the box still is, if it is one.
        const Line* kept = i < head                   ? &stored[i]
                           : i >= after.size() - tail ? &stored[stored.size() - (after.size() - i)]
                                                      : nullptr;
        const bool last = i + 1 == after.size();
        text += kept ? kept->text : after[i];
        if (!last) text += kept && !kept->lineBreak.empty() ? kept->lineBreak : newBreak;
    }
    return text;
}

std::string NotesPath(const std::string& programFolder) {
    return storage::TextOf(storage::PathOf(programFolder) / "Systemfiles" / "Notes.txt");
}

std::string ReadNotes(const std::string& path) {
    return storage::ReadWholeFile(path).value_or(std::string());
}

std::optional<std::string> SaveNotes(const std::string& path, const std::string& text) {
    const std::filesystem::path folder = storage::PathOf(path).parent_path();
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec))
        return "The notes were not saved: the folder '" + storage::TextOf(folder) +
               "' does not exist. Your text is still in the box.";
    std::string error;
    if (!storage::ReplaceFileContents(path, text, error))
        return "The notes were not saved, the notes file keeps what it held before: " + error +
               ". Your text is still in the box.";
    return std::nullopt;
}

std::string ReadSessionLog(const std::string& path) {
    // Opening to append creates a missing log and changes nothing in an existing one.
    std::ofstream(storage::PathOf(path), std::ios::app | std::ios::binary);
    const std::string text = storage::ReadWholeFile(path).value_or(std::string());
    if (text.find_first_not_of(" \t\r\n") == std::string::npos) return kNoLogsFound;
    return text;
}

}  // namespace quorvel::panel
