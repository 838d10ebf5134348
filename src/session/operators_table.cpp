#include "session/operators_table.h"

#include <algorithm>

#include "base/text.h"
#include "session/password_hash.h"
#include "session/session.h"
#include "session/store_ui.h"
#include "store/net_use.h"
#include "store/schema.h"
#include "xbase/table.h"

namespace hurt::session::operators {

namespace {

constexpr int kRetryStepMs = 250;
constexpr int kOpenSharedSeconds = 20;
constexpr int kOpenExclusiveSeconds = 1;
constexpr int kRecordLockSeconds = 20;

// Retries `attempt` while it answers Busy, for `seconds` of the session clock (for opens
// outside the work areas, which the store helpers do not cover).
template <typename Attempt>
auto Retry(Session& session, int seconds, Attempt attempt) -> decltype(attempt()) {
  Clock& clock = session.clock();
  const int64_t until = clock.MonotonicMillis() + int64_t{seconds} * 1000;
  for (;;) {
    auto result = attempt();
    if (result.ok() || result.status().code() != StatusCode::kBusy) return result;
    if (clock.MonotonicMillis() >= until) return result;
    clock.Sleep(kRetryStepMs);
  }
}

// The status of a Status or a Result alike, for Retry.

xbase::DbfFieldDescriptor Descriptor(const store::Field& f) {
  return {f.name, static_cast<char>(f.type), f.width, f.decimals};
}

const xbase::DbfFieldDescriptor* FindField(const std::vector<xbase::DbfFieldDescriptor>& fields,
                                           std::string_view name) {
  for (const auto& f : fields) {
    if (Upper(f.name) == name) return &f;
  }
  return nullptr;
}

// The wider of two numeric definitions: room for the integer digits and the decimals of both.
xbase::DbfFieldDescriptor WiderNumber(const xbase::DbfFieldDescriptor& a, const xbase::DbfFieldDescriptor& b) {
  const int integer = std::max(a.width - (a.decimals ? a.decimals + 1 : 0), b.width - (b.decimals ? b.decimals + 1 : 0));
  const int decimals = std::max(a.decimals, b.decimals);
  xbase::DbfFieldDescriptor out = a;
  out.decimals = decimals;
  out.width = std::min(19, integer + (decimals ? decimals + 1 : 0));
  return out;
}

// Field reader over either a work area or a bare record.
using FieldGetter = std::function<std::optional<xbase::Value>(std::string_view name)>;

OperatorRecord ReadWith(const FieldGetter& get, uint32_t recno) {
  OperatorRecord r;
  r.recno = recno;
  auto text = [&](std::string_view name, bool* present = nullptr) {
    auto v = get(name);
    if (present) *present = v.has_value();
    return v ? v->AsString() : std::string();
  };
  r.nr = Left(text("NR"), 1);
  if (r.nr.empty()) r.nr = " ";
  r.nazwisko = text("NAZWISKO");
  r.haslo = text("HASLO");
  r.hash = RTrim(text("HASH"));
  r.prawa = text("PRAWA");
  r.prawa1 = text("PRAWA1");
  r.prawa2 = text("PRAWA2");
  r.nr_mag = text("NR_MAG");
  r.nr_kasy = text("NR_KASY");
  r.magazyn = text("MAGAZYN", &r.has_magazyn);
  r.komu = text("KOMU", &r.has_komu);
  r.rd = text("RD", &r.has_rd);
  r.slupek = text("SLUPEK");
  r.smtp = text("SMTP", &r.has_smtp);
  r.drukarka = text("DRUKARKA", &r.has_drukarka);
  return r;
}

// Copies one record into the new structure, field by field by name.
Status CopyRecord(const xbase::Record& from, xbase::Record* to) {
  const auto& old_schema = from.schema();
  const auto& new_schema = to->schema();
  for (int i = 0; i < new_schema.field_count(); ++i) {
    const auto& nf = new_schema.field(i);
    const int j = old_schema.FieldIndex(nf.name);
    if (j < 0) continue;
    const auto& of = old_schema.field(j);
    if (of.type == nf.type && of.width == nf.width && of.decimals == nf.decimals && nf.type != 'M') {
      HURT_RETURN_IF_ERROR(to->SetFieldBytes(i, from.FieldBytes(j)));
      continue;
    }
    auto value = from.GetValue(j);
    if (!value.ok()) return value.status();
    HURT_RETURN_IF_ERROR(to->SetValue(i, *value).Prefixed("field " + nf.name));
  }
  to->SetDeleted(from.deleted());
  return Status::Ok();
}

// Rebuilds prawa with the current structure: the new table is written completely beside
// the old one and then renamed over it while the old one is still held exclusively.
Status UpgradePrawa(Session& session) {
  xbase::Env& env = session.env();
  const std::string path = PrawaPath(session);
  auto old = Retry(session, kOpenExclusiveSeconds,
                   [&] { return xbase::Table::Open(env, path, xbase::TableMode::Exclusive()); });
  if (!old.ok()) return old.status();
  xbase::Table& old_table = **old;
  if (!PrawaNeedsUpgrade(session, old_table.fields())) return old_table.Close();  // done elsewhere

  const std::string temp = session.Path("prawa_nw.dbf");
  auto build = [&]() -> Status {
    HURT_RETURN_IF_ERROR(xbase::Table::Create(env, temp, PrawaFields(session, old_table.fields())));
    auto opened = xbase::Table::Open(env, temp, xbase::TableMode::Exclusive());
    if (!opened.ok()) return opened.status();
    xbase::Table& fresh = **opened;
    const uint32_t count = old_table.RecordCount();
    for (uint32_t recno = 1; recno <= count; ++recno) {
      xbase::Record rec;
      HURT_RETURN_IF_ERROR(old_table.Read(recno, &rec));
      xbase::Record copy = fresh.NewRecord();
      HURT_RETURN_IF_ERROR(CopyRecord(rec, &copy));
      auto appended = fresh.Append(copy);
      if (!appended.ok()) return appended.status();
    }
    HURT_RETURN_IF_ERROR(fresh.Commit());
    return fresh.Close();
  };
  Status built = build();
  if (built.ok()) built = env.Rename(temp, path);
  if (!built.ok()) {
    if (env.Exists(temp)) (void)env.Remove(temp);
    (void)old_table.Close();
    return built.Prefixed("prawa.dbf upgrade");
  }
  return old_table.Close();
}

// An empty table gets the supervisor, operator "0" with every right.
Status AddSupervisorIfEmpty(Session& session, xbase::WorkArea& area) {
  auto count = area.RecCount();
  if (!count.ok()) return count.status();
  if (*count > 0) return Status::Ok();
  ConsoleStoreUi ui(session.con());
  HURT_RETURN_IF_ERROR(store::FilLockArea(ui, area, kRecordLockSeconds));
  Status st;
  count = area.RecCount();
  if (count.ok() && *count == 0) {
    st = area.Append();
    if (st.ok()) st = area.Replace("NR", xbase::Value(std::string(kSupervisorNr)));
    if (st.ok()) st = area.Replace("PRAWA", xbase::Value(std::string(20, 'T')));
    if (st.ok()) st = area.Replace("PRAWA1", xbase::Value(std::string(20, 'N')));
    if (st.ok()) st = area.Replace("NR_KASY", xbase::Value(std::string("1")));
  }
  Status unlocked = area.Unlock();
  return st.ok() ? unlocked : st;
}

// Every record still holding an old scrambled password gets it as a hash instead, the
// deleted ones too (their bytes are in the file all the same).
Status ConvertLegacyPasswords(Session& session, xbase::WorkArea& area) {
  const int haslo = area.FieldIndex("HASLO");
  if (haslo < 0 || area.FieldIndex("HASH") < 0) return Status::Ok();
  const bool hidden = area.deleted_hidden();
  area.SetDeletedHidden(false);
  std::vector<uint32_t> legacy;
  Status st = area.GoTop();
  while (st.ok() && !area.eof()) {
    if (!IsBlank(area.FieldBytes(haslo))) legacy.push_back(area.recno());
    st = area.Skip(1);
  }
  for (uint32_t recno : legacy) {
    if (!st.ok()) break;
    st = ConvertLegacyPassword(session, area, recno);
  }
  area.SetDeletedHidden(hidden);
  Status top = area.GoTop();
  return st.ok() ? top : st;
}

}  // namespace

std::string PrawaPath(const Session& session) { return session.Path("prawa.dbf"); }

std::vector<xbase::DbfFieldDescriptor> PrawaFields(const Session& session,
                                                   const std::vector<xbase::DbfFieldDescriptor>& existing) {
  std::vector<xbase::DbfFieldDescriptor> fields;
  for (const store::Field& f : store::ResolveFields(store::Table(store::TableId::kPrawa), session.Markers())) {
    fields.push_back(Descriptor(f));
  }
  if (!FindField(fields, "HASH")) fields.push_back({"HASH", 'C', 100, 0});
  for (auto& f : fields) {
    const xbase::DbfFieldDescriptor* old = FindField(existing, f.name);
    if (!old) continue;
    if (old->type != f.type) {
      f = *old;  // a foreign type is kept as it is rather than converted
    } else if (f.type == 'C') {
      f.width = std::max(f.width, old->width);
    } else if (f.type == 'N') {
      f = WiderNumber(f, *old);
    }
  }
  for (const auto& old : existing) {
    if (!FindField(fields, Upper(old.name))) fields.push_back(old);
  }
  return fields;
}

bool PrawaNeedsUpgrade(const Session& session, const std::vector<xbase::DbfFieldDescriptor>& existing) {
  auto width = [&](std::string_view name) {
    const xbase::DbfFieldDescriptor* f = FindField(existing, name);
    return f ? f->width : -1;
  };
  if (width("DRUKARKA") < 25 || width("PRAWA1") < 0) return true;
  if (width("PRAWA2") < 43 || width("NR_MAG") < 20) return true;
  if (width("MAGAZYN") < 0 || width("KOMU") < 0) return true;
  if (width("RD") < 0 && session.FileX("RD.ZAM")) return true;
  if (width("HASH") < static_cast<int>(password::kHashTextMax)) return true;
  return false;
}

Status OpenPrawa(Session& session) {
  xbase::Env& env = session.env();
  xbase::WorkAreas& areas = session.areas();
  (void)areas.Close(kPrawaArea);
  const std::string path = PrawaPath(session);
  if (!env.Exists(path)) {
    HURT_RETURN_IF_ERROR(xbase::Table::Create(env, path, PrawaFields(session)).Prefixed("prawa.dbf"));
  }
  // NET_USE in area 101, the selected area put back afterwards.
  auto open = [&]() -> Status {
    const int selected = areas.current();
    ConsoleStoreUi ui(session.con());
    store::StoreContext ctx{areas, ui};
    Status st = areas.Select(kPrawaArea);
    if (st.ok()) st = store::NetUse(ctx, session.Path("prawa"), kPrawaAlias, false, kOpenSharedSeconds);
    (void)areas.Select(selected);
    return st;
  };
  HURT_RETURN_IF_ERROR(open());
  if (PrawaNeedsUpgrade(session, areas.Area(kPrawaArea)->table().fields())) {
    (void)areas.Close(kPrawaArea);
    Status upgraded = UpgradePrawa(session);
    Status reopened = open();
    if (!upgraded.ok()) {
      (void)areas.Close(kPrawaArea);
      return upgraded;
    }
    HURT_RETURN_IF_ERROR(reopened);
  }
  xbase::WorkArea& area = *areas.Area(kPrawaArea);
  Status st = AddSupervisorIfEmpty(session, area);
  if (st.ok()) st = ConvertLegacyPasswords(session, area);
  if (!st.ok()) {
    (void)areas.Close(kPrawaArea);
    return st.Prefixed("prawa.dbf");
  }
  return area.GoTop();
}

void ClosePrawa(Session& session) { (void)session.areas().Close(kPrawaArea); }

bool OperatorRecord::Named() const { return !IsBlank(nazwisko); }

bool OperatorRecord::HoldsRight(int n) const {
  if (n < 1 || static_cast<size_t>(n) > prawa.size()) return true;
  return prawa[static_cast<size_t>(n - 1)] != 'N';
}

OperatorRecord ReadOperator(const xbase::WorkArea& area) {
  return ReadWith(
      [&](std::string_view name) -> std::optional<xbase::Value> {
        if (area.FieldIndex(name) < 0) return std::nullopt;
        auto v = area.Get(name);
        if (!v.ok()) return std::nullopt;
        return *v;
      },
      area.eof() ? 0 : area.recno());
}

bool IsLegacyPassword(const OperatorRecord& rec) { return !IsBlank(rec.haslo); }

bool HasPassword(const OperatorRecord& rec) {
  if (IsLegacyPassword(rec)) return !IsBlank(password::LegacyScramble(rec.haslo));
  return !rec.hash.empty();
}

bool PasswordMatches(const OperatorRecord& rec, std::string_view entry) {
  const std::string typed = RTrim(entry);
  if (IsLegacyPassword(rec)) return RTrim(password::LegacyScramble(rec.haslo)) == typed;
  if (rec.hash.empty()) return typed.empty();
  return password::VerifyHashText(typed, rec.hash);
}

Status LockRecordFor(Session& session, xbase::WorkArea& area, uint32_t recno, int seconds) {
  HURT_RETURN_IF_ERROR(area.GoTo(recno));
  ConsoleStoreUi ui(session.con());
  return store::RecLockArea(ui, area, seconds);
}

Status UpdateOperator(Session& session, xbase::WorkArea& area, uint32_t recno, int seconds,
                      const std::function<Status(xbase::WorkArea&)>& change) {
  HURT_RETURN_IF_ERROR(LockRecordFor(session, area, recno, seconds));
  Status st = area.GoTo(recno);  // read again now that it is ours
  if (st.ok() && area.eof()) st = Status::NotFound("prawa.dbf: no record " + std::to_string(recno));
  if (st.ok()) st = change(area);
  Status unlocked = area.UnlockRecord(recno);
  return st.ok() ? unlocked : st;
}

Status StorePassword(Session& session, xbase::WorkArea& area, uint32_t recno, std::string_view password) {
  if (area.FieldIndex("HASH") < 0) return Status::Invalid("prawa.dbf has no field HASH");
  std::string hash;
  const std::string typed = RTrim(password);
  if (!typed.empty()) {
    auto made = password::NewHashText(typed);
    if (!made.ok()) return made.status();
    hash = *made;
  }
  return UpdateOperator(session, area, recno, kRecordLockSeconds, [&](xbase::WorkArea& a) {
    HURT_RETURN_IF_ERROR(a.Replace("HASH", xbase::Value(hash)));
    return a.Replace("HASLO", xbase::Value(std::string()));
  });
}

Status ConvertLegacyPassword(Session& session, xbase::WorkArea& area, uint32_t recno) {
  if (area.FieldIndex("HASH") < 0) return Status::Invalid("prawa.dbf has no field HASH");
  return UpdateOperator(session, area, recno, kRecordLockSeconds, [&](xbase::WorkArea& a) {
    const int haslo = a.FieldIndex("HASLO");
    const std::string raw(a.FieldBytes(haslo));
    if (IsBlank(raw)) return Status::Ok();
    const std::string old = RTrim(password::LegacyScramble(raw));
    std::string hash;
    if (!old.empty()) {
      auto made = password::NewHashText(old);
      if (!made.ok()) return made.status();
      hash = *made;
    }
    HURT_RETURN_IF_ERROR(a.Replace("HASH", xbase::Value(hash)));
    return a.Replace("HASLO", xbase::Value(std::string()));
  });
}

Result<OperatorRecord> ReadSupervisor(Session& session) {
  auto opened = Retry(session, kOpenSharedSeconds, [&] {
    return xbase::Table::Open(session.env(), PrawaPath(session), xbase::TableMode::SharedReadOnly());
  });
  if (!opened.ok()) return opened.status();
  xbase::Table& table = **opened;
  auto count = table.Refresh();
  if (!count.ok()) return count.status();
  std::optional<OperatorRecord> first;
  for (uint32_t recno = 1; recno <= *count; ++recno) {
    xbase::Record rec;
    HURT_RETURN_IF_ERROR(table.Read(recno, &rec));
    if (rec.deleted()) continue;
    OperatorRecord op = ReadWith(
        [&](std::string_view name) -> std::optional<xbase::Value> {
          if (rec.schema().FieldIndex(name) < 0) return std::nullopt;
          auto v = rec.GetValue(name);
          if (!v.ok()) return std::nullopt;
          return *v;
        },
        recno);
    if (op.IsSupervisor()) return op;
    if (!first) first = op;
  }
  if (first) return *first;
  return Status::NotFound("prawa.dbf: no operator");
}

}  // namespace hurt::session::operators
