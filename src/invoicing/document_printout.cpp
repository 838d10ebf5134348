#include "invoicing/document_printout.h"

#include <cmath>
#include <vector>

#include "base/text.h"
#include "console/message_window.h"
#include "documents/line_grid_parts.h"
#include "invoicing/invoice_tables.h"
#include "invoicing/money_form.h"
#include "session/init_tables.h"
#include "session/session.h"
#include "session/store_ui.h"
#include "session/viewer.h"

namespace hurt::invoicing {

namespace {

// Seconds a working line is retried for while its reconciled VAT is written.
constexpr double kLineLockWait = 5;

int WholeDays(double x) { return static_cast<int>(std::lround(x)); }

char FirstOr(const std::string& text, char fallback) {
  return IsBlank(text) ? fallback : AllTrim(text)[0];
}

// The header of the document under edit, from its variables.
InvoiceHeader HeaderFromVariables(const session::SessionVariables& v) {
  InvoiceHeader h;
  h.rd = PadR(v.Text("M_RD"), 3);
  h.nrd = PadL(AllTrim(v.Text("M_NRD")), 8);
  h.data = v.Date("M_DATA");
  h.data_wyd = v.Date("M_DATA_WYD");
  h.data_fa = v.Date("M_DATA_FA");
  h.mag = v.Text("M_MAG");
  h.odb = v.Text("M_ODB");
  h.nip_kraj = v.Text("M_NIP_KRAJ");
  h.regon = v.Text("M_REGON");
  h.nodb = v.Text("M_NODB");
  h.nodb1 = v.Text("M_NODB1");
  h.uodb = v.Text("M_UODB");
  h.kodb = v.Text("M_KODB");
  h.modb = v.Text("M_MODB");
  h.odbiorca = v.Text("M_ODBIORCA");
  h.spz = FirstOr(v.Text("M_SPZ"), 'G');
  h.tez = WholeDays(v.Number("M_TEZ"));
  h.transport = FirstOr(v.Text("M_TRANSPORT"), ' ');
  for (std::string_view b : {"M_B100", "M_B50", "M_B20", "M_B10", "M_B05"}) {
    if (std::fabs(v.Number(b)) >= 0.005) h.vouchers = true;
  }
  h.reszta = v.Number("M_RESZTA");
  h.rabat = v.Number("M_RABAT");
  h.jezyk = v.Text("M_JEZYK");
  h.waluta = v.Text("M_WALUTA");
  h.kurs = v.Number("M_KURS");
  h.data_kursu = v.Date("M_DATA_KURSU");
  h.nr_banku = WholeDays(v.Number("M_NR_BANKU"));
  if (h.nr_banku < 0 || h.nr_banku > 4) h.nr_banku = 0;
  h.kwota = v.Number("M_KWOTA");
  return h;
}

}  // namespace

Result<FakturaResult> DrukujEdytowany(session::Session& session, store::StoreUi& ui, xbase::WorkArea& dd) {
  session::SessionVariables& v = session.vars();
  FakturaResult result;
  InvoiceData& data = result.data;
  data.header = HeaderFromVariables(v);
  const std::string& rd = data.header.rd;

  xbase::WorkArea* slow = SessionAreaOf(session, store::TableId::kSlow);
  if (slow != nullptr) {
    AreaPosition keep_slow(slow);
    // Without its order the seek misses and the document's own kind serves.
    if (slow->order_count() > 0) (void)slow->SetOrder(1);
    auto kind = ReadKind(*slow, rd);
    if (kind.ok()) data.kind = *kind;
  }
  if (data.kind.rd.empty()) {
    data.kind.rd = rd;
    data.kind.r_p = FirstOr(v.Text("M_R_P"), 'R');
    data.kind.s_z = FirstOr(v.Text("M_S_Z"), 'S');
  }

  // The lines in the order they were entered.
  std::vector<uint32_t> recnos;
  {
    const uint32_t back = dd.recno();
    const bool was_eof = dd.eof();
    const int order = dd.order();
    if (order != 0) HURT_RETURN_IF_ERROR(dd.SetOrder(0));
    for (Status st = dd.GoTop(); !dd.eof(); st = dd.Skip(1)) {
      HURT_RETURN_IF_ERROR(st);
      if (dd.deleted()) continue;
      data.lines.push_back(LineFromRecord(dd));
      recnos.push_back(dd.recno());
    }
    // The order and position the caller had, after a read-only scan.
    if (order != 0) (void)dd.SetOrder(order);
    if (was_eof || back == 0) {
      (void)dd.GoBottom();
      if (!dd.eof()) (void)dd.Skip(1);
    } else {
      (void)dd.GoTo(back);
    }
  }
  if (data.lines.empty()) return Status::NotFound("Brak pozycji do druku");

  char nb = documents::DocumentBasis(session, data.kind);
  if (nb != 'B' && nb != 'N') nb = data.kind.IsGross() ? 'B' : 'N';

  const char kto = FirstOr(v.Text("M_KTO"), FirstOr(std::string(1, data.kind.kto), 'O'));
  data.seller = ReadSeller(session);
  data.buyer = ReadBuyer(session, kto, data.header.odb);
  // The marker of a cancelled invoice ("F125.---") cancels the printout of its number
  // here as in a reprint (PrintSettingsFor finds it).
  data.settings = PrintSettingsFor(session, data.kind, data.header);

  const OryginalStep step = OryginalOfPrintout(session, data, session.hh() + rd + data.header.nrd);
  result.form = FvFaktura("FV", nb, data);

  // A cancelled form prints no totals: nothing of the reconciliation goes to the lines.
  if (!data.settings.cancelled) {
    auto written = WriteBackReconciled(ui, dd, recnos, data.lines, result.form.lines, kLineLockWait);
    if (!written.ok()) return Status::Busy("Pozycje dowodu zajete - nie zapisano VAT");
    result.written_back = *written;
  }

  // Only which copy prints next: a setting not stored prints the same copy again.
  (void)session.settings().SetText("J_ORYGINAL", std::string(1, step.stored));
  result.oryginal_next = step.stored;
  if (data.settings.cancelled) {
    DropCancelledMarker(session, data.header.nrd);
    result.cancelled = true;
  }
  // A new document's number is on paper now: posting keeps it.
  if (static_cast<int>(v.Number("KLUCZ")) == 0) v.Set("JEST_WYDRUK", xbase::Value(true));
  return result;
}

bool DrukDow(session::Session& session, xbase::WorkArea& dd, std::optional<InvoiceData>* similar) {
  return DrukDow(session, dd, session::ViewerSetup::FromProcess(), similar);
}

bool DrukDow(session::Session& session, xbase::WorkArea& dd, const session::ViewerSetup& setup,
             std::optional<InvoiceData>* similar) {
  session::SessionVariables& v = session.vars();
  if (static_cast<int>(v.Number("KLUCZ")) == 1) {
    FakturaRequest request;
    request.data = v.Date("M_DATA");
    request.rd = v.Text("M_RD");
    request.nrd = v.Text("M_NRD");
    if (similar != nullptr) {
      request.z_przegladu = true;
      request.on_similar = [similar](const InvoiceData& pattern) { *similar = pattern; };
    }
    return Faktura(session, request, setup);
  }
  session::ConsoleStoreUi ui(session.con());
  auto printed = DrukujEdytowany(session, ui, dd);
  if (!printed.ok()) {
    console::Okno_(session.con(), printed.status().message(), 3);
    return false;
  }
  const std::string text = std::move(printed->form.text);
  session::ViewDruk(session, [&text](session::ReportWriter& out) { out.Write(text); }, {}, setup);
  return true;
}

}  // namespace hurt::invoicing
