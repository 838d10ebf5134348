#include "catalogues/exchange_rates.h"

#include <vector>

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/picture.h"
#include "base/text.h"
#include "catalogues/common.h"
#include "console/form.h"
#include "console/keys.h"
#include "console/message_window.h"
#include "documents/header_guards.h"
#include "session/helpers.h"
#include "session/output/report_file.h"
#include "session/session.h"

namespace hurt::catalogues {

using namespace hurt::literals;
using console::BrowseAction;
using console::BrowseMode;
namespace key = console::key;

namespace {

constexpr int kWalArea = 32;
constexpr double kLockWait = 10;
constexpr double kAppendWait = 15;
constexpr std::string_view kRatePicture = "99999.999999";

std::string Code(std::string_view typed) { return PadR(Upper(AllTrim(typed)), 3); }

class RatesScreen {
 public:
  RatesScreen(session::Session& s, xbase::WorkArea& wal) : s_(s), con_(s.con()), wal_(wal), store_(s) {}
  void Run();

 private:
  BrowseAction Fun(BrowseMode mode);
  bool Empty() { return AreaEmpty(wal_); }
  bool Changeable();
  void Title();
  void EditRate();
  void AddRate();
  void DeleteRate();
  void Print();
  // Another record than `own` holds the currency and date (the lowest such number, 0 when none).
  uint32_t OtherWithKey(const std::string& waluta, JulianDay data, uint32_t own);
  bool AskRate(int row, double* kurs);

  session::Session& s_;
  console::Console& con_;
  xbase::WorkArea& wal_;
  StoreAccess store_;
};

void RatesScreen::Title() {
  con_.Say(0, 0, PadR("  TABELA KURSU WALUT", 80), con_.colours().enhanced);
  const console::Attr text = con_[console::Role::kKeyBar];
  const console::Attr keys = con_[console::Role::kKeyName];
  con_.ClearRegion(24, 0, 24, 79, text);
  con_.Say(24, 0, "F4-Poprawa kursu   F5-Dopisanie   F8-Kasowanie   F9-Druk           Esc-Wyjscie", text);
  con_.Say(24, 0, "F4", keys);
  con_.Say(24, 19, "F5", keys);
  con_.Say(24, 34, "F8", keys);
  con_.Say(24, 49, "F9", keys);
}

void RatesScreen::Run() {
  const console::SavedScreen saved = con_.SaveScreen();
  con_.Clear();
  Title();
  (void)wal_.SetFilter("");
  (void)wal_.SetOrder(1);
  (void)wal_.GoTop();
  AreaSource source(wal_);
  console::Browse browse(con_, source, 2, 18, 22, 61);
  browse.Separators("┼─"_pl, "│"_pl, "┴─"_pl);
  using console::BrowseColumn;
  browse.AddColumn(BrowseColumn::Text("Waluta", [this] { return FieldText(wal_, "WALUTA"); }));
  browse.AddColumn(BrowseColumn::Date("Data", [this] { return FieldDate(wal_, "DATA"); }));
  browse.AddColumn(BrowseColumn::Number("        Kurs", [this] { return FieldNumber(wal_, "KURS"); },
                                        std::string(kRatePicture)));
  browse.AddColumn(BrowseColumn::Date("Data kursu", [this] { return FieldDate(wal_, "DATA_KURSU"); }));
  browse.Run([this](BrowseMode mode, int) { return Fun(mode); });
  con_.RestoreScreen(saved);
}

bool RatesScreen::Changeable() {
  if (!s_.InArchive()) return true;
  Warning(s_, "Praca w archiwum - blokada", 2);
  return false;
}

BrowseAction RatesScreen::Fun(BrowseMode mode) {
  if (mode != BrowseMode::kException && mode != BrowseMode::kEmpty) return BrowseAction::kContinue;
  const int k = con_.LastKey();
  if (k == key::kEsc) return BrowseAction::kLeave;
  if (key::IsKey(k, key::F(5))) {
    if (Changeable()) AddRate();
  } else if (mode == BrowseMode::kEmpty) {
    return BrowseAction::kContinue;
  } else if (key::IsKey(k, key::F(4))) {
    if (Changeable()) EditRate();
  } else if (key::IsKey(k, key::F(8))) {
    if (Changeable()) DeleteRate();
  } else if (key::IsKey(k, key::F(9))) {
    Print();
  } else {
    return BrowseAction::kContinue;
  }
  Title();
  return BrowseAction::kRepaint;
}

bool RatesScreen::AskRate(int row, double* kurs) {
  console::Form form(con_);
  form.Say(row, 20, "Kurs         :");
  form.GetNumber(row, 35, *kurs, kRatePicture).Valid([this, kurs] {
    if (NewRound(*kurs, 6) > 0) return true;
    Warning(s_, "Kurs musi byc wiekszy od zera", 2);
    return false;
  });
  return !form.Read().escaped;
}

// F4: the rate of the current record.
void RatesScreen::EditRate() {
  const uint32_t recno = wal_.recno();
  const std::string waluta = FieldText(wal_, "WALUTA");
  const JulianDay data = FieldDate(wal_, "DATA");
  double kurs = FieldNumber(wal_, "KURS");
  const console::SavedRegion saved = con_.Save(18, 18, 22, 61);
  con_.Box(18, 18, 22, 61, console::SingleFrame(), con_.colours().standard, ' ');
  con_.Say(19, 20, "Waluta       : " + waluta);
  con_.Say(20, 20, "Z dnia       : " + Dtoc(data));
  const bool typed = AskRate(21, &kurs);
  con_.Restore(saved);
  if (!typed) return;
  (void)wal_.GoTo(recno);
  if (!LockForChange(s_, wal_, kLockWait, "zmiany nie zapisane")) return;
  // Read again under the lock: another station may have deleted the rate meanwhile.
  if (wal_.recno() != recno || wal_.eof() || FieldText(wal_, "WALUTA") != waluta || FieldDate(wal_, "DATA") != data) {
    (void)wal_.Unlock();
    Warning(s_, "Kurs zmieniony na innym stanowisku - zmiany nie zapisane", 3);
    return;
  }
  Status st = wal_.Replace("KURS", xbase::Value(NewRound(kurs, 6)));
  if (st.ok()) st = wal_.Flush();
  if (!st.ok()) wal_.DiscardChanges();
  (void)wal_.Unlock();
  if (!st.ok()) Warning(s_, "Błąd zapisu - zmiany nie zapisane"_pl, 3);
}

uint32_t RatesScreen::OtherWithKey(const std::string& waluta, JulianDay data, uint32_t own) {
  AreaKeep keep(wal_);
  keep.Unfiltered();
  if (!wal_.SetOrder(1).ok()) return 0;
  const std::string key = documents::WalSeekKey(waluta, data);
  auto found = wal_.SeekKey(key);
  uint32_t lowest = 0;
  for (Status st = Status::Ok(); found.ok() && *found && st.ok() && !wal_.eof(); st = wal_.Skip(1)) {
    if (Code(FieldText(wal_, "WALUTA")) != waluta || FieldDate(wal_, "DATA") != data) break;
    if (wal_.recno() != own && (lowest == 0 || wal_.recno() < lowest)) lowest = wal_.recno();
  }
  return lowest;
}

// F5: a new currency and date with its rate.
void RatesScreen::AddRate() {
  std::string waluta = "   ";
  JulianDay data = s_.Today();
  double kurs = 0;
  const console::SavedRegion saved = con_.Save(17, 18, 22, 61);
  con_.Box(17, 18, 22, 61, console::SingleFrame(), con_.colours().standard, ' ');
  con_.Say(17, 20, " Nowy kurs ", con_.colours().standard);
  console::Form form(con_);
  form.Say(18, 20, "Waluta       :");
  form.Say(19, 20, "Z dnia       :");
  form.GetText(18, 35, waluta, "!!!").Valid([this, &waluta] {
    if (ValidCurrencyCode(waluta)) return true;
    Warning(s_, "Kod waluty to trzy litery (np. EUR)", 2);
    return false;
  });
  form.GetDate(19, 35, data).Valid([this, &data] {
    if (data != kEmptyDate) return true;
    Warning(s_, "Podaj date kursu", 2);
    return false;
  });
  const bool typed = !form.Read().escaped && AskRate(20, &kurs);
  con_.Restore(saved);
  if (!typed) return;
  waluta = Code(waluta);
  const std::string taken = "Kurs " + waluta + " z dnia " + Dtoc(data) + " juz jest";
  if (const uint32_t other = OtherWithKey(waluta, data, 0); other != 0) {
    Warning(s_, taken, 3);
    (void)wal_.GoTo(other);
    return;
  }
  if (!store_.AddRec(wal_, kAppendWait).ok()) {
    Warning(s_, "Tabela kursow zajeta na innym stanowisku - kurs nie dopisany", 3);
    (void)wal_.GoTop();
    return;
  }
  const uint32_t own = wal_.recno();
  Status st = wal_.Replace("WALUTA", xbase::Value(waluta));
  if (st.ok()) st = wal_.Replace("DATA", xbase::Value(xbase::Date{data}));
  if (st.ok()) st = wal_.Replace("KURS", xbase::Value(NewRound(kurs, 6)));
  if (st.ok() && HasField(wal_, "DATA_KURSU")) st = wal_.Replace("DATA_KURSU", xbase::Value(xbase::Date{data}));
  if (st.ok()) st = wal_.Flush();
  if (!st.ok()) {
    wal_.DiscardChanges();
    (void)wal_.Unlock();
    DropAppended(wal_);
    Warning(s_, "Błąd zapisu - kurs nie dopisany"_pl, 3);
    return;
  }
  (void)wal_.Unlock();
  // Another station added the same currency and date at the same moment: the earlier
  // record stays, this one goes.
  if (const uint32_t other = OtherWithKey(waluta, data, own); other != 0 && other < own) {
    (void)wal_.GoTo(own);
    DropAppended(wal_);
    Warning(s_, taken, 3);
    (void)wal_.GoTo(other);
    return;
  }
  (void)wal_.GoTo(own);
}

// F8: the current rate deleted after the question.
void RatesScreen::DeleteRate() {
  if (!ConfirmDelete(s_)) return;
  if (!LockForChange(s_, wal_, kLockWait, "nie skasowana")) return;
  Status st = wal_.Delete();
  if (st.ok()) st = wal_.Flush();
  if (!st.ok()) wal_.DiscardChanges();
  (void)wal_.Unlock();
  if (!st.ok()) {
    Warning(s_, "Błąd zapisu - pozycja nie skasowana"_pl, 3);
    return;
  }
  (void)wal_.Skip(1);
  if (wal_.eof()) (void)wal_.GoTop();
}

void RatesScreen::Print() {
  ViewReportOver(s_, wal_, [this](session::ReportWriter& out) {
    out.Line(session::Centruj("TABELA KURSU WALUT"));
    out.Line("");
    out.Line("Waluta  Data               Kurs  Data kursu");
    out.Line(std::string(44, '-'));
    for (Status st = wal_.GoTop(); st.ok() && !wal_.eof(); st = wal_.Skip(1)) {
      out.Line(PadR(FieldText(wal_, "WALUTA"), 6) + "  " + Dtoc(FieldDate(wal_, "DATA")) + " " +
               TransformNumber(FieldNumber(wal_, "KURS"), "99999999.999999") + "  " +
               Dtoc(FieldDate(wal_, "DATA_KURSU")));
    }
  });
}

}  // namespace

bool ValidCurrencyCode(std::string_view code) {
  const std::string c = Upper(AllTrim(code));
  if (c.size() != 3) return false;
  for (char ch : c) {
    if (ch < 'A' || ch > 'Z') return false;
  }
  return true;
}

bool DbuWw(session::Session& session) {
  xbase::WorkArea* wal = session.areas().Area(kWalArea);
  if (wal == nullptr || wal->order_count() < 1 || !HasField(*wal, "KURS")) {
    Warning(session, "Plik wal niedostepny", 3);
    return false;
  }
  AreaKeep keep(*wal);
  RatesScreen(session, *wal).Run();
  return true;
}

}  // namespace hurt::catalogues
