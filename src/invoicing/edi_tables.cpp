#include "invoicing/edi_tables.h"

#include <algorithm>
#include <set>
#include <vector>

#include "base/numeric.h"
#include "base/text.h"
#include "session/output/report_paths.h"
#include "store/net_use.h"
#include "store/schema.h"
#include "xbase/table.h"

namespace hurt::invoicing {

namespace {

constexpr int kFirstArea = 200;
constexpr int kLastArea = 250;
constexpr std::string_view kBusyEoCfg = "Plik eo_cfg.dbf zajety";
constexpr std::string_view kBusyNrKom = "Plik EO_NRKOM zajety";

std::vector<xbase::DbfFieldDescriptor> Layout(store::TableId id) {
  std::vector<xbase::DbfFieldDescriptor> out;
  for (const store::Field& f : store::ResolveFields(store::Table(id), store::Markers()))
    out.push_back({f.name, static_cast<char>(f.type), f.width, f.decimals});
  return out;
}

std::string Found(EdiPlace& p, std::string_view name) { return session::FindFileAnyCase(p.env, p.root, name); }

// A table open in a free work area of the station for the time of one operation.
class ScratchArea {
 public:
  explicit ScratchArea(xbase::WorkAreas& areas) : areas_(areas) {}
  ~ScratchArea() {
    if (number_ != 0) (void)areas_.Close(number_);
  }
  ScratchArea(const ScratchArea&) = delete;
  ScratchArea& operator=(const ScratchArea&) = delete;

  Result<xbase::WorkArea*> Open(const std::string& path, bool exclusive) {
    number_ = areas_.FirstFree(kFirstArea, kLastArea);
    if (number_ == 0) return Status::Busy("Brak wolnego obszaru roboczego");
    xbase::AreaOpenOptions options;
    options.exclusive = exclusive;
    auto opened = areas_.Open(number_, path, {}, options);
    if (!opened.ok()) number_ = 0;
    return opened;
  }
  // Closes now, reporting what closing says.
  Status Close() {
    const int n = number_;
    number_ = 0;
    return n == 0 ? Status::Ok() : areas_.Close(n);
  }

 private:
  xbase::WorkAreas& areas_;
  int number_ = 0;
};

std::string Text(const xbase::WorkArea& a, std::string_view field) {
  auto v = a.Get(field);
  return v.ok() && v->IsString() ? AllTrim(v->AsString()) : std::string();
}

// The table `name` made under a temporary name and renamed into place unless another
// station made it first. `fill` writes the first records into the new table.
Status CreateInPlace(EdiPlace& p, std::string_view name, store::TableId id,
                     const std::function<Status(xbase::WorkArea&)>& fill) {
  const std::string folder = p.root + "/rob";
  if (!p.env.Exists(folder)) HURT_RETURN_IF_ERROR(p.env.CreateDirs(folder));
  const std::string base(name.substr(0, name.rfind('.')));
  const std::string temp = folder + "/" + base + p.station + ".dbf";
  if (p.env.Exists(temp)) HURT_RETURN_IF_ERROR(p.env.Remove(temp));
  Status st = xbase::Table::Create(p.env, temp, Layout(id));
  if (st.ok()) {
    ScratchArea area(p.areas);
    auto opened = area.Open(temp, true);
    st = opened.status();
    if (st.ok()) st = fill(**opened);
    if (st.ok()) st = (*opened)->Commit();
    const Status closed = area.Close();
    if (st.ok()) st = closed;
  }
  if (st.ok() && Found(p, name).empty()) st = p.env.Rename(temp, p.root + "/" + std::string(name));
  if (p.env.Exists(temp)) (void)p.env.Remove(temp);
  return st;
}

Status AppendKey(xbase::WorkArea& a, std::string_view key) {
  HURT_RETURN_IF_ERROR(a.Append());
  return a.Replace("NAME", xbase::Value(std::string(key)));
}

std::set<std::string> KeysOf(xbase::WorkArea& a, Status* st) {
  std::set<std::string> keys;
  for (*st = a.GoTop(); st->ok() && !a.eof(); *st = a.Skip(1)) keys.insert(Upper(Text(a, "NAME")));
  return keys;
}

// Moves to the record of `key`; EOF when there is none.
Status SeekKeyRecord(xbase::WorkArea& a, std::string_view key) {
  Status st = a.GoTop();
  for (; st.ok() && !a.eof(); st = a.Skip(1)) {
    if (Upper(Text(a, "NAME")) == key) return Status::Ok();
  }
  return st;
}

}  // namespace

Status EnsureEoCfg(EdiPlace& p) {
  if (Found(p, kEoCfgFile).empty()) {
    auto fill = [](xbase::WorkArea& a) {
      for (std::string_view key : kEoCfgKeys) HURT_RETURN_IF_ERROR(AppendKey(a, key));
      return Status::Ok();
    };
    HURT_RETURN_IF_ERROR(CreateInPlace(p, kEoCfgFile, store::TableId::kEoCfg, fill));
  }
  ScratchArea area(p.areas);
  auto opened = area.Open(Found(p, kEoCfgFile), false);
  if (!opened.ok()) return opened.status();
  xbase::WorkArea& a = **opened;
  Status st;
  std::set<std::string> keys = KeysOf(a, &st);
  HURT_RETURN_IF_ERROR(st);
  auto missing = [&keys] {
    return std::any_of(std::begin(kEoCfgKeys), std::end(kEoCfgKeys),
                       [&](std::string_view k) { return !keys.count(std::string(k)); });
  };
  if (!missing()) return area.Close();
  // Another station may be appending the same keys: look again under the file lock.
  st = store::FilLockArea(p.ui, a, kEdiLockSeconds);
  if (st.IsBusy()) return Status::Busy(std::string(kBusyEoCfg));
  HURT_RETURN_IF_ERROR(st);
  keys = KeysOf(a, &st);
  for (std::string_view key : kEoCfgKeys) {
    if (!st.ok()) break;
    if (!keys.count(std::string(key))) st = AppendKey(a, key);
  }
  if (st.ok()) st = a.Commit();
  const Status unlocked = a.Unlock();
  if (st.ok()) st = unlocked;
  const Status closed = area.Close();
  return st.ok() ? closed : st;
}

Result<std::map<std::string, std::string>> CzytajEoCfg(EdiPlace& p) {
  HURT_RETURN_IF_ERROR(EnsureEoCfg(p));
  ScratchArea area(p.areas);
  auto opened = area.Open(Found(p, kEoCfgFile), false);
  if (!opened.ok()) return opened.status();
  xbase::WorkArea& a = **opened;
  std::map<std::string, std::string> out;
  Status st = a.GoTop();
  for (; st.ok() && !a.eof(); st = a.Skip(1)) out.emplace(Upper(Text(a, "NAME")), Text(a, "VALUE"));
  HURT_RETURN_IF_ERROR(st);
  return out;
}

Result<long> ZapiszNumerFaktury(EdiPlace& p, long proposed, const std::function<Status(long)>& write) {
  HURT_RETURN_IF_ERROR(EnsureEoCfg(p));
  ScratchArea area(p.areas);
  auto opened = area.Open(Found(p, kEoCfgFile), false);
  if (!opened.ok()) return opened.status();
  xbase::WorkArea& a = **opened;
  HURT_RETURN_IF_ERROR(SeekKeyRecord(a, "INV_NR_KOM"));
  if (a.eof()) return Status::NotFound("Brak klucza INV_NR_KOM w eo_cfg.dbf");
  const Status locked = store::RecLockArea(p.ui, a, kEdiLockSeconds);
  if (locked.IsBusy()) return Status::Busy(std::string(kBusyEoCfg));
  HURT_RETURN_IF_ERROR(locked);
  // The lock re-read the record: what another station stored is seen here.
  const long stored = static_cast<long>(Val(Text(a, "VALUE")));
  const long number = std::max(proposed, stored + 1);
  Status st = write(number);
  if (st.ok()) st = a.Replace("VALUE", xbase::Value(std::to_string(number)));
  if (st.ok()) st = a.Commit();
  if (!st.ok()) a.DiscardChanges();
  const Status unlocked = a.Unlock();
  if (st.ok()) st = unlocked;
  const Status closed = area.Close();
  if (st.ok()) st = closed;
  if (!st.ok()) return st;
  return number;
}

Result<long> PobierzNumerZamowienia(EdiPlace& p, double wait_seconds) {
  const std::string cfg = Found(p, kEoCfgFile);
  if (cfg.empty()) return Status::NotFound("Brak pliku eo_cfg.dbf");
  if (Found(p, kEoNrKomFile).empty()) {
    // Made under eo_cfg's file lock, so that two stations do not both make it.
    ScratchArea guard(p.areas);
    auto g = guard.Open(cfg, false);
    if (!g.ok()) return g.status();
    const Status locked = store::FilLockArea(p.ui, **g, wait_seconds);
    if (locked.IsBusy()) return Status::Busy(std::string(kBusyNrKom));
    HURT_RETURN_IF_ERROR(locked);
    Status made = Status::Ok();
    if (Found(p, kEoNrKomFile).empty()) {
      made = CreateInPlace(p, kEoNrKomFile, store::TableId::kEoNrKom, [](xbase::WorkArea& a) {
        HURT_RETURN_IF_ERROR(a.Append());
        return a.Replace("NR_KOM", xbase::Value(0.0));
      });
    }
    (void)(*g)->Unlock();
    HURT_RETURN_IF_ERROR(made);
  }
  ScratchArea area(p.areas);
  Result<xbase::WorkArea*> opened = Status::Busy(std::string(kBusyNrKom));
  const Status open = store::Retry(p.ui, store::RetryRule::kPauseAfter, wait_seconds, [&] {
    opened = area.Open(Found(p, kEoNrKomFile), true);
    return opened.status();
  });
  if (open.IsBusy()) return Status::Busy(std::string(kBusyNrKom));
  HURT_RETURN_IF_ERROR(open);
  xbase::WorkArea& a = **opened;
  HURT_RETURN_IF_ERROR(a.GoTop());
  if (a.eof()) HURT_RETURN_IF_ERROR(a.Append());
  auto value = a.Get("NR_KOM");
  HURT_RETURN_IF_ERROR(value.status());
  const long number = static_cast<long>(value->AsNumber()) + 1;
  Status st = a.Replace("NR_KOM", xbase::Value(static_cast<double>(number)));
  if (st.ok()) st = a.Commit();
  const Status closed = area.Close();
  if (st.ok()) st = closed;
  if (!st.ok()) return st;
  return number;
}

}  // namespace hurt::invoicing
