#include "invoicing/amount_search.h"

#include <cmath>
#include <vector>

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/text.h"
#include "console/form.h"
#include "console/menu.h"
#include "console/message_window.h"
#include "documents/document_list.h"
#include "invoicing/document_summary.h"
#include "invoicing/invoice_tables.h"
#include "session/area_fields.h"
#include "session/session.h"

namespace hurt::invoicing {

using namespace hurt::literals;

namespace {

std::string Grosze(double x) { return Str(std::fabs(NewRound(x, 2)), 16, 2); }

struct Query {
  double amount = 0;
  std::string number = std::string(8, ' ');
};

// The form in a box in the middle of the screen; false after Esc or when nothing was typed.
bool AskQuery(session::Session& s, bool or_number, Query* q) {
  console::Console& con = s.con();
  const int bottom = or_number ? 13 : 12;
  const console::SavedRegion saved = con.Save(9, 18, bottom, 62);
  con.Box(9, 18, bottom, 62, console::DoubleFrame(), con.colours().standard, ' ');
  con.Say(9, 30, or_number ? " SZUKANIE KWOTY/FAKTURY " : " SZUKANIE KWOTY ", con.colours().standard);
  console::Form form(con);
  form.Say(10, 20, "Kwota          :");
  form.GetNumber(10, 37, q->amount, "9999999999.99");
  if (or_number) {
    form.Say(11, 20, "lub numer      :");
    form.GetText(11, 37, q->number, "@!");
  }
  form.Say(bottom - 1, 20, "Esc - rezygnacja");
  const console::ReadResult r = form.Read();
  con.Restore(saved);
  if (r.escaped) return false;
  return NewRound(q->amount, 2) != 0 || !IsBlank(q->number);
}

// The list of the headers found; Enter opens one, Esc leaves.
void ShowFound(session::Session& s, xbase::WorkArea& dowod, const std::vector<uint32_t>& found, bool cut) {
  console::Console& con = s.con();
  std::vector<std::string> lines;
  lines.reserve(found.size() + 1);
  for (uint32_t recno : found) {
    if (dowod.GoTo(recno).ok()) lines.push_back(DocumentSummaryLine(dowod));
  }
  if (cut) lines.push_back("... dalsze pominiete - zawez szukanie");
  console::VectorListSource source(lines);
  const console::SavedScreen saved = con.SaveScreen();
  int start = 1;
  for (;;) {
    con.Clear();
    con.Say(0, 0, PadR("  ZNALEZIONE DOWODY: " + std::to_string(found.size()), 80), con.colours().enhanced);
    con.Say(1, 0, "Rd  Numer    Data       Kod      Kontrahent      Netto       VAT     Brutto P *");
    con.Say(24, 0, PadR("Enter-podglad dowodu                                                Esc-Wyjscie", 80),
            con[console::Role::kKeyBar]);
    console::PickList list(con, source, 2, 0, 23, 79);
    const console::PickResult r = list.Run(start);
    if (r.exit != console::PickExit::kChosen || r.choice < 1 || static_cast<size_t>(r.choice) > found.size()) break;
    start = r.choice;
    if (!dowod.GoTo(found[static_cast<size_t>(r.choice) - 1]).ok()) break;
    const std::string rd = session::FieldText(dowod, "RD");
    const std::string nrd = session::FieldText(dowod, "NRD");
    documents::DbuDow(s, 1, rd, nrd);
  }
  con.RestoreScreen(saved);
}

}  // namespace

bool AmountMatches(const xbase::WorkArea& dowod, double amount) {
  const std::string wanted = Grosze(amount);
  for (double v : {HeaderGross(dowod), session::FieldNumber(dowod, "NETTO"), session::FieldNumber(dowod, "VAT"),
                   session::FieldNumber(dowod, "WARTOSC0")}) {
    if (Grosze(v) == wanted) return true;
  }
  return false;
}

bool NumberMatches(const xbase::WorkArea& dowod, std::string_view text) {
  const std::string wanted = AllTrim(text);
  if (wanted.empty()) return false;
  return Upper(session::FieldText(dowod, "NRD")).find(Upper(wanted)) != std::string::npos;
}

void SzukanieKwoty(session::Session& s, bool or_number) {
  console::Console& con = s.con();
  xbase::WorkArea* dowod = SessionAreaOf(s, store::TableId::kDowod);
  if (dowod == nullptr) {
    console::Okno_(con, "Plik dowod niedostepny", 2);
    return;
  }
  Query q;
  if (!AskQuery(s, or_number, &q)) return;
  const bool by_amount = NewRound(q.amount, 2) != 0;

  std::vector<uint32_t> found;
  bool cut = false;
  {
    AreaPosition keep(dowod);
    const std::string filter = dowod->filter();
    (void)dowod->SetFilter("");
    (void)dowod->SetOrder(1);
    const console::SavedRegion under = con.Save(14, 29, 20, 73);
    console::OknoNoWait(con, "Prosze czekac...");
    Status st = dowod->GoTop();
    for (; st.ok() && !dowod->eof(); st = dowod->Skip(1)) {
      if ((by_amount && AmountMatches(*dowod, q.amount)) || NumberMatches(*dowod, q.number)) {
        if (found.size() == kMostFound) {
          cut = true;
          break;
        }
        found.push_back(dowod->recno());
      }
    }
    (void)dowod->SetFilter(filter);
    con.Restore(under);
    if (!st.ok()) {
      console::Okno_(con, "Blad odczytu pliku dowod - szukanie przerwane", 3);
      return;
    }
  }
  if (found.empty()) {
    console::Okno_(con, "NIE ZNALAZŁEM"_pl, 2);
    return;
  }
  AreaPosition keep(dowod);
  ShowFound(s, *dowod, found, cut);
}

}  // namespace hurt::invoicing
