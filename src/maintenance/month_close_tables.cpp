#include "maintenance/month_close_tables.h"

#include <utility>

#include "store/copy_fields.h"
#include "xbase/table.h"

namespace hurt::maintenance {

// Areas the session never uses for its own tables.
constexpr int kFirstCloseArea = 150;
constexpr int kLastCloseArea = 200;

Result<CloseTable> CloseTable::Open(xbase::WorkAreas& areas, const std::string& path, bool write) {
  const int number = areas.FirstFree(kFirstCloseArea, kLastCloseArea);
  if (number == 0) return Status::Busy("Brak wolnego obszaru roboczego");
  const std::string alias = "ZM_" + std::to_string(number);
  auto opened = areas.Open(number, path + ".dbf", alias, {.exclusive = write, .read_only = !write});
  if (!opened.ok()) return opened.status();
  return CloseTable(areas, number, *opened);
}

CloseTable::CloseTable(CloseTable&& other) noexcept
    : areas_(other.areas_), number_(std::exchange(other.number_, 0)), area_(std::exchange(other.area_, nullptr)) {}

CloseTable::~CloseTable() { (void)Close(); }

Status CloseTable::Close() {
  if (number_ == 0) return Status::Ok();
  const int n = std::exchange(number_, 0);
  area_ = nullptr;
  return areas_->Close(n);
}

Status ReplaceIfHas(xbase::WorkArea& a, std::string_view field, const xbase::Value& value) {
  if (a.FieldIndex(field) < 0) return Status::Ok();
  return a.Replace(field, value);
}

Result<long> CopyTableInto(xbase::WorkAreas& areas, const std::vector<std::string>& sources, const std::string& target,
                           const KeepRecord& keep, const AdjustRecord& adjust) {
  xbase::Env& env = areas.env();
  if (sources.empty()) return Status::Invalid("no source for " + target);
  std::vector<xbase::DbfFieldDescriptor> fields;
  {
    auto first = CloseTable::Open(areas, sources.front(), false);
    if (!first.ok()) return first.status();
    fields = (*first)->table().fields();
  }
  HURT_RETURN_IF_ERROR(RemoveTable(env, target));
  HURT_RETURN_IF_ERROR(xbase::Table::Create(env, target + ".dbf", fields));
  auto out = CloseTable::Open(areas, target, true);
  if (!out.ok()) return out.status();
  long written = 0;
  for (const std::string& source : sources) {
    auto in = CloseTable::Open(areas, source, false);
    if (!in.ok()) return in.status();
    xbase::WorkArea& from = **in;
    xbase::WorkArea& to = **out;
    const store::FieldCopier copier = store::FieldCopier::Match(to.table().schema(), from.table().schema());
    HURT_RETURN_IF_ERROR(to.BeginAppendBatch());
    for (Status st = from.GoTop(); !from.eof(); st = from.Skip()) {
      HURT_RETURN_IF_ERROR(st);
      if (from.deleted()) continue;
      if (keep) {
        auto wanted = keep(from);
        if (!wanted.ok()) return wanted.status();
        if (!*wanted) continue;
      }
      HURT_RETURN_IF_ERROR(to.Append());
      HURT_RETURN_IF_ERROR(copier.Copy(from.record(), to));
      if (adjust) HURT_RETURN_IF_ERROR(adjust(from, to));
      ++written;
    }
    HURT_RETURN_IF_ERROR(to.EndAppendBatch());
  }
  HURT_RETURN_IF_ERROR((*out)->Commit());
  HURT_RETURN_IF_ERROR(out->Close());
  return written;
}

namespace {

Status RemoveIfThere(xbase::Env& env, const std::string& path) {
  return env.Exists(path) ? env.Remove(path) : Status::Ok();
}

}  // namespace

Status MoveTable(xbase::Env& env, const std::string& from, const std::string& to) {
  // The table first, then its memo file: a move cut short between the two is finished by
  // the next call, which finds the memo file alone. A table that comes without a memo
  // file has no memo fields (tables are created with theirs), so one left at `to` goes.
  if (env.Exists(from + ".dbf")) {
    if (!env.Exists(from + ".dbt")) HURT_RETURN_IF_ERROR(RemoveIfThere(env, to + ".dbt"));
    if (env.Exists(from + ".ntx")) {
      HURT_RETURN_IF_ERROR(env.Rename(from + ".ntx", to + ".ntx"));
    } else {
      HURT_RETURN_IF_ERROR(RemoveIfThere(env, to + ".ntx"));
    }
    HURT_RETURN_IF_ERROR(env.Rename(from + ".dbf", to + ".dbf"));
  }
  if (env.Exists(from + ".dbt")) HURT_RETURN_IF_ERROR(env.Rename(from + ".dbt", to + ".dbt"));
  return Status::Ok();
}

Status RemoveTable(xbase::Env& env, const std::string& path) {
  for (const char* ext : {".dbt", ".ntx", ".dbf"}) HURT_RETURN_IF_ERROR(RemoveIfThere(env, path + ext));
  return Status::Ok();
}

}  // namespace hurt::maintenance
