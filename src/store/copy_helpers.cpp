#include "store/copy_helpers.h"

#include <optional>

#include "base/text.h"
#include "store/copy_fields.h"

namespace hurt::store {

namespace {

constexpr double kRecordWait = 10;  // ADD_REC(10), REC_LOCK(10) per record
constexpr double kFinalWait = 30;   // REC_LOCK(30) before the final commit

// The two areas of a copy, checked.
struct Areas {
  xbase::WorkArea* target = nullptr;
  xbase::WorkArea* source = nullptr;
};

Result<Areas> FindAreas(StoreContext& ctx, int x, int y) {
  if (x == y) return Status::Invalid("copy between work areas: target and source are both area " + std::to_string(x));
  Areas a{ctx.areas.Area(x), ctx.areas.Area(y)};
  if (a.target == nullptr) return Status::Invalid("copy between work areas: no table open in area " + std::to_string(x));
  if (a.source == nullptr) return Status::Invalid("copy between work areas: no table open in area " + std::to_string(y));
  return a;
}

// Puts the caller's current area back whatever way the helper leaves.
class KeepCurrentArea {
 public:
  explicit KeepCurrentArea(xbase::WorkAreas& areas) : areas_(areas), area_(areas.current()) {}
  ~KeepCurrentArea() { (void)areas_.Select(area_); }
  KeepCurrentArea(const KeepCurrentArea&) = delete;
  KeepCurrentArea& operator=(const KeepCurrentArea&) = delete;

 private:
  xbase::WorkAreas& areas_;
  int area_;
};

// The order, filter and deleted switch of an area, to be put back.
class KeepAreaSettings {
 public:
  explicit KeepAreaSettings(xbase::WorkArea& area)
      : area_(area), order_(area.order()), filter_(area.filter()), deleted_hidden_(area.deleted_hidden()) {}
  ~KeepAreaSettings() { (void)Restore(); }
  KeepAreaSettings(const KeepAreaSettings&) = delete;
  KeepAreaSettings& operator=(const KeepAreaSettings&) = delete;

  Status Restore() {
    if (restored_) return Status::Ok();
    restored_ = true;
    area_.SetDeletedHidden(deleted_hidden_);
    Status s = area_.SetOrder(order_);
    if (area_.filter() != filter_) {
      Status f = area_.SetFilter(filter_);
      if (s.ok()) s = f;
    }
    return s;
  }

 private:
  xbase::WorkArea& area_;
  int order_;
  std::string filter_;
  bool deleted_hidden_;
  bool restored_ = false;
};

// The progress window: drawn on opening, updated when its text changes, closed at the end.
class ProgressWindow {
 public:
  ProgressWindow(StoreUi& ui, std::string_view alias, ProgressScreen screen) : ui_(ui) {
    ui_.ProgressOpen(ProgressTitle(alias), screen);
  }
  ~ProgressWindow() { ui_.ProgressClose(); }
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;

  void Show(uint32_t done, uint32_t total) {
    std::string percent = ProgressPercent(done, total);
    std::string bar = ProgressBar(done, total);
    if (percent == percent_ && bar == bar_) return;
    percent_ = std::move(percent);
    bar_ = std::move(bar);
    ui_.ProgressUpdate(percent_, bar_);
  }

 private:
  StoreUi& ui_;
  std::string percent_;
  std::string bar_;
};

// A condition or key compiled against the source area; "" is a condition that always holds.
class SourceExpression {
 public:
  static Result<SourceExpression> Compile(xbase::WorkAreas& areas, int source, std::string_view text) {
    SourceExpression e;
    if (IsBlank(text)) return e;
    auto compiled = areas.Compile(source, text);
    if (!compiled.ok()) return compiled.status();
    e.expr_.emplace(std::move(*compiled));
    return e;
  }
  Result<bool> Holds(xbase::WorkAreas& areas) {
    if (!expr_) return true;
    return areas.EvaluateLogical(*expr_);
  }
  Result<xbase::Value> Value(xbase::WorkAreas& areas) {
    if (!expr_) return Status::Invalid("empty key expression");
    return areas.Evaluate(*expr_);
  }

 private:
  std::optional<xbase::Expression> expr_;
};

// Locks the target's current record, makes the table durable and unlocks, so that other
// stations see the copy (at end of file there is no record to lock: only the commit).
Status FinishTarget(StoreUi& ui, xbase::WorkArea& target) {
  if (!target.eof()) {
    HURT_RETURN_IF_ERROR(RecLockArea(ui, target, kFinalWait));
    Status s = target.Commit();
    Status u = target.UnlockRecord(target.recno());
    return s.ok() ? u : s;
  }
  return target.Commit();
}

// Empties the target: an exclusive table is zapped and its orders rebuilt; a shared one has
// every record deleted under the file lock.
Status EmptyTarget(StoreUi& ui, xbase::WorkArea& target) {
  if (target.exclusive()) {
    HURT_RETURN_IF_ERROR(target.Flush());
    HURT_RETURN_IF_ERROR(target.table().Zap());
    HURT_RETURN_IF_ERROR(target.Reindex());
    return target.GoTop();
  }
  HURT_RETURN_IF_ERROR(FilLockArea(ui, target, kRecordWait));
  KeepAreaSettings keep(target);
  Status s = target.SetOrder(0);
  target.SetDeletedHidden(true);
  if (s.ok() && !target.filter().empty()) s = target.SetFilter("");
  if (s.ok()) s = target.GoTop();
  while (s.ok() && !target.eof()) {
    s = target.Delete();
    if (s.ok()) s = target.Skip(1);
  }
  Status u = target.Unlock();
  Status r = keep.Restore();
  if (!s.ok()) return s;
  if (!u.ok()) return u;
  HURT_RETURN_IF_ERROR(r);
  return target.GoTop();
}

// Appends one record to the target holding the paired fields of the source's current
// record, and unlocks it.
Status AppendCopy(StoreUi& ui, xbase::WorkArea& target, const xbase::WorkArea& source, const FieldCopier& copier) {
  HURT_RETURN_IF_ERROR(AddRecArea(ui, target, kRecordWait));
  HURT_RETURN_IF_ERROR(copier.Copy(source.record(), target, CopyWhich::kAll));
  return target.UnlockRecord(target.recno());
}

// UPDATE_X_FROM_Y and UPDATE0_X_FROM_Y.
Status Update(StoreContext& ctx, int x, int y, std::string_view key, bool zero_variant) {
  KeepCurrentArea keep_current(ctx.areas);
  auto areas = FindAreas(ctx, x, y);
  if (!areas.ok()) return areas.status();
  xbase::WorkArea& target = *areas->target;
  xbase::WorkArea& source = *areas->source;
  auto key_expr = SourceExpression::Compile(ctx.areas, y, key);
  if (!key_expr.ok()) return key_expr.status();
  const FieldCopier copier = FieldCopier::Match(target.table().schema(), source.table().schema());
  KeepAreaSettings keep_target(target);

  ProgressWindow progress(ctx.ui, target.alias(),
                          zero_variant ? ProgressScreen::kClear : ProgressScreen::kSaveAndRestore);
  HURT_RETURN_IF_ERROR(source.GoTop());
  while (!source.eof()) {
    progress.Show(source.recno(), source.known_count());
    auto value = key_expr->Value(ctx.areas);
    if (!value.ok()) return value.status();
    auto found = target.Seek(*value);
    if (!found.ok()) return found.status();
    const bool appended = !*found;
    if (appended) {
      HURT_RETURN_IF_ERROR(AddRecArea(ctx.ui, target, kRecordWait));
    } else {
      HURT_RETURN_IF_ERROR(RecLockArea(ctx.ui, target, kRecordWait));
    }
    CopyWhich which = CopyWhich::kNumericOrNonEmpty;
    if (zero_variant) which = appended ? CopyWhich::kNonEmpty : CopyWhich::kNumeric;
    HURT_RETURN_IF_ERROR(copier.Copy(source.record(), target, which));
    HURT_RETURN_IF_ERROR(target.UnlockRecord(target.recno()));
    HURT_RETURN_IF_ERROR(source.Skip(1));
  }
  progress.Show(1, 1);
  HURT_RETURN_IF_ERROR(keep_target.Restore());
  return FinishTarget(ctx.ui, target);
}

}  // namespace

Status UpdateXFromY(StoreContext& ctx, int x, int y, std::string_view key) { return Update(ctx, x, y, key, false); }

Status Update0XFromY(StoreContext& ctx, int x, int y, std::string_view key) { return Update(ctx, x, y, key, true); }

Status ZamienXFromY(StoreContext& ctx, int x, int y) {
  KeepCurrentArea keep_current(ctx.areas);
  auto areas = FindAreas(ctx, x, y);
  if (!areas.ok()) return areas.status();
  xbase::WorkArea& target = *areas->target;
  xbase::WorkArea& source = *areas->source;
  const FieldCopier copier = FieldCopier::Match(target.table().schema(), source.table().schema());
  KeepAreaSettings keep_target(target);
  KeepAreaSettings keep_source(source);

  // The target in natural order with every record visible; the source's live records.
  HURT_RETURN_IF_ERROR(target.SetOrder(0));
  if (!target.filter().empty()) HURT_RETURN_IF_ERROR(target.SetFilter(""));
  target.SetDeletedHidden(false);
  source.SetDeletedHidden(true);

  ProgressWindow progress(ctx.ui, target.alias(), ProgressScreen::kSaveAndRestore);
  HURT_RETURN_IF_ERROR(target.GoTop());
  HURT_RETURN_IF_ERROR(source.GoTop());
  while (!source.eof()) {
    progress.Show(source.recno(), source.known_count());
    if (target.eof()) {
      HURT_RETURN_IF_ERROR(AddRecArea(ctx.ui, target, kRecordWait));
    } else {
      HURT_RETURN_IF_ERROR(RecLockArea(ctx.ui, target, kRecordWait));
      if (target.deleted()) HURT_RETURN_IF_ERROR(target.Recall());
    }
    HURT_RETURN_IF_ERROR(copier.Copy(source.record(), target, CopyWhich::kAll));
    HURT_RETURN_IF_ERROR(copier.BlankUnmatched(target));
    HURT_RETURN_IF_ERROR(target.UnlockRecord(target.recno()));
    HURT_RETURN_IF_ERROR(target.Skip(1));
    HURT_RETURN_IF_ERROR(source.Skip(1));
  }
  // What the source did not fill is deleted.
  while (!target.eof()) {
    if (!target.deleted()) {
      HURT_RETURN_IF_ERROR(RecLockArea(ctx.ui, target, kRecordWait));
      HURT_RETURN_IF_ERROR(target.Delete());
      HURT_RETURN_IF_ERROR(target.UnlockRecord(target.recno()));
    }
    HURT_RETURN_IF_ERROR(target.Skip(1));
  }
  progress.Show(1, 1);
  HURT_RETURN_IF_ERROR(keep_source.Restore());
  HURT_RETURN_IF_ERROR(keep_target.Restore());
  HURT_RETURN_IF_ERROR(target.GoTop());
  return FinishTarget(ctx.ui, target);
}

Status AppendXFromYAll(StoreContext& ctx, int x, int y, std::string_view condition, bool keep) {
  KeepCurrentArea keep_current(ctx.areas);
  auto areas = FindAreas(ctx, x, y);
  if (!areas.ok()) return areas.status();
  xbase::WorkArea& target = *areas->target;
  xbase::WorkArea& source = *areas->source;
  auto cond = SourceExpression::Compile(ctx.areas, y, condition);
  if (!cond.ok()) return cond.status();
  const FieldCopier copier = FieldCopier::Match(target.table().schema(), source.table().schema());

  if (!keep) HURT_RETURN_IF_ERROR(EmptyTarget(ctx.ui, target));
  HURT_RETURN_IF_ERROR(source.GoTop());
  while (!source.eof()) {
    auto holds = cond->Holds(ctx.areas);
    if (!holds.ok()) return holds.status();
    if (*holds) HURT_RETURN_IF_ERROR(AppendCopy(ctx.ui, target, source, copier));
    HURT_RETURN_IF_ERROR(source.Skip(1));
  }
  return FinishTarget(ctx.ui, target);
}

Status AppendXFromY(StoreContext& ctx, int x, int y, std::string_view key, std::string_view condition, bool keep) {
  KeepCurrentArea keep_current(ctx.areas);
  auto areas = FindAreas(ctx, x, y);
  if (!areas.ok()) return areas.status();
  xbase::WorkArea& target = *areas->target;
  xbase::WorkArea& source = *areas->source;
  auto key_expr = SourceExpression::Compile(ctx.areas, y, key);
  if (!key_expr.ok()) return key_expr.status();
  auto cond = SourceExpression::Compile(ctx.areas, y, condition);
  if (!cond.ok()) return cond.status();
  const FieldCopier copier = FieldCopier::Match(target.table().schema(), source.table().schema());

  if (!keep) HURT_RETURN_IF_ERROR(EmptyTarget(ctx.ui, target));
  auto value = key_expr->Value(ctx.areas);
  if (!value.ok()) return value.status();
  auto found = source.Seek(*value);
  if (!found.ok()) return found.status();
  while (!source.eof()) {
    auto holds = cond->Holds(ctx.areas);
    if (!holds.ok()) return holds.status();
    if (!*holds) break;
    HURT_RETURN_IF_ERROR(AppendCopy(ctx.ui, target, source, copier));
    HURT_RETURN_IF_ERROR(source.Skip(1));
  }
  return FinishTarget(ctx.ui, target);
}

Status AppXFromY(StoreContext& ctx, int x, int y, std::string_view key, std::string_view while_condition,
                 std::string_view for_condition) {
  KeepCurrentArea keep_current(ctx.areas);
  auto areas = FindAreas(ctx, x, y);
  if (!areas.ok()) return areas.status();
  xbase::WorkArea& target = *areas->target;
  xbase::WorkArea& source = *areas->source;
  auto key_expr = SourceExpression::Compile(ctx.areas, y, key);
  if (!key_expr.ok()) return key_expr.status();
  auto while_expr = SourceExpression::Compile(ctx.areas, y, while_condition);
  if (!while_expr.ok()) return while_expr.status();
  auto for_expr = SourceExpression::Compile(ctx.areas, y, for_condition);
  if (!for_expr.ok()) return for_expr.status();
  const FieldCopier copier = FieldCopier::Match(target.table().schema(), source.table().schema());
  const uint32_t source_record = source.recno();

  Status s = EmptyTarget(ctx.ui, target);
  auto value = s.ok() ? key_expr->Value(ctx.areas) : Result<xbase::Value>(s);
  auto found = value.ok() ? source.Seek(*value) : Result<bool>(value.status());
  s = found.status();
  while (s.ok() && !source.eof()) {
    auto going = while_expr->Holds(ctx.areas);
    if (!going.ok() || !*going) {
      s = going.status();
      break;
    }
    auto wanted = for_expr->Holds(ctx.areas);
    s = wanted.status();
    if (s.ok() && *wanted) s = AppendCopy(ctx.ui, target, source, copier);
    if (s.ok()) s = source.Skip(1);
  }
  if (s.ok()) s = FinishTarget(ctx.ui, target);
  // The source goes back to its record whatever happened.
  Status back = source.GoTo(source_record);
  return s.ok() ? back : s;
}

}  // namespace hurt::store
