#pragma once
// The rules of the Notes and Session Logs tabs, without their windows: where the two
// files are, how each is read when the panel opens, and how the notes are saved.
#include <optional>
#include <string>

namespace quorvel::panel {

// <program folder>/Systemfiles/Notes.txt
std::string NotesPath(const std::string& programFolder);

// The whole notes file exactly as stored (line breaks included); empty when it is
// missing or cannot be read. A missing file is not created.
std::string ReadNotes(const std::string& path);

// Save: `text` becomes the notes file's whole content, unchanged (no line break is
// added). The old notes are replaced in one step, so a save cut short by a crash, a
// full disk or a missing right leaves them whole. The Systemfiles folder is never
// created. nullopt when saved; otherwise the message the owner reads.
std::optional<std::string> SaveNotes(const std::string& path, const std::string& text);

// What Save writes for the box's text `typed` (lines broken by "\n" alone, as the box
// gives them), when loading read the bytes `loaded` and the box then showed `shown`.
// Lines the administrator did not touch keep their bytes and their line breaks as
// stored (a line that is no text in the 8-bit encoding included), so open and Save
// change nothing; edited lines take the file's most used line break (CR LF, CR or
// LF; LF for a file without one).
std::string NotesToSave(const std::string& loaded, const std::string& shown,
                        const std::string& typed);

inline constexpr const char* kNoLogsFound = "No Logs Found";

// What the Session Logs tab shows: the whole session log, or "No Logs Found" when it
// holds nothing but blanks and line breaks or cannot be read. A missing log is created,
// empty.
std::string ReadSessionLog(const std::string& path);

}  // namespace quorvel::panel
