#include "shell/station_single.h"

#include "base/text.h"
#include "console/message_window.h"
#include "session/session.h"
#include "shell/startup_util.h"
#include "shell/station_firma.h"
#include "xbase/table.h"

namespace hurt::shell {

namespace {

std::string LocalDir(const Session& session) {
  std::string dir = session.options().local_dir;
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir.empty() ? "." : dir;
}

// Stamps the run's start in the (only) record, appending it when the table is empty.
void StampStart(Session& session, xbase::WorkArea& table) {
  auto count = table.RecCount();
  if (!count.ok()) return;
  if (*count == 0) {
    if (!table.Append().ok()) return;
  } else if (!table.GoTop().ok()) {
    return;
  }
  (void)table.Replace("DATA", xbase::Value(xbase::Date{session.Today()}));
  (void)table.Replace("CZAS_IN", xbase::Value(session.clock().TimeText()));
  (void)table.Commit();
}

std::vector<xbase::DbfFieldDescriptor> ProgramFields() {
  std::vector<xbase::DbfFieldDescriptor> out;
  for (const store::Field& f : store::ResolveFields(store::Table(store::TableId::kProgram), store::Markers()))
    out.push_back({f.name, static_cast<char>(f.type), f.width, f.decimals});
  return out;
}

}  // namespace

std::string SingleInstanceTablePath(const Session& session) { return LocalDir(session) + "/program.dbf"; }

bool ClaimSingleInstance(Session& session) {
  if (!session.FileX("VATJEDEN.TXT")) return true;
  xbase::Env& env = session.env();
  const std::string dir = LocalDir(session);
  const std::string path = SingleInstanceTablePath(session);
  (void)env.CreateDirs(dir);

  if (env.Exists(path)) {
    auto opened = OpenWithWait(session, kSingleInstanceArea, path, "program", true, 1);
    if (opened.ok()) {
      StampStart(session, **opened);
      return true;
    }
    if (opened.status().IsBusy()) {
      console::Okno_(session.con(), "Program juz otwarty na pasku", 5);
      return false;
    }
    // A damaged lock table holds nothing worth keeping: it is made again below.
  } else {
    bool per_station = session.FileX("VATJEDEN.XXX");
    bool local_marker = env.Exists(dir + "/vatjeden.txt") || env.Exists(dir + "/VATJEDEN.TXT");
    if (per_station && !local_marker) return true;
  }
  Status made = xbase::Table::Create(env, path, ProgramFields());
  auto opened = made.ok() ? OpenWithWait(session, kSingleInstanceArea, path, "program", true, 1)
                          : Result<xbase::WorkArea*>(made);
  if (!opened.ok()) {
    if (opened.status().IsBusy()) {
      console::Okno_(session.con(), "Program juz otwarty na pasku", 5);
      return false;
    }
    console::Okno_(session.con(), "Co jest grane ?", 5);
    return true;
  }
  StampStart(session, **opened);
  return true;
}

}  // namespace hurt::shell
