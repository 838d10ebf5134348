#include "catalogues/counterparty_books.h"

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/cp852.h"
#include "base/date.h"
#include "base/numeric.h"
#include "base/picture.h"
#include "base/text.h"
#include "catalogues/common.h"
#include "catalogues/counterparty_reports.h"
#include "catalogues/rules.h"
#include "console/browse.h"
#include "console/form.h"
#include "console/keys.h"
#include "console/message_window.h"
#include "session/helpers.h"
#include "session/menu_choice.h"
#include "session/not_built.h"
#include "session/output/report_file.h"
#include "session/session.h"
#include "session/viewer.h"
#include "settlements/ledger_screen.h"
#include "settlements/money_register.h"
#include "settlements/unpaid_invoices.h"

namespace hurt::catalogues {

using namespace hurt::literals;
using console::BrowseAction;
using console::BrowseMode;
namespace key = console::key;

bool ZlyNip(session::Session& s, std::string_view nip, bool quiet) {
  switch (CheckNip(nip, s.FileX("PESEL.TXT"))) {
    case NipCheck::kGood: return false;
    case NipCheck::kBadLength: return true;
    case NipCheck::kBadChecksum:
      if (quiet) return true;
      Message(s, "ZŁY NIP"_pl);
      return false;
  }
  return true;
}

namespace {

// The edit buffer of an account. Texts at their field widths.
struct ZoBuffer {
  std::string odb = std::string(8, ' ');
  std::string nodb = std::string(50, ' ');
  std::string nodb1 = std::string(50, ' ');
  std::string nodb2 = std::string(50, ' ');
  std::string kodb = std::string(6, ' ');
  std::string modb = std::string(20, ' ');
  std::string uodb = std::string(25, ' ');
  std::string nip_kraj = std::string(2, ' ');
  std::string regon = std::string(13, ' ');
  std::string trasa = std::string(8, ' ');
  std::string bodb = std::string(30, ' ');
  std::string nrbo = std::string(40, ' ');
  std::string tel = std::string(20, ' ');
};

struct ZoTextField {
  std::string_view name;
  std::string ZoBuffer::*member;
};
constexpr ZoTextField kZoFields[] = {
    {"ODB", &ZoBuffer::odb},     {"NODB", &ZoBuffer::nodb},   {"NODB1", &ZoBuffer::nodb1},
    {"NODB2", &ZoBuffer::nodb2}, {"KODB", &ZoBuffer::kodb},   {"MODB", &ZoBuffer::modb},
    {"UODB", &ZoBuffer::uodb},   {"NIP_KRAJ", &ZoBuffer::nip_kraj}, {"REGON", &ZoBuffer::regon},
    {"TRASA", &ZoBuffer::trasa}, {"BODB", &ZoBuffer::bodb},   {"NRBO", &ZoBuffer::nrbo},
    {"TEL", &ZoBuffer::tel},
};

bool AllZero(const AccountAmounts& m) {
  for (double v : {m.bown, m.boma, m.obnawn, m.obnama, m.obwn, m.obma, m.pown, m.poma}) {
    if (!SameAmount(v, 0, 2)) return false;
  }
  return true;
}

// An account code as keys hold it: trimmed, upper case, padded to 8.
std::string NormalOdb(std::string_view typed) { return PadR(UpperPl(AllTrim(typed)), 8).substr(0, 8); }

ZoBuffer ZoRead(const xbase::WorkArea& a) {
  ZoBuffer b;
  for (const ZoTextField& f : kZoFields) {
    std::string& v = b.*(f.member);
    const int i = a.FieldIndex(f.name);
    const size_t width = i < 0 ? v.size() : static_cast<size_t>(a.field(i).width);
    v = PadR(FieldText(a, f.name), width);
  }
  return b;
}

class AccountScreen {
 public:
  AccountScreen(session::Session& s, xbase::WorkArea& zo, const BookInfo& book)
      : s_(s), con_(s.con()), zo_(zo), book_(book), store_(s) {}
  void Run();

 private:
  BrowseAction Fun(BrowseMode mode);
  BrowseAction OnKey(int k);
  // The keys of the book, in the order they are tried.
  KeyTable Keys();
  BrowseAction SwitchPanel();
  BrowseAction OpenInvoices();
  void ViewZo();
  void ShowForm(const ZoBuffer& b);
  void AddKeyGets(console::Form& f, ZoBuffer& b);
  void AddRestGets(console::Form& f, ZoBuffer& b);
  void Title();
  void Frame();
  bool Search(int k, bool* moved);
  void EndSearch();

  bool EditZo();
  bool DopiszZo(bool copy);
  bool FiltrZo();
  bool SzukajZo();
  bool Kasuj();
  bool ZoWydruk();
  // The query form; `excel` (F6 only) asks whether the result is copied for a spreadsheet.
  std::optional<std::string> QueryCondition(bool* excel);
  // Alt+F7, Alt+F2, Alt+F9: the tax-number lists, the balance letters, the envelopes.
  void NipMenu();
  void FindNip();
  void BalanceMenu();
  void EnvelopeMenu();
  // Runs a report over the book in the report viewer; the book stays where it stood.
  void Report(const std::function<void(session::ReportWriter&)>& procedure);
  bool KeyExists(const std::string& odb, uint32_t exclude);
  bool Write(const ZoBuffer& b, const ZoBuffer* before);
  bool Empty() { return AreaEmpty(zo_); }

  session::Session& s_;
  console::Console& con_;
  xbase::WorkArea& zo_;
  const BookInfo& book_;
  StoreAccess store_;
  bool current_month_ = true;
  int title_row_ = 12;
  SearchPrefix prefix_{8};  // M_SZUKAJ
  bool searching_ = false;
  console::Browse* browse_ = nullptr;
  bool currency_books_ = false;  // Tab switches the lower panel to the currency balance
  bool currency_view_ = false;
  KeyTable keys_ = Keys();
};


void AccountScreen::ShowForm(const ZoBuffer& b) {
  con_.ClearRegion(0, 0, title_row_ - 1, 79);
  con_.Say(0, 0, "Kod kontrahenta   :");
  con_.Say(0, 20, b.odb);
  con_.Say(1, 0, "Nazwa kontrahenta :");
  con_.Say(1, 20, b.nodb);
  if (HasField(zo_, "NODB1")) con_.Say(2, 20, b.nodb1);
  if (HasField(zo_, "NODB2")) con_.Say(3, 20, b.nodb2);
  con_.Say(4, 0, "Kod i miejscowosc :");
  con_.Say(4, 20, TransformText(b.kodb, "!!-!!!"));
  con_.Say(4, 27, b.modb);
  con_.Say(5, 0, "Ulica             :");
  con_.Say(5, 20, Left(b.uodb, 25));
  con_.Say(6, 0, "NIP               :");
  con_.Say(6, 20, b.nip_kraj);
  con_.Say(6, 23, b.regon);
  con_.Say(7, 0, "Grupa:");
  con_.Say(7, 7, b.trasa);
  con_.Say(7, 17, "Nazwa banku:");
  con_.Say(7, 30, b.bodb);
  con_.Say(8, 0, "Nr rachunku:");
  con_.Say(8, 13, Left(b.nrbo, 40));
  con_.Say(8, 55, "tel.");
  con_.Say(8, 60, Left(b.tel, 20));
}

void AccountScreen::ViewZo() {
  const ZoBuffer b = Empty() ? ZoBuffer{} : ZoRead(zo_);
  ShowForm(b);
  if (currency_view_) {
    con_.ClearRegion(9, 0, 11, 79);
    con_.Say(9, 0, "Saldo walutowe:");
    const std::vector<CurrencyBalance> balances =
        Empty() ? std::vector<CurrencyBalance>{} : CurrencyBalances(s_, book_.kto, FieldText(zo_, "ODB"));
    if (balances.empty()) con_.Say(10, 0, "brak rozrachunków walutowych"_pl);
    int row = 10;
    for (const CurrencyBalance& c : balances) {
      if (row > 11) break;
      con_.Say(row++, 0, PadR(c.waluta, 3) + "  Wn:" + TransformNumber(c.wn, "9999999999.99") + "  Ma:" +
                              TransformNumber(c.ma, "9999999999.99") + "  Saldo:" +
                              TransformNumber(c.Saldo(), "9999999999.99"));
    }
    return;
  }
  // Rows 10 and 11, 80 columns at most: the month's turnover ends at column 79.
  const AccountAmounts m = AmountsOf(zo_);
  con_.Say(10, 0, "BO     Wn:" + TransformNumber(m.bown, "9999999999.99") + " Ma:" +
                      TransformNumber(m.boma, "9999999999.99"));
  con_.Say(11, 0, "Obroty Wn:" + TransformNumber(m.obnawn + m.obwn, "9999999999.99") + " Ma:" +
                      TransformNumber(m.obnama + m.obma, "9999999999.99") +
                      " w tym m-c Wn:" + TransformNumber(m.obwn, "99999999.99") +
                      " Ma:" + TransformNumber(m.obma, "99999999.99"));
}

void AccountScreen::AddKeyGets(console::Form& f, ZoBuffer& b) { f.GetText(0, 20, b.odb, "!!!!!!!!"); }

void AccountScreen::AddRestGets(console::Form& f, ZoBuffer& b) {
  const std::string name_picture = s_.FileX("LITERY_M.TXT") ? "" : "@!";
  f.GetText(1, 20, b.nodb, name_picture);
  if (HasField(zo_, "NODB1")) f.GetText(2, 20, b.nodb1, name_picture);
  if (HasField(zo_, "NODB2")) f.GetText(3, 20, b.nodb2, name_picture);
  f.GetText(4, 20, b.kodb, "!!-!!!");
  f.GetText(4, 27, b.modb);
  f.GetText(5, 20, b.uodb).Width(25);
  f.GetText(6, 20, b.nip_kraj, "!!");
  f.GetText(6, 23, b.regon).Valid([this, &b] {
    // A foreign number (another country's prefix) is not tested.
    const std::string kraj = AllTrim(b.nip_kraj);
    if (!kraj.empty() && kraj != "PL") return true;
    if (ZlyNip(s_, b.regon)) {
      con_.Beep();
      return false;
    }
    return true;
  });
  f.GetText(7, 7, b.trasa, "@!");
  f.GetText(7, 30, b.bodb);
  f.GetText(8, 13, b.nrbo).Width(40);
  f.GetText(8, 60, b.tel).Width(20);
}

void AccountScreen::Run() {
  current_month_ = InCurrentMonth(s_);
  const bool wide = (HasField(zo_, "E_MAIL") && HasField(zo_, "E_UWAGI")) || HasField(zo_, "MIEJSCE2");
  title_row_ = wide ? 13 : 12;

  currency_books_ = CurrencyBooks(s_);
  con_.Clear();
  Frame();

  if (zo_.order_count() >= 1) (void)zo_.SetOrder(1);
  (void)zo_.GoTop();
  SeedOrProbe(s_, store_, zo_, 15, 10);
  (void)zo_.GoTop();

  AreaSource source(zo_);
  console::Browse browse(con_, source, title_row_ + 1, 0, book_.notebook ? 23 : 22, 79);
  browse.Separators("─┼─"_pl, "│"_pl, "");
  using console::BrowseColumn;
  const std::string name_picture(49, s_.FileX("LITERY_M.TXT") ? 'X' : '!');
  browse.AddColumn(BrowseColumn::Text("Kod", [this] { return FieldText(zo_, "ODB"); }, "!!!!!!!!"));
  browse.AddColumn(BrowseColumn::Text(std::string(book_.name_heading),
                                      [this] { return Left(FieldText(zo_, "NODB"), 49); }, name_picture));
  browse.AddColumn(BrowseColumn::Number("  Saldo Wn", [this] { return SaldoWn(AmountsOf(zo_)); }, "@Z 9999999.99"));
  browse.AddColumn(BrowseColumn::Number("  Saldo Ma", [this] { return SaldoMa(AmountsOf(zo_)); }, "@Z 9999999.99"));
  browse_ = &browse;
  ViewZo();
  browse.Run([this](BrowseMode mode, int) { return Fun(mode); });
  browse_ = nullptr;

  (void)zo_.SetFilter("");
  if (zo_.order_count() >= 1) (void)zo_.SetOrder(1);
  (void)zo_.GoTop();
}

// The title and the key lines around the grid, painted again after a screen of its own.
void AccountScreen::Frame() {
  Title();
  if (!book_.notebook) {
    const console::Attr text = con_[console::Role::kKeyBar];
    const console::Attr keys = con_[console::Role::kKeyName];
    con_.Say(23, 0, "F2-Faktury nierozliczone  F3-Ewidencja KP,KW,PP  F10-Druk faktur nierozliczonych", text);
    con_.Say(23, 0, "F2", keys);
    con_.Say(23, 26, "F3", keys);
    con_.Say(23, 49, "F10", keys);
  }
  PaintKeyBar(s_, current_month_);
}

void AccountScreen::Title() {
  const console::Attr title = con_.colours().enhanced;
  con_.ClearRegion(title_row_, 0, title_row_, 79, title);
  con_.Say(title_row_, 0, PadR(book_.title, 72) + "F1-pomoc", title);
  // What Tab shows next.
  if (currency_books_) con_.Say(title_row_, 51, currency_view_ ? "TAB - tresc         " : "TAB = SALDO WALUTOWE", title);
}

BrowseAction AccountScreen::Fun(BrowseMode mode) {
  return CatalogueFun(s_, zo_, mode, current_month_,
                      {.view = [this] { ViewZo(); },
                       .on_key = [this](int k) { return OnKey(k); },
                       .append = [this] { DopiszZo(false); },
                       .filter = [this] { (void)zo_.SetFilter(""); }});
}

BrowseAction AccountScreen::OnKey(int k) {
  if (browse_ != nullptr && browse_->append_mode()) {
    if (current_month_ && (k == key::kEnter || key::IsKey(k, key::F(5)))) DopiszZo(false);
    return BrowseAction::kRepaint;
  }
  bool moved = false;
  if (Search(k, &moved)) return moved ? BrowseAction::kRepaint : BrowseAction::kContinue;
  if (searching_) EndSearch();

  return DispatchKey(keys_, k);
}

KeyTable AccountScreen::Keys() {
  KeyTable keys = {
      {key::kEsc, [] { return BrowseAction::kLeave; }},
      {key::kTab, [this] { return SwitchPanel(); }},
      {key::F(4), AndRepaint([this] { if (current_month_ && !Empty()) EditZo(); })},
      {key::AltF(5), AndRepaint([this] { if (current_month_) DopiszZo(true); })},
      {key::F(5), AndRepaint([this] { if (current_month_) DopiszZo(false); })},
      {key::F(6), AndRepaint([this] { FiltrZo(); })},
      {key::AltF(7), AndRepaint([this] { NipMenu(); })},
      {key::F(7), AndRepaint([this] { SzukajZo(); })},
      {key::F(8), AndRepaint([this] { if (current_month_) Kasuj(); })},
      {key::F(9), AndRepaint([this] { ZoWydruk(); })},
      {key::AltF(2), AndRepaint([this] { BalanceMenu(); })},
      {key::AltF(9), AndRepaint([this] { EnvelopeMenu(); })},
  };
  if (book_.notebook) return keys;
  // The customers' and suppliers' books: open invoices and the cash register.
  keys.push_back({key::F(2), [this] { return OpenInvoices(); }});
  keys.push_back({key::F(3), AndRepaint([this] {
                    if (!Empty()) settlements::EwidencjaKpKw(s_, book_.kto, PadR(FieldText(zo_, "ODB"), 8), FieldText(zo_, "NODB"));
                    Frame();
                  })});
  keys.push_back({key::F(10), AndRepaint([this] {
                    if (!Empty()) settlements::FvNiezaplacone(s_, book_.kto, PadR(FieldText(zo_, "ODB"), 8));
                    Frame();
                  })});
  return keys;
}

// Tab: the lower panel between the contents and the currency balance.
BrowseAction AccountScreen::SwitchPanel() {
  // The marker is read at each use: a station switched over meanwhile follows at once.
  currency_books_ = CurrencyBooks(s_);
  if (!currency_books_) currency_view_ = false;
  Title();
  if (!currency_books_) return BrowseAction::kContinue;
  currency_view_ = !currency_view_;
  Title();
  return BrowseAction::kContinue;
}

BrowseAction AccountScreen::OpenInvoices() {
  if (!s_.op().Prawa(13)) {
    Message(s_, "Brak praw");
    return BrowseAction::kContinue;
  }
  if (Empty()) return BrowseAction::kContinue;
  // FA_N_ROZLICZANIE: the account's open items and their settlement.
  settlements::FaNRozliczanie(s_, book_.kto, PadR(FieldText(zo_, "ODB"), 8), FieldText(zo_, "NODB"));
  con_.Clear();
  Frame();
  return BrowseAction::kRepaint;
}

bool AccountScreen::Search(int k, bool* moved) {
  const bool backspace = k == key::kBackspace;
  if (!backspace && !IsSearchCharacter(k)) return false;
  searching_ = true;
  const uint32_t before = zo_.recno();
  if (backspace) {
    if (prefix_.Backspace() && !prefix_.empty()) {
      auto f = zo_.SeekKey(prefix_.text());
      if (!(f.ok() && *f)) (void)zo_.GoTo(before);
      *moved = true;
    }
  } else if (const auto candidate = prefix_.Candidate(static_cast<char>(k))) {
    auto f = zo_.order() > 0 ? zo_.SeekKey(*candidate) : Result<bool>(false);
    if (f.ok() && *f) {
      prefix_.Accept(*candidate);
      *moved = true;
    } else {
      (void)zo_.GoTo(before);
    }
  }
  con_.ClearRegion(24, 0, 24, 79, con_[console::Role::kKeyBar]);
  con_.Say(24, 0, PadR(prefix_.text(), 8), con_.colours().enhanced);
  return true;
}

void AccountScreen::EndSearch() {
  prefix_.Clear();
  searching_ = false;
  PaintKeyBar(s_, current_month_);
}

bool AccountScreen::KeyExists(const std::string& odb, uint32_t exclude) { return KeyTaken(zo_, odb, exclude); }

bool AccountScreen::Write(const ZoBuffer& b, const ZoBuffer* before) {
  if (before != nullptr && !LockForChange(s_, zo_, 30, "zmiany nie zapisane")) return false;
  Status st = Status::Ok();
  for (const ZoTextField& f : kZoFields) {
    if (!HasField(zo_, f.name)) continue;
    const std::string& v = b.*(f.member);
    if (before != nullptr && v == before->*(f.member)) continue;
    st = zo_.Replace(f.name, xbase::Value(v));
    if (!st.ok()) break;
  }
  if (st.ok() && before == nullptr && HasField(zo_, "DATA_INI")) {
    st = zo_.Replace("DATA_INI", xbase::Value(xbase::Date{s_.Today()}));
  }
  if (st.ok()) st = zo_.Flush();
  if (!st.ok()) {
    // Nothing half-written: the fields replaced before the refusal are given up too.
    zo_.DiscardChanges();
    (void)zo_.Unlock();
    Warning(s_, "Błąd zapisu - zmiany nie zapisane"_pl, 3);
    return false;
  }
  (void)zo_.Unlock();
  return true;
}

bool AccountScreen::EditZo() {
  const ZoBuffer before = ZoRead(zo_);
  ZoBuffer b = before;
  const uint32_t recno = zo_.recno();
  ShowForm(b);
  // An account with amounts keeps its code: its settlement items are filed under it.
  if (AllZero(AmountsOf(zo_))) {
    console::Form kf(con_);
    AddKeyGets(kf, b);
    if (kf.Read().escaped) return true;
    b.odb = NormalOdb(b.odb);
    if (IsBlank(b.odb)) {
      // An account is found by its code: a blank one could never be found again.
      Warning(s_, "Kod nie moze byc pusty", 3);
      b.odb = before.odb;
      ShowForm(b);
    } else if (b.odb != before.odb && KeyExists(b.odb, recno)) {
      Warning(s_, "MASZ JUZ TAKI KOD", 3);
      b.odb = before.odb;
      ShowForm(b);
    }
  }
  console::Form rf(con_);
  AddRestGets(rf, b);
  if (rf.Read().escaped) return true;
  (void)zo_.GoTo(recno);
  return Write(b, &before);
}

bool AccountScreen::DopiszZo(bool copy) {
  const ZoBuffer source = Empty() ? ZoBuffer{} : ZoRead(zo_);
  (void)zo_.SetFilter("");
  ZoBuffer b;
  if (copy) {
    b = source;
    b.odb = std::string(8, ' ');
  }
  ShowForm(b);
  console::Form kf(con_);
  AddKeyGets(kf, b);
  if (kf.Read().escaped || IsBlank(b.odb)) return true;
  b.odb = NormalOdb(b.odb);
  if (KeyExists(b.odb, 0)) {
    (void)zo_.SetOrder(1);
    (void)zo_.SeekKey(b.odb);
    return true;
  }
  console::Form rf(con_);
  AddRestGets(rf, b);
  if (rf.Read().escaped || IsBlank(b.nodb)) return true;
  if (!store_.AddRec(zo_, 15).ok()) {
    Warning(s_, "Kartoteka zajeta na innym stanowisku - konto nie dopisane", 3);
    return true;
  }
  if (!Write(b, nullptr)) DropAppended(zo_);
  return true;
}

std::optional<std::string> AccountScreen::QueryCondition(bool* excel) {
  ZoBuffer q;
  ShowForm(q);
  std::string copy = "N";
  console::Form f(con_);
  f.GetText(0, 20, q.odb, "!!!!!!!!");
  f.GetText(1, 20, q.nodb, "@!");
  f.GetText(4, 27, q.modb, "@!");
  f.GetText(5, 20, q.uodb, "@!").Width(25);
  f.GetText(6, 23, q.regon);
  f.GetText(7, 7, q.trasa, "@!");
  if (excel != nullptr) {
    con_.Say(10, 0, "Kopia do arkusza EXCEL (T/N):");
    f.GetText(10, 30, copy, "!").Valid([&copy] { return copy == "T" || copy == "N"; });
  }
  if (f.Read().escaped) return std::nullopt;
  if (excel != nullptr) *excel = copy == "T";
  // The filter (F6) and the search (F7) keep their values in variables of their own: the
  // filter's condition names its variables for as long as it is set, so a search must
  // never change them.
  const std::string prefix = excel != nullptr ? "M_QZO_" : "M_SZO_";
  QueryBuilder query(s_);
  // `test` with "@" standing for the variable's name.
  auto add = [&](std::string_view name, const std::string& value, std::string_view test) {
    const std::string var = prefix + std::string(name);
    std::string cond(test);
    cond.replace(cond.find('@'), 1, var);
    query.Add(var, AllTrim(value), cond);
  };
  add("ODB", q.odb, "@ $ odb");
  add("NODB", q.nodb, "@ $ UPPER(nodb)");
  add("MODB", q.modb, "@ $ UPPER(modb)");
  add("UODB", q.uodb, "@ $ UPPER(uodb)");
  add("REGON", q.regon, "@ $ regon");
  add("TRASA", q.trasa, "@ $ trasa");
  return query.condition();
}

bool AccountScreen::FiltrZo() {
  const uint32_t before = zo_.recno();
  bool excel = false;
  const std::optional<std::string> cond = QueryCondition(&excel);
  if (!cond) return true;
  if (!zo_.SetFilter(*cond).ok()) (void)zo_.SetFilter("");
  (void)zo_.GoTop();
  if (zo_.eof()) {
    Warning(s_, "NIE ZNALAZŁEM"_pl, 3);
    (void)zo_.SetFilter("");
    (void)zo_.GoTo(before);
    if (zo_.eof()) (void)zo_.GoTop();
    return true;
  }
  if (excel) {
    const Result<std::string> made = CopyToExcel(s_, zo_, book_);
    if (made.ok()) {
      Warning(s_, "Powstal plik excel/" + *made, 10);
    } else {
      Warning(s_, "Nie powstal plik w excel/", 3);
    }
  }
  return true;
}

bool AccountScreen::SzukajZo() {
  const std::optional<std::string> cond = QueryCondition(nullptr);
  if (!cond || cond->empty()) return true;
  LocateFirst(s_, zo_, *cond);
  return true;
}

bool AccountScreen::Kasuj() {
  if (Empty()) return true;
  if (!AccountDeletable(AmountsOf(zo_))) {
    Warning(s_, "NIE MASZ PRAWA", 3);
    return true;
  }
  if (!ConfirmDelete(s_)) return true;
  if (!LockForChange(s_, zo_, 15, "nie skasowana")) return true;
  // Read again under the lock: a posting may have changed the account meanwhile.
  if (!AccountDeletable(AmountsOf(zo_))) {
    (void)zo_.Unlock();
    Warning(s_, "NIE MASZ PRAWA", 3);
    return true;
  }
  if (HasField(zo_, "DATA_INI") && HasField(zo_, "NR_INI")) {
    (void)zo_.Replace("NR_INI", xbase::Value("S"));
    (void)zo_.Replace("DATA_INI", xbase::Value(xbase::Date{s_.Today()}));
  }
  DeleteAndMoveOn(store_, zo_);
  return true;
}

void AccountScreen::Report(const std::function<void(session::ReportWriter&)>& procedure) {
  ViewReportOver(s_, zo_, procedure);
}

void AccountScreen::NipMenu() {
  const int c = session::SmallChoice(s_, 10, 20,
                                         {"1. Szukanie klientow o podanym NIPie", "2. Szukanie powtorzonych NIPow      ",
                                          "3. Sprawdzenie poprawności NIPow    "_pl});
  if (c == 1) {
    FindNip();
  } else if (c == 2) {
    Report([this](session::ReportWriter& out) {
      const Result<long> listed = WriteDuplicateNips(s_, zo_, book_, out);
      if (!listed.ok()) out.Line(std::string("Nie mogę porównać NIP-ów: "_pl) + listed.status().message());
    });
  } else if (c == 3) {
    Report([this](session::ReportWriter& out) { (void)WriteInvalidNips(s_, zo_, book_, out); });
  }
}

// Finds the accounts of a tax number: one is shown at once, several are listed first; the
// screen stands on the first of them (any filter is dropped so that it can be seen).
void AccountScreen::FindNip() {
  const console::SavedRegion saved = con_.Save(10, 20, 12, 58);
  con_.Box(10, 20, 12, 58, console::DoubleFrame(), con_.colours().standard, ' ');
  con_.Say(11, 22, "Podaj NIP:");
  std::string nip(13, ' ');
  console::Form f(con_);
  f.GetText(11, 33, nip, "@!");
  const bool escaped = f.Read().escaped;
  con_.Restore(saved);
  if (escaped || IsBlank(nip)) return;
  const std::vector<uint32_t> found = FindByNip(zo_, nip);
  if (found.empty()) {
    Warning(s_, "NIE ZNALAZŁEM"_pl, 3);
    return;
  }
  if (found.size() > 1) {
    Report([&](session::ReportWriter& out) { WriteAccountList(zo_, found, "KONTA O NIP-ie " + AllTrim(nip), out); });
  }
  (void)zo_.SetFilter("");
  (void)zo_.GoTo(found.front());
}

void AccountScreen::BalanceMenu() {
  const int c = session::SmallChoice(s_, 10, 20,
                                         {"1. Potwierdzenie salda w/g pola kod ", "2. Potwierdzenie salda w/g pola NIP ",
                                          "3. Rozrachunki         w/g pola NIP "});
  if (c == 0 || Empty()) return;
  std::vector<uint32_t> records{zo_.recno()};
  if (c != 1) {
    const std::string nip = FieldText(zo_, "REGON");
    if (NipKey(nip).empty()) {
      Warning(s_, "Konto nie ma NIP-u", 3);
      return;
    }
    records = FindByNip(zo_, nip);
  }
  Report([&](session::ReportWriter& out) {
    if (c == 3) {
      WriteSettlements(s_, zo_, book_, records, out);
    } else {
      WriteBalanceConfirmation(s_, zo_, book_, records, out);
    }
  });
}

void AccountScreen::EnvelopeMenu() {
  const int c = session::SmallChoice(s_, 10, 20, {"1. Koperta nadawcy ", "2. Koperta odbiorcy"});
  if (c == 0 || Empty()) return;
  Report([&](session::ReportWriter& out) { WriteEnvelope(s_, zo_, c == 1, out); });
}

bool AccountScreen::ZoWydruk() {
  Report([&](session::ReportWriter& out) {
    out.Line(session::Centruj(AllTrim(book_.title)));
    out.Line(session::Centruj(std::string("stan na dzień "_pl) + Dtoc(s_.Today())));
    out.Line("");
    out.Line("Kod      Nazwa                                                Saldo Wn     Saldo Ma");
    out.Line(std::string(82, '-'));
    double wn = 0, ma = 0;
    (void)zo_.GoTop();
    while (!zo_.eof()) {
      const AccountAmounts m = AmountsOf(zo_);
      wn += SaldoWn(m);
      ma += SaldoMa(m);
      out.Line(FieldText(zo_, "ODB") + " " + PadR(FieldText(zo_, "NODB"), 50) + " " +
               TransformNumber(SaldoWn(m), "@Z 9999999.99") + "   " + TransformNumber(SaldoMa(m), "@Z 9999999.99"));
      if (!zo_.Skip(1).ok()) break;
    }
    out.Line(std::string(82, '-'));
    out.Line(PadR("Razem:", 60) + TransformNumber(NewRound(wn, 2), "9999999999.99") +
             TransformNumber(NewRound(ma, 2), "9999999999.99"));
  });
  return true;
}

}  // namespace

bool DbuZo(session::Session& s) {
  const int number = session::Position(s, "K_KONTRAHENCI");
  const BookInfo* book = Book(number);
  if (book == nullptr) return false;
  if (BookDenied(*book, s.op().prawa2)) {
    Message(s, "Brak praw -R");
    return false;
  }
  s.vars().Set("M_KTO", xbase::Value(std::string(book->kto)));
  xbase::WorkArea* zo = s.areas().Area(book->area);
  if (zo == nullptr) {
    Warning(s, "Plik " + std::string(book->alias) + ".dbf niedostepny", 3);
    return false;
  }
  const console::SavedScreen saved = s.con().SaveScreen();
  AccountScreen screen(s, *zo, *book);
  screen.Run();
  s.con().RestoreScreen(saved);
  return true;
}

}  // namespace hurt::catalogues
