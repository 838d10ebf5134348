#include "documents/posting_writes.h"

#include "base/text.h"
#include "store/net_use.h"

namespace hurt::documents {

PlannedChange& PostingPlan::Change(xbase::WorkArea* area, uint32_t recno) {
  for (PlannedChange& c : changes) {
    if (c.area == area && c.recno == recno) return c;
  }
  changes.push_back(PlannedChange{area, recno, {}, std::nullopt});
  return changes.back();
}

Status PutField(xbase::WorkArea& a, std::string_view field, const xbase::Value& v) {
  const int i = a.FieldIndex(field);
  if (i < 0) return Status::Ok();
  const xbase::DbfFieldDescriptor& d = a.field(i);
  if (v.IsString() && d.type == 'C') {
    return a.Replace(i, xbase::Value(PadR(v.AsString(), static_cast<size_t>(d.width))));
  }
  if (v.IsNil()) return Status::Ok();
  return a.Replace(i, v);
}

FieldList WholeRecord(const xbase::WorkArea& a, const FieldList& fields) {
  FieldList out;
  out.reserve(static_cast<size_t>(a.field_count()));
  for (int i = 0; i < a.field_count(); ++i) {
    const xbase::DbfFieldDescriptor& d = a.field(i);
    if (d.type == 'M') continue;  // memos are not document data
    const xbase::Value* given = nullptr;
    for (const auto& [name, value] : fields) {
      if (name == d.name && !value.IsNil()) given = &value;
    }
    if (given != nullptr) {
      out.emplace_back(d.name, *given);
    } else if (d.type == 'N' || d.type == 'F') {
      out.emplace_back(d.name, xbase::Value(0.0));
    } else if (d.type == 'D') {
      out.emplace_back(d.name, xbase::Value(xbase::Date{}));
    } else if (d.type == 'L') {
      out.emplace_back(d.name, xbase::Value(false));
    } else {
      out.emplace_back(d.name, xbase::Value(std::string()));
    }
  }
  return out;
}

namespace {

// A text value as the field stores it, so that the journal compares like with like.
xbase::Value AsStored(const xbase::WorkArea& a, int i, const xbase::Value& v) {
  const xbase::DbfFieldDescriptor& d = a.field(i);
  if (v.IsString() && d.type == 'C') return xbase::Value(PadR(v.AsString(), static_cast<size_t>(d.width)));
  return v;
}

}  // namespace

Status JournalPlan(const PostingPlan& plan, std::string_view root, PostingJournal& journal) {
  for (const PlannedChange& c : plan.changes) {
    xbase::WorkArea& a = *c.area;
    HURT_RETURN_IF_ERROR(a.GoTo(c.recno));
    RecordChange& rc = journal.ChangeOf(RelativeToRoot(root, a.path()), c.recno);
    for (const auto& [field, after] : c.set) {
      const int i = a.FieldIndex(field);
      if (i < 0 || after.IsNil()) continue;
      auto before = a.Get(i);
      HURT_RETURN_IF_ERROR(before.status());
      const xbase::Value stored = AsStored(a, i, after);
      if (*before == stored) continue;
      rc.fields.push_back({field, *before, stored});
    }
    if (c.deleted.has_value() && a.deleted() != *c.deleted) {
      rc.deleted_before = a.deleted();
      rc.deleted_after = *c.deleted;
    }
  }
  std::vector<xbase::WorkArea*> seen;
  for (const PlannedAppend& ap : plan.appends) {
    const std::string table = RelativeToRoot(root, ap.area->path());
    bool known = false;
    for (xbase::WorkArea* s : seen) known = known || s == ap.area;
    auto count = ap.area->RecCount();
    HURT_RETURN_IF_ERROR(count.status());
    if (!known) seen.push_back(ap.area);
    // Each distinct set of marks gets its own entry: a record is taken back only when it
    // carries all the marks of one entry.
    bool same_marks = false;
    for (const AppendedRecords& j : journal.appended) {
      same_marks = same_marks || (j.table == table && j.marks == ap.marks);
    }
    if (!same_marks) journal.appended.push_back({table, *count, ap.marks});
  }
  return Status::Ok();
}

Status ApplyPlan(const PostingPlan& plan, store::StoreUi& ui) {
  for (const PlannedChange& c : plan.changes) {
    xbase::WorkArea& a = *c.area;
    HURT_RETURN_IF_ERROR(a.GoTo(c.recno));
    for (const auto& [field, value] : c.set) HURT_RETURN_IF_ERROR(PutField(a, field, value));
    if (c.deleted.has_value() && a.deleted() != *c.deleted) {
      HURT_RETURN_IF_ERROR(*c.deleted ? a.Delete() : a.Recall());
    }
    HURT_RETURN_IF_ERROR(a.Flush());
  }
  for (const PlannedAppend& ap : plan.appends) {
    xbase::WorkArea& a = *ap.area;
    HURT_RETURN_IF_ERROR(store::AddRecArea(ui, a, ap.wait));
    const uint32_t recno = a.recno();
    for (const auto& [field, value] : ap.fields) HURT_RETURN_IF_ERROR(PutField(a, field, value));
    HURT_RETURN_IF_ERROR(a.UnlockRecord(recno));
  }
  return Status::Ok();
}

}  // namespace hurt::documents
