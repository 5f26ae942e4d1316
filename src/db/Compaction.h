#pragma once
// The start-up compaction of the data file through a temporary copy in the system
// directory. The data file is only ever replaced by a complete compacted copy, in
// one atomic step, so a kill or a power cut at any instant leaves a data file that
// opens with every row.
#include <string>
#include <vector>

namespace quorvel::db {

// <system directory>/QuorvelData.mdb: the compacted copy while it is being made.
std::string CompactionCopyPath(const std::string& sysDir);

// CompactDataFile: compacts <programFolder>/Data/QuorvelData.mdb into the temporary
// copy, puts the copy in place of the data file and deletes the copy. Returns the
// description of each failing step, in order (empty when all went well). After a
// failed compaction the data file is left as it was. A copy left behind by a start
// that was killed is removed first.
std::vector<std::string> CompactDataFile(const std::string& programFolder,
                                         const std::string& sysDir, const std::string& password);

}  // namespace quorvel::db
