#include "settlements/ledger_screen.h"

#include <string>
#include <vector>

#include "base/cp852.h"
#include "base/date.h"
#include "base/numeric.h"
#include "base/picture.h"
#include "base/text.h"
#include "console/browse.h"
#include "console/form.h"
#include "console/keys.h"
#include "console/message_window.h"
#include "session/menu_choice.h"
#include "session/not_built.h"
#include "session/session.h"
#include "session/store_ui.h"
#include "settlements/money_document.h"
#include "settlements/payment_demand.h"
#include "settlements/settle.h"

namespace hurt::settlements {

using namespace hurt::literals;
using console::BrowseAction;
using console::BrowseMode;
namespace key = console::key;

namespace {

constexpr int kGridBottom = 10;

// The items of the counterparty, as the grid moves over them.
class ItemSource final : public console::BrowseSource {
 public:
  explicit ItemSource(const std::vector<OpenItem>& items) : items_(items) {}
  void GoTop() override { at_ = 0; }
  void GoBottom() override { at_ = items_.empty() ? 0 : static_cast<int64_t>(items_.size()) - 1; }
  int64_t Skip(int64_t n) override {
    const int64_t last = static_cast<int64_t>(items_.size()) - 1;
    const int64_t to = std::max<int64_t>(0, std::min(last, at_ + n));
    const int64_t moved = to - at_;
    at_ = to;
    return moved;
  }
  bool IsEmpty() override { return items_.empty(); }
  int64_t Bookmark() override { return at_; }
  void GoToBookmark(int64_t mark) override { at_ = mark; }
  size_t at() const { return static_cast<size_t>(at_); }

 private:
  const std::vector<OpenItem>& items_;
  int64_t at_ = 0;
};

std::string ShortDate(JulianDay d) {
  if (d == kEmptyDate) return "  .  .  ";
  const Ymd y = YmdFromJulian(d);
  char text[16];
  std::snprintf(text, sizeof text, "%02d.%02d.%02d", y.day, y.month, y.year % 100);
  return text;
}

class LedgerScreen {
 public:
  LedgerScreen(session::Session& s, std::string_view kto, std::string_view odb, std::string_view nazwa)
      : s_(s), con_(s.con()), kto_(kto), odb_(odb), nazwa_(nazwa) {}
  void Run();

 private:
  bool Load();
  void Totals();
  void KeyLine();
  BrowseAction OnKey(int k);
  void Mark();
  void F10();
  void Close();
  void MoneyDocumentForm();
  std::vector<OpenItem> Marked() const;
  const OpenItem* Current() const {
    return source_ == nullptr || items_.empty() ? nullptr : &items_[source_->at()];
  }

  session::Session& s_;
  console::Console& con_;
  std::string kto_, odb_, nazwa_;
  std::vector<OpenItem> items_;
  std::vector<bool> marked_;
  ItemSource* source_ = nullptr;
};

bool LedgerScreen::Load() {
  auto items = ItemsOf(s_, kto_, odb_);
  if (!items.ok()) {
    console::Okno_(con_, "Plik fa_N niedostepny", 3);
    return false;
  }
  items_ = std::move(items).value();
  marked_.assign(items_.size(), false);
  return true;
}

std::vector<OpenItem> LedgerScreen::Marked() const {
  std::vector<OpenItem> out;
  for (size_t i = 0; i < items_.size(); ++i) {
    if (marked_[i]) out.push_back(items_[i]);
  }
  return out;
}

void LedgerScreen::Totals() {
  double wn = 0, ma = 0;
  for (const OpenItem& i : items_) {
    wn += i.HomeWn();
    ma += i.HomeMa();
  }
  wn = NewRound(wn, 2);
  ma = NewRound(ma, 2);
  con_.ClearRegion(11, 0, 12, 79);
  con_.Say(11, 0, Left(PadR(AllTrim(odb_) + " " + AllTrim(nazwa_), 50), 50));
  con_.Say(11, 59, TransformNumber(wn, "9999999.99") + std::string("│"_pl) + TransformNumber(ma, "9999999.99"));
  const double saldo = NewRound(wn - ma, 2);
  con_.Say(12, 0, "Saldo:");
  if (saldo >= 0) {
    con_.Say(12, 54, TransformNumber(saldo, "@Z 999999999999.99"));
  } else {
    con_.Say(12, 65, TransformNumber(-saldo, "@Z 999999999999.99"));
  }
  const MarkedSums m = SumsOf(Marked());
  con_.ClearRegion(23, 0, 23, 79);
  con_.Say(23, 0, "Saldo X: " + TransformNumber(NewRound(m.wn - m.ma, 2), "9999999999.99") + "   zaznaczono Wn: " +
                      std::to_string(m.debits) + "  Ma: " + std::to_string(m.credits));
}

void LedgerScreen::KeyLine() {
  const console::Attr text = con_[console::Role::kKeyBar];
  con_.ClearRegion(24, 0, 24, 79, text);
  con_.Say(24, 0, "Spacja-Zaznaczenie     F3-KP/KW/PP/Wezwanie      F10-ROZLICZENIE     Esc-Wyjscie", text);
}

void LedgerScreen::Mark() {
  if (Current() == nullptr) return;
  const size_t i = source_->at();
  marked_[i] = !marked_[i];
  Totals();
}

void LedgerScreen::F10() {
  const std::vector<OpenItem> marked = Marked();
  const F10Action action = F10ActionOf(marked);
  switch (action) {
    case F10Action::kNothingMarked:
      console::Okno_(con_, "BAW SIE CZYMS INNYM LUB ZAZNACZ COS", 2);
      return;
    case F10Action::kOneMarked:
      console::Okno_(con_, "ZAZNACZ COS JESZCZE", 2);
      return;
    case F10Action::kRatesDisagree:
      console::Okno_(con_, "Blokada!! Niezgodne kursy!", 3);
      return;
    case F10Action::kAllZero:
      console::Okno_(con_, "NIE ROZLICZE - NIE ZBILANSOWANO STRON", 3);
      return;
    case F10Action::kSettle:
    case F10Action::kCompensate:
      break;
  }
  const bool compensate = action == F10Action::kCompensate;
  if (compensate && !s_.FileX("KOMPENSA.NOT") && !console::Okno(con_, "Kompensowac ?", "N")) return;
  std::string nr_wb;
  if (!compensate && s_.FileX("NR_WB.TXT")) {
    nr_wb = std::string(17, ' ');
    const console::SavedRegion under = con_.Save(15, 20, 17, 60);
    con_.Box(15, 20, 17, 60, console::DoubleFrame(), con_.colours().standard, ' ');
    con_.Say(16, 22, "Nr WB:");
    console::Form f(con_);
    f.GetText(16, 29, nr_wb, "@!").Valid([&nr_wb] { return !IsBlank(nr_wb); });
    const bool escaped = f.Read().escaped;
    con_.Restore(under);
    if (escaped) return;
  }
  session::ConsoleStoreUi ui(con_);
  console::OknoNoWait(con_, "Trwa rozliczanie ...");
  const auto run = [&]() -> Result<OperationResult> {
    if (!compensate) return Settle(s_, ui, marked, AllTrim(nr_wb));
    auto c = Compensate(s_, ui, marked);
    if (!c.ok()) return c.status();
    return static_cast<OperationResult>(*c);
  };
  const Result<OperationResult> done = run();
  if (!done.ok()) {
    console::Okno_(con_, "Blad zapisu - nic nie rozliczono", 3);
  } else if (!done->done) {
    console::Okno_(con_, "Zajete na innym stanowisku: " + done->busy + " - nic nie rozliczono", 3);
  } else {
    console::Okno_(con_, compensate ? "Skompensowano" : "Rozliczono", 1);
  }
  (void)Load();
}

void LedgerScreen::Close() {
  const Ymd today = YmdFromJulian(s_.Today());
  JulianDay date = JulianFromYmd(today.year, today.month, DaysInMonth(today.year, today.month));
  const console::SavedRegion under = con_.Save(15, 15, 17, 65);
  con_.Box(15, 15, 17, 65, console::DoubleFrame(), con_.colours().standard, ' ');
  con_.Say(16, 17, "ROZLICZENIE SALDEM DO :");
  console::Form f(con_);
  f.GetDate(16, 41, date);
  const bool escaped = f.Read().escaped;
  con_.Restore(under);
  if (escaped || date == kEmptyDate) {
    console::Okno_(con_, "NIE ROZLICZAM", 2);
    return;
  }
  if (!console::Okno(con_, "CZY NA PEWNO ROZLICZYC DO " + ShortDate(date) + " ?", "N")) {
    console::Okno_(con_, "NIE ROZLICZAM", 2);
    return;
  }
  console::OknoNoWait(con_, "PROSZE CZEKAC - ROZLICZAM");
  session::ConsoleStoreUi ui(con_);
  auto done = CloseToBalance(s_, ui, kto_, odb_, date);
  if (!done.ok()) {
    console::Okno_(con_, "Blad zapisu - nic nie rozliczono", 3);
  } else if (!done->done) {
    console::Okno_(con_, "Zajete na innym stanowisku: " + done->busy + " - nic nie rozliczono", 3);
  }
  (void)Load();
}

// EW_NAL_ZOB for this counterparty: the kind (the cash-in and cash-out kinds of the
// settings, PP, BDW, NOU, NOO), the number (empty: the next), date, amount and text;
// entered on an item of a document, that document is the one paid and its open amount
// is proposed.
void LedgerScreen::MoneyDocumentForm() {
  const std::string xkp = PadR(AllTrim(s_.settings().Text("J_XKP")), 3);
  const std::string xkw = PadR(AllTrim(s_.settings().Text("J_XKW")), 3);
  MoneyDocument doc;
  doc.kto = kto_;
  doc.odb = odb_;
  doc.nodb = nazwa_;
  doc.data = s_.Today();
  const OpenItem* on = Current();
  if (on != nullptr && on->mag != "0") {
    doc.against_rd = on->rd;
    doc.against_nrd = on->nrd;
    const double owed = NewRound(on->obwn - on->obma, 2);
    doc.rd = owed >= 0 ? xkp : xkw;
    doc.kwota = owed >= 0 ? owed : -owed;
    doc.tresc = "Zaplata " + AllTrim(on->rd) + "-" + AllTrim(on->nrd);
  } else {
    doc.rd = xkp;
  }
  std::string rd = doc.rd, tresc = PadR(doc.tresc, 50);
  double nrd = 0, kwota = doc.kwota, tez = 14;
  JulianDay data = doc.data;
  // Rows 12-13: the kinds, as wide as the screen; the form under them.
  const console::SavedRegion under = con_.Save(12, 0, 21, 79);
  con_.ClearRegion(12, 0, 21, 79);
  con_.Say(12, 0, xkp + std::string("- Kasa przyjęła      PP  - Polecenie przelewu         NOU - Nota uznaniowa"_pl));
  con_.Say(13, 0, xkw + std::string("- Kasa wydała        BDW - Bankowy dowod wplaty       NOO - Nota obciazeniowa"_pl));
  con_.Say(14, 0, std::string(80, '-'));
  con_.Say(16, 2, "Rodzaj :");
  con_.Say(16, 20, "Numer (0 - nastepny):");
  con_.Say(17, 2, "Data   :");
  con_.Say(17, 24, "Kwota :");
  con_.Say(18, 2, "Tresc  :");
  con_.Say(19, 2, "Termin zaplaty (NOO) - dni:");
  console::Form f(con_);
  f.GetText(16, 11, rd, "!!!").Valid([&] {
    const std::string code = PadR(AllTrim(rd), 3);
    for (const std::string& k : {xkp, xkw, std::string("PP "), std::string("BDW"), std::string("NOU"), std::string("NOO")}) {
      if (code == k) return true;
    }
    console::Okno_(con_, "Rodzaj: " + AllTrim(xkp) + ", " + AllTrim(xkw) + ", PP, BDW, NOU albo NOO", 2);
    return false;
  });
  f.GetNumber(16, 42, nrd, "99999999");
  f.GetDate(17, 11, data);
  f.GetNumber(17, 32, kwota, "999999999.99").Valid([&] { return kwota >= 0; });
  f.GetText(18, 11, tresc).Width(60);
  f.GetNumber(19, 30, tez, "999").When([&] { return PadR(AllTrim(rd), 3) == "NOO"; });
  const bool escaped = f.Read().escaped;
  if (escaped || (kwota == 0 && nrd == 0) || !console::Okno(con_, "CZY ZAPAMIETAC DOWOD ?", "T")) {
    con_.Restore(under);
    return;
  }
  con_.Restore(under);
  doc.rd = PadR(AllTrim(rd), 3);
  doc.nrd = static_cast<long>(nrd);
  doc.data = data;
  doc.kwota = NewRound(kwota, 2);
  doc.tresc = RTrim(tresc);
  doc.tez = doc.rd == "NOO" ? tez : 0;
  if (doc.nrd != 0) doc.against_rd.clear();  // a correction keeps its own links
  console::OknoNoWait(con_, "Trwa zapis ...");
  session::ConsoleStoreUi ui(con_);
  auto r = ZapiszDowodKasowy(s_, ui, doc);
  if (!r.ok()) {
    console::Okno_(con_, "Blad zapisu - dowod nie zapisany", 3);
  } else if (!r->done) {
    console::Okno_(con_, "Zajete na innym stanowisku: " + r->busy + " - dowod nie zapisany", 3);
  } else if (r->deleted) {
    console::Okno_(con_, "SKASOWANO DOWOD " + AllTrim(doc.rd), 2);
  } else {
    console::Okno_(con_, (r->corrected ? "POPRAWIONO DOWOD " : "Zapisano ") + AllTrim(doc.rd) + "-" + std::to_string(r->nrd), 2);
  }
  (void)Load();
}

BrowseAction LedgerScreen::OnKey(int k) {
  if (k == key::kEsc) return BrowseAction::kLeave;
  if (k == key::kSpace) {
    Mark();
    return BrowseAction::kRepaint;
  }
  if (key::IsKey(k, key::F(10))) {
    F10();
  } else if (key::IsKey(k, key::F(3))) {
    const int c = session::SmallChoice(s_, 13, 20,
                                       {"1. Dowod kasowy, przelew, nota      ", "2. Rozliczenie saldem do dnia       ",
                                        "3. WEZWANIE DO ZAPŁATY              "_pl, "4. PRZYPOMNIENIE                    "});
    if (c == 1) MoneyDocumentForm();
    if (c == 2) Close();
    if (c == 3) DrukujPismo(s_, LetterKind::kWezwanie, kto_, odb_, Marked(), Current());
    if (c == 4) DrukujPismo(s_, LetterKind::kPrzypomnienie, kto_, odb_, Marked(), Current());
  } else {
    return BrowseAction::kContinue;
  }
  source_->GoTop();
  Totals();
  KeyLine();
  return BrowseAction::kRepaint;
}

void LedgerScreen::Run() {
  if (!Load()) return;
  con_.Clear();
  ItemSource source(items_);
  source_ = &source;
  console::Browse browse(con_, source, 0, 0, kGridBottom, 79);
  browse.Separators("─┼─"_pl, "│"_pl, "");
  using console::BrowseColumn;
  auto at = [this, &source]() -> const OpenItem& { return items_[source.at()]; };
  browse.AddColumn(BrowseColumn::Text(" ", [this, &source] { return marked_[source.at()] ? std::string("X") : " "; }));
  browse.AddColumn(BrowseColumn::Text("Data ks.", [at] { return ShortDate(at().data); }));
  browse.AddColumn(BrowseColumn::Text("Rd -   Numer", [at] { return PadR(at().rd, 3) + "-" + PadL(AllTrim(at().nrd), 8); }));
  browse.AddColumn(BrowseColumn::Text("Tresc            ", [at] { return PadR(at().tresc, 17).substr(0, 17); }));
  browse.AddColumn(BrowseColumn::Text("M", [at] { return PadR(at().mag, 1); }));
  browse.AddColumn(BrowseColumn::Text("P", [at] { return PadR(at().spz, 1); }));
  browse.AddColumn(BrowseColumn::Text("Termin z", [at] { return ShortDate(at().termin); }));
  browse.AddColumn(BrowseColumn::Number("Naleznosci", [at] { return at().HomeWn(); }, "@Z 9999999.99"));
  browse.AddColumn(BrowseColumn::Number("Zobowiazan", [at] { return at().HomeMa(); }, "@Z 9999999.99"));
  source.GoTop();
  Totals();
  KeyLine();
  browse.Run([this](BrowseMode mode, int) {
    if (mode == BrowseMode::kException || mode == BrowseMode::kEmpty) return OnKey(con_.LastKey());
    return BrowseAction::kContinue;
  });
  source_ = nullptr;
}

}  // namespace

void FaNRozliczanie(session::Session& s, std::string_view kto, std::string_view odb, std::string_view nazwa) {
  const console::SavedScreen saved = s.con().SaveScreen();
  LedgerScreen screen(s, kto, odb, nazwa);
  screen.Run();
  s.con().RestoreScreen(saved);
}

}  // namespace hurt::settlements
