#include "invoicing/issue_notes_list.h"

#include <memory>

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/text.h"
#include "console/browse.h"
#include "console/keys.h"
#include "console/message_window.h"
#include "invoicing/invoice_tables.h"
#include "session/area_fields.h"
#include "session/session.h"
#include "session/store_ui.h"
#include "store/net_use.h"

namespace hurt::invoicing {
namespace {

using namespace hurt::literals;
namespace key = console::key;

constexpr std::string_view kNotes = "WZ";  // the kinds listed: codes beginning with it
constexpr double kMarkLockWait = 5;

// The records of an area whose key (in the controlling order) begins with a prefix.
class PrefixSource final : public console::BrowseSource {
 public:
  PrefixSource(xbase::WorkArea& area, std::string prefix) : area_(area), prefix_(std::move(prefix)) {}

  // The browser's movements only place the record pointer (a failed one shows the table's end).
  void GoTop() override { (void)area_.SeekKey(prefix_, /*soft=*/true); }
  void GoBottom() override {
    (void)area_.SeekKey(prefix_ + "\xFF", /*soft=*/true);
    if (area_.eof()) {
      (void)area_.GoBottom();
    } else {
      (void)area_.Skip(-1);
    }
  }
  int64_t Skip(int64_t n) override {
    int64_t moved = 0;
    const long step = n > 0 ? 1 : -1;
    while (moved != n) {
      const uint32_t before = area_.recno();
      if (!area_.Skip(step).ok() || area_.eof() || area_.bof() || !Inside()) {
        (void)area_.GoTo(before);
        break;
      }
      moved += step;
    }
    return moved;
  }
  bool IsEmpty() override {
    if (!area_.eof() && Inside()) return false;
    GoTop();
    return area_.eof() || !Inside();
  }
  int64_t Bookmark() override { return area_.recno(); }
  void GoToBookmark(int64_t mark) override {
    if (mark > 0 && mark <= UINT32_MAX) (void)area_.GoTo(static_cast<uint32_t>(mark));
  }
  // A damaged index ends the list (console/browse.h), as it does over AreaSource.
  std::vector<std::string> Fault() override {
    const std::string damaged = area_.DamagedOrder();
    if (damaged.empty()) return {};
    return session::DamagedIndexLines(damaged);
  }

 private:
  bool Inside() { return session::FieldText(area_, "RD").rfind(prefix_, 0) == 0; }

  xbase::WorkArea& area_;
  std::string prefix_;
};

std::string DocText(std::string_view rd, std::string_view nrd) { return RTrim(rd) + "-" + AllTrim(nrd); }

}  // namespace

bool ToggleNoteMark(session::Session& s, xbase::WorkArea& dowod) {
  console::Console& con = s.con();
  const std::string doc = DocText(session::FieldText(dowod, "RD"), session::FieldText(dowod, "NRD"));
  const std::string r_rd = session::FieldText(dowod, "R_RD");
  const std::string r_nrd = session::FieldText(dowod, "R_NRD");
  if (!IsBlank(r_rd) || !IsBlank(r_nrd)) {
    console::Okno_(con, doc + " jest na fakturze " + DocText(r_rd, r_nrd), 2);
    return false;
  }
  const uint32_t recno = dowod.recno();
  session::ConsoleStoreUi ui(con);
  Status st = store::RecLockArea(ui, dowod, kMarkLockWait);
  if (st.ok()) {
    const bool marked = Left(session::FieldText(dowod, "ZAP"), 1) == std::string(1, kNoteMark);
    st = dowod.Replace("ZAP", xbase::Value(marked ? std::string(" ") : std::string(1, kNoteMark)));
    if (st.ok()) st = dowod.Flush();
    if (!st.ok()) dowod.DiscardChanges();
    const Status unlocked = dowod.UnlockRecord(recno);
    if (st.ok()) st = unlocked;
  }
  if (!st.ok()) {
    console::Okno_(con, std::string("Dowód "_pl) + doc + std::string(" zajęty - bez zmian"_pl), 2);
    return false;
  }
  return true;
}

void ZestawienieWz(session::Session& s) {
  console::Console& con = s.con();
  xbase::WorkArea* dowod = SessionAreaOf(s, store::TableId::kDowod);
  if (dowod == nullptr) {
    console::Okno_(con, "Plik dowod niedostepny", 2);
    return;
  }
  AreaPosition keep(dowod);
  if (!dowod->SetOrder(1).ok()) {
    console::Okno_(con, "Plik dowod niedostepny", 2);
    return;
  }
  const console::SavedScreen saved = con.SaveScreen();
  con.Clear();
  con.Say(0, 0, PadR("  ZESTAWIENIE WZ", 80), con.colours().enhanced);
  con.Say(24, 0, PadR("Spacja-zaznacz / odznacz do faktury                                 Esc-Wyjscie", 80));
  PrefixSource source(*dowod, std::string(kNotes));
  console::Browse browse(con, source, 1, 0, 23, 79);
  using console::BrowseColumn;
  browse.AddColumn(session::PaddedColumn("Nr", 8, [&] { return AllTrim(session::FieldText(*dowod, "NRD")); }));
  browse.AddColumn(BrowseColumn::Date("Data", [&] { return session::FieldDate(*dowod, "DATA"); }));
  browse.AddColumn(session::PaddedColumn("Kod", 8, [&] { return session::FieldText(*dowod, "ODB"); }));
  browse.AddColumn(session::PaddedColumn("Kontrahent", 20, [&] { return session::FieldText(*dowod, "NODB"); }));
  browse.AddColumn(BrowseColumn::Number(
      std::string("  Wartość"_pl), [&] { return NewRound(session::FieldNumber(*dowod, "NETTO") + session::FieldNumber(*dowod, "VAT"), 2); },
      "9999999.99"));
  browse.AddColumn(session::PaddedColumn("Faktura", 12, [&] {
    const std::string r_rd = session::FieldText(*dowod, "R_RD");
    const std::string r_nrd = session::FieldText(*dowod, "R_NRD");
    return IsBlank(r_rd) && IsBlank(r_nrd) ? std::string() : DocText(r_rd, r_nrd);
  }));
  browse.AddColumn(session::PaddedColumn("Zazn", 4, [&] {
    return Left(session::FieldText(*dowod, "ZAP"), 1) == std::string(1, kNoteMark) ? std::string(" * ") : std::string();
  }));
  browse.Separators("┼─"_pl, "│"_pl, "┴─"_pl);
  source.GoTop();
  browse.Run([&](console::BrowseMode mode, int) {
    if (mode != console::BrowseMode::kException && mode != console::BrowseMode::kEmpty) {
      return console::BrowseAction::kContinue;
    }
    const int k = con.LastKey();
    if (k == key::kEsc) return console::BrowseAction::kLeave;
    if (k == ' ' && mode == console::BrowseMode::kException) {
      (void)ToggleNoteMark(s, *dowod);
      return console::BrowseAction::kRepaint;
    }
    return console::BrowseAction::kContinue;
  });
  con.RestoreScreen(saved);
}

}  // namespace hurt::invoicing
