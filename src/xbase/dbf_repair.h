// Salvaging a table whose header counts more records than its file holds.
//
// An append interrupted between the record write and the header write cannot leave this
// (records go before the count that covers them, table.h), but a copy cut short, a full
// disk or another program can: the header says 60 records and the file holds 51 and a
// half. Table::Open refuses such a table (Corruption), because trusting the header would
// read past the end. The repair sets the header's count to the whole records present and
// cuts the half record off, after a copy of the original file has been taken; nothing
// else of the file changes (the memo file is not touched).
#pragma once

#include <cstdint>
#include <string>

#include "base/result.h"
#include "xbase/env.h"

namespace hurt::xbase {

// What a table file holds against what its header counts.
struct DbfCount {
  uint32_t header = 0;     // the header's record count
  uint32_t whole = 0;      // whole records the file holds after the header
  uint64_t file_size = 0;  // bytes
  // The header promises records the file does not hold.
  bool short_file() const { return header > whole; }
};

// Reads the header of a table (it is not opened as a table: no lock is taken) and counts
// the records of the file. Corruption (naming the file) when the header itself is damaged,
// NotFound when the file is missing.
Result<DbfCount> CountDbfRecords(Env& env, const std::string& dbf_path);

// The name of the copy of a table kept by a repair: "as.dbf" gives "as_kopia.dbf" (the
// extension's case kept), then "as_kopia2.dbf" … "as_kopia99.dbf" when taken. A name
// with "_" is never taken for a table by the rebuild of a folder. Invalid when all are
// taken.
Result<std::string> RepairCopyName(Env& env, const std::string& dbf_path);

// Copies the table file byte for byte to `copy_path` (which must not exist), then sets
// the header's count to the whole records present, drops a partial record at the end and
// ends the file with the 0x1A byte. The table must not be open anywhere: the exclusive
// open-mode lock is taken for the repair (Busy otherwise). Invalid, with nothing changed,
// when the header's count is not larger than what the file holds. Returns the new count.
Result<uint32_t> RepairDbfRecordCount(Env& env, const std::string& dbf_path, const std::string& copy_path);

}  // namespace hurt::xbase
