// Sub-menu FUNKCJE SPECJALNE: backups, month close, clock, company data, period change,
// maintenance and the installer's own items.
#include "base/cp852.h"
#include "base/date.h"
#include "base/numeric.h"
#include "base/text.h"
#include "console/keys.h"
#include "console/message_window.h"
#include "documents/stock_correction.h"
#include "invoicing/amount_search.h"
#include "maintenance/month_close.h"
#include "maintenance/period_change.h"
#include "maintenance/period_keys.h"
#include "maintenance/zeroing.h"
#include "session/helpers.h"
#include "session/init_tables.h"
#include "session/not_built.h"
#include "session/output/report_copy.h"
#include "session/session.h"
#include "session/store_ui.h"
#include "session/viewer.h"
#include "settlements/ledger_rebuild.h"
#include "shell/backup_screens.h"
#include "shell/company.h"
#include "shell/file_picker.h"
#include "shell/mail_settings_screen.h"
#include "shell/main_screen.h"
#include "shell/menu_tree.h"
#include "shell/menu_tree_internal.h"
#include "shell/startup_util.h"
#include "shell/text_file_editor.h"
#include "xbase/file_util.h"

namespace hurt::shell {

using namespace hurt::literals;
using menu::kReopen;
using menu::SubMenuItem;

namespace {

// K_MIES_FK: the last day of the period being worked on; nullopt when the period is
// unknown. The closing period 13 ends with the year.
std::optional<JulianDay> PeriodEnd(Session& session) {
  const std::string hh = menu::WorkPeriod(session);  // "yy/mm"
  if (hh.size() < 5) return std::nullopt;
  const int year = static_cast<int>(Val(session::FourDigitYear(hh.substr(0, 2))));
  int mm = static_cast<int>(Val(hh.substr(3, 2)));
  if (mm == 13) mm = 12;
  if (mm < 1 || mm > 12 || year < 1900) return std::nullopt;
  return JulianFromYmd(year, mm, DaysInMonth(year, mm));
}

bool TooEarlyToClose(Session& session) {
  const std::optional<JulianDay> end = PeriodEnd(session);
  return end.has_value() && *end - session.Today() > 3;
}

// USTAW_CZAS: the date and time are the operating system's; the program only reads them.
void UstawCzas(Session& session) {
  console::Okno_(session.con(), "Zegar ustawia system operacyjny - zmien date i czas w systemie", 3);
}

// A message window that waits up to `seconds` and tells which key ended it (kNone when
// the time ran out).
int OknoKey(Session& session, std::string_view text, int seconds) {
  console::Console& con = session.con();
  const console::SavedRegion saved = console::SaveOknoArea(con);
  const console::CursorState cursor = con.cursor();
  console::DrawOknoBox(con, text, con[console::Role::kAlertFrame], con[console::Role::kErrorText]);
  const int k = con.Inkey(seconds);
  con.Restore(saved);
  con.SetCursorState(cursor);
  return k;
}

// Item 5: the month close, after the warnings for a period that has not ended yet. The
// close goes ahead only when the operator, warned, presses a key other than Esc; letting
// the warnings time out closes nothing.
int ZamkniecieOkresu(Session& session) {
  console::Console& con = session.con();
  if (session.InArchive()) {
    console::Okno_(con, "Praca w archiwum - blokada", 3);
    return kReopen;
  }
  // A close cut short after the new month became current is finished first.
  if (!maintenance::UnfinishedCloseInto(session).empty()) {
    (void)maintenance::MClose(session);
    return kReopen;
  }
  if (session.FileX("tylko.fan")) {
    const std::optional<std::string> next = maintenance::NextPeriod(session.hh());
    if (next && session.env().Exists(session.Path(*next + "/as.dbf"))) {
      (void)maintenance::MCloseFaN(session);
      return kReopen;
    }
  }
  if (TooEarlyToClose(session)) {
    const int k = OknoKey(session, "NIE ZAMYKAJ JESZCZE MIESIACA !", 5);
    if (k == console::key::kEsc) {
      console::Okno_(con, "Szukasz kłopotów czy masz złą datę ?"_pl);
      UstawCzas(session);
    }
    if (TooEarlyToClose(session)) {
      console::Okno_(con, "NAROBISZ JAJ !!!  BAW SIE CZYMŚ INNYM !"_pl, 5);
      console::Okno_(con, AllTrim(session.op().nazwisko) + std::string(" szukasz kłopotów !"_pl), 7);
      const int last = OknoKey(session, "ESC - Wyjscie", 7);
      if (last == console::key::kEsc || last == console::key::kNone) return kReopen;
    }
  }
  (void)maintenance::MClose(session);
  return kReopen;
}

// Item 11: the settings are kept in KONIEC.TXT while the data are zeroed (ZEROWANIE).
// Without that copy nothing is zeroed.
int Zerowanie(Session& session) {
  const std::string settings = session.Path("parametr.mem");
  const std::string keep = session.Path("koniec.txt");
  if (session.env().Exists(settings) && !session::CopyFileReplacing(session.env(), settings, keep).ok()) {
    console::Okno_(session.con(), "Plik koniec.txt niedostepny - zerowanie nie wykonane", 3);
    return kReopen;
  }
  const bool open = maintenance::Zerowanie(session);
  // A copy left behind is only a spare: the settings file itself is untouched.
  if (session.env().Exists(keep)) (void)session.env().Remove(keep);
  return open ? kReopen : kMenuEnd;
}

// Item 16: the reorganisation. Every other station must be out, which holding firma
// exclusively shows; the start-up build in its stock-correction mode then rebuilds every
// index and puts the article cards back to their month opening, and the reconciliation
// (KOREKTA_AS) applies the month's documents to them again; last the settlement ledger
// is rebuilt from the headers and the settled batches (ZO_FN_KOR). When the build fails
// (it has told why) the tables are closed and the work ends.
int Reorganizacja(Session& session) {
  console::Console& con = session.con();
  if (!console::Okno(con, "Czy masz na to czas ?")) return kReopen;
  const std::string firma = session.Path("firma.dbf");
  (void)session.areas().Close(1);
  if (!OpenWithWait(session, 1, firma, "firma", true, 1).ok()) {
    const bool back = OpenWithWait(session, 1, firma, "firma", false, 1).ok();
    console::Okno_(con, "Wszyscy musza wyjsc z programu", 3);
    return back ? kReopen : kMenuEnd;
  }
  // The marker goes up before the cards are reset: a run cut short anywhere after this
  // point is told at the next start.
  if (!xbase::WriteWholeFile(session.env(), session.Path(std::string(documents::kKorektaMarker)),
                             "Reorganizacja zbiorow w toku\r\n")
           .ok()) {
    console::Okno_(con, "REORGANIZACJA NIEUDANA", 3);
    return kReopen;
  }
  if (!session::InitNtx(session, "z korekta As")) return kMenuEnd;
  console::OknoNoWait(con, "Uzgadnianie stanow magazynowych - prosze czekac ...");
  console::Okno_(con, "Indeksy odbudowane");
  auto done = documents::KorektaAs(session, [&](long n, long total) {
    console::OknoNoWait(con, "Uzgadnianie stanow magazynowych: " + std::to_string(n) + " z " + std::to_string(total));
  });
  if (!done.ok()) {
    console::Okno_(con, "REORGANIZACJA NIEUDANA", 3);
    return kReopen;
  }
  console::Okno_(con, "Stany uzgodnione z " + std::to_string(done->lines) + " pozycjami dowodow", 3);
  if (done->missing_cards > 0) {
    console::Okno_(con, "Brak kartotek dla " + std::to_string(done->missing_cards) + " pozycji dowodow", 5);
  }
  // The settlement ledger rebuilt from the headers and the settled batches (ZO_FN_KOR).
  session::ConsoleStoreUi ui(con);
  auto ledger = settlements::ZoFnKor(session, ui);
  if (!ledger.ok()) {
    console::Okno_(con, "ODBUDOWA ROZRACHUNKOW NIEUDANA: " + ledger.status().message(), 5);
    return kReopen;
  }
  console::Okno_(con, "Rozrachunki odbudowane, pozycji: " + std::to_string(ledger->open_items), 3);
  return kReopen;
}

int UwagiOperatorow(Session& session) {
  const int c = menu::SmallChoice(session, 17, 50, {" Uwagi bieżące "_pl, " Archiwum ", " Użyto hasła A----- "_pl});
  std::optional<std::string> picked;
  if (c == 1) {
    session::ViewDruk(session, nullptr, "operator.txt");
  } else if (c == 2) {
    picked = WybierzPlik(session, "Archiwum", {"KANT", "OPERATOR"}, "*");
  } else if (c == 3) {
    // The failure log (bledy.txt) and its kept copies, in the data directory.
    picked = WybierzPlik(session, "Użyto hasła A-----"_pl, {""}, "bledy*.txt");
  }
  // The picked name is spelt as on disk ("KANT/..."): given whole, it is not lower-cased.
  if (picked) session::ViewDruk(session, nullptr, session.root() + "/" + *picked);
  return kReopen;
}

// Items 16-18: the program ends with exit code 101..103 for the calling batch file.
int InstallerItem(Session& session, int n) {
  const std::string text = AllTrim(session.settings().Text("J_WITEK" + std::to_string(n)));
  if (XbaseEquals(Upper(text), "ZEROWANIE") && !console::Okno(session.con(), "Czy na pewno zerowac ?")) return kReopen;
  return kExitInstaller1 + n - 1;
}

}  // namespace

int Specjalne(Session& session) {
  const session::OperatorRights& op = session.op();
  const bool boss = menu::IsSupervisor(session);
  const bool archive = session.InArchive();
  const bool limited = op.Prawa1(3);
  auto later = [&session](const char* name) {
    return [&session, name] {
      session::NotBuilt(session, name);
      return kReopen;
    };
  };

  std::string witek[3];
  int installer_items = 0;
  for (int i = 0; i < 3; ++i) {
    witek[i] = session.settings().Text("J_WITEK" + std::to_string(i + 1));
    if (!IsBlank(witek[i])) installer_items = i + 1;
  }

  menu::SubMenu m;
  m.letter = 'S';
  m.main_item = kSpecjalne;
  m.position = "K_SPECJALNE";
  m.top = 0, m.left = 42, m.right = 79;
  m.bottom = installer_items == 0 ? 20 : 21 + installer_items;
  m.separators = {6, 8, 13, 20};
  m.blocked = [&session](int item) -> std::string {
    const std::string nn = std::string(1, static_cast<char>('0' + item / 10)) + static_cast<char>('0' + item % 10);
    return session.FileX("BLOKUJ.5" + nn) ? "opcja wygasla" : "";
  };

  std::vector<SubMenuItem>& it = m.items;
  it.push_back(menu::Item(2, " Edycja bazy BLAT                   ", true, false, [&session] {
    if (menu::IsSupervisor(session)) {
      ZrobBlatDbf(session);
    } else {
      console::Okno_(session.con(), "Zbyt male prawa,  nr # 0");
    }
    return kReopen;
  }));
  const bool backups = op.Prawa(12) && !archive && !limited;
  it.push_back(menu::Item(3, " Kopiowanie zbiorów na PENa         "_pl, backups, false, [&session] { return KopiowanieNaPena(session); }));
  it.push_back(menu::Item(4, "*Odtwarzanie zbiorów z PENa         "_pl, backups, true, [&session] { return OdtwarzanieZPena(session); }));
  it.push_back(menu::Item(5,
                          session.FileX("BUCHALT.TXT") ? " Kopiowanie zbiorów dla BUCHALTERA  "_pl
                                                       : " Kopiowanie zbiorów dla systemu F-K "_pl,
                          true, false, [&session] {
                            const int c = menu::SmallChoice(
                                session, 6, 44, {"1. Kopiowanie od dnia do dnia", "2. Kopiowanie nowych zapisow "});
                            if (c == 1) session::NotBuilt(session, "KOP_DLA_FK");
                            if (c == 2) session::NotBuilt(session, "KOP2_DLA_FK");
                            return kReopen;
                          }));
  it.push_back(menu::Item(7, "*Zamkniecie okresu obrachunkowego   ", true, true,
                          [&session] { return ZamkniecieOkresu(session); }));
  it.push_back(menu::Item(9, " Ustawienie BO kasy                 ", true, true, later("USTAW_DATE")));
  it.push_back(menu::Item(10, " Ustawienie zegara  /daty i czasu/  ", true, false, [&session] {
    UstawCzas(session);
    return kReopen;
  }));
  it.push_back(menu::Item(11, " Edycja danych o firmie             ", boss, false, [&session] {
    if (session.areas().Area(1) == nullptr) {
      console::Okno_(session.con(), "Plik firma niedostepny", 3);
    } else {
      (void)EdFirmy(session);
    }
    return kReopen;
  }));
  it.push_back(menu::Item(12, std::string(36, ' '), false, true, nullptr));
  it.push_back(menu::Item(14, "*Zmiana bieżacego okresu obrach.    "_pl, op.Prawa(10) && !limited, true,
                          [&session] { return maintenance::ZmBmr(session) ? kReopen : kMenuEnd; }));
  it.push_back(menu::Item(15, "*Opcja administratora - zerowanie   ", boss, true,
                          [&session] { return Zerowanie(session); }));
  it.push_back(menu::Item(16, " Reorganizacja zbiorow /uzgodnienia/", true, true,
                          [&session] { return Reorganizacja(session); }));
  it.push_back(menu::Item(17, " Uwagi o pracy operatorów           "_pl,
                          boss || (op.Prawa(1) && !limited && session.settings().Yes("J_KANTY")), false,
                          [&session] { return UwagiOperatorow(session); }));
  it.push_back(menu::Item(18, " Edytor wydrukow                    ", boss, false, [&session] {
    Medit(session);
    return kReopen;
  }));
  const bool dostawcy = session.FileX("DOSTAWCY.XXX");
  it.push_back(menu::Item(19, dostawcy ? " Szukanie kwoty " : " Scalanie paragonów (SD)            "_pl,
                          !archive && !ToJestKasa(session), false,
                          dostawcy ? menu::ItemAction([&session] {
                            invoicing::SzukanieKwoty(session, false);
                            return kReopen;
                          })
                                   : menu::ItemAction([&session] {
                                       // SD_SCAL: merging the day's retail receipts into one document.
                                       console::OknoLines(session.con(),
                                                          {std::string("Scalanie paragonów (SD)"_pl), std::string("Niedostępne - brak "_pl),
                                                           "zasad scalania dowodow SD"},
                                                          3);
                                       return kReopen;
                                     })));
  for (int i = 0; i < installer_items; ++i) {
    it.push_back(menu::Item(21 + i, PadR(" " + RTrim(witek[i]), 36), !IsBlank(witek[i]), false,
                            [&session, i] { return InstallerItem(session, i + 1); }));
  }
  return menu::RunSubMenu(session, m);
}

}  // namespace hurt::shell
