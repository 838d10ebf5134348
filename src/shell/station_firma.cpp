#include "shell/station_firma.h"

#include <algorithm>

#include "base/text.h"
#include "session/session.h"
#include "shell/startup_util.h"
#include "shell/station_register.h"
#include "xbase/table.h"

namespace hurt::shell {

namespace {

constexpr int kReopenSeconds = 20;

xbase::DbfFieldDescriptor Descriptor(const store::Field& f) {
  return {f.name, static_cast<char>(f.type), f.width, f.decimals};
}

}  // namespace

std::vector<xbase::DbfFieldDescriptor> FirmaFields(const store::Markers& markers) {
  std::vector<xbase::DbfFieldDescriptor> out;
  for (const store::Field& f : store::ResolveFields(store::Table(store::TableId::kFirma), markers))
    out.push_back(Descriptor(f));
  return out;
}

Status CreateFirma(Session& session) {
  return xbase::Table::Create(session.env(), session.Path(kFirmaFile), FirmaFields(session.Markers()));
}

bool FirmaNeedsUpgrade(const FieldWidthLookup& width_of, const store::Markers& markers, bool argument_3) {
  if (argument_3) return true;
  for (std::string_view name : {"ST", "KP_KW", "NODB4", "BODB4", "NIP_KRAJ", "KRS_NR", "SMTP", "BDO", "WYCIAGI"})
    if (width_of(name) < 0) return true;
  if (width_of("NRBO") < 40 || width_of("KRS_SAD") < 80 || width_of("BODB") <= 50) return true;
  int asked = markers.Has("ST99.TXT") ? 99 : markers.Has("ST2.TXT") ? 2 : 0;
  if (width_of("ST") < asked) return true;
  if (width_of("KOD_POD") < 0 && markers.Has("KOD_QR.TXT")) return true;
  if (width_of("KP_") < 0 && markers.Has("KP_.TXT")) return true;
  if (width_of("REGON0") < 0 && markers.Has("WEGIEL.TXT")) return true;
  return false;
}

std::vector<xbase::DbfFieldDescriptor> UpgradedFirmaFields(const std::vector<xbase::DbfFieldDescriptor>& existing,
                                                           const store::Markers& markers) {
  std::vector<xbase::DbfFieldDescriptor> fields = FirmaFields(markers);
  auto find = [](const std::vector<xbase::DbfFieldDescriptor>& list, std::string_view name) {
    return std::find_if(list.begin(), list.end(), [&](const auto& f) { return Upper(f.name) == Upper(name); });
  };
  for (xbase::DbfFieldDescriptor& f : fields) {
    auto old = find(existing, f.name);
    if (old == existing.end()) continue;
    char old_type = old->type == 'F' ? 'N' : old->type;
    if (old_type != f.type) continue;
    if (f.type == 'C' && old->width > f.width) f.width = old->width;
    if (f.type == 'N') {
      int whole = std::max(f.width - f.decimals, old->width - old->decimals);
      f.decimals = std::max(f.decimals, old->decimals);
      f.width = std::min(whole + f.decimals, 19);
    }
  }
  for (const xbase::DbfFieldDescriptor& old : existing) {
    if (old.type == 'M' || find(fields, old.name) != fields.end()) continue;
    xbase::DbfFieldDescriptor kept = old;
    if (kept.type == 'F') kept.type = 'N';
    fields.push_back(kept);
  }
  return fields;
}

Status UpgradeFirma(Session& session) {
  xbase::WorkArea* area = session.areas().Area(1);
  if (area == nullptr || !area->exclusive()) return Status::Invalid("firma: not held exclusively");
  xbase::Env& env = session.env();
  const std::string target = session.Path(kFirmaFile);
  const std::string scratch = session.Path(kFirmaUpgradeFile);
  if (env.Exists(scratch)) HURT_RETURN_IF_ERROR(env.Remove(scratch));

  HURT_RETURN_IF_ERROR(area->Flush());
  std::vector<xbase::DbfFieldDescriptor> fields = UpgradedFirmaFields(area->table().fields(), session.Markers());
  Status built = [&]() -> Status {
    HURT_RETURN_IF_ERROR(xbase::Table::Create(env, scratch, fields));
    auto fresh = xbase::Table::Open(env, scratch, xbase::TableMode::Exclusive());
    HURT_RETURN_IF_ERROR(fresh.status());
    HURT_RETURN_IF_ERROR(CopyRecords(area->table(), **fresh).status());
    HURT_RETURN_IF_ERROR((*fresh)->Commit());
    return (*fresh)->Close();
  }();
  if (!built.ok()) {
    (void)env.Remove(scratch);
    return built.Prefixed(std::string(kFirmaFile));
  }
  // The complete new table replaces the old one in one step.
  HURT_RETURN_IF_ERROR(env.Rename(scratch, target));
  (void)session.areas().Close(1);
  auto reopened = OpenWithWait(session, 1, target, "firma", true, kReopenSeconds);
  return reopened.status();
}

Result<bool> RecoverFirmaRecord(Session& session) {
  xbase::WorkArea* area = session.areas().Area(1);
  if (area == nullptr || !area->exclusive()) return Status::Invalid("firma: not held exclusively");
  auto count = area->RecCount();
  HURT_RETURN_IF_ERROR(count.status());
  if (*count > 0) return false;
  const std::string copy = session.Path(kLegacyScratchFile);
  if (!session.env().Exists(copy)) return false;
  auto source = xbase::Table::Open(session.env(), copy, xbase::TableMode::SharedReadOnly());
  if (!source.ok()) return false;  // busy or damaged: not something to recover from
  xbase::Table& from = **source;
  if (from.FieldIndex("NODB") < 0 || from.FieldIndex("BMR") < 0) return false;
  auto copied = CopyRecords(from, area->table());
  HURT_RETURN_IF_ERROR(copied.status());
  if (copied->copied == 0) return false;
  HURT_RETURN_IF_ERROR(area->table().Commit());
  HURT_RETURN_IF_ERROR(area->GoTop());
  return true;
}

}  // namespace hurt::shell
