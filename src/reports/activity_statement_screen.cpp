#include "reports/activity_statement_screen.h"

#include <algorithm>

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/picture.h"
#include "base/text.h"
#include "console/form.h"
#include "console/keys.h"
#include "console/message_window.h"
#include "documents/header_rules.h"
#include "reports/vat_register_screen.h"
#include "session/helpers.h"
#include "session/output/report_file.h"
#include "session/session.h"
#include "session/viewer.h"
#include "store/schema.h"
#include "xbase/table.h"
#include "xbase/work_area.h"

namespace hurt::reports {

using namespace hurt::literals;

namespace {

constexpr size_t kWidth = 161;
constexpr int kCopyArea = 221;  // the statement's rows while they are written to rap_dz

std::string Amount(double v) { return TransformNumber(NewRound(v, 2), "999999999999.99"); }
std::string Rule() { return std::string(kWidth, '-'); }

// ---- the printed statement ---------------------------------------------------------------

struct SectionLook {
  ActivitySection section;
  std::string_view title;
  std::string_view vat_caption;
  bool margin;
};
constexpr SectionLook kSections[] = {
    {ActivitySection::kOtherReceipts, "Struktura przychodow na magazyn nie bedacych zakupami", "     VAT       ", false},
    {ActivitySection::kPurchases, "Struktura zakupow", " VAT naliczony ", false},
    {ActivitySection::kSales, "Struktura sprzedazy", "  VAT nalezny  ", true},
    {ActivitySection::kCosts, "Koszty reprezentacji i reklamy", "  VAT nalezny  ", true},
    {ActivitySection::kOtherIssues, "Struktura rozchodow z magazynu nie bedacych sprzedaza", "     VAT       ", false},
};

class ActivityPrinter {
 public:
  ActivityPrinter(session::ReportWriter& out, const ActivityHeading& heading)
      : out_(out), heading_(heading), names_(PrintedRateNames(heading.period_start)) {}

  void Line(const std::string& text) { out_.Line(Left(RTrim(text), kWidth)); }

  void Heading(const ActivityRequest& req) {
    for (const std::string& f : heading_.firm) Line(AllTrim(f));
    Line("");
    Line(heading_.title);
    Line("Magazyn " + (req.mag.empty() ? std::string("- wszystkie") : req.mag));
    if (!req.only_group.empty()) Line("TYLKO GRUPA : " + req.only_group);
    if (!req.t_w_o_k.empty()) Line("Grupa : " + req.t_w_o_k);
    if (!req.skip_indeks.empty()) Line("POMINIETO GRUPE : " + req.skip_indeks);
    if (!req.skip_word.empty()) Line("Pominieto slowo w nazwie : " + req.skip_word);
    Line("");
  }

  void Value(std::string_view title, std::string_view caption, double v) {
    Line(std::string(title));
    Line(Rule());
    Line(std::string(caption) + "  " + Amount(v));
    Line(Rule());
    Line("");
  }

  void Section(const SectionLook& look, const std::vector<const ActivityRow*>& rows) {
    Line(std::string(look.title));
    Line(Rule());
    Line(PadR("Rd  Opis", 38) + PadL("Wart.w c.zak.", 16) + PadL(look.margin ? "Marza" : "", 16) + PadL("Netto", 16) +
         PadL(std::string(AllTrim(look.vat_caption)), 16) + PadL("Brutto", 16) + PadL("Dowodow", 9));
    std::string rates = PadR("    wg stawek", 38);
    for (const std::string& n : names_) rates += PadL(n + " netto", 16) + PadL(n + " VAT", 0);
    Line(RateHeading());
    Line(Rule());
    ActivityRow total;
    for (const ActivityRow* r : rows) {
      Row(*r, look.margin);
      total.wartosc0 += r->wartosc0;
      total.netto += r->netto;
      total.vat += r->vat;
      total.brutto += r->brutto;
      total.reszta += r->reszta;
      total.documents += r->documents;
      total.b.Add(r->b);
    }
    if (rows.size() > 1) {
      Line(Rule());
      total.rd = "   ";
      total.opis = "Razem";
      Row(total, look.margin);
    }
    Line(Rule());
    Line("");
  }

 private:
  std::string RateHeading() const {
    std::string h = std::string(38, ' ');
    for (const std::string& n : names_) h += PadL(n, 19);
    return h;
  }
  void Row(const ActivityRow& r, bool margin) {
    const std::string opis = r.takings ? std::string("Utarg sklepow") : AllTrim(r.opis);
    Line(PadR(r.rd + " " + Left(opis, 33), 38) + " " + Amount(r.wartosc0) + " " +
         (margin ? Amount(r.Marza()) : std::string(15, ' ')) + " " + Amount(r.netto) + " " + Amount(r.vat) + " " +
         Amount(r.brutto) + " " + PadL(std::to_string(r.documents), 8));
    const PrintedRates p = FoldRates(r.b, heading_.period_start);
    std::string net = PadR("    netto", 38), vat = PadR("    VAT", 38);
    for (int i = 0; i < kPrintedRates; ++i) {
      net += PadL(BucketCell(p.net[static_cast<size_t>(i)]), 19);
      vat += PadL(BucketCell(p.vat[static_cast<size_t>(i)]), 19);
    }
    Line(net);
    Line(vat);
  }

  session::ReportWriter& out_;
  const ActivityHeading& heading_;
  std::array<std::string, kPrintedRates> names_;
};

// ---- the rows kept in rap_dz ------------------------------------------------------------

std::vector<xbase::DbfFieldDescriptor> RapDzLayout() {
  std::vector<xbase::DbfFieldDescriptor> f = {{"POZ", 'C', 3, 0},      {"KOD", 'C', 3, 0},      {"R_P", 'C', 1, 0},
                                              {"S_Z", 'C', 1, 0},      {"RD", 'C', 3, 0},       {"WARTOSC0", 'N', 15, 2},
                                              {"MARZA", 'N', 12, 2},   {"NETTO", 'N', 12, 2},   {"VAT", 'N', 12, 2},
                                              {"BRUTTO", 'N', 12, 2}};
  for (const char* n : {"NET22", "VAT22", "NET07", "VAT07", "NET00", "NETZW", "NETNP", "NET12", "VAT12", "NET03", "VAT03",
                        "GROSZ"}) {
    f.push_back({n, 'N', 12, 2});
  }
  f.push_back({"_X_", 'C', 1, 0});
  return f;
}

// The section's number and letters of a row: "2PD", "3PZ", "4RS", "4KO", "5RD".
std::string PozOf(const ActivityRow& r) {
  switch (r.section) {
    case ActivitySection::kOtherReceipts: return "2PD";
    case ActivitySection::kPurchases: return "3PZ";
    case ActivitySection::kSales: return "4RS";
    case ActivitySection::kCosts: return "4KO";
    case ActivitySection::kOtherIssues: return "5RD";
  }
  return "5RD";
}

Status AppendCopyRow(xbase::WorkArea& t, const std::string& poz, const ActivityRow* r, double wartosc0, double vat,
                     JulianDay period_start) {
  HURT_RETURN_IF_ERROR(t.Append());
  HURT_RETURN_IF_ERROR(t.Replace("POZ", xbase::Value(poz)));
  HURT_RETURN_IF_ERROR(t.Replace("WARTOSC0", xbase::Value(NewRound(wartosc0, 2))));
  HURT_RETURN_IF_ERROR(t.Replace("VAT", xbase::Value(NewRound(vat, 2))));
  if (r == nullptr) return Status::Ok();
  HURT_RETURN_IF_ERROR(t.Replace("KOD", xbase::Value(std::string{r->side, r->s_z})));
  HURT_RETURN_IF_ERROR(t.Replace("R_P", xbase::Value(std::string(1, r->side))));
  HURT_RETURN_IF_ERROR(t.Replace("S_Z", xbase::Value(std::string(1, r->s_z))));
  HURT_RETURN_IF_ERROR(t.Replace("RD", xbase::Value(r->rd)));
  HURT_RETURN_IF_ERROR(t.Replace("MARZA", xbase::Value(NewRound(r->Marza(), 2))));
  HURT_RETURN_IF_ERROR(t.Replace("NETTO", xbase::Value(r->netto)));
  HURT_RETURN_IF_ERROR(t.Replace("BRUTTO", xbase::Value(r->brutto)));
  const PrintedRates p = FoldRates(r->b, period_start);
  const char* net[] = {"NET22", "NET07", "NET03", "NET00", "NETZW", "NETNP"};
  const char* vats[] = {"VAT22", "VAT07", "VAT03"};
  for (int i = 0; i < kPrintedRates; ++i) {
    HURT_RETURN_IF_ERROR(t.Replace(net[i], xbase::Value(NewRound(p.net[static_cast<size_t>(i)], 2))));
  }
  for (int i = 0; i < 3; ++i) {
    HURT_RETURN_IF_ERROR(t.Replace(vats[i], xbase::Value(NewRound(p.vat[static_cast<size_t>(i)], 2))));
  }
  return Status::Ok();
}

// The statement's rows written to `path` (made anew), closed again at the end.
Status WriteCopy(session::Session& s, const std::string& path, const ActivityResult& r, JulianDay period_start) {
  HURT_RETURN_IF_ERROR(xbase::Table::Create(s.env(), path, RapDzLayout()));
  xbase::AreaOpenOptions exclusive;
  exclusive.exclusive = true;
  auto opened = s.areas().Open(kCopyArea, path, "RAP_DZ", exclusive);
  if (!opened.ok()) return opened.status();
  xbase::WorkArea& t = **opened;
  Status st = AppendCopyRow(t, "1BO", nullptr, r.opening, 0, period_start);
  for (const ActivityRow& row : r.rows) {
    if (st.ok()) st = AppendCopyRow(t, PozOf(row), &row, row.wartosc0, row.vat, period_start);
  }
  if (st.ok()) st = AppendCopyRow(t, "6SK", nullptr, r.closing, r.vat_difference, period_start);
  if (st.ok()) st = AppendCopyRow(t, "7KZ", nullptr, r.check, 0, period_start);
  if (st.ok()) st = t.Commit();
  const Status closed = s.areas().Close(kCopyArea);
  return st.ok() ? closed : st;
}

// ---- the dialog -----------------------------------------------------------------------------

std::string CommaList(std::string_view typed) {
  std::string out = ",";
  std::string word;
  for (char c : std::string(typed) + ",") {
    if (c == ',' || c == ' ') {
      if (!word.empty()) out += word + ",";
      word.clear();
    } else {
      word += c;
    }
  }
  return out;
}

bool Ask(session::Session& s, ActivityRequest& req) {
  console::Console& con = s.con();
  // The word of a name gets the 20 columns left beside its prompt (of the 30 it may have).
  std::string mag(1, ' '), opa(3, ' '), nazwa(20, ' '), tylko(8, ' '), typy(8, ' '), rd(30, ' ');
  double utarg = 0;
  xbase::WorkArea* as = s.areas().Area(store::Table(store::TableId::kAs).area);
  const bool types = as != nullptr && as->FieldIndex("T_W_O_K") >= 0;
  const console::SavedRegion under = con.Save(5, 4, 17, 78);
  con.Box(5, 4, 17, 78, console::DoubleFrame(), con.colours().standard, ' ');
  con.Say(6, 20, req.vat_report ? "R A P O R T     V A T" : "RAPORT Z DZIAŁALNOSCI"_pl);
  con.Say(8, 6, "Podaj nr magazynu                            :");
  con.Say(9, 6, "Pominac indeks      (np. OPA)                :");
  con.Say(10, 6, "Pominac slowo w nazwie (np. ZALICZKA)        :");
  con.Say(11, 6, "Tylko grupa towarow (np. OPA)                :");
  if (types) con.Say(12, 6, "Grupa T-towary/W-wyroby/O-opakowania/K-koszty:");
  if (req.vat_report) con.Say(13, 6, "Utarg sklepow     :");
  con.Say(14, 6, "Pominac rd:");
  con.Say(24, 0, PadR("Esc - wyjscie", 80));
  console::Form f(con);
  f.GetText(8, 53, mag, "!");
  f.GetText(9, 53, opa, "!!!");
  f.GetText(10, 53, nazwa, std::string(20, '!'));
  f.GetText(11, 53, tylko, std::string(8, '!')).When([&] { return IsBlank(opa); });
  if (types) f.GetText(12, 53, typy, std::string(8, '!'));
  if (req.vat_report) f.GetNumber(13, 26, utarg, "999999999999.99");
  f.GetText(14, 18, rd, std::string(30, '!'));
  const bool escaped = f.Read().escaped;
  con.Restore(under);
  con.Say(24, 0, std::string(80, ' '));
  if (escaped) return false;
  req.mag = AllTrim(mag);
  req.skip_indeks = AllTrim(opa);
  req.skip_word = Upper(AllTrim(nazwa));
  req.only_group = IsBlank(opa) ? AllTrim(tylko) : std::string();
  req.t_w_o_k = AllTrim(typy);
  req.utarg = req.vat_report ? NewRound(utarg, 2) : 0;
  req.skip_kinds = CommaList(rd + "," + s.vars().Text("M_RD_POMIN"));
  return true;
}

void Run(session::Session& s, bool vat_report) {
  ActivityRequest req;
  req.vat_report = vat_report;
  if (!Ask(s, req)) return;
  console::Console& con = s.con();
  const std::string hh = s.InArchive() ? s.hh_arc() : s.hh();
  ActivityHeading heading;
  heading.firm = FirmLines(FirmHeading(s));
  const documents::Period p = documents::PeriodOfHh(hh);
  heading.period_start = p.month >= 1 ? p.First() : s.Today();
  const std::string month = hh.size() == 5 ? AllTrim(session::Miesiac(hh.substr(3, 2), hh.substr(0, 2))) : hh;
  heading.title = vat_report ? "R A P O R T     V A T     " + month
                             : std::string("RAPORT Z DZIAŁALNOSCI W MIESIACU "_pl) + month;

  auto progress = [&](std::string_view stage, long done) {
    console::OknoNoWait(con, std::string(stage) + ": " + std::to_string(done));
    if (con.PollKey() != console::key::kEsc) return false;
    return console::Okno(con, "Przerwac raport ?");
  };
  console::OknoNoWait(con, "Prosze czekac - licze raport ...");
  auto result = ComputeActivity(s, req, progress);
  if (!result.ok()) {
    console::Okno_(con, "Raport nieudany: " + result.status().message(), 3);
    return;
  }
  if (!result->refusal.empty()) {
    console::Okno_(con, result->refusal, 3);
    return;
  }
  if (!result->stopped) {
    // The rows for whoever reads them later: the station's copy, and the month's own for the
    // whole firm with nothing left out (not in an archive month, which is only read).
    const std::string own = s.Path("rob/rap_dz" + s.StationText() + ".dbf");
    Status kept = WriteCopy(s, own, *result, heading.period_start);
    const bool whole = req.mag.empty() && req.skip_indeks.empty() && req.skip_word.empty() && req.only_group.empty() &&
                       req.t_w_o_k.empty() && req.skip_kinds == CommaList(s.vars().Text("M_RD_POMIN")) &&
                       req.utarg == 0;
    if (kept.ok() && whole && !s.InArchive()) kept = WriteCopy(s, s.Path(hh + "/rap_dz.dbf"), *result, heading.period_start);
    if (!kept.ok()) console::Okno_(con, "Nie zapisano kopii raportu rap_dz: " + kept.message(), 3);
  }
  session::ViewDruk(s, [&](session::ReportWriter& out) {
    if (result->stopped) {
      out.Line("Praport przerwany .............");
      return;
    }
    PrintActivity(out, heading, req, *result);
  });
}

}  // namespace

void PrintActivity(session::ReportWriter& out, const ActivityHeading& heading, const ActivityRequest& request,
                   const ActivityResult& result) {
  ActivityPrinter p(out, heading);
  p.Heading(request);
  p.Value("Stan poczatkowy", "Wartosc towaru na magazynie w cenach zakupu", result.opening);
  for (const SectionLook& look : kSections) {
    std::vector<const ActivityRow*> rows;
    for (const ActivityRow& r : result.rows) {
      if (r.section == look.section) rows.push_back(&r);
    }
    if (!rows.empty()) p.Section(look, rows);
  }
  p.Value("Stan koncowy", "Wartosc towaru na magazynie w cenach zakupu", result.closing);
  p.Line("Podatek nalezny - podatek naliczony  " + TransformNumber(result.vat_difference, "99999999999.99"));
  p.Line("");
  if (Amount(result.check) == Amount(0)) {
    p.Line("KZ");
  } else {
    p.Line(Rule());
    p.Line("Roznica stanow (pocz. + przychody - rozchody - konc.): " + Amount(result.check));
    p.Line("Wartosc pozostalych dowodow                          : " + Amount(result.other));
  }
  if (request.mag.empty() && !result.warehouses.empty()) {
    std::string list;
    for (char m : result.warehouses) list += (list.empty() ? "" : ",") + std::string(1, m);
    p.Line((result.warehouses.size() > 1 ? "Magazyny : " : "Magazyn  : ") + list + ".");
  }
}

void RaportZDzialalnosci(session::Session& s) { Run(s, false); }
void RaportVat(session::Session& s) { Run(s, true); }

}  // namespace hurt::reports
