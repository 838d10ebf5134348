#include "store/table_create.h"

#include "base/date.h"
#include "base/text.h"
#include "store/copy_fields.h"
#include "store/net_files.h"
#include "store/schema_field_list.h"
#include "xbase/dbt.h"
#include "xbase/table.h"

namespace hurt::store {

namespace {

constexpr const char* kDowodLog = "dowod.log";
constexpr const char* kDowodLogPrevious = "dowod_.txt";
constexpr int kDowodLogKeptLines = 10;

std::vector<xbase::DbfFieldDescriptor> Descriptors(const std::vector<Field>& fields) {
  std::vector<xbase::DbfFieldDescriptor> out;
  out.reserve(fields.size());
  for (const Field& f : fields) out.push_back({f.name, static_cast<char>(f.type), f.width, f.decimals});
  return out;
}

bool HasMemo(const std::vector<Field>& fields) {
  for (const Field& f : fields) {
    if (f.type == FieldType::kMemo) return true;
  }
  return false;
}

// The path of a definition as far as it can be read (for the message of a bad one).
std::string DefinitionPath(std::string_view definition) {
  return NormalFileName(definition.substr(0, definition.find(',')));
}

std::string TwoDigits(int n) { return Str2(n == 0 ? 100 : n); }  // STR2 gives "00" for 0 and 100

// Removes a table kept under another spelling of its name (AS.DBF for as.dbf), once it is
// certain that nobody has it open.
Status RemoveOtherSpelling(xbase::Env& env, const std::string& existing) {
  auto old = xbase::Table::Open(env, existing, xbase::TableMode::Exclusive());
  if (!old.ok() && old.status().IsBusy()) return old.status();
  const std::string memo = old.ok() ? (*old)->memo_path() : std::string();
  if (old.ok()) HURT_RETURN_IF_ERROR((*old)->Close());
  HURT_RETURN_IF_ERROR(env.Remove(existing));
  if (!memo.empty() && env.Exists(memo)) HURT_RETURN_IF_ERROR(env.Remove(memo));
  return Status::Ok();
}

}  // namespace

std::string CallerName(std::string_view function, int line) {
  return std::string(function) + "(" + std::to_string(line) + ")";
}

bool TracedInDowodLog(std::string_view path) {
  const std::string lower = NormalFileName(path);
  return lower.find("/dowod") != std::string::npos && lower.find("rob/dowod") == std::string::npos;
}

Status WriteDowodLog(xbase::Env& env, std::string_view path, const TworzCallers& callers) {
  const std::string previous = FindFileX(env, kDowodLog);
  if (!previous.empty()) HURT_RETURN_IF_ERROR(env.Rename(previous, kDowodLogPrevious));

  const Ymd today = YmdFromJulian(env.clock().Today());
  std::string entry = TwoDigits(today.day) + "." + TwoDigits(today.month) + "." + TwoDigits(today.year % 100) + "," +
                      env.clock().TimeText() + ", plik: " + std::string(path) + ", " + callers.caller + ", " +
                      callers.callers_caller + "\r\n\r\n\r\n";
  xbase::OpenOptions options;
  options.create = true;
  options.truncate = true;
  auto log = env.Open(kDowodLog, options);
  if (!log.ok()) return log.status();
  HURT_RETURN_IF_ERROR((*log)->WriteAt(0, entry));
  log->reset();
  auto appended = Fdoklej(env, kDowodLog, kDowodLogPrevious, kDowodLogKeptLines);
  return appended.status();
}

Status Tworz(StoreContext& ctx, std::string_view definition, const TworzCallers& callers, bool flag, int nn) {
  (void)flag;  // kept for the callers of the old runtime; without effect
  (void)nn;
  xbase::Env& env = ctx.areas.env();
  auto fail = [&](const std::string& path, const Status& s) {
    ctx.ui.Alert("Plik " + path + ".dbf niedostepny");
    return s;
  };

  auto list = ParseFieldList(definition);
  if (!list.ok()) return fail(DefinitionPath(definition), list.status());
  const std::string path = NormalFileName(list->path);
  const std::string dbf = path + ".dbf";

  // The current area may hold the very table being replaced: it is closed first.
  if (xbase::WorkArea* current = ctx.areas.Current(); current != nullptr && NormalFileName(current->path()) == dbf) {
    Status s = ctx.areas.Close(ctx.areas.current());
    if (!s.ok()) return fail(path, s);
  }
  const std::string existing = FindFileX(env, dbf);
  if (!existing.empty() && existing != dbf) {
    Status s = RemoveOtherSpelling(env, existing);
    if (!s.ok()) return fail(path, s);
  }

  // Table::Create replaces the file only when nobody has it open (Busy otherwise).
  Status s = xbase::Table::Create(env, dbf, Descriptors(list->fields));
  if (!s.ok()) return fail(path, s);
  if (!HasMemo(list->fields)) {
    // A memo file left by an earlier structure belongs to no table any more.
    const std::string memo = xbase::MemoPathFor(dbf);
    if (env.Exists(memo)) (void)env.Remove(memo);
  }

  // The trace is for people looking for who recreated a document table; failing to write
  // it must not fail the creation, which has happened.
  if (TracedInDowodLog(path)) (void)WriteDowodLog(env, path, callers);
  return Status::Ok();
}

Status Tworz(StoreContext& ctx, std::string_view definition, const char* function, int line) {
  return Tworz(ctx, definition, TworzCallers{CallerName(function, line), ""});
}

Status AppendFrom(StoreContext& ctx, std::string_view file) {
  xbase::Env& env = ctx.areas.env();
  const std::string name = NormalFileName(file);
  const std::string found = FindFileX(env, name + ".dbf");
  if (found.empty()) {
    ctx.ui.Alert("! Brak pliku " + name + ".dbf");
    return Status::NotFound(name + ".dbf: no such table to append from");
  }
  xbase::WorkArea* target = ctx.areas.Current();
  if (target == nullptr) return Status::Invalid("APPEND_FROM: no table open in the current work area");

  auto source = xbase::Table::Open(env, found, xbase::TableMode::SharedReadOnly());
  if (!source.ok()) return source.status();
  const FieldCopier copier = FieldCopier::Match(target->table().schema(), (*source)->schema());

  HURT_RETURN_IF_ERROR(target->BeginAppendBatch());
  Status s;
  xbase::RecordScanner scan(**source);
  xbase::Record rec;
  while (s.ok() && scan.Next(&rec)) {
    if (rec.deleted()) continue;
    s = target->Append();
    if (s.ok()) s = copier.Copy(rec, *target, CopyWhich::kAll);
  }
  if (s.ok()) s = scan.status();
  Status end = target->EndAppendBatch();
  Status unlock = target->Unlock();
  if (!s.ok()) return s;
  if (!end.ok()) return end;
  if (!unlock.ok()) return unlock;
  return target->Commit();
}

}  // namespace hurt::store
