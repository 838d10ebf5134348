#include "catalogues/interest_rates.h"

#include <string>

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/text.h"
#include "catalogues/common.h"
#include "catalogues/record_catalogue.h"
#include "session/area_fields.h"
#include "session/helpers.h"
#include "session/output/report_file.h"
#include "session/session.h"
#include "settlements/interest.h"
#include "settlements/ledger_tables.h"

namespace hurt::catalogues {

using namespace hurt::literals;

namespace {

// A yearly rate: a number from 0 to 999.99.
std::string ValidRate(std::string& v) {
  std::string t = AllTrim(v);
  for (char& ch : t) {
    if (ch == ',') ch = '.';
  }
  bool digits = !t.empty();
  int points = 0;
  for (char ch : t) {
    if (ch == '.') ++points;
    digits = digits && ((ch >= '0' && ch <= '9') || ch == '.');
  }
  const double rate = NewRound(Val(t), 2);
  if (!digits || points > 1 || rate > 999.99) return "Stopa: liczba od 0 do 999.99 (procent w skali roku)";
  v = Str(rate, static_cast<int>(v.size()), 2);
  return "";
}

RecordCatalogue RateCatalogue() {
  RecordCatalogue c;
  c.title = "        PARAMETRY ODSETEK USTAWOWYCH";
  c.panel_rows = 3;
  c.has_key = false;
  c.fields = {
      {"DATA_OD", "Obowiązuje od   :"_pl, 0, 0, "", 0, "Pierwszy dzien, od ktorego obowiazuje stopa", nullptr},
      {"STOPA", "Stopa roczna %  :", 1, 0, "999.99", 0, "Stopa odsetek ustawowych w procentach w skali roku", ValidRate},
  };
  c.columns = {{"Obowiazuje od", "DATA_OD", 13}, {"Stopa %", "STOPA", 8}};
  c.check = [](const RecordBuffer& now, const RecordBuffer*) -> std::string {
    if (now.empty() || now[0] == "0" || IsBlank(now[0])) return "Podaj date, od ktorej obowiazuje stopa";
    return "";
  };
  c.print = [](session::ReportWriter& out, xbase::WorkArea& ods) {
    out.Line(session::Centruj("PARAMETRY ODSETEK USTAWOWYCH"));
    out.Line("");
    out.Line("Obowiazuje od   Stopa %");
    out.Line(std::string(24, '-'));
    for (Status st = ods.GoTop(); st.ok() && !ods.eof(); st = ods.Skip(1)) {
      out.Line(Dtoc(session::FieldDate(ods, "DATA_OD")) + "   " + Str(session::FieldNumber(ods, "STOPA"), 9, 2));
    }
  };
  return c;
}

}  // namespace

bool OdsBrowse(session::Session& s) {
  if (Status made = settlements::EnsureInterestTable(s); !made.ok()) {
    Warning(s, "Plik odsetki.dbf niedostepny", 3);
    return false;
  }
  const int area = s.areas().FirstFree(settlements::kScratchFirst, settlements::kScratchLast);
  if (area == 0) {
    Warning(s, "Brak wolnego obszaru roboczego", 3);
    return false;
  }
  auto opened = s.areas().Open(area, settlements::InterestTablePath(s), "odsetki");
  if (!opened.ok()) {
    Warning(s, "Plik odsetki.dbf niedostepny", 3);
    return false;
  }
  const RecordCatalogue catalogue = RateCatalogue();
  RunRecordCatalogue(s, **opened, catalogue);
  (void)s.areas().Close(area);
  return true;
}

}  // namespace hurt::catalogues
