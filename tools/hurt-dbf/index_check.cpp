#include "index_check.h"

#include <functional>
#include <memory>

#include "base/cp852.h"
#include "table_scope.h"

namespace hurt::dbftool {

namespace {

enum : uint8_t {
  kExpected = 1,  // live record whose FOR condition holds: exactly once in the index
  kOptional = 2,  // deleted record: at most once
  kExcluded = 3,  // FOR condition false: never
  kStateMask = 3,
  kSeen = 4,
};

uint64_t HashKey(std::string_view key) { return std::hash<std::string_view>{}(key); }

std::string KeyNote(const xbase::NtxIndex& index) {
  std::string note = "key \"" + index.key_expression() + "\"";
  if (!index.for_expression().empty()) note += " for \"" + index.for_expression() + "\"";
  if (index.unique()) note += ", unique";
  return Cp852ToUtf8(note);
}

// One index under check.
class IndexCheck {
 public:
  IndexCheck(xbase::Table& table, const std::string& table_file, const std::string& index_file)
      : table_(table), table_file_(table_file) {
    report_.index_file = index_file;
  }

  // Opens the index, checks its structure and compiles its key. False when the index is
  // not to be scanned (it could not be opened, or its key cannot be used).
  bool Prepare(uint32_t count);
  // One record of the table's scan; false once this index has given up the scan.
  bool Scan(const xbase::Record& rec);
  bool scanning() const { return scanning_; }
  void ScanFailed(const Status& status) {
    Fault("reading " + table_file_ + ": " + status.message());
    scanning_ = false;
  }
  // The walk and the search for missing records, after a complete scan.
  void Finish();
  IndexReport Take() { return std::move(report_); }

 private:
  void Fault(std::string what) {
    // Engine messages name the file already; the caller names it once.
    const std::string prefix = report_.index_file + ": ";
    for (size_t at = what.find(prefix); at != std::string::npos; at = what.find(prefix)) what.erase(at, prefix.size());
    ++report_.fault_count;
    if (report_.fault_count <= kIndexFaultsShown) report_.faults.push_back(Cp852ToUtf8(what));
  }
  std::string Quoted(std::string_view key) const { return "\"" + std::string(key) + "\""; }
  // The key a record should have, for a fault message.
  std::string ExpectedKey(uint32_t recno);
  // False when the walk could not go through the whole index.
  bool WalkIndex();
  void FindMissing();

  xbase::Table& table_;
  const std::string& table_file_;
  IndexReport report_;
  std::unique_ptr<xbase::NtxIndex> index_;
  std::unique_ptr<IndexKeys> keys_;
  size_t key_length_ = 0;
  uint32_t count_ = 0;
  bool scanning_ = false;
  std::vector<uint64_t> hashes_;
  std::vector<uint8_t> states_;
  std::string key_;
};

bool IndexCheck::Prepare(uint32_t count) {
  xbase::NtxOpenOptions options;
  options.read_only = true;
  auto index = xbase::NtxIndex::Open(table_.env(), report_.index_file, options);
  if (!index.ok()) {
    report_.open_status = index.status();
    return false;
  }
  index_ = std::move(*index);
  key_length_ = static_cast<size_t>(index_->key_length());
  report_.key_note = KeyNote(*index_);

  auto stats = index_->Verify(true);
  if (stats.ok()) {
    report_.stats = *stats;
  } else {
    Fault("structure: " + stats.status().message());
  }

  auto keys = IndexKeys::Compile(table_, report_.index_file, index_->key_expression(), index_->for_expression());
  if (!keys.ok()) {
    Fault("cannot evaluate the key on " + table_file_ + ": " + keys.status().message());
    return false;
  }
  keys_ = std::move(*keys);
  if (static_cast<size_t>(keys_->shape().length) != key_length_) {
    Fault("the key expression gives " + std::to_string(keys_->shape().length) + "-byte keys, the index holds " +
          std::to_string(key_length_) + "-byte keys");
    return false;
  }
  count_ = count;
  hashes_.assign(size_t{count_} + 1, 0);
  states_.assign(size_t{count_} + 1, 0);
  scanning_ = true;
  return true;
}

bool IndexCheck::Scan(const xbase::Record& rec) {
  const uint32_t recno = rec.recno();
  Status s = keys_->KeyOf(rec, key_length_, &key_);
  auto holds = s.ok() ? keys_->ForHolds(rec) : Result<bool>(s);
  if (!holds.ok()) {
    Fault("record " + std::to_string(recno) + ": " + holds.status().message());
    scanning_ = false;
    return false;
  }
  hashes_[recno] = HashKey(key_);
  states_[recno] = !*holds ? kExcluded : rec.deleted() ? kOptional : kExpected;
  return true;
}

void IndexCheck::Finish() {
  if (scanning_ && WalkIndex()) FindMissing();
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
  uint64_t& entries = report_.entries;
  // A damaged tree must not keep the walk going for ever.
  const uint64_t limit = uint64_t{count_} * 2 + 1000;
  const bool descending = index_->descending();
  while (s.ok() && !cursor.eof()) {
    ++entries;
    if (entries > limit) {
      Fault("more entries than the table can account for; walk stopped");
      return false;
    }
    const std::string_view key = cursor.key();
    const uint32_t recno = cursor.recno();
    const std::string entry = "entry " + std::to_string(entries) + " (record " + std::to_string(recno) + ")";
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
    Fault("walk stopped after " + std::to_string(entries) + " entries: " + s.message());
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

std::vector<IndexReport> CheckIndexes(xbase::Table& table, const std::string& table_file,
                                      const std::vector<std::string>& index_files) {
  const uint32_t count = table.RecordCount();
  std::vector<std::unique_ptr<IndexCheck>> checks;
  bool any = false;
  for (const std::string& file : index_files) {
    checks.push_back(std::make_unique<IndexCheck>(table, table_file, file));
    any = checks.back()->Prepare(count) || any;
  }
  if (any) {
    // One pass over the table serves every index.
    xbase::RecordScanner scan(table);
    xbase::Record rec;
    while (scan.Next(&rec)) {
      if (rec.recno() > count) break;  // appended by another station since the count was taken
      bool still = false;
      for (auto& c : checks) {
        if (c->scanning()) still = c->Scan(rec) || still;
      }
      if (!still) break;
    }
    if (!scan.status().ok()) {
      for (auto& c : checks) {
        if (c->scanning()) c->ScanFailed(scan.status());
      }
    }
  }
  std::vector<IndexReport> reports;
  for (auto& c : checks) {
    c->Finish();
    reports.push_back(c->Take());
  }
  return reports;
}

}  // namespace hurt::dbftool
