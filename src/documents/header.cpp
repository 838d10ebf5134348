#include "documents/header.h"

#include <functional>
#include <vector>

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/text.h"
#include "console/browse.h"
#include "console/colour.h"
#include "console/form.h"
#include "console/keys.h"
#include "console/message_window.h"
#include "console/screen_buffer.h"
#include "documents/dd_lines.h"
#include "documents/document_hold.h"
#include "documents/header_guards.h"
#include "documents/header_rules.h"
#include "documents/jpk_marks.h"
#include "documents/line_grid_parts.h"
#include "documents/posting_internal.h"
#include "session/area_fields.h"
#include "session/helpers.h"
#include "session/operator_rights.h"
#include "session/session.h"
#include "session/store_ui.h"
#include "store/net_files.h"
#include "store/net_use.h"
#include "xbase/value.h"
#include "xbase/work_area.h"

namespace hurt::documents {

using namespace hurt::literals;
using session::FieldDate;
using session::FieldNumber;
using session::FieldText;
using session::Session;
namespace key = console::key;

namespace {

constexpr int kTitleRow = 0;
constexpr int kGridHeadingRow = 8;
constexpr int kGridTop = 10;
constexpr int kGridBottom = 22;
constexpr int kKeyRow = 24;
constexpr int kBoxRules[] = {7, 21, 40, 56, 64};
constexpr double kCustomerLockWait = 5;
// The customer of retail sales paid by card when none is given.
constexpr std::string_view kCardCustomer = "KARTA   ";

// ---- small helpers over the session ----

int Klucz(Session& s) { return static_cast<int>(s.vars().Number("KLUCZ")); }

void SetText(Session& s, std::string_view name, const std::string& v) { s.vars().Set(name, xbase::Value(v)); }
void SetNumber(Session& s, std::string_view name, double v) { s.vars().Set(name, xbase::Value(v)); }
void SetDate(Session& s, std::string_view name, JulianDay d) { s.vars().Set(name, xbase::Value(xbase::Date{d})); }
std::string VarText(Session& s, std::string_view name, size_t width) {
  return PadR(s.vars().Text(name), width);
}

void Message(Session& s, const HeaderMessage& m) {
  if (m.seconds < 0) {
    console::Okno_(s.con(), m.text);
  } else {
    console::Okno_(s.con(), m.text, m.seconds);
  }
}
void Messages(Session& s, const std::vector<HeaderMessage>& ms) {
  for (const HeaderMessage& m : ms) Message(s, m);
}
void Refuse(Session& s, std::string_view text) { console::Okno_(s.con(), text, 0); }

char FirstChar(const std::string& s, char fallback) { return s.empty() ? fallback : s[0]; }

// Seeks `key` in order 1 of the area, keeping the order it had. Found leaves the area on
// the record.
bool SeekFirstOrder(xbase::WorkArea& a, std::string_view key, bool soft = false) {
  const int order = a.order();
  if (order != 1 && !a.SetOrder(1).ok()) return false;
  auto r = a.SeekKey(key, soft);
  if (order != 1) (void)a.SetOrder(order);
  return r.ok() && *r;
}

using session::AreaSource;


// A help list over `area` in its first order, starting on `start` (soft seek). True with
// the area on the chosen record when the operator chose with Enter.
bool HelpList(Session& s, xbase::WorkArea& area, std::string_view start,
              const std::vector<std::pair<std::string, int>>& fields, std::string_view title) {
  console::Console& con = s.con();
  const console::SavedScreen saved = con.SaveScreen();
  const int order = area.order();
  (void)area.SetOrder(1);
  if (!start.empty()) {
    auto r = area.SeekKey(start, true);
    if (!r.ok() || area.eof()) (void)area.GoTop();
  } else {
    (void)area.GoTop();
  }
  constexpr int kTop = 5, kLeft = 8, kBottom = 21, kRight = 72;
  con.Box(kTop, kLeft, kBottom, kRight, console::DoubleFrame(), con.colours().standard, ' ');
  con.Say(kTop, kLeft + 2, title);
  AreaSource source(area);
  console::Browse browse(con, source, kTop + 1, kLeft + 1, kBottom - 1, kRight - 1);
  browse.Separators("─┼─"_pl, " │ "_pl, "");
  for (const auto& [name, width] : fields) {
    const std::string field = name;
    browse.AddColumn(session::PaddedColumn(field, width, [&area, field] { return FieldText(area, field); }));
  }
  const int k = browse.Run();
  const bool chosen = k == key::kEnter && !area.eof();
  (void)area.SetOrder(order);
  con.RestoreScreen(saved);
  return chosen;
}

xbase::WorkArea* Area(Session& s, std::string_view alias) { return s.areas().Find(alias); }

std::string_view CatalogueAlias(std::string_view kto) {
  if (kto == "D") return "zd";
  if (kto == "P") return "zp";
  if (kto == "F") return "zf";
  return "zo";
}

bool IsRetailKind(Session& s, const DocKind& k) {
  return k.RdIs("SD ") || (!IsBlank(s.settings().Sd()) && k.rd == PadR(s.settings().Sd(), 3));
}

// A fiscal document: the receipt kind J_SD or one of the kinds listed in J_DF.
bool IsFiscalKind(Session& s, const DocKind& k) {
  const std::string sd = s.settings().Sd();
  const std::string df = s.settings().Text("J_DF");
  const std::string code = AllTrim(k.rd);
  return (!IsBlank(sd) && k.rd == PadR(sd, 3)) || (!code.empty() && !IsBlank(df) && df.find(code) != std::string::npos);
}

// A counterparty the program fills in by itself ("PARAGON ", "DETAL   ", the card
// customer): added to `zo` when missing, under the file lock so that two stations never
// add it twice. True with `zo` on it afterwards.
bool EnsureCustomer(Session& s, std::string_view code, std::string_view name) {
  xbase::WorkArea* zo = Area(s, "zo");
  if (zo == nullptr) return false;
  const std::string odb = PadR(code, 8);
  if (SeekFirstOrder(*zo, odb)) return true;
  session::ConsoleStoreUi ui(s.con());
  if (!store::FilLockArea(ui, *zo, kCustomerLockWait).ok()) return false;
  Status st = Status::Ok();
  if (!SeekFirstOrder(*zo, odb)) {
    st = zo->Append();
    if (st.ok()) st = zo->Replace("ODB", xbase::Value(odb));
    if (st.ok()) st = zo->Replace("NODB", xbase::Value(std::string(name)));
  }
  const Status u = zo->Unlock();
  return st.ok() && u.ok() && SeekFirstOrder(*zo, odb);
}

// The guards of a correction talking to the operator through the message windows.
class SessionCorrectionDialog : public CorrectionDialog {
 public:
  SessionCorrectionDialog(Session& s, std::string rd, std::string nrd)
      : s_(s), rd_(std::move(rd)), nrd_(std::move(nrd)) {}
  void Tell(const HeaderMessage& m) override { Message(s_, m); }
  bool Ask(std::string_view question) override { return console::Okno(s_.con(), question, "N"); }
  bool Password(GuardPassword which) override {
    // No password is built into the program: the emergency password of an operator
    // without right 1 is the supervisor's own.
    return session::Haslo(s_, which == GuardPassword::kCorrection ? session::HasloKind::kCorrection
                                                                 : session::HasloKind::kSupervisor);
  }
  void LogLockedCorrection() override {
    const std::string line = LockedCorrectionLogLine(s_.Today(), s_.clock().TimeText(), s_.op().nr,
                                                      s_.op().nazwisko, rd_, nrd_);
    // The log of corrections made under a lock must not stop the correction itself.
    (void)store::DoklejTxt(s_.env(), s_.Path("kanty.txt"), line);
  }

 private:
  Session& s_;
  std::string rd_, nrd_;
};

}  // namespace

// ---- the header variables ----

Nag LoadNag(Session& s) {
  Nag n;
  auto& v = s.vars();
  n.rd = VarText(s, "M_RD", 3);
  n.nrd = VarText(s, "M_NRD", 8);
  n.data = v.Date("M_DATA");
  n.spz = VarText(s, "M_SPZ", 1);
  n.tez = v.Number("M_TEZ");
  n.termin = v.Date("M_TERMIN");
  n.mag = VarText(s, "M_MAG", 1);
  n.regon = VarText(s, "M_REGON", 13);
  n.nip_kraj = VarText(s, "M_NIP_KRAJ", 2);
  n.odb = VarText(s, "M_ODB", 8);
  n.nodb = VarText(s, "M_NODB", 50);
  n.nodb1 = v.Text("M_NODB1");
  n.uodb = v.Text("M_UODB");
  n.kodb = v.Text("M_KODB");
  n.modb = v.Text("M_MODB");
  n.tel = v.Text("M_TEL");
  n.odbiorca = VarText(s, "M_ODBIORCA", 254);
  n.odbiorc1 = VarText(s, "M_ODBIORC1", 50);
  n.data_fa = v.Date("M_DATA_FA");
  n.waluta = VarText(s, "M_WALUTA", 3);
  n.kurs = v.Number("M_KURS");
  n.dolar = v.Number("M_DOLAR");
  n.nb = VarText(s, "M_NB", 1);
  n.kto = VarText(s, "M_KTO", 1);
  n.r_p = VarText(s, "M_R_P", 1);
  n.s_z = VarText(s, "M_S_Z", 1);
  n.poziom = v.Number("M_POZIOM");
  n.rabat = v.Number("M_RABAT");
  return n;
}

void StoreNag(Session& s, const Nag& n) {
  SetText(s, "M_RD", n.rd);
  SetText(s, "M_NRD", n.nrd);
  SetDate(s, "M_DATA", n.data);
  SetText(s, "M_SPZ", n.spz);
  SetNumber(s, "M_TEZ", n.tez);
  SetDate(s, "M_TERMIN", n.termin);
  SetText(s, "M_MAG", n.mag);
  SetText(s, "M_REGON", n.regon);
  SetText(s, "M_NIP_KRAJ", n.nip_kraj);
  SetText(s, "M_ODB", n.odb);
  SetText(s, "M_NODB", n.nodb);
  SetText(s, "M_NODB1", n.nodb1);
  SetText(s, "M_UODB", n.uodb);
  SetText(s, "M_KODB", n.kodb);
  SetText(s, "M_MODB", n.modb);
  SetText(s, "M_TEL", n.tel);
  SetText(s, "M_ODBIORCA", n.odbiorca);
  SetText(s, "M_ODBIORC1", n.odbiorc1);
  SetDate(s, "M_DATA_FA", n.data_fa);
  SetText(s, "M_WALUTA", n.waluta);
  SetNumber(s, "M_KURS", n.kurs);
  SetNumber(s, "M_DOLAR", n.dolar);
  SetText(s, "M_NB", n.nb);
  SetText(s, "M_KTO", n.kto);
  SetText(s, "M_R_P", n.r_p);
  SetText(s, "M_S_Z", n.s_z);
  SetNumber(s, "M_POZIOM", n.poziom);
  SetNumber(s, "M_RABAT", n.rabat);
}

std::optional<KindRecord> FindKind(Session& s, std::string_view rd) {
  xbase::WorkArea* slow = Area(s, "slow");
  if (slow == nullptr || IsBlank(rd)) return std::nullopt;
  const std::string code = PadR(Upper(rd), 3);
  if (!SeekFirstOrder(*slow, code)) return std::nullopt;
  KindRecord k;
  k.kind.rd = PadR(FieldText(*slow, "RD"), 3);
  if (k.kind.rd != code) return std::nullopt;
  k.kind.opis = FieldText(*slow, "OPIS");
  k.kind.r_p = FirstChar(FieldText(*slow, "R_P"), ' ');
  k.kind.s_z = FirstChar(FieldText(*slow, "S_Z"), ' ');
  k.kind.cuv = FirstChar(FieldText(*slow, "CUV"), ' ');
  k.kind.nb = FirstChar(FieldText(*slow, "NB"), ' ');
  k.kind.kto = FirstChar(FieldText(*slow, "KTO"), ' ');
  k.kind.poziom = static_cast<int>(FieldNumber(*slow, "POZIOM"));
  k.mag = AllTrim(FieldText(*slow, "MAG"));
  k.nrd = static_cast<long long>(FieldNumber(*slow, "NRD"));
  k.uzgodnic = FieldText(*slow, "UZGODNIC");
  return k;
}

// ---- the screen ----

std::string_view ModeTitle(int klucz) {
  if (klucz == 1) return "     WYSWIETLANIE   DOWODOW        ";
  if (klucz == 2) return " P O P R A W A    D O W O D O W    ";
  return "    E D Y C J A   D O W O D O W    ";
}

void DrawHeaderBox(Session& s) {
  console::Console& con = s.con();
  const console::Attr normal = con.colours().standard;
  // Rows 1-3: the ruled header box.
  con.Box(1, 0, 3, 79, console::SingleFrame(), normal);
  for (int c : kBoxRules) {
    con.Say(1, c, "┬"_pl, normal);
    con.Say(2, c, "│"_pl, normal);
    con.Say(3, c, "┴"_pl, normal);
  }
  con.Say(2, 1, "Rd:", normal);
  con.Say(2, 8, " Nr:", normal);
  con.Say(2, 22, " Data:", normal);
  con.Say(2, 41, "Płatnosc:"_pl, normal);
  con.Say(2, 57, " Mag:", normal);
  con.Say(2, 65, " Kod:", normal);
  con.ClearRegion(7, 0, 7, 79, normal);
}

void DrawDocumentScreen(Session& s, const DocKind* kind) {
  console::Console& con = s.con();
  const console::Attr normal = con.colours().standard;
  con.ClearRegion(0, 0, 24, 79, normal);

  // Row 0: operator, mode, period.
  std::string title_colour = "W/B";
  if (s.FileX("SMALL.TXT") || s.FileX("ZIELONE.TXT") || (kind != nullptr && kind->HasTag("FORMA"))) title_colour = "W/G";
  if (s.FileX("FIOLET.TXT")) title_colour = "W/BG";
  const console::Attr title = console::AttrOf(title_colour);
  con.ClearRegion(kTitleRow, 0, kTitleRow, 79, title);
  con.Say(kTitleRow, 0, PadR(AllTrim(s.op().nazwisko), 21), title);
  con.Say(kTitleRow, 22, ModeTitle(Klucz(s)), title);
  const Period period = PeriodOfHh(s.hh());
  if (period.month > 0) con.Say(kTitleRow, 58, PadL(PeriodMonthName(period), 21), title);

  DrawHeaderBox(s);

  // Rows 4-6.
  con.Say(4, 0, "Nazwa kontrahenta           :", normal);
  if (kind != nullptr) {
    LabelRows(s, *kind);
  } else {
    con.Say(5, 0, "Uwagi                       :", normal);
  }

  // Rows 8-22: the line grid, empty until the header is entered.
  const std::vector<int> rules = DrawGridHeading(s, kind);
  for (int r = kGridTop; r <= kGridBottom; ++r)
    for (int c : rules) con.Say(r, c, "│"_pl, normal);

  KeyLine(s, true, kind);
}

std::vector<int> DrawGridHeading(Session& s, const DocKind* kind) {
  console::Console& con = s.con();
  const GridHeadingText h = GridHeading(LayoutOf(kind != nullptr ? *kind : DocKind{}, GridOptionsOf(s), 0));
  con.Say(kGridHeadingRow, 0, h.heading, con.colours().standard);
  con.Say(kGridHeadingRow + 1, 0, h.rule, con.colours().standard);
  return h.separators;
}

void LabelRows(Session& s, const DocKind& kind) {
  console::Console& con = s.con();
  const console::Attr normal = con.colours().standard;
  std::string row5 = "Uwagi                       :";
  std::string row6 = "                             ";
  if (kind.IsReceipt()) row5 = "Nr faktury lub WZ           :";
  if (kind.IsSalesCorrection()) {
    row5 = "Nr faktury korygowanej      :";
    row6 = "Przyczyna korekty _ _ _ _ _ :";
  }
  if (kind.IsClass("KZ")) row5 = "Nr fak.korygujacej / do fak.:";
  if (kind.HasTag("ROLNIK")) row5 = "Nr dow. osobistego / nr stada";
  con.Say(5, 0, row5, normal);
  con.Say(6, 0, row6, normal);
  // Currency kinds: the rate line.
  if (kind.IsCurrencyKind()) {
    con.Say(7, 20, "Waluta:", normal);
    con.Say(7, 33, "Kurs:", normal);
    con.Say(7, 55, "Kwota:", normal);
  } else {
    con.ClearRegion(7, 20, 7, 79, normal);
  }
  if (kind.IsPurchase()) {
    con.Say(7, 0, "Data FV: ", normal);
  } else {
    con.ClearRegion(7, 0, 7, 19, normal);
  }
}

namespace {

// Row 24 for a mode (KLUCZ) and payment, code page 852: display shows the keys of entry.
std::string KeyLineText(int klucz, bool header, const DocKind* kind, std::string_view spz) {
  if (header) return "F1-Pomoc                                                             Esc-Wyjscie";
  std::string line("F1-Pomoc    F2-Rabat    F4-Edycja nagłowka   F5-DRUK                 Esc-Wyjscie"_pl);
  constexpr size_t kF4 = 24, kF4Length = 18;  // "F4-Edycja nagłowka" is shown in correction only
  if (klucz != 2) line.replace(kF4, kF4Length, kF4Length, ' ');
  constexpr size_t kF3 = 55;
  if (kind != nullptr && kind->IsReceipt() && XbaseEquals(spz, "G")) line.replace(kF3, 10, "F3-Druk KW");
  return line;
}

}  // namespace

void KeyLine(Session& s, bool header, const DocKind* kind) {
  console::Console& con = s.con();
  con.ClearRegion(kKeyRow, 0, kKeyRow, 79, con.colours().standard);
  con.Say(kKeyRow, 0, KeyLineText(Klucz(s), header, kind, s.vars().Text("M_SPZ")), con.colours().standard);
}

// ---- defaults, loading and showing ----

void PustyNag(Session& s) {
  Nag n;
  const Period period = PeriodOfHh(s.hh());
  std::optional<KindRecord> k = FindKind(s, s.settings().Rd());
  if (!k) {
    console::Okno_(s.con(), "Brak dowodu " + AllTrim(s.settings().Rd()) + " !!!", 0);
    if (xbase::WorkArea* slow = Area(s, "slow"); slow != nullptr) {
      const int order = slow->order();
      (void)slow->SetOrder(1);
      (void)slow->GoTop();
      if (!slow->eof()) k = FindKind(s, FieldText(*slow, "RD"));
      (void)slow->SetOrder(order);
    }
  }
  DocKind kind;
  if (k) {
    kind = k->kind;
    n.rd = kind.rd;
  }
  n.mag = (k && !k->mag.empty() && k->mag != "0") ? k->mag.substr(0, 1) : PadR(s.settings().MagGlow(), 1);
  const std::string own = AllTrim(s.vars().Text("M_NR_MAG"));
  if (!own.empty() && own.find(n.mag[0]) == std::string::npos) n.mag = own.substr(0, 1);
  n.data = PeriodDefaultDate(period, s.Today());
  const Payment p = NewDocumentPayment(s.settings().Spz(), s.settings().Tez(), kind);
  n.spz = p.spz;
  n.tez = p.tez;
  n.termin = n.data + p.tez;
  n.kto = std::string(1, kind.kto == ' ' ? 'O' : kind.kto);
  n.r_p = std::string(1, kind.r_p);
  n.s_z = std::string(1, kind.s_z);
  StoreNag(s, n);
  NewDocumentJpk(s, n.rd);
}

bool PelnyNag(Session& s) {
  xbase::WorkArea* dowod = Area(s, "dowod");
  if (dowod == nullptr || dowod->eof()) return false;
  Nag n;
  n.rd = PadR(FieldText(*dowod, "RD"), 3);
  n.nrd = PadR(FieldText(*dowod, "NRD"), 8);
  n.data = FieldDate(*dowod, "DATA");
  n.spz = PadR(FieldText(*dowod, "SPZ"), 1);
  n.tez = FieldNumber(*dowod, "TEZ");
  n.termin = n.data == kEmptyDate ? kEmptyDate : n.data + static_cast<int>(n.tez);
  n.mag = PadR(FieldText(*dowod, "MAG"), 1);
  n.kto = PadR(FieldText(*dowod, "KTO"), 1);
  n.odb = PadR(FieldText(*dowod, "ODB"), 8);
  n.nip_kraj = PadR(FieldText(*dowod, "NIP_KRAJ"), 2);
  n.regon = PadR(FieldText(*dowod, "REGON"), 13);
  n.nodb = PadR(FieldText(*dowod, "NODB"), 50);
  n.nodb1 = FieldText(*dowod, "NODB1");
  n.uodb = FieldText(*dowod, "UODB");
  n.kodb = FieldText(*dowod, "KODB");
  n.modb = FieldText(*dowod, "MODB");
  n.odbiorca = PadR(FieldText(*dowod, "ODBIORCA"), 254);
  n.odbiorc1 = PadR(FieldText(*dowod, "ODBIORC1"), 50);
  n.data_fa = FieldDate(*dowod, "DATA_FA");
  n.waluta = PadR(FieldText(*dowod, "WALUTA"), 3);
  n.kurs = FieldNumber(*dowod, "KURS");
  n.dolar = FieldNumber(*dowod, "DOLAR");
  n.r_p = PadR(FieldText(*dowod, "R_P"), 1);
  n.s_z = PadR(FieldText(*dowod, "S_Z"), 1);
  StoreNag(s, n);
  SetText(s, "M_OPERATOR", FieldText(*dowod, "OPERATOR"));
  // The marks go back with the header, or a correction would write them blank.
  SetText(s, "M_JPK_XX", PadR(FieldText(*dowod, "JPK_XX"), kJpkXxWidth));
  SetText(s, "M_TYP_DOK", PadR(FieldText(*dowod, "TYP_DOK"), kTypDokWidth));
  return true;
}

void SayPelnyNag(Session& s) {
  console::Console& con = s.con();
  const console::Attr a = con.colours().standard;
  const Nag n = LoadNag(s);
  con.Say(2, 4, n.rd, a);
  con.Say(2, 13, n.nrd, a);
  con.Say(2, 30, Dtoc(n.data), a);
  con.Say(2, 51, n.spz, a);
  con.Say(2, 53, PadL(std::to_string(static_cast<int>(n.tez)), 3), a);
  con.Say(2, 63, n.mag, a);
  con.Say(2, 72, n.odb, a);
  con.Say(4, 30, Left(n.nodb, 50), a);
  con.Say(5, 30, Left(n.odbiorca, 50), a);
  con.Say(6, 30, Left(n.odbiorc1, 50), a);
}

// ---- the header form ----

namespace {

class HeaderForm {
 public:
  HeaderForm(Session& s, int par) : s_(s), con_(s.con()), par_(par), klucz_(Klucz(s)), n_(LoadNag(s)) {
    kind_ = FindKind(s_, n_.rd);
    if (par_ == 1) own_odb_ = PadR(LTrim(n_.odb), 8);
  }

  // The fields shown for the kind: a field that does not apply is not on the form at all,
  // so it neither shows nor is edited.
  struct Layout {
    bool termin = false, regon = false, data_fa = false, currency = false;
    bool operator==(const Layout&) const = default;
  };
  Layout LayoutFor() const {
    Layout l;
    if (!kind_) return l;
    const DocKind& k = kind_->kind;
    l.termin = k.IsPurchase() || k.HasTag("SPZ=");
    l.regon = s_.settings().Text("J_GETNIP") == "T" && (k.kto == 'O' || k.kto == 'D' || k.kto == 'F') && k.r_p != 'K';
    l.data_fa = k.IsPurchase();
    l.currency = k.IsCurrencyKind();
    return l;
  }

  bool Run() {
    // F6 while the header is edited: the document's JPK marks.
    const bool f6_free = klucz_ != 1 && !con_.HasHotKey(key::F(6));
    if (f6_free) {
      con_.SetHotKey(key::F(6), [this](console::Console&) {
        if (kind_) (void)DoJpkXx(s_, kind_->kind, n_.data);
      });
    }
    struct F6Release {
      console::Console& con;
      bool installed;
      ~F6Release() {
        if (installed) con.ClearHotKey(key::F(6));
      }
    } release{con_, f6_free};
    int start = 0;
    for (;;) {
      layout_ = LayoutFor();
      rebuild_ = false;
      console::Form form(con_);
      Build(form);
      const console::ReadResult r = form.Read(start);
      if (rebuild_ && !r.escaped) {
        // The kind changed the fields of the form: go on after the kind with the new form.
        start = 1;
        DrawHeaderBox(s_);
        if (kind_) LabelRows(s_, kind_->kind);
        continue;
      }
      return Finish(r);
    }
  }

  // The fields in the order they are entered.
  void Build(console::Form& form) {
    BuildBoxFields(form);
    BuildNameFields(form);
    BuildRow7Fields(form);
  }

  // The ruled box, rows 1-2: kind, number, date, payment, warehouse, tax number and code.
  void BuildBoxFields(console::Form& form) {
    const bool entry = klucz_ == 0;
    const bool display = klucz_ == 1;
    // The codes shown in the kind and counterparty fields are proposals: the first
    // character typed replaces the code (@K) instead of being inserted before it.
    form.GetText(2, 4, n_.rd, "@K !!!").Valid([this] { return Done(SprRd()); }).When([this, entry] {
      return par_ == 0 || (entry && s_.op().Prawa1(1));
    });
    form.GetText(2, 13, n_.nrd, "!!!!!!!!").Valid([this] { return Check([this] { return SprNrd(); }); }).When([this, entry] {
      return !entry && par_ == 0;
    });
    form.GetDate(2, 30, n_.data).Valid([this] { return Check([this] { return SprData(); }); }).When([display] { return !display; });
    form.GetText(2, 51, n_.spz, "!").Valid([this] { return Check([this] { return SprSpz(); }); }).When([display] { return !display; });
    if (layout_.termin)
      form.GetDate(1, 46, n_.termin).Valid([this] { return Check([this] { return SprTermin(); }); }).When([display] { return !display; });
    form.GetNumber(2, 53, n_.tez, "999").Valid([this] { return Check([this] { return SprTez(); }); }).When([display] {
      return !display;
    });
    form.GetText(2, 63, n_.mag, "!").Valid([this] { return Check([this] { return SprMag(); }); }).When([display] { return !display; });
    if (layout_.regon)
      form.GetText(1, 67, n_.regon, "!!!!!!!!!!!!!").Valid([this] { return Check([this] { return SprNip(); }); }).When([this, display] {
        return !display && IsBlank(n_.odb);
      });
    form.GetText(2, 72, n_.odb, "@K !!!!!!!!").Valid([this] { return Check([this] { return SprOdb(); }); }).When([display] {
      return !display;
    });
  }

  // Rows 4-6: the counterparty's name and the two rows the kind labels.
  void BuildNameFields(console::Form& form) {
    const bool display = klucz_ == 1;
    const std::string name_picture(50, s_.FileX("LITERY_M.TXT") ? 'X' : '!');
    form.GetText(4, 30, n_.nodb, name_picture).Valid([this] { return Check([this] { return VatNodb(); }); }).When([display] {
      return !display;
    });
    form.GetText(5, 30, n_.odbiorca).Width(50).When([display] { return !display; });
    form.GetText(6, 30, n_.odbiorc1).Width(50).When([display] { return !display; });
  }

  // Row 7: the purchase invoice's date, the currency with its rate and amount.
  void BuildRow7Fields(console::Form& form) {
    const bool display = klucz_ == 1;
    if (layout_.data_fa) form.GetDate(7, 9, n_.data_fa).When([display] { return !display; });
    if (layout_.currency) {
      form.GetText(7, 28, n_.waluta, "!!!").Valid([this] { return Check([this] { return SprWaluta(); }); }).When([display] {
        return !display;
      });
      form.GetNumber(7, 39, n_.kurs, "@Z 99999.999999").Valid([this] { return Check([this] { return SprKurs(); }); }).When([display] {
        return !display;
      });
      form.GetNumber(7, 62, n_.dolar, "@Z 999999999.99").When([display] { return !display; });
    }
  }

  bool Finish(const console::ReadResult& r) {
    StoreNag(s_, n_);
    if (r.escaped) return false;
    if (!kind_) return false;
    if (n_.data_fa == kEmptyDate) n_.data_fa = n_.data;
    StoreNag(s_, n_);
    return true;
  }

 private:
  // Every check stores what it left in the header, so the routines after it see it.
  bool Done(bool ok) {
    StoreNag(s_, n_);
    return ok;
  }
  // While the form is rebuilt the field after the kind is left at once, unchecked.
  template <typename F>
  bool Check(F&& check) {
    if (rebuild_) return true;
    return Done(check());
  }
  bool Up() const { return con_.LastKey() == key::kUp; }

  // ---- the kind ----
  bool SprRd() {
    if (Up()) return true;
    n_.rd = PadR(Upper(AllTrim(n_.rd)), 3);
    std::optional<KindRecord> k = TypedOrChosenKind();
    if (!k) return false;
    const DocKind& kind = k->kind;
    if (!KindAllowed(kind)) return false;
    if (kind.HasTag("FAKTURA ZALICZKOWA ")) console::Okno_(s_.con(), "FAKTURA ZALICZKOWA ?", 0);

    const bool changed = !kind_ || kind_->kind.rd != kind.rd;
    TakeKindWarehouse(*k);
    if (klucz_ == 0) ProposeNumberFor(*k);
    if (klucz_ == 0 && changed) NewDocumentJpk(s_, kind.rd);  // the marks belong to the kind
    TakeKindPayment(kind);
    const char nb = DocumentBasis(kind);
    if (changed && kind_) LinesFollowKind(kind, nb);
    n_.kto = std::string(1, kind.kto == ' ' ? 'O' : kind.kto);
    n_.r_p = std::string(1, kind.r_p);
    n_.s_z = std::string(1, kind.s_z);
    n_.nb = std::string(1, nb);
    n_.poziom = kind.poziom;
    kind_ = k;
    ForceConsignmentWarehouse();
    if (kind.IsTransfer() && kind.HasTag("PARAGON")) SellOverCounter();
    EuroDefault();
    if (kind.IsSalesCorrection() && IsBlank(n_.odbiorc1)) ProposeCorrectionReason(kind);
    LabelRows(s_, kind);
    if (!(LayoutFor() == layout_)) {
      rebuild_ = true;
      con_.Keyboard({key::kCtrlEnd});  // ends this READ on the next field
    }
    return true;
  }

  // The kind typed, else the one chosen from the help list of kinds.
  std::optional<KindRecord> TypedOrChosenKind() {
    std::optional<KindRecord> k = FindKind(s_, n_.rd);
    if (!k) {
      xbase::WorkArea* slow = Area(s_, "slow");
      if (slow == nullptr) return std::nullopt;
      const std::string start = kind_ ? kind_->kind.rd : PadR(s_.settings().Rd(), 3);
      if (!HelpList(s_, *slow, start, {{"RD", 3}, {"OPIS", 50}}, "Rodzaje dowodow")) return std::nullopt;
      n_.rd = PadR(FieldText(*slow, "RD"), 3);
      k = FindKind(s_, n_.rd);
    }
    return k;
  }

  // The kinds the operator may not write: those of M_RD_POMIN without right 7, those
  // tagged "\xFA" without right 1. A pro-forma document moves nothing: anyone may write one.
  bool KindAllowed(const DocKind& kind) {
    const bool proforma = kind.HasTag("PROFORMA");
    const std::string pominac = s_.vars().Text("M_RD_POMIN");
    if (!proforma && !pominac.empty() && pominac.find("," + AllTrim(kind.rd) + ",") != std::string::npos &&
        !s_.op().Prawa(7)) {
      Refuse(s_, "Ta zabawa nie dla ciebie");
      return false;
    }
    if (!proforma && kind.HasTag("\xFA") && !s_.op().Prawa(1)) {
      Refuse(s_, "Brak praw do " + AllTrim(kind.rd));
      return false;
    }
    return true;
  }

  // The warehouse of the kind (or the main one), within the operator's own warehouses.
  void TakeKindWarehouse(const KindRecord& k) {
    n_.mag = (!k.mag.empty() && k.mag != "0") ? k.mag.substr(0, 1) : PadR(s_.settings().MagGlow(), 1);
    const std::string own = AllTrim(s_.vars().Text("M_NR_MAG"));
    if (!own.empty() && own.find(n_.mag[0]) == std::string::npos) n_.mag = own.substr(0, 1);
  }

  // The kind's payment (a new document also takes the one its tags give).
  void TakeKindPayment(const DocKind& kind) {
    Payment p = KindPayment(kind, s_.settings().Spz(), {PadR(n_.spz, 1), static_cast<int>(n_.tez)});
    if (klucz_ == 0) p = PaymentFromTags(kind, p);
    if (kind.IsSale() && p.spz == "B") p = {"G", 0};
    n_.spz = p.spz;
    n_.tez = p.tez;
    n_.termin = n_.data == kEmptyDate ? kEmptyDate : n_.data + p.tez;
  }

  // Lines already typed follow a changed kind.
  void LinesFollowKind(const DocKind& kind, char nb) {
    if (xbase::WorkArea* dd = Area(s_, "dd"); dd != nullptr) {
      LineHeader h{kind.rd, n_.nrd, kind.r_p, kind.s_z, std::string(1, kind.kto), nb};
      auto r = ChangeKindOfLines(*dd, h);
      if (!r.ok()) Refuse(s_, "Błąd zapisu pozycji dowodu"_pl);
    }
  }

  // A transfer sold over the counter: cash, to the customer "PARAGON ".
  void SellOverCounter() {
    n_.spz = "G";
    n_.tez = 0;
    n_.termin = n_.data;
    if (EnsureCustomer(s_, "PARAGON ", "PARAGON")) {
      TakeCounterparty(*Area(s_, "zo"));
    } else {
      n_.odb = "PARAGON ";
    }
  }

  // The kind's usual reason of correction (after "#" in its description), with its print
  // form FORMAT.<RD>.
  void ProposeCorrectionReason(const DocKind& kind) {
    const size_t hash = kind.opis.find('#');
    if (hash != std::string::npos && s_.FileX("FORMAT." + AllTrim(kind.rd)))
      n_.odbiorc1 = PadR(AllTrim(kind.opis.substr(hash + 1)), 50);
  }

  char DocumentBasis(const DocKind& kind) {
    if (kind.s_z != 'S') return ' ';
    const std::string df = s_.settings().Text("J_DF");
    const bool in_df = !IsBlank(df) && df.find(AllTrim(kind.rd)) != std::string::npos;
    return (kind.nb == 'B' || IsRetailKind(s_, kind) || in_df) ? 'B' : 'N';
  }

  bool Taken(const std::string& rd, const std::string& nrd) {
    xbase::WorkArea* dowod = Area(s_, "dowod");
    return dowod != nullptr && SeekFirstOrder(*dowod, rd + nrd);
  }

  void ProposeNumberFor(const KindRecord& k) {
    const std::string rd = k.kind.rd;
    long long last = k.nrd;
    if (k.kind.HasTag("DYSK")) {
      last = HighestNumber(rd);
      if (xbase::WorkArea* slow = Area(s_, "slow"); slow != nullptr && SeekFirstOrder(*slow, rd)) {
        if (slow->LockRecord().ok()) {
          // Only a proposal: posting takes the number afresh against `dowod`.
          (void)slow->Replace("NRD", xbase::Value(static_cast<double>(last)));
          (void)slow->UnlockRecord(slow->recno());
        }
      }
    }
    n_.nrd = ProposeNumber(last, [&](const std::string& nrd) { return Taken(rd, nrd); });
  }

  // The highest number of the kind in dowod (numbers are right-aligned, so the last key
  // of the kind is the highest).
  long long HighestNumber(const std::string& rd) {
    xbase::WorkArea* dowod = Area(s_, "dowod");
    if (dowod == nullptr) return 0;
    const int order = dowod->order();
    (void)dowod->SetOrder(1);
    long long highest = 0;
    auto r = dowod->SeekKey(rd + std::string(8, '\x7E'), true);
    if (r.ok()) {
      if (dowod->eof()) {
        (void)dowod->GoBottom();
      } else {
        (void)dowod->Skip(-1);
      }
      if (!dowod->eof() && !dowod->bof() && PadR(FieldText(*dowod, "RD"), 3) == rd)
        highest = static_cast<long long>(Val(FieldText(*dowod, "NRD")));
    }
    (void)dowod->SetOrder(order);
    return highest;
  }

  // ---- the number (display and correction) ----
  bool SprNrd() {
    if (Up()) return true;
    const std::string nrd = NormalizeTypedNrd(n_.nrd);
    if (nrd.empty() || (klucz_ == 0 && Val(nrd) == 0)) return false;
    n_.nrd = nrd;
    if (!kind_) return false;
    const std::string rd = kind_->kind.rd;
    xbase::WorkArea* dow = Area(s_, "dow");
    const bool lines = dow != nullptr && SeekFirstOrder(*dow, rd + nrd);
    if (!lines) {
      if (kind_->kind.HasTag("[NRD]")) {
        return true;
      }
      Refuse(s_, "2. NIE MA TAKIEGO DOKUMENTU");
      return false;
    }
    if (!Taken(rd, nrd)) {
      Refuse(s_, "1. NIE MA TAKIEGO DOKUMENTU");
      return false;
    }
    // A document another station is correcting is not corrected here at the same time
    // (it is held until that correction ends; the hold itself is taken when the lines load).
    xbase::WorkArea* dowod = Area(s_, "dowod");
    if (klucz_ == 2 && dowod != nullptr && HeldElsewhere(s_.env(), s_.root(), dowod->recno())) {
      Refuse(s_, std::string("Dowód "_pl) + AllTrim(rd) + "-" + AllTrim(nrd) + std::string(" poprawiany na innym stanowisku"_pl));
      return false;
    }
    PelnyNag(s_);
    n_ = LoadNag(s_);
    own_odb_ = PadR(LTrim(n_.odb), 8);
    SayPelnyNag(s_);
    // An invoice the national e-invoice system has numbered is what the buyer received
    // from it: changed in place it would no longer be; a correcting invoice changes it.
    if (klucz_ == 2 && dowod != nullptr && dowod->FieldIndex("KSEF") >= 0 && !IsBlank(FieldText(*dowod, "KSEF"))) {
      Refuse(s_, "Faktura jest w KSeF - zmien ja faktura korygujaca");
      return false;
    }
    if (klucz_ == 2) return CorrectionAllowed();
    return true;
  }

  bool CorrectionAllowed() {
    CorrectionGuardInput in;
    in.kind = kind_->kind;
    in.uzgodnic = kind_->uzgodnic;
    in.spz = n_.spz;
    in.has_settlement_entries = HasSettlementEntries(kind_->kind.rd, n_.nrd);
    in.fiscal_kind = IsFiscalKind(s_, kind_->kind);
    in.fiscal_printer = s_.vars().Logical("JEST_DF_300");
    in.data = n_.data;
    in.today = s_.Today();
    in.author = s_.vars().Text("M_OPERATOR");
    in.operator_nr = s_.op().nr;
    in.right1 = s_.op().Prawa(1);
    in.right7 = s_.op().Prawa(7);
    in.right14 = s_.op().Prawa(14);
    SessionCorrectionDialog dialog(s_, kind_->kind.rd, n_.nrd);
    return documents::CorrectionAllowed(in, dialog);
  }

  // True when fa_N shows the document settled: an entry of it matched with a payment (its
  // ZAP mark set by the settlement screens) or a payment entered by hand against it (MAG
  // "0"). The open item its own posting wrote does not count: that one the correction
  // rewrites.
  bool HasSettlementEntries(const std::string& rd, const std::string& nrd) {
    xbase::WorkArea* fa = Area(s_, "fa_N");
    if (fa == nullptr) return false;
    const uint32_t keep = fa->recno();
    const int order = fa->order();
    bool settled = false;
    for (uint32_t r : posting_internal::RecordsOf(*fa, PadR(rd, 3), PadL(AllTrim(nrd), 8))) {
      if (!fa->GoTo(r).ok()) continue;
      if (!IsBlank(FieldText(*fa, "ZAP")) || FieldText(*fa, "MAG") == "0") {
        settled = true;
        break;
      }
    }
    if (fa->order() != order) (void)fa->SetOrder(order);  // only the area's position
    if (keep != 0) (void)fa->GoTo(keep);
    return settled;
  }

  // ---- the date ----
  bool SprData() {
    if (Up()) return true;
    DateCheckInput in;
    in.data = n_.data;
    in.today = s_.Today();
    in.period = PeriodOfHh(s_.hh());
    in.entry_mode = klucz_ == 0;
    in.right14 = s_.op().Prawa(14);
    in.poprawa_marker = s_.FileX("POPRAWA.TXT");
    DateVerdict v = CheckDate(in);
    Messages(s_, v.messages);
    n_.data = v.data;
    if (!v.accepted) return false;
    if (kind_ && kind_->kind.IsSale() && klucz_ != 1) {
      v = DateOrder(in.period);
      Messages(s_, v.messages);
      if (!v.accepted) return false;
    }
    n_.termin = n_.data + static_cast<int>(n_.tez);
    if (n_.data_fa == kEmptyDate) n_.data_fa = n_.data;
    EuroDefault();
    return true;
  }

  DateVerdict DateOrder(const Period& period) {
    DateConflictInput c;
    c.rd = kind_->kind.rd;
    c.data = n_.data;
    c.today = s_.Today();
    c.right1 = s_.op().Prawa(1);
    const long long previous = static_cast<long long>(Val(n_.nrd)) - 1;
    xbase::WorkArea* dowod = Area(s_, "dowod");
    if (previous > 0 && dowod != nullptr && SeekFirstOrder(*dowod, c.rd + FormatNrd(previous))) {
      c.prev_nrd = FormatNrd(previous);
      c.prev_data = FieldDate(*dowod, "DATA");
      c.prev_in_other_period = period.month > 0 && !period.Contains(c.prev_data);
    }
    return CheckDateOrder(c);
  }

  // ---- payment ----
  bool CheckAndShowPayment() {
    PaymentCheckInput in;
    in.payment = {PadR(n_.spz, 1), static_cast<int>(n_.tez)};
    in.kind = kind_ ? kind_->kind : DocKind{};
    in.j_tez = s_.settings().Tez();
    PaymentVerdict v = CheckPayment(in);
    Messages(s_, v.messages);
    n_.spz = PadR(v.payment.spz, 1);
    n_.tez = v.payment.tez;
    n_.termin = n_.data == kEmptyDate ? kEmptyDate : n_.data + v.payment.tez;
    return v.accepted;
  }
  bool SprSpz() { return Up() || CheckAndShowPayment(); }
  bool SprTez() {
    if (Up()) return true;
    if (n_.tez < 0) n_.tez = 0;
    return CheckAndShowPayment();
  }
  bool SprTermin() {
    if (Up()) return true;
    DueDateVerdict v = CheckDueDate(n_.termin, n_.data, kind_ ? kind_->kind : DocKind{}, AllTrim(n_.spz));
    if (!v.accepted) {
      con_.Beep();
      n_.termin = n_.data + static_cast<int>(n_.tez);
      return false;
    }
    n_.tez = v.tez;
    return true;
  }

  // ---- warehouse ----
  bool SprMag() {
    if (Up()) return true;
    if (IsBlank(n_.mag) || n_.mag == "0") {
      Refuse(s_, "MUSISZ WPISAC NR MAGAZYNU");
      return false;
    }
    const std::string own = AllTrim(s_.vars().Text("M_NR_MAG"));
    if (!own.empty() && own.find(n_.mag[0]) == std::string::npos) {
      Refuse(s_, "To nie jest twoj magazyn!");
      return false;
    }
    ForceConsignmentWarehouse();
    if (kind_ && IsRetailKind(s_, kind_->kind) && n_.spz == "C" && IsBlank(n_.odb)) {
      // A retail sale paid by card is booked to the card customer.
      if (EnsureCustomer(s_, kCardCustomer, "KARTA PLATNICZA")) {
        TakeCounterparty(*Area(s_, "zo"));
        n_.regon = std::string(13, ' ');
        n_.nip_kraj = "  ";
      }
    }
    return true;
  }

  // Sales of consigned goods (tags KOMIS, VAT MARZA) stay in the consignment warehouses.
  void ForceConsignmentWarehouse() {
    if (!kind_) return;
    if (auto c = ConsignmentWarehouseFor(kind_->kind, n_.mag, s_.settings().Text("J_MAG_KOMI"))) {
      Message(s_, c->message);
      n_.mag = c->mag;
    }
  }

  // ---- tax number ----
  bool SprNip() {
    if (Up()) return true;
    if (IsBlank(n_.regon)) return true;
    if (IsBlank(n_.odb)) FindByNip();
    const std::string nip = AllTrim(n_.nip_kraj) + AllTrim(n_.regon);
    const NipCheck c = CheckNip(nip, s_.FileX("PESEL.TXT"));
    if (c == NipCheck::kWrong) {
      console::Okno_(s_.con(), "ZŁY NIP"_pl, 0);
      // A number of the wrong length cannot be a tax number at all: it is not taken.
      const size_t digits = DigitsOf(nip).size();
      if (digits != 10 && !(digits == 11 && s_.FileX("PESEL.TXT"))) return false;
    }
    return true;
  }

  void FindByNip() {
    if (!kind_) return;
    xbase::WorkArea* a = Area(s_, CatalogueAlias(std::string(1, kind_->kind.kto)));
    if (a == nullptr || a->FieldIndex("REGON") < 0) return;
    const std::string wanted = DigitsOf(n_.regon);
    if (wanted.empty()) return;
    const uint32_t keep = a->recno();
    const int order = a->order();
    (void)a->SetOrder(0);
    bool found = false;
    for ((void)a->GoTop(); !a->eof(); (void)a->Skip(1)) {
      if (DigitsOf(FieldText(*a, "REGON")) == wanted) {
        found = true;
        break;
      }
    }
    if (found) {
      n_.odb = PadR(FieldText(*a, "ODB"), 8);
      n_.regon = PadR(FieldText(*a, "REGON"), 13);
      n_.nip_kraj = PadR(FieldText(*a, "NIP_KRAJ"), 2);
    }
    (void)a->SetOrder(order);
    if (!found) (void)a->GoTo(keep);
  }

  // ---- counterparty ----
  void ClearCounterparty() {
    n_.nodb = std::string(50, ' ');
    n_.nodb1.clear();
    n_.uodb.clear();
    n_.kodb.clear();
    n_.modb.clear();
    n_.tel.clear();
    n_.regon = std::string(13, ' ');
    n_.nip_kraj = "  ";
    n_.rabat = 0;
  }

  void TakeCounterparty(const xbase::WorkArea& a) {
    n_.odb = PadR(FieldText(a, "ODB"), 8);
    n_.nodb = PadR(FieldText(a, "NODB"), 50);
    n_.nodb1 = FieldText(a, "NODB1");
    n_.uodb = FieldText(a, "UODB");
    n_.kodb = FieldText(a, "KODB");
    n_.modb = FieldText(a, "MODB");
    n_.tel = FieldText(a, "TEL");
    n_.nip_kraj = PadR(FieldText(a, "NIP_KRAJ"), 2);
    n_.regon = PadR(FieldText(a, "REGON"), 13);
    n_.rabat = FieldNumber(a, "RABAT");
    if (a.FieldIndex("POZIOM") >= 0) n_.poziom = FieldNumber(a, "POZIOM");
    for (const char* f : {"RABAT2", "RABAT3", "RABAT4", "TRASA", "BODB", "NRBO", "MIEJSCE", "MIEJSCE2"}) {
      if (a.FieldIndex(f) < 0) continue;
      auto v = a.Get(f);
      if (v.ok()) s_.vars().Set(std::string("M_") + f, *v);
    }
  }

  bool SprOdb() {
    if (Up()) return true;
    if (!kind_) return false;
    const DocKind& kind = kind_->kind;
    n_.odb = PadR(LTrim(n_.odb), 8);
    if (IsBlank(n_.odb)) {
      if (kind.RdIs("ZAM")) {
        Refuse(s_, "KTO ZAMAWIA ??");
        return false;
      }
      if (kind.RdIs("WZ")) {
        if (klucz_ != 2) {
          Refuse(s_, "KOMU DAJESZ ??");
          return false;
        }
        n_.odb = "DETAL   ";
        (void)EnsureCustomer(s_, n_.odb, "DETAL");
      } else {
        ClearCounterparty();
        return true;
      }
    }
    // A document edited again keeps its own counterparty data and payment while its code
    // stays: the card may have changed since, the document says what was agreed.
    if (!own_odb_.empty() && !IsBlank(own_odb_) && n_.odb == own_odb_) return true;
    // The counterparties the program fills in by itself live among the customers.
    const bool own_customer = (kind.IsTransfer() && kind.HasTag("PARAGON") && n_.odb == "PARAGON ") ||
                              (kind.RdIs("WZ") && n_.odb == "DETAL   ");
    xbase::WorkArea* a = Area(s_, own_customer ? std::string_view("zo") : CatalogueAlias(std::string(1, kind.kto)));
    if (a == nullptr) return false;
    bool found = SeekFirstOrder(*a, n_.odb);
    if (!found) found = SeekFirstOrder(*a, RTrim(n_.odb));
    if (!found) {
      found = HelpList(s_, *a, RTrim(n_.odb), {{"ODB", 8}, {"NODB", 36}, {"MODB", 14}}, "Kontrahenci");
      if (!found) {
        ClearCounterparty();
        Refuse(s_, "BRAK KONTRAHENTA O PODANYM KODZIE");
        found = NowyOdb(*a);
        if (!found) return false;
      }
    }
    TakeCounterparty(*a);
    // An issue note is never paid (its invoice is), whatever the customer's terms.
    if (kind.IsSale() && !kind.RdIs("WZ") && a->FieldIndex("SPZ") >= 0) {
      CustomerPayment c = CustomerPaymentOf({PadR(n_.spz, 1), static_cast<int>(n_.tez)}, FieldText(*a, "SPZ"),
                                            static_cast<int>(FieldNumber(*a, "TEZ")));
      Messages(s_, c.messages);
      if (c.changed) {
        n_.spz = c.payment.spz;
        n_.tez = c.payment.tez;
        n_.termin = n_.data == kEmptyDate ? kEmptyDate : n_.data + c.payment.tez;
      }
    }
    return true;
  }

  // NOWY_ODB: a new counterparty under the typed code. True with the area on it.
  bool NowyOdb(xbase::WorkArea& a) {
    console::Console& con = s_.con();
    const console::SavedScreen saved = con.SaveScreen();
    std::string odb = n_.odb, nodb(50, ' '), nodb1(50, ' '), uodb(25, ' '), kodb(6, ' '), modb(20, ' '),
                regon(13, ' ');
    constexpr int kTop = 8, kLeft = 2, kBottom = 17, kRight = 77;
    con.Box(kTop, kLeft, kBottom, kRight, console::DoubleFrame(), con.colours().standard, ' ');
    con.Say(kTop, kLeft + 2, " Nowy kontrahent ");
    console::Form f(con);
    f.Say(9, 4, "Kod        :");
    f.GetText(9, 17, odb, "!!!!!!!!").Valid([&] { return !IsBlank(odb); });
    f.Say(10, 4, "Nazwa      :");
    f.GetText(10, 17, nodb, std::string(50, 'X')).Valid([&] { return !IsBlank(nodb); });
    f.Say(11, 4, "Nazwa cd.  :");
    f.GetText(11, 17, nodb1, std::string(50, 'X'));
    f.Say(12, 4, "Ulica      :");
    f.GetText(12, 17, uodb, std::string(25, 'X'));
    f.Say(13, 4, "Kod poczt. :");
    f.GetText(13, 17, kodb, "XXXXXX");
    f.Say(14, 4, "Miasto     :");
    f.GetText(14, 17, modb, std::string(20, 'X'));
    f.Say(15, 4, "NIP        :");
    f.GetText(15, 17, regon, std::string(13, '!'));
    const console::ReadResult r = f.Read();
    con.RestoreScreen(saved);
    if (r.escaped || IsBlank(odb) || IsBlank(nodb)) return false;
    odb = PadR(LTrim(odb), 8);
    if (SeekFirstOrder(a, odb)) {  // someone else wrote it meanwhile: take theirs
      n_.odb = odb;
      return true;
    }
    if (!a.Append().ok()) return false;
    Status st = a.Replace("ODB", xbase::Value(odb));
    if (st.ok()) st = a.Replace("NODB", xbase::Value(nodb));
    if (st.ok() && a.FieldIndex("NODB1") >= 0) st = a.Replace("NODB1", xbase::Value(nodb1));
    if (st.ok() && a.FieldIndex("UODB") >= 0) st = a.Replace("UODB", xbase::Value(uodb));
    if (st.ok() && a.FieldIndex("KODB") >= 0) st = a.Replace("KODB", xbase::Value(kodb));
    if (st.ok() && a.FieldIndex("MODB") >= 0) st = a.Replace("MODB", xbase::Value(modb));
    if (st.ok() && a.FieldIndex("REGON") >= 0) st = a.Replace("REGON", xbase::Value(regon));
    const Status u = a.Unlock();
    if (!st.ok() || !u.ok()) return false;
    n_.odb = odb;
    return SeekFirstOrder(a, odb);
  }

  // ---- name ----
  bool VatNodb() {
    const int k = con_.LastKey();
    if (k == key::kUp) return true;
    if (!kind_) return true;
    const DocKind& kind = kind_->kind;
    const bool invoice = kind.s_z == 'S' && (kind.r_p == 'R' || kind.r_p == 'K') && kind.RdIs("F") &&
                         kind.rd.find('-') == std::string::npos && !IsRetailKind(s_, kind);
    if (invoice && IsBlank(n_.nodb)) {
      Refuse(s_, "Wpisz nazwe i nr identyfikacyjny !");
      return false;
    }
    if ((k == key::kPgUp || k == key::kPgDn) && IsBlank(n_.regon) && !IsBlank(n_.odb)) {
      const bool gross_purchase_invoice = kind.IsPurchase() && kind.IsGross() && (kind.RdIs("FD") || kind.RdIs("FZ"));
      if (gross_purchase_invoice || s_.FileX("PUSTYNIP.TXT") || kind.HasTag("PUSTYNIP") || kind.HasTag("[FISK]")) {
        Refuse(s_, "Wpisz NIP !!");
        if (kind.HasTag("[FISK]")) return false;
      }
    }
    return true;
  }

  // ---- currency ----
  bool SprWaluta() {
    if (Up()) return true;
    if (IsBlank(n_.waluta)) {
      n_.waluta = DefaultCurrency(s_.settings().Text("J_WAL"));
      return false;
    }
    if (!IsForeignCurrency(n_.waluta)) {
      n_.kurs = 1;
      auto_kurs_.reset();
      return true;
    }
    if (n_.kurs == 0 || auto_kurs_) {
      if (std::optional<double> rate = StoredRate()) {
        n_.kurs = *rate;
        auto_kurs_ = *rate;
      }
    }
    return true;
  }

  // The rate typed is kept in `wal` for the currency and the document's date.
  bool SprKurs() {
    if (Up()) return true;
    if (n_.kurs < 0) return false;
    if (auto_kurs_ && SameAmount(*auto_kurs_, n_.kurs, 6)) return true;  // proposed, not typed
    auto_kurs_.reset();
    if (!IsForeignCurrency(n_.waluta) || n_.kurs == 0) return true;
    std::optional<double> stored = StoredRate();
    if (stored && SameAmount(*stored, n_.kurs, 6)) return true;
    if (xbase::WorkArea* wal = Area(s_, "wal"); wal != nullptr) {
      if (!StoreRate(*wal, n_.waluta, n_.data, n_.kurs).ok()) console::Okno_(s_.con(), "Kurs nie zapisany w tabeli walut", 3);
    }
    return true;
  }

  std::optional<double> StoredRate() {
    xbase::WorkArea* wal = Area(s_, "wal");
    if (wal == nullptr) return std::nullopt;
    return RateFor(*wal, n_.waluta, n_.data);
  }

  // A new sale of a kind tagged "[EUR]" starts in J_WAL (else "EUR") at the rate of
  // `wal` for its date (4.0 when there is none, unless the marker KURS_EUR.1 asks for it
  // to be typed). A proposed rate follows the date until the operator types one.
  void EuroDefault() {
    if (klucz_ != 0 || !kind_ || !kind_->kind.IsSale() || !kind_->kind.HasTag("[EUR]")) return;
    if (IsBlank(n_.waluta)) {
      n_.waluta = DefaultCurrency(s_.settings().Text("J_WAL"));
      n_.kurs = 0;
    }
    if (n_.kurs != 0 && !auto_kurs_) return;
    std::optional<double> rate = StoredRate();
    n_.kurs = rate ? *rate : FallbackEuroRate(s_.FileX("KURS_EUR.1"));
    auto_kurs_ = n_.kurs;
  }

  Session& s_;
  console::Console& con_;
  int par_;
  int klucz_;
  Nag n_;
  std::string own_odb_;  // the counterparty code of a document edited again
  std::optional<KindRecord> kind_;
  Layout layout_;
  bool rebuild_ = false;
  std::optional<double> auto_kurs_;  // the rate proposed, while the operator has not typed one
};

}  // namespace

bool EdNag(Session& s, int par) {
  HeaderForm form(s, par);
  return form.Run();
}

bool Ekran(Session& s, int par, std::string_view rd, std::string_view nrd) {
  const int klucz = Klucz(s);
  if (!rd.empty()) {
    xbase::WorkArea* dowod = Area(s, "dowod");
    const std::string key = PadR(Upper(rd), 3) + PadL(AllTrim(nrd), 8);
    if (dowod == nullptr || !SeekFirstOrder(*dowod, key)) {
      Refuse(s, "1. NIE MA TAKIEGO DOKUMENTU");
      return false;
    }
    PelnyNag(s);
    std::optional<KindRecord> k = FindKind(s, rd);
    DrawDocumentScreen(s, k ? &k->kind : nullptr);
    SayPelnyNag(s);
    if (klucz == 1) return true;
    return EdNag(s, 1);
  }
  if (klucz == 0 && par == 0) {
    PustyNag(s);
  } else if (par == 0) {
    // Display and correction start from the usual kind and an empty number.
    PustyNag(s);
    SetText(s, "M_NRD", std::string(8, ' '));
  }
  std::optional<KindRecord> k = FindKind(s, s.vars().Text("M_RD"));
  DrawDocumentScreen(s, k ? &k->kind : nullptr);
  SayPelnyNag(s);
  return EdNag(s, par);
}

std::optional<std::string> EarlierSupplierDocument(Session& s) {
  const Nag n = LoadNag(s);
  std::optional<KindRecord> k = FindKind(s, n.rd);
  if (!k || !k->kind.IsClass("PZ") || IsBlank(n.odb) || IsBlank(n.odbiorca)) return std::nullopt;
  xbase::WorkArea* dowod = Area(s, "dowod");
  if (dowod == nullptr) return std::nullopt;
  const uint32_t keep = dowod->recno();
  const int order = dowod->order();
  std::optional<std::string> earlier;
  if (dowod->SetOrder(1).ok()) {
    auto r = dowod->SeekKey(n.rd);
    for (bool on = r.ok() && *r; on && !dowod->eof(); on = dowod->Skip(1).ok()) {
      if (PadR(FieldText(*dowod, "RD"), 3) != n.rd) break;
      if (PadR(FieldText(*dowod, "ODB"), 8) != n.odb) continue;
      if (!SameSupplierDocument(FieldText(*dowod, "ODBIORCA"), n.odbiorca)) continue;
      const std::string nrd = PadR(FieldText(*dowod, "NRD"), 8);
      if (nrd == n.nrd) continue;
      earlier = RTrim(n.rd) + "-" + AllTrim(nrd);
      break;
    }
  }
  (void)dowod->SetOrder(order);
  if (keep != 0) (void)dowod->GoTo(keep);
  return earlier;
}

}  // namespace hurt::documents
