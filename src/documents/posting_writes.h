// The writes of one posting, planned in memory before anything is written: which records
// change (fields and deleted flag) and which are appended. The same plan gives the journal
// (what was there before each change, read under the locks posting holds) and is then
// applied table by table. Posting, corrections and deletions all go through it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/result.h"
#include "documents/posting_journal.h"
#include "store/net_ui.h"
#include "xbase/value.h"
#include "xbase/work_area.h"

namespace hurt::documents {

using FieldList = std::vector<std::pair<std::string, xbase::Value>>;

// A change of an existing record, locked by the posting.
struct PlannedChange {
  xbase::WorkArea* area = nullptr;
  uint32_t recno = 0;
  FieldList set;                     // fields written (texts padded to their width)
  std::optional<bool> deleted;       // the deleted flag afterwards, when it changes
};

// A record appended by the posting. Its marks (field and trimmed text) identify the
// posting's records among those appended after `count_before`, should it be taken back.
struct PlannedAppend {
  xbase::WorkArea* area = nullptr;
  FieldList fields;
  std::vector<std::pair<std::string, std::string>> marks;
  double wait = 7;                   // seconds the append lock is retried
};

struct PostingPlan {
  std::vector<PlannedChange> changes;
  std::vector<PlannedAppend> appends;

  PlannedChange& Change(xbase::WorkArea* area, uint32_t recno);
};

// Adds the plan to the journal: each change with the values its record holds now (the
// record is read again, so the caller must hold its lock), each appended table once with
// its record count now and the marks of its records.
Status JournalPlan(const PostingPlan& plan, std::string_view root, PostingJournal& journal);

// Writes the plan: changes in the order given, then the appends. The area of each write is
// left on no particular record; record locks taken for appends are released.
Status ApplyPlan(const PostingPlan& plan, store::StoreUi& ui);

// REPLACE when the table has the field (texts padded or cut to its width; nil skipped).
Status PutField(xbase::WorkArea& a, std::string_view field, const xbase::Value& v);

// Every field of the area's table: the value in `fields` when given there, else blank
// (texts empty, numbers 0, dates empty, logicals false). For records written over whole.
FieldList WholeRecord(const xbase::WorkArea& a, const FieldList& fields);

}  // namespace hurt::documents
