#include "orders/advance_invoices.h"

#include <string>
#include <vector>

#include "base/date.h"
#include "base/numeric.h"
#include "base/short_date.h"
#include "base/text.h"
#include "console/browse.h"
#include "console/keys.h"
#include "console/menu.h"
#include "console/message_window.h"
#include "documents/line_editor.h"
#include "invoicing/document_summary.h"
#include "invoicing/invoice_tables.h"
#include "invoicing/invoice_ui.h"
#include "invoicing/similar_document.h"
#include "orders/saved_orders.h"
#include "session/area_fields.h"
#include "session/area_position.h"
#include "session/operator_rights.h"
#include "session/session.h"
#include "session/side_table.h"
#include "session/store_ui.h"
#include "session/var_names.h"
#include "store/net_use.h"

namespace hurt::orders {

using session::FieldDate;
using session::FieldText;
namespace key = console::key;

namespace {

constexpr double kLockSeconds = 10;
// More invoices of one customer in a month than a list can sensibly offer.
constexpr size_t kMostOffered = 500;

std::string InvoiceKey(const xbase::WorkArea& a) {
  return FieldText(a, "RD") + FieldText(a, "NRD") + FieldText(a, "ODB") + Dtos(FieldDate(a, "DATA"));
}

bool Joined(xbase::WorkArea& zal, const std::string& key) {
  if (zal.order() != 1 && !zal.SetOrder(1).ok()) return false;
  auto at = zal.SeekKey(key);
  return at.ok() && *at;
}

// The advance invoices of the month of customer `odb` not joined to any order yet.
std::vector<uint32_t> Offered(session::Session& s, xbase::WorkArea& dowod, xbase::WorkArea& zal,
                              const std::string& odb) {
  std::vector<uint32_t> out;
  const std::string kind = PadR(AllTrim(s.settings().Text("J_FZ")), 3);
  if (IsBlank(kind) || !dowod.SetOrder(1).ok()) return out;
  auto at = dowod.SeekKey(kind);
  for (bool more = at.ok() && *at; more && !dowod.eof() && out.size() < kMostOffered; more = dowod.Skip(1).ok()) {
    if (FieldText(dowod, "RD") != kind) break;
    if (FieldText(dowod, "ODB") == odb && !Joined(zal, InvoiceKey(dowod))) out.push_back(dowod.recno());
  }
  return out;
}

}  // namespace

Status CopyAdvance(session::Session& s, store::StoreUi& ui, const xbase::WorkArea& dowod, const xbase::WorkArea& order,
                   xbase::WorkArea& zal) {
  // The file lock keeps a second station from joining the same invoice meanwhile.
  HURT_RETURN_IF_ERROR(store::FilLockArea(ui, zal, kLockSeconds));
  Status st = Joined(zal, InvoiceKey(dowod))
                  ? Status::Invalid("Faktura " + AllTrim(FieldText(dowod, "RD")) + AllTrim(FieldText(dowod, "NRD")) +
                                    " jest juz dolaczona do zamowienia")
                  : store::AddRecArea(ui, zal, kLockSeconds);
  const bool appended = st.ok();
  for (int i = 0; st.ok() && i < zal.field_count(); ++i) {
    const xbase::DbfFieldDescriptor& f = zal.field(i);
    if (f.type == 'M' || dowod.FieldIndex(f.name) < 0) continue;
    auto v = dowod.Get(f.name);
    st = v.ok() ? zal.Replace(i, *v) : v.status();
  }
  if (st.ok()) st = zal.Replace("ZAM_RD", xbase::Value(FieldText(order, "RD")));
  if (st.ok()) st = zal.Replace("ZAM_NRD", xbase::Value(FieldText(order, "NRD")));
  if (st.ok()) st = zal.Replace("ZAM_DATA", xbase::Value(xbase::Date{FieldDate(order, "DATA")}));
  if (st.ok() && zal.FieldIndex("OPERATOR_Z") >= 0) st = zal.Replace("OPERATOR_Z", xbase::Value(Left(s.op().nr, 1)));
  if (st.ok()) st = zal.Commit();
  if (!st.ok() && appended) {
    // Nothing half-joined stays: the new record goes again.
    (void)zal.Delete();
    (void)zal.Commit();
  }
  (void)zal.Unlock();
  return st;
}

void JoinAdvance(session::Session& s, store::StoreUi& ui, xbase::WorkArea& order, xbase::WorkArea& zal) {
  console::Console& con = s.con();
  if (FieldDate(order, "ARC_DATA") != kEmptyDate) {
    console::Okno_(con, "Zamowienie zrealizowane - nic nie dolaczam", 3);
    return;
  }
  xbase::WorkArea* dowod = invoicing::SessionAreaOf(s, store::TableId::kDowod);
  if (dowod == nullptr) {
    console::Okno_(con, "Plik dowod niedostepny", 3);
    return;
  }
  session::AreaPosition keep(dowod);
  const std::string filter = dowod->filter();
  (void)dowod->SetFilter("");
  const std::string odb = FieldText(order, "ODB");
  const std::vector<uint32_t> offered = Offered(s, *dowod, zal, odb);
  if (offered.empty()) {
    console::Okno_(con, "Brak faktur " + AllTrim(s.settings().Text("J_FZ")) + " odbiorcy " + AllTrim(odb) +
                            " do dolaczenia w tym miesiacu", 3);
    (void)dowod->SetFilter(filter);
    return;
  }
  std::vector<std::string> lines;
  for (uint32_t r : offered) {
    if (dowod->GoTo(r).ok()) lines.push_back(invoicing::DocumentSummaryLine(*dowod));
  }
  const console::SavedScreen saved = con.SaveScreen();
  con.Box(5, 0, 20, 79, console::DoubleFrame(), con.colours().standard, ' ');
  con.Say(5, 2, " Zaliczka do zamowienia " + AllTrim(FieldText(order, "RD")) + AllTrim(FieldText(order, "NRD")) + " ");
  console::VectorListSource source(lines);
  console::PickList list(con, source, 6, 1, 19, 78);
  const console::PickResult r = list.Run(1);
  con.RestoreScreen(saved);
  if (r.exit == console::PickExit::kChosen && r.choice >= 1 && static_cast<size_t>(r.choice) <= offered.size() &&
      dowod->GoTo(offered[static_cast<size_t>(r.choice) - 1]).ok() &&
      console::Okno(con,
                    "Dolaczyc " + AllTrim(FieldText(*dowod, "RD")) + AllTrim(FieldText(*dowod, "NRD")) +
                        " do zamowienia " + AllTrim(FieldText(order, "RD")) + AllTrim(FieldText(order, "NRD")) + " ?",
                    "T")) {
    const Status st = CopyAdvance(s, ui, *dowod, order, zal);
    if (st.IsBusy()) {
      console::Okno_(con, "Plik fv_zal/dowod zajety - nic nie dolaczono", 3);
    } else if (!st.ok()) {
      console::Okno_(con, st.code() == StatusCode::kInvalid ? st.message() : "Nie dolaczono: " + st.message(), 3);
    }
  }
  (void)dowod->SetFilter(filter);
}

namespace {

// The invoice of an order this station holds.
void InvoiceHeldOrder(session::Session& s, store::StoreUi& ui, xbase::WorkArea& order, xbase::WorkArea& lines,
                      xbase::WorkArea* zal) {
  console::Console& con = s.con();
  xbase::WorkArea* slow = invoicing::SessionAreaOf(s, store::TableId::kSlow);
  xbase::WorkArea* dowod = invoicing::SessionAreaOf(s, store::TableId::kDowod);
  if (slow == nullptr || dowod == nullptr) {
    console::Okno_(con, "Plik dowod niedostepny", 3);
    return;
  }
  const std::string rd = PadR(AllTrim(s.settings().Text("J_FZ")), 3);
  invoicing::InvoiceData pattern;
  {
    session::AreaPosition keep(slow);
    (void)slow->SetOrder(1);
    auto kind = documents::ReadKind(*slow, rd);
    if (IsBlank(rd) || !kind.ok()) {
      console::Okno_(con, "Brak rodzaju dowodu " + AllTrim(rd), 3);
      return;
    }
    pattern.kind = *kind;
  }
  pattern.header = invoicing::HeaderFromRecord(order);
  pattern.header.rd = rd;
  const std::string key = FieldText(order, "ODB") + FieldText(order, "RD") + FieldText(order, "NRD");
  auto at = lines.SeekKey(key);
  for (bool more = at.ok() && *at; more && !lines.eof(); more = lines.Skip(1).ok()) {
    if (FieldText(lines, "ODB") + FieldText(lines, "RD") + FieldText(lines, "NRD") != key) break;
    pattern.lines.push_back(invoicing::LineFromRecord(lines));
  }
  if (pattern.lines.empty()) {
    console::Okno_(con, "Zamowienie nie ma pozycji", 3);
    return;
  }

  session::SessionVariables& v = s.vars();
  namespace var = session::var;
  invoicing::PodobnyOptions options;
  options.editor = [&](session::Session& session) {
    v.Set(var::M_ZAM_RD, xbase::Value(FieldText(order, "RD")));
    v.Set(var::M_ZAM_NRD, xbase::Value(FieldText(order, "NRD")));
    v.Set(var::M_ZAM_DATA, xbase::Value(xbase::Date{FieldDate(order, "DATA")}));
    return documents::EditInDocumentScreen(session, pattern.kind);
  };
  invoicing::ConsoleInvoiceUi invoice_ui(con, ui);
  const xbase::Value klucz = v.Get(var::KLUCZ);
  const invoicing::PodobnyResult made = invoicing::PodobnyDowod(s, invoice_ui, pattern, options);
  // Posting clears the order's kind once the invoice carries it.
  const bool posted = made.made && IsBlank(v.Text(var::M_ZAM_RD));
  const std::string nrd = PadL(AllTrim(v.Text(var::M_NRD)), 8);
  v.Set(var::M_ZAM_RD, xbase::Value(std::string()));
  v.Set(var::M_ZAM_NRD, xbase::Value(std::string()));
  v.Set(var::KLUCZ, klucz);
  if (!posted) return;

  Status st = zal == nullptr ? Status::NotFound("fv_zal/dowod") : Status::Ok();
  if (st.ok()) {
    session::AreaPosition keep(dowod);
    const std::string filter = dowod->filter();
    (void)dowod->SetFilter("");
    st = dowod->SetOrder(1);
    auto found = st.ok() ? dowod->SeekKey(rd + nrd) : Result<bool>(st);
    if (!found.ok() || !*found) st = found.ok() ? Status::NotFound(rd + nrd) : found.status();
    if (st.ok()) st = CopyAdvance(s, ui, *dowod, order, *zal);
    (void)dowod->SetFilter(filter);
  }
  if (!st.ok())
    console::Okno_(con, "Faktura " + AllTrim(rd) + AllTrim(nrd) + " zapisana, nie dolaczona do zamowienia: Tab dolaczy ja",
                   3);
}

}  // namespace

void InvoiceOrder(session::Session& s, store::StoreUi& ui, xbase::WorkArea& order, xbase::WorkArea& lines,
                  xbase::WorkArea* zal) {
  console::Console& con = s.con();
  // One station invoices an order at a time: the order's header stays locked while its
  // invoice is in the document screen (a mark or a cancel elsewhere waits and gives up).
  const uint32_t recno = order.recno();
  if (!order.LockRecord().ok()) {
    console::Okno_(con, "Zamowienie fakturowane na innej stacji", 3);
    return;
  }
  if (order.deleted()) {
    console::Okno_(con, "Dowod anulowany " + Dtoc(FieldDate(order, "DATA")), 3);
  } else if (FieldDate(order, "ARC_DATA") != kEmptyDate) {
    console::Okno_(con, "Zamowienie zrealizowane - nie fakturuje", 3);
  } else if (zal == nullptr ||
             !HasAdvances(*zal, FieldText(order, "ODB"), FieldText(order, "RD"), FieldText(order, "NRD")) ||
             console::Okno(con, "Jest juz faktura. Wystawic kolejna ?", "N")) {
    InvoiceHeldOrder(s, ui, order, lines, zal);
  }
  (void)order.GoTo(recno);
  (void)order.UnlockRecord(recno);
}

void FakturyZaliczkowe(session::Session& s) {
  console::Console& con = s.con();
  session::SideTable table(s, store::TableId::kZalDowod, 225, 231, "_p");
  xbase::WorkArea* zal = table.get();
  if (zal == nullptr) {
    console::Okno_(con, "Plik fv_zal/dowod niedostepny", 3);
    return;
  }
  (void)zal->SetOrder(3);
  (void)zal->GoTop();
  const console::SavedScreen saved = con.SaveScreen();
  con.Clear();
  con.Say(0, 0, PadR("                     F A K T U R Y   Z A L I C Z K O W E", 80), con.colours().enhanced);
  con.Say(24, 0, PadR("F8-odlaczenie od zamowienia   Esc-wyjscie", 80), con.colours().enhanced);
  session::AreaSource source(*zal);
  console::Browse browse(con, source, 2, 0, 22, 79);
  browse.AddColumn(session::PaddedColumn("RD", 3, [zal] { return FieldText(*zal, "RD"); }));
  browse.AddColumn(session::PaddedColumn("NRD", 8, [zal] { return FieldText(*zal, "NRD"); }));
  browse.AddColumn(console::BrowseColumn::Date("DATA", [zal] { return FieldDate(*zal, "DATA"); }));
  browse.AddColumn(session::PaddedColumn("ODB", 8, [zal] { return FieldText(*zal, "ODB"); }));
  browse.AddColumn(session::PaddedColumn("BRUTTO", 12, [zal] {
    return PadL(FormatFixed(invoicing::HeaderGross(*zal), 2), 12);
  }));
  browse.AddColumn(session::PaddedColumn("ZAMOWIENIE", 11, [zal] { return FieldText(*zal, "ZAM_RD") + FieldText(*zal, "ZAM_NRD"); }));
  browse.AddColumn(console::BrowseColumn::Date("Z DNIA", [zal] { return FieldDate(*zal, "ZAM_DATA"); }));
  session::ConsoleStoreUi ui(con);
  con.SetLastKey(key::kNone);
  browse.Run([&](console::BrowseMode mode, int) {
    const int k = console::KeyToAnswer(con, mode);
    if (k == key::kEsc) return console::BrowseAction::kLeave;
    if (mode != console::BrowseMode::kException || (k != key::F(8) && k != key::F(8) + 256))
      return console::BrowseAction::kContinue;
    const std::string invoice = AllTrim(FieldText(*zal, "RD")) + AllTrim(FieldText(*zal, "NRD"));
    const std::string order = AllTrim(FieldText(*zal, "ZAM_RD")) + AllTrim(FieldText(*zal, "ZAM_NRD"));
    if (!console::Okno(con, "Odlaczyc " + invoice + " od zamowienia " + order + " ?", "N") ||
        !session::Haslo(s, session::HasloKind::kSupervisor))
      return console::BrowseAction::kRepaint;
    Status st = store::RecLockArea(ui, *zal, kLockSeconds);
    if (st.ok()) st = zal->Delete();
    if (st.ok()) st = zal->Commit();
    (void)zal->Unlock();
    if (!st.ok()) {
      console::Okno_(con, "Faktura zajeta - nic nie zmieniono", 3);
    } else if (!zal->Skip(1).ok() || zal->eof()) {
      (void)zal->GoTop();
    }
    return console::BrowseAction::kRepaint;
  });
  con.RestoreScreen(saved);
}

}  // namespace hurt::orders
