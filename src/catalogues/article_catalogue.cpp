#include "catalogues/article_catalogue.h"

#include <string>

#include "base/cp852.h"
#include "base/date.h"
#include "base/numeric.h"
#include "base/picture.h"
#include "base/text.h"
#include "catalogues/article_card.h"
#include "catalogues/article_reports.h"
#include "catalogues/common.h"
#include "catalogues/rules.h"
#include "console/browse.h"
#include "console/form.h"
#include "console/keys.h"
#include "console/message_window.h"
#include "session/helpers.h"
#include "session/menu_choice.h"
#include "session/not_built.h"
#include "session/operator_rights.h"
#include "session/session.h"
#include "session/viewer.h"

namespace hurt::catalogues {

using namespace hurt::literals;
using console::BrowseAction;
using console::BrowseMode;
namespace key = console::key;

namespace {

constexpr int kArticleArea = 2;
constexpr int kTitleRow = 14;
constexpr int kGridTop = 15;
constexpr int kGridBottom = 23;
constexpr int kKeyBarRow = 24;
constexpr size_t kCodePrefixLimit = 9;   // warehouse + code
constexpr size_t kNamePrefixLimit = 30;

class ArticleScreen {
 public:
  ArticleScreen(session::Session& s, xbase::WorkArea& as)
      : s_(s), con_(s.con()), as_(as), store_(s), cs_(CardSettings::Of(s)) {}

  void Run();

 private:
  BrowseAction Fun(BrowseMode mode);
  BrowseAction OnKey(int k);
  // The keys of the card list, in the order they are tried.
  KeyTable Keys();
  BrowseAction SwitchOrder();
  BrowseAction EditKey();
  BrowseAction DeleteKey();
  void DocumentsMenu();
  void Title();
  void ViewAs();
  void LiniaAs();
  void AddColumns(console::Browse& b);
  void RestoreWarehouseFilter();

  // Incremental search; true when the key belonged to it.
  bool Search(int k, bool* moved);
  void EndSearch();
  void ShowPrefix();
  int NameOrder() const { return HasField(as_, "KOD13") ? 3 : 2; }
  bool InNameOrder() const { return as_.order() != 1; }

  bool EditAs();
  bool DopiszAs(bool copy);
  bool FiltrAs();
  bool SzukajAs();
  bool Kasuj();
  bool AsWydruk();
  bool PodwyzkaCen();
  bool RaisePrices(double percent);
  bool RapAs(DocumentOrder order);
  bool SzukajKod13();
  // The query form; the condition of its non-empty fields ("" when none, nullopt on Esc).
  std::optional<std::string> QueryCondition(bool substrings_only);
  // A card with this key other than record `exclude` (0: any card).
  bool KeyExists(const std::string& mag, const std::string& indeks, uint32_t exclude);
  bool Empty() { return AreaEmpty(as_); }

  session::Session& s_;
  console::Console& con_;
  xbase::WorkArea& as_;
  StoreAccess store_;
  CardSettings cs_;
  bool current_month_ = true;
  std::string warehouse_filter_;
  SearchPrefix code_prefix_{kCodePrefixLimit};
  SearchPrefix name_prefix_{kNamePrefixLimit};
  bool searching_ = false;
  console::Browse* browse_ = nullptr;
  KeyTable keys_ = Keys();
};

void ArticleScreen::RestoreWarehouseFilter() {
  if (as_.filter() != warehouse_filter_) (void)as_.SetFilter(warehouse_filter_);
}

void ArticleScreen::Title() {
  const console::Attr attr = con_.colours().enhanced;
  con_.ClearRegion(kTitleRow, 0, kTitleRow, 79, attr);
  con_.Say(kTitleRow, 0, "           KARTOTEKA MAGAZYNOWA                                         F1-pomoc", attr);
  if (!current_month_) con_.Say(kTitleRow, 65, ViewedMonthName(s_), attr);
}


void ArticleScreen::ViewAs() {
  AsBuffer b = Empty() ? AsZer(cs_) : AsRead(as_, cs_);
  CardForm form(s_, b, cs_, HasField(as_, "NAZWA1"));
  form.Show();
  LiniaAs();
}

// Row 13: the dates of the card's last movements.
void ArticleScreen::LiniaAs() {
  std::string line("Ost. przychód: "_pl);
  line += Dtoc(FieldDate(as_, "DATA_PZ"));
  line += "   Ost. sprzedaż: "_pl;
  line += Dtoc(FieldDate(as_, "DATA_SD"));
  line += "   Założona: "_pl;
  line += Dtoc(FieldDate(as_, "DATA_INI"));
  con_.Say(13, 0, PadR(line, 80));
}

void ArticleScreen::AddColumns(console::Browse& b) {
  const bool export_names = s_.settings().Text("J_NAZWA").find("EXPORT") != std::string::npos;
  const std::string name_picture(30, export_names ? 'X' : '!');
  const std::string qty_picture = s_.settings().Text("J_I3") == "3" ? "99999999.999" : "999999999.99";
  const bool reserved = HasField(as_, "REZERWA9W");
  auto quantity = [this, reserved] {
    return FieldNumber(as_, "ILOSC") - (reserved ? FieldNumber(as_, "REZERWA9W") : 0);
  };
  using console::BrowseColumn;
  if (s_.FileX("WOLNY.TXT")) {
    if (HasField(as_, "KOD13")) b.AddColumn(BrowseColumn::Text("Kod13", [this] { return FieldText(as_, "KOD13"); }));
    b.AddColumn(BrowseColumn::Text("M", [this] { return FieldText(as_, "MAG"); }, "!"));
    b.AddColumn(BrowseColumn::Text("Nazwa", [this] { return FieldText(as_, "NAZWA"); }, name_picture));
    b.AddColumn(BrowseColumn::Text("jm", [this] { return FieldText(as_, "JM"); }, "!!!"));
    b.AddColumn(BrowseColumn::Number("    Ilosc", quantity, qty_picture));
    b.AddColumn(BrowseColumn::Number("  Cena brutto", [this] { return FieldNumber(as_, "CENA2"); }, "9999999999.99"));
    return;
  }
  b.AddColumn(BrowseColumn::Text("M", [this] { return FieldText(as_, "MAG"); }, "!"));
  b.AddColumn(BrowseColumn::Text("Indeks", [this] { return FieldText(as_, "INDEKS"); }, "!!!!!!!!"));
  b.AddColumn(BrowseColumn::Text("Nazwa", [this] { return FieldText(as_, "NAZWA"); }, name_picture));
  b.AddColumn(BrowseColumn::Text("jm", [this] { return FieldText(as_, "JM"); }, "!!!"));
  b.AddColumn(BrowseColumn::Number("    Ilosc", quantity, qty_picture));
  if (session::JestWaluta(s_)) {
    b.AddColumn(BrowseColumn::Text("Kod", [this] { return FieldText(as_, "WALUTA"); }, "!!!"));
    b.AddColumn(BrowseColumn::Number("     Cena netto", [this] { return FieldNumber(as_, "CENA_W"); },
                                     "@Z 999999999999.99"));
  } else {
    b.AddColumn(BrowseColumn::Number("  Cena brutto", [this] { return FieldNumber(as_, "CENA2"); }, "9999999999.99"));
    const bool see_margin = cs_.see_margin;
    b.AddColumn(BrowseColumn::Number(
        "    %",
        [this, see_margin] {
          if (!see_margin) return 0.0;
          const double cost = Mojmax(FieldNumber(as_, "CENA0"), FieldNumber(as_, "CENA_PZ"), cs_.cost);
          return RawMargin(FieldNumber(as_, "CENA"), cost);
        },
        "99999"));
  }
  if (HasField(as_, "DATA_SD") && HasField(as_, "DATA_PZ")) {
    b.AddColumn(BrowseColumn::Text("D", [this] {
      return AgeingFlag(FieldNumber(as_, "ILOSC"), FieldDate(as_, "DATA_SD"), FieldDate(as_, "DATA_PZ"), s_.Today());
    }));
  }
}

void ArticleScreen::Run() {
  current_month_ = InCurrentMonth(s_);
  warehouse_filter_ = WarehouseFilter(s_);
  (void)as_.SetFilter(warehouse_filter_);

  con_.Clear();
  Title();
  PaintKeyBar(s_, current_month_);

  SeedOrProbe(s_, store_, as_, 10, 10);

  // Start on the station's (or the main) warehouse, in the code order.
  (void)as_.SetOrder(1);
  std::string start = VarText(s_, "M_NR_MAG");
  if (IsBlank(start)) start = s_.settings().Text("J_MAG_GLOW");
  start = Left(start, 1);
  bool found = false;
  if (!start.empty()) {
    auto f = as_.SeekKey(start);
    found = f.ok() && *f;
  }
  if (!found) (void)as_.GoTop();
  if (s_.FileX("WOLNY.TXT") && as_.order_count() >= 2) {
    (void)as_.SetOrder(2);
    (void)as_.GoTop();
  }

  AreaSource source(as_);
  console::Browse browse(con_, source, kGridTop, 0, kGridBottom, 79);
  browse.Separators("─┼─"_pl, "│"_pl, "");
  AddColumns(browse);
  browse_ = &browse;
  ViewAs();
  browse.Run([this](BrowseMode mode, int) { return Fun(mode); });
  browse_ = nullptr;

  (void)as_.SetOrder(1);
  (void)as_.SetFilter(warehouse_filter_);
  (void)as_.GoTop();
}

BrowseAction ArticleScreen::Fun(BrowseMode mode) {
  return CatalogueFun(s_, as_, mode, current_month_,
                      {.view = [this] { ViewAs(); },
                       .on_key = [this](int k) { return OnKey(k); },
                       .append = [this] { DopiszAs(false); },
                       .filter = [this] { FiltrAs(); }});
}

BrowseAction ArticleScreen::OnKey(int k) {
  if (browse_ != nullptr && browse_->append_mode()) {
    // The blank row after the last card: Enter or F5 fills it in, anything else ends it.
    if (current_month_ && (k == key::kEnter || key::IsKey(k, key::F(5)))) DopiszAs(false);
    return BrowseAction::kRepaint;
  }
  bool moved = false;
  if (Search(k, &moved)) return moved ? BrowseAction::kRepaint : BrowseAction::kContinue;
  if (searching_) EndSearch();

  return DispatchKey(keys_, k);
}

KeyTable ArticleScreen::Keys() {
  return {
      {key::kEsc, [] { return BrowseAction::kLeave; }},
      {key::kTab, [this] { return SwitchOrder(); }},
      {key::F(4), [this] { return EditKey(); }},
      {key::AltF(5), AndRepaint([this] { if (current_month_) DopiszAs(true); })},
      {key::F(5), AndRepaint([this] { if (current_month_) DopiszAs(false); })},
      {key::F(6), AndRepaint([this] { FiltrAs(); })},
      {key::AltF(7), AndRepaint([this] { SzukajKod13(); })},
      {key::F(7), AndRepaint([this] { SzukajAs(); })},
      {key::F(8), [this] { return DeleteKey(); }},
      {key::F(9), AndRepaint([this] { AsWydruk(); })},
      {key::ShiftF(2), AndRepaint([this] { if (s_.op().Prawa(1)) PodwyzkaCen(); })},
      {key::F(2), AndRepaint([this] { DocumentsMenu(); })},
  };
}

// Tab: code order and name order.
BrowseAction ArticleScreen::SwitchOrder() {
  const int next = InNameOrder() ? 1 : NameOrder();
  if (next <= as_.order_count()) (void)as_.SetOrder(next);
  return BrowseAction::kRepaint;
}

BrowseAction ArticleScreen::EditKey() {
  if (!current_month_) return BrowseAction::kContinue;
  RestoreWarehouseFilter();
  if (as_.eof()) (void)as_.GoTop();
  if (Empty()) return BrowseAction::kRepaint;
  EditAs();
  return BrowseAction::kRepaint;
}

BrowseAction ArticleScreen::DeleteKey() {
  if (!current_month_) return BrowseAction::kContinue;
  RestoreWarehouseFilter();
  Kasuj();
  return BrowseAction::kRepaint;
}

// F2: the documents of the card; the batch turnover belongs to the batch cards.
void ArticleScreen::DocumentsMenu() {
  const int c = session::SmallChoice(s_, 10, 20,
                                     {"1. Dowody wystawione na dany towar   ",
                                      "2. Dowody w kolejnosci edycji        ",
                                      "3. Szybka rotacja na kartotece PARTIA"});
  if (c == 1) RapAs(DocumentOrder::kByDate);
  if (c == 2) RapAs(DocumentOrder::kAsEntered);
  if (c == 3) session::NotBuilt(s_, "RAP_PARTIA");
}

// ---- Incremental search ---------------------------------------------------------------------

bool ArticleScreen::Search(int k, bool* moved) {
  const bool backspace = k == key::kBackspace;
  if (!backspace && !IsSearchCharacter(k)) return false;
  SearchPrefix& prefix = InNameOrder() ? name_prefix_ : code_prefix_;
  searching_ = true;
  const uint32_t before = as_.recno();
  if (backspace) {
    if (prefix.Backspace() && !prefix.empty()) {
      auto f = as_.SeekKey(prefix.text());
      if (!(f.ok() && *f)) (void)as_.GoTo(before);
      *moved = true;
    }
    ShowPrefix();
    return true;
  }
  if (!InNameOrder() && prefix.empty() && s_.settings().Text("J_SD_Z1MAG") == "T" &&
      s_.settings().Text("J_DOW1_MAG") == "T") {
    prefix.Start(Left(s_.settings().Text("J_MAG_GLOW"), 1));
  }
  const std::optional<std::string> candidate = prefix.Candidate(static_cast<char>(k));
  if (candidate) {
    auto f = as_.SeekKey(*candidate);
    if (f.ok() && *f) {
      prefix.Accept(*candidate);
      *moved = true;
    } else {
      (void)as_.GoTo(before);
    }
  }
  ShowPrefix();
  return true;
}

void ArticleScreen::ShowPrefix() {
  const console::Attr reverse = con_.colours().enhanced;
  con_.ClearRegion(kKeyBarRow, 0, kKeyBarRow, 79, con_[console::Role::kKeyBar]);
  if (InNameOrder()) {
    con_.Say(kKeyBarRow, 0, PadR(name_prefix_.text(), kNamePrefixLimit), reverse);
    return;
  }
  const std::string& t = code_prefix_.text();
  con_.Say(kKeyBarRow, 0, PadR(Left(t, 1), 1), reverse);
  con_.Say(kKeyBarRow, 2, PadR(Substr(t, 2), 8), reverse);
}

void ArticleScreen::EndSearch() {
  code_prefix_.Clear();
  name_prefix_.Clear();
  searching_ = false;
  PaintKeyBar(s_, current_month_);
}

// ---- Operations -----------------------------------------------------------------------------

bool ArticleScreen::KeyExists(const std::string& mag, const std::string& indeks, uint32_t exclude) {
  return KeyTaken(as_, mag + indeks, exclude);
}

bool ArticleScreen::EditAs() {
  const AsBuffer before = AsRead(as_, cs_);
  AsBuffer b = before;
  const uint32_t recno = as_.recno();
  CardForm card(s_, b, cs_, HasField(as_, "NAZWA1"));
  card.Show();

  const bool key_editable = KeyEditable(before.stock);
  if (key_editable) {
    console::Form key_form(con_);
    card.AddKeyGets(key_form, [] { return true; }, false);
    const console::ReadResult r = key_form.Read();
    if (r.escaped) return true;
    b.indeks = NormalIndeks(b.indeks);
    if ((b.mag != before.mag || b.indeks != before.indeks) && KeyExists(b.mag, b.indeks, recno)) {
      Warning(s_, "MASZ JUZ TAKI INDEKS", 3);
      b.mag = before.mag;
      b.indeks = before.indeks;
      card.Show();
    }
  }
  const bool may_edit = s_.op().Prawa(7) || s_.op().Prawa(8);
  if (may_edit) {
    console::Form rest(con_);
    card.AddRestGets(rest, [] { return true; });
    const console::ReadResult r = rest.Read();
    if (r.escaped) return true;
  }
  (void)as_.GoTo(recno);
  if (!AsRep(s_, as_, b, &before)) return true;
  const double cost = Mojmax(b.p.cena0, b.p.cena_pz, cs_.cost);
  const PriceWarning w = CheckPrices(b.p.cena, cost, cs_.prod_site);
  if (w != PriceWarning::kNone) Warning(s_, PriceWarningText(w), 3);
  return true;
}

bool ArticleScreen::DopiszAs(bool copy) {
  AsBuffer b = AsZer(cs_);
  if (copy && !Empty()) {
    b = AsRead(as_, cs_);
    b.mag = " ";
    b.indeks = std::string(8, ' ');
    b.ilosc = 0;
    b.stock = {};
  }
  b.data_ini = s_.Today();
  CardForm card(s_, b, cs_, HasField(as_, "NAZWA1"));
  card.Show();

  console::Form key_form(con_);
  card.AddKeyGets(key_form, [] { return true; }, true);
  if (key_form.Read().escaped || IsBlank(b.mag + b.indeks)) return true;
  b.indeks = NormalIndeks(b.indeks);
  if (KeyExists(b.mag, b.indeks, 0)) {
    // The card is there already: show it.
    const std::string filter = as_.filter();
    (void)as_.SetOrder(1);
    auto f = as_.SeekKey(b.mag + b.indeks);
    if (!(f.ok() && *f) && !filter.empty()) {
      (void)as_.SetFilter("");
      (void)as_.SeekKey(b.mag + b.indeks);
    }
    return true;
  }
  const std::string allowed = s_.settings().Text("J_MAG_DOPI");
  if (!s_.op().Prawa(1) && allowed.find(b.mag) == std::string::npos) {
    Warning(s_, "Masz przydzielone male prawa", 3);
    return true;
  }
  if (!OwnWarehouse(s_, b.mag)) {
    // Checked before the blank record is appended, so that none is left behind.
    Warning(s_, "To nie jest twoj magazyn", 3);
    return true;
  }
  console::Form rest(con_);
  card.AddRestGets(rest, [] { return true; });
  if (rest.Read().escaped || IsBlank(b.nazwa)) return true;
  if (!store_.AddRec(as_, 15).ok()) {
    Warning(s_, "Kartoteka zajeta na innym stanowisku - karta nie dopisana", 3);
    return true;
  }
  if (!AsRep(s_, as_, b, nullptr)) DropAppended(as_);
  return true;
}

std::optional<std::string> ArticleScreen::QueryCondition(bool substrings_only) {
  AsBuffer q;
  q.p.podatek0 = "  ";
  CardForm card(s_, q, cs_, false);
  card.Show();
  console::Form f(con_);
  card.AddQueryGets(f);
  if (f.Read().escaped) return std::nullopt;

  // The filter (F6) and the search (F7) keep their values in variables of their own: the
  // filter's condition names its variables for as long as it is set, so a search must
  // never change them.
  const std::string prefix = substrings_only ? "M_SAS_" : "M_QAS_";
  QueryBuilder query(s_);
  // `test` with "@" standing for the variable's name.
  auto add = [&](std::string_view name, const std::string& value, std::string_view test) {
    const std::string var = prefix + std::string(name);
    std::string cond(test);
    cond.replace(cond.find('@'), 1, var);
    query.Add(var, value, cond);
  };
  add("MAG", AllTrim(q.mag), "@ $ mag");
  add("INDEKS", AllTrim(q.indeks), "@ $ indeks");
  add("NAZWA", AllTrim(q.nazwa), "@ $ nazwa");
  add("JM", AllTrim(q.jm), "@ $ jm");
  add("PKWIU", AllTrim(q.pkwiu), "@ $ pkwiu");
  add("GRUPA", AllTrim(q.t_w_o_k), "@ $ t_w_o_k");
  add("PODGR", AllTrim(q.podgrupa), "@ $ podgrupa");
  if (substrings_only) {
    add("ODB", AllTrim(q.odb), "@ $ odb");
    add("GTU", AllTrim(q.gr_tow), "@ $ gr_tow");
  } else {
    add("ODB", q.odb, "odb == @");
    add("GTU", q.gr_tow, "gr_tow == @");
  }
  if (q.p.cena0 > 0) query.AddNumber(prefix + "CENA0", q.p.cena0, "cena0 >= " + prefix + "CENA0");
  return query.condition();
}

bool ArticleScreen::FiltrAs() {
  const uint32_t before = as_.recno();
  const std::optional<std::string> cond = QueryCondition(false);
  if (!cond) return true;
  if (cond->empty()) {
    RestoreWarehouseFilter();
    (void)as_.GoTop();
    return true;
  }
  // The station's warehouse limit stays part of every filter.
  const std::string full = warehouse_filter_.empty() ? *cond : "(" + warehouse_filter_ + ") .AND. " + *cond;
  if (!as_.SetFilter(full).ok()) {
    RestoreWarehouseFilter();
    return true;
  }
  (void)as_.GoTop();
  if (as_.eof()) {
    Warning(s_, "NIE ZNALAZŁEM"_pl, 3);
    RestoreWarehouseFilter();
    (void)as_.GoTo(before);
    if (as_.eof()) (void)as_.GoTop();
  }
  return true;
}

bool ArticleScreen::SzukajAs() {
  const std::optional<std::string> cond = QueryCondition(true);
  if (!cond || cond->empty()) return true;
  LocateFirst(s_, as_, *cond);
  return true;
}

bool ArticleScreen::Kasuj() {
  if (Empty()) return true;
  const StockCounters stock{FieldNumber(as_, "B_BO_I"), FieldNumber(as_, "B_P_I"), FieldNumber(as_, "B_R_I"),
                            FieldNumber(as_, "ILOSC")};
  if (!ArticleDeletable(stock, FieldText(as_, "MAG"))) {
    Warning(s_, "NIE MASZ PRAWA", 3);
    return true;
  }
  if (!ConfirmDelete(s_)) return true;
  if (!LockForChange(s_, as_, 15, "nie skasowana")) return true;
  // Read again under the lock: a document may have moved stock onto the card meanwhile.
  const StockCounters now{FieldNumber(as_, "B_BO_I"), FieldNumber(as_, "B_P_I"), FieldNumber(as_, "B_R_I"),
                          FieldNumber(as_, "ILOSC")};
  if (!ArticleDeletable(now, FieldText(as_, "MAG"))) {
    (void)as_.Unlock();
    Warning(s_, "NIE MASZ PRAWA", 3);
    return true;
  }
  DeleteAndMoveOn(store_, as_);
  return true;
}

bool ArticleScreen::AsWydruk() {
  const std::string qty_picture = s_.settings().Text("J_I3") == "3" ? "99999999.999" : "999999999.99";
  ViewReportOver(s_, as_, [&](session::ReportWriter& out) {
    out.Line(session::Centruj("KARTOTEKA MAGAZYNOWA"));
    out.Line(session::Centruj(std::string("stan na dzień "_pl) + Dtoc(s_.Today())));
    out.Line("");
    out.Line("M Indeks   Nazwa                          jm         Ilosc   Cena netto  Cena brutto");
    out.Line(std::string(84, '-'));
    long count = 0;
    (void)as_.GoTop();
    while (!as_.eof()) {
      out.Line(FieldText(as_, "MAG") + " " + FieldText(as_, "INDEKS") + " " + PadR(FieldText(as_, "NAZWA"), 30) +
               " " + PadR(FieldText(as_, "JM"), 3) + " " + TransformNumber(FieldNumber(as_, "ILOSC"), qty_picture) +
               " " + TransformNumber(FieldNumber(as_, "CENA"), "99999999.99") + " " +
               TransformNumber(FieldNumber(as_, "CENA2"), "99999999.99"));
      ++count;
      if (!as_.Skip(1).ok()) break;
    }
    out.Line(std::string(84, '-'));
    out.Line("Pozycji: " + std::to_string(count));
  });
  return true;
}

// RAP_AS: the document lines of the current card in the report viewer.
bool ArticleScreen::RapAs(DocumentOrder order) {
  if (Empty()) return true;
  const std::string mag = FieldText(as_, "MAG");
  const std::string indeks = FieldText(as_, "INDEKS");
  const std::string nazwa = FieldText(as_, "NAZWA");
  ViewReportOver(s_, as_, [&](session::ReportWriter& out) {
    (void)WriteArticleDocuments(s_, mag, indeks, nazwa, order, out);
  });
  return true;
}

// Alt+F7: finds a card by its bar code (typed, or read by a scanner that ends with Enter).
// The grid keeps its order; only the current card changes.
bool ArticleScreen::SzukajKod13() {
  const int field = as_.FieldIndex("KOD13");
  if (field < 0 || as_.order_count() < 2) {
    Warning(s_, "Kartoteka nie ma kodow kreskowych", 3);
    return true;
  }
  const console::SavedRegion saved = con_.Save(10, 20, 12, 58);
  con_.Box(10, 20, 12, 58, console::DoubleFrame(), con_.colours().standard, ' ');
  con_.Say(11, 22, "Kod kreskowy:");
  std::string code(static_cast<size_t>(as_.field(field).width), ' ');
  console::Form f(con_);
  f.GetText(11, 36, code, "@!");
  const bool escaped = f.Read().escaped;
  con_.Restore(saved);
  if (escaped || IsBlank(code)) return true;
  const uint32_t before = as_.recno();
  const int order = as_.order();
  (void)as_.SetOrder(2);
  auto found = as_.SeekKey(BarCodeKey(code, as_.field(field).width));
  const bool hit = found.ok() && *found;
  const uint32_t at = as_.recno();
  (void)as_.SetOrder(order);
  (void)as_.GoTo(hit ? at : before);
  if (!hit) Warning(s_, "NIE ZNALAZŁEM"_pl, 3);
  return true;
}

// Shift+F2: raises the net and gross prices of every card of the current card's supplier.
bool ArticleScreen::PodwyzkaCen() {
  if (s_.InArchive()) {
    Warning(s_, "Praca w archiwum - blokada", 3);
    return true;
  }
  if (Empty()) return true;
  const std::string odb = FieldText(as_, "ODB");
  // Cards without a supplier are not one supplier's: a rise would hit all of them.
  if (IsBlank(odb)) return true;
  const console::SavedRegion saved = con_.Save(17, 10, 19, 60);
  con_.Box(17, 10, 19, 60, console::DoubleFrame(), con_.colours().standard, ' ');
  con_.Say(18, 11, "Dostawca: " + odb + "          Podniesc ceny o");
  double percent = 0;
  console::Form f(con_);
  f.GetNumber(18, 55, percent, "99");
  f.Say(18, 58, "%");
  const console::ReadResult r = f.Read();
  con_.Restore(saved);
  if (r.escaped || percent <= 0) return true;
  if (!session::Haslo(s_, session::HasloKind::kPriceRise)) return true;
  console::OknoNoWait(con_, "Prosze czekac...");

  const uint32_t start = as_.recno();
  const int order = as_.order();
  const std::string filter = as_.filter();
  (void)as_.SetFilter("");
  (void)as_.SetOrder(0);
  (void)as_.GoTop();
  // A card held elsewhere is waited for with the message shown; after Esc the held cards
  // are passed over at once. Such cards and those whose new price does not fit keep both
  // prices, and their number is told at the end.
  LockWaitUi wait(con_);
  long unchanged = 0;
  while (!as_.eof()) {
    if (FieldText(as_, "ODB") == odb) {
      const bool locked = store::RecLockArea(wait, as_, 10).ok();
      wait.Close();
      if (!locked || !RaisePrices(percent)) ++unchanged;
    }
    if (!as_.Skip(1).ok()) break;
  }
  (void)as_.SetOrder(order);
  (void)as_.SetFilter(filter);
  (void)as_.GoTo(start);
  if (unchanged > 0) Warning(s_, "Ceny bez zmian na kartotekach: " + std::to_string(unchanged), 3);
  return true;
}

// One card of the price rise, locked: both prices or neither (a gross price that no longer
// fits its field leaves the net price as it was too). The card is unlocked.
bool ArticleScreen::RaisePrices(double percent) {
  const double rate = RateOf(FieldText(as_, "PODATEK0"));
  const double cena = NewRound(FieldNumber(as_, "CENA") * (1 + percent / 100), 2);
  const double cena2 = NewRound(cena * (1 + rate / 100), 2);
  Status st = as_.Replace("CENA", xbase::Value(cena));
  if (st.ok()) st = as_.Replace("CENA2", xbase::Value(cena2));
  if (st.ok()) st = as_.Flush();
  if (!st.ok()) as_.DiscardChanges();
  (void)as_.Unlock();
  return st.ok();
}

}  // namespace

std::string WarehouseFilter(session::Session& s) {
  if (IsBlank(VarText(s, "M_NR_MAG")) || !s.FileX("AS_FILTR.TXT")) return {};
  return "mag $ M_nr_mag";
}

bool DbuAs(session::Session& s, std::string_view /*par*/) {
  xbase::WorkArea* as = s.areas().Area(kArticleArea);
  if (as == nullptr) {
    Warning(s, "Plik as.dbf niedostepny", 3);
    return false;
  }
  const console::SavedScreen saved = s.con().SaveScreen();
  ArticleScreen screen(s, *as);
  screen.Run();
  s.con().RestoreScreen(saved);
  return true;
}

}  // namespace hurt::catalogues
