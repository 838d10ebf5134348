#include "invoicing/invoice_printout.h"

#include <memory>

#include "base/text.h"
#include "console/message_window.h"
#include "invoicing/invoice_number.h"
#include "invoicing/invoice_tables.h"
#include "invoicing/money_form.h"
#include "invoicing/printer_codes.h"
#include "invoicing/similar_document.h"
#include "session/session.h"
#include "session/store_ui.h"
#include "session/viewer.h"
#include "store/net_files.h"

namespace hurt::invoicing {

namespace {

// Seconds a line record is retried for while its reconciled VAT is written.
constexpr double kLineLockWait = 10;
// Spare work areas for the tables of another month.
constexpr int kFirstSpareArea = 160;
constexpr int kLastSpareArea = 199;

// Tables of another month opened for one printout; closed when it ends.
class MonthTables {
 public:
  explicit MonthTables(session::Session& session) : session_(session) {}
  ~MonthTables() {
    for (int n : opened_) (void)session_.areas().Close(n);
  }
  MonthTables(const MonthTables&) = delete;
  MonthTables& operator=(const MonthTables&) = delete;

  // Opens `period`/`name`.dbf with its first index `index`.ntx.
  Result<xbase::WorkArea*> Open(const std::string& period, std::string_view name, std::string_view index) {
    std::string relative = period + "/" + std::string(name) + ".dbf";
    std::string dbf = store::FindFileX(session_.env(), session_.Path(relative));
    if (dbf.empty()) return Status::NotFound("Brak pliku " + relative);
    std::string ntx_relative = period + "/" + std::string(index) + ".ntx";
    std::string ntx = store::FindFileX(session_.env(), session_.Path(ntx_relative));
    if (ntx.empty()) return Status::NotFound("Brak pliku " + ntx_relative);
    int n = session_.areas().FirstFree(kFirstSpareArea, kLastSpareArea);
    if (n == 0) return Status::Busy("Problem z otwarciem " + relative);
    auto area = session_.areas().Open(n, dbf, std::string(name) + "_f" + std::to_string(n));
    if (!area.ok()) return Status::IoError("Problem z otwarciem " + relative);
    opened_.push_back(n);
    auto order = (*area)->AttachOrder(ntx);
    if (!order.ok() || !(*area)->SetOrder(*order).ok()) return Status::IoError("Problem z otwarciem " + ntx_relative);
    return *area;
  }

 private:
  session::Session& session_;
  std::vector<int> opened_;
};

}  // namespace

OryginalStep OryginalOfPrintout(session::Session& session, InvoiceData& data, const std::string& document) {
  OryginalContext cycle;
  cycle.page_printer = PrinterTypeOf(data.settings.m_drukarka).page_printer;
  cycle.one_copy_kind = data.kind.HasTag("{1}");
  cycle.spz = data.header.spz;
  cycle.druk_1fv_marker = session.FileX("DRUK_1FV.TXT");
  // The cycle belongs to one invoice: another document starts again from the original.
  char state = data.settings.j_oryginal;
  if ((state == 'O' || state == 'K') && session.vars().Text("M_ORYG_DOW") != document) state = 'X';
  session.vars().Set("M_ORYG_DOW", xbase::Value(document));
  OryginalStep step = StepOryginal(state, cycle);
  data.settings.j_oryginal = step.printed;
  return step;
}

std::string PeriodOfDate(JulianDay data) {
  Ymd d = YmdFromJulian(data);
  return PadL(std::to_string(d.year % 100), 2, '0') + "/" + PadL(std::to_string(d.month), 2, '0');
}

namespace {

// The tables a printout reads: the current month's session areas, or those of another
// month opened in `month`.
struct DocumentTables {
  xbase::WorkArea* dowod = nullptr;
  xbase::WorkArea* dow = nullptr;
  xbase::WorkArea* slow = nullptr;
};

Result<DocumentTables> OpenDocumentTables(session::Session& session, MonthTables& month, const std::string& period,
                                          bool current_month) {
  DocumentTables t;
  if (current_month) {
    t.dowod = SessionAreaOf(session, store::TableId::kDowod);
    t.dow = SessionAreaOf(session, store::TableId::kDow);
    t.slow = SessionAreaOf(session, store::TableId::kSlow);
    if (t.dowod == nullptr || t.dow == nullptr || t.slow == nullptr) {
      return Status::NotFound("Brak pliku " + session.hh() + "/dowod.dbf");
    }
  } else {
    auto a = month.Open(period, "dowod", "dowod1");
    if (!a.ok()) return a.status();
    t.dowod = *a;
    auto b = month.Open(period, "dow", "dow1");
    if (!b.ok()) return b.status();
    t.dow = *b;
    // The kinds of that month; a month without its own dictionary uses the current one.
    auto c = month.Open(period, "slow", "slow");
    t.slow = c.ok() ? *c : SessionAreaOf(session, store::TableId::kSlow);
    if (t.slow == nullptr) return c.status();
  }
  return t;
}

// The header of the document `key` into `data`, with `dowod` left on it; returns its KTO.
Result<char> ReadHeader(xbase::WorkArea& dowod, const std::string& key, const std::string& rd, const std::string& nrd,
                        InvoiceData& data) {
  HURT_RETURN_IF_ERROR(dowod.SetOrder(1));
  auto found = dowod.Seek(xbase::Value(key));
  if (!found.ok()) return found.status();
  if (!*found) return Status::NotFound("Brak dowodu " + AllTrim(rd) + "-" + AllTrim(nrd));
  data.header = HeaderFromRecord(dowod);
  return FieldText(dowod, "KTO").empty() ? 'O' : FieldText(dowod, "KTO")[0];
}

// The kind of the document into `data`.
Status ReadKindOf(xbase::WorkArea& slow, const xbase::WorkArea& dowod, const std::string& rd, InvoiceData& data) {
  if (slow.order_count() > 0) HURT_RETURN_IF_ERROR(slow.SetOrder(1));
  auto kind = ReadKind(slow, rd);
  if (kind.ok()) {
    data.kind = *kind;
  } else {
    // A kind gone from the dictionary still prints, with the class the header carries.
    data.kind.rd = rd;
    data.kind.r_p = FieldText(dowod, "R_P").empty() ? 'R' : FieldText(dowod, "R_P")[0];
    data.kind.s_z = FieldText(dowod, "S_Z").empty() ? 'S' : FieldText(dowod, "S_Z")[0];
  }
  return Status::Ok();
}

// The lines of the document `key`, in LP order, into `data`, their records into
// `recnos`; returns the price basis (the first line's NB, else the kind's).
Result<char> ReadLines(xbase::WorkArea& dow, const std::string& key, InvoiceData& data, std::vector<uint32_t>& recnos) {
  char nb = ' ';
  HURT_RETURN_IF_ERROR(dow.SetOrder(1));
  auto first = dow.Seek(xbase::Value(key));
  if (!first.ok()) return first.status();
  while (*first && !dow.eof()) {
    std::string line_key = PadR(FieldText(dow, "RD"), 3) + PadL(AllTrim(FieldText(dow, "NRD")), 8);
    if (line_key != key) break;
    data.lines.push_back(LineFromRecord(dow));
    recnos.push_back(dow.recno());
    std::string line_nb = FieldText(dow, "NB");
    if (nb == ' ' && !IsBlank(line_nb)) nb = line_nb[0];
    HURT_RETURN_IF_ERROR(dow.Skip(1));
  }
  if (nb == ' ') nb = data.kind.nb;
  return nb;
}

}  // namespace

Result<FakturaResult> DrukujDowod(session::Session& session, store::StoreUi& ui, const FakturaRequest& request) {
  const std::string rd = PadR(request.rd, 3);
  const std::string nrd = PadL(AllTrim(request.nrd), 8);
  const std::string key = rd + nrd;
  const std::string period = PeriodOfDate(request.data);
  const bool current_month = request.data == kEmptyDate || period == session.hh();

  MonthTables month(session);
  auto tables = OpenDocumentTables(session, month, period, current_month);
  if (!tables.ok()) return tables.status();
  xbase::WorkArea* dowod = tables->dowod;
  xbase::WorkArea* dow = tables->dow;
  xbase::WorkArea* slow = tables->slow;
  AreaPosition keep_dowod(current_month ? dowod : nullptr);
  AreaPosition keep_dow(current_month ? dow : nullptr);
  AreaPosition keep_slow(slow);

  FakturaResult result;
  InvoiceData& data = result.data;
  auto kto = ReadHeader(*dowod, key, rd, nrd, data);
  if (!kto.ok()) return kto.status();
  HURT_RETURN_IF_ERROR(ReadKindOf(*slow, *dowod, rd, data));
  std::vector<uint32_t> recnos;
  auto nb = ReadLines(*dow, key, data, recnos);
  if (!nb.ok()) return nb.status();

  data.seller = ReadSeller(session);
  data.buyer = ReadBuyer(session, *kto, data.header.odb);
  data.settings = PrintSettingsFor(session, data.kind, data.header);

  const OryginalStep step = OryginalOfPrintout(session, data, period + key);

  if (IsMoneyDocument(data.header)) {
    // A money document (warehouse "0") has no lines: its own form, nothing to write back.
    result.form = MoneyDocumentForm(data);
  } else {
    result.form = FvFaktura(request.klasa, *nb, data);
  }

  // The reconciled VAT goes onto the stored lines; an archive month is only viewed.
  if (!session.InArchive() && !data.settings.cancelled && !IsMoneyDocument(data.header)) {
    auto written = WriteBackReconciled(ui, *dow, recnos, data.lines, result.form.lines, kLineLockWait);
    if (!written.ok()) {
      return Status::Busy("Linie dowodu " + AllTrim(rd) + "-" + AllTrim(nrd) + " zajete - nie zapisano VAT");
    }
    result.written_back = *written;
  }

  // Only which copy prints next: a setting not stored prints the same copy again.
  (void)session.settings().SetText("J_ORYGINAL", std::string(1, step.stored));
  result.oryginal_next = step.stored;
  if (data.settings.cancelled) {
    DropCancelledMarker(session, nrd);
    result.cancelled = true;
  }
  return result;
}

bool Faktura(session::Session& session, const FakturaRequest& request) {
  return Faktura(session, request, session::ViewerSetup::FromProcess());
}

bool Faktura(session::Session& session, const FakturaRequest& request, const session::ViewerSetup& setup) {
  session::ConsoleStoreUi ui(session.con());
  auto printed = DrukujDowod(session, ui, request);
  if (!printed.ok()) {
    console::Okno_(session.con(), printed.status().message(), 3);
    return false;
  }
  const std::string text = std::move(printed->form.text);
  session::ViewDruk(session, [&text](session::ReportWriter& out) { out.Write(text); }, {}, setup);
  if (request.z_przegladu && IsPatternDocument(printed->data.header) &&
      console::Okno(session.con(), "Utworzyc podobny dowod ?", "N")) {
    if (request.on_similar) {
      request.on_similar(printed->data);
    } else {
      ConsoleInvoiceUi invoice_ui(session.con(), ui);
      // PodobnyDowod tells its own failures; the printout is done either way.
      (void)PodobnyDowod(session, invoice_ui, printed->data);
    }
  }
  return true;
}

}  // namespace hurt::invoicing
