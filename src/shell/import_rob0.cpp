#include "shell/import_rob0.h"

#include <algorithm>

#include "base/numeric.h"
#include "base/text.h"
#include "console/message_window.h"
#include "documents/posting.h"
#include "session/area_fields.h"
#include "session/init_tables.h"
#include "session/not_built.h"
#include "session/session.h"
#include "shell/startup_util.h"
#include "xbase/table.h"

namespace hurt::shell {

namespace {

constexpr int kDdArea = 4;
constexpr int kZoArea = 3;
constexpr int kSlowArea = 9;
constexpr int kLockSeconds = 1;

// Appends the live records of `from` to the area, field by field by name, through the
// area so that its orders follow.
Status AppendFromTable(xbase::WorkArea& to, xbase::Table& from) {
  xbase::RecordScanner scan(from);
  xbase::Record rec;
  while (scan.Next(&rec)) {
    if (rec.deleted()) continue;
    HURT_RETURN_IF_ERROR(to.Append());
    for (int i = 0; i < to.field_count(); ++i) {
      int s = from.FieldIndex(to.field(i).name);
      if (s < 0) continue;
      auto value = rec.GetValue(s);
      if (!value.ok()) continue;
      const xbase::DbfFieldDescriptor& f = from.fields()[static_cast<size_t>(s)];
      char ft = f.type == 'F' ? 'N' : f.type;
      if (ft != to.field(i).type) continue;
      (void)to.Replace(i, *value);
    }
  }
  HURT_RETURN_IF_ERROR(scan.status());
  return to.Unlock();
}

// The kind exists in the dictionary of document kinds; added when missing.
bool EnsureKind(Session& session, const Rob0Document& doc) {
  xbase::WorkArea* slow = session.areas().Area(kSlowArea);
  if (slow == nullptr) return false;
  auto found = slow->Seek(xbase::Value(doc.rd));
  if (found.ok() && *found) return true;
  if (!slow->Append().ok()) return false;
  (void)slow->Replace("RD", xbase::Value(doc.rd));
  (void)slow->Replace("OPIS", xbase::Value("DOWOD"));
  (void)slow->Replace("CUV", xbase::Value("U"));
  (void)slow->Replace("KTO", xbase::Value("O"));
  (void)slow->Replace("MAG", xbase::Value(doc.mag));
  (void)slow->Replace("NB", xbase::Value(doc.nb));
  return slow->Unlock().ok();
}

// The kind's counter follows the imported number.
void RaiseCounter(Session& session, const Rob0Document& doc) {
  xbase::WorkArea* slow = session.areas().Area(kSlowArea);
  if (slow == nullptr) return;
  auto found = slow->Seek(xbase::Value(doc.rd));
  if (!found.ok() || !*found) return;
  double imported = Val(doc.nrd);
  auto current = slow->Get("NRD");
  if (!current.ok() || imported <= current->AsNumber()) return;
  if (!LockWithWait(session, *slow, kLockSeconds)) return;
  (void)slow->Replace("NRD", xbase::Value(imported));
  (void)slow->Unlock();
}

// The counterparty exists in zo (added with its code as name) and its data go into the
// working variables.
bool EnsureCounterparty(Session& session, const Rob0Document& doc) {
  xbase::WorkArea* zo = session.areas().Area(kZoArea);
  if (zo == nullptr) return false;
  auto found = zo->Seek(xbase::Value(doc.odb));
  if (!found.ok()) return false;
  if (!*found) {
    if (!zo->Append().ok()) return false;
    (void)zo->Replace("ODB", xbase::Value(doc.odb));
    (void)zo->Replace("NODB", xbase::Value(doc.odb));
    if (!zo->Unlock().ok()) return false;
  }
  for (std::string_view f : {"NODB", "NODB1", "NODB2", "UODB", "KODB", "MODB", "BODB", "NRBO", "REGON", "NIP_KRAJ"})
    if (zo->FieldIndex(f) >= 0) session.vars().Set("M_" + std::string(f), xbase::Value(session::FieldText(*zo, f)));
  return true;
}

}  // namespace

void ChoosePaymentForm(Rob0Document& doc, const std::string& line_spz, int line_tez, bool line_has_payment,
                       int default_days) {
  if (Left(doc.rd, 2) == "SD") {
    doc.spz = "G";
    doc.tez = 0;
  } else if (doc.rd == "WZ ") {
    doc.spz = "B";
    doc.tez = 0;
  } else {
    doc.spz = "T";
    doc.tez = default_days;
  }
  if (line_has_payment && line_spz.size() == 1 && std::string_view("GTPBCF").find(line_spz[0]) != std::string_view::npos) {
    doc.spz = line_spz;
    doc.tez = line_tez;
  }
}

Result<std::optional<Rob0Document>> ReadRob0Document(Session& session) {
  xbase::WorkArea* dd = session.areas().Area(kDdArea);
  if (dd == nullptr) return Status::Invalid("the working lines are not open");
  const int saved_order = dd->order();
  HURT_RETURN_IF_ERROR(dd->SetOrder(0));
  HURT_RETURN_IF_ERROR(dd->GoTop());
  std::optional<Rob0Document> doc;
  if (!dd->eof()) {
    Rob0Document d;
    d.rd = session::FieldText(*dd, "RD");
    d.nrd = session::FieldText(*dd, "NRD");
    d.odb = session::FieldText(*dd, "ODB");
    d.mag = session::FieldText(*dd, "MAG");
    d.nb = session::FieldText(*dd, "NB");
    auto date = dd->Get("DATA");
    d.data = date.ok() ? date->AsDate().day : kEmptyDate;
    bool has_payment = dd->FieldIndex("SPZ") >= 0 && dd->FieldIndex("TEZ") >= 0;
    std::string spz = has_payment ? session::FieldText(*dd, "SPZ") : "";
    auto tez = has_payment ? dd->Get("TEZ") : Result<xbase::Value>(xbase::Value(0));
    ChoosePaymentForm(d, spz, tez.ok() ? static_cast<int>(tez->AsNumber()) : 0, has_payment,
                      session.settings().Tez());
    while (!dd->eof()) {
      auto brutto = dd->Get("BRUTTO");
      if (brutto.ok()) d.brutto = NewRound(d.brutto + brutto->AsNumber(), 2);
      ++d.lines;
      HURT_RETURN_IF_ERROR(dd->Skip());
    }
    doc = d;
  }
  HURT_RETURN_IF_ERROR(dd->SetOrder(saved_order));
  return doc;
}

std::vector<std::string> WaitingRob0Files(Session& session) {
  std::vector<std::string> out;
  for (const std::string folder : {"rob0", "ROB0"}) {
    auto names = session.env().ListDir(session.root() + "/" + folder);
    if (!names.ok()) continue;
    for (const std::string& name : *names) {
      std::string upper = Upper(name);
      if (Left(upper, 2) == "DD" && upper.size() > 4 && upper.substr(upper.size() - 4) == ".DBF")
        out.push_back(folder + "/" + name);
    }
  }
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

bool ZapiszRob0(Session& session) {
  auto read = ReadRob0Document(session);
  if (!read.ok() || !read->has_value()) return false;
  const Rob0Document& doc = **read;
  session.vars().Set("M_RD", xbase::Value(doc.rd));
  session.vars().Set("M_NRD", xbase::Value(doc.nrd));
  session.vars().Set("M_ODB", xbase::Value(doc.odb));
  session.vars().Set("M_MAG", xbase::Value(doc.mag));
  session.vars().Set("M_DATA", xbase::Value(xbase::Date{doc.data}));
  session.vars().Set("M_BRUTTO", xbase::Value(doc.brutto));
  session.vars().Set("M_SPZ", xbase::Value(doc.spz));
  session.vars().Set("M_TEZ", xbase::Value(doc.tez));
  if (!EnsureKind(session, doc) || !EnsureCounterparty(session, doc)) return false;
  RaiseCounter(session, doc);
  // The imported document keeps its own number, as a printed one does: posting takes it
  // when it is free and moves it (saying so) only when another document holds it.
  session.vars().Set("JEST_WYDRUK", xbase::Value(true));
  const bool posted = documents::RepDowWithD(session, 0);
  session.vars().Set("JEST_WYDRUK", xbase::Value(false));
  return posted;
}

void CzytRob0(Session& session) {
  const JulianDay cutoff = JulianFromYmd(2013, 12, 31);
  std::vector<std::string> files = WaitingRob0Files(session);
  if (!files.empty() && session::NoweDd(session)) {
    for (const std::string& file : files) {
      const std::string path = session.root() + "/" + file;
      console::OknoNoWait(session.con(), "Czytam " + file);
      auto table = xbase::Table::Open(session.env(), path, xbase::TableMode::SharedReadOnly());
      if (!table.ok()) continue;
      const xbase::DbfHeader& h = (*table)->header();
      if (!IsValidDate(h.update_year, h.update_month, h.update_day) ||
          JulianFromYmd(h.update_year, h.update_month, h.update_day) < cutoff) {
        console::Okno_(session.con(), "Pomijam");
        continue;
      }
      xbase::WorkArea* dd = session.areas().Area(kDdArea);
      bool posted = dd != nullptr && AppendFromTable(*dd, **table).ok() && ZapiszRob0(session);
      (void)(*table)->Close();
      (void)session::NoweDd(session);
      if (posted) (void)session.env().Remove(path);
    }
  }
  session.con().ClearTypeahead();
  session::SessionVariables& v = session.vars();
  v.Set("M_RD", xbase::Value("   "));
  v.Set("M_NRD", xbase::Value(std::string(8, ' ')));
  v.Set("M_ODB", xbase::Value(std::string(8, ' ')));
  v.Set("M_SPZ", xbase::Value("G"));
  v.Set("M_TEZ", xbase::Value(0));
  v.Set("M_DATA", xbase::Value(xbase::Date{session.Today()}));
  v.Set("M_NAZWA", xbase::Value(std::string(30, ' ')));
}

}  // namespace hurt::shell
