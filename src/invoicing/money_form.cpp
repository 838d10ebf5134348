#include "invoicing/money_form.h"

#include <cmath>

#include "base/cp852.h"
#include "base/picture.h"
#include "base/slownie.h"
#include "base/text.h"
#include "invoicing/invoice_number.h"
#include "invoicing/print_blocks.h"
#include "invoicing/printer_codes.h"

namespace hurt::invoicing {

using namespace hurt::literals;

namespace {

constexpr int kIndent = 10;
constexpr std::string_view kMaskAmount = "9999 999.99";

struct KindTitle {
  std::string_view prefix;
  std::string_view title;
};

void Put(std::string& out, std::string_view line) {
  out += line;
  out += kCrLf;
}

std::string Label(std::string_view text) { return std::string(kIndent, ' ') + PadPrinted(Overstrike(text), 15) + ":  "; }

}  // namespace

bool IsMoneyDocument(const InvoiceHeader& header) { return AllTrim(header.mag) == "0"; }

std::string MoneyDocumentTitle(const documents::DocKind& kind) {
  static const KindTitle kTitles[] = {
      {"KP", "KASA PRZYJĘŁA"}, {"KW", "KASA WYDAŁA"}, {"PP", "POLECENIE PRZELEWU"},
      {"BDW", "BANKOWY DOWÓD WPŁATY"}, {"NOU", "NOTA UZNANIOWA"}, {"NOO", "NOTA OBCIĄŻENIOWA"},
      {"KO", "KOMPENSATA"}, {"SAL", "SALDO"}};
  const std::string rd = AllTrim(kind.rd);
  for (const KindTitle& t : kTitles) {
    if (XbaseEquals(rd, t.prefix)) return Utf8ToCp852(t.title);
  }
  const std::string opis = AllTrim(Printable(kind.opis));
  if (!opis.empty()) return UpperPl(opis);
  return std::string("DOWÓD"_pl);
}

PrintedForm MoneyDocumentForm(const InvoiceData& data) {
  const InvoiceHeader& h = data.header;
  const PrintSettings& set = data.settings;
  const PrinterType printer = PrinterTypeOf(set.m_drukarka);
  PrintedForm form;
  form.klasa = "0";
  std::string& out = form.text;

  out += StartSequence(printer);
  for (const std::string& l : LetterheadLines(set, data.seller)) Put(out, l);
  for (const std::string& l : SellerBlock(data.seller, data.kind, set.krs_marker)) Put(out, l);
  const std::string town = IsBlank(set.branch_town) ? AllTrim(data.seller.modb) : AllTrim(set.branch_town);
  Put(out, TownDateLine(town, h.data, data.kind.HasTag("BEZ DATY")));
  Put(out, "");

  std::string title = std::string(kIndent, ' ') + Overstrike(MoneyDocumentTitle(data.kind)) + " NR " +
                      AllTrim(h.rd) + "-" + AllTrim(h.nrd);
  if (set.j_oryginal == 'O') title += std::string(10, ' ') + Overstrike("ORYGINAŁ"_pl);
  if (set.j_oryginal == 'K') title += std::string(10, ' ') + "KOPIA";
  Put(out, title);
  Put(out, "");

  // The counterparty: the header's copy, the book's record where the header is blank.
  auto pick = [](const std::string& own, const std::string& book) { return IsBlank(own) ? book : own; };
  const std::string nodb = pick(h.nodb, data.buyer.nodb);
  const std::string nodb1 = IsBlank(h.nodb) ? data.buyer.nodb1 : h.nodb1;
  const std::string kodb = pick(h.kodb, data.buyer.kodb);
  const std::string modb = pick(h.modb, data.buyer.modb);
  const std::string uodb = pick(h.uodb, data.buyer.uodb);
  const std::string regon = pick(h.regon, data.buyer.regon);
  const std::string pad(kIndent + 18, ' ');
  Put(out, Label("Kontrahent") + Printable(RTrim(nodb)));
  if (!IsBlank(nodb1)) Put(out, pad + Printable(RTrim(nodb1)));
  const std::string address = AllTrim(AllTrim(kodb) + " " + AllTrim(modb));
  if (!address.empty() || !IsBlank(uodb)) {
    Put(out, pad + Printable(address) + (IsBlank(uodb) ? "" : ",  " + Printable(AllTrim(uodb))));
  }
  if (!IsBlank(regon)) Put(out, pad + "NIP: " + Printable(AllTrim(regon)));
  Put(out, "");

  if (set.cancelled) {
    for (const std::string& l : CancelledBlock(form.klasa, printer, set.m_nazwisko)) Put(out, l);
    out += EndSequence(printer, set.j_eject, set.j_papier);
    return form;
  }

  const bool zloty = IsBlank(h.waluta) || AllTrim(Upper(h.waluta)) == "PLN";
  const std::string waluta = zloty ? std::string() : AllTrim(Upper(h.waluta));
  const double kwota = std::fabs(h.kwota);
  Put(out, Label("Tytułem"_pl) + Printable(RTrim(h.odbiorca)));
  Put(out, Label("Kwota") + TransformNumber(kwota, kMaskAmount) + (zloty ? Overstrike(" zł."_pl) : " " + waluta));
  Put(out, Label("Słownie"_pl) + Overstrike(SlownieKwoty(kwota, waluta)));
  if (!zloty && h.kurs > 0) Put(out, Label("Kurs") + AllTrim(TransformNumber(h.kurs, "9999.999999")));
  form.summary.brutto = kwota;
  Put(out, "");
  Put(out, "");
  Put(out, std::string(kIndent, ' ') + PadPrinted(Overstrike("Wystawił:"_pl), 34) +
               PadPrinted(Overstrike("Zatwierdził:"_pl), 34) +
               Overstrike("Otrzymałem / wpłaciłem:"_pl));
  Put(out, "");
  Put(out, std::string(kIndent, ' ') + PadPrinted(Printable(RTrim(set.m_nazwisko)), 34));
  Put(out, std::string(kIndent, ' ') + std::string(28, '.') + std::string(6, ' ') + std::string(28, '.') +
               std::string(6, ' ') + std::string(28, '.'));
  out += EndSequence(printer, set.j_eject, set.j_papier);
  return form;
}

}  // namespace hurt::invoicing
