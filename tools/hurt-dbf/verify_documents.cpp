// The data checker's documents: the kinds of `slow`, the headers of `dowod` and the lines
// of `dow`, each read once.
//
//   1. slow: every kind with its counter NRD.
//   2. dowod: every visible header by RD + NRD (a number met twice is a finding), with what
//      its lines must add up to; the highest number of each kind; the issue notes linked
//      to their invoices (R_RD, R_NRD).
//   3. dow: every visible line is added to its header (totals as posting sums them, VAT
//      per rate, quantities per article for invoices made from notes) and its stock
//      effect, by the stock rule of posting, to the article cards.
//   4. per header: lines, totals, VAT per rate, notes against their invoice; per kind the
//      counter.
#include <limits>
#include <unordered_map>

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/text.h"
#include "documents/line_math.h"
#include "documents/stock_effect.h"
#include "documents/vat_rate.h"
#include "documents/vat_reconcile.h"
#include "verify_internal.h"

namespace hurt::dbftool::verify {

namespace {

using documents::DocKind;

constexpr size_t kNone = std::numeric_limits<size_t>::max();

struct Kind {
  DocKind kind;
  double counter = 0;  // NRD of slow: the last number given
};

// The lines of one rate of a document (lines of quantity 0 carry no money there).
struct RateSums {
  std::string code;  // PODATEK0 of its first line
  int rate = 0;      // its whole rate 1..25, 0 for the other codes
  double wartosc = 0;
  double brutto = 0;
  double podatek = 0;
  bool negative = false;  // a line of negative quantity
};

// Per article of an invoice made from notes: its own quantity and its notes'.
struct NoteQuantities {
  double invoice = 0;
  double notes = 0;
};

struct Header {
  uint32_t recno = 0;
  std::string key;  // RD + NRD
  const Kind* kind = nullptr;
  documents::StockDocument stock;
  double netto = 0, vat = 0, wartosc0 = 0;
  std::string waluta;
  std::string billed_to;  // the invoice an issue note is on (R_RD + R_NRD), "" for none
  bool from_notes = false;
  bool number_shared = false;  // another visible header has the same number

  // From the lines.
  int lines = 0;
  double sum_wartosc0 = 0, sum_netto = 0, sum_vat = 0;
  char basis = 0;  // NB of the first line
  std::vector<RateSums> rates;

  // Issue notes and their invoice.
  size_t invoice = kNone;  // the invoice this note is on
  int notes = 0;           // the notes on this invoice
  std::map<std::string, NoteQuantities> quantities;  // by MAG + INDEKS, invoices from notes
};

class DocumentCheck {
 public:
  DocumentCheck(const DataDir& dir, Cards& cards, Findings& findings) : dir_(dir), cards_(cards), findings_(findings) {}
  bool Run();

 private:
  void ReadKinds();
  struct KindLetter {
    std::string_view field;
    std::string value;
    std::string_view allowed;
  };
  void CheckKindLetters(uint32_t recno, std::string_view rd, std::initializer_list<KindLetter> letters);
  bool ReadHeaders();
  void LinkNotes();
  bool ReadLines();
  struct LineFields;
  void AddLine(Header& h, const TableReader& dow, const LineFields& f);
  void AddStock(const Header& h, const std::string& article, double q, std::string_view lp);
  Card* CardFor(const std::string& article, const Header& h, std::string_view lp);
  void CheckHeaders();
  void CheckTotals(const Header& h);
  void CheckRates(const Header& h);
  void CheckNotes(const Header& h);
  void CheckCounters();
  void Add(FindingKind kind, std::string text) { findings_.Add(kind, std::move(text)); }

  const DataDir& dir_;
  Cards& cards_;
  Findings& findings_;
  std::map<std::string, Kind, std::less<>> kinds_;       // by RD
  std::map<std::string, double, std::less<>> highest_;   // the highest number of each kind
  std::vector<Header> headers_;
  std::unordered_map<std::string, size_t> by_key_;
  bool kinds_read_ = false;
};

char Letter(const std::string& text, char fallback) { return text.empty() || text[0] == ' ' ? fallback : text[0]; }

void DocumentCheck::ReadKinds() {
  auto slow = TableReader::Open(dir_, dir_.PeriodFile("slow.dbf"), findings_);
  if (!slow) return;
  const int rd = slow->Field("RD"), opis = slow->Field("OPIS"), r_p = slow->Field("R_P"), s_z = slow->Field("S_Z");
  const int cuv = slow->Field("CUV"), nb = slow->Field("NB"), kto = slow->Field("KTO"), nrd = slow->Field("NRD");
  while (slow->Next()) {
    if (slow->deleted()) continue;
    Kind k;
    // As posting reads a kind.
    k.kind.rd = PadR(slow->Text(rd), 3);
    k.kind.opis = slow->Text(opis);
    k.kind.r_p = Letter(slow->Text(r_p), 'R');
    k.kind.s_z = Letter(slow->Text(s_z), 'S');
    k.kind.cuv = Letter(slow->Text(cuv), 'U');
    k.kind.nb = Letter(slow->Text(nb), 'N');
    k.kind.kto = Letter(slow->Text(kto), 'O');
    k.counter = slow->Number(nrd);
    CheckKindLetters(slow->recno(), k.kind.rd, {{"R_P", slow->Text(r_p), "RPMK"},
                                                {"S_Z", slow->Text(s_z), "SZDXY "},
                                                {"CUV", slow->Text(cuv), "CUV "},
                                                {"NB", slow->Text(nb), "NB "},
                                                {"KTO", slow->Text(kto), "ODPF"}});
    const uint32_t recno = slow->recno();
    auto [at, added] = kinds_.emplace(k.kind.rd, std::move(k));
    if (IsBlank(at->first)) Add(FindingKind::kDocuments, "slow rekord " + std::to_string(recno) + ": rodzaj bez kodu");
    if (!added) {
      Add(FindingKind::kDocuments, "slow " + KindName(at->first) + ": rodzaj zapisany drugi raz (rekord " +
                                       std::to_string(recno) + ")");
    }
  }
  kinds_read_ = slow->ok();
}

// A letter of a kind outside the values the document rules know (a blank counts when
// `allowed` holds one): posting would read the kind as it defaults.
void DocumentCheck::CheckKindLetters(uint32_t recno, std::string_view rd, std::initializer_list<KindLetter> letters) {
  for (const KindLetter& l : letters) {
    const std::string v = RTrim(l.value);
    const char c = v.empty() ? ' ' : v[0];
    if (v.size() <= 1 && l.allowed.find(c) != std::string_view::npos) continue;
    Add(FindingKind::kDocuments, "slow " + KindName(rd) + " (rekord " + std::to_string(recno) + "): " +
                                     std::string(l.field) + " \"" + Cp852ToUtf8(v) + "\" poza \"" +
                                     RTrim(std::string(l.allowed)) + "\"");
  }
}

bool DocumentCheck::ReadHeaders() {
  auto dowod = TableReader::Open(dir_, dir_.PeriodFile("dowod.dbf"), findings_);
  if (!dowod) return false;
  const int rd = dowod->Field("RD"), nrd = dowod->Field("NRD"), odb = dowod->Field("ODB");
  const int odbiorca = dowod->Field("ODBIORCA"), netto = dowod->Field("NETTO"), vat = dowod->Field("VAT");
  const int wartosc0 = dowod->Field("WARTOSC0"), waluta = dowod->Field("WALUTA");
  const int r_rd = dowod->Field("R_RD"), r_nrd = dowod->Field("R_NRD"), mag = dowod->Field("MAG");
  while (dowod->Next()) {
    if (dowod->deleted()) continue;
    // A money document (MAG "0") has no lines and moves no stock: the ledger check reads it.
    if (mag >= 0 && PadR(dowod->Text(mag), 1) == "0") continue;
    Header h;
    h.recno = dowod->recno();
    h.key = DocKey(dowod->Text(rd), dowod->Text(nrd));
    auto [at, added] = by_key_.emplace(h.key, headers_.size());
    if (!added) {
      Header& first = headers_[at->second];
      first.number_shared = true;
      Add(FindingKind::kNumbers, "dowod " + DocName(h.key) + ": numer powtórzony (rekordy " +
                                     std::to_string(first.recno) + " i " + std::to_string(h.recno) + ")");
      continue;
    }
    const std::string kind_rd = h.key.substr(0, 3);
    // Issue notes carried over by the month close are numbered from 10000000, apart from
    // the kind's counter.
    const double number = Val(h.key.substr(3));
    if (number < 10000000) {
      double& highest = highest_[kind_rd];
      highest = std::max(highest, number);
    }
    auto kind = kinds_.find(kind_rd);
    if (kind != kinds_.end()) {
      h.kind = &kind->second;
      h.stock.kind = kind->second.kind;
      h.stock.odb = PadR(dowod->Text(odb), 8);
      h.from_notes = documents::FromIssueNotes(kind->second.kind, dowod->Text(odbiorca));
      h.stock.from_issue_notes = h.from_notes;
    } else if (kinds_read_) {
      Add(FindingKind::kDocuments, "dowod " + DocName(h.key) + ": brak rodzaju " + KindName(kind_rd) + " w slow");
    }
    h.netto = dowod->Number(netto);
    h.vat = dowod->Number(vat);
    h.wartosc0 = dowod->Number(wartosc0);
    h.waluta = dowod->Text(waluta);
    const std::string to_rd = dowod->Text(r_rd), to_nrd = dowod->Text(r_nrd);
    if (!IsBlank(to_rd) || !IsBlank(to_nrd)) h.billed_to = DocKey(to_rd, to_nrd);
    headers_.push_back(std::move(h));
  }
  return dowod->ok();
}

// An issue note points at a visible invoice made from notes (R_RD, R_NRD) of its customer.
void DocumentCheck::LinkNotes() {
  for (size_t i = 0; i < headers_.size(); ++i) {
    Header& note = headers_[i];
    if (note.billed_to.empty()) continue;
    auto at = by_key_.find(note.billed_to);
    if (at == by_key_.end()) {
      Add(FindingKind::kNotes, "dowod " + DocName(note.key) + ": wskazuje fakturę " + DocName(note.billed_to) +
                                   ", której nie ma");
      continue;
    }
    Header& invoice = headers_[at->second];
    if (!invoice.from_notes) {
      Add(FindingKind::kNotes, "dowod " + DocName(note.key) + ": wskazuje " + DocName(note.billed_to) +
                                   ", która nie jest fakturą z WZ");
      continue;
    }
    if (invoice.stock.odb != note.stock.odb) {
      Add(FindingKind::kNotes, "dowod " + DocName(note.key) + ": odbiorca " + AllTrim(note.stock.odb) +
                                   ", a faktury " + DocName(note.billed_to) + " " + AllTrim(invoice.stock.odb));
    }
    note.invoice = at->second;
    ++invoice.notes;
  }
}

// The fields of dow the check reads, found once.
struct DocumentCheck::LineFields {
  explicit LineFields(const TableReader& dow)
      : rd(dow.Field("RD")), nrd(dow.Field("NRD")), lp(dow.Field("LP")), mag(dow.Field("MAG")),
        indeks(dow.Field("INDEKS")), ilosc(dow.Field("ILOSC")), cena0(dow.Field("CENA0")), nb(dow.Field("NB")),
        wartosc(dow.Field("WARTOSC")), podatek0(dow.Field("PODATEK0")), podatek(dow.Field("PODATEK")) {}
  int rd, nrd, lp, mag, indeks, ilosc, cena0, nb, wartosc, podatek0, podatek;
};

bool DocumentCheck::ReadLines() {
  auto dow = TableReader::Open(dir_, dir_.PeriodFile("dow.dbf"), findings_);
  if (!dow) return false;
  const LineFields f(*dow);
  while (dow->Next()) {
    if (dow->deleted()) continue;
    const std::string key = DocKey(dow->Text(f.rd), dow->Text(f.nrd));
    auto at = by_key_.find(key);
    if (at == by_key_.end()) {
      Add(FindingKind::kDocuments, "dow " + DocName(key) + " poz. " + AllTrim(dow->Text(f.lp)) + " (rekord " +
                                       std::to_string(dow->recno()) + "): pozycja bez nagłówka");
      continue;
    }
    AddLine(headers_[at->second], *dow, f);
  }
  return dow->ok();
}

void DocumentCheck::AddLine(Header& h, const TableReader& dow, const LineFields& f) {
  const std::string article = ArticleKey(dow.Text(f.mag), dow.Text(f.indeks));
  const double q = dow.Number(f.ilosc);
  const double cena0 = dow.Number(f.cena0);
  const double wartosc = dow.Number(f.wartosc);
  const double podatek = dow.Number(f.podatek);
  const std::string nb = dow.Text(f.nb);
  const char line_nb = nb.empty() ? ' ' : nb[0];
  ++h.lines;
  if (h.basis == 0) h.basis = line_nb;

  // The header's totals as posting sums them.
  const double at_cost = NewRound(q * cena0, 2);
  h.sum_wartosc0 += at_cost;
  h.sum_vat += podatek;
  if (line_nb == 'B') {
    h.sum_netto += wartosc - podatek;
  } else if (line_nb == '0') {
    h.sum_netto += at_cost;
  } else {
    h.sum_netto += wartosc;
  }

  // VAT per rate; the money of a line of quantity 0 does not count there.
  if (q != 0) {
    const std::string code = dow.Text(f.podatek0);
    const int rate = documents::IntegerRateOf(code);
    RateSums* sums = nullptr;
    for (RateSums& r : h.rates) {
      if (rate > 0 ? r.rate == rate : r.rate == 0 && Upper(AllTrim(r.code)) == Upper(AllTrim(code))) sums = &r;
    }
    if (sums == nullptr) {
      h.rates.push_back(RateSums{code, rate});
      sums = &h.rates.back();
    }
    sums->wartosc += wartosc;
    sums->podatek += podatek;
    // A gross line's value is its gross; a net line's gross is value + VAT.
    sums->brutto += line_nb == 'B' ? wartosc : wartosc + podatek;
    sums->negative = sums->negative || q < 0;
  }

  if (h.kind != nullptr) AddStock(h, article, q, dow.Text(f.lp));

  if (h.from_notes) h.quantities[article].invoice += q;
  if (h.invoice != kNone) headers_[h.invoice].quantities[article].notes += q;
}

// The card a line moves; a missing card is a finding naming the line (LP `lp`).
Card* DocumentCheck::CardFor(const std::string& article, const Header& h, std::string_view lp) {
  auto card = cards_.by_key.find(article);
  if (card != cards_.by_key.end()) return &card->second;
  if (cards_.read) {
    Add(FindingKind::kStock,
        "dow " + DocName(h.key) + " poz. " + AllTrim(lp) + ": brak kartoteki " + ArticleName(article) + " w as");
  }
  return nullptr;
}

// The line's effect on the cards, by the rule posting applies.
void DocumentCheck::AddStock(const Header& h, const std::string& article, double q, std::string_view lp) {
  if (documents::MoveOf(h.stock) == documents::StockMove::kNone) return;
  const documents::QuantityEffect e = documents::QuantityEffectOf(h.stock, q);
  if (Card* c = CardFor(article, h, lp)) {
    c->posted_p += e.b_p_i;
    c->posted_r += e.b_r_i;
    c->posted_sd += e.b_r_i_sd;
  }
  if (e.to_destination) {
    const std::string destination = documents::DestinationMag(h.stock) + article.substr(1);
    if (Card* d = CardFor(destination, h, lp)) d->posted_p += e.dest_b_p_i;
  }
}

void DocumentCheck::CheckTotals(const Header& h) {
  const DocKind& k = h.kind->kind;
  const double wartosc0 = NewRound(h.sum_wartosc0, 2);
  const double netto = k.s_z == 'X' ? wartosc0 : NewRound(h.sum_netto, 2);
  const bool keeps_no_vat = k.IsCombined() && k.IsReceipt() && k.HasTag("(SD)");
  const double vat = keeps_no_vat ? 0 : NewRound(h.sum_vat, 2);
  auto compare = [&](std::string_view field, double on_header, double from_lines) {
    if (SameAmount(on_header, from_lines, 2)) return;
    Add(FindingKind::kTotals, "dowod " + DocName(h.key) + ": " + std::string(field) + " " + Amount(on_header) +
                                  ", a z pozycji " + Amount(from_lines));
  };
  compare("NETTO", h.netto, netto);
  compare("VAT", h.vat, vat);
  compare("WARTOSC0", h.wartosc0, wartosc0);
}

// The VAT of each rate against the VAT of the rate's total, when the line editor
// reconciles the document. JakaWartosc only ever adds up the lines of a rate, so one line
// per rate carrying the rate's sums gives the same answer as the lines themselves; the
// check keeps the sums instead of the lines.
void DocumentCheck::CheckRates(const Header& h) {
  const DocKind& k = h.kind->kind;
  std::vector<documents::DocLine> lines;
  for (const RateSums& r : h.rates) {
    documents::DocLine l;
    l.ilosc = r.negative ? -1 : 1;
    l.podatek0 = r.code;
    l.wartosc = r.wartosc;
    l.brutto = r.brutto;
    l.podatek = r.podatek;
    lines.push_back(l);
  }
  const std::vector<documents::DocLine> posted = lines;
  documents::JakaWartoscInput in;
  in.kind = k;
  // The document's basis as the line editor takes it: the lines carry it.
  in.nb = h.basis == 'B' || h.basis == 'N' ? h.basis : !k.IsSale() ? ' ' : k.IsGross() || k.RdIs("SD") ? 'B' : 'N';
  in.reason = documents::kReasonPost;
  in.waluta = h.waluta;
  const documents::JakaWartoscResult r = documents::JakaWartosc(lines, in);
  if (!r.reconciled) return;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (SameAmount(lines[i].podatek, posted[i].podatek, 2)) continue;
    Add(FindingKind::kTotals, "dowod " + DocName(h.key) + ": VAT stawki " + AllTrim(posted[i].podatek0) + " " +
                                  Amount(posted[i].podatek) + ", a VAT sumy stawki " + Amount(lines[i].podatek));
  }
}

void DocumentCheck::CheckNotes(const Header& h) {
  if (h.notes == 0) {
    Add(FindingKind::kNotes, "dowod " + DocName(h.key) + ": faktura z WZ, na którą nie wskazuje żadna WZ");
    return;
  }
  for (const auto& [article, q] : h.quantities) {
    if (SameAmount(q.invoice, q.notes, 3)) continue;
    Add(FindingKind::kNotes, "dowod " + DocName(h.key) + " " + ArticleName(article) + ": ilość " + Quantity(q.invoice) +
                                 ", a na jej WZ " + Quantity(q.notes));
  }
}

void DocumentCheck::CheckHeaders() {
  for (const Header& h : headers_) {
    if (h.lines == 0) {
      Add(FindingKind::kDocuments, "dowod " + DocName(h.key) + ": nagłówek bez pozycji");
      continue;
    }
    // The lines of headers sharing a number cannot be told apart: only the number is
    // reported for them.
    if (h.kind != nullptr && !h.number_shared) {
      CheckTotals(h);
      CheckRates(h);
    }
    if (h.from_notes && !h.number_shared) CheckNotes(h);
  }
}

void DocumentCheck::CheckCounters() {
  for (const auto& [rd, highest] : highest_) {
    auto kind = kinds_.find(rd);
    if (kind == kinds_.end() || kind->second.counter >= highest) continue;
    Add(FindingKind::kNumbers, "slow " + KindName(rd) + ": licznik NRD " + FormatFixed(kind->second.counter, 0) +
                                   " poniżej najwyższego numeru " + FormatFixed(highest, 0));
  }
}

bool DocumentCheck::Run() {
  ReadKinds();
  if (!ReadHeaders()) return false;
  LinkNotes();
  CheckCounters();
  if (!ReadLines()) return false;
  CheckHeaders();
  // Without the kinds no line's stock effect is known.
  return kinds_read_;
}

}  // namespace

bool CheckDocuments(const DataDir& dir, Cards& cards, Findings& findings) {
  DocumentCheck check(dir, cards, findings);
  return check.Run();
}

}  // namespace hurt::dbftool::verify
