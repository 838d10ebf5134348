// Index files checked against their table: what `hurt-dbf check` prints and what the data
// checker (verify.h) reports.
//
// For each index:
//   1. its structure, by NtxIndex::Verify (key order inside and across pages, equal leaf
//      depth, page fill, child offsets, free list);
//   2. the table is read once in record order for all the indexes together: each
//      record's key (the index's expression on the record) is kept as a 64-bit hash,
//      with whether the record must be in the index (live, FOR condition true), may be
//      (deleted: xBase indexes keep deleted records) or must not be (FOR condition
//      false);
//   3. the index is walked in key order: keys ascending (equal keys by record number),
//      every entry naming an existing record, its key equal to the record's, no record
//      twice;
//   4. every live record must have been met; in a unique index a record whose key is
//      already held by another record is rightly absent.
// Memory: 9 bytes per record and index, whatever the key length; the table and each index
// are read sequentially apart from the records named in a fault.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/result.h"
#include "xbase/ntx.h"
#include "xbase/table.h"

namespace hurt::dbftool {

// Faults kept word for word per index; the rest are only counted.
inline constexpr int kIndexFaultsShown = 20;

struct IndexReport {
  std::string index_file;
  // Not OK when the index could not be opened at all (missing, not an index): nothing
  // else was checked.
  Status open_status;
  std::vector<std::string> faults;  // the first kIndexFaultsShown, UTF-8, without the file name
  int fault_count = 0;
  uint64_t entries = 0;                 // keys met by the walk
  std::optional<xbase::NtxStats> stats;  // when the structure checked out
  std::string key_note;                 // key "…" [for "…"][, unique]
};

// Checks every index of `index_files` against the table (opened by the caller).
std::vector<IndexReport> CheckIndexes(xbase::Table& table, const std::string& table_file,
                                      const std::vector<std::string>& index_files);

}  // namespace hurt::dbftool
