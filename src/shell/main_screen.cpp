#include "shell/main_screen.h"

#include <sys/stat.h>
#include <unistd.h>

#include <ctime>

#include "base/cp852.h"
#include "base/date.h"
#include "base/text.h"
#include "session/area_fields.h"
#include "session/helpers.h"
#include "session/session.h"

namespace hurt::shell {

namespace {

using namespace hurt::literals;
using console::AttrOf;

constexpr unsigned char Glyph(std::string_view one) { return static_cast<unsigned char>(one.front()); }

// The computer picture: its case, the screen inside it (18 columns wide from column 5,
// the width every text on it is centred in) and the keyboard under it.
constexpr int kPictureTop = 14;
constexpr int kScreenTextLeft = 5;
constexpr int kScreenTextWidth = 18;
constexpr int kTitleRow = 16;
constexpr int kProgramDateRow = 17;
constexpr int kPeriodRow = 18;
constexpr int kProgramNameRow = 19;
constexpr int kCompanyRow = 23;
constexpr int kCompanyWidth = 32;
constexpr int kKeyRow = 24;

// A text from the company record in work area 1; "" when the table or field is missing.
std::string FirmaText(Session& session, std::string_view field) {
  xbase::WorkArea* firma = session.areas().Area(1);
  return firma == nullptr ? std::string() : session::FieldText(*firma, field);
}

struct ProgramFile {
  std::string name;  // without folder and extension
  std::string date;  // dd.mm.yyyy of its last change
};

// The running program's own file (D_EXE and the name under the title).
ProgramFile ThisProgram(Session& session) {
  ProgramFile out;
  char buf[4096];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n > 0) {
    std::string path(buf, static_cast<size_t>(n));
    // A program file replaced while it runs (an update) is named "... (deleted)" there.
    constexpr std::string_view kReplaced = " (deleted)";
    if (path.ends_with(kReplaced)) path.resize(path.size() - kReplaced.size());
    std::string base = path.substr(path.find_last_of('/') + 1);
    const size_t dot = base.find('.');
    out.name = dot == std::string::npos ? base : base.substr(0, dot);
    struct stat st {};
    if (stat(path.c_str(), &st) == 0) {
      std::tm tm{};
      const time_t t = st.st_mtime;
      if (localtime_r(&t, &tm) != nullptr) out.date = Dtoc(JulianFromYmd(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday));
    }
  }
  const xbase::Value& d_exe = session.vars().Get("D_EXE");
  if (d_exe.IsDate() && d_exe.AsDate().day != kEmptyDate) out.date = Dtoc(d_exe.AsDate().day);
  return out;
}

// KOMPUTER(14, 0): a monitor on a stand with a keyboard, drawn over the background.
void Komputer(Session& session, console::ScreenBuffer& s) {
  const console::Attr casing = AttrOf("N/W");
  const console::Attr glass = AttrOf("W+/N");
  const console::Attr keys = AttrOf("W/N");
  // Case: rows 14-21, columns 2-25; the glass inside at rows 15-20, columns 4-23.
  s.Box(kPictureTop, 2, kPictureTop + 7, 25, console::DoubleFrame(), casing, ' ');
  s.Box(kPictureTop + 1, 4, kPictureTop + 6, 23, console::SingleFrame(), casing, ' ');
  s.Fill(kPictureTop + 2, kScreenTextLeft, kPictureTop + 5, kScreenTextLeft + kScreenTextWidth - 1, ' ', glass);
  s.PutChar(kPictureTop + 6, 13, Glyph("┬"_pl), casing);
  s.PutChar(kPictureTop + 6, 14, Glyph("┬"_pl), casing);
  s.PutChar(kPictureTop + 7, 13, Glyph("┴"_pl), casing);
  s.PutChar(kPictureTop + 7, 14, Glyph("┴"_pl), casing);
  // Keyboard on row 22.
  s.Put(kPictureTop + 8, 1, std::string(" "_pl) + Replicate("▄"_pl, 24) + " ", keys);
  s.PutChar(kPictureTop + 8, 26, Glyph("█"_pl), keys);

  const ProgramFile program = ThisProgram(session);
  s.Put(kTitleRow, kScreenTextLeft, PadC(ScreenTitle(session), kScreenTextWidth), glass);
  s.Put(kProgramDateRow, kScreenTextLeft, PadC(program.date, kScreenTextWidth), glass);
  s.Put(kProgramNameRow, kScreenTextLeft, PadC(program.name, kScreenTextWidth), glass);
}

// The key line of row 24: everything in bright white, then the descriptions again in
// normal white so that only the key names stand out.
void KeyLine(console::ScreenBuffer& s) {
  const console::Attr bright = AttrOf("W+/N");
  const console::Attr normal = AttrOf("W/N");
  std::string line = "F1-Pomoc    ";
  line += static_cast<char>(24);
  line += static_cast<char>(25);
  line += static_cast<char>(26);
  line += static_cast<char>(27);
  line += "-Wybor    Enter-Zatwierdzenie     Alt_K-Kalkulator    Esc-Koniec";
  s.Put(kKeyRow, 0, PadR(line, console::kCols), bright);
  s.Put(kKeyRow, 2, "-Pomoc", normal);
  s.Put(kKeyRow, 16, "-Wybór"_pl, normal);
  s.Put(kKeyRow, 31, "-Zatwierdzenie", normal);
  s.Put(kKeyRow, 55, "-Kalkulator", normal);
  s.Put(kKeyRow, 73, "-Koniec", normal);
}

}  // namespace

bool ToJestKasa(Session& session) {
  const xbase::Value* v = session.vars().Find("TOJESTKASA");
  if (v != nullptr && v->IsLogical()) return v->AsLogical();
  return session.op().Prawa1(8);
}

ColourSetKind StationColourSet(Session& s) {
  if (!s.con().IsColour()) return ColourSetKind::kMonochrome;
  if (ToJestKasa(s)) return ColourSetKind::kCashRegister;
  if (s.FileX("SMALL.TXT") || s.FileX("ZIELONE.TXT")) return ColourSetKind::kGreen;
  if (s.FileX("OPAK.XXX") || s.FileX("FIOLET.TXT")) return ColourSetKind::kViolet;
  return ColourSetKind::kBlue;
}

console::Theme ThemeFor(ColourSetKind kind) {
  switch (kind) {
    case ColourSetKind::kGreen: return console::Theme::Green();
    case ColourSetKind::kViolet: return console::Theme::Violet();
    case ColourSetKind::kCashRegister: return console::Theme::CashRegister();
    case ColourSetKind::kMonochrome: return console::Theme::Monochrome();
    case ColourSetKind::kBlue: break;
  }
  return console::Theme::Blue();
}

std::string PeriodLine(std::string_view mm, std::string_view yy, bool archive) {
  std::string text = AllTrim(session::Miesiac(mm, yy));
  if (archive) text += " arc";
  return PadC(text, kScreenTextWidth);
}

std::string ScreenTitle(Session& session) {
  if (ToJestKasa(session)) return "KASA";
  const std::string& title = session.settings().Nazwa();
  if (IsBlank(title)) return " GM + Sprzedaz ";
  return AllTrim(title);
}

void EkranGlowny(Session& session) {
  console::Console& con = session.con();
  const ColourSetKind kind = StationColourSet(session);
  con.theme() = ThemeFor(kind);
  console::ScreenBuffer& s = con.screen();

  // 1-2. Background and picture.
  const console::Attr background = con[console::Role::kBackground];
  con.ClearRegion(0, 0, console::kRows - 1, console::kCols - 1, background);
  const unsigned char pattern = kind == ColourSetKind::kViolet ? Glyph("▒"_pl) : Glyph("█"_pl);
  s.Fill(0, 0, console::kRows - 2, console::kCols - 1, pattern, background);
  Komputer(session, s);

  // 3. The company name, unless a second name line is in use.
  const console::Attr company = AttrOf("N/W");
  const std::string nodb1 = FirmaText(session, "NODB1");
  const std::string name = IsBlank(nodb1) ? AllTrim(FirmaText(session, "NODB")) : "";
  s.Put(kCompanyRow, 0, PadC(name, kCompanyWidth), company);

  // 4. The period: the archive's while one is open, else the current month.
  std::string period = session.InArchive() ? session.hh_arc() : session.hh();
  std::string mm, yy;
  if (period.size() >= 5) {  // "yy/mm"
    yy = period.substr(0, 2);
    mm = period.substr(3, 2);
  } else {
    const std::string bmr = FirmaText(session, "BMR");  // "mm.yy"
    mm = Substr(bmr, 1, 2);
    yy = Substr(bmr, 4, 2);
  }
  s.Put(kPeriodRow, kScreenTextLeft, PeriodLine(mm, yy, session.InArchive()), AttrOf("W+/N"));

  // 5. Keys.
  KeyLine(s);
  (void)con.SetColour("W/N");
  con.ShowCursor(false);
}

}  // namespace hurt::shell
