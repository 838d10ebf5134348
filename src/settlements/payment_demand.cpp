#include "settlements/payment_demand.h"

#include <cstdio>
#include <string>

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/picture.h"
#include "base/printed_text.h"
#include "base/slownie.h"
#include "base/short_date.h"
#include "base/text.h"
#include "console/form.h"
#include "console/message_window.h"
#include "session/area_fields.h"
#include "session/output/line_reader.h"
#include "session/output/report_file.h"
#include "session/output/report_paths.h"
#include "session/session.h"
#include "session/viewer.h"
#include "settlements/ledger_tables.h"
#include "store/schema.h"

namespace hurt::settlements {

using namespace hurt::literals;

namespace {

constexpr size_t kPageWidth = 80;
constexpr size_t kAddressColumn = 40;

// The fixed texts of the letters, spelled for the printer.
std::string Fixed(std::string_view cp852) { return OverstrikeLAndAcute(cp852); }

// A text from the tables, made safe to print and trimmed.
std::string Stored(std::string_view text) { return AllTrim(Printable(text)); }

// A text centred in `width` printed columns.
std::string Centred(std::string_view text, size_t width) {
  const size_t used = PrintedWidth(text);
  if (used >= width) return std::string(text);
  const size_t left = (width - used) / 2;
  return PadPrinted(Space(left) + std::string(text), width);
}

// A table row: the cells (already sized) between bars.
std::string Row(const std::vector<std::string>& cells) {
  std::string out = "|";
  for (const std::string& c : cells) out += c + "|";
  return out;
}

struct Column {
  size_t width;
  std::string_view top, bottom;  // the two heading lines, code page 852
};

// Demand: |Lp  |FAKTURA Z DNIA|KWOTA|TERMIN ZAPŁATY|ZOSTAŁO DO ZAPŁATY|PROGNOZA ODSETEK|
const std::vector<Column>& DemandColumns() {
  static const std::vector<Column> kColumns = {
      {4, "Lp", ""},
      {24, "FAKTURA Z DNIA", ""},
      {12, "KWOTA", ""},
      {10, "TERMIN", "ZAPŁATY"_pl},
      {12, "ZOSTAŁO"_pl, "DO ZAPŁATY"_pl},
      {11, "PROGNOZA", "ODSETEK"},
  };
  return kColumns;
}

// Reminder: |Lp  |FAKTURA Z DNIA|KWOTA|TERMIN PŁATNOSCI|DNI ZWŁOKI|
const std::vector<Column>& ReminderColumns() {
  static const std::vector<Column> kColumns = {
      {4, "Lp", ""},
      {24, "FAKTURA Z DNIA", ""},
      {14, "KWOTA", ""},
      {11, "TERMIN", "PŁATNOSCI"_pl},
      {9, "DNI", "ZWŁOKI"_pl},
  };
  return kColumns;
}

size_t TableWidth(const std::vector<Column>& columns) {
  size_t w = 1;
  for (const Column& c : columns) w += c.width + 1;
  return w;
}

void Heading(std::vector<std::string>& out, const std::vector<Column>& columns) {
  const std::string rule(TableWidth(columns), '-');
  std::vector<std::string> top, bottom;
  for (const Column& c : columns) {
    top.push_back(Centred(Fixed(std::string(c.top)), c.width));
    bottom.push_back(Centred(Fixed(std::string(c.bottom)), c.width));
  }
  out.push_back(rule);
  out.push_back(Row(top));
  out.push_back(Row(bottom));
  out.push_back(rule);
}

std::string InvoiceCell(const LetterItem& i) {
  return PadR(" " + Left(AllTrim(i.rd) + "-" + AllTrim(i.nrd), 12) + " z " + ShortDate(i.data), 24);
}

std::string NumberCell(double x, std::string_view picture, size_t width) {
  return PadL(TransformNumber(x, picture) + " ", width);
}

// The line under a foreign-currency item: its own amount and currency.
void CurrencyLine(std::vector<std::string>& out, const LetterItem& i, const std::vector<Column>& columns) {
  if (IsBlank(i.waluta)) return;
  std::vector<std::string> cells;
  for (const Column& c : columns) cells.push_back(Space(c.width));
  cells[1] = PadR("   " + TransformNumber(i.zostalo_w_walucie, "9999999.99") + " " + AllTrim(i.waluta), 24);
  out.push_back(Row(cells));
}

void Addresses(std::vector<std::string>& out, const Letter& l) {
  const LetterFirm& f = l.firm;
  std::string first = Stored(f.nodb);
  const std::string dated = Stored(f.modb) + (IsBlank(f.modb) ? "" : ", ") + Dtoc(l.today);
  out.push_back(PadR(first, kPageWidth - dated.size() - 1) + " " + dated);
  if (!IsBlank(f.nodb1)) out.push_back(Stored(f.nodb1));
  std::string address = Stored(f.kodb) + " " + Stored(f.modb);
  if (!IsBlank(f.uodb)) address += ", " + Stored(f.uodb);
  out.push_back(AllTrim(address));
  out.push_back("NIP: " + Stored(f.regon));
  out.push_back("");
  const LetterParty& p = l.party;
  for (const std::string& line : {p.nodb, p.nodb1, p.uodb, AllTrim(Stored(p.kodb) + " " + Stored(p.modb))}) {
    if (!IsBlank(line)) out.push_back(Space(kAddressColumn) + Stored(line));
  }
  out.push_back("");
  out.push_back("");
}

void Account(std::vector<std::string>& out, const LetterFirm& f) {
  if (!IsBlank(f.bodb)) out.push_back("  " + Stored(f.bodb));
  if (!IsBlank(f.nrbo)) out.push_back("  " + Stored(f.nrbo));
}

void Footer(std::vector<std::string>& out, const Letter& l) {
  out.push_back("");
  out.push_back("Informacji udziela : " + Stored(l.informacji));
  out.push_back("Nr telefonu        : " + Stored(l.telefon));
  out.push_back("");
  out.push_back("");
  out.push_back(Space(48) + std::string(30, '.'));
  out.push_back(Space(48) + Centred(Fixed("(podpis i pieczęć)"_pl), 30));
}

std::vector<std::string> DemandLines(const Letter& l) {
  std::vector<std::string> out;
  Addresses(out, l);
  out.push_back(Centred(Fixed("WEZWANIE DO ZAPŁATY"_pl), kPageWidth));
  if (l.rejestr_dluznikow) {
    out.push_back(Centred(Fixed("** Z OSTRZEŻENIEM O WPISIE DO OFICJALNEGO REJESTRU DŁUŻNIKÓW **"_pl), kPageWidth));
  }
  out.push_back("");
  out.push_back(Fixed("Według naszej ewidencji na dzień "_pl) + Dtoc(l.today) +
                Fixed(" nie zostały uregulowane należności:"_pl));
  const std::vector<Column>& columns = DemandColumns();
  Heading(out, columns);
  double kwota = 0, zostalo = 0, odsetki = 0;
  int lp = 0;
  for (const LetterItem& i : l.items) {
    out.push_back(Row({PadL(std::to_string(++lp) + ".", 3) + " ", InvoiceCell(i), NumberCell(i.kwota, "9999999.99", 12),
                       " " + ShortDate(i.termin) + " ", NumberCell(i.zostalo, "9999999.99", 12),
                       NumberCell(i.odsetki, "999999.99", 11)}));
    CurrencyLine(out, i, columns);
    kwota += i.kwota;
    zostalo += i.zostalo;
    odsetki += i.odsetki;
  }
  kwota = NewRound(kwota, 2);
  zostalo = NewRound(zostalo, 2);
  odsetki = NewRound(odsetki, 2);
  const std::string rule(TableWidth(columns), '-');
  out.push_back(rule);
  out.push_back(Row({PadR(" Razem          :", 29), NumberCell(kwota, "9999999.99", 12), Space(10),
                     NumberCell(zostalo, "9999999.99", 12), NumberCell(odsetki, "999999.99", 11)}));
  out.push_back(rule);
  out.push_back("");
  out.push_back(Fixed("DO ZAPŁATY     : "_pl) + AllTrim(TransformNumber(NewRound(zostalo + odsetki, 2), "999999999.99")) +
                Fixed(" zł"_pl));
  out.push_back("");
  if (l.legal_text.empty()) {
    out.push_back(Fixed("Wzywamy do niezwłocznej zapłaty powyższej kwoty na nasz rachunek bankowy:"_pl));
  } else {
    for (const std::string& line : l.legal_text) out.push_back(Printable(RTrim(line)));
  }
  Account(out, l.firm);
  out.push_back("");
  out.push_back(Fixed("Wpłaty dokonane w międzyczasie unieważniają niniejsze wezwanie."_pl));
  Footer(out, l);
  return out;
}

std::vector<std::string> ReminderLines(const Letter& l) {
  std::vector<std::string> out;
  Addresses(out, l);
  out.push_back(Centred(Fixed("PRZYPOMNIENIE O PŁATNOSCI"_pl), kPageWidth));
  out.push_back("");
  out.push_back(Fixed("Uprzejmie przypominamy o płatności następujących należności:"_pl));
  const std::vector<Column>& columns = ReminderColumns();
  Heading(out, columns);
  double total = 0;
  int lp = 0;
  for (const LetterItem& i : l.items) {
    const long late = i.termin == kEmptyDate ? 0 : static_cast<long>(l.today - i.termin);
    out.push_back(Row({PadL(std::to_string(++lp) + ".", 3) + " ", InvoiceCell(i),
                       NumberCell(i.zostalo, "999999999.99", 14), "  " + ShortDate(i.termin) + " ",
                       NumberCell(late > 0 ? static_cast<double>(late) : 0.0, "@Z 99999", 9)}));
    CurrencyLine(out, i, columns);
    total += i.zostalo;
  }
  total = NewRound(total, 2);
  const std::string rule(TableWidth(columns), '-');
  out.push_back(rule);
  out.push_back(Row({PadR(" Razem          :", 29), NumberCell(total, "999999999.99", 14), Space(11), Space(9)}));
  out.push_back(rule);
  out.push_back("");
  // The words of whole złoty name no currency; with grosze they end "zł. i ... gr.".
  std::string words = RTrim(SlownieKwoty(total));
  if (words.find("zł"_pl) == std::string::npos) words += std::string(" zł"_pl);
  out.push_back(Fixed("Słownie        : "_pl) + Fixed(words));
  out.push_back("");
  out.push_back(Fixed("Prosimy o wpłatę na nasz rachunek bankowy:"_pl));
  Account(out, l.firm);
  out.push_back("");
  out.push_back(Fixed("Jeżeli należność została już zapłacona, prosimy uznać to przypomnienie za nieaktualne."_pl));
  Footer(out, l);
  return out;
}

}  // namespace

LetterItem LetterItemOf(const OpenItem& item, JulianDay today, std::span<const InterestRate> rates) {
  LetterItem l;
  l.rd = item.rd;
  l.nrd = item.nrd;
  l.data = item.data;
  l.termin = item.termin != kEmptyDate ? item.termin : item.data;
  l.kwota = item.HomeWn();
  l.zostalo = NewRound(item.HomeWn() - item.HomeMa(), 2);
  l.odsetki = InterestForecast(l.zostalo, l.termin, today, rates);
  if (item.kurs > 0 && !IsBlank(item.waluta)) {
    l.waluta = item.waluta;
    l.zostalo_w_walucie = NewRound(item.obwn - item.obma, 2);
  }
  return l;
}

std::vector<std::string> LetterLines(const Letter& letter) {
  std::vector<std::string> lines = letter.kind == LetterKind::kWezwanie ? DemandLines(letter) : ReminderLines(letter);
  for (std::string& line : lines) line = RTrim(line);
  return lines;
}

namespace {

// The lines of WEZWANIE.TXT (empty when it cannot be read: the ordinary request is printed).
std::vector<std::string> LegalText(session::Session& s) {
  std::vector<std::string> lines;
  const std::string path = session::FindFileAnyCase(s.env(), s.root(), "WEZWANIE.TXT");
  if (path.empty()) return lines;
  auto file = s.env().Open(path, xbase::OpenOptions{.write = false});
  if (!file.ok()) return lines;
  session::LineReader reader(**file);
  std::string line;
  while (reader.Next(line)) lines.push_back(line);
  return lines;
}

// "Informacji udziela :" and "Nr telefonu        :"; false after Esc.
bool AskContact(console::Console& con, std::string& informacji, std::string& telefon) {
  const console::SavedRegion under = con.Save(15, 10, 18, 70);
  con.Box(15, 10, 18, 70, console::DoubleFrame(), con.colours().standard, ' ');
  con.Say(16, 12, "Informacji udziela :");
  con.Say(17, 12, "Nr telefonu        :");
  informacji = PadR(informacji, 30);
  telefon = PadR(telefon, 20);
  console::Form f(con);
  f.GetText(16, 33, informacji);
  f.GetText(17, 33, telefon);
  const bool escaped = f.Read().escaped;
  con.Restore(under);
  return !escaped;
}

}  // namespace

void DrukujPismo(session::Session& s, LetterKind kind, std::string_view kto, std::string_view odb,
                 const std::vector<OpenItem>& marked, const OpenItem* current) {
  console::Console& con = s.con();
  std::vector<OpenItem> items = marked;
  if (items.empty() && current != nullptr) items.push_back(*current);
  if (items.empty()) {
    console::Okno_(con, "BAW SIE CZYMS INNYM LUB ZAZNACZ COS", 2);
    return;
  }
  // Only what the counterparty owes is demanded: items on our side (a payment, a credit,
  // what we owe) are left out, and with nothing owed nothing is printed.
  std::erase_if(items, [](const OpenItem& i) { return NewRound(i.HomeWn() - i.HomeMa(), 2) <= 0; });
  if (items.empty()) {
    console::Okno_(con, "Zaznaczone pozycje nie sa naleznoscia - nie drukuje", 3);
    return;
  }
  Letter letter;
  letter.kind = kind;
  letter.today = s.Today();
  if (kind == LetterKind::kWezwanie) {
    if (s.FileX("WEZWANIE.TXT") && console::Okno(con, "WEZWANIE BIURA PRAWNEGO ?", "N")) {
      letter.legal_text = LegalText(s);
    }
    letter.rejestr_dluznikow = console::Okno(con, std::string("Z OSTRZEŻENIEM O WPISIE DO REJESTRU DŁUŻNIKÓW ?"_pl), "N");
  }
  if (!AskContact(con, letter.informacji, letter.telefon)) return;
  std::vector<InterestRate> rates;
  if (kind == LetterKind::kWezwanie) {
    auto read = ReadInterestRates(s);
    if (!read.ok()) {
      console::Okno_(con, "Plik odsetki.dbf niedostepny - prognoza odsetek pominieta", 3);
    } else {
      rates = std::move(*read);
    }
  }
  letter.firm = ReadFirm(s);
  letter.party = ReadParty(s, kto, odb);
  for (const OpenItem& i : items) letter.items.push_back(LetterItemOf(i, letter.today, rates));
  const std::vector<std::string> lines = LetterLines(letter);
  session::ViewDruk(s, [&lines](session::ReportWriter& out) {
    for (const std::string& line : lines) out.Line(line);
  });
}

}  // namespace hurt::settlements
