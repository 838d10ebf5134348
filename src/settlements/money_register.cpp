#include "settlements/money_register.h"

#include <algorithm>
#include <tuple>

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/picture.h"
#include "base/text.h"
#include "console/browse.h"
#include "console/keys.h"
#include "console/list_browse_source.h"
#include "console/message_window.h"
#include "session/area_fields.h"
#include "session/area_position.h"
#include "session/session.h"
#include "settlements/ledger_tables.h"
#include "settlements/money_document.h"
#include "settlements/money_document_form.h"

namespace hurt::settlements {

using namespace hurt::literals;
using session::FieldDate;
using session::FieldNumber;
using session::FieldText;
namespace key = console::key;

namespace {

std::string Kind(std::string_view rd) { return PadR(Upper(AllTrim(rd)), 3); }

}  // namespace

Result<std::vector<MoneyEntry>> MoneyDocumentsOf(session::Session& s, std::string_view kto, std::string_view odb) {
  auto dowod_or = AreaOf(s, store::TableId::kDowod);
  HURT_RETURN_IF_ERROR(dowod_or.status());
  xbase::WorkArea& dowod = **dowod_or;
  if (dowod.order_count() < 1) return Status::NotFound("Plik dowod bez indeksu");
  session::AreaPosition keep(dowod);
  HURT_RETURN_IF_ERROR(dowod.SetOrder(1));
  std::vector<std::string> kinds = {Kind(s.settings().Text("J_XKP")), Kind(s.settings().Text("J_XKW")), "PP ", "BDW",
                                    "NOU", "NOO"};
  std::sort(kinds.begin(), kinds.end());
  kinds.erase(std::unique(kinds.begin(), kinds.end()), kinds.end());
  const std::string who = PadR(kto, 1) + PadR(odb, 8);
  std::vector<MoneyEntry> out;
  for (const std::string& rd : kinds) {
    auto found = dowod.SeekKey(rd, true);
    HURT_RETURN_IF_ERROR(found.status());
    for (bool first = true; !dowod.eof(); first = false) {
      if (!first) HURT_RETURN_IF_ERROR(dowod.Skip(1));
      if (dowod.eof() || Kind(FieldText(dowod, "RD")) != rd) break;
      if (PadR(FieldText(dowod, "MAG"), 1) != "0") continue;
      if (PadR(FieldText(dowod, "KTO"), 1) + PadR(FieldText(dowod, "ODB"), 8) != who) continue;
      MoneyEntry e;
      e.rd = rd;
      e.nrd = FieldText(dowod, "NRD");
      e.data = FieldDate(dowod, "DATA");
      e.tresc = FieldText(dowod, "ODBIORCA");
      e.waluta = FieldText(dowod, "WALUTA");
      e.kwota = FieldNumber(dowod, "KWOTA");
      e.kurs = FieldNumber(dowod, "KURS");
      e.receipt = IsReceiptKind(rd);
      out.push_back(std::move(e));
    }
  }
  std::sort(out.begin(), out.end(), [](const MoneyEntry& a, const MoneyEntry& b) {
    return std::tie(a.data, a.rd, a.nrd) < std::tie(b.data, b.rd, b.nrd);
  });
  return out;
}

namespace {

class RegisterScreen {
 public:
  RegisterScreen(session::Session& s, std::string_view kto, std::string_view odb, std::string_view nazwa)
      : s_(s), con_(s.con()), kto_(kto), odb_(odb), nazwa_(nazwa) {}
  void Run();

 private:
  bool Load() {
    auto read = MoneyDocumentsOf(s_, kto_, odb_);
    if (!read.ok()) {
      console::Okno_(con_, "Plik dowod niedostepny", 3);
      return false;
    }
    entries_ = std::move(read).value();
    return true;
  }
  void Frame() {
    con_.ClearRegion(21, 0, 24, 79);
    double in = 0, out = 0;
    for (const MoneyEntry& e : entries_) (e.receipt ? in : out) += HomeOf(e);
    con_.Say(21, 0, std::string(80, '-'));
    con_.Say(22, 0, Left(PadR(AllTrim(odb_) + " " + AllTrim(nazwa_), 44), 44));
    con_.Say(22, 52, TransformNumber(NewRound(in, 2), "9999999.99") + " " + TransformNumber(NewRound(out, 2), "9999999.99"));
    con_.Say(24, 0, "Enter-Poprawa/skasowanie     F5-Nowy dowod                      Esc-Wyjscie");
  }
  static double HomeOf(const MoneyEntry& e) { return e.kurs > 0 ? NewRound(e.kwota * e.kurs, 2) : e.kwota; }
  void Form(const MoneyEntry* on) {
    MoneyFormPreset p;
    p.kto = kto_;
    p.odb = odb_;
    p.nodb = nazwa_;
    if (on != nullptr) {
      p.rd = on->rd;
      p.nrd = std::atol(AllTrim(on->nrd).c_str());
      p.data = on->data;
      p.kwota = on->kwota;
      p.tresc = on->tresc;
      p.waluta = on->waluta;
      p.kurs = on->kurs;
    }
    if (EwNalZob(s_, p)) (void)Load();
  }

  session::Session& s_;
  console::Console& con_;
  std::string kto_, odb_, nazwa_;
  std::vector<MoneyEntry> entries_;
};

void RegisterScreen::Run() {
  if (!Load()) return;
  con_.Clear();
  con_.Say(0, 0, Left("EWIDENCJA KP, KW, PP: " + AllTrim(odb_) + " " + AllTrim(nazwa_), 79));
  console::ListBrowseSource source([this] { return entries_.size(); });
  console::Browse browse(con_, source, 1, 0, 20, 79);
  browse.Separators("─┼─"_pl, "│"_pl, "");
  using console::BrowseColumn;
  auto at = [this, &source]() -> const MoneyEntry* { return entries_.empty() ? nullptr : &entries_[source.at()]; };
  browse.AddColumn(BrowseColumn::Text("Rd -   Numer", [at] {
    return at() == nullptr ? std::string(12, ' ') : at()->rd + "-" + PadL(AllTrim(at()->nrd), 8);
  }));
  browse.AddColumn(BrowseColumn::Date("Data", [at] { return at() == nullptr ? kEmptyDate : at()->data; }));
  browse.AddColumn(BrowseColumn::Text("Tresc                         ", [at] {
    return PadR(at() == nullptr ? std::string() : at()->tresc, 30).substr(0, 30);
  }));
  browse.AddColumn(BrowseColumn::Number("  Przychod", [at] { return at() != nullptr && at()->receipt ? at()->kwota : 0.0; },
                                        "@Z 9999999.99"));
  browse.AddColumn(BrowseColumn::Number("  Rozchod", [at] { return at() != nullptr && !at()->receipt ? at()->kwota : 0.0; },
                                        "@Z 9999999.99"));
  browse.AddColumn(BrowseColumn::Text("Wal", [at] { return PadR(at() == nullptr ? std::string() : at()->waluta, 3); }));
  source.GoBottom();
  Frame();
  browse.Run([&](console::BrowseMode mode, int) {
    if (mode != console::BrowseMode::kException && mode != console::BrowseMode::kEmpty) return console::BrowseAction::kContinue;
    const int k = con_.LastKey();
    if (k == key::kEsc) return console::BrowseAction::kLeave;
    if (k == key::kEnter && at() != nullptr) {
      const MoneyEntry on = *at();
      Form(&on);
    } else if (key::IsKey(k, key::F(5))) {
      Form(nullptr);
    } else {
      return console::BrowseAction::kContinue;
    }
    con_.SetLastKey(key::kNone);  // spent: an empty grid asks again while idle
    source.GoBottom();
    Frame();
    return console::BrowseAction::kRepaint;
  });
}

}  // namespace

void EwidencjaKpKw(session::Session& s, std::string_view kto, std::string_view odb, std::string_view nazwa) {
  const console::SavedScreen saved = s.con().SaveScreen();
  RegisterScreen screen(s, kto, odb, nazwa);
  screen.Run();
  s.con().RestoreScreen(saved);
}

}  // namespace hurt::settlements
