// WorkArea: positions, visibility, relations, fields, changes and locks.
//
// Movement keeps three things in step: recno_ and record_ (the current record, read from
// the file at every move), the EOF/BOF/found flags, and the controlling order's cursor
// (cursor_synced_ says whether it stands on recno_; GoTo and natural-order moves leave it
// behind and the next order move finds the record's entry again by its key).
#include <algorithm>

#include "xbase/work_area_internal.h"

namespace hurt::xbase {

WorkArea::WorkArea(WorkAreas& owner, int number, std::string alias, std::unique_ptr<Table> table,
                   const AreaOpenOptions& options)
    : owner_(owner), number_(number), alias_(std::move(alias)), table_(std::move(table)), options_(options) {
  record_ = table_->NewRecord();
  base_ = table_->NewRecord();
  scratch_ = table_->NewRecord();
  changed_.assign(static_cast<size_t>(table_->schema().field_count()) + 1, 0);
  recno_ = table_->RecordCount() + 1;
}

WorkArea::~WorkArea() { (void)Close(); }

// ---- reading and positions --------------------------------------------------------------

Status WorkArea::Load(uint32_t recno, bool near) {
  Status s = near ? table_->ReadNear(recno, &record_) : table_->Read(recno, &record_);
  if (!s.ok()) {
    record_.Blank();
    return s;
  }
  ++stats_.records_read;
  recno_ = recno;
  eof_ = false;
  base_fresh_ = table_->IsRecordLocked(recno);
  return Status::Ok();
}

void WorkArea::SetEof() {
  eof_ = true;
  recno_ = table_->RecordCount() + 1;
  record_.Blank();
  base_fresh_ = false;
  cursor_synced_ = false;
}

Result<bool> WorkArea::CurrentVisible() {
  if (eof_) return false;
  if (deleted_hidden_ && record_.deleted()) return false;
  if (!filter_) return true;
  if (filter_reads_other_areas_) HURT_RETURN_IF_ERROR(AfterMove());
  auto pass = filter_->EvalLogical(owner_);
  return pass.ok() && *pass;
}

Result<bool> WorkArea::Visible() { return CurrentVisible(); }

Result<uint32_t> WorkArea::RecCount() { return table_->Refresh(); }

Status WorkArea::NaturalTop() {
  uint32_t recno = 1;
  for (;;) {
    if (recno > table_->RecordCount()) {
      auto count = table_->Refresh();
      if (!count.ok()) return count.status();
      if (recno > *count) {
        SetEof();
        bof_ = true;
        return Status::Ok();
      }
    }
    HURT_RETURN_IF_ERROR(Load(recno, /*near=*/true));
    auto visible = CurrentVisible();
    if (!visible.ok()) return visible.status();
    if (*visible) return Status::Ok();
    ++recno;
  }
}

Status WorkArea::NaturalBottom() {
  auto count = table_->Refresh();
  if (!count.ok()) return count.status();
  for (uint32_t recno = *count; recno >= 1; --recno) {
    HURT_RETURN_IF_ERROR(Load(recno, /*near=*/true));
    auto visible = CurrentVisible();
    if (!visible.ok()) return visible.status();
    if (*visible) return Status::Ok();
  }
  SetEof();
  bof_ = true;
  return Status::Ok();
}

Status WorkArea::NaturalSkip(long n) {
  if (n > 0) {
    if (eof_) return Status::Ok();
    uint32_t recno = recno_;
    while (n > 0) {
      ++recno;
      if (recno > table_->RecordCount()) {
        auto count = table_->Refresh();
        if (!count.ok()) return count.status();
        if (recno > *count) {
          SetEof();
          return Status::Ok();
        }
      }
      HURT_RETURN_IF_ERROR(Load(recno, /*near=*/true));
      auto visible = CurrentVisible();
      if (!visible.ok()) return visible.status();
      if (*visible) --n;
    }
    return Status::Ok();
  }
  uint32_t recno = recno_;
  if (eof_) {
    auto count = table_->Refresh();
    if (!count.ok()) return count.status();
    recno = *count + 1;
  }
  while (n < 0) {
    if (recno <= 1) {
      HURT_RETURN_IF_ERROR(NaturalTop());
      bof_ = true;
      return Status::Ok();
    }
    --recno;
    HURT_RETURN_IF_ERROR(Load(recno, /*near=*/true));
    auto visible = CurrentVisible();
    if (!visible.ok()) return visible.status();
    if (*visible) ++n;
  }
  return Status::Ok();
}

// Loads the record of the cursor's entry and moves on in direction dir until a visible
// record is found. An entry whose record does not exist (an index ahead of the table, or
// left behind by a failed append) is passed over as invisible.
Status WorkArea::SettleOnCursor(int dir, bool near, bool* hit) {
  NtxCursor& cursor = *orders_[static_cast<size_t>(order_ - 1)]->cursor;
  *hit = false;
  for (;;) {
    if (cursor.eof()) return Status::Ok();
    Status loaded = Load(cursor.recno(), near);
    if (loaded.ok()) {
      auto visible = CurrentVisible();
      if (!visible.ok()) return visible.status();
      if (*visible) {
        *hit = true;
        cursor_synced_ = true;
        return Status::Ok();
      }
    } else if (!loaded.IsNotFound()) {
      return loaded;
    }
    HURT_RETURN_IF_ERROR(cursor.Skip(dir));
    if (dir < 0 && cursor.bof()) return Status::Ok();
  }
}

Status WorkArea::OrderTop() {
  HURT_RETURN_IF_ERROR(ApplyBatchKeys());
  NtxCursor& cursor = *orders_[static_cast<size_t>(order_ - 1)]->cursor;
  HURT_RETURN_IF_ERROR(cursor.GoTop());
  bool hit = false;
  HURT_RETURN_IF_ERROR(SettleOnCursor(+1, /*near=*/true, &hit));
  if (!hit) {
    SetEof();
    bof_ = true;
  }
  return Status::Ok();
}

Status WorkArea::OrderBottom() {
  HURT_RETURN_IF_ERROR(ApplyBatchKeys());
  NtxCursor& cursor = *orders_[static_cast<size_t>(order_ - 1)]->cursor;
  HURT_RETURN_IF_ERROR(cursor.GoBottom());
  bool hit = false;
  HURT_RETURN_IF_ERROR(SettleOnCursor(-1, /*near=*/true, &hit));
  if (!hit) {
    SetEof();
    bof_ = true;
  }
  return Status::Ok();
}

Status WorkArea::SyncCursor() {
  if (cursor_synced_) return Status::Ok();
  OrderState& order = *orders_[static_cast<size_t>(order_ - 1)];
  bool has_key = false;
  HURT_RETURN_IF_ERROR(ComputeKey(order, record_, &order.new_key, &has_key));
  // A record without an entry (FOR condition false) is found between its neighbours: the
  // cursor then stands on the entry that follows where its key would be.
  auto exact = order.cursor->SeekEntry(order.new_key, recno_);
  if (!exact.ok()) return exact.status();
  cursor_synced_ = true;
  return Status::Ok();
}

Status WorkArea::OrderSkip(long n) {
  HURT_RETURN_IF_ERROR(ApplyBatchKeys());
  NtxCursor& cursor = *orders_[static_cast<size_t>(order_ - 1)]->cursor;
  bool hit = false;
  if (eof_) {
    if (n >= 0) return Status::Ok();
    // Backwards from EOF: the last visible record is the first step.
    HURT_RETURN_IF_ERROR(cursor.GoBottom());
    HURT_RETURN_IF_ERROR(SettleOnCursor(-1, /*near=*/true, &hit));
    if (!hit) {
      SetEof();
      bof_ = true;
      return Status::Ok();
    }
    ++n;
  } else {
    HURT_RETURN_IF_ERROR(SyncCursor());
    if (cursor.eof() || cursor.recno() != recno_) {
      // The record has no entry where its key puts it (FOR condition, or changed
      // elsewhere): the cursor stands on the entry after that place.
      if (n > 0) {
        HURT_RETURN_IF_ERROR(SettleOnCursor(+1, /*near=*/true, &hit));
        if (!hit) {
          SetEof();
          return Status::Ok();
        }
        --n;
      }
    }
  }
  while (n > 0) {
    HURT_RETURN_IF_ERROR(cursor.Skip(1));
    HURT_RETURN_IF_ERROR(SettleOnCursor(+1, /*near=*/true, &hit));
    if (!hit) {
      SetEof();
      return Status::Ok();
    }
    --n;
  }
  while (n < 0) {
    HURT_RETURN_IF_ERROR(cursor.Skip(-1));
    if (!cursor.bof()) HURT_RETURN_IF_ERROR(SettleOnCursor(-1, /*near=*/true, &hit));
    if (cursor.bof() || !hit) {
      HURT_RETURN_IF_ERROR(OrderTop());
      bof_ = true;
      return Status::Ok();
    }
    ++n;
  }
  return Status::Ok();
}

Status WorkArea::GoTop() {
  HURT_RETURN_IF_ERROR(Flush());
  bof_ = false;
  found_ = false;
  HURT_RETURN_IF_ERROR(order_ == 0 ? NaturalTop() : OrderTop());
  return AfterMove();
}

Status WorkArea::GoBottom() {
  HURT_RETURN_IF_ERROR(Flush());
  bof_ = false;
  found_ = false;
  HURT_RETURN_IF_ERROR(order_ == 0 ? NaturalBottom() : OrderBottom());
  return AfterMove();
}

Status WorkArea::GoTo(uint32_t recno) {
  HURT_RETURN_IF_ERROR(Flush());
  bof_ = false;
  found_ = false;
  cursor_synced_ = false;
  if (recno == 0) {
    (void)table_->Refresh();
    SetEof();
    return AfterMove();
  }
  Status s = Load(recno, /*near=*/false);
  if (s.IsNotFound()) {
    SetEof();
  } else {
    HURT_RETURN_IF_ERROR(s);
  }
  return AfterMove();
}

Status WorkArea::Skip(long n) {
  HURT_RETURN_IF_ERROR(Flush());
  found_ = false;
  bof_ = false;
  if (n == 0) {
    if (eof_) {
      auto count = table_->Refresh();
      if (!count.ok()) return count.status();
      recno_ = *count + 1;
    } else {
      HURT_RETURN_IF_ERROR(RefreshCurrent());
    }
    return AfterMove();
  }
  HURT_RETURN_IF_ERROR(order_ == 0 ? NaturalSkip(n) : OrderSkip(n));
  return AfterMove();
}

Result<bool> WorkArea::SeekBytes(std::string_view key, bool soft) {
  HURT_RETURN_IF_ERROR(Flush());
  if (order_ == 0) return Status::Invalid(path() + ": seek needs an index order");
  HURT_RETURN_IF_ERROR(ApplyBatchKeys());
  OrderState& order = *orders_[static_cast<size_t>(order_ - 1)];
  if (key.size() > static_cast<size_t>(order.info.shape.length)) key = key.substr(0, static_cast<size_t>(order.info.shape.length));
  bof_ = false;
  found_ = false;
  auto sought = order.cursor->Seek(key, soft);
  if (!sought.ok()) return sought.status();
  bool hit = false;
  HURT_RETURN_IF_ERROR(SettleOnCursor(+1, /*near=*/seeks_read_ahead_, &hit));
  bool found = hit && order.cursor->key().substr(0, key.size()) == key;
  if (!hit || (!found && !soft)) SetEof();
  found_ = found;
  HURT_RETURN_IF_ERROR(AfterMove());
  return found;
}

Result<bool> WorkArea::SeekKey(std::string_view key, bool soft) { return SeekBytes(key, soft); }

Result<bool> WorkArea::Seek(const Value& value, bool soft) {
  if (order_ == 0) {
    HURT_RETURN_IF_ERROR(Flush());
    return Status::Invalid(path() + ": seek needs an index order");
  }
  const OrderState& order = *orders_[static_cast<size_t>(order_ - 1)];
  std::string key;
  Status s = SeekKeyOf(value, order.info.shape, &key);
  if (!s.ok()) return s.Prefixed(order.info.path);
  return SeekBytes(key, soft);
}

// ---- visibility and relations -----------------------------------------------------------

Status WorkArea::SetFilter(std::string_view condition) {
  if (condition.find_first_not_of(' ') == std::string_view::npos) {
    filter_.reset();
    filter_text_.clear();
    filter_reads_other_areas_ = false;
    return Status::Ok();
  }
  auto compiled = owner_.Compile(number_, condition);
  if (!compiled.ok()) return compiled.status();
  if (compiled->type() != ValueType::kLogical && compiled->type() != ValueType::kNil) {
    return Status::Invalid("filter \"" + std::string(condition) + "\" is not a logical expression");
  }
  filter_reads_other_areas_ = false;
  for (const FieldRef& ref : compiled->dependencies().fields) {
    if (ref.area != number_) filter_reads_other_areas_ = true;
  }
  filter_ = std::make_unique<Expression>(std::move(compiled).value());
  filter_text_ = std::string(condition);
  return Status::Ok();
}

const std::string& WorkArea::filter() const { return filter_text_; }

Status WorkArea::SetRelation(int child_area, std::string_view key_expression) {
  WorkArea* child = owner_.Area(child_area);
  if (child == nullptr) return Status::Invalid("relation into area " + std::to_string(child_area) + ": nothing open there");
  if (child == this) return Status::Invalid(alias_ + ": a relation into its own area");
  // A chain of relations that comes back here would move the areas for ever.
  std::vector<int> pending{child_area};
  std::vector<int> seen;
  while (!pending.empty()) {
    int area = pending.back();
    pending.pop_back();
    if (area == number_) return Status::Invalid(alias_ + ": relation into " + child->alias() + " would form a loop");
    if (std::find(seen.begin(), seen.end(), area) != seen.end()) continue;
    seen.push_back(area);
    if (const WorkArea* a = owner_.Area(area)) {
      for (const auto& r : a->relations_) pending.push_back(r->child);
    }
  }
  auto compiled = owner_.Compile(number_, key_expression);
  if (!compiled.ok()) return compiled.status();
  auto relation = std::make_unique<RelationState>();
  relation->child = child_area;
  relation->key = std::make_unique<Expression>(std::move(compiled).value());
  relations_.push_back(std::move(relation));
  return AfterMove();
}

void WorkArea::ClearRelations() { relations_.clear(); }

Status WorkArea::SyncRelations() { return AfterMove(); }

Status WorkArea::AfterMove() {
  if (relations_.empty()) return Status::Ok();
  Status first;
  for (const auto& relation : relations_) {
    WorkArea* child = owner_.Area(relation->child);
    if (child == nullptr) continue;
    Status s;
    if (eof_) {
      s = child->GoTo(0);
    } else {
      Value key;
      s = relation->key->Eval(owner_, &key);
      if (s.ok()) {
        if (child->order() > 0) {
          s = child->Seek(key).status();
        } else if (key.IsNumber()) {
          double n = key.AsNumber();
          s = child->GoTo(n >= 1 && n <= 4e9 ? static_cast<uint32_t>(n) : 0);
        } else {
          s = Status::Invalid(alias_ + ": relation key \"" + relation->key->text() + "\" into " + child->alias() +
                              " needs an index order there or a record number");
        }
      }
    }
    if (first.ok() && !s.ok()) first = s;
  }
  return first;
}

// ---- fields -----------------------------------------------------------------------------

Result<Value> WorkArea::Get(int i) const {
  if (i < 0 || i >= field_count()) return Status::NotFound(path() + ": no field number " + std::to_string(i));
  const char type = field(i).type;
  if (type == 'N' || type == 'F') return Value(DecodeNumberField(record_.FieldBytes(i)));
  if (type == 'M') return record_.GetValue(i);
  return DecodeFieldValue(field(i), record_.FieldBytes(i));
}

Result<Value> WorkArea::Get(std::string_view name) const {
  int i = FieldIndex(name);
  if (i < 0) return Status::NotFound(path() + ": no field " + std::string(name));
  return Get(i);
}

// ---- changes ----------------------------------------------------------------------------

namespace {

Status NotLocked(const std::string& path, uint32_t recno) {
  return Status::Invalid(path + ": record " + std::to_string(recno) + " not locked");
}

}  // namespace

// Lays the fields changed here over a fresh copy of the record read from the file.
void WorkArea::OverlayChanges(const Record& fresh) {
  std::string merged = fresh.bytes();
  if (changed_[0]) merged[0] = record_.bytes()[0];
  const TableSchema& schema = table_->schema();
  for (int i = 0; i < schema.field_count(); ++i) {
    if (!changed_[static_cast<size_t>(i) + 1]) continue;
    merged.replace(schema.offset(i), static_cast<size_t>(schema.field(i).width), record_.FieldBytes(i));
  }
  (void)record_.SetBytes(merged);
}

Status WorkArea::RefreshCurrent() {
  if (eof_) return Status::Ok();
  HURT_RETURN_IF_ERROR(table_->Read(recno_, &scratch_));
  ++stats_.records_read;
  if (dirty_) {
    (void)base_.SetBytes(scratch_.bytes());
    OverlayChanges(scratch_);
  } else if (!new_record_) {
    (void)record_.SetBytes(scratch_.bytes());
  }
  base_fresh_ = table_->IsRecordLocked(recno_);
  return Status::Ok();
}

Status WorkArea::Replace(int i, const Value& value) {
  if (i < 0 || i >= field_count()) return Status::NotFound(path() + ": no field number " + std::to_string(i));
  if (eof_) return Status::Invalid(path() + ": replace at end of file");
  if (table_->read_only()) return Status::Invalid(path() + ": table opened read only");
  if (!table_->IsRecordLocked(recno_)) return NotLocked(path(), recno_);
  if (!dirty_ && !new_record_) (void)base_.SetBytes(record_.bytes());
  if (EncodeFieldInto(field(i), value, &encoded_)) {
    (void)record_.SetFieldBytes(i, encoded_);
  } else {
    // Memo fields, and the error message of a value the field cannot hold.
    Status s = record_.SetValue(i, value);
    if (!s.ok()) return s.Prefixed(path());
  }
  changed_[static_cast<size_t>(i) + 1] = 1;
  dirty_ = true;
  return Status::Ok();
}

Status WorkArea::Replace(std::string_view name, const Value& value) {
  int i = FieldIndex(name);
  if (i < 0) return Status::NotFound(path() + ": no field " + std::string(name));
  return Replace(i, value);
}

Status WorkArea::ReplaceBytes(int i, std::string_view raw) {
  if (i < 0 || i >= field_count()) return Status::NotFound(path() + ": no field number " + std::to_string(i));
  if (eof_) return Status::Invalid(path() + ": replace at end of file");
  if (table_->read_only()) return Status::Invalid(path() + ": table opened read only");
  if (!table_->IsRecordLocked(recno_)) return NotLocked(path(), recno_);
  if (!dirty_ && !new_record_) (void)base_.SetBytes(record_.bytes());
  HURT_RETURN_IF_ERROR(record_.SetFieldBytes(i, raw));
  changed_[static_cast<size_t>(i) + 1] = 1;
  dirty_ = true;
  return Status::Ok();
}

Status WorkArea::Delete() {
  if (eof_) return Status::Invalid(path() + ": delete at end of file");
  if (table_->read_only()) return Status::Invalid(path() + ": table opened read only");
  if (!table_->IsRecordLocked(recno_)) return NotLocked(path(), recno_);
  if (!dirty_ && !new_record_) (void)base_.SetBytes(record_.bytes());
  record_.SetDeleted(true);
  changed_[0] = 1;
  dirty_ = true;
  return Status::Ok();
}

Status WorkArea::Recall() {
  if (eof_) return Status::Invalid(path() + ": recall at end of file");
  if (table_->read_only()) return Status::Invalid(path() + ": table opened read only");
  if (!table_->IsRecordLocked(recno_)) return NotLocked(path(), recno_);
  if (!dirty_ && !new_record_) (void)base_.SetBytes(record_.bytes());
  record_.SetDeleted(false);
  changed_[0] = 1;
  dirty_ = true;
  return Status::Ok();
}

Status WorkArea::Flush() { return WriteCurrent(); }

void WorkArea::DiscardChanges() {
  if (!dirty_) return;
  if (new_record_) {
    record_.Blank();  // as Append wrote it; its keys still wait to be inserted
  } else {
    (void)record_.SetBytes(base_.bytes());
  }
  dirty_ = false;
  std::fill(changed_.begin(), changed_.end(), 0);
}

Status WorkArea::Append() {
  if (table_->read_only()) return Status::Invalid(path() + ": table opened read only");
  HURT_RETURN_IF_ERROR(Flush());
  // A long append batch hands its keys to the orders now and then, so that memory stays
  // bounded: the table's buffered records are written first (records before keys).
  if (table_->InAppendBatch() && batch_pending_ && !orders_.empty() &&
      orders_.front()->batch_recnos.size() >= 16384) {
    HURT_RETURN_IF_ERROR(table_->EndAppendBatch());
    HURT_RETURN_IF_ERROR(ApplyBatchKeys());
    HURT_RETURN_IF_ERROR(table_->BeginAppendBatch());
  }
  scratch_.Blank();
  auto appended = table_->Append(scratch_);
  if (!appended.ok()) return appended.status();
  ++stats_.records_written;
  (void)record_.SetBytes(scratch_.bytes());
  recno_ = *appended;
  eof_ = false;
  bof_ = false;
  found_ = false;
  new_record_ = true;
  dirty_ = false;
  std::fill(changed_.begin(), changed_.end(), 0);
  base_fresh_ = true;
  cursor_synced_ = false;
  return AfterMove();
}

Status WorkArea::BeginAppendBatch() {
  if (table_->read_only()) return Status::Invalid(path() + ": table opened read only");
  HURT_RETURN_IF_ERROR(Flush());
  return table_->BeginAppendBatch();
}

Status WorkArea::EndAppendBatch() {
  if (!table_->InAppendBatch()) return Status::Ok();
  Status s = Flush();
  Status ended = table_->EndAppendBatch();
  if (s.ok()) s = ended;
  Status applied = ApplyBatchKeys();
  if (s.ok()) s = applied;
  if (!eof_) base_fresh_ = table_->IsRecordLocked(recno_);
  return s;
}

// ---- locks ------------------------------------------------------------------------------

Status WorkArea::LockRecord() {
  if (eof_) return Status::Invalid(path() + ": lock at end of file");
  HURT_RETURN_IF_ERROR(table_->LockRecord(recno_));
  return RefreshCurrent();
}

Status WorkArea::LockRecord(uint32_t recno) {
  if (!eof_ && recno == recno_) return LockRecord();
  return table_->LockRecord(recno);
}

Status WorkArea::UnlockRecord(uint32_t recno) {
  if (!eof_ && recno == recno_) HURT_RETURN_IF_ERROR(Flush());
  HURT_RETURN_IF_ERROR(table_->UnlockRecord(recno));
  if (!eof_ && recno == recno_) base_fresh_ = table_->IsRecordLocked(recno_);
  return Status::Ok();
}

Status WorkArea::LockFile() {
  HURT_RETURN_IF_ERROR(table_->LockFile());
  return RefreshCurrent();
}

Status WorkArea::Unlock() {
  HURT_RETURN_IF_ERROR(EndIndexBatch());
  HURT_RETURN_IF_ERROR(Flush());
  HURT_RETURN_IF_ERROR(table_->UnlockAll());
  base_fresh_ = !eof_ && table_->IsRecordLocked(recno_);
  return Status::Ok();
}

// ---- commit and close -------------------------------------------------------------------

Status WorkArea::Commit() {
  HURT_RETURN_IF_ERROR(EndIndexBatch());
  HURT_RETURN_IF_ERROR(Flush());
  HURT_RETURN_IF_ERROR(ApplyBatchKeys());
  HURT_RETURN_IF_ERROR(table_->Commit());
  for (const auto& order : orders_) HURT_RETURN_IF_ERROR(order->index->Sync());
  return Status::Ok();
}

Status WorkArea::Close() {
  if (!table_) return Status::Ok();
  Status first = EndIndexBatch();
  if (first.ok()) first = Flush();
  auto keep = [&first](Status s) {
    if (first.ok() && !s.ok()) first = std::move(s);
  };
  if (table_->InAppendBatch()) keep(EndAppendBatch());
  keep(ApplyBatchKeys());
  relations_.clear();
  filter_.reset();
  orders_.clear();
  order_ = 0;
  dirty_ = false;
  new_record_ = false;
  keep(table_->Close());
  return first;
}

}  // namespace hurt::xbase
