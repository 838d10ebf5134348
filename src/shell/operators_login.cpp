// ZMIANAOPERATORA: the log-in, and what a log-in changes in the session.
#include "base/cp852.h"
#include "base/date.h"
#include "base/text.h"
#include "console/message_window.h"
#include "devices/fiscal_menu.h"
#include "session/helpers_screen.h"
#include "session/not_built.h"
#include "session/session.h"
#include "shell/operators.h"
#include "shell/operators_internal.h"

namespace hurt::shell {

namespace operators {

namespace {

constexpr int kSlotLockSeconds = 10;

bool Contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

std::string WithoutZeros(std::string_view text) {
  std::string out;
  for (char c : RTrim(text)) {
    if (c != '0') out += c;
  }
  return out;
}

}  // namespace

std::string FiscalModelOf(std::string_view printer) {
  static constexpr std::string_view kModels[] = {"DF-300W   ", "DF-300Q   ", "DF-300    ", "ORHMET    ",
                                                 "FP-600    "};
  const std::string name = Upper(printer);
  for (std::string_view model : kModels) {
    if (Contains(name, RTrim(model))) return std::string(model);
  }
  return "";
}

bool IsFiscalPrinter(std::string_view printer, std::string_view j_df) {
  const std::string name = Upper(printer);
  return Contains(name, "COM") || Contains(name, "DF_IP") || !IsBlank(j_df);
}

int DibalPort(std::string_view printer) {
  const std::string name = Upper(printer);
  const size_t at = name.find("DIBAL");
  if (at == std::string::npos) return 0;
  const char next = at + 5 < name.size() ? name[at + 5] : ' ';
  return next >= '1' && next <= '4' ? next - '0' : 1;
}

bool LoggedIn(const Session& session) { return !IsBlank(session.op().nr); }

void SetSessionOperator(Session& session, const session::operators::OperatorRecord& rec) {
  session::OperatorRights& op = session.op();
  op.nr = rec.nr;
  op.nazwisko = PadR(rec.nazwisko, 30);
  // The supervisor has every right, whatever an old record says.
  op.prawa = rec.IsSupervisor() ? std::string(20, 'T') : PadR(rec.prawa, 20);
  op.prawa1 = IsBlank(rec.prawa1) ? std::string(20, 'N') : PadR(rec.prawa1, 20);
  op.prawa2 = RTrim(rec.prawa2);

  session::SessionVariables& v = session.vars();
  v.Set("M_NR", xbase::Value(op.nr));
  v.Set("M_NAZWISKO", xbase::Value(op.nazwisko));
  v.Set("M_PRAWA", xbase::Value(op.prawa));
  v.Set("M_PRAWA1", xbase::Value(op.prawa1));
  v.Set("M_PRAWA2", xbase::Value(op.prawa2));
  v.Set("M_NR_MAG", xbase::Value(WithoutZeros(rec.nr_mag)));
  v.Set("M_NR_KASY", xbase::Value(IsBlank(rec.nr_kasy) ? std::string("1") : Left(rec.nr_kasy, 1)));

  std::string smtp = rec.has_smtp ? RTrim(rec.smtp) : std::string();
  if (smtp.empty()) {
    if (const xbase::WorkArea* firma = session.areas().Find("firma"); firma && firma->FieldIndex("SMTP") >= 0) {
      auto value = firma->Get("SMTP");
      if (value.ok()) smtp = RTrim(value->AsString());
    }
  }
  v.Set("M_SMTP", xbase::Value(smtp));
  v.Set("ARC_MAGAZYN", xbase::Value(rec.has_magazyn ? rec.magazyn : Space(30)));
  v.Set("ARC_KOMU", xbase::Value(rec.has_komu ? rec.komu : Space(30)));
  v.Set("ARC_RD", xbase::Value(rec.has_rd ? rec.rd : Space(30)));
  v.Set("M_DRUKARKA", xbase::Value(rec.has_drukarka ? rec.drukarka : Space(30)));
  v.Set("TOJESTKASA", xbase::Value(op.Prawa1(8)));
}

void ClearSessionOperator(Session& session) {
  session::OperatorRights& op = session.op();
  op.nr = " ";
  op.nazwisko = Space(30);
  // Nobody logged in holds no right (blank rights would grant them all).
  op.prawa = std::string(20, 'N');
  op.prawa1 = std::string(20, 'N');
  op.prawa2.clear();
  session::SessionVariables& v = session.vars();
  v.Set("M_NR", xbase::Value(op.nr));
  v.Set("M_NAZWISKO", xbase::Value(op.nazwisko));
  v.Set("M_PRAWA", xbase::Value(op.prawa));
  v.Set("M_PRAWA1", xbase::Value(op.prawa1));
  v.Set("M_PRAWA2", xbase::Value(op.prawa2));
}

Status SetStationSlot(Session& session, std::string_view nr) {
  xbase::WorkArea* firma = session.areas().Find("firma");
  if (!firma) return Status::Ok();
  const int st = firma->FieldIndex("ST");
  const int slot = session.stacja();
  if (st < 0 || slot < 1 || slot > firma->field(st).width) return Status::Ok();
  const char mark = nr == session::operators::kSupervisorNr ? session::operators::kSupervisorSlot : (nr.empty() ? ' ' : nr[0]);
  const uint32_t recno = firma->eof() ? 1 : firma->recno();
  return session::operators::UpdateOperator(session, *firma, recno, kSlotLockSeconds, [&](xbase::WorkArea& a) {
    std::string slots(a.FieldBytes(st));
    slots[static_cast<size_t>(slot - 1)] = mark;
    return a.Replace(st, xbase::Value(slots));
  });
}

std::string LogoutText(std::string_view nazwisko) {
  const std::string name = RTrim(nazwisko);
  const bool feminine = !name.empty() && (name.back() == 'a' || name.back() == 'A');
  return name + (feminine ? " wylogowana" : " wylogowany");
}

std::string NextOperatorNumber(std::string_view last) {
  if (last.empty() || last[0] == ' ') return "A";
  const unsigned char c = static_cast<unsigned char>(last[0]);
  if (c >= '0' && c <= '9') return "A";
  if (c >= 0xFE) return "";
  // The slot marks of the station register are never operator numbers.
  unsigned char next = static_cast<unsigned char>(c + 1);
  if (next == static_cast<unsigned char>(session::operators::kSupervisorSlot)) ++next;
  return std::string(1, static_cast<char>(next));
}

}  // namespace operators

bool ZmianaOperatora(Session& session) {
  using namespace operators;
  console::Console& con = session.con();
  const std::string previous_printer = session.vars().Text("M_DRUKARKA");
  con.Say(0, 72, session.clock().TimeText());
  con.Say(1, 66, Dtoc(session.Today()));

  for (;;) {
    (void)TbPrawa(session);
    if (LoggedIn(session)) break;
    if (session::Koniec(con)) return false;
  }

  // The fiscal printer and scales follow the operator's printer name.
  const std::string printer = session.vars().Text("M_DRUKARKA");
  session::Settings& settings = session.settings();
  session.vars().Set("JEST_DF_300", xbase::Value(IsFiscalPrinter(printer, settings.Text("J_DF"))));
  const std::string model = FiscalModelOf(printer);
  if (model.empty()) {
    settings.EndPrinterOverride();
  } else {
    settings.BeginPrinterOverride(model);
  }
  if (RTrim(printer) != RTrim(previous_printer)) {
    const std::string upper = Upper(printer);
    const bool device = upper.find("COM") != std::string::npos || upper.find("DF_IP") != std::string::npos;
    if (device && session.op().prawa2.find("RAMPA") == std::string::npos) devices::Df300(session);
    if (DibalPort(printer) > 0) session::NotBuilt(session, "DIBAL");
  }

  (void)SetStationSlot(session, session.op().nr);
  session.vars().Set("TOJESTKASA", xbase::Value(session.op().Prawa1(8)));
  (void)session::operators::ConvertCorrectionPassword(session);
  return true;
}

}  // namespace hurt::shell
