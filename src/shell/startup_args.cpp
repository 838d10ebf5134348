#include "shell/startup_args.h"

#include "base/text.h"

namespace hurt::shell {

namespace {
bool Begins(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }
bool Digit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

bool IsPeriodText(std::string_view t) {
  if (t.size() != 5 || t[2] != '.') return false;
  if (!Digit(t[0]) || !Digit(t[1]) || !Digit(t[3]) || !Digit(t[4])) return false;
  int month = (t[0] - '0') * 10 + (t[1] - '0');
  return month >= 1 && month <= 12;
}

std::string PeriodFolder(std::string_view mm_yy) {
  return std::string(Substr(mm_yy, 4, 2)) + "/" + std::string(Substr(mm_yy, 1, 2));
}

StartArgs ParseStartArgs(std::string_view argument) {
  StartArgs a;
  a.www = std::string(argument);
  if (Lower(Left(a.www, 2)) == "cd") a.www = "CD" + a.www.substr(2);
  const std::string& w = a.www;
  if (w.empty()) return a;

  a.install = Begins(Lower(w), "install");
  a.rescue = Begins(w, "999");
  a.cd = Begins(w, "CD");
  a.upgrade = Begins(w, "3");
  a.reindex = Begins(w, "888");
  std::string upper = Upper(w);
  a.driver = Begins(upper, "KIEROWCA");
  a.driver_epson = Begins(upper, "KIEROWCA_EPSON");
  if (IsPeriodText(w)) a.period = w;

  std::string trimmed = LTrim(w);
  if (!trimmed.empty() && trimmed[0] == '1') a.first_menu_item = kMenuRaporty;
  if (!trimmed.empty() && trimmed[0] == '2') a.first_menu_item = kMenuSpecjalne;
  return a;
}

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine c;
  if (args.empty()) return c;
  const std::string& first = args.front();
  if (first == "--help" || first == "-h") {
    c.action = CommandLine::Action::kHelp;
  } else if (first == "--version" || first == "-V") {
    c.action = CommandLine::Action::kVersion;
  } else if (!first.empty() && first[0] == '-') {
    c.action = CommandLine::Action::kRefuse;
    c.problem = "nieznana opcja \"" + first + "\"";
    return c;
  } else {
    c.argument = first;
  }
  if (args.size() > 1) {
    c.action = CommandLine::Action::kRefuse;
    c.problem = "za dużo argumentów (program przyjmuje jeden): \"" + args[1] + "\"";
  }
  return c;
}

std::string UsageText() {
  return "Użycie: hurt [argument]\n"
         "Program pracuje na danych firmy w bieżącym katalogu (pierwsze uruchomienie\n"
         "w pustym katalogu zakłada nową firmę).\n"
         "\n"
         "Argument (jeden, nieobowiązkowy):\n"
         "  install     najpierw ustawienia instalacji\n"
         "  999         ratunek: przebudowa wszystkich tabel okresu (sama stacja)\n"
         "  888         przebudowa wszystkich indeksów\n"
         "  3           uaktualnienie struktur tabel i przebudowa indeksów\n"
         "  CD          start bez przebudowy indeksów\n"
         "  mm.rr       praca w okresie, np. 11.26\n"
         "  1, 2        start w menu RAPORTY albo FUNKCJE SPECJALNE\n"
         "  KIEROWCA    tryb kierowcy (ze znacznikiem KIEROWCA.TXT)\n"
         "\n"
         "Opcje:\n"
         "  -h, --help     ten opis\n"
         "  -V, --version  wersja programu\n"
         "\n"
         "Kody wyjścia: 0 zwykły koniec, 1 stacja nie ruszyła (albo terminal się nie\n"
         "nadaje), 2 zły argument lub zła zmienna HURT_, 128+n po sygnale n.\n"
         "Tryb bez terminala (HURT_HEADLESS i inne zmienne HURT_) opisuje README.\n";
}

}  // namespace hurt::shell
