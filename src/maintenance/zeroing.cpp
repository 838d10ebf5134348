#include "maintenance/zeroing.h"

#include <algorithm>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "base/cp852.h"
#include "base/text.h"
#include "console/console.h"
#include "console/menu.h"
#include "console/message_window.h"
#include "maintenance/firma_alone.h"
#include "maintenance/zeroing_tables.h"
#include "session/init_tables.h"
#include "session/operator_rights.h"
#include "session/operators_table.h"
#include "session/session.h"

namespace hurt::maintenance {

namespace {

using namespace hurt::literals;

// firma, which the work holds, and the station's single-instance lock stay open.
constexpr std::array<int, 2> kKeptAreas = {1, 149};

constexpr int kListRow = 2;    // the tables done, one a row, from here
constexpr int kListColumn = 62;
constexpr int kMenuRow = 21;   // the three ways, below the message windows
constexpr int kMenuColumn = 30;

// The explaining screen.
void Explain(console::Console& con) {
  con.Clear();
  con.Say(1, 20, "Z E R O W A N I E   Z B I O R O W");
  con.Say(3, 2, "1. Zerowanie lagodne");
  con.Say(4, 5, "usuwa stany magazynowe, salda rozrachunkow i wszystkie dowody");
  con.Say(5, 5, "biezacego miesiaca; zostaja kartoteki towarow (bez stanow)");
  con.Say(6, 5, "i kontrahenci (z zerowymi saldami); liczniki dowodow zerowane.");
  con.Say(8, 2, "2. Zerowanie pelne");
  con.Say(9, 5, "wybrane zbiory sa kasowane calkowicie.");
  con.Say(11, 2, "3. Czyszczenie PACK");
  con.Say(12, 5, "fizyczne usuniecie skasowanych rekordow.");
  con.Say(14, 2, "UWAGA !  Zerowania lagodnego i pelnego nie mozna cofnac.");
}

// The screen while the tables are done: their names one under another.
class DoneList {
 public:
  explicit DoneList(console::Console& con) : con_(con) { con_.Clear(); }
  void operator()(std::string_view name) { con_.Say(row_++, kListColumn, name); }

 private:
  console::Console& con_;
  int row_ = kListRow;
};

// Every index rebuilt and the session opened again (firma then shared again).
bool Reopen(session::Session& s) { return session::InitNtx(s); }

// A table that failed is as it was, and so are the ones after it.
void Failed(console::Console& con, const std::string& table) {
  std::vector<std::string> lines = {"ZEROWANIE NIEUDANE"};
  if (!table.empty()) lines.push_back("Zbior " + table + " bez zmian");
  lines.emplace_back("Powtorz zerowanie");
  console::OknoLines(con, lines, 5);
}

bool CloseTables(session::Session& s) {
  if (s.areas().CloseAll(kKeptAreas).ok()) return true;
  console::Okno_(s.con(), "Nie moge zamknac plikow", 3);
  return false;
}

// Options 1 and 3: the work over the period's tables, listed, then "Koniec".
using ListedTables = std::function<Status(const TableDone& done, std::string* failed)>;
void ListedWork(session::Session& s, const ListedTables& work) {
  console::Console& con = s.con();
  if (!CloseTables(s)) return;
  DoneList list(con);
  std::string failed;
  const Status st = work([&](std::string_view name) { list(name); }, &failed);
  if (!st.ok()) {
    Failed(con, failed);
    return;
  }
  console::Okno_(con, "Koniec", 0);
}

// One table of the full zeroing's list.
struct ListedTable {
  std::string label;  // "_AS_________"
  std::string dbf;    // its file
};

constexpr int kLabelWidth = 12;
constexpr std::string_view kPasswordsLabel = "_HASŁO______"_pl;
constexpr std::string_view kLeaveLabel = "_WYJSCIE____";

std::string LabelOf(std::string_view alias) {
  std::string label = "_" + Upper(AllTrim(alias));
  if (label.size() < kLabelWidth) label.append(kLabelWidth - label.size(), '_');
  return label;
}

// The tables the session has open (firma and the single-instance lock aside).
std::vector<ListedTable> OpenTables(session::Session& s) {
  std::vector<ListedTable> out;
  for (int area = 2; area <= xbase::WorkAreas::kMaxArea; ++area) {
    if (area == kKeptAreas[1]) continue;
    const xbase::WorkArea* a = s.areas().Area(area);
    if (a != nullptr) out.push_back({LabelOf(a->alias()), a->path()});
  }
  return out;
}

// "_HASŁO______": every operator without a password.
void ClearPasswords(session::Session& s) {
  console::Console& con = s.con();
  if (!console::Okno(con, "Skasowac hasla operatorow ?", "N")) return;
  Status st = session::operators::OpenPrawa(s);
  xbase::WorkArea* prawa = s.areas().Area(session::operators::kPrawaArea);
  if (st.ok() && prawa == nullptr) st = Status::NotFound("prawa");
  if (st.ok()) {
    prawa->SetDeletedHidden(false);
    st = prawa->GoTop();
    std::vector<uint32_t> records;
    while (st.ok() && !prawa->eof()) {
      records.push_back(prawa->recno());
      st = prawa->Skip();
    }
    for (uint32_t recno : records) {
      if (st.ok()) st = session::operators::StorePassword(s, *prawa, recno, "");
    }
  }
  session::operators::ClosePrawa(s);
  console::Okno_(con, st.ok() ? std::string("Hasla operatorow skasowane") : "Hasla nie skasowane: " + st.message(), 3);
}

// The alias in a label, without its underscores.
std::string AliasOf(std::string_view label) {
  const size_t first = label.find_first_not_of('_');
  const size_t last = label.find_last_not_of('_');
  return first == std::string_view::npos ? std::string() : std::string(label.substr(first, last - first + 1));
}

// Option 2: the list of tables, each chosen one emptied.
void FullZeroing(session::Session& s) {
  console::Console& con = s.con();
  const std::vector<ListedTable> tables = OpenTables(s);
  if (!CloseTables(s)) return;
  std::vector<std::string> items;
  for (const ListedTable& t : tables) items.push_back(t.label);
  items.emplace_back(kPasswordsLabel);
  items.emplace_back(kLeaveLabel);
  const console::VectorListSource source(items);
  const int bottom = std::min(2 + static_cast<int>(items.size()) + 1, 20);
  con.Clear();
  con.Say(1, 30, "ZEROWANIE  ZBIOROW");
  int at = 1;
  bool zeroed = false;
  for (;;) {
    console::PickList list(con, source, 2, 30, bottom, 30 + kLabelWidth + 1, true);
    const console::PickResult r = list.Run(at);
    if (r.choice == 0 || r.choice == static_cast<int>(items.size())) break;
    at = r.choice;
    if (r.choice == static_cast<int>(items.size()) - 1) {
      ClearPasswords(s);
      continue;
    }
    const ListedTable& t = tables[static_cast<size_t>(r.choice - 1)];
    if (!console::Okno(con, "Czy na pewno zerowac ?", "N")) continue;
    const Status st = ZerujTabele(s.env(), s.areas(), t.dbf);
    if (st.ok()) {
      zeroed = true;
      console::Okno_(con, "Wyzerowano " + AliasOf(t.label), 2);
    } else {
      Failed(con, Lower(AliasOf(t.label)));
    }
  }
  // A table emptied alone leaves the others pointing at it (lines without a header,
  // stock without documents): the reorganisation brings them into line.
  if (zeroed) {
    console::OknoLines(con, {"Pozostale zbiory moga nie pasowac", "do wyzerowanych - wykonaj",
                             "Reorganizacje zbiorow /uzgodnienia/"}, 5);
  }
}

enum class Way { kSoft = 1, kFull = 2, kPack = 3 };

// The menu of the three ways; 0 after Esc.
int ChooseWay(console::Console& con) {
  console::Menu m(con);
  m.Prompt(kMenuRow, kMenuColumn, "1. Zerowanie lagodne");
  m.Prompt(kMenuRow + 1, kMenuColumn, "2. Zerowanie pelne  ");
  m.Prompt(kMenuRow + 2, kMenuColumn, "3. Czyszczenie PACK ");
  return m.Run().choice;
}

}  // namespace

bool Zerowanie(session::Session& s) {
  console::Console& con = s.con();
  if (s.InArchive()) {
    console::Okno_(con, "Praca w archiwum - blokada", 3);
    return true;
  }
  switch (TakeFirmaAlone(s)) {
    case FirmaAlone::kOthersWork: return true;
    case FirmaAlone::kLost: return false;
    case FirmaAlone::kTaken: break;
  }

  const console::SavedScreen screen = con.SaveScreen();
  Explain(con);
  if (s.FileX(kZerowanieMarker)) {
    console::OknoLines(con, {"Poprzednie zerowanie nie skonczone", "Powtorz je"}, 5);
  }
  // The menu comes back after a wrong password or "N"; one way done ends the zeroing.
  bool worked = false;  // the session's tables were closed for the work
  while (!worked) {
    Explain(con);
    const int way = ChooseWay(con);
    if (way == 0) break;
    if (!session::Haslo(s, session::HasloKind::kZeroing)) continue;
    switch (static_cast<Way>(way)) {
      case Way::kSoft:
        if (!console::Okno(con, "Czy na pewno zerowac ?", "N")) continue;
        ListedWork(s, [&](const TableDone& told, std::string* failed) { return ZerujLagodnie(s, told, failed); });
        break;
      case Way::kFull:
        FullZeroing(s);
        break;
      case Way::kPack:
        if (!console::Okno(con, "Czy na pewno czyscic zbiory ?", "N")) continue;
        ListedWork(s, [&](const TableDone& told, std::string* failed) { return PakujTabele(s, told, failed); });
        break;
    }
    worked = true;
  }
  con.RestoreScreen(screen);
  return worked ? Reopen(s) : GiveFirmaBack(s);
}

}  // namespace hurt::maintenance
