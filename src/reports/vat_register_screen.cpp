#include "reports/vat_register_screen.h"

#include <optional>
#include <string>
#include <vector>

#include "base/cp852.h"
#include "base/date.h"
#include "base/numeric.h"
#include "base/picture.h"
#include "base/text.h"
#include "console/form.h"
#include "console/message_window.h"
#include "documents/kind_reader.h"
#include "session/area_fields.h"
#include "session/area_position.h"
#include "session/menu_choice.h"
#include "session/output/report_file.h"
#include "session/session.h"
#include "session/viewer.h"
#include "reports/daily_register_print.h"
#include "reports/missing_numbers.h"
#include "reports/report_period.h"
#include "reports/vat_register.h"
#include "reports/vat_register_print.h"
#include "store/schema.h"

namespace hurt::reports {

using namespace hurt::literals;

namespace {

std::optional<documents::DocKind> KindOf(session::Session& s, const std::string& rd) {
  xbase::WorkArea* slow = s.areas().Area(store::Table(store::TableId::kSlow).area);
  if (slow == nullptr || slow->order_count() < 1) return std::nullopt;
  session::AreaPosition keep(slow);
  if (!slow->SetOrder(1).ok()) return std::nullopt;
  auto kind = documents::ReadKind(*slow, rd);
  if (!kind.ok()) return std::nullopt;
  return *kind;
}


// What is printed after the register (the daily sales register's missing numbers).
using AfterRegister = std::function<void(session::ReportWriter&)>;

// Runs the register into the preview; the refusals of the pass are said instead.
// The layouts: the range register's, or the daily registers' older one with paired rates.
enum class Layout { kRange, kDaily };

void Print(session::Session& s, const RegisterRequest& req, RegisterHeading heading, bool summary_only,
           double shop_takings, const AfterRegister& after = {}, Layout layout = Layout::kRange) {
  bool failed = false;
  std::string refusal;
  console::OknoNoWait(s.con(), "Prosze czekac - licze rejestr ...");
  session::ViewDruk(s, [&](session::ReportWriter& out) {
    const auto kind = KindOf(s, PadR(Upper(AllTrim(req.rd)), 3));
    const char side = kind && kind->s_z == 'Z' ? 'Z' : 'S';
    auto run = [&](auto& printer) {
      printer.Begin();
      auto result = ComputeRegister(s, req, [&](const RegisterDocument& d) { printer.Document(d); });
      if (!result.ok()) {
        failed = true;
        out.Line("Problem z otwarciem dow");
        return;
      }
      if (!result->refusal.empty()) {
        refusal = result->refusal;
        out.Line(refusal);
        if (after) after(out);
        return;
      }
      printer.End(*result);
      if (shop_takings != 0) out.Line("Utarg sklepu: " + TransformNumber(shop_takings, "999999999999.99"));
      if (result->nb_not_repaired > 0) {
        out.Line("Pozycje bez NB liczone jako N (SD: B), nie poprawione w pliku (zajete): " +
                 std::to_string(result->nb_not_repaired));
      }
      if (after) after(out);
    };
    if (layout == Layout::kDaily) {
      DailyRegisterPrinter printer(out, heading, req, side);
      run(printer);
    } else {
      RegisterPrinter printer(out, heading, req, side, summary_only);
      run(printer);
    }
  });  // into the station's print file, rob/wydruk<station>.prn
  if (failed) console::Okno_(s.con(), "Plik dow niedostepny", 3);
}

class RangeDialog {
 public:
  // `basis`: the purchase basis fixed beforehand (the reverse-charge register), not asked.
  RangeDialog(session::Session& s, int version, std::optional<PurchaseBasis> basis = std::nullopt)
      : s_(s), con_(s.con()), version_(version), preset_basis_(basis) {
    const auto [first, last] = OpenPeriod(s);
    first_ = first;
    last_ = last;
    req_.from = first;
    req_.to = s.Today() >= first && s.Today() <= last ? s.Today() : last;
  }
  void Run();

 private:
  bool Ask();
  bool KindQuestions(const documents::DocKind& kind);

  session::Session& s_;
  console::Console& con_;
  int version_;
  std::optional<PurchaseBasis> preset_basis_;
  JulianDay first_ = kEmptyDate, last_ = kEmptyDate;
  RegisterRequest req_;
  bool summary_only_ = false;
  double shop_takings_ = 0;
};

bool RangeDialog::Ask() {
  std::string opa(3, ' '), nazwa(30, ' '), rd(3, ' '), mag(10, ' '), odb(8, ' '), grupa(8, ' ');
  const bool groups = s_.FileX("GRUPA.REJ");
  const console::SavedRegion under = con_.Save(5, 5, 17, 75);
  con_.Box(5, 5, 17, 75, console::DoubleFrame(), con_.colours().standard, ' ');
  con_.Say(6, 20, "REJESTR SPRZEDAZY - ZAKUPOW - KOREKT");
  con_.Say(8, 7, "Pominac indeks:");
  con_.Say(8, 27, "       np. OPA");
  con_.Say(9, 7, "Pominac slowo w nazwie:");
  con_.Say(10, 40, "          np. ZALICZKA");
  con_.Say(11, 7, "Okres od - do  (dd.mm.rr):");
  con_.Say(12, 7, "Rodzaj dowodu            :");
  con_.Say(13, 7, "Wybrac magazyny          :");
  con_.Say(14, 7, "Wybrac odbiorce:");
  if (groups) {
    con_.Say(15, 7, "Pominac GRUPE :");
    con_.Say(15, 33, "    np. BUTELKI");
  }
  console::Form f(con_);
  f.GetText(8, 23, opa, "!!!");
  f.GetText(9, 31, nazwa, std::string(30, '!'));
  f.GetDate(11, 34, req_.from).Valid([&] { return DateInRange(s_, req_.from, first_, last_); });
  f.GetDate(11, 46, req_.to).Valid([&] { return DateInRange(s_, req_.to, first_, last_, req_.from); });
  f.GetText(12, 34, rd, "!!!").Valid([&] {
    if (!IsBlank(rd)) return true;
    console::Okno_(con_, "Podaj rodzaj dowodu", 2);
    return false;
  });
  f.GetText(13, 34, mag, std::string(10, '!'));
  f.GetText(14, 24, odb, std::string(8, '!'));
  if (groups) f.GetText(15, 23, grupa, std::string(8, '!'));
  const bool escaped = f.Read().escaped;
  con_.Restore(under);
  if (escaped || IsBlank(rd) || req_.from > req_.to) return false;
  req_.skip_indeks = AllTrim(opa);
  req_.skip_word = AllTrim(nazwa);
  req_.rd = PadR(AllTrim(rd), 3);
  req_.magazyny = AllTrim(mag);
  req_.odb = AllTrim(odb);
  req_.skip_group = AllTrim(grupa);
  return true;
}

bool RangeDialog::KindQuestions(const documents::DocKind& kind) {
  const std::string code = AllTrim(kind.rd);
  const bool sale = kind.s_z == 'S';
  if (sale && (code == "FE" || kind.HasTag("EXPORT") || s_.FileX("SPEC.TXT"))) {
    std::string waluta(3, ' ');
    const console::SavedRegion under = con_.Save(14, 10, 18, 70);
    con_.Box(14, 10, 18, 70, console::DoubleFrame(), con_.colours().standard, ' ');
    con_.Say(15, 12, "Wybrac walute            :");
    con_.Say(16, 12, "puste - kazda waluta");
    con_.Say(17, 12, "kod (PLN, EUR, ...) - tylko dowody w tej walucie");
    console::Form f(con_);
    f.GetText(15, 39, waluta, "!!!");
    const bool escaped = f.Read().escaped;
    con_.Restore(under);
    if (escaped) return false;
    req_.waluta = AllTrim(waluta);
  }
  xbase::WorkArea* dowod = s_.areas().Area(store::Table(store::TableId::kDowod).area);
  if (sale && dowod != nullptr && dowod->FieldIndex("DATA_WYD") >= 0) {
    con_.Say(9, 20, "Rejestr sprzedaży gdzie data dostawy :"_pl);
    const int c = session::SmallChoice(s_, 10, 20,
                                       {" dowolna ", " tylko bieżący niesiąc "_pl, " tylko wcześniejszy miesiąc "_pl,
                                        " tylko późniejszy miesiąc "_pl});
    if (c == 0) return false;
    req_.delivery = static_cast<DeliveryChoice>(c - 1);
  }
  if (preset_basis_) {
    if (kind.s_z != 'Z') {
      console::Okno_(con_, code + " - rejestr odwrotnego opodatkowania dotyczy tylko zakupow", 3);
      return false;
    }
    req_.basis = *preset_basis_;
  } else if (kind.s_z == 'Z') {
    std::vector<std::string_view> items = {" FAKTUR ", " WZ ", " FAKTUR i WZ ", " 50/50 ", " Naglowek: FAKTURY WEWNETRZNE ",
                                           " Naglowek: ODWROTNE OBCIAZENIE"};
    const bool pn = kind.HasTag("[PN]");
    if (pn) {
      items.push_back(" Tylko te do rozl.w mies.nast.");
      items.push_back(" Pomin te do rozl.w mies.nast.");
    }
    con_.Say(9, 20, "Rejestr zakupow na podstawie :");
    const int c = session::SmallChoice(s_, 10, 20, items);
    if (c == 0) return false;
    static constexpr PurchaseBasis kBasis[] = {PurchaseBasis::kInvoices,   PurchaseBasis::kWz,
                                               PurchaseBasis::kInvoicesAndWz, PurchaseBasis::kFiftyFifty,
                                               PurchaseBasis::kInternal,   PurchaseBasis::kReverseCharge};
    if (c <= 6) req_.basis = kBasis[c - 1];
    if (c == 7) req_.pn = PnChoice::kOnlyPn;
    if (c == 8) req_.pn = PnChoice::kSkipPn;
  }
  const bool invoices = (!code.empty() && code[0] == 'F') || code == "PZ" || code == "PS";
  if (invoices && req_.basis != PurchaseBasis::kReverseCharge) {
    summary_only_ = console::Okno(con_, "Czy drukowac tylko zestawienie zbiorcze :", "N");
  }
  if (kind.s_z == 'Z' && kind.HasTag("NA SKLEP")) {
    const console::SavedRegion under = con_.Save(14, 10, 16, 70);
    con_.Box(14, 10, 16, 70, console::DoubleFrame(), con_.colours().standard, ' ');
    con_.Say(15, 12, "Jaki był utarg sklepu :"_pl);
    console::Form f(con_);
    f.GetNumber(15, 36, shop_takings_, "999999999999.99");
    const bool escaped = f.Read().escaped;
    con_.Restore(under);
    if (escaped) return false;
  }
  return true;
}

void RangeDialog::Run() {
  if (!Ask()) return;
  const auto kind = KindOf(s_, req_.rd);
  if (!kind) {
    console::Okno_(con_, "BRAK " + AllTrim(req_.rd) + " W PARAMETRACH DOWODOW", 3);
    return;
  }
  if (!KindQuestions(*kind)) return;
  RegisterHeading heading = FirmHeading(s_);
  heading.addresses = version_ == 2;
  heading.title = RegisterTitle(*kind, req_.basis, req_.from);
  if (!req_.magazyny.empty()) {
    heading.choices.push_back((req_.magazyny.size() > 1 ? "Wybrane magazyny: " : "Wybrany magazyn : ") + req_.magazyny);
  }
  if (!req_.odb.empty()) heading.choices.push_back("Wybrany odbiorca: " + req_.odb);
  if (!req_.waluta.empty()) heading.choices.push_back("Waluta: " + req_.waluta);
  if (!req_.skip_group.empty()) heading.choices.push_back("Pominieto GRUPE: " + req_.skip_group);
  if (req_.pn == PnChoice::kOnlyPn) heading.choices.push_back("Tylko te do rozliczenia w miesiacu nastepnym");
  if (req_.pn == PnChoice::kSkipPn) heading.choices.push_back("Pominieto te do rozliczenia w miesiacu nastepnym");
  static constexpr std::string_view kDelivery[] = {"", "Data dostawy: TYLKO BIEŻĄCY MIESIĄC", "Data dostawy: TYLKO WCZEŚNIEJSZY MIESIĄC",
                                                    "Data dostawy: TYLKO PÓŹNIEJSZY MIESIĄC"};
  if (req_.delivery != DeliveryChoice::kAny) {
    heading.choices.push_back(Utf8ToCp852(kDelivery[static_cast<int>(req_.delivery)]));
  }
  Print(s_, req_, std::move(heading), summary_only_, shop_takings_);
}

// REJE_FV / REJE_PZ: one day, every document of the side.
void Daily(session::Session& s, bool sales) {
  console::Console& con = s.con();
  const auto [first, last] = OpenPeriod(s);
  JulianDay day = ProposedDay(s);
  std::string opa(3, ' '), nazwa(30, ' '), mag(10, ' ');
  const console::SavedRegion under = con.Save(6, 5, 13, 75);
  con.Box(6, 5, 13, 75, console::DoubleFrame(), con.colours().standard, ' ');
  con.Say(7, 7, "Pominac indeks           :");
  con.Say(8, 7, "Pominac slowo w nazwie   :");
  con.Say(9, 7, "Wybrac magazyny          :");
  con.Say(11, 7, sales ? "REJESTR SPRZEDAZY W DNIU :" : "REJESTR ZAKUPOW W DNIU :");
  console::Form f(con);
  f.GetText(7, 34, opa, "!!!");
  f.GetText(8, 34, nazwa, std::string(30, '!'));
  f.GetText(9, 34, mag, std::string(10, '!'));
  f.GetDate(11, 34, day).Valid([&] {
    if (day >= first && day <= last) return true;
    console::Okno_(con, "Data spoza otwartego okresu " + Dtoc(first) + "-" + Dtoc(last), 2);
    return false;
  });
  const bool escaped = f.Read().escaped;
  con.Restore(under);
  if (escaped || day == kEmptyDate) return;
  RegisterRequest req;
  req.from = req.to = day;
  req.one_day = true;
  req.skip_indeks = AllTrim(opa);
  req.skip_word = AllTrim(nazwa);
  req.magazyny = AllTrim(mag);
  // The whole side: the usual invoice kind for sales, PZ for purchases.
  req.rd = sales ? PadR(AllTrim(s.settings().Rd()).empty() ? std::string("FV") : AllTrim(s.settings().Rd()), 3) : "PZ ";
  const auto kind = KindOf(s, req.rd);
  if (!kind) {
    console::Okno_(con, "BRAK " + AllTrim(req.rd) + " W PARAMETRACH DOWODOW", 3);
    return;
  }
  RegisterHeading heading = FirmHeading(s);
  heading.title = sales ? "REJESTR SPRZEDAZY " : "REJESTR ZAKUPOW ";
  if (!req.magazyny.empty()) {
    heading.choices.push_back((req.magazyny.size() > 1 ? "Wybrane magazyny: " : "Wybrany magazyn : ") + req.magazyny);
  }
  AfterRegister after;
  if (sales) {
    // The daily sales register ends with the month's missing numbers.
    after = [&s](session::ReportWriter& out) {
      out.Line("");
      const Status st = MissingNumbers(s, [&out](const std::string& line) { out.Line(line); });
      if (!st.ok()) out.Line("Problem z odczytem dowod: " + st.message());
    };
  }
  Print(s, req, std::move(heading), false, 0, after, Layout::kDaily);
}

}  // namespace

// Our firm as the heading prints it.
RegisterHeading FirmHeading(session::Session& s) {
  RegisterHeading h;
  h.symbol = AllTrim(s.settings().Text("J_FV_SYMBO"));
  xbase::WorkArea* firma = s.areas().Area(1);
  if (firma != nullptr && firma->GoTop().ok() && !firma->eof()) {
    for (const char* f : {"NODB", "NODB1", "NODB2"}) {
      if (firma->FieldIndex(f) >= 0) h.firm.push_back(session::FieldText(*firma, f));
    }
    if (firma->FieldIndex("KODB") >= 0 || firma->FieldIndex("MODB") >= 0) {
      h.firm.push_back(AllTrim(session::FieldText(*firma, "KODB") + " " + session::FieldText(*firma, "MODB")) + " " +
                       AllTrim(session::FieldText(*firma, "UODB")));
    }
    if (firma->FieldIndex("ODDZIAL") >= 0) h.branch = session::FieldText(*firma, "ODDZIAL");
  }
  return h;
}

void RejFvPz(session::Session& s, int version) {
  RangeDialog dialog(s, version);
  dialog.Run();
}

void RejestrOdwrotny(session::Session& s) {
  RangeDialog dialog(s, 1, PurchaseBasis::kReverseCharge);
  dialog.Run();
}

void RejeFv(session::Session& s) { Daily(s, true); }
void RejePz(session::Session& s) { Daily(s, false); }

}  // namespace hurt::reports
