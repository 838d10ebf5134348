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

namespace {

// Totals first: the per-rate reconciliation may move a grosz onto a line, and the table
// must print the lines as the totals count them. Fills the lines and the summary of
// `result`.
void ReconcileTotals(const InvoiceData& data, char nb, PrintedForm& result) {
  result.lines = data.lines;
  std::vector<documents::DocLine> doc_lines = ToDocLines(data.lines, nb);
  result.summary = documents::FunSuma(doc_lines, nb, data.kind.IsIssue(), data.header.reszta);
  result.reconciled_lines = result.summary.changed_lines;
  for (size_t i = 0; i < doc_lines.size(); ++i) {
    result.lines[i].podatek = doc_lines[i].podatek;
    result.lines[i].brutto = doc_lines[i].brutto;
  }
}

TableOptions TableOptionsOf(const PrintSettings& s, FormLayout form, bool foreign_language) {
  TableOptions table_options;
  table_options.form = form;
  table_options.pkwiu = s.j_pkwiu;
  table_options.mag_column = s.j_mag_druk;
  table_options.opa_column = s.j_opa_druk;
  table_options.foreign_language = foreign_language;
  table_options.quantity_decimals = s.quantity_decimals;
  return table_options;
}

// The title of every page: the invoice or correction number, or the document's.
std::string FormTitle(const InvoiceData& data, bool fv, bool fk, bool foreign_language) {
  const InvoiceHeader& h = data.header;
  const PrintSettings& s = data.settings;
  NumberingSettings numbering{s.j_zer_nrd, s.j_fv_symbo};
  std::string title;
  if (fk) {
    title = CorrectionTitle(h.rd, h.odbiorca, h.data_fa != kEmptyDate ? h.data_fa : h.data, numbering);
  } else if (fv) {
    title = InvoiceTitle(h.rd, h.nrd, h.data, data.kind.opis, numbering);
    if (foreign_language) title += " / INVOICE";
  } else {
    title = "DOWOD NR " + DocumentNumberText(h.rd, h.nrd, h.data, data.kind.opis, numbering);
  }
  return Printable(title);  // the corrected number and the kind symbol come from the tables
}

// FV_FAKTURA's writing: the printout of one document, block by block, page by page,
// into the text and page count of `result` (its lines, summary and form already set).
class InvoiceForm {
 public:
  InvoiceForm(const InvoiceData& data, PrintedForm& result)
      : data_(data),
        h_(data.header),
        s_(data.settings),
        kind_(data.kind),
        result_(result),
        klasa_(result.klasa),
        fv_(ClassIs(klasa_, "FV")),
        fk_(ClassIs(klasa_, "FK")),
        invoice_(fv_ || fk_),
        jezyk_(Upper(AllTrim(h_.jezyk))),
        foreign_language_(!jezyk_.empty() && jezyk_ != "P"),
        waluta_(Upper(AllTrim(h_.waluta))),
        currency_(documents::IsForeignCurrency(waluta_)),
        table_(TableOptionsOf(s_, result.form, foreign_language_)),
        printer_(PrinterTypeOf(s_.m_drukarka)),
        numbering_{s_.j_zer_nrd, s_.j_fv_symbo},
        title_(FormTitle(data, fv_, fk_, foreign_language_)),
        mark_(invoice_ ? OryginalMark(s_.j_oryginal, h_.data) : std::string()),
        bez_daty_(kind_.HasTag("BEZ DATY")),
        town_(IsBlank(s_.branch_town) ? data.seller.modb : s_.branch_town),
        page_word_(foreign_language_ ? "Strona / Page " : "Strona "),
        letterhead_(LetterheadLines(s_, data.seller)),
        w_(StartSequence(printer_)) {}

  void Write() {
    PageHead();
    Heading();
    if (s_.cancelled) {
      w_.Lines(CancelledBlock(klasa_, printer_, s_.m_nazwisko));
      Finish();
      return;
    }
    SaleDateAndCurrency();
    LineTablePages();
    Totals();
    AmountLines();
    PaymentAndTexts();
    w_.Line("");
    w_.Line("");
    w_.Lines(SignatureBlock(s_.m_nazwisko));
    Finish();
  }

 private:
  // The head of every page: letterhead (the seller on page 1), town and date, title.
  void PageHead() {
    w_.Lines(letterhead_);
    if (w_.page() == 1) w_.Lines(SellerBlock(data_.seller, kind_, s_.krs_marker));
    w_.Line(TownDateLine(town_, h_.data, bez_daty_));
    std::string line = title_ + Space(21) + page_word_ + std::to_string(w_.page());
    if (!mark_.empty()) line += Space(10) + Overstrike(mark_);
    w_.Line(line);
    if (!h_.ksef.empty()) w_.Line("Numer KSeF: " + Printable(h_.ksef));
  }

  // Under the first page head: the corrected invoice, the buyer and the bank.
  void Heading() {
    if (fk_) {
      w_.Line(Overstrike("Faktura korygująca nr "_pl) +
              Printable(DocumentNumberText(h_.rd, h_.nrd, h_.data, kind_.opis, numbering_)));
    }
    w_.Line("");
    BuyerOptions buyer_options;
    buyer_options.purchase = ClassIs(klasa_, "PZ");
    buyer_options.correction = fk_;
    buyer_options.foreign_language = foreign_language_;
    w_.Lines(BuyerBlock(h_, data_.buyer, buyer_options));
    w_.Lines(BankLine(data_.seller, h_.nr_banku));
  }

  // The date of sale, the currency and the document's descriptions.
  void SaleDateAndCurrency() {
    // The date of sale: an invoice's own, or its issue date; other documents only when set.
    JulianDay sale_date = h_.data_wyd != kEmptyDate ? h_.data_wyd : (fv_ ? h_.data : kEmptyDate);
    if (!bez_daty_ && sale_date != kEmptyDate) {
      std::string label(foreign_language_ ? "Data sprzedaży / Date of sale: "_pl : "Data sprzedaży: "_pl);
      w_.Line(label + Dtoc(sale_date));
    }
    if (currency_) {
      std::string line = "Waluta: " + waluta_;
      if (h_.kurs > 0) {
        line += "   kurs: " + FormatFixed(NewRound(h_.kurs, 6), 6);
        if (h_.data_kursu != kEmptyDate) line += " z dnia " + Dtoc(h_.data_kursu);
      }
      w_.Line(line);
    }
    for (const std::string& opis : h_.opis) w_.Line(Printable(opis));
    w_.Line("");
  }

  // The line table, page by page.
  void LineTablePages() {
    w_.Lines(table_.Head());
    int ordinal = 0;
    for (const InvoiceLine& line : result_.lines) {
      std::vector<std::string> rows = table_.Row(line, ++ordinal);
      int needed = static_cast<int>(rows.size()) + 1;  // with the closing rule under it
      if (Paging() && rows_on_page_ > 0 && w_.lines_on_page() + needed > PageLimit()) PageBreak();
      w_.Lines(rows);
      ++rows_on_page_;
    }
    if (Paging() && rows_on_page_ > 0 && w_.lines_on_page() > PageLimit() - 6) PageBreak();
  }
  bool Paging() const { return s_.j_ww1 > 0 && s_.j_ww2 > 0 && (fv_ || fk_ || ClassIs(klasa_, "DU")); }
  int PageLimit() const { return w_.page() == 1 ? s_.j_ww1 : s_.j_ww2; }
  void PageBreak() {
    w_.Line(table_.Rule());
    w_.NewPage();
    PageHead();
    w_.Line("");
    w_.Lines(table_.Head());
    rows_on_page_ = 0;
  }

  // The rule closing the table, the totals and the VAT rows.
  void Totals() {
    const documents::VatSummary& sum = result_.summary;
    if (rows_on_page_ > 0 || w_.page() == 1) w_.Line(table_.Rule());
    std::string due = DueText(invoice_, sum.brutto, waluta_);
    if (foreign_language_) {
      VatTableOptions vat_options{printer_.page_printer, true, currency_ ? waluta_ : std::string()};
      std::vector<std::string> vat_table = VatSummaryTable(sum, vat_options);
      auto indent = static_cast<size_t>(std::max(0, table_.Width() - static_cast<int>(vat_table.front().size())));
      for (size_t i = 0; i < vat_table.size(); ++i) {
        w_.Line((i == 0 ? PadPrinted(due, indent) : Space(indent)) + vat_table[i]);
      }
    } else {
      w_.Lines(table_.RateBlock(sum, due));
    }
    w_.Line("");
  }

  // The amount in words (a correction: its amounts), and the VAT in zloty.
  void AmountLines() {
    const documents::VatSummary& sum = result_.summary;
    if (fk_) {
      w_.Lines(CorrectionAmountLines(sum.netto, sum.vat, sum.brutto, waluta_));
    } else {
      w_.Line(AmountInWordsLine(sum.brutto, waluta_));
    }
    if (currency_ && h_.kurs > 0) {
      w_.Line("Podatek VAT w PLN: " + MoneyText(sum.vat * h_.kurs) + std::string(" zł"_pl));
    }
  }

  // An invoice's payment block and its standing and advertising texts.
  void PaymentAndTexts() {
    bool payment = invoice_ && !kind_.HasTag("ZAMOWIENIE") && !(fk_ && IsTextCorrection(result_.lines));
    if (payment) {
      w_.Line("");
      w_.Lines(PlatnoscNaFv(PaymentInputOf()));
    }
    if (invoice_) {
      bool first = true;
      for (const std::string* text : {&s_.j_st_tekst, &s_.j_st_teks1, &s_.j_reklama1, &s_.j_reklama2}) {
        if (IsBlank(*text)) continue;
        if (first) w_.Line("");
        first = false;
        w_.Line(AllTrim(Printable(*text)));
      }
    }
  }
  PaymentInput PaymentInputOf() const {
    PaymentInput p;
    p.spz = h_.spz;
    p.tez = h_.tez;
    p.data = h_.data;
    p.transport = h_.transport;
    p.vouchers = h_.vouchers;
    p.faktura_do_paragonu = kind_.HasTag("FAKTURA DO PARAGONU");
    std::string kraj = Upper(AllTrim(IsBlank(h_.nip_kraj) ? data_.buyer.nip_kraj : h_.nip_kraj));
    p.slovak = kraj == "SK";
    p.spz_h_txt = s_.spz_h_txt;
    p.spz_p_txt = s_.spz_p_txt;
    p.spz_n_txt = s_.spz_n_txt;
    return p;
  }

  void Finish() {
    result_.pages = w_.page();
    result_.text = w_.Finish(EndSequence(printer_, s_.j_eject, s_.j_papier));
  }

  const InvoiceData& data_;
  const InvoiceHeader& h_;
  const PrintSettings& s_;
  const documents::DocKind& kind_;
  PrintedForm& result_;
  const std::string& klasa_;
  const bool fv_, fk_, invoice_;
  const std::string jezyk_;
  const bool foreign_language_;
  const std::string waluta_;
  const bool currency_;
  const LineTable table_;
  const PrinterType printer_;
  const NumberingSettings numbering_;
  const std::string title_;
  const std::string mark_;  // original / copy
  const bool bez_daty_;
  const std::string town_;
  const std::string page_word_;
  const std::vector<std::string> letterhead_;
  PageWriter w_;
  int rows_on_page_ = 0;  // lines of the table on the current page
};

}  // namespace

PrintedForm FvFaktura(std::string_view klasa_asked, char mode, const InvoiceData& data) {
  PrintedForm result;
  result.klasa = PrintClassOf(klasa_asked, data.kind);
  char nb = mode == 'B' ? 'B' : 'N';
  ReconcileTotals(data, nb, result);
  result.form = SelectForm(nb, data.settings.j_rab_poz, data.header.rabat, result.lines);
  InvoiceForm form(data, result);
  form.Write();
  return result;
}

}  // namespace hurt::invoicing
