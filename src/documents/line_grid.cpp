// MYDOW: the line grid of the document screen.
//
// The grid browses `dd` in the order the lines were entered (natural order); the current
// line's article follows through the relation of `dd` to `as`. Each line is typed cell by
// cell in DOGET (warehouse, article code, quantity, price, percent), written to `dd` at
// once and the document total shown again. Reservations of stock follow every change of
// an issue line's quantity (reservations.h).
#include "documents/line_grid.h"

#include <memory>
#include <optional>
#include <vector>

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/picture.h"
#include "base/text.h"
#include "console/browse.h"
#include "console/form.h"
#include "console/keys.h"
#include "console/message_window.h"
#include "documents/big_total.h"
#include "documents/dd_lines.h"
#include "documents/header.h"
#include "documents/line_editor.h"
#include "documents/line_grid_parts.h"
#include "documents/line_math.h"
#include "documents/line_search.h"
#include "documents/line_record.h"
#include "documents/line_session.h"
#include "documents/posting.h"
#include "documents/prices.h"
#include "documents/receipt_line.h"
#include "documents/reservations.h"
#include "documents/stock_effect.h"
#include "documents/vat_rate.h"
#include "documents/vat_reconcile.h"
#include "session/area_fields.h"
#include "session/not_built.h"
#include "session/operator_rights.h"
#include "session/session.h"
#include "session/store_ui.h"
#include "session/viewer.h"
#include "store/net_use.h"

namespace hurt::documents {

using namespace hurt::literals;
namespace key = hurt::console::key;

namespace {


using session::FieldNumber;
using session::FieldText;

bool Printable(int k) { return k >= 32 && k <= 255 && k != 127; }

class LineGrid {
 public:
  LineGrid(session::Session& s, xbase::WorkArea& dd, int top, int left, int bottom, int right, LeaveDocument leave)
      : s_(s), leave_(std::move(leave)), con_(s.con()), dd_(dd), top_(top), left_(left), bottom_(bottom), right_(right) {}

  bool Run();
  // What to do once the grid has closed: a similar document asked for with F5 in display.
  const std::function<void()>& after() const { return after_; }

 private:
  std::function<void()> after_;
  console::BrowseAction Handle(console::BrowseMode mode);
  console::BrowseAction Dispatch(int k);
  void StatLine();
  void DolnyWiersz();
  void FreshOrder();
  int DoGet(bool appending, const std::string& preset_mag = {}, const std::string& preset_indeks = {});
  console::BrowseAction BarCode(int k);
  bool BarCodes() const;
  console::BrowseAction ExitKey(int k);
  bool LineComplete();
  void TogInsert();
  console::BrowseAction KasujPozycje();
  console::BrowseAction UpustDokumentu();
  bool Leave();
  bool DeliveryAddress();
  void ShowReport(const std::vector<std::string>& lines);
  // A line that could not be written is told; the grid shows the table as it is.
  void TellWriteFailed(const Status& status);
  bool DropDocument();
  double ShowTotal(int reason);
  bool AppendAllowed() const { return settings_.klucz != 1 && !BillsNotes(); }
  // An invoice made of issue notes bills exactly what the notes issued: its articles and
  // quantities are the notes' (posting checks the same), only prices and discounts change.
  bool BillsNotes() const { return FromIssueNotes(kind_, s_.vars().Text("M_ODBIORCA")); }
  void SayNotesRule() { console::Okno_(con_, "Faktura do WZ: towar i ilość jak na WZ"_pl, 2); }

  // DOGET's steps.
  struct LineEntry;
  bool GetWarehouse(LineEntry& e);
  std::optional<int> GetArticleCode(LineEntry& e, const std::string& preset_mag, const std::string& preset_indeks);
  bool OpenLine(store::StoreUi& ui, LineEntry& e);
  void TakeArticle(LineEntry& e);
  bool GetQuantity(store::StoreUi& ui, LineEntry& e);
  int GetPriceAndPercent(LineEntry& e);
  void WriteEnteredLine(LineEntry& e);
  int FinishLine(uint32_t line_recno, int k);
  bool FindArticle(const std::string& mag, const std::string& indeks);
  bool AlreadyInDocument(const std::string& mag, const std::string& indeks, uint32_t own);
  bool IsIlosc(double& ilosc, double held, const std::string& mag);
  void ShowArticle(const std::string& mag);
  ArticlePrices PricesOfArticle() const;
  ArticleForLine ArticleOfLine() const;
  UpustContext UpustOf(const DocLine& line, double rate, bool by_hand) const;
  double DefaultPrice(double rate) const;
  std::string NewLp();
  Status NewLine(const std::string& mag, const std::string& indeks);
  void Beeps();
  // What this station's ledger holds of the article.
  LedgerEntry MyReservation(const std::string& mag, const std::string& indeks) const;

  int Row() const { return browse_->first_data_row() + browse_->row_pos(); }

  session::Session& s_;
  LeaveDocument leave_;
  bool finished_ = false;  // left through Leave: `dd` must not be touched any more
  console::Console& con_;
  xbase::WorkArea& dd_;
  xbase::WorkArea* as_ = nullptr;
  int top_, left_, bottom_, right_;
  DocKind kind_;
  LineSettings settings_;
  GridLayout layout_;
  std::unique_ptr<session::AreaSource> source_;
  std::unique_ptr<console::Browse> browse_;
};

bool LineGrid::Run() {
  as_ = ArticlesArea(s_);
  kind_ = DocumentKind(s_);
  settings_ = ReadLineSettings(s_);
  layout_ = LayoutOf(kind_, GridOptionsOf(s_), left_);

  // The customer's price level, announced when it is above 1.
  const int level = EffectiveLevel(kind_.poziom, static_cast<int>(s_.vars().Number("M_POZIOM")), s_.settings().Poziom());
  if (level > 1) console::Okno_(con_, "UWAGA !   Poziom cen = " + std::to_string(level));

  // The grid moves in entry order; the order of `dd` is put back when it ends.
  const int order = dd_.order();
  if (order != 0) (void)dd_.SetOrder(0);
  (void)dd_.GoTop();

  // The heading belongs to the document screen (rows 8-9, drawn again for editors that
  // open the grid straight away); the grid's own rows start with the first line.
  (void)DrawGridHeading(s_, &kind_);
  source_ = std::make_unique<session::AreaSource>(dd_);
  browse_ = std::make_unique<console::Browse>(con_, *source_, top_, layout_.left, bottom_, right_);
  for (console::BrowseColumn& c : GridColumns(layout_, dd_)) browse_->AddColumn(std::move(c));
  browse_->Separators("", "│"_pl, "┴─"_pl);
  auto colours = console::ParseColourSet("W/N,N/W");
  if (colours.ok()) browse_->Colours(*colours);
  ShowTotal(kReasonShow);
  con_.SetLastKey(key::kNone);
  browse_->Run([&](console::BrowseMode mode, int) {
    const console::BrowseAction a = Handle(mode);
    con_.SetLastKey(key::kNone);
    return a;
  });
  con_.ShowCursor(false);
  // A finished document may have left a new working table in the area (WYJSCIE empties
  // `dd` by recreating it): the area this grid ran over is gone then.
  if (!finished_ && dd_.order() != order) (void)dd_.SetOrder(order);
  return true;
}

console::BrowseAction LineGrid::Handle(console::BrowseMode mode) {
  using console::BrowseAction;
  using console::BrowseMode;
  switch (mode) {
    case BrowseMode::kIdle:
      StatLine();
      return BrowseAction::kContinue;
    case BrowseMode::kEmpty: {
      // The handler clears LASTKEY() when it returns, so a key here was read just now;
      // without one the grid is waiting on an empty document.
      const int k = con_.LastKey();
      if (AppendAllowed()) {
        // An empty document opens the append row at once; a key read meanwhile is
        // handed to it.
        if (k != key::kNone && k != key::kEsc && k != key::F(9)) con_.Keyboard({k});
        if (k == key::kEsc || k == key::F(9)) return Dispatch(k);
        return BrowseAction::kAppend;
      }
      if (k == key::kNone) {
        StatLine();
        return BrowseAction::kContinue;
      }
      return Dispatch(k);
    }
    case BrowseMode::kHitTop:
      return BrowseAction::kContinue;
    case BrowseMode::kHitBottom:
      // Down past the last line opens the append row, unless the line is unfinished.
      if (AppendAllowed() && LineComplete()) return BrowseAction::kAppend;
      return BrowseAction::kContinue;
    case BrowseMode::kException:
      return Dispatch(con_.LastKey());
  }
  return BrowseAction::kContinue;
}

console::BrowseAction LineGrid::Dispatch(int k) {
  using console::BrowseAction;
  const bool appending = browse_->append_mode();
  if (k == key::kEsc || key::IsKey(k, key::F(9))) {
    if (Leave()) return BrowseAction::kLeave;
    return BrowseAction::kRepaint;
  }
  if (k == key::kIns) {
    TogInsert();
    return BrowseAction::kContinue;
  }
  if (key::IsKey(k, key::F(8))) {
    if (appending || settings_.klucz == 1) return BrowseAction::kContinue;
    if (BillsNotes()) {
      SayNotesRule();
      return BrowseAction::kContinue;
    }
    return KasujPozycje();
  }
  if (key::IsKey(k, key::F(2))) {
    if (settings_.klucz == 1) return BrowseAction::kContinue;
    return UpustDokumentu();
  }
  if (key::IsKey(k, key::F(4))) {
    // Header entry again (not in display): a changed kind converts the lines on the way.
    if (settings_.klucz == 1) return BrowseAction::kContinue;
    KeyLine(s_, true, &kind_);  // the keys of header entry while it is edited
    (void)EdNag(s_, 1);  // Esc in the header keeps the document's header as it was
    kind_ = DocumentKind(s_);
    return BrowseAction::kRepaint;
  }
  if (key::IsKey(k, key::F(5))) {
    // A new document of a fiscal kind is printed by the fiscal printer once it is posted:
    // F5 ends its entry as Esc does, and posting sends it.
    const auto& fiscal = s_.document_actions().goes_to_fiscal_printer;
    if (settings_.klucz == 0 && fiscal && fiscal(s_, kind_.rd)) {
      if (Leave()) return BrowseAction::kLeave;
      return BrowseAction::kRepaint;
    }
    ShowTotal(kReasonPost);
    const auto& print = s_.document_actions().print_document;
    if (!print) {
      console::Okno_(con_, "Wydruk dokumentu niedostepny", 2);
      return BrowseAction::kRepaint;
    }
    after_ = print(s_, dd_);
    // A similar document asked for from the display: the display ends first, so that the
    // new document gets the working table to itself (RunLineGrid opens it).
    return after_ ? BrowseAction::kLeave : BrowseAction::kRepaint;
  }
  if (appending && (k == key::kDown || k == key::kPgDn)) return BrowseAction::kContinue;
  if (k >= '0' && k <= '9' && settings_.klucz != 1 && BarCodes()) return BarCode(k);
  if (k == key::kEnter || (Printable(k) && settings_.klucz != 1)) {
    if (settings_.klucz == 1) return BrowseAction::kContinue;
    if (Printable(k)) con_.Keyboard({k});  // the key typed starts the article code
    const int exit = DoGet(appending);
    return ExitKey(exit);
  }
  return BrowseAction::kContinue;
}

// STATLINE: the cursor on the article code of the current line; on the empty append row
// the cursor shows where typing begins.
void LineGrid::StatLine() {
  DolnyWiersz();  // first: drawing moves the cursor
  con_.SetCursor(Row(), layout_.col_indeks);
  con_.ShowCursor(browse_->append_mode());
}

// DOLNY_WIERSZ: the key help of the mode in row 24 and the article of the current line in
// rows 6-7.
void LineGrid::DolnyWiersz() {
  KeyLine(s_, false, &kind_);
  if (browse_->append_mode() || dd_.eof() || as_ == nullptr) {
    con_.ClearRegion(6, 0, 7, 79);
    return;
  }
  const std::string mag = FieldText(dd_, "MAG");
  if (!FindArticle(mag, FieldText(dd_, "INDEKS"))) {
    con_.ClearRegion(6, 0, 7, 79);
    return;
  }
  ShowArticle(mag);
}

void LineGrid::ShowArticle(const std::string& mag) {
  con_.ClearRegion(6, 0, 7, 79);
  if (as_ == nullptr || as_->eof()) return;
  const std::string jm = FieldText(*as_, "JM");
  const std::string vat = FieldText(*as_, "PODATEK0");
  const std::string gtu = FieldText(*as_, "GR_TOW");
  con_.Say(6, 0, PadR("JM: " + jm + "  VAT: " + vat + "  GTU: " + gtu, 79));
  auto counters = ReadCounters(*as_);
  if (!counters.ok()) return;
  const bool issue = kind_.r_p == 'R' || kind_.r_p == 'M';
  const double stock = issue ? AvailableForLine(*counters, MyReservation(mag, FieldText(*as_, "INDEKS")), 0)
                             : counters->ilosc;
  con_.Say(7, 0, PadR(RTrim(FieldText(*as_, "NAZWA")), 43));
  con_.Say(7, 44, (issue ? "Dostepne: " : "Stan: ") + AllTrim(Str(stock, 14, 3)) + (MagIn(mag, settings_.mag_u) ? " U" : ""));
}

// FRESHORDER: every row again, the highlight back on the same line.
void LineGrid::FreshOrder() {
  const uint32_t at = dd_.recno();
  (void)dd_.GoTo(at);
  browse_->RefreshAll();
}

void LineGrid::TogInsert() {
  const bool on = !con_.insert_mode();
  con_.set_insert_mode(on);
  con_.SetInsertShape(on);
}

bool LineGrid::LineComplete() {
  if (dd_.eof()) return false;
  if (IsBlank(FieldText(dd_, "INDEKS"))) return false;
  if (settings_.wiele_w || MagIn(FieldText(dd_, "MAG"), settings_.mag_u)) return true;
  return !SameAmount(FieldNumber(dd_, "ILOSC"), 0, 3);
}

// EXITKEY: the key that ended the edit of a line becomes the grid's next move. Enter on a
// complete line goes on to the next line, as Down does: on the last line that is a new
// append row, so that what is typed next starts a new line. A line typed again is no
// exception: staying on it would give the next code typed to that line.
console::BrowseAction LineGrid::ExitKey(int k) {
  using console::BrowseAction;
  FreshOrder();
  if (k == key::kEsc) return BrowseAction::kRepaint;
  const bool complete = LineComplete();
  if ((k == key::kEnter || k == key::kPgDn) && !complete) return BrowseAction::kRepaint;
  if (k == key::kEnter || k == key::kDown || k == key::kPgDn) {
    con_.Keyboard({key::kDown});
  } else if (k == key::kPgUp || k == key::kUp) {
    if (!IsBlank(FieldText(dd_, "INDEKS"))) con_.Keyboard({key::kUp});
  }
  return BrowseAction::kRepaint;
}

bool LineGrid::FindArticle(const std::string& mag, const std::string& indeks) {
  if (as_ == nullptr) return false;
  if (as_->order() != 1 && !as_->SetOrder(1).ok()) return false;
  auto f = as_->SeekKey(PadR(mag, 1) + PadR(indeks, 8));
  return f.ok() && *f;
}

// True when another line of the document has the article.
bool LineGrid::AlreadyInDocument(const std::string& mag, const std::string& indeks, uint32_t own) {
  const uint32_t back = dd_.recno();
  bool found = false;
  for (Status st = dd_.GoTop(); st.ok() && !dd_.eof(); st = dd_.Skip(1)) {
    if (dd_.recno() != own && FieldText(dd_, "MAG") == PadR(mag, 1) && FieldText(dd_, "INDEKS") == PadR(indeks, 8)) {
      found = true;
      break;
    }
  }
  (void)dd_.GoTo(back);
  return found;
}

LedgerEntry LineGrid::MyReservation(const std::string& mag, const std::string& indeks) const {
  const StationLedger ledger = StationLedgerOf(s_);
  auto book = ReadLedger(*ledger.env, ledger.path);
  if (!book.ok()) return {};
  auto it = book->find(PadR(Left(mag, 1), 1) + PadR(Left(indeks, 8), 8));
  return it == book->end() ? LedgerEntry{} : it->second;
}

void LineGrid::Beeps() {
  if (!settings_.tone) return;
  con_.Beep();
  con_.Beep();
}

// IS_ILOSC: the typed quantity against the stock available to the line (its own held
// reservation counted back in).
bool LineGrid::IsIlosc(double& ilosc, double held, const std::string& mag) {
  if (con_.LastKey() == key::kUp) return true;
  const bool issue = kind_.r_p == 'R' || kind_.r_p == 'M';
  if (!issue || kind_.HasTag("PROFORMA") || as_ == nullptr || as_->eof()) return true;
  (void)as_->GoTo(as_->recno());  // read the counters as they are now
  auto counters = ReadCounters(*as_);
  if (!counters.ok()) return true;
  const double available = AvailableForLine(*counters, MyReservation(mag, FieldText(*as_, "INDEKS")), held);
  if (!StockChecked(kind_, settings_, mag)) {
    if (settings_.inf_ujem && NewRound(ilosc, 3) > NewRound(available, 3)) {
      Beeps();
      console::Okno_(con_, "NIE MASZ TAKIEJ ILOSCI !!", 2);
    }
    return true;
  }
  const QuantityCheck c = CheckQuantity(ilosc, available, settings_.dop_ujem);
  if (!c.short_stock) return true;
  Beeps();
  if (settings_.dop_ujem) {
    console::Okno_(con_, "NIE MASZ TAKIEJ ILOSCI !!", 2);
    return true;
  }
  console::Okno_(con_, "NIE MASZ TAKIEJ ILOSCI !", 2);
  ilosc = c.ilosc;
  return !c.refused;
}

ArticlePrices LineGrid::PricesOfArticle() const {
  return as_ == nullptr ? ArticlePrices{} : PricesOfCard(*as_);
}

ArticleForLine LineGrid::ArticleOfLine() const {
  return as_ == nullptr ? ArticleForLine{} : ArticleOfCard(*as_);
}

UpustContext LineGrid::UpustOf(const DocLine& line, double rate, bool by_hand) const {
  UpustContext u;
  u.kind = kind_;
  u.nb = DocumentBasis(s_, kind_);
  u.rate = rate;
  u.waluta = s_.vars().Text("M_WALUTA");
  u.kurs = s_.vars().Number("M_KURS");
  u.j_poziom = std::max(1, s_.settings().Poziom());
  u.level = EffectiveLevel(kind_.poziom, static_cast<int>(s_.vars().Number("M_POZIOM")), u.j_poziom);
  u.rabat_as = !XbaseEquals(s_.settings().Text("J_RABAT_AS"), "N");
  u.upust_off = XbaseEquals(s_.settings().Text("J_UPUST"), "N");
  u.price_by_hand = by_hand;
  u.cena_n = line.cena_n;
  u.cena_b = line.cena_b;
  u.ilosc = line.ilosc;
  u.cena = line.cena;
  u.indeks = line.indeks;
  u.nazwa = line.nazwa;
  u.j_opa = s_.settings().Text("J_OPA");
  return u;
}

// The price a new line starts with: purchase prices and receipts the last purchase
// price, otherwise the selling price of the document's level, gross on a gross document.
double LineGrid::DefaultPrice(double rate) const {
  const ArticlePrices p = PricesOfArticle();
  if (kind_.InPurchasePrices() || kind_.IsReceipt() || kind_.IsPurchase()) return p.cena_pz;
  DocLine none;
  const UpustContext u = UpustOf(none, rate, false);
  const LevelPrice lp = LevelPriceOf(p, u.j_poziom, u.level);
  return u.nb == 'B' ? lp.brutto : lp.netto;
}

std::string LineGrid::NewLp() {
  const uint32_t back = dd_.recno();
  int last = 0;
  for (Status st = dd_.GoTop(); st.ok() && !dd_.eof(); st = dd_.Skip(1)) {
    last = std::max(last, static_cast<int>(Val(FieldText(dd_, "LP"))));
  }
  (void)dd_.GoTo(back);
  return PadL(std::to_string(last + 1), 3);
}

// A new line of the document: the header's kind, number, counterparty and date, and the
// article. It stays locked until DOGET has written it.
Status LineGrid::NewLine(const std::string& mag, const std::string& indeks) {
  const std::string lp = NewLp();
  session::ConsoleStoreUi ui(con_);
  HURT_RETURN_IF_ERROR(store::AddRecArea(ui, dd_, kReservationLockWait));
  HURT_RETURN_IF_ERROR(StampNewLine(s_, dd_, kind_, lp, mag, indeks));
  DocLine basis;
  basis.nb = DocumentBasis(s_, kind_);
  return WriteLineRecord(dd_, basis, {LineField::kNb});
}

// One line while DOGET edits it.
struct LineGrid::LineEntry {
  bool appending = false;     // the append row: a new line
  int row = 0;                // its screen row
  DocLine old;                // the line as it was (empty on the append row)
  uint32_t own = 0;           // its record (0 on the append row)
  std::string mag, indeks;    // the article typed
  bool changed = false;       // another article than the line had (always on the append row)
  bool old_reserved = false;  // the old quantity holds a reservation
  DocLine line;               // the line as typed
  ArticleForLine article;
  LineVatRate vat;
  UpustContext upust;         // what its price and percent depend on
};

// DOGET: edits the current line (or a new one on the append row); returns the key that
// ended the edit.
int LineGrid::DoGet(bool appending, const std::string& preset_mag, const std::string& preset_indeks) {
  if (as_ == nullptr) return key::kEsc;
  LineEntry e;
  e.appending = appending;
  e.row = Row();
  const std::string m_mag = PadR(Left(s_.vars().Text("M_MAG"), 1), 1);
  e.old = appending ? DocLine{} : ReadDocLine(dd_);
  if (!appending && dd_.eof()) return key::kEsc;
  e.mag = appending ? m_mag : PadR(e.old.mag, 1);
  e.own = appending ? 0 : dd_.recno();

  // 1. The warehouse, when it has its column.
  if (layout_.mag_column && preset_mag.empty() && !GetWarehouse(e)) return key::kEsc;
  // 2. The article code.
  if (std::optional<int> ended = GetArticleCode(e, preset_mag, preset_indeks)) return *ended;
  session::ConsoleStoreUi ui(con_);
  // 3. The line locked (or added) on its article.
  if (!OpenLine(ui, e)) return key::kEsc;
  TakeArticle(e);
  const uint32_t line_recno = dd_.recno();
  con_.Say(e.row, layout_.col_nazwa, PadR(e.line.nazwa, 30));
  ShowArticle(e.mag);

  // Receipts: the article card of the receipt takes the quantity, the purchase price and
  // the selling prices, and writes the line (receipt_line.h says which kinds and why).
  if (OpensReceiptCard(kind_)) {
    return FinishLine(line_recno, EditReceiptLine(s_, {dd_, *as_, kind_, e.old, e.line, e.appending, e.changed,
                                                       e.vat, layout_.ilosc}));
  }
  // 4. The quantity.
  if (!GetQuantity(ui, e)) return FinishLine(line_recno, key::kEsc);
  // 5. The price, then the percent.
  const int exit = GetPriceAndPercent(e);
  // 6. The line is written and the total shown again.
  WriteEnteredLine(e);
  return FinishLine(line_recno, exit == key::kEsc ? key::kEnter : exit);
}

// Step 1: the warehouse typed in its column. False on Esc.
bool LineGrid::GetWarehouse(LineEntry& e) {
  console::Form f(con_);
  f.GetText(e.row, layout_.left, e.mag, "!").Valid([&] { return !IsBlank(e.mag); });
  const console::ReadResult r = f.Read();
  return !r.escaped;
}

// Step 2: the article code (given by a bar code, or typed; the marks open the pick list).
// The key that ends the edit here (Esc, or the key that left a blank code); nullopt with
// the article found.
std::optional<int> LineGrid::GetArticleCode(LineEntry& e, const std::string& preset_mag,
                                            const std::string& preset_indeks) {
  std::string& mag = e.mag;
  std::string& indeks = e.indeks;
  indeks = e.appending ? Space(8) : PadR(e.old.indeks, 8);
  if (!preset_mag.empty()) {
    mag = PadR(preset_mag, 1);
    indeks = PadR(preset_indeks, 8);
    if (!FindArticle(mag, indeks)) return key::kEsc;
  }
  while (preset_mag.empty()) {
    console::Form f(con_);
    f.GetText(e.row, layout_.col_indeks, indeks, "@K !!!!!!!!");  // a code typed replaces the line's
    const console::ReadResult r = f.Read();
    if (r.escaped) return key::kEsc;
    if (IsBlank(indeks)) return r.exit_key;
    const ArticleLookup how = LookupOf(indeks);
    if (how != ArticleLookup::kCode) {
      indeks = PadR(PickArticle(s_, *as_, how, mag, indeks.substr(1)), 8);
      if (!IsBlank(indeks) && FindArticle(mag, indeks)) break;
      continue;
    }
    if (FindArticle(mag, indeks)) break;
    // Not found: the list from the code typed; nothing chosen asks whether to go on.
    const std::string chosen = PickArticle(s_, *as_, ArticleLookup::kByCode, mag, indeks);
    if (!chosen.empty() && FindArticle(mag, chosen)) {
      indeks = chosen;
      break;
    }
    if (!console::Okno(con_, "Brak kodu. Kontynuowac ?", "T")) return key::kEsc;
  }
  return std::nullopt;
}

// Step 3: the line on the article typed, locked (a new line added) with `as` on its
// article. A changed code: the old article's reservation goes, the line starts again.
// False when the line cannot be edited.
bool LineGrid::OpenLine(store::StoreUi& ui, LineEntry& e) {
  const DocLine& old = e.old;
  const std::string& mag = e.mag;
  const std::string& indeks = e.indeks;
  e.changed = e.appending || PadR(old.indeks, 8) != indeks || PadR(old.mag, 1) != mag;
  if (e.changed && BillsNotes()) {
    SayNotesRule();
    return false;
  }
  e.old_reserved = !e.appending && LineReserves(kind_, settings_.fvzmieni, old.ilosc);
  if (e.changed && AlreadyInDocument(mag, indeks, e.own)) console::Okno_(con_, "MASZ juz taki INDEKS");

  if (e.changed && e.old_reserved) {
    ReservationRequest rq{old.mag, old.indeks, old.ilosc, 0, false};
    if (!ChangeReservation(ui, *as_, StationLedgerOf(s_), rq).ok()) {
      console::Okno_(con_, BusyArticleMessage(old.mag, old.indeks), 2);
      return false;
    }
    (void)FindArticle(mag, indeks);
  }
  if (e.appending) {
    if (Status st = NewLine(mag, indeks); !st.ok()) {
      console::Okno_(con_, "Plik dd niedostepny", 2);
      return false;
    }
  } else {
    if (!store::RecLockArea(ui, dd_, kReservationLockWait).ok()) return false;
  }
  // Moving `dd` moved the related article too: back onto the one typed.
  if (!FindArticle(mag, indeks)) {
    (void)dd_.UnlockRecord(dd_.recno());
    return false;
  }
  return true;
}

// The article's data and VAT rate for the line; a changed line starts from the article
// with nothing typed and is written so at once.
void LineGrid::TakeArticle(LineEntry& e) {
  DocLine& line = e.line;
  line = e.appending ? ReadDocLine(dd_) : e.old;
  e.article = ArticleOfLine();
  e.vat = VatRateOfLine(e.article.podatek0, kind_, s_.FileX("GET_VAT.TXT"), s_.FileX("VAT_13_5.TXT"));
  if (e.changed) {
    line.mag = e.mag;
    line.indeks = e.indeks;
    line.nazwa = FieldText(*as_, "NAZWA");
    line.podatek0 = e.vat.code;
    line.t_w_o_k = e.article.t_w_o_k;
    line.ilosc = 0;
    line.cena = 0;
    line.podatek = 0;
    line.wartosc = 0;
    line.brutto = 0;
    line.upust0 = 0;
    Status written = WriteDocLine(dd_, line);
    if (written.ok()) written = dd_.Flush();
    if (!written.ok()) TellWriteFailed(written);
  }
}

// The end of every edit of a locked line: unlocked, the total shown again, `k` returned.
int LineGrid::FinishLine(uint32_t line_recno, int k) {
  (void)dd_.UnlockRecord(line_recno);
  ShowTotal(kReasonShow);
  return k;
}

// Step 4: the quantity, against the stock; the reservation follows it. False when the
// edit ends here (Esc, or the article busy: the line keeps its quantity and reservation).
bool LineGrid::GetQuantity(store::StoreUi& ui, LineEntry& e) {
  DocLine& line = e.line;
  const std::string& mag = e.mag;
  const std::string& indeks = e.indeks;
  const double held = (!e.changed && e.old_reserved) ? e.old.ilosc : 0;
  double ilosc = line.ilosc;
  {
    console::Form f(con_);
    f.GetNumber(e.row, layout_.col_ilosc, ilosc, layout_.ilosc).Valid([&] {
      if (BillsNotes() && !SameAmount(ilosc, line.ilosc, 3)) {
        SayNotesRule();
        ilosc = line.ilosc;
      }
      return IsIlosc(ilosc, held, mag);
    });
    const console::ReadResult r = f.Read();
    if (r.escaped) return false;
  }
  ilosc = NewRound(ilosc, 3);
  const bool reserves = LineReserves(kind_, settings_.fvzmieni, ilosc);
  if (held > 0 || reserves) {
    ReservationRequest rq{mag, indeks, held, reserves ? ilosc : 0,
                          reserves && StockChecked(kind_, settings_, mag) && !settings_.dop_ujem};
    auto moved = ChangeReservation(ui, *as_, StationLedgerOf(s_), rq);
    if (!moved.ok()) {
      console::Okno_(con_, BusyArticleMessage(mag, indeks), 2);
      return false;
    }
    if (reserves && moved->cut) {
      // Another station took stock meanwhile.
      Beeps();
      console::Okno_(con_, "NIE MASZ TAKIEJ ILOSCI !", 2);
      ilosc = moved->ilosc;
    }
    (void)FindArticle(mag, indeks);
    ShowArticle(mag);
  }
  line.ilosc = ilosc;
  if (Status written = dd_.Replace("ILOSC", xbase::Value(ilosc)); !written.ok()) TellWriteFailed(written);
  return true;
}

// Step 5: the price, then the percent (not after Esc on the price). Returns the key that
// ended them.
int LineGrid::GetPriceAndPercent(LineEntry& e) {
  DocLine& line = e.line;
  double cena = e.changed || line.cena == 0 ? DefaultPrice(e.vat.rate) : line.cena;
  const double proposed = cena;
  int exit = key::kEnter;
  {
    console::Form f(con_);
    f.GetNumber(e.row, layout_.col_cena, cena, layout_.cena).Valid([&] { return cena >= 0; });
    const console::ReadResult r = f.Read();
    if (r.escaped) cena = proposed;
    exit = r.exit_key;
  }
  const bool by_hand = !SameAmount(cena, proposed, 6);
  line.cena = cena;
  const ArticlePrices ceny = PricesOfArticle();
  e.upust = UpustOf(line, e.vat.rate, by_hand);
  const UpustContext& u = e.upust;
  double percent = KeepsPercent(u) ? GetUpust(ceny, u).percent : 0;
  if (layout_.percent_editable && KeepsPercent(u) && exit != key::kEsc) {
    const double before = percent;
    console::Form f(con_);
    f.GetNumber(e.row, layout_.col_upust, percent, "99.9").Valid([&] { return PercentInRange(percent); });
    const console::ReadResult r = f.Read();
    if (r.escaped) percent = before;
    exit = r.exit_key;
    if (!SameAmount(percent, before, 1)) {
      // The line keeps the percent its price carries: one the price does not follow (J_UPUST
      // "N", a price typed by hand, no list price) is not the line's discount.
      const PercentPrice pp = ApplyPercent(ceny, u, percent);
      if (pp.applied) {
        line.cena = pp.cena;
      } else {
        percent = before;
      }
    }
  }
  line.upust0 = percent;
  return exit;
}

// Step 6: the line's value, VAT and gross from what was typed, written to `dd`.
void LineGrid::WriteEnteredLine(LineEntry& e) {
  DocLine& line = e.line;
  LineEdit edit = LineEditOf(line);
  LineWhileTyped(edit, kind_);
  ReplaceContext ctx;
  ctx.kind = kind_;
  ctx.nb = DocumentBasis(s_, kind_);
  ctx.j_poziom = e.upust.j_poziom;
  ctx.level = e.upust.level;
  ReplaceDWithP(line, edit, e.article, ctx);
  if (Status st = WriteDocLine(dd_, line); !st.ok()) console::Okno_(con_, "Blad zapisu pozycji", 2);
}

// A receipt into a table with bar codes reads the code when a digit is typed.
bool LineGrid::BarCodes() const {
  return kind_.IsReceipt() && as_ != nullptr && as_->FieldIndex("KOD13") >= 0;
}

// The bar code: "Kod13: " in row 6, the digit typed and the rest of the code in a field of
// the bar-code width; the article found gets a new line.
console::BrowseAction LineGrid::BarCode(int k) {
  const int width = BarCodeWidth(*as_);
  std::string code = Space(static_cast<size_t>(width));
  con_.ClearRegion(6, 0, 6, 79);
  con_.Say(6, 0, "Kod13: ");
  con_.Keyboard({k});
  console::Form f(con_);
  f.GetText(6, 7, code).Width(width);
  const console::ReadResult r = f.Read();
  con_.ClearRegion(6, 0, 6, 79);
  if (r.escaped || IsBlank(code)) return console::BrowseAction::kRepaint;
  const std::string m_mag = PadR(Left(s_.vars().Text("M_MAG"), 1), 1);
  if (FindByBarCode(*as_, code, m_mag) == 0) {
    console::Okno_(con_, "Brak towaru o kodzie " + AllTrim(code), 2);
    return console::BrowseAction::kRepaint;
  }
  const std::string mag = FieldText(*as_, "MAG");
  const std::string indeks = FieldText(*as_, "INDEKS");
  const int exit = DoGet(true, mag, indeks);
  return ExitKey(exit);
}

console::BrowseAction LineGrid::KasujPozycje() {
  if (!documents::KasujPozycje(s_, settings_.klucz)) return console::BrowseAction::kRepaint;
  (void)dd_.Skip(1);
  if (dd_.eof()) (void)dd_.GoBottom();
  ShowTotal(kReasonShow);
  return console::BrowseAction::kRepaint;
}

// F2: one discount for the whole document, from each line's catalogue price.
console::BrowseAction LineGrid::UpustDokumentu() {
  if (!(kind_.IsSale() || kind_.IsCombined() || kind_.IsTransfer())) return console::BrowseAction::kContinue;
  double percent = 0;
  {
    const console::SavedRegion saved = con_.Save(15, 30, 20, 72);
    con_.Box(15, 30, 19, 72, console::DoubleFrame(), con_.colours().standard, ' ');
    console::Form f(con_);
    f.Say(17, 33, "Upust dla dokumentu (%) :");
    f.GetNumber(17, 60, percent, "99.9").Valid([&] { return PercentInRange(percent); });
    const console::ReadResult r = f.Read();
    con_.Restore(saved);
    if (r.escaped) return console::BrowseAction::kRepaint;
  }
  const char nb = DocumentBasis(s_, kind_);
  session::ConsoleStoreUi ui(con_);
  for (Status st = dd_.GoTop(); st.ok() && !dd_.eof(); st = dd_.Skip(1)) {
    DocLine line = ReadDocLine(dd_);
    const double list = nb == 'B' ? line.cena_b : line.cena_n;
    if (list <= 0 || line.ilosc <= 0) continue;
    if (!FindArticle(PadR(line.mag, 1), line.indeks)) continue;
    if (!store::RecLockArea(ui, dd_, kReservationLockWait).ok()) continue;
    const double cena = kind_.cuv == 'V' ? NewRound(list * (1 + percent / 100), 2) : NewRound(list * (1 - percent / 100), 2);
    LineEdit e = LineEditOf(line);
    e.cena = cena;
    e.procent = percent;
    LineWhileTyped(e, kind_);
    ReplaceContext ctx;
    ctx.kind = kind_;
    ctx.nb = nb;
    ReplaceDWithP(line, e, ArticleOfLine(), ctx);
    if (Status written = WriteDocLine(dd_, line); !written.ok()) TellWriteFailed(written);
    (void)dd_.UnlockRecord(dd_.recno());  // the station's own table: a lock left is released on leaving
  }
  (void)dd_.GoTop();
  ShowTotal(kReasonShow);
  return console::BrowseAction::kRepaint;
}

// The document is dropped: each line goes with its reservation. A line whose article
// is busy stays, with its reservation, and the operator stays in the grid.
bool LineGrid::DropDocument() {
  bool all = true;
  for (Status st = dd_.GoTop(); st.ok() && !dd_.eof(); st = dd_.Skip(1)) {
    if (!documents::KasujPozycje(s_, settings_.klucz)) all = false;
  }
  (void)dd_.GoTop();
  ShowTotal(kReasonShow);
  return all;
}

double LineGrid::ShowTotal(int reason) {
  std::vector<DocLine> lines;
  std::vector<uint32_t> recnos;
  const uint32_t back = dd_.recno();
  for (Status st = dd_.GoTop(); st.ok() && !dd_.eof(); st = dd_.Skip(1)) {
    lines.push_back(ReadDocLine(dd_));
    recnos.push_back(dd_.recno());
  }
  std::vector<DocLine> before = lines;
  JakaWartoscInput in;
  in.kind = kind_;
  in.nb = DocumentBasis(s_, kind_);
  in.reason = reason;
  in.retail_sale = kind_.RdIs("SD ") || (!IsBlank(s_.settings().Sd()) && kind_.RdIs(s_.settings().Sd()));
  in.waluta = s_.vars().Text("M_WALUTA");
  const JakaWartoscResult r = JakaWartosc(lines, in);
  if (reason != kReasonShow) {
    // Reconciled VAT goes back to the lines it moved.
    session::ConsoleStoreUi ui(con_);
    for (size_t i = 0; i < lines.size(); ++i) {
      if (SameAmount(lines[i].podatek, before[i].podatek) && SameAmount(lines[i].brutto, before[i].brutto) &&
          SameAmount(lines[i].wartosc, before[i].wartosc))
        continue;
      if (!dd_.GoTo(recnos[i]).ok() || !store::RecLockArea(ui, dd_, kReservationLockWait).ok()) continue;
      if (Status written = WriteDocLine(dd_, lines[i]); !written.ok()) TellWriteFailed(written);
      (void)dd_.UnlockRecord(recnos[i]);  // as above
    }
  }
  (void)dd_.GoTo(back);
  con_.Say(23, 67, TransformNumber(r.total, "9999999999.99"));
  ShowCashSaleTotal(s_, kind_, r.total);
  s_.vars().Set("M_WARTOSC", xbase::Value(r.total));
  return r.total;
}

// Leaving the grid (F9, Esc): the checks of the kind, the total, then posting's exit.
bool LineGrid::Leave() {
  if (settings_.klucz == 1) return true;
  const LeaveChecks checks = CheckLinesBeforeLeaving(s_, kind_, dd_);
  if (checks.commission) {
    console::Okno_(con_, "Problem z PROWIZJA", 2);
    return false;
  }
  if (checks.missing_serial) {
    console::Okno_(con_, "Brak NR SERII", 2);
    return false;
  }
  if (!DeliveryAddress()) return false;
  if (checks.below_cost && s_.FileX("STRATA.DD") && kind_.IsSale()) {
    console::Okno_(con_, "Sprawdz CENY", 2);
    ShowReport(BelowCostReport(checks.below_cost_lines));
    if (!console::Okno(con_, "Akceptujesz strate ?", "N")) return false;
  }
  if ((checks.bad_vat || checks.other_vat) && kind_.IsSale()) {
    console::Okno_(con_, "Sprawdz stawki VAT", 2);
    ShowReport(VatReport(checks.vat_lines));
    if (!console::Okno(con_, "Akceptujesz stawki VAT ?", "N")) return false;
    // A rate the period does not know needs the supervisor as well.
    if (checks.bad_vat && !session::Haslo(s_, session::HasloKind::kSupervisor)) {
      console::Okno_(con_, "ZLE stawki VAT", 2);
      return false;
    }
  }
  // A new sale past the customer's credit limit may be dropped here.
  if (settings_.klucz == 0 && kind_.IsSale()) {
    const double total = ShowTotal(kReasonShow);
    if (CreditExceeded(CustomerCredit(s_, s_.vars().Text("M_ODB")), total) &&
        console::Okno(con_, "Skasowac dowod ?", "N")) {
      if (DropDocument()) return true;
      FreshOrder();
      return false;
    }
  }
  ShowTotal(kReasonPost);
  const bool done = leave_ ? leave_(s_) : Wyjscie(s_, false);
  if (!done) FreshOrder();
  finished_ = done;
  return done;
}

// Sales and issue notes with lines but no delivery address ask for one (the customer's
// address proposed); Esc goes back to the grid.
bool LineGrid::DeliveryAddress() {
  if (!AsksDeliveryAddress(kind_) || !IsBlank(s_.vars().Text("M_ODBIORC1"))) return true;
  const uint32_t back = dd_.recno();
  const bool has_lines = dd_.GoTop().ok() && !dd_.eof();
  (void)dd_.GoTo(back);
  if (!has_lines) return true;
  std::string adres = ProposedDeliveryAddress(s_);
  const console::SavedRegion saved = con_.Save(15, 4, 19, 76);
  con_.Box(15, 4, 18, 75, console::DoubleFrame(), con_.colours().standard, ' ');
  console::Form f(con_);
  f.Say(16, 6, "Adres dostawy :");
  f.GetText(17, 6, adres).Width(50);
  const console::ReadResult r = f.Read();
  con_.Restore(saved);
  if (r.escaped) return false;
  s_.vars().Set("M_ODBIORC1", xbase::Value(PadR(adres, 50)));
  return true;
}

void LineGrid::TellWriteFailed(const Status& status) {
  console::Okno_(con_, "Blad zapisu pliku dd: " + status.message(), 3);
}

// A leaving report in the report viewer (Esc goes on to the question).
void LineGrid::ShowReport(const std::vector<std::string>& lines) {
  const console::SavedRegion saved = con_.Save(0, 0, 24, 79);
  session::ViewDruk(s_, [&](session::ReportWriter& out) {
    for (const std::string& l : lines) out.Line(l);
  });
  con_.Restore(saved);
}

}  // namespace

bool RunLineGrid(session::Session& session, int top, int left, int bottom, int right, std::string_view alias,
                 std::string_view filter, int /*columns*/, const LeaveDocument& leave) {
  xbase::WorkArea* dd = session.areas().Find(alias.empty() ? std::string_view("dd") : alias);
  if (dd == nullptr) {
    console::Okno_(session.con(), "Plik dd niedostepny", 2);
    return true;
  }
  // A filter given by the caller holds while the grid runs; the area's own comes back.
  const std::string filter_before = dd->filter();
  const bool filtered = !filter.empty() && dd->SetFilter(filter).ok();
  LineGrid grid(session, *dd, top, left, bottom, right, leave);
  const bool result = grid.Run();
  // The area is looked up again: leaving may have opened a new working table in it.
  xbase::WorkArea* after = session.areas().Find(alias.empty() ? std::string_view("dd") : alias);
  if (filtered && after != nullptr) (void)after->SetFilter(filter_before);
  if (grid.after()) {
    // The new document is entered (and posted) in the editor; the display goes on after it.
    const xbase::Value klucz = session.vars().Get("KLUCZ");
    grid.after()();
    session.vars().Set("KLUCZ", klucz);
  }
  return result;
}

}  // namespace hurt::documents
