#include "db/Compaction.h"

#include <filesystem>

#include "db/Database.h"
#include "storage/FileOps.h"

namespace quorvel::db {

namespace {

// Written beside the data file, so that the last step is a rename within one folder.
std::string ReplacementPath(const std::string& dataFile) {
    return dataFile + ".compacted";
}

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    const auto ca = std::filesystem::weakly_canonical(storage::PathOf(a), ec);
    if (ec) return a == b;
    const auto cb = std::filesystem::weakly_canonical(storage::PathOf(b), ec);
    if (ec) return a == b;
    return ca == cb;
}

void RemoveQuietly(const std::string& path) {
    std::string ignored;
    storage::RemoveFile(path, ignored, true);
}

// Every table of the data file has as many rows in the copy as in the original.
bool CopyIsComplete(const sqlite::Connection& conn) {
    sqlite::Statement check(conn,
                            "SELECT (SELECT count(*) FROM main.Login_M) = "
                            "(SELECT count(*) FROM compacted.Login_M) AND "
                            "(SELECT count(*) FROM main.Guest_T) = "
                            "(SELECT count(*) FROM compacted.Guest_T) AND "
                            "(SELECT count(*) FROM main.Rates_M) = "
                            "(SELECT count(*) FROM compacted.Rates_M) AND "
                            "(SELECT count(*) FROM main.Booked_T) = "
                            "(SELECT count(*) FROM compacted.Booked_T) AND "
                            "(SELECT count(*) FROM main.Outbox_T) = "
                            "(SELECT count(*) FROM compacted.Outbox_T) AND "
                            "(SELECT count(*) FROM main.OutboxMissed_T) = "
                            "(SELECT count(*) FROM compacted.OutboxMissed_T)");
    return check.Step() == SQLITE_ROW && check.Int(0) == 1;
}

// Writes the compacted copy of the data file to `copy`. False with `error` set.
bool ExportCompactedCopy(const std::string& dataFile, const std::string& copy,
                         const std::string& password, std::string& error) {
    sqlite::Connection source = OpenKeyedFile(dataFile, password, error);
    if (!source) return false;
    if (!storage::CreateNewEmptyFile(copy, error)) return false;
    // Attached without a key of its own, the copy takes the data file's key and salt:
    // it opens with the same password and costs no second key derivation.
    {
        sqlite::Statement attach(source, "ATTACH DATABASE ?1 AS compacted");
        attach.Bind(1, copy);
        if (!attach.Run()) {
            error = "Cannot compact the data file: " + source.LastError() + ".";
            return false;
        }
    }
    // The copy is flushed once, whole, when it is put in place; a half-written copy is
    // deleted. Journalling and syncing it on the way would only cost time.
    std::string pragmaError;
    if (!source.Exec("PRAGMA compacted.journal_mode=OFF; PRAGMA compacted.synchronous=OFF",
                     &pragmaError)) {
        error = "Cannot compact the data file: " + pragmaError + ".";
        return false;
    }
    bool ok = false;
    {
        sqlite::Statement exportAll(source, "SELECT sqlcipher_export('compacted')");
        if (!exportAll.Run()) {
            error = "Cannot compact the data file: " + source.LastError() + ".";
        } else if (!CopyIsComplete(source)) {
            error = "Cannot compact the data file: the compacted copy is incomplete.";
        } else {
            ok = true;
        }
    }
    std::string detachError;
    if (!source.Exec("DETACH DATABASE compacted", &detachError) && ok) {
        error = "Cannot compact the data file: " + detachError + ".";
        ok = false;
    }
    return ok;
}

}  // namespace

std::string CompactionCopyPath(const std::string& sysDir) {
    return storage::TextOf(storage::PathOf(sysDir) / "QuorvelData.mdb");
}

std::vector<std::string> CompactDataFile(const std::string& programFolder,
                                         const std::string& sysDir, const std::string& password) {
    std::vector<std::string> errors;
    const std::string dataFile = DataFilePath(programFolder);
    const std::string copy = CompactionCopyPath(sysDir);
    const std::string replacement = ReplacementPath(dataFile);
    if (SameFile(copy, dataFile)) {
        errors.push_back("The system directory holds the data file itself; it is not compacted.");
        return errors;
    }

    // Whatever a killed start left behind is of no use: the data file was replaced
    // by a rename or not at all.
    RemoveQuietly(copy);
    RemoveQuietly(copy + "-journal");
    RemoveQuietly(replacement);

    // No other instance may have the file open while it is replaced.
    storage::FolderLock lock;
    std::string error;
    bool busy = false;
    const std::string folder = storage::TextOf(storage::PathOf(dataFile).parent_path());
    if (!lock.Acquire(folder, storage::FolderLock::Mode::Exclusive, error, &busy)) {
        errors.push_back(busy ? "The data file '" + dataFile +
                                    "' is in use by another instance; it is not compacted."
                              : UnreachableDataFile(dataFile));
        return errors;
    }

    // The compaction. When it fails the data file stays as it is and nothing is
    // copied over it.
    if (!ExportCompactedCopy(dataFile, copy, password, error)) {
        errors.push_back(error);
        RemoveQuietly(copy);
        RemoveQuietly(copy + "-journal");
        return errors;
    }

    // The copy replaces the data file: written beside it, flushed, renamed over it.
    if (!storage::CopyFileDurably(copy, replacement, error) ||
        !storage::ReplaceFileAtomically(replacement, dataFile, error)) {
        errors.push_back(error);
        RemoveQuietly(replacement);
    }

    if (!storage::RemoveFile(copy, error)) errors.push_back(error);
    return errors;
}

}  // namespace quorvel::db
