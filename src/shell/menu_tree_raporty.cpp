// Sub-menu RAPORTY with its two menus of cash reports and VAT registers.
#include "base/cp852.h"
#include "base/text.h"
#include "catalogues/kind_catalogue.h"
#include "console/menu.h"
#include "invoicing/document_summary.h"
#include "console/message_window.h"
#include "reports/activity_statement_screen.h"
#include "reports/daily_report_screen.h"
#include "reports/movement_statement_screen.h"
#include "reports/register_export.h"
#include "reports/turnover_report.h"
#include "reports/vat_register_screen.h"
#include "shell/archive_menu.h"
#include "session/not_built.h"
#include "session/session.h"
#include "shell/menu_tree.h"
#include "shell/menu_tree_internal.h"

namespace hurt::shell {

using namespace hurt::literals;
using menu::kReopen;
using menu::SubMenuItem;

namespace {

// One prompt of a report menu and the routine it runs.
struct ReportPrompt {
  std::string_view text;
  std::string_view routine;
};

// A boxed menu of report prompts (rows top+1 ...); the chosen routine runs once. The box
// is restored afterwards.
void ReportMenu(Session& session, int top, int left, int bottom, int right, const std::vector<ReportPrompt>& prompts,
                const std::function<void(int)>& run) {
  console::Console& con = session.con();
  const console::SavedRegion saved = con.Save(top, left, bottom, right);
  con.Box(top, left, bottom, right, console::SingleFrame(), con.colours().standard, ' ');
  console::Menu m(con);
  for (size_t i = 0; i < prompts.size(); ++i) m.Prompt(top + 1 + static_cast<int>(i), left + 1, std::string(prompts[i].text));
  const int c = m.Run().choice;
  con.Restore(saved);
  if (c > 0) run(c);
}

// A report of the VAT-register menu that this program does not make yet: the operator is
// told what it would need (a line of at most 41 characters).
struct InactiveReport {
  int item;
  std::string_view needs;
};
constexpr InactiveReport kInactiveReports[] = {
    {5, "rejestrow miesiecy zapisanych do VAT_R"},
    {6, "raportow dobowych drukarki fiskalnej"},
    {7, "cen sklepowych przesuniec na sklepy"},
    {8, "cen katalogowych pozycji faktur"},
    {9, "cen katalogowych pozycji faktur"},
    {10, "cen katalogowych pozycji faktur"},
    {11, "utargow sklepow z kas"},
    {12, "utargow sklepow z kas"},
    {13, "szczegolow - patrz Raport z dzialalnosci"},
    {15, "uzgodnienia paragonow z drukarka (SD_FISK)"},
    {17, "magazynu komisowego (J_MAG_K)"},
};

// The cash reports other than the daily ones: they need a cash book with its opening
// balance, or data kept per operator or per month, that this program does not keep.
constexpr InactiveReport kInactiveCashReports[] = {
    {2, "ksiegi kasowej z bilansem otwarcia (BO)"},
    {3, "ksiegi kasowej z bilansem otwarcia (BO)"},
    {4, "stanow kasy na poczatek kazdego dnia"},
    {5, "kwot przekazanych przez kasjerow"},
    {6, "planow sprzedazy operatorow (P01-P12)"},
    {9, "historii wplat z miesiecy archiwalnych"},
    {10, "historii wplat z miesiecy archiwalnych"},
    {11, "zestawien sprzedazy wg sposobu zaplaty"},
    {12, "ksiegi kasowej w walutach obcych"},
    {13, "kodu opiekuna w dowodach wplat KP"},
};

// Item `c` of a report menu that runs nothing here: its window saying what it would need,
// or "niedostępna" for one not listed.
template <size_t N>
void TellNotMade(Session& session, const std::vector<ReportPrompt>& prompts, const InactiveReport (&inactive)[N], int c) {
  const ReportPrompt& prompt = prompts[static_cast<size_t>(c - 1)];
  for (const InactiveReport& r : inactive) {
    if (r.item != c) continue;
    console::OknoLines(session.con(), {AllTrim(prompt.text), std::string("Niedostępne - brak "_pl), std::string(r.needs)},
                       3);
    return;
  }
  session::NotBuilt(session, prompt.routine);
}

// _RAPORTY: the cash reports; the operators' reports only where operators keep cash.
// The daily report runs; the agents' and the sales/costs variants are the same report.
void CashReports(Session& session) {
  std::vector<ReportPrompt> prompts = {
      {" Raport dzienny ", "RAP_1"},
      {" Raport kasowy   ver. 0 ", "RAP_RK"},
      {" Raport kasowy   ver. 1 ", "RAP_FV"},
      {" Kasa w poszczegolnych dniach ", "MM_KAS"},
  };
  const bool operators = Left(session.vars().Text("JEST_OPERATOR"), 1) == "T";
  if (operators) {
    prompts.insert(prompts.end(), {
                                      {" Rozliczenie kas ", "RAP_OPERATOROW"},
                                      {" Sprzedaz operatorow ", "S_OPERATOROW"},
                                      {" Raport dzienny akwizytorow ", "RAP_1"},
                                      {" Raport dzienny [sprzedaz/koszty]", "RAP_1"},
                                      {" Historia wplat [KP,NOU,PP w PLN]", "HISTORIA_WPLAT"},
                                      {" Historia wplat [KP,NOU,PP w EUR]", "HISTORIA_WPLAT"},
                                      {" Raport sprzedaży wg. spz "_pl, "SPRZEDAZ_SPZ"},
                                      {" Raport kasowy walutowy ver.0 ", "WAL_RAP_RK"},
                                      {" Wpływy gotówki wg. kodu opiekuna"_pl, "DOWODY_KP_KOMU"},
                                  });
  }
  ReportMenu(session, 8, 40, operators ? 22 : 15, 75, prompts, [&](int c) {
    if (c == 1) {
      reports::Rap1(session);
      return;
    }
    if (c == 7 || c == 8) {
      reports::Rap1(session, c == 7 ? reports::DailyVariant::kAgents : reports::DailyVariant::kCosts);
      return;
    }
    TellNotMade(session, prompts, kInactiveCashReports, c);
  });
}

// _REJESTRY: the VAT registers and the summaries made from them.
void VatRegisters(Session& session) {
  // SD_FISK: the receipts reconciled with the printer's daily reports, which the printer
  // does not give back to the program.
  if ((session.FileX("GROSZ.TXT") || session.settings().Yes("J_SD_GROSZ")) && !session.FileX("SD_FISK.---"))
    console::OknoLines(session.con(),
                       {"Uzgodnienie paragonow (SD_FISK)", std::string("Niedostępne - brak "_pl),
                        "raportow dobowych odczytanych z drukarki"},
                       3);
  const std::vector<ReportPrompt> prompts = {
      {" Dzienny rejestr sprzedaży "_pl, "REJE_FV"},
      {" Dzienny rejestr zakupów "_pl, "REJE_PZ"},
      {" Rejestr sprzedaży/zakupów/korekt"_pl, "REJ_FV_PZ"},
      {" Export rejestru do CDN,EXCEL,XML", "CDN_XML"},
      {" Miesieczne zestawienie rejestrów"_pl, "ZESTAWIENIE_REJESTROW"},
      {" Miesieczne zestawienie rap. dob.", "ZESTAWIENIE_RAPORTOW_DOBOWYCH"},
      {" Struktura przesuniec na sklepy  ", "STRUKTURA_PRZESUNIEC"},
      {" Zestawienie faktur i rabatow    ", "ZESTAWIENIE_RABATOW"},
      {" Zestawienie rabatów wg.st.VAT   "_pl, "RABATY_VAT"},
      {" Zestawienie rabatów wg.st.VAT(2)"_pl, "RABATY_VAT"},
      {" Raport sklepu (1)               ", "RAPORT_SKLEPU"},
      {" Raport sklepu (2)               ", "RAPORT_SKLEPU"},
      {" Szczegółowy raport z dz.        "_pl, "RAPORT_SZCZEGOLOWY"},
      {" Raport VAT                      ", "RAPORT_VAT"},
      {" Gdzie wystepują rożnice groszowe"_pl, "ROZNICE_GROSZOWE"},
      {" Raport z działalności w miesiacu"_pl, "RAPORT_Z_DZIALALNOSCI"},
      {" Raport sprzedaży komisowej      "_pl, "SPRZEDAZ_KOMISOWA"},
      {" Rejestr odwrotnego opodatkowania", "REJESTR_ODWROTNY"},
  };
  ReportMenu(session, 5, 45, 24, 79, prompts, [&](int c) {
    if (c == 1) {
      reports::RejeFv(session);
      return;
    }
    if (c == 2) {
      reports::RejePz(session);
      return;
    }
    if (c == 3) {
      const int v = menu::SmallChoice(session, 9, 50, {"1. ver.podstawowa ", "2. ver.rozszerzona"});
      if (v != 0) reports::RejFvPz(session, v);
      return;
    }
    if (c == 4) {
      const int v = menu::SmallChoice(session, 10, 50, {"1. VAT_R", "2. EXCEL", "3. XML", "4. XML_KP", "5. dbu VAT_CDN"});
      if (v == 1) reports::ExportRejestru(session);
      // The accounting program's own formats are its importer's business: the VAT_R file
      // carries everything they need.
      if (v > 1) console::Okno_(session.con(), "Format programu ksiegowego niedostepny - uzyj 1. VAT_R", 3);
      return;
    }
    if (c == 18) {
      reports::RejestrOdwrotny(session);
      return;
    }
    if (c == 14 || c == 16) {
      if (c == 14) reports::RaportVat(session);
      if (c == 16) reports::RaportZDzialalnosci(session);
      return;
    }
    TellNotMade(session, prompts, kInactiveReports, c);
  });
}

// _ROTACJA: the article-rotation reports; the first is the warehouse movement statement.
void Rotacja(Session& session) {
  const std::vector<ReportPrompt> prompts = {
      {" Ruch na magazynie ", "RAS_MMM"},
      {" Szczegolowy raport ruchu ", "RAS_MMM"},
  };
  ReportMenu(session, 5, 45, 8, 73, prompts, [&](int c) { (void)reports::RasMmm(session, c == 1 ? "1" : ""); });
}

// JPK item: the monthly or quarterly V7 file for periods after August 2020.
void Jpk(Session& session) {
  if (menu::WorkPeriod(session) > "20/08") {
    const bool quarterly = session.FileX("KWARTAL.TXT");
    const bool v7 = console::Okno(session.con(), quarterly ? "JPK_V7K (T) / JPK_VAT (N) ?" : "JPK_V7M (T) / JPK_VAT (N) ?");
    session::NotBuilt(session, v7 ? "JPK_V7M" : "JPK_VAT");
    return;
  }
  session::NotBuilt(session, "JPK_VAT");
}

}  // namespace

int Raporty(Session& session) {
  const session::OperatorRights& op = session.op();
  auto later = [&session](const char* name) {
    return [&session, name] {
      session::NotBuilt(session, name);
      return kReopen;
    };
  };
  // An entry this program does not make: the operator is told why, and where to look.
  auto inactive = [&session](std::string title, std::string why, std::string where) {
    return [&session, title, why, where] {
      console::OknoLines(session.con(), {title, std::string("Niedostępne "_pl) + why, where}, 3);
      return kReopen;
    };
  };
  auto run = [&session](void (*routine)(Session&)) {
    return [&session, routine] {
      routine(session);
      return kReopen;
    };
  };

  menu::SubMenu m;
  m.letter = 'R';
  m.main_item = kRaporty;
  m.position = "K_RAPORTY";
  m.top = 1, m.left = 33, m.bottom = 11, m.right = 59;

  std::vector<SubMenuItem>& it = m.items;
  it.push_back(menu::Item(3, " Raporty kasowe         ", op.Prawa(2) && !op.Prawa1(3), false, run(CashReports)));
  it.push_back(menu::Item(4, " Rejestry VAT           ", op.Prawa(3) && !op.Prawa1(3), false, run(VatRegisters)));
  it.push_back(menu::Item(5, " Rotacja towaru         ", op.Prawa(4), false, run(Rotacja)));
  it.push_back(menu::Item(6, " Obroty z kontrahentami ", op.Prawa(5), false, run(reports::ObrotyZKontrahentami)));
  it.push_back(menu::Item(7, " Zestawienie dowodów    "_pl, !op.Prawa1(3) && !op.Prawa1(5), false,
                          [&session] {
                            // The month's documents, the same list as Dowody › Zestawienie dowodow.
                            invoicing::ZestawienieDowodow(session);
                            return kReopen;
                          }));
  it.push_back(menu::Item(8, " Zyskowność             "_pl, op.Prawa(6), false,
                          inactive(std::string("Zyskowność"_pl), "- marza sprzedazy: Rejestry VAT,", "Raport z dzialalnosci w miesiacu")));
  it.push_back(menu::Item(9, " Systemy premiowania    ", op.Prawa(6), false,
                          inactive("Systemy premiowania", "- brak planow i stawek premii", "operatorow")));
  it.push_back(menu::Item(10, " Raporty z archiwum     ", !session.InArchive(), false,
                          [&session] { return InArc(session, VatRegisters); }));
  if (!session.FileX("PARA_XML.---")) {
    m.extra_boxes.push_back({13, 33, 19, 59});
    it.push_back(menu::Item(14, " JPK_VAT                 ", true, false, run(Jpk)));
    it.push_back(menu::Item(15, " Parametry dowodow do JPK", true, false, [&session] {
      catalogues::DbuRd(session, true);
      return kReopen;
    }));
    it.push_back(menu::Item(16, " JPK_FAKTURY             ", true, false, later("CDN_XML")));
    it.push_back(menu::Item(17, " JPK_MAGAZYN             ", true, false, later("CDN_XML")));
    it.push_back(menu::Item(18, " Export z JPK do VAT_R   ", true, false, later("CDN_XML")));
  }
  return menu::RunSubMenu(session, m);
}

}  // namespace hurt::shell
