#include "settlements/money_document_form.h"

#include <string>
#include <vector>

#include "base/cp852.h"
#include "base/date.h"
#include "base/numeric.h"
#include "base/short_date.h"
#include "base/text.h"
#include "console/form.h"
#include "console/message_window.h"
#include "documents/header_guards.h"
#include "documents/header_rules.h"
#include "session/area_fields.h"
#include "session/menu_choice.h"
#include "session/session.h"
#include "session/store_ui.h"
#include "settlements/firm_and_party.h"
#include "settlements/ledger_tables.h"
#include "settlements/money_document.h"
#include "settlements/settlement_printouts.h"
#include "settlements/transfer_order.h"

namespace hurt::settlements {

using namespace hurt::literals;

namespace {

std::string Kind(std::string_view rd) { return PadR(Upper(AllTrim(rd)), 3); }

bool Yes(std::string_view setting) { return Upper(AllTrim(setting)) == "T"; }

// The rate of `waluta` on `data` from the exchange-rate table; 0 when none is known.
double RateOf(session::Session& s, std::string_view waluta, JulianDay data) {
  auto wal = AreaOf(s, store::TableId::kWal);
  if (!wal.ok()) return 0;
  return documents::RateFor(**wal, waluta, data).value_or(0);
}

// The recipient and the ordering party of a transfer order (PP: we pay the counterparty)
// or of a bank deposit slip (BDW: cash into our own account).
TransferOrder OrderOf(session::Session& s, const MoneyDocument& doc) {
  TransferOrder o;
  o.odb = doc.odb;
  o.tytul = doc.tresc;
  o.waluta = doc.waluta;
  o.kwota = doc.kwota;
  o.data = doc.data;
  const Firm firm = ReadFirm(s);
  o.z_nodb = firm.nodb;
  o.z_nodb1 = firm.nodb1;
  o.z_konto = firm.nrbo;
  if (Kind(doc.rd) == "BDW") {
    o.o_nodb = o.z_nodb;
    o.o_nodb1 = o.z_nodb1;
    o.o_konto = o.z_konto;
    return o;
  }
  const Party party = ReadParty(s, doc.kto, doc.odb);
  o.o_nodb = IsBlank(party.nodb) ? doc.nodb : party.nodb;
  o.o_nodb1 = party.nodb1;
  o.o_konto = party.nrbo;
  return o;
}

class MoneyForm {
 public:
  MoneyForm(session::Session& s, const MoneyFormPreset& p)
      : s_(s),
        con_(s.con()),
        xkp_(Kind(s.settings().Text("J_XKP"))),
        xkw_(Kind(s.settings().Text("J_XKW"))),
        currencies_(session::JestWaluta(s)) {
    doc_.kto = p.kto;
    doc_.odb = p.odb;
    doc_.nodb = p.nodb;
    doc_.against_rd = p.against_rd;
    doc_.against_nrd = p.against_nrd;
    rd_ = p.rd.empty() ? xkp_ : Kind(p.rd);
    kwota_ = p.kwota;
    if (!p.waluta.empty() && p.kurs > 0) {
      waluta_ = Kind(p.waluta);
      kurs_ = p.kurs;
    }
    tresc_ = PadR(p.tresc, 50);
    nrd_ = static_cast<double>(p.nrd);
    data_ = p.data != kEmptyDate ? p.data : s.Today();
  }
  bool Run();

 private:
  bool KindValid();
  bool Edit();
  void Write();
  void FiscalPrinter();

  session::Session& s_;
  console::Console& con_;
  const std::string xkp_, xkw_;
  const bool currencies_;
  MoneyDocument doc_;
  std::string rd_, tresc_, waluta_ = "   ";
  double nrd_ = 0, kwota_ = 0, kurs_ = 0;
  JulianDay data_ = kEmptyDate, termin_ = kEmptyDate;
};

bool MoneyForm::KindValid() {
  const std::string code = Kind(rd_);
  for (const std::string& k : {xkp_, xkw_, std::string("PP "), std::string("BDW"), std::string("NOU"), std::string("NOO")}) {
    if (code == k) return true;
  }
  console::Okno_(con_, "Rodzaj: " + AllTrim(xkp_) + ", " + AllTrim(xkw_) + ", PP, BDW, NOU albo NOO", 2);
  return false;
}

// The form once; false on Esc.
bool MoneyForm::Edit() {
  con_.ClearRegion(12, 0, 21, 79);
  con_.Say(12, 0, xkp_ + std::string("- Kasa przyjęła      PP  - Polecenie przelewu         NOU - Nota uznaniowa"_pl));
  con_.Say(13, 0, xkw_ + std::string("- Kasa wydała        BDW - Bankowy dowod wplaty       NOO - Nota obciazeniowa"_pl));
  con_.Say(14, 0, std::string(80, '-'));
  con_.Say(15, 2, Left(AllTrim(doc_.odb) + " " + AllTrim(doc_.nodb), 76));
  con_.Say(16, 2, "Rodzaj :");
  con_.Say(16, 20, "Numer (0 - nastepny):");
  con_.Say(17, 2, "Data   :");
  con_.Say(17, 24, "Kwota :");
  if (currencies_) {
    con_.Say(17, 46, "Waluta:");
    con_.Say(17, 58, "Kurs:");
  }
  con_.Say(18, 2, "Tresc  :");
  con_.Say(19, 2, "Termin zaplaty (tylko NOO)        :");
  console::Form f(con_);
  f.GetText(16, 11, rd_, "@K !!!").Valid([&] { return KindValid(); });  // a kind typed replaces the one proposed
  f.GetNumber(16, 42, nrd_, "99999999").Valid([&] {
    // A number that cannot be corrected from here is said at once, not after the form.
    MoneyDocument probe = doc_;
    probe.rd = Kind(rd_);
    probe.nrd = static_cast<long>(nrd_);
    const std::string refused = CorrectionRefusal(s_, probe);
    if (refused.empty()) return true;
    console::Okno_(con_, refused, 3);
    return false;
  });
  // The document goes to this month's tables: its date lies in the open period.
  const documents::Period period = documents::PeriodOfHh(s_.hh());
  f.GetDate(17, 11, data_).Valid([&, period] {
    if (data_ == kEmptyDate) {
      console::Okno_(con_, "Podaj date dowodu", 2);
      return false;
    }
    if (period.month < 1 || period.Contains(data_)) return true;
    console::Okno_(con_, "BIEZACYM MIESIACEM JEST " + documents::PeriodMonthName(period), 3);
    return false;
  });
  f.GetNumber(17, 32, kwota_, "999999999.99").Valid([&] { return kwota_ >= 0; });
  if (currencies_) {
    f.GetText(17, 54, waluta_, "!!!").Valid([&] {
      if (Kind(waluta_) == "PLN" || IsBlank(waluta_)) {
        waluta_ = "   ";
        kurs_ = 0;
      } else if (kurs_ <= 0) {
        kurs_ = RateOf(s_, waluta_, data_);
      }
      return true;
    });
    f.GetNumber(17, 64, kurs_, "9999.999999").When([&] { return !IsBlank(waluta_); }).Valid([&] {
      if (kurs_ > 0) return true;
      console::Okno_(con_, "Podaj kurs waluty " + AllTrim(waluta_), 2);
      return false;
    });
  }
  f.GetText(18, 11, tresc_).Width(60);
  f.GetDate(19, 37, termin_).When([&] {
    if (Kind(rd_) != "NOO") return false;
    con_.Say(19, 2, PadR("Termin zaplaty " + ShortDate(data_) + " + 14 dni :", 35));
    if (termin_ == kEmptyDate) termin_ = data_ + 14;
    return true;
  });
  return !f.Read().escaped;
}

bool MoneyForm::Run() {
  const console::SavedRegion under = con_.Save(12, 0, 21, 79);
  for (;;) {
    if (!Edit() || (kwota_ == 0 && nrd_ == 0)) {
      con_.Restore(under);
      return false;
    }
    const std::string rd = Kind(rd_);
    if (rd != xkp_ && rd != xkw_ && !console::Okno(con_, "CZY DANE SA POPRAWNE ?", "T")) continue;
    const bool keep = Yes(s_.settings().Text("J_AUTO_ZAP")) || Yes(s_.settings().Text("J_AUTOMAT")) ||
                      console::Okno(con_, "CZY ZAPAMIETAC DOWOD ?", "T");
    con_.Restore(under);
    if (!keep) return false;
    Write();
    return true;
  }
}

// Cash in and out on a station with a fiscal printer: the drawer opens (J_SZUFLADA); a
// cash receipt of the fiscal receipt kind (J_DF has "KP_") is offered to the printer.
void MoneyForm::FiscalPrinter() {
  const session::DocumentActions& device = s_.document_actions();
  if ((doc_.rd == xkp_ || doc_.rd == xkw_) && s_.settings().Yes("J_SZUFLADA") && device.open_cash_drawer) {
    device.open_cash_drawer(s_);
  }
  if (doc_.rd != xkp_ || s_.settings().Text("J_DF").find("KP_") == std::string::npos) return;
  const std::string stawka = AllTrim(s_.settings().Vat());
  if (!console::Okno(con_, "Wyslac " + AllTrim(TransformNumber(doc_.kwota, "999999999.99")) + "/" + stawka + " do fiskalnej ?", "T")) {
    return;
  }
  if (!device.fiscal_receipt) {
    console::Okno_(con_, "Drukarka fiskalna niedostepna - paragon nie wyslany", 3);
    return;
  }
  if (!device.fiscal_receipt(s_, doc_.kwota, stawka, doc_.tresc)) {
    console::Okno_(con_, "Drukarka fiskalna nie przyjela paragonu", 3);
  }
}

void MoneyForm::Write() {
  doc_.rd = Kind(rd_);
  doc_.nrd = static_cast<long>(nrd_);
  doc_.data = data_;
  doc_.kwota = NewRound(kwota_, 2);
  doc_.tresc = RTrim(tresc_);
  doc_.waluta = IsBlank(waluta_) ? std::string() : Kind(waluta_);
  doc_.kurs = doc_.waluta.empty() ? 0 : kurs_;
  if (doc_.rd == "NOO") {
    const double tez = termin_ == kEmptyDate ? 14 : static_cast<double>(termin_ - data_);
    doc_.tez = tez < -999 ? 0 : tez;
  }
  if (doc_.nrd != 0) doc_.against_rd.clear();  // a correction keeps its own links
  if (doc_.rd == xkp_ && s_.settings().Text("J_DF").find("KP_") != std::string::npos) {
    doc_.tresc = Left(AllTrim(doc_.tresc), 40) + "/PTU " + AllTrim(s_.settings().Vat());  // the fiscal receipt's rate
  }
  const console::SavedRegion waiting = console::SaveOknoArea(con_);
  console::OknoNoWait(con_, "Trwa zapis ...");
  session::ConsoleStoreUi ui(con_);
  auto r = ZapiszDowodKasowy(s_, ui, doc_);
  con_.Restore(waiting);
  if (!r.ok()) {
    console::Okno_(con_, "Blad zapisu - dowod nie zapisany", 3);
    return;
  }
  if (!r->done) {
    console::Okno_(con_, r->refused.empty() ? "Zajete na innym stanowisku: " + r->busy + " - dowod nie zapisany" : r->refused, 3);
    return;
  }
  if (r->deleted) {
    console::Okno_(con_, "SKASOWANO DOWOD " + AllTrim(doc_.rd), 2);
    return;
  }
  console::Okno_(con_, (r->corrected ? "POPRAWIONO DOWOD " : "Zapisano ") + AllTrim(doc_.rd) + "-" + std::to_string(r->nrd), 2);
  if (!r->corrected) FiscalPrinter();
  if (doc_.rd == "PP " || doc_.rd == "BDW") {
    const TransferOrder order = OrderOf(s_, doc_);
    PrintLines(s_, TransferOrderLines(order, doc_.rd == "BDW"));
    if (console::Okno(con_, "Wyslac do zbioru PP ?", "T") && !ZapiszDoZbioruPp(s_, ui, order).ok()) {
      console::Okno_(con_, "Plik pp.dbf niedostepny - nie wyslano", 3);
    }
  }
}

}  // namespace

bool EwNalZob(session::Session& s, const MoneyFormPreset& preset) {
  if (s.InArchive()) {
    console::Okno_(s.con(), "Praca w archiwum - blokada", 3);
    return false;
  }
  MoneyForm form(s, preset);
  return form.Run();
}

}  // namespace hurt::settlements
