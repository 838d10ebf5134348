#include "settlements/unpaid_invoices.h"

#include <string>

#include "base/cp852.h"
#include "base/date.h"
#include "base/numeric.h"
#include "base/picture.h"
#include "base/text.h"
#include "console/message_window.h"
#include "documents/open_item.h"
#include "session/area_fields.h"
#include "session/helpers.h"
#include "session/menu_choice.h"
#include "session/output/report_file.h"
#include "session/session.h"
#include "session/viewer.h"
#include "settlements/firm_and_party.h"
#include "settlements/ledger_tables.h"
#include "store/schema.h"

namespace hurt::settlements {

using namespace hurt::literals;
using session::FieldDate;
using session::FieldNumber;
using session::FieldText;

namespace {

std::string CustomerName(session::Session& s, std::string_view kto, const std::string& odb) {
  return ReadParty(s, kto, odb).nodb;
}

}  // namespace

bool WriteUnpaidInvoices(session::Session& s, bool in_currencies, session::ReportWriter& out, std::string_view kto,
                         std::string_view odb) {
  const std::string book = PadR(kto, 1);
  const std::string only = odb.empty() ? std::string() : PadR(odb, 8);
  xbase::WorkArea* fa = s.areas().Area(store::Table(store::TableId::kFaN).area);
  if (fa == nullptr || fa->order_count() < 2) return false;
  const int order = fa->order();
  const uint32_t recno = fa->recno();
  const std::string filter = fa->filter();
  (void)fa->SetFilter("");
  (void)fa->SetOrder(2);

  const JulianDay today = s.Today();
  out.Line(session::Centruj("FAKTURY NIEZAPŁACONE"_pl));
  out.Line(session::Centruj(std::string("stan na dzień "_pl) + Dtoc(today) + (in_currencies ? "  (w walutach)" : "")));
  if (!only.empty()) out.Line(session::Centruj(AllTrim(only) + "  " + AllTrim(CustomerName(s, book, only))));
  out.Line("");
  out.Line("Dowod          Data        Termin      Do zaplaty    Waluta   Dni po terminie");
  out.Line(std::string(80, '-'));
  std::string customer;
  double customer_sum = 0, total = 0;
  int items = 0;
  auto close_customer = [&] {
    if (customer.empty()) return;
    out.Line(PadR("", 25) + "Razem: " + TransformNumber(NewRound(customer_sum, 2), "999999999.99"));
    out.Line("");
  };
  auto found = fa->SeekKey(book + only, true);
  for (bool more = found.ok() && !fa->eof(); more && !fa->eof(); more = fa->Skip(1).ok()) {
    if (PadR(FieldText(*fa, "KTO"), 1) != book) break;
    if (!only.empty() && PadR(FieldText(*fa, "ODB"), 8) != only) break;
    // Money documents are payments, not debts; a compensation's or a closing's remainder
    // ("KO ", "SAL") is what is left of documents, and is listed with its text.
    const std::string rd = PadR(FieldText(*fa, "RD"), 3);
    const bool remainder = rd == "KO " || rd == "SAL";
    if (PadR(FieldText(*fa, "MAG"), 1) == "0" && !remainder) continue;
    const double kurs = FieldNumber(*fa, "KURS");
    const double rate = in_currencies ? 0 : kurs;  // in currencies the amounts stay as stored
    const double debit_over_credit =
        NewRound(documents::HomeAmount(FieldNumber(*fa, "OBWN"), rate) - documents::HomeAmount(FieldNumber(*fa, "OBMA"), rate), 2);
    const double owed = book == "D" ? -debit_over_credit : debit_over_credit;  // suppliers: what we owe
    if (owed <= 0) continue;
    const std::string item_odb = PadR(FieldText(*fa, "ODB"), 8);
    if (item_odb != customer) {
      close_customer();
      customer = item_odb;
      customer_sum = 0;
      out.Line(AllTrim(item_odb) + "  " + AllTrim(CustomerName(s, book, item_odb)));
    }
    JulianDay termin = FieldDate(*fa, "TERMIN");
    if (termin == kEmptyDate) termin = FieldDate(*fa, "DATA");
    const int late = termin == kEmptyDate ? 0 : static_cast<int>(today - termin);
    const std::string waluta = in_currencies && kurs > 0 ? PadR(FieldText(*fa, "WALUTA"), 3) : std::string("   ");
    out.Line("  " + rd + "-" + PadL(AllTrim(FieldText(*fa, "NRD")), 8) + "  " +
             Dtoc(FieldDate(*fa, "DATA")) + "  " + Dtoc(termin) + "  " + TransformNumber(owed, "999999999.99") + "    " +
             waluta + "   " + (late > 0 ? PadL(std::to_string(late), 8) : std::string(8, ' ')) +
             (remainder ? "  " + AllTrim(FieldText(*fa, "TRESC")) : std::string()));
    customer_sum += owed;
    total += owed;
    ++items;
  }
  close_customer();
  out.Line(std::string(80, '-'));
  out.Line(PadR("Lacznie (" + std::to_string(items) + " dowodow):", 32) + TransformNumber(NewRound(total, 2), "999999999.99"));

  (void)fa->SetOrder(order);
  if (!filter.empty()) (void)fa->SetFilter(filter);
  (void)fa->GoTo(recno);
  return true;
}

void FvNiezaplacone(session::Session& s, std::string_view kto, std::string_view odb) {
  const bool currencies = session::JestWaluta(s) && console::Okno(s.con(), "W walutach ?", "N");
  bool written = true;
  session::ViewDruk(s, [&](session::ReportWriter& out) { written = WriteUnpaidInvoices(s, currencies, out, kto, odb); });
  if (!written) console::Okno_(s.con(), "Plik fa_N niedostepny", 3);
}

}  // namespace hurt::settlements
