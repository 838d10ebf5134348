// check: every index against its table.
//
// For each index:
//   1. its structure, by NtxIndex::Verify (key order inside and across pages, equal leaf
//      depth, page fill, child offsets, free list);
//   2. the table is read once in record order: each record's key (the index's expression
//      on the record) is kept as a 64-bit hash, with whether the record must be in the
//      index (live, FOR condition true), may be (deleted: xBase indexes keep deleted
//      records) or must not be (FOR condition false);
//   3. the index is walked in key order: keys ascending (equal keys by record number),
//      every entry naming an existing record, its key equal to the record's, no record
//      twice;
//   4. every live record must have been met; in a unique index a record whose key is
//      already held by another record is rightly absent.
// Memory: 9 bytes per record, whatever the key length; the table and index are read
// sequentially apart from the records named in a fault.
#include <algorithm>
#include <functional>

#include "base/cp852.h"
#include "base/text.h"
#include "table_scope.h"
#include "tool.h"
#include "xbase/ntx.h"
#include "xbase/table.h"

namespace hurt::dbftool {

namespace {

// Faults printed per index; the rest are only counted.
constexpr int kFaultsShown = 20;

enum : uint8_t {
  kExpected = 1,  // live record whose FOR condition holds: exactly once in the index
  kOptional = 2,  // deleted record: at most once
  kExcluded = 3,  // FOR condition false: never
  kStateMask = 3,
  kSeen = 4,
};

class IndexCheck {
 public:
  IndexCheck(xbase::Table& table, std::string table_file, std::string index_file)
      : table_(table), table_file_(std::move(table_file)), index_file_(std::move(index_file)) {}

  // Runs the check; the exit code for this index (0 clean, 1 faults, 2 unusable input).
  int Run();

 private:
  void Fault(std::string what) {
    // Engine messages name the file already; it stands at the start of the line.
    const std::string prefix = index_file_ + ": ";
    for (size_t at = what.find(prefix); at != std::string::npos; at = what.find(prefix)) what.erase(at, prefix.size());
    ++faults_;
    if (faults_ <= kFaultsShown) Out(index_file_ + ": " + Cp852ToUtf8(what) + "\n");
  }
  std::string Quoted(std::string_view key) const { return "\"" + std::string(key) + "\""; }
  // The key a record should have, for a fault message.
  std::string ExpectedKey(uint32_t recno);
  bool ScanTable();
  // False when the walk could not go through the whole index.
  bool WalkIndex();
  void FindMissing();

  xbase::Table& table_;
  std::string table_file_;
  std::string index_file_;
  std::unique_ptr<xbase::NtxIndex> index_;
  std::unique_ptr<IndexKeys> keys_;
  size_t key_length_ = 0;
  uint32_t count_ = 0;
  std::vector<uint64_t> hashes_;
  std::vector<uint8_t> states_;
  uint64_t entries_ = 0;
  int faults_ = 0;
};

uint64_t HashKey(std::string_view key) { return std::hash<std::string_view>{}(key); }

std::string IndexKeyExpressionNote(const xbase::NtxIndex& index) {
  std::string note = "key \"" + index.key_expression() + "\"";
  if (!index.for_expression().empty()) note += " for \"" + index.for_expression() + "\"";
  if (index.unique()) note += ", unique";
  return note;
}

int IndexCheck::Run() {
  xbase::NtxOpenOptions options;
  options.read_only = true;
  auto index = xbase::NtxIndex::Open(table_.env(), index_file_, options);
  if (!index.ok()) return Fail(index.status(), index_file_);
  index_ = std::move(*index);
  key_length_ = static_cast<size_t>(index_->key_length());

  auto stats = index_->Verify(true);
  if (!stats.ok()) Fault("structure: " + stats.status().message());

  auto keys = IndexKeys::Compile(table_, index_file_, index_->key_expression(), index_->for_expression());
  if (!keys.ok()) {
    Fault("cannot evaluate the key on " + table_file_ + ": " + keys.status().message());
  } else {
    keys_ = std::move(*keys);
    if (static_cast<size_t>(keys_->shape().length) != key_length_) {
      Fault("the key expression gives " + std::to_string(keys_->shape().length) + "-byte keys, the index holds " +
            std::to_string(key_length_) + "-byte keys");
    } else if (ScanTable()) {
      if (WalkIndex()) FindMissing();
    }
  }

  std::string summary = index_file_ + ": ";
  if (faults_ == 0) {
    summary += "OK, " + std::to_string(entries_) + " keys";
    if (stats.ok()) summary += ", " + std::to_string(stats->pages) + (stats->pages == 1 ? " page" : " pages") + ", depth " + std::to_string(stats->depth);
  } else {
    if (faults_ > kFaultsShown) summary += "... and " + std::to_string(faults_ - kFaultsShown) + " more; ";
    summary += std::to_string(faults_) + (faults_ == 1 ? " fault" : " faults");
  }
  Out(summary + " (" + IndexKeyExpressionNote(*index_) + ")\n");
  return faults_ == 0 ? kExitOk : kExitNo;
}

bool IndexCheck::ScanTable() {
  count_ = table_.RecordCount();
  hashes_.assign(size_t{count_} + 1, 0);
  states_.assign(size_t{count_} + 1, 0);
  xbase::RecordScanner scan(table_);
  xbase::Record rec;
  std::string key;
  while (scan.Next(&rec)) {
    const uint32_t recno = rec.recno();
    if (recno > count_) break;  // appended by another station since the count was taken
    Status s = keys_->KeyOf(rec, key_length_, &key);
    auto holds = s.ok() ? keys_->ForHolds(rec) : Result<bool>(s);
    if (!holds.ok()) {
      Fault("record " + std::to_string(recno) + ": " + holds.status().message());
      return false;
    }
    hashes_[recno] = HashKey(key);
    states_[recno] = !*holds ? kExcluded : rec.deleted() ? kOptional : kExpected;
  }
  if (!scan.status().ok()) {
    Fault("reading " + table_file_ + ": " + scan.status().message());
    return false;
  }
  return true;
}

std::string IndexCheck::ExpectedKey(uint32_t recno) {
  xbase::Record rec;
  std::string key;
  if (!table_.Read(recno, &rec).ok() || !keys_->KeyOf(rec, key_length_, &key).ok()) return "?";
  return Quoted(key);
}

bool IndexCheck::WalkIndex() {
  xbase::NtxCursor cursor(*index_);
  Status s = cursor.GoTop();
  std::string previous;
  uint32_t previous_recno = 0;
  bool first = true;
  // A damaged tree must not keep the walk going for ever.
  const uint64_t limit = uint64_t{count_} * 2 + 1000;
  const bool descending = index_->descending();
  while (s.ok() && !cursor.eof()) {
    ++entries_;
    if (entries_ > limit) {
      Fault("more entries than the table can account for; walk stopped");
      return false;
    }
    const std::string_view key = cursor.key();
    const uint32_t recno = cursor.recno();
    const std::string entry = "entry " + std::to_string(entries_) + " (record " + std::to_string(recno) + ")";
    if (!first) {
      int cmp = previous.compare(key);
      if (descending) cmp = -cmp;
      if (cmp > 0 || (cmp == 0 && previous_recno >= recno)) {
        Fault(entry + ": key " + Quoted(key) + " out of order after " + Quoted(previous) + " (record " +
              std::to_string(previous_recno) + ")");
      } else if (cmp == 0 && index_->unique()) {
        Fault(entry + ": key " + Quoted(key) + " held twice in a unique index");
      }
    }
    first = false;
    previous.assign(key);
    previous_recno = recno;

    if (recno == 0 || recno > count_) {
      Fault(entry + ": no such record, the table has " + std::to_string(count_));
    } else {
      uint8_t& state = states_[recno];
      if ((state & kSeen) != 0) {
        Fault(entry + ": record indexed twice");
      } else if ((state & kStateMask) == kExcluded) {
        Fault(entry + ": record indexed though the FOR condition is false for it");
      } else if (HashKey(key) != hashes_[recno]) {
        Fault(entry + ": key " + Quoted(key) + " differs from the record's key " + ExpectedKey(recno));
      }
      state |= kSeen;
    }
    s = cursor.Skip(1);
  }
  if (!s.ok()) {
    Fault("walk stopped after " + std::to_string(entries_) + " entries: " + s.message());
    return false;
  }
  return true;
}

void IndexCheck::FindMissing() {
  xbase::NtxCursor cursor(*index_);
  xbase::Record rec;
  std::string key;
  for (uint32_t recno = 1; recno <= count_; ++recno) {
    const uint8_t state = states_[recno];
    if ((state & kSeen) != 0 || (state & kStateMask) != kExpected) continue;
    if (index_->unique()) {
      // Rightly absent when another record holds the same key.
      if (table_.Read(recno, &rec).ok() && keys_->KeyOf(rec, key_length_, &key).ok()) {
        auto found = cursor.Seek(key);
        if (found.ok() && *found && cursor.key() == key) continue;
      }
    }
    Fault("record " + std::to_string(recno) + ": missing from the index (key " + ExpectedKey(recno) + ")");
  }
}

}  // namespace

int CmdCheck(const Args& args) {
  if (args.positional.size() < 2) return Usage("check needs a table and at least one index");
  if (!args.flags.empty() || !args.order.empty()) return Usage("check takes no options");
  const std::string file = TableFile(args.positional[0]);
  auto table = xbase::Table::Open(xbase::RealEnv(), file, xbase::TableMode::SharedReadOnly());
  if (!table.ok()) return Fail(table.status(), file);
  int worst = kExitOk;
  for (size_t i = 1; i < args.positional.size(); ++i) {
    IndexCheck check(**table, file, IndexFile(args.positional[i]));
    worst = std::max(worst, check.Run());
  }
  return worst;
}

}  // namespace hurt::dbftool
