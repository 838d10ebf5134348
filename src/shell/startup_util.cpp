#include "shell/startup_util.h"

#include <vector>

#include "shell/session.h"

namespace hurt::shell {

Result<xbase::WorkArea*> OpenWithWait(Session& session, int area, const std::string& dbf_path,
                                      std::string_view alias, bool exclusive, int seconds) {
  xbase::AreaOpenOptions options;
  options.exclusive = exclusive;
  int left = seconds;
  for (;;) {
    auto opened = session.areas().Open(area, dbf_path, alias, options);
    if (opened.ok() || !opened.status().IsBusy()) return opened;
    session.con().Inkey(1);
    if (--left <= 0) return opened.status();
  }
}

bool LockWithWait(Session& session, xbase::WorkArea& area, double seconds) {
  if (area.LockRecord().ok()) return true;
  double left = seconds;
  while (left > 0) {
    session.con().Inkey(0.5);
    left -= 0.5;
    if (area.LockRecord().ok()) return true;
  }
  return false;
}

Status AppendLine(Session& session, const std::string& path, std::string_view line) {
  auto file = session.env().Open(path, {.write = true, .create = true});
  HURT_RETURN_IF_ERROR(file.status());
  auto size = (*file)->Size();
  HURT_RETURN_IF_ERROR(size.status());
  std::string bytes(line);
  bytes += "\r\n";
  HURT_RETURN_IF_ERROR((*file)->WriteAt(*size, bytes));
  return (*file)->Sync();
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
