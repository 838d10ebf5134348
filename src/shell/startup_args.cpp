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

}  // namespace hurt::shell
