#include "shell/startup_util.h"

#include <vector>

#include "base/text.h"
#include "session/session.h"
#include "session/store_ui.h"
#include "store/net_files.h"
#include "store/net_use.h"

namespace hurt::shell {

Result<xbase::WorkArea*> OpenWithWait(Session& session, int area, const std::string& dbf_path,
                                      std::string_view alias, bool exclusive, int seconds) {
  session::ConsoleStoreUi ui(session.con());
  store::StoreContext ctx{session.areas(), ui};
  HURT_RETURN_IF_ERROR(session.areas().Select(area));
  std::string file = dbf_path;
  if (Lower(Right(file, 4)) == ".dbf") file.resize(file.size() - 4);
  HURT_RETURN_IF_ERROR(store::NetUse(ctx, file, alias, exclusive, seconds));
  xbase::WorkArea* opened = session.areas().Area(area);
  if (opened == nullptr) return Status::NotFound(dbf_path);
  return opened;
}

bool LockWithWait(Session& session, xbase::WorkArea& area, double seconds) {
  session::ConsoleStoreUi ui(session.con());
  return store::RecLockArea(ui, area, seconds).ok();
}

Status AppendLine(Session& session, const std::string& path, std::string_view line) {
  return store::DoklejTxt(session.env(), path, line);
}

Result<CopyReport> CopyRecords(xbase::Table& from, xbase::Table& to,
                               const std::function<void(uint32_t, uint32_t)>& progress) {
  // Field i of `to` comes from field source[i] of `from` (-1: none), raw when the layouts agree.
  struct Mapping {
    int source = -1;
    bool raw = false;
  };
  std::vector<Mapping> map(to.fields().size());
  for (size_t i = 0; i < map.size(); ++i) {
    const xbase::DbfFieldDescriptor& t = to.fields()[i];
    int s = from.FieldIndex(t.name);
    if (s < 0) continue;
    const xbase::DbfFieldDescriptor& f = from.fields()[static_cast<size_t>(s)];
    char ft = f.type == 'F' ? 'N' : f.type;
    if (ft != t.type) continue;
    map[i].source = s;
    map[i].raw = t.type != 'M' && f.width == t.width && f.decimals == t.decimals;
  }
  CopyReport report;
  auto total = from.Refresh();
  HURT_RETURN_IF_ERROR(total.status());
  xbase::RecordScanner scan(from);
  xbase::Record in;
  xbase::Record out = to.NewRecord();
  uint32_t seen = 0;
  while (scan.Next(&in)) {
    ++seen;
    if (progress && (seen % 256 == 0 || seen == *total)) progress(seen, *total);
    if (in.deleted()) continue;
    out.Blank();
    for (size_t i = 0; i < map.size(); ++i) {
      const Mapping& m = map[i];
      if (m.source < 0) continue;
      int ti = static_cast<int>(i);
      if (m.raw) {
        HURT_RETURN_IF_ERROR(out.SetFieldBytes(ti, in.FieldBytes(m.source)));
        continue;
      }
      auto value = in.GetValue(m.source);
      if (!value.ok() || !out.SetValue(ti, *value).ok()) ++report.values_lost;
    }
    HURT_RETURN_IF_ERROR(to.Append(out).status());
    ++report.copied;
  }
  HURT_RETURN_IF_ERROR(scan.status());
  if (progress) progress(*total, *total);
  return report;
}

Status CopyFileWhole(xbase::Env& env, const std::string& from, const std::string& to) {
  auto in = env.Open(from, {.write = false});
  HURT_RETURN_IF_ERROR(in.status());
  const std::string tmp = to + ".tmp";
  auto out = env.Open(tmp, {.write = true, .create = true, .truncate = true});
  HURT_RETURN_IF_ERROR(out.status());
  std::string buf(1 << 16, '\0');
  uint64_t at = 0;
  for (;;) {
    size_t got = 0;
    HURT_RETURN_IF_ERROR((*in)->ReadAt(at, buf.size(), buf.data(), &got));
    if (got == 0) break;
    HURT_RETURN_IF_ERROR((*out)->WriteAt(at, std::string_view(buf.data(), got)));
    at += got;
  }
  HURT_RETURN_IF_ERROR((*out)->Sync());
  out->reset();
  return env.Rename(tmp, to);
}

}  // namespace hurt::shell
