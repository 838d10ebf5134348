// console-demo: each widget of the console toolkit in a real terminal.
//
//   console-demo [--mono] [report-file]
//
// A menu leads to the message windows, a form, the password entry, a pull-down menu bar,
// a pick list, a browse grid over a million generated records, the report viewer (the
// given file, or a generated report) and a key tester that prints the code of each key.
// Alt+K anywhere opens a small window to show the hot key at work. Esc in the menu ends
// the program. --mono draws without colours, as on a monochrome screen.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/cp852.h"
#include "base/date.h"
#include "base/numeric.h"
#include "base/text.h"
#include "console/browse.h"
#include "console/console.h"
#include "console/form.h"
#include "console/keys.h"
#include "console/menu.h"
#include "console/message_window.h"
#include "console/terminal.h"
#include "console/text_viewer.h"

namespace {

using namespace hurt::literals;
using hurt::console::Attr;
using hurt::console::AttrOf;
using hurt::console::Console;
using hurt::console::Role;
namespace key = hurt::console::key;

void KeyLine(Console& con, std::string_view text) {
  con.screen().Fill(24, 0, 24, 79, ' ', con[Role::kKeyBar]);
  con.screen().Put(24, 0, text, con[Role::kKeyBar]);
}

void Title(Console& con, std::string_view title) {
  con.SetColours(*hurt::console::ParseColourSet("W/N,N/W"));
  con.Clear();
  con.screen().Fill(0, 0, 0, 79, ' ', AttrOf("N/W"));
  con.screen().Put(0, (80 - static_cast<int>(title.size())) / 2, title, AttrOf("N/W"));
}

void MainScreen(Console& con) {
  con.screen().Fill(0, 0, 23, 79, static_cast<unsigned char>("▒"_pl[0]), con[Role::kBackground]);
  con.screen().Box(1, 20, 3, 59, hurt::console::DoubleFrame(), AttrOf("W+/B"), ' ');
  con.screen().Put(2, 26, "KONSOLA - PRZEGLĄD ELEMENTÓW"_pl, AttrOf("W+/B"));
  KeyLine(con, "F1-Pomoc    Enter-Zatwierdzenie     Alt_K-Kalkulator    Esc-Koniec"_pl);
}

void HotKey(Console& con) {
  hurt::console::Okno_(con, "GORĄCY KLAWISZ Alt+K (kalkulator)"_pl, 0);
}

void Messages(Console& con) {
  hurt::console::Okno_(con, "Komunikat na jedną sekundę"_pl);
  hurt::console::Okno_(con, "Czeka na klawisz: naciśnij dowolny"_pl, 0);
  hurt::console::Okno_(con, "Błąd: komunikat na 3 sekundy"_pl, 3);
  hurt::console::OknoNoWait(con, "Prosze czekac...");
  con.Inkey(1);
  bool yes = hurt::console::Okno(con, "CZY POKAZAĆ ODPOWIEDŹ ?"_pl, "T");
  hurt::console::Okno_(con, yes ? "Odpowiedź: TAK"_pl : "Odpowiedź: NIE"_pl, 0);
}

void FormDemo(Console& con) {
  Title(con, " FORMULARZ: @ SAY / @ GET / READ ");
  KeyLine(con, "Enter-dalej  Strzałka w górę-wstecz  Ins-wstawianie  PgDn-koniec  Esc-rezygnacja"_pl);
  std::string mag = "1", indeks = "        ", nazwa = std::string(40, ' '), kod = "      ", haslo(10, ' ');
  double cena = 0, brutto = 0;
  hurt::JulianDay data = con.clock().Today();
  bool aktywny = true;
  hurt::console::Form f(con);
  f.Say(3, 2, "Magazyn           :");
  f.GetText(3, 22, mag, "!");
  f.Say(4, 2, "Indeks            :");
  f.GetText(4, 22, indeks, "@!").Valid([&] {
    if (hurt::IsBlank(indeks)) {
      hurt::console::Okno_(con, "Indeks nie może być pusty"_pl, 2);
      return false;
    }
    return true;
  });
  f.Say(5, 2, "Nazwa (przewijana):");
  f.GetText(5, 22, nazwa, "@S20");
  f.Say(6, 2, "Kod pocztowy      :");
  f.GetText(6, 22, kod, "!!-!!!");
  f.Say(7, 2, "Cena netto        :");
  f.GetNumber(7, 22, cena, "@Z 9999999.99").Valid([&] {
    brutto = hurt::NewRound(cena * 1.23, 2);
    return true;
  });
  f.Say(8, 2, "Cena brutto       :");
  f.GetNumber(8, 22, brutto, "999,999,999.99");
  f.Say(9, 2, "Data              :");
  f.GetDate(9, 22, data);
  f.Say(10, 2, "Aktywny (T/F)     :");
  f.GetLogical(10, 22, aktywny);
  f.Say(11, 2, "Hasło             :"_pl);
  f.GetText(11, 22, haslo).Masked();
  hurt::console::ReadResult r = f.Read();
  std::string summary = r.escaped ? "Esc: formularz porzucony" : "Zapisano: " + hurt::RTrim(indeks) + " " +
                                                                      hurt::TransformNumber(brutto, "@B 999999.99");
  hurt::console::Okno_(con, summary, 0);
}

void PasswordDemo(Console& con) {
  hurt::console::SavedRegion saved = con.Save(15, 30, 20, 72);
  con.Box(15, 30, 19, 72, hurt::console::DoubleFrame(), con[Role::kMessageFrame], ' ');
  con.screen().Put(17, 37, "      PODAJ  HASŁO  !"_pl, con[Role::kMessageFrame]);
  con.Box(18, 37, 20, 65, hurt::console::SingleFrame(), con[Role::kMessageFrame], ' ');
  con.screen().Put(19, 38, "    HASŁO : "_pl, con[Role::kMessageFrame]);
  hurt::console::MaskedEntry e = hurt::console::GetHhhhh(con);
  con.Restore(saved);
  std::string said = e.escaped ? std::string("Esc: hasło porzucone"_pl)
                               : "Wpisano " + std::to_string(hurt::RTrim(e.text).size()) + std::string(" znaków"_pl);
  hurt::console::Okno_(con, said, 0);
}

void MenuBarDemo(Console& con) {
  Title(con, " MENU ROZWIJANE: strzałki w lewo i w prawo przechodzą między menu "_pl);
  KeyLine(con, "Enter-wybór  Strzałki-ruch  Esc-powrót"_pl);
  con.SetColours(con.theme().MenuColours());
  hurt::console::Menu bar(con);
  bar.Prompt(2, 2, " PLIK ").Prompt(2, 12, " EDYCJA ").Prompt(2, 24, " WIDOK ");
  std::vector<std::vector<std::string>> subs(3);
  const std::string_view otworz = " Otwórz      "_pl;
  const std::string_view powieksz = " Powiększ    "_pl;
  subs[0] = {std::string(otworz), " Zapisz      ", "             ", " Zamknij     "};
  subs[1] = {" Kopiuj      ", " Wklej       "};
  subs[2] = {std::string(powieksz), " Pomniejsz   "};
  const int cols[] = {2, 12, 24};
  int top = 1;
  for (;;) {
    hurt::console::MenuResult t = bar.Run(top);
    if (t.choice == 0) return;
    top = t.choice;
    const auto& items = subs[static_cast<size_t>(t.choice - 1)];
    hurt::console::SavedRegion area = con.Save(3, 0, 10, 79);
    int col = cols[t.choice - 1];
    con.Box(3, col, 4 + static_cast<int>(items.size()), col + 14, hurt::console::SingleFrame(), con.colours().standard, ' ');
    hurt::console::Menu sub(con);
    for (size_t i = 0; i < items.size(); ++i) sub.Prompt(4 + static_cast<int>(i), col + 1, items[i]);
    sub.EndOnLeftRight(true);
    hurt::console::MenuResult s = sub.Run(1);
    con.Restore(area);
    if (s.exit == hurt::console::MenuExit::kLeft) con.Keyboard({key::kLeft, key::kEnter});
    else if (s.exit == hurt::console::MenuExit::kRight) con.Keyboard({key::kRight, key::kEnter});
    else if (s.exit == hurt::console::MenuExit::kChosen)
      hurt::console::Okno_(con, std::string("Wybrano pozycję "_pl) + std::to_string(s.choice), 1);
  }
}

void PickListDemo(Console& con) {
  Title(con, " LISTA WYBORU ");
  KeyLine(con, "Enter-wybór  Litera-szukanie  PgUp/PgDn-strony  Esc-powrót"_pl);
  std::vector<std::string> kinds;
  for (std::string_view kind : {"FV  Faktura VAT"_pl, "PA  Paragon"_pl, "WZ  Wydanie zewnętrzne"_pl,
                                "PZ  Przyjęcie zewnętrzne"_pl, "MM  Przesunięcie"_pl, "KP  Kasa przyjmie"_pl,
                                "KW  Kasa wyda"_pl, "RW  Rozchód wewnętrzny"_pl})
    kinds.emplace_back(kind);
  for (int i = 1; i <= 40; ++i) kinds.push_back("X" + std::to_string(i) + (i < 10 ? "  " : " ") + " Rodzaj dodatkowy");
  hurt::console::VectorListSource source(kinds);
  hurt::console::PickList list(con, source, 4, 20, 16, 60, true);
  hurt::console::PickResult r = list.Run();
  if (r.choice > 0) hurt::console::Okno_(con, "Wybrano: " + kinds[static_cast<size_t>(r.choice - 1)], 0);
}

// A million records computed from their numbers.
class MillionSource final : public hurt::console::BrowseSource {
 public:
  void GoTop() override { pos_ = 0; }
  void GoBottom() override { pos_ = kCount - 1; }
  int64_t Skip(int64_t n) override {
    int64_t to = std::clamp<int64_t>(pos_ + n, 0, kCount - 1);
    int64_t moved = to - pos_;
    pos_ = to;
    return moved;
  }
  bool IsEmpty() override { return false; }
  int64_t Bookmark() override { return pos_; }
  void GoToBookmark(int64_t mark) override { pos_ = mark; }
  int64_t number() const { return pos_ + 1; }

 private:
  static constexpr int64_t kCount = 1'000'000;
  int64_t pos_ = 0;
};

void BrowseDemo(Console& con) {
  Title(con, " PRZEGLĄDANIE: 1 000 000 REKORDÓW "_pl);
  KeyLine(con, "Strzałki PgUp PgDn Ctrl+PgUp Ctrl+PgDn  Enter-pokaż  Esc-powrót"_pl);
  con.screen().Put(2, 2, "Kartoteka wygenerowana: każdy rekord jest liczony z numeru, nic nie jest wczytane."_pl,
                   AttrOf("W/N"));
  MillionSource src;
  hurt::console::Browse b(con, src, 4, 0, 23, 79);
  b.AddColumn(hurt::console::BrowseColumn::Text("M", [] { return std::string("1"); }, "!"));
  b.AddColumn(hurt::console::BrowseColumn::Text("Indeks", [&] { return "A" + std::to_string(src.number()); }, "!!!!!!!!"));
  b.AddColumn(hurt::console::BrowseColumn::Text(
      "Nazwa", [&] { return "Towar numer " + std::to_string(src.number()); }, std::string(30, 'X')));
  b.AddColumn(hurt::console::BrowseColumn::Text("jm", [] { return std::string("szt"); }, "!!!"));
  b.AddColumn(hurt::console::BrowseColumn::Number(
      "    Ilosc", [&] { return static_cast<double>(src.number() % 1000); }, "99999.999"));
  b.AddColumn(hurt::console::BrowseColumn::Number(
      "  Cena brutto", [&] { return static_cast<double>(src.number()) * 1.23; }, "9999999999.99"));
  b.Separators("┼─"_pl, "│"_pl, "┴─"_pl);
  b.Run([&](hurt::console::BrowseMode mode, int) {
    if (mode != hurt::console::BrowseMode::kException) return hurt::console::BrowseAction::kContinue;
    if (con.LastKey() == key::kEsc) return hurt::console::BrowseAction::kLeave;
    if (con.LastKey() == key::kEnter) hurt::console::Okno_(con, "Rekord " + std::to_string(src.number()), 0);
    return hurt::console::BrowseAction::kContinue;
  });
}

std::string WriteSampleReport() {
  char path[] = "/tmp/console-demo-XXXXXX";
  int fd = mkstemp(path);
  if (fd < 0) return {};
  close(fd);
  std::ofstream out(path, std::ios::binary);
  for (int i = 1; i <= 5000; ++i) {
    // Columns 1..711 carry the number and a ruler; column 712 starts the last part a
    // viewer can reach with its horizontal offset.
    std::string line = "Wiersz " + hurt::Str(i, 5) + "  " + hurt::Replicate("Towar ", 20);
    while (line.size() < 711) line += line.size() % 10 == 9 ? '|' : '.';
    line += "|kolumna 712";
    line += std::string(791 - line.size(), '-');
    out << hurt::Utf8ToCp852(line) << "\r\n";
  }
  return path;
}

void ViewerDemo(Console& con, const std::string& given) {
  std::string path = given.empty() ? WriteSampleReport() : given;
  auto viewer = hurt::console::TextViewer::Open(con, path);
  if (!viewer.ok()) {
    hurt::console::Okno_(con, "Brak pliku " + path, 0);
  } else {
    (*viewer)->Run([&](int k, hurt::console::TextViewer& v) {
      if (k == key::F(5)) {
        hurt::console::Okno_(con, "Drukowanie należy do programu"_pl, 2);
        v.GoTop();
        return hurt::console::ViewerKey::kRepaint;
      }
      return hurt::console::ViewerKey::kNotHandled;
    });
  }
  if (given.empty() && !path.empty()) unlink(path.c_str());
}

void KeyTester(Console& con) {
  Title(con, " TESTER KLAWISZY ");
  KeyLine(con, "Naciśnij klawisz: pokazuje jego kod.   Esc dwa razy - powrót"_pl);
  std::vector<std::string> history;
  int last = 0;
  for (;;) {
    con.screen().Put(2, 2, "Ostatni klawisz:", AttrOf("W/N"));
    con.SetCursor(2, 19);
    int k = con.WaitKey();
    std::string entry = "kod=" + std::to_string(k) + " " + hurt::console::KeyName(k);
    history.push_back(entry);
    if (history.size() > 19) history.erase(history.begin());
    con.screen().Put(2, 19, hurt::PadR(entry, 40), AttrOf("W+/N"));
    for (size_t i = 0; i < history.size(); ++i)
      con.screen().Put(4 + static_cast<int>(i), 4, hurt::PadR(history[i], 40), AttrOf("W/N"));
    if (k == key::kEsc && last == key::kEsc) return;
    last = k;
  }
}

int Run(Console& con, const std::string& report) {
  con.SetHotKey(key::kAltK, HotKey);
  int choice = 1;
  for (;;) {
    MainScreen(con);
    con.SetColours(con.theme().MenuColours());
    con.Box(5, 24, 15, 55, hurt::console::DoubleFrame(), con.colours().standard, ' ');
    hurt::console::Menu menu(con);
    menu.Prompt(6, 25, " Komunikaty i pytanie         ")
        .Prompt(7, 25, " Formularz @ GET / READ       ")
        .Prompt(8, 25, std::string(" Hasło (maskowane)            "_pl))
        .Prompt(9, 25, " Menu rozwijane               ")
        .Prompt(10, 25, " Lista wyboru                 ")
        .Prompt(11, 25, std::string(" Przeglądanie 1 000 000       "_pl))
        .Prompt(12, 25, std::string(" Podgląd wydruku              "_pl))
        .Prompt(13, 25, " Tester klawiszy              ")
        .Prompt(14, 25, " Koniec                       ");
    hurt::console::MenuResult r = menu.Run(choice);
    if (r.choice == 0 || r.choice == 9) return 0;
    choice = r.choice;
    switch (r.choice) {
      case 1: Messages(con); break;
      case 2: FormDemo(con); break;
      case 3: PasswordDemo(con); break;
      case 4: MenuBarDemo(con); break;
      case 5: PickListDemo(con); break;
      case 6: BrowseDemo(con); break;
      case 7: ViewerDemo(con, report); break;
      case 8: KeyTester(con); break;
      default: break;
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::string report;
  hurt::console::TerminalOptions options;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--mono") options.monochrome = true;
    else report = arg;
  }
  auto terminal = hurt::console::TerminalBackend::Open(options);
  if (!terminal.ok()) {
    std::fputs(terminal.status().message().c_str(), stderr);
    return 1;
  }
  hurt::SystemClock clock;
  Console con(**terminal, clock);
  int code = Run(con, report);
  return code;
}
