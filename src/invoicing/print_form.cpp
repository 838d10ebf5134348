#include "invoicing/print_form.h"

#include <algorithm>
#include <cmath>

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/picture.h"
#include "base/text.h"
#include "documents/line_math.h"
#include "invoicing/invoice_number.h"
#include "invoicing/payment_lines.h"
#include "invoicing/printer_codes.h"

namespace hurt::invoicing {

namespace {

using namespace hurt::literals;

// Lines are collected here with their page: a form feed opens every page after the first.
class PageWriter {
 public:
  explicit PageWriter(std::string start) : out_(std::move(start)) {}

  void Line(std::string_view text) {
    if (form_feed_pending_) {
      out_ += kFormFeed;
      form_feed_pending_ = false;
    }
    size_t end = text.find_last_not_of(' ');
    out_ += text.substr(0, end == std::string_view::npos ? 0 : end + 1);
    out_ += kCrLf;
    ++lines_on_page_;
  }
  void Lines(const std::vector<std::string>& lines) {
    for (const std::string& l : lines) Line(l);
  }
  void NewPage() {
    form_feed_pending_ = true;
    lines_on_page_ = 0;
    ++page_;
  }
  int lines_on_page() const { return lines_on_page_; }
  int page() const { return page_; }
  std::string Finish(std::string_view end) {
    if (form_feed_pending_) out_ += kFormFeed;
    out_ += end;
    return std::move(out_);
  }

 private:
  std::string out_;
  int lines_on_page_ = 0;
  int page_ = 1;
  bool form_feed_pending_ = false;
};

bool ClassIs(std::string_view klasa, std::string_view prefix) { return klasa.starts_with(prefix); }

std::vector<documents::DocLine> ToDocLines(const std::vector<InvoiceLine>& lines, char nb) {
  std::vector<documents::DocLine> out;
  out.reserve(lines.size());
  for (const InvoiceLine& l : lines) {
    documents::DocLine d = l;
    d.nb = nb;
    out.push_back(std::move(d));
  }
  return out;
}

// A correction that changes only the buyer's tax number or quotes a text file has no
// payment block.
bool IsTextCorrection(const std::vector<InvoiceLine>& lines) {
  return std::any_of(lines.begin(), lines.end(), [](const InvoiceLine& l) {
    std::string name = Upper(AllTrim(l.nazwa));
    return name == "KOREKTA NIP" || name.find(".TXT") != std::string::npos;
  });
}

std::string MoneyText(double amount) {
  return AllTrim(TransformNumber(NewRound(amount, 2), "999 999 999.99"));
}

std::string CurrencyUnit(std::string_view waluta) {
  std::string cur = Upper(AllTrim(waluta));
  return documents::IsForeignCurrency(cur) ? " " + cur : std::string(" zł"_pl);
}

// The text at the left of the first VAT row: what the buyer pays or gets back.
std::string DueText(bool invoice, double brutto, std::string_view waluta) {
  if (!invoice || SameAmount(brutto, 0)) return {};
  std::string label = brutto > 0 ? std::string("Do zapłaty: "_pl) : "Do zwrotu: ";
  return Overstrike(label + MoneyText(std::abs(brutto)) + CurrencyUnit(waluta));
}

}  // namespace

std::string PrintClassOf(std::string_view klasa, const documents::DocKind& kind) {
  if (kind.IsClass("RS")) return "FV";
  if (kind.IsClass("KS")) return "FK";
  if (kind.IsClass("PZ")) return "PZ ";
  if (kind.s_z == 'Z') return "PZ-";
  return std::string(klasa);
}

std::string CancelledMarkerName(std::string_view nrd) { return "F" + AllTrim(nrd) + ".---"; }

PrintedForm FvFaktura(std::string_view klasa_asked, char mode, const InvoiceData& data) {
  const InvoiceHeader& h = data.header;
  const PrintSettings& s = data.settings;
  const documents::DocKind& kind = data.kind;

  PrintedForm result;
  result.klasa = PrintClassOf(klasa_asked, kind);
  const std::string& klasa = result.klasa;
  bool fv = ClassIs(klasa, "FV");
  bool fk = ClassIs(klasa, "FK");
  bool invoice = fv || fk;
  char nb = mode == 'B' ? 'B' : 'N';

  // Totals first: the per-rate reconciliation may move a grosz onto a line, and the
  // table must print the lines as the totals count them.
  result.lines = data.lines;
  std::vector<documents::DocLine> doc_lines = ToDocLines(data.lines, nb);
  result.summary = documents::FunSuma(doc_lines, nb, kind.IsIssue(), h.reszta);
  result.reconciled_lines = result.summary.changed_lines;
  for (size_t i = 0; i < doc_lines.size(); ++i) {
    result.lines[i].podatek = doc_lines[i].podatek;
    result.lines[i].brutto = doc_lines[i].brutto;
  }
  const documents::VatSummary& sum = result.summary;

  result.form = SelectForm(nb, s.j_rab_poz, h.rabat, result.lines);
  std::string jezyk = Upper(AllTrim(h.jezyk));
  bool foreign_language = !jezyk.empty() && jezyk != "P";
  std::string waluta = Upper(AllTrim(h.waluta));
  bool currency = documents::IsForeignCurrency(waluta);

  TableOptions table_options;
  table_options.form = result.form;
  table_options.pkwiu = s.j_pkwiu;
  table_options.mag_column = s.j_mag_druk;
  table_options.opa_column = s.j_opa_druk;
  table_options.foreign_language = foreign_language;
  table_options.quantity_decimals = s.quantity_decimals;
  LineTable table(table_options);

  PrinterType printer = PrinterTypeOf(s.m_drukarka);
  NumberingSettings numbering{s.j_zer_nrd, s.j_fv_symbo};
  std::string title;
  if (fk) {
    title = CorrectionTitle(h.rd, h.odbiorca, h.data_fa != kEmptyDate ? h.data_fa : h.data, numbering);
  } else if (fv) {
    title = InvoiceTitle(h.rd, h.nrd, h.data, kind.opis, numbering);
    if (foreign_language) title += " / INVOICE";
  } else {
    title = "DOWOD NR " + DocumentNumberText(h.rd, h.nrd, h.data, kind.opis, numbering);
  }
  title = Printable(title);  // the corrected number and the kind symbol come from the tables
  std::string mark = invoice ? OryginalMark(s.j_oryginal, h.data) : std::string();
  bool bez_daty = kind.HasTag("BEZ DATY");
  std::string town = IsBlank(s.branch_town) ? data.seller.modb : s.branch_town;
  std::string page_word = foreign_language ? "Strona / Page " : "Strona ";
  std::vector<std::string> letterhead = LetterheadLines(s, data.seller);

  PageWriter w(StartSequence(printer));
  auto page_head = [&] {
    w.Lines(letterhead);
    if (w.page() == 1) w.Lines(SellerBlock(data.seller, kind, s.krs_marker));
    w.Line(TownDateLine(town, h.data, bez_daty));
    std::string line = title + Space(21) + page_word + std::to_string(w.page());
    if (!mark.empty()) line += Space(10) + Overstrike(mark);
    w.Line(line);
  };

  page_head();
  if (fk) {
    w.Line(Overstrike("Faktura korygująca nr "_pl) +
           Printable(DocumentNumberText(h.rd, h.nrd, h.data, kind.opis, numbering)));
  }
  w.Line("");
  BuyerOptions buyer_options;
  buyer_options.purchase = ClassIs(klasa, "PZ");
  buyer_options.correction = fk;
  buyer_options.foreign_language = foreign_language;
  w.Lines(BuyerBlock(h, data.buyer, buyer_options));
  w.Lines(BankLine(data.seller, h.nr_banku));

  if (s.cancelled) {
    w.Lines(CancelledBlock(klasa, printer, s.m_nazwisko));
    result.pages = w.page();
    result.text = w.Finish(EndSequence(printer, s.j_eject, s.j_papier));
    return result;
  }

  // The date of sale: an invoice's own, or its issue date; other documents only when set.
  JulianDay sale_date = h.data_wyd != kEmptyDate ? h.data_wyd : (fv ? h.data : kEmptyDate);
  if (!bez_daty && sale_date != kEmptyDate) {
    std::string label(foreign_language ? "Data sprzedaży / Date of sale: "_pl : "Data sprzedaży: "_pl);
    w.Line(label + Dtoc(sale_date));
  }
  if (currency) {
    std::string line = "Waluta: " + waluta;
    if (h.kurs > 0) {
      line += "   kurs: " + FormatFixed(NewRound(h.kurs, 6), 6);
      if (h.data_kursu != kEmptyDate) line += " z dnia " + Dtoc(h.data_kursu);
    }
    w.Line(line);
  }
  for (const std::string& opis : h.opis) w.Line(Printable(opis));
  w.Line("");

  // The line table, page by page.
  bool paging = s.j_ww1 > 0 && s.j_ww2 > 0 && (fv || fk || ClassIs(klasa, "DU"));
  auto limit = [&] { return w.page() == 1 ? s.j_ww1 : s.j_ww2; };
  int rows_on_page = 0;
  auto page_break = [&] {
    w.Line(table.Rule());
    w.NewPage();
    page_head();
    w.Line("");
    w.Lines(table.Head());
    rows_on_page = 0;
  };
  w.Lines(table.Head());
  int ordinal = 0;
  for (const InvoiceLine& line : result.lines) {
    std::vector<std::string> rows = table.Row(line, ++ordinal);
    int needed = static_cast<int>(rows.size()) + 1;  // with the closing rule under it
    if (paging && rows_on_page > 0 && w.lines_on_page() + needed > limit()) page_break();
    w.Lines(rows);
    ++rows_on_page;
  }
  if (paging && rows_on_page > 0 && w.lines_on_page() > limit() - 6) page_break();

  // Totals.
  if (rows_on_page > 0 || w.page() == 1) w.Line(table.Rule());
  std::string due = DueText(invoice, sum.brutto, waluta);
  if (foreign_language) {
    VatTableOptions vat_options{printer.page_printer, true, currency ? waluta : std::string()};
    std::vector<std::string> vat_table = VatSummaryTable(sum, vat_options);
    auto indent = static_cast<size_t>(std::max(0, table.Width() - static_cast<int>(vat_table.front().size())));
    for (size_t i = 0; i < vat_table.size(); ++i) {
      w.Line((i == 0 ? PadPrinted(due, indent) : Space(indent)) + vat_table[i]);
    }
  } else {
    w.Lines(table.RateBlock(sum, due));
  }
  w.Line("");

  // Amount lines.
  if (fk) {
    w.Lines(CorrectionAmountLines(sum.netto, sum.vat, sum.brutto, waluta));
  } else {
    w.Line(AmountInWordsLine(sum.brutto, waluta));
  }
  if (currency && h.kurs > 0) {
    w.Line("Podatek VAT w PLN: " + MoneyText(sum.vat * h.kurs) + std::string(" zł"_pl));
  }

  // Payment.
  bool payment = invoice && !kind.HasTag("ZAMOWIENIE") && !(fk && IsTextCorrection(result.lines));
  if (payment) {
    PaymentInput p;
    p.spz = h.spz;
    p.tez = h.tez;
    p.data = h.data;
    p.transport = h.transport;
    p.vouchers = h.vouchers;
    p.faktura_do_paragonu = kind.HasTag("FAKTURA DO PARAGONU");
    std::string kraj = Upper(AllTrim(IsBlank(h.nip_kraj) ? data.buyer.nip_kraj : h.nip_kraj));
    p.slovak = kraj == "SK";
    p.spz_h_txt = s.spz_h_txt;
    p.spz_p_txt = s.spz_p_txt;
    p.spz_n_txt = s.spz_n_txt;
    w.Line("");
    w.Lines(PlatnoscNaFv(p));
  }
  if (invoice) {
    bool first = true;
    for (const std::string* text : {&s.j_st_tekst, &s.j_st_teks1, &s.j_reklama1, &s.j_reklama2}) {
      if (IsBlank(*text)) continue;
      if (first) w.Line("");
      first = false;
      w.Line(AllTrim(Printable(*text)));
    }
  }

  w.Line("");
  w.Line("");
  w.Lines(SignatureBlock(s.m_nazwisko));
  result.pages = w.page();
  result.text = w.Finish(EndSequence(printer, s.j_eject, s.j_papier));
  return result;
}

}  // namespace hurt::invoicing
