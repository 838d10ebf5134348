#include "reports/daily_report.h"

#include <array>
#include <functional>
#include <map>
#include <vector>

#include "base/numeric.h"
#include "base/picture.h"
#include "base/text.h"
#include "documents/kind_reader.h"
#include "session/area_fields.h"
#include "session/area_position.h"
#include "session/audit_log.h"
#include "session/output/report_file.h"
#include "session/session.h"
#include "store/net_use.h"
#include "store/schema.h"
#include "xbase/work_area.h"

namespace hurt::reports {

namespace {

using session::FieldDate;
using session::FieldNumber;
using session::FieldText;

constexpr int kByDate = 2;           // dowod2: DTOS(data)+r_p+s_z+rd+nrd+STR(RECNO(),6)
constexpr int kEmptyLinesAtEnd = 15;

// One header of the day as the walks see it.
struct DayHeader {
  DailyDocument doc;
  char mag = ' ';
  char s_z = ' ';
  char op = ' ';
};

char FirstChar(const std::string& text) { return text.empty() ? ' ' : text[0]; }

// The area's order, record and deleted switch, put back when the pass ends.
class KeepArea {
 public:
  explicit KeepArea(xbase::WorkArea& a) : area_(a), position_(a), hidden_(a.deleted_hidden()) {}
  ~KeepArea() { area_.SetDeletedHidden(hidden_); }
  KeepArea(const KeepArea&) = delete;
  KeepArea& operator=(const KeepArea&) = delete;

 private:
  xbase::WorkArea& area_;
  session::AreaPosition position_;
  bool hidden_;
};

class DailyPass {
 public:
  DailyPass(session::Session& s, store::StoreUi& ui, xbase::WorkArea& dowod, const DailyRequest& request,
            session::ReportWriter& out)
      : s_(s), ui_(ui), dowod_(dowod), request_(request), out_(out), heading_(DailyHeadingOf(s, request)) {
    sd_razem_ = s.settings().Yes("J_SD_RAZEM");
    pominac_ = s.vars().Text("M_RD_POMIN");
    has_waluta_ = dowod.FieldIndex("WALUTA") >= 0;
    has_split_ = dowod.FieldIndex("KWOTA2") >= 0;
  }

  Result<DailyOutcome> Run();

 private:
  using Each = std::function<void(const DayHeader&)>;
  // Walks the day's headers that pass the filters, duplicates left out; the first walk
  // repairs the duplicates it meets.
  Status Walk(const Each& each);
  DayHeader Read() const;
  bool Filtered(const DayHeader& h) const;
  void Repair(const DayHeader& h);
  bool CostKind(const std::string& rd);

  Status Plain();
  Status Agents();
  // A section of the documents `wanted` picks.
  Status Section(DailySection section, const std::function<bool(const DayHeader&)>& wanted, std::string note = {});
  void Ending();

  session::Session& s_;
  store::StoreUi& ui_;
  xbase::WorkArea& dowod_;
  const DailyRequest& request_;
  session::ReportWriter& out_;
  DailyHeading heading_;
  bool sd_razem_ = false;
  std::string pominac_;
  bool has_waluta_ = false, has_split_ = false;
  bool first_walk_ = true;
  std::map<std::string, bool> cost_kinds_;
  DailyOutcome outcome_;
};

DayHeader DailyPass::Read() const {
  DayHeader h;
  DailyDocument& d = h.doc;
  d.rd = PadR(FieldText(dowod_, "RD"), 3);
  d.nrd = FieldText(dowod_, "NRD");
  d.odb = FieldText(dowod_, "ODB");
  d.nodb = FieldText(dowod_, "NODB");
  d.odbiorca = FieldText(dowod_, "ODBIORCA");
  d.spz = PadR(FieldText(dowod_, "SPZ"), 1);
  d.tez = FieldNumber(dowod_, "TEZ");
  d.kwota = FieldNumber(dowod_, "KWOTA");
  if (has_split_) {
    d.kwota2 = FieldNumber(dowod_, "KWOTA2");
    d.spz2 = PadR(FieldText(dowod_, "SPZ2"), 1);
  }
  d.gross = NewRound(FieldNumber(dowod_, "NETTO") + FieldNumber(dowod_, "VAT"), 2);
  d.has_waluta = has_waluta_;
  if (has_waluta_) d.waluta = PadR(FieldText(dowod_, "WALUTA"), 3);
  h.mag = FirstChar(FieldText(dowod_, "MAG"));
  h.s_z = FirstChar(FieldText(dowod_, "S_Z"));
  h.op = FirstChar(FieldText(dowod_, "OPERATOR"));
  // A goods document paid in cash at issue whose amount paid was not recorded.
  if (h.mag != '0' && d.spz == "G" && d.kwota == 0) d.kwota = NewRound(d.gross - std::max(d.kwota2, 0.0), 2);
  return h;
}

bool DailyPass::Filtered(const DayHeader& h) const {
  if (!request_.operators.empty() && request_.operators.find(h.op) == std::string::npos) return true;
  const std::string rd = AllTrim(h.doc.rd);
  return !pominac_.empty() && !rd.empty() && pominac_.find("," + rd + ",") != std::string::npos;
}

void DailyPass::Repair(const DayHeader& h) {
  if (s_.InArchive()) {
    ++outcome_.duplicates_left;
    return;
  }
  const uint32_t recno = dowod_.recno();
  if (!store::RecLockArea(ui_, dowod_, kDuplicateLockSeconds).ok()) {
    ++outcome_.duplicates_left;  // another station has it: left in place
    return;
  }
  if (dowod_.deleted()) {  // another station's report took it away meanwhile
    (void)dowod_.UnlockRecord(recno);  // nothing written: only the lock goes
    return;
  }
  Status st = dowod_.Delete();
  if (st.ok()) st = dowod_.Flush();
  if (!st.ok()) dowod_.DiscardChanges();
  const Status unlocked = dowod_.UnlockRecord(recno);
  if (!st.ok() || !unlocked.ok()) {
    ++outcome_.duplicates_left;
    return;
  }
  ++outcome_.duplicates_deleted;
  const std::string text = "powtorzony naglowek usuniety w raporcie dziennym, op.dowodu " + std::string(1, h.op);
  if (!session::AuditLog(s_, h.doc.rd, h.doc.nrd, text).ok()) ++outcome_.notes_not_written;
}

Status DailyPass::Walk(const Each& each) {
  const bool repair = first_walk_;
  first_walk_ = false;
  auto found = dowod_.SeekKey(Dtos(request_.day), true);
  HURT_RETURN_IF_ERROR(found.status());
  std::string previous;  // kind and number of the header before
  while (!dowod_.eof() && FieldDate(dowod_, "DATA") == request_.day) {
    const DayHeader h = Read();
    if (!Filtered(h)) {
      const std::string key = h.doc.rd + h.doc.nrd;
      if (key == previous && h.mag != ' ' && h.mag != '0') {
        if (repair) Repair(h);
      } else {
        previous = key;
        each(h);
      }
    }
    HURT_RETURN_IF_ERROR(dowod_.Skip(1));
  }
  return Status::Ok();
}

bool DailyPass::CostKind(const std::string& rd) {
  auto at = cost_kinds_.find(rd);
  if (at != cost_kinds_.end()) return at->second;
  bool cost = false;
  xbase::WorkArea* slow = s_.areas().Area(store::Table(store::TableId::kSlow).area);
  if (slow != nullptr && slow->order_count() >= 1) {
    session::AreaPosition keep(slow);
    if (slow->SetOrder(1).ok()) {
      auto kind = documents::ReadKind(*slow, rd);
      cost = kind.ok() && kind->HasTag("KOSZTY");
    }
  }
  cost_kinds_.emplace(rd, cost);
  return cost;
}

Status DailyPass::Section(DailySection section, const std::function<bool(const DayHeader&)>& wanted,
                          std::string note) {
  DailySectionPrinter printer(out_, heading_, section, sd_razem_, std::move(note));
  printer.Begin();
  HURT_RETURN_IF_ERROR(Walk([&](const DayHeader& h) {
    if (wanted(h)) printer.Document(h.doc);
  }));
  printer.End();
  return Status::Ok();
}

Status DailyPass::Plain() {
  bool purchases = false, money = false, costs = false;
  const bool split_costs = request_.variant == DailyVariant::kCosts;
  HURT_RETURN_IF_ERROR(Section(DailySection::kSales, [&](const DayHeader& h) {
    if (h.mag == '0') {
      money = true;
      return false;
    }
    if (h.s_z == 'Z') purchases = true;
    if (h.s_z != 'S') return false;
    if (split_costs && CostKind(h.doc.rd)) {
      costs = true;
      return false;
    }
    return true;
  }));
  if (costs) {
    HURT_RETURN_IF_ERROR(Section(DailySection::kCosts, [&](const DayHeader& h) {
      return h.mag != '0' && h.s_z == 'S' && CostKind(h.doc.rd);
    }));
  }
  if (purchases) {
    HURT_RETURN_IF_ERROR(
        Section(DailySection::kPurchases, [](const DayHeader& h) { return h.mag != '0' && h.s_z == 'Z'; }));
  }
  if (money) HURT_RETURN_IF_ERROR(Section(DailySection::kMoney, [](const DayHeader& h) { return h.mag == '0'; }));
  return Status::Ok();
}

Status DailyPass::Agents() {
  // The operators with sales that day, in the order of their characters.
  std::array<bool, 256> seen{};
  HURT_RETURN_IF_ERROR(Walk([&](const DayHeader& h) {
    if (h.mag != '0' && h.s_z == 'S') seen[static_cast<unsigned char>(h.op)] = true;
  }));
  struct AgentTotal {
    char op;
    DailyTotals totals;
  };
  std::vector<AgentTotal> agents;
  for (int c = 0; c < 256; ++c) {
    if (!seen[static_cast<size_t>(c)]) continue;
    const char op = static_cast<char>(c);
    DailySectionPrinter printer(out_, heading_, DailySection::kAgent, sd_razem_,
                                "Akwizytor (operator): " + std::string(1, op));
    printer.Begin();
    HURT_RETURN_IF_ERROR(Walk([&](const DayHeader& h) {
      if (h.op == op && h.mag != '0' && h.s_z == 'S') printer.Document(h.doc);
    }));
    printer.End();
    agents.push_back({op, printer.totals()});
  }
  out_.Line("");
  out_.Line("ZESTAWIENIE AKWIZYTOROW           " + Dtoc(request_.day) + "r");
  out_.Line(std::string(kDailyWidth, '-'));
  DailyTotals all;
  int lp = 0;
  for (const AgentTotal& a : agents) {
    out_.Line(TransformNumber(++lp, "9999") + Space(18) + PadR("Akwizytor (operator): " + std::string(1, a.op), 85) +
              DailyAmount(a.totals.cash) + "   " + DailyAmount(a.totals.other));
    all.cash = NewRound(all.cash + a.totals.cash, 2);
    all.other = NewRound(all.other + a.totals.other, 2);
  }
  out_.Line(std::string(kDailyWidth, '-'));
  out_.Line(Space(26) + "Lacznie" + Space(74) + DailyAmount(all.cash) + "   " + DailyAmount(all.other));
  return Status::Ok();
}

void DailyPass::Ending() {
  if (s_.FileX("R_CZAS.TXT")) out_.Line(Dtoc(s_.Today()) + " godz." + s_.clock().TimeText());
  for (int i = 0; i < kEmptyLinesAtEnd; ++i) out_.Line("");
}

Result<DailyOutcome> DailyPass::Run() {
  if (dowod_.order_count() < kByDate) return Status::NotFound("Brak indeksu dowod2");
  KeepArea keep(dowod_);
  dowod_.SetDeletedHidden(true);
  HURT_RETURN_IF_ERROR(dowod_.SetOrder(kByDate));
  HURT_RETURN_IF_ERROR(request_.variant == DailyVariant::kAgents ? Agents() : Plain());
  Ending();
  return outcome_;
}

}  // namespace

Result<bool> DayHasDocuments(xbase::WorkArea& dowod, JulianDay day) {
  if (dowod.order_count() < kByDate) return Status::NotFound("Brak indeksu dowod2");
  KeepArea keep(dowod);
  dowod.SetDeletedHidden(true);
  HURT_RETURN_IF_ERROR(dowod.SetOrder(kByDate));
  auto found = dowod.SeekKey(Dtos(day));
  HURT_RETURN_IF_ERROR(found.status());
  return *found;
}

DailyHeading DailyHeadingOf(session::Session& s, const DailyRequest& request) {
  DailyHeading h;
  h.day = request.day;
  h.symbol = AllTrim(s.settings().Text("J_FV_SYMBO"));
  h.operators = AllTrim(request.operators);
  h.printer = DailyPrinterOf(s.vars().Text("M_DRUKARKA"));
  xbase::WorkArea* firma = s.areas().Area(store::Table(store::TableId::kFirma).area);
  if (firma == nullptr) return h;
  session::AreaPosition keep(firma);
  if (!firma->GoTop().ok() || firma->eof()) return h;
  for (const char* f : {"NODB", "KODB", "MODB", "UODB"}) {
    const std::string part = AllTrim(FieldText(*firma, f));
    if (part.empty()) continue;
    if (!h.firm.empty()) h.firm += ",  ";
    h.firm += part;
  }
  for (const char* f : {"NODB1", "NODB2"}) {
    const std::string line = AllTrim(FieldText(*firma, f));
    if (!line.empty()) h.names.push_back(line);
  }
  return h;
}

Result<DailyOutcome> DrukTab(session::Session& s, store::StoreUi& ui, xbase::WorkArea& dowod,
                             const DailyRequest& request, session::ReportWriter& out) {
  DailyPass pass(s, ui, dowod, request, out);
  return pass.Run();
}

}  // namespace hurt::reports
