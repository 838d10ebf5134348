// The posting journal: what a station is about to change, written to its rob/ folder
// before the first table is touched and removed once the tables are on disk.
//
// A station that dies in the middle of posting leaves its journal behind. The first
// station of the next start calls RecoverPostings, which takes every change of every
// journal back, so that no document stays half posted (the document itself is still in
// the dead station's working lines and can be posted again).
//
// What a journal holds:
//   - record changes: table, record number, and for each changed field its value before
//     and after, plus the deleted flag before and after when that changes;
//   - appended records: table, its record count before posting, and the fields (RD, NRD
//     ...) that mark the records this posting appended.
//
// Taking a change back is three-way, because other stations may have worked on the same
// records after the crash: a field that still holds the "after" value gets its "before"
// value; one that holds the "before" value was never written and stays; a numeric field
// changed since by others gets the posting's difference taken off (after − before);
// other fields changed since keep what they hold. Appended records of the posting (and
// blank records a crash left after the count) are deleted.
//
// Layout: text lines, each a tag and tab-separated items; values are typed ("C" and the
// bytes in hex, "N" and a round-trip number, "D" and a Julian day, "L" and T/F, "U" nil).
// The last line is "END"; a journal without it was being written when the station died,
// and no table had been touched yet.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/result.h"
#include "xbase/env.h"
#include "xbase/value.h"
#include "xbase/work_area.h"

namespace hurt::documents {

struct FieldChange {
  std::string field;
  xbase::Value before;
  xbase::Value after;
};

struct RecordChange {
  std::string table;  // .dbf path relative to the data directory
  uint32_t recno = 0;
  std::vector<FieldChange> fields;
  std::optional<bool> deleted_before;  // set when the deleted flag changes
  std::optional<bool> deleted_after;
};

struct AppendedRecords {
  std::string table;  // .dbf path relative to the data directory
  uint32_t count_before = 0;
  // Field name and trimmed text every record appended by the posting carries.
  std::vector<std::pair<std::string, std::string>> marks;
};

struct PostingJournal {
  std::string what;  // "RD NRD" of the document, for messages
  std::vector<RecordChange> changes;
  std::vector<AppendedRecords> appended;

  // The change of a record, added when missing.
  RecordChange& ChangeOf(const std::string& table, uint32_t recno);
};

std::string EncodeJournal(const PostingJournal& journal);
// Corruption when a line cannot be read; NotFound when the END line is missing (the
// journal was cut short before any table was touched).
Result<PostingJournal> DecodeJournal(std::string_view text);

// The journal file of a station: rob/post<nn>.jnl.
std::string JournalPath(std::string_view root, int station);

// Writes the journal and makes it durable before returning.
Status WriteJournal(xbase::Env& env, const std::string& path, const PostingJournal& journal);
Status RemoveJournal(xbase::Env& env, const std::string& path);

// Takes every change of the journal back (see above), opening the tables by their paths
// under `root` in free work areas of `areas` (without their orders: taking back never
// changes a key field) and closing them afterwards.
Status UndoJournal(xbase::WorkAreas& areas, std::string_view root, const PostingJournal& journal);

// The path of `table_path` relative to `root` (unchanged when it is not under it).
std::string RelativeToRoot(std::string_view root, std::string_view table_path);

}  // namespace hurt::documents
