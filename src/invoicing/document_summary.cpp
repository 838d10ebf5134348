#include "invoicing/document_summary.h"

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/picture.h"
#include "base/text.h"
#include "console/browse.h"
#include "console/form.h"
#include "console/keys.h"
#include "console/message_window.h"
#include "documents/document_list.h"
#include "invoicing/edi_from_document.h"
#include "invoicing/invoice_pdf.h"
#include "invoicing/invoice_tables.h"
#include "invoicing/issue_notes_list.h"
#include "invoicing/ksef_invoice.h"
#include "session/area_fields.h"
#include "session/helpers.h"
#include "session/menu_choice.h"
#include "session/session.h"
#include "session/store_ui.h"
#include "store/net_use.h"
#include "session/viewer.h"

namespace hurt::invoicing {

using namespace hurt::literals;
namespace key = console::key;
using console::BrowseAction;
using console::BrowseMode;
using session::FieldText;

namespace {

constexpr int kByNumber = 1;  // dowod1: rd+nrd
constexpr int kByDate = 2;    // dowod2: DTOS(data)+r_p+s_z+...

// The variables the filter's condition names: no typed text becomes part of it.
constexpr std::string_view kRdVar = "M_OTB_RD";
constexpr std::string_view kOdbVar = "M_OTB_ODB";

bool Marked(const xbase::WorkArea& dowod) { return Left(FieldText(dowod, "ZAP"), 1) == std::string(1, kNoteMark); }

// Puts the order, filter and record of `dowod` back when the list ends.
class DowodKeep {
 public:
  explicit DowodKeep(xbase::WorkArea& a) : a_(a), order_(a.order()), filter_(a.filter()), recno_(a.recno()) {}
  ~DowodKeep() {
    (void)a_.SetFilter(filter_);
    (void)a_.SetOrder(order_);
    if (recno_ > 0) (void)a_.GoTo(recno_);
  }
  DowodKeep(const DowodKeep&) = delete;
  DowodKeep& operator=(const DowodKeep&) = delete;

 private:
  xbase::WorkArea& a_;
  int order_;
  std::string filter_;
  uint32_t recno_;
};

class Summary {
 public:
  Summary(session::Session& s, xbase::WorkArea& dowod) : s_(s), con_(s.con()), dowod_(dowod) {}
  void Run();

 private:
  void Title();
  BrowseAction OnKey(int k);
  void Open();
  void Mark();
  void Filter();
  void SwitchOrder();
  void Print();
  void Ksef();
  void Edi();
  void Pdf();

  session::Session& s_;
  console::Console& con_;
  xbase::WorkArea& dowod_;
  std::string rd_ = std::string(3, ' ');
  std::string odb_ = std::string(8, ' ');
};

void Summary::Title() {
  const console::Attr title = con_.colours().enhanced;
  std::string text = "  ZESTAWIENIE DOWODOW";
  text += dowod_.order() == kByDate ? "  (wg daty)" : "  (wg rodzaju i numeru)";
  if (!IsBlank(rd_)) text += "  rodzaj: " + AllTrim(rd_);
  if (!IsBlank(odb_)) text += "  kontrahent: " + AllTrim(odb_);
  con_.Say(0, 0, PadR(text, 80), title);
  con_.Say(24, 0, PadR("Enter-podglad Spacja-WZ F3-kolejn. F4-PDF F6-filtr F7-KSeF F8-EDI F9-druk Esc", 80),
           con_[console::Role::kKeyBar]);
}

void Summary::Run() {
  const console::SavedScreen saved = con_.SaveScreen();
  con_.Clear();
  (void)dowod_.SetOrder(kByNumber);
  (void)dowod_.SetFilter("");
  Title();
  session::AreaSource source(dowod_);
  console::Browse browse(con_, source, 1, 0, 23, 79);
  using console::BrowseColumn;
  browse.AddColumn(session::PaddedColumn("Rd", 3, [this] { return FieldText(dowod_, "RD"); }));
  browse.AddColumn(session::PaddedColumn("   Numer", 8, [this] { return FieldText(dowod_, "NRD"); }));
  browse.AddColumn(BrowseColumn::Date("Data", [this] { return session::FieldDate(dowod_, "DATA"); }));
  browse.AddColumn(session::PaddedColumn("Kod", 8, [this] { return FieldText(dowod_, "ODB"); }));
  browse.AddColumn(session::PaddedColumn("Kontrahent", 10, [this] { return FieldText(dowod_, "NODB"); }));
  browse.AddColumn(BrowseColumn::Number("     Netto", [this] { return session::FieldNumber(dowod_, "NETTO"); },
                                        "9999999.99"));
  browse.AddColumn(
      BrowseColumn::Number("      VAT", [this] { return session::FieldNumber(dowod_, "VAT"); }, "999999.99"));
  browse.AddColumn(BrowseColumn::Number("    Brutto", [this] { return HeaderGross(dowod_); }, "9999999.99"));
  browse.AddColumn(session::PaddedColumn("P", 1, [this] { return FieldText(dowod_, "SPZ"); }));
  browse.AddColumn(session::PaddedColumn("*", 1, [this] { return Marked(dowod_) ? std::string("*") : std::string(); }));
  browse.Separators("┼─"_pl, "│"_pl, "┴─"_pl);
  source.GoTop();
  browse.Run([this](BrowseMode mode, int) {
    if (mode != BrowseMode::kException && mode != BrowseMode::kEmpty) return BrowseAction::kContinue;
    const int k = con_.LastKey();
    if (k == key::kEsc) return BrowseAction::kLeave;
    if (mode == BrowseMode::kEmpty && !key::IsKey(k, key::F(6))) return BrowseAction::kContinue;
    return OnKey(k);
  });
  con_.RestoreScreen(saved);
}

BrowseAction Summary::OnKey(int k) {
  if (k == key::kEnter) {
    Open();
  } else if (k == ' ') {
    Mark();
  } else if (key::IsKey(k, key::F(3))) {
    SwitchOrder();
  } else if (key::IsKey(k, key::F(6))) {
    Filter();
  } else if (key::IsKey(k, key::F(9))) {
    Print();
  } else if (key::IsKey(k, key::F(7))) {
    Ksef();
  } else if (key::IsKey(k, key::F(8))) {
    Edi();
  } else if (key::IsKey(k, key::F(4))) {
    Pdf();
  } else {
    return BrowseAction::kContinue;
  }
  Title();
  return BrowseAction::kRepaint;
}

// Enter: the document shown by the document screen; the list comes back where it stood.
void Summary::Open() {
  const std::string rd = FieldText(dowod_, "RD");
  const std::string nrd = FieldText(dowod_, "NRD");
  {
    DowodKeep keep(dowod_);
    // The document screen looks headers up by their keys: it sees the whole table.
    (void)dowod_.SetFilter("");
    const console::SavedScreen saved = con_.SaveScreen();
    documents::DbuDow(s_, 1, rd, nrd);
    con_.RestoreScreen(saved);
  }
}

// F7: the invoice's FA(3) file for the national e-invoice system, or the KSeF number the
// system gave it (35 characters: NIP-yyyymmdd-12 characters-2), kept in the header and
// printed on the invoice from then on.
void Summary::Ksef() {
  const std::string rd = FieldText(dowod_, "RD");
  const std::string nrd = FieldText(dowod_, "NRD");
  const int c = session::SmallChoice(s_, 10, 30, {"1. Plik FA(3) do KSeF    ", "2. Numer KSeF faktury    "});
  if (c == 1) {
    // Once the system has numbered the invoice its file is what was sent: a new one would
    // no longer match the number nor the verification code printed from it.
    if (!IsBlank(FieldText(dowod_, "KSEF"))) {
      console::Okno_(con_, "Faktura ma juz numer KSeF - plik FA(3) nie zostanie zmieniony", 3);
      return;
    }
    auto written = ZapiszFa3(s_, rd, nrd);
    console::Okno_(con_, written.ok() ? "Zapisano " + *written : "Nie zapisano: " + written.status().message(), 3);
    return;
  }
  if (c != 2) return;
  if (s_.InArchive()) {
    console::Okno_(con_, "Praca w archiwum - blokada", 2);
    return;
  }
  if (dowod_.FieldIndex("KSEF") < 0) {
    console::Okno_(con_, "Brak pola KSEF w dowod.dbf - uruchom Reorganizacje", 3);
    return;
  }
  std::string numer = PadR(FieldText(dowod_, "KSEF"), 35);
  const console::SavedRegion under = con_.Save(10, 10, 12, 70);
  con_.Box(10, 10, 12, 70, console::DoubleFrame(), con_.colours().standard, ' ');
  con_.Say(11, 12, "Nr KSeF:");
  console::Form f(con_);
  f.GetText(11, 21, numer, "@K!").Valid([&] {
    if (IsBlank(numer) || ValidKsefNumber(AllTrim(numer))) return true;
    console::Okno_(con_, "Numer KSeF: NIP-rrrrmmdd-12 znakow-suma kontrolna (35 znakow)", 3);
    return false;
  });
  const bool escaped = f.Read().escaped;
  con_.Restore(under);
  if (escaped) return;
  session::ConsoleStoreUi ui(con_);
  const Status st = store::Retry(ui, store::RetryRule::kPauseAfter, 10, [&] { return dowod_.LockRecord(); });
  if (!st.ok()) {
    console::Okno_(con_, "Dowod zajety na innym stanowisku - numer nie zapisany", 3);
    return;
  }
  Status written = dowod_.Replace("KSEF", xbase::Value(AllTrim(numer)));
  if (written.ok()) written = dowod_.Commit();
  (void)dowod_.UnlockRecord(dowod_.recno());
  console::Okno_(con_, written.ok() ? "Zapisano numer KSeF" : "Blad zapisu - numer nie zapisany", 2);
}

// F8: the invoice as an EDIFACT INVOIC file (FV_EDI), after its parameter screen.
void Summary::Edi() {
  const std::string rd = FieldText(dowod_, "RD");
  const std::string nrd = FieldText(dowod_, "NRD");
  (void)EdifaktVat(s_, rd, nrd);
}

// F4: the printout of the document under the cursor as a PDF file.
void Summary::Pdf() {
  const uint32_t recno = dowod_.recno();
  (void)FvDoPdfOnScreen(s_, session::FieldDate(dowod_, "DATA"), FieldText(dowod_, "RD"), FieldText(dowod_, "NRD"));
  if (recno > 0) (void)dowod_.GoTo(recno);
}

void Summary::Mark() {
  if (s_.InArchive()) {
    console::Okno_(con_, "Praca w archiwum - blokada", 2);
    return;
  }
  const std::string refusal = NoteMarkRefusal(dowod_);
  if (!refusal.empty()) {
    console::Okno_(con_, refusal, 2);
    return;
  }
  (void)ToggleNoteMark(s_, dowod_);
}

// F3: the other order, from its first document.
void Summary::SwitchOrder() {
  (void)dowod_.SetOrder(dowod_.order() == kByDate ? kByNumber : kByDate);
  (void)dowod_.GoTop();
}

// F6: kind and counterparty; the values go to variables the condition names.
void Summary::Filter() {
  const console::SavedRegion saved = con_.Save(8, 20, 12, 60);
  con_.Box(8, 20, 12, 60, console::SingleFrame(), con_.colours().standard, ' ');
  console::Form form(con_);
  form.Say(9, 22, "Rodzaj dowodu   :");
  form.Say(10, 22, "Kod kontrahenta :");
  form.Say(11, 22, "puste - wszystkie dowody");
  std::string rd = rd_, odb = odb_;
  form.GetText(9, 40, rd, "@!");
  form.GetText(10, 40, odb, "@!");
  const console::ReadResult r = form.Read();
  con_.Restore(saved);
  if (r.escaped) return;
  std::string condition;
  auto add = [&](std::string_view var, const std::string& value, std::string_view field) {
    if (IsBlank(value)) return;
    s_.vars().Set(var, xbase::Value(AllTrim(value)));
    if (!condition.empty()) condition += " .AND. ";
    condition += std::string(field) + " = " + std::string(var);
  };
  add(kRdVar, rd, "rd");
  add(kOdbVar, odb, "odb");
  const uint32_t before = dowod_.recno();
  if (!dowod_.SetFilter(condition).ok()) {
    (void)dowod_.SetFilter("");
    console::Okno_(con_, "Zly filtr - pokazuje wszystkie dowody", 2);
    rd_ = std::string(3, ' '), odb_ = std::string(8, ' ');
    (void)dowod_.GoTop();
    return;
  }
  (void)dowod_.GoTop();
  if (dowod_.eof()) {
    console::Okno_(con_, "NIE ZNALAZŁEM"_pl, 2);
    (void)dowod_.SetFilter("");
    rd_ = std::string(3, ' '), odb_ = std::string(8, ' ');
    (void)dowod_.GoTo(before);
    if (dowod_.eof()) (void)dowod_.GoTop();
    return;
  }
  rd_ = rd, odb_ = odb;
}

// F9: the rows of the list, in its order and under its filter, into the report viewer.
void Summary::Print() {
  const uint32_t recno = dowod_.recno();
  session::ViewDruk(s_, [&](session::ReportWriter& out) {
    out.Line(session::Centruj("ZESTAWIENIE DOWODOW"));
    std::string sub;
    if (!IsBlank(rd_)) sub += "rodzaj: " + AllTrim(rd_) + "  ";
    if (!IsBlank(odb_)) sub += "kontrahent: " + AllTrim(odb_);
    if (!sub.empty()) out.Line(session::Centruj(sub));
    out.Line("");
    out.Line("Rd  Numer    Data       Kod      Kontrahent      Netto       VAT     Brutto P *");
    out.Line(std::string(80, '-'));
    double netto = 0, vat = 0, brutto = 0;
    long count = 0;
    for (Status st = dowod_.GoTop(); st.ok() && !dowod_.eof(); st = dowod_.Skip(1)) {
      out.Line(DocumentSummaryLine(dowod_));
      netto += session::FieldNumber(dowod_, "NETTO");
      vat += session::FieldNumber(dowod_, "VAT");
      brutto += HeaderGross(dowod_);
      ++count;
    }
    out.Line(std::string(80, '-'));
    out.Line(PadR("Razem dowodow: " + std::to_string(count), 38) + TransformNumber(NewRound(netto, 2), "99999999.99") +
             TransformNumber(NewRound(vat, 2), "9999999.99") + TransformNumber(NewRound(brutto, 2), "99999999.99"));
  });
  if (recno > 0) (void)dowod_.GoTo(recno);
}

}  // namespace

double HeaderGross(const xbase::WorkArea& dowod) {
  return NewRound(session::FieldNumber(dowod, "NETTO") + session::FieldNumber(dowod, "VAT"), 2);
}

std::string DocumentSummaryLine(const xbase::WorkArea& dowod) {
  std::string line = PadR(FieldText(dowod, "RD"), 3) + " " + PadL(AllTrim(FieldText(dowod, "NRD")), 8) + " ";
  line += TransformDate(session::FieldDate(dowod, "DATA"), "") + " ";
  line += PadR(FieldText(dowod, "ODB"), 8) + " ";
  line += PadR(Left(FieldText(dowod, "NODB"), 10), 10);
  line += TransformNumber(session::FieldNumber(dowod, "NETTO"), "99999999.99");
  line += TransformNumber(session::FieldNumber(dowod, "VAT"), "9999999.99");
  line += TransformNumber(HeaderGross(dowod), "99999999.99");
  line += " " + PadR(FieldText(dowod, "SPZ"), 1);
  line += Marked(dowod) ? " *" : "  ";
  return line;
}

std::string NoteMarkRefusal(const xbase::WorkArea& dowod) {
  const std::string rd = FieldText(dowod, "RD");
  const std::string doc = RTrim(rd) + "-" + AllTrim(FieldText(dowod, "NRD"));
  const bool note = Left(rd, 2) == "WZ" && FieldText(dowod, "R_P") == "R" && FieldText(dowod, "S_Z") == "S";
  if (!note) return doc + " to nie WZ - do faktury zaznacza sie tylko WZ";
  if (!IsBlank(FieldText(dowod, "R_RD")) || !IsBlank(FieldText(dowod, "R_NRD"))) {
    return doc + " jest na fakturze " + RTrim(FieldText(dowod, "R_RD")) + "-" + AllTrim(FieldText(dowod, "R_NRD"));
  }
  return {};
}

void ZestawienieDowodow(session::Session& s) {
  xbase::WorkArea* dowod = SessionAreaOf(s, store::TableId::kDowod);
  if (dowod == nullptr || dowod->order_count() < 2) {
    console::Okno_(s.con(), "Plik dowod niedostepny", 2);
    return;
  }
  DowodKeep keep(*dowod);
  Summary(s, *dowod).Run();
}

}  // namespace hurt::invoicing
