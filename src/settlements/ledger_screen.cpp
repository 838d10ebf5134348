#include "settlements/ledger_screen.h"

#include <algorithm>
#include <string>
#include <vector>

#include "base/cp852.h"
#include "base/date.h"
#include "base/numeric.h"
#include "base/picture.h"
#include "base/short_date.h"
#include "base/text.h"
#include "console/browse.h"
#include "console/form.h"
#include "console/keys.h"
#include "console/list_browse_source.h"
#include "console/message_window.h"
#include "session/menu_choice.h"
#include "session/session.h"
#include "session/store_ui.h"
#include "settlements/money_document_form.h"
#include "settlements/payment_demand.h"
#include "settlements/settle.h"
#include "settlements/settlement_printouts.h"

namespace hurt::settlements {

using namespace hurt::literals;
using console::BrowseAction;
using console::BrowseMode;
namespace key = console::key;

namespace {

constexpr int kGridBottom = 10;

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
  console::ListBrowseSource* source_ = nullptr;
};

bool LedgerScreen::Load() {
  auto items = ItemsOf(s_, kto_, odb_);
  if (!items.ok()) {
    console::Okno_(con_, "Plik fa_N niedostepny", 3);
    return false;
  }
  // Marks stay on the items that are still open (an operation that changed nothing
  // leaves them for another try); settled ones are gone, new ones come unmarked.
  std::vector<uint32_t> kept;
  for (size_t i = 0; i < items_.size(); ++i) {
    if (marked_[i]) kept.push_back(items_[i].recno);
  }
  items_ = std::move(items).value();
  marked_.assign(items_.size(), false);
  for (size_t i = 0; i < items_.size(); ++i) {
    marked_[i] = std::find(kept.begin(), kept.end(), items_[i].recno) != kept.end();
  }
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
  if (s_.InArchive()) {
    console::Okno_(con_, "Praca w archiwum - blokada", 3);
    return;
  }
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
  const console::SavedRegion waiting = console::SaveOknoArea(con_);
  console::OknoNoWait(con_, "Trwa rozliczanie ...");
  const auto run = [&]() -> Result<OperationResult> {
    if (!compensate) return Settle(s_, ui, marked, AllTrim(nr_wb));
    auto c = Compensate(s_, ui, marked);
    if (!c.ok()) return c.status();
    return static_cast<OperationResult>(*c);
  };
  const Result<OperationResult> done = run();
  con_.Restore(waiting);
  if (!done.ok()) {
    console::Okno_(con_, "Blad zapisu - nic nie rozliczono", 3);
  } else if (!done->done) {
    console::Okno_(con_, (done->changed ? "Zmienione na innym stanowisku: " : "Zajete na innym stanowisku: ") + done->busy +
                             " - nic nie rozliczono", 3);
  } else {
    console::Okno_(con_, compensate ? "Skompensowano" : "Rozliczono", 1);
    // The compensation note, once the compensation stands.
    if (compensate) PrintLines(s_, CompensationNoteLines(FirmOf(s_), odb_, nazwa_, marked, s_.Today()));
  }
  (void)Load();
}

void LedgerScreen::Close() {
  if (s_.InArchive()) {
    console::Okno_(con_, "Praca w archiwum - blokada", 3);
    return;
  }
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
  const console::SavedRegion waiting = console::SaveOknoArea(con_);
  console::OknoNoWait(con_, "PROSZE CZEKAC - ROZLICZAM");
  session::ConsoleStoreUi ui(con_);
  auto done = CloseToBalance(s_, ui, kto_, odb_, date);
  con_.Restore(waiting);
  if (!done.ok()) {
    console::Okno_(con_, "Blad zapisu - nic nie rozliczono", 3);
  } else if (!done->done) {
    console::Okno_(con_, (done->changed ? "Zmienione na innym stanowisku: " : "Zajete na innym stanowisku: ") + done->busy +
                             " - nic nie rozliczono", 3);
  } else if (done->r_czas.empty()) {
    console::Okno_(con_, "Brak pozycji do " + ShortDate(date) + " - nic nie rozliczono", 3);
  }
  (void)Load();
}

// EW_NAL_ZOB for this counterparty; entered on an item of a document, that document is
// the one paid and its open amount is proposed.
void LedgerScreen::MoneyDocumentForm() {
  MoneyFormPreset p;
  p.kto = kto_;
  p.odb = odb_;
  p.nodb = nazwa_;
  const OpenItem* on = Current();
  if (on != nullptr && on->mag != "0") {
    p.against_rd = on->rd;
    p.against_nrd = on->nrd;
    const double owed = NewRound(on->obwn - on->obma, 2);  // in the document's currency
    p.waluta = on->kurs > 0 ? on->waluta : std::string();
    p.kurs = on->kurs > 0 ? on->kurs : 0;
    p.rd = owed >= 0 ? s_.settings().Text("J_XKP") : s_.settings().Text("J_XKW");
    p.kwota = owed >= 0 ? owed : -owed;
    p.tresc = "Zaplata " + AllTrim(on->rd) + "-" + AllTrim(on->nrd);
  }
  if (EwNalZob(s_, p)) (void)Load();
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
  // The key is spent: an empty grid asks again while idle, and must not take the last key
  // of the screen just closed (Esc in the money-document form) for a new one.
  con_.SetLastKey(key::kNone);
  source_->GoTop();
  Totals();
  KeyLine();
  return BrowseAction::kRepaint;
}

void LedgerScreen::Run() {
  if (!Load()) return;
  con_.Clear();
  console::ListBrowseSource source([this] { return items_.size(); });
  source_ = &source;
  console::Browse browse(con_, source, 0, 0, kGridBottom, 79);
  browse.Separators("─┼─"_pl, "│"_pl, "");
  using console::BrowseColumn;
  auto at = [this, &source]() -> const OpenItem& { return items_[source.at()]; };
  // The mark of this browse, else the item's own state ("R": paid by a money document
  // entered against it).
  browse.AddColumn(BrowseColumn::Text(" ", [this, &source] {
    if (items_.empty()) return std::string(" ");
    if (marked_[source.at()]) return std::string("X");
    const std::string zap = PadR(items_[source.at()].zap, 1);
    return zap == "X" ? std::string(" ") : zap;
  }));
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
