#include "shell/rescue.h"

#include <algorithm>

#include "base/cp852.h"
#include "base/text.h"
#include "console/message_window.h"
#include "session/init_tables.h"
#include "session/session.h"
#include "session/settings_rules.h"
#include "shell/startup_util.h"
#include "shell/station.h"
#include "shell/station_single.h"
#include "store/schema.h"
#include "xbase/dbf_repair.h"
#include "xbase/table.h"

namespace hurt::shell {

using namespace literals;

namespace {

constexpr int kFrameTop = 16;
constexpr int kFrameLeft = 32;
constexpr int kFrameBottom = 19;
constexpr int kFrameRight = 68;
constexpr int kBarRow = 18;
constexpr int kBarCol = 35;
constexpr int kBarWidth = 31;

// Working-line tables of the stations: d1.dbf, d01.dbf …
bool IsWorkingLineTable(std::string_view name) {
  std::string base = Lower(name.substr(0, name.size() - 4));
  if (base.size() < 2 || base[0] != 'd') return false;
  return std::all_of(base.begin() + 1, base.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string SiblingPath(const std::string& dbf_path, std::string_view suffix, std::string_view ext) {
  return dbf_path.substr(0, dbf_path.size() - 4) + std::string(suffix) + std::string(ext);
}

void DrawFrame(console::Console& con, const std::string& shown_path) {
  con.Clear();
  con.Box(kFrameTop, kFrameLeft, kFrameBottom, kFrameRight, console::DoubleFrame(), con.colours().standard);
  std::string title = " Rekonstrukcja zbioru " + shown_path;
  int inner = kFrameRight - kFrameLeft - 1;
  con.Say(kFrameTop, kFrameLeft + 1, PadC(Left(title, inner), static_cast<size_t>(inner), static_cast<char>(0xCD)));
  con.Say(kBarRow, kBarCol, Replicate("▒"_pl, kBarWidth));
  con.Refresh();
}

void DrawProgress(console::Console& con, uint32_t done, uint32_t total) {
  int filled = total == 0 ? kBarWidth : static_cast<int>(static_cast<double>(done) / total * kBarWidth);
  filled = std::clamp(filled, 0, kBarWidth);
  con.Say(kBarRow, kBarCol, Replicate("█"_pl, static_cast<size_t>(filled)));
  con.Refresh();
}

console::Attr BlackOnWhite() {
  auto attr = console::ParseAttr("N/W");
  return attr.ok() ? *attr : console::Attr{};
}

std::vector<xbase::DbfFieldDescriptor> WorkingLineFields(Session& session) {
  std::vector<xbase::DbfFieldDescriptor> out;
  for (const store::Field& f : store::ResolveFields(store::Table(store::TableId::kDd), session.Markers()))
    out.push_back({f.name, static_cast<char>(f.type), f.width, f.decimals});
  return out;
}

// Makes a table of `fields` at `target` (replacing it) through a new file renamed into place.
Status ReplaceWithEmpty(Session& session, const std::string& target,
                        const std::vector<xbase::DbfFieldDescriptor>& fields) {
  xbase::Env& env = session.env();
  const std::string fresh = SiblingPath(target, "_r", ".dbf");
  HURT_RETURN_IF_ERROR(xbase::Table::Create(env, fresh, fields));
  const std::string fresh_memo = SiblingPath(target, "_r", ".dbt");
  if (env.Exists(fresh_memo)) HURT_RETURN_IF_ERROR(env.Rename(fresh_memo, SiblingPath(target, "", ".dbt")));
  return env.Rename(fresh, target);
}

// A table whose header counts more records than its file holds cannot be rebuilt as it
// is. The operator is told so, with both counts and the name of the copy that will keep
// the original, and asked whether the count may be set to the whole records present.
// True when the table may be rebuilt now (it was sound, or it was mended).
bool OfferCountRepair(Session& session, const std::string& path, const std::string& shown) {
  console::Console& con = session.con();
  xbase::Env& env = session.env();
  auto count = xbase::CountDbfRecords(env, path);
  if (!count.ok() || !count->short_file()) return true;  // anything else: the rebuild tells
  auto copy = xbase::RepairCopyName(env, path);
  if (!copy.ok()) return false;
  const std::string whole = std::to_string(count->whole);
  console::OknoLines(con,
                     {"Plik " + shown + " krotszy niz naglowek",
                      "naglowek: " + std::to_string(count->header) + " rek.", "w pliku: " + whole + " rek.",
                      "kopia pliku: " + Right(copy->substr(copy->rfind('/') + 1), 28)},
                     0);
  if (!console::Okno(con, "Ustawic liczbe rekordow na " + whole + " ?", "N")) return false;
  auto repaired = xbase::RepairDbfRecordCount(env, path, *copy);
  if (!repaired.ok()) {
    console::Okno_(con, "Nie naprawiono pliku " + shown, 3);
    return false;
  }
  return true;
}

}  // namespace

std::vector<std::string> TablesToRebuild(const std::vector<std::string>& names) {
  std::vector<std::string> out;
  for (const std::string& name : names) {
    std::string upper = Upper(name);
    if (upper.size() <= 5 || upper.size() < 4 || upper.substr(upper.size() - 4) != ".DBF") continue;
    if (upper == "XXX.DBF" || upper.find('-') != std::string::npos || upper.find('_') != std::string::npos) continue;
    out.push_back(name);
  }
  std::sort(out.begin(), out.end());
  return out;
}

Status RebuildTable(Session& session, const std::string& dbf_path, bool empty,
                    const std::function<void(uint32_t, uint32_t)>& progress) {
  xbase::Env& env = session.env();
  const std::string fresh = SiblingPath(dbf_path, "_r", ".dbf");
  const std::string fresh_memo = SiblingPath(dbf_path, "_r", ".dbt");
  for (const std::string& leftover : {fresh, fresh_memo})
    if (env.Exists(leftover)) HURT_RETURN_IF_ERROR(env.Remove(leftover));

  auto source = xbase::Table::Open(env, dbf_path, xbase::TableMode::Exclusive());
  HURT_RETURN_IF_ERROR(source.status());
  Status copied = [&]() -> Status {
    HURT_RETURN_IF_ERROR(xbase::Table::Create(env, fresh, (*source)->fields()));
    auto target = xbase::Table::Open(env, fresh, xbase::TableMode::Exclusive());
    HURT_RETURN_IF_ERROR(target.status());
    if (!empty) HURT_RETURN_IF_ERROR(CopyRecords(**source, **target, progress).status());
    HURT_RETURN_IF_ERROR((*target)->Commit());
    return (*target)->Close();
  }();
  if (!copied.ok()) {
    if (env.Exists(fresh)) (void)env.Remove(fresh);
    if (env.Exists(fresh_memo)) (void)env.Remove(fresh_memo);
    return copied;
  }
  // The copy is whole and on disk: it takes the table's place (memo file first, so that
  // the table never points into a memo file that is not its own for longer than a rename).
  const std::string memo = (*source)->memo_path();
  if (!memo.empty() && env.Exists(fresh_memo)) HURT_RETURN_IF_ERROR(env.Rename(fresh_memo, memo));
  HURT_RETURN_IF_ERROR(env.Rename(fresh, dbf_path));
  return (*source)->Close();
}

OdswiezReport Odswiez(Session& session, std::string_view dir) {
  OdswiezReport report;
  console::Console& con = session.con();
  std::string folder = RemoveBlanks(dir);
  for (char& c : folder)
    if (c == '\\') c = '/';
  while (!folder.empty() && folder.back() == '/') folder.pop_back();
  const std::string full = folder.empty() ? session.root() : session.root() + "/" + Lower(folder);
  auto names = session.env().ListDir(full);
  if (!names.ok()) {
    report.failed.push_back(folder + ": " + names.status().message());
    return report;
  }
  const bool station_folder = Lower(folder) == "rob" || Lower(Left(folder, 4)) == "rob/";
  for (const std::string& name : TablesToRebuild(*names)) {
    const std::string path = full + "/" + name;
    const std::string shown = Upper(folder.empty() ? name : folder + "/" + name);
    DrawFrame(con, shown);
    Status done;
    if (IsWorkingLineTable(name)) {
      done = ReplaceWithEmpty(session, path, WorkingLineFields(session));
    } else if (!OfferCountRepair(session, path, shown)) {
      done = Status::Corruption(path + ": the header counts more records than the file holds");
    } else {
      DrawFrame(con, shown);
      done = RebuildTable(session, path, station_folder, [&](uint32_t n, uint32_t total) {
        DrawProgress(con, n, total);
        if (n == total) {
          con.Say(kBarRow, kBarCol, "        NIE PRZERYWAC !        ", BlackOnWhite());
          con.Refresh();
        }
      });
    }
    std::string relative = folder.empty() ? name : folder + "/" + name;
    if (done.ok()) {
      report.rebuilt.push_back(relative);
    } else {
      report.failed.push_back(relative + ": " + done.message());
      console::Okno_(con, "Plik " + shown + " niedostepny", 3);
    }
  }
  return report;
}

bool Ratunek(Session& session) {
  console::Console& con = session.con();
  if (session.InArchive()) {
    console::Okno_(con, "Praca w archiwum - blokada");
    return false;
  }
  const std::string settings = session::SettingsPath(session.root());
  if (session.env().Exists(settings)) (void)CopyFileWhole(session.env(), settings, session.Path("koniec.txt"));
  (void)session.areas().Close(1);

  const std::string firma_path = session.Path("firma.dbf");
  if (!session.env().Exists(firma_path)) return true;  // a new installation: nothing to rescue
  auto firma = OpenWithWait(session, 1, firma_path, "firma", true, 1);
  if (!firma.ok()) {
    console::Okno_(con, "Wszyscy musza wyjsc z programu", 3);
    auto shared = OpenWithWait(session, 1, firma_path, "firma", false, 1);
    if (!shared.ok()) {
      OutNet(session);
      con.Clear();
      (void)session.areas().CloseAll();
    }
    return false;
  }
  TakePeriodFromFirma(session);
  // firma stays held exclusively: no station may start while the tables are rebuilt.
  const int keep[] = {1, kSingleInstanceArea};
  (void)session.areas().CloseAll(keep);
  console::Okno_(con, "NIE WOLNO PRZERWAC");
  // A company record without a valid period names no folder: the build below finds one.
  if (!session.hh().empty()) Odswiez(session, session.hh());
  session::InitNtx(session);
  return true;
}

}  // namespace hurt::shell
