#include "devices/fiscal_station.h"

#include <algorithm>
#include <cstdio>

#include "base/numeric.h"
#include "base/text.h"
#include "console/console.h"
#include "console/message_window.h"
#include "documents/kind_reader.h"
#include "devices/pending_receipt.h"
#include "session/area_fields.h"
#include "session/area_position.h"
#include "session/output/vat_ini.h"
#include "store/schema.h"

namespace hurt::devices {

using session::FieldDate;
using session::FieldNumber;
using session::FieldText;

namespace {

bool Contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

std::string ConfigValue(session::Session& s, std::string_view key) {
  auto ini = session::VatIni::Load(s.env(), s.root());
  if (!ini.ok()) return "";
  return ini->GetCfgValue(key, session::StationEnvironment::FromProcess());
}

xbase::WorkArea* AreaOf(session::Session& s, store::TableId id) { return s.areas().Area(store::Table(id).area); }

std::string DocumentName(std::string_view rd, std::string_view nrd) { return RTrim(rd) + "-" + AllTrim(nrd); }

}  // namespace

// ---- the station's devices ----

void StationDevices::Ui::Say(int row, int col, std::string_view text) { s_.con().Say(row, col, text); }
void StationDevices::Ui::WaitKey() { (void)s_.con().WaitKey(); }

StationDevices::StationDevices(session::Session& s, LinkOpener* opener)
    : own_opener_(opener == nullptr ? std::make_unique<SystemLinks>() : nullptr),
      opener_(opener == nullptr ? *own_opener_ : *opener),
      ui_(s),
      ports_(s.clock(), opener_, ui_, [&s](std::string_view key) { return ConfigValue(s, key); }) {}

FiscalChannel& StationDevices::Channel(session::Session& s) {
  const bool tcp = Contains(Upper(s.vars().Text("M_DRUKARKA")), "DF_IP");
  std::string key;
  std::string address, port;
  if (tcp) {
    address = AllTrim(ConfigValue(s, "DF_IPADDR"));
    port = AllTrim(ConfigValue(s, "DF_IPPORT"));
    key = "tcp " + address + ":" + port;
  } else {
    key = "com " + std::to_string(FiscalPort(s));
  }
  if (!channel_ || key != channel_key_) {
    channel_.reset();
    if (tcp) {
      channel_ = std::make_unique<TcpFiscalChannel>(s.clock(), opener_, address, port);
    } else {
      channel_ = std::make_unique<SerialFiscalChannel>(ports_, FiscalPort(s));
    }
    channel_key_ = key;
  }
  return *channel_;
}

StationDevices& DevicesOf(session::Session& s) {
  auto* devices = dynamic_cast<StationDevices*>(s.device_state().get());
  if (devices != nullptr) return *devices;
  s.device_state() = std::make_unique<StationDevices>(s, nullptr);
  return static_cast<StationDevices&>(*s.device_state());
}

StationDevices& UseLinkOpener(session::Session& s, LinkOpener& opener) {
  s.device_state() = std::make_unique<StationDevices>(s, &opener);
  return static_cast<StationDevices&>(*s.device_state());
}

// ---- the operator's side ----

void ConsoleFiscalUi::Tell(std::string_view text, int seconds) { console::Okno_(s_.con(), text, seconds); }

void ConsoleFiscalUi::TellLines(const std::vector<std::string>& lines, int seconds) {
  console::OknoLines(s_.con(), lines, seconds);
}

bool ConsoleFiscalUi::Ask(std::string_view question, std::string_view default_answer) {
  return console::Okno(s_.con(), question, default_answer);
}

void ConsoleFiscalUi::Bell(int count) {
  for (int i = 0; i < count; ++i) s_.con().Beep();
}

void ConsoleFiscalUi::Trace(std::string_view frame) {
  if (!s_.FileX("DF_ERROR.TXT")) return;
  const std::string path = s_.Path("rob/df_error" + s_.StationText() + ".txt");
  auto file = s_.env().Open(path, xbase::OpenOptions{.write = true, .create = true, .truncate = false});
  if (!file.ok()) return;
  auto size = (*file)->Size();
  // The trace is for looking at afterwards; a full disk loses the trace only.
  if (size.ok()) (void)(*file)->WriteAt(*size, std::string(frame) + "\r\n");
}

// ---- settings ----

bool KindInList(std::string_view list, std::string_view rd) {
  const std::string code = RemoveBlanks(rd);
  if (code.empty()) return false;
  size_t start = 0;
  while (start <= list.size()) {
    const size_t comma = list.find(',', start);
    const std::string_view item = list.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
    if (RemoveBlanks(item) == code) return true;
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return false;
}

bool HasFiscalPrinter(session::Session& s) { return s.vars().Logical("JEST_DF_300"); }

bool GoesToFiscalPrinter(session::Session& s, std::string_view rd) {
  if (!HasFiscalPrinter(s)) return false;
  if (KindInList(s.settings().Text("J_DF"), rd)) return true;
  xbase::WorkArea* slow = AreaOf(s, store::TableId::kSlow);
  if (slow == nullptr) return false;
  session::AreaPosition keep(*slow);
  if (slow->order() != 1 && !slow->SetOrder(1).ok()) return false;
  auto kind = documents::ReadKind(*slow, PadR(rd, 3));
  return kind.ok() && kind->IsSale() && kind->HasTag("[FISK]");
}

int FiscalPort(session::Session& s) {
  const xbase::Value& chosen = s.vars().Get("DF_PORT");
  if (chosen.IsNumber() && chosen.AsNumber() >= 1 && chosen.AsNumber() <= kPortCount) {
    return static_cast<int>(chosen.AsNumber());
  }
  const std::string printer = Upper(s.vars().Text("M_DRUKARKA"));
  for (char n = '1'; n <= '4'; ++n) {
    if (Contains(printer, std::string("COM") + n)) return n - '0';
  }
  if (printer.size() >= 4 && printer[3] >= '1' && printer[3] <= '4') return printer[3] - '0';
  return 1;
}

Dialect FiscalDialect(session::Session& s) {
  if (s.FileX("SD_XML.TXT")) return Dialect::kXml;
  const std::string& local = s.options().local_dir;
  const bool posnet_file = !local.empty() && (s.env().Exists(local + "/posnet.txt") || s.env().Exists(local + "/POSNET.TXT"));
  if (Contains(Upper(s.settings().Text("J_DF_NAZWA")), "POSNET") || posnet_file) return Dialect::kTab;
  return Dialect::kEscape;
}

ReceiptRules FiscalRules(session::Session& s, Dialect dialect) {
  const session::Settings& set = s.settings();
  ReceiptRules r;
  r.ptu = PtuTable{set.Text("J_PTUA"), set.Text("J_PTUB"), set.Text("J_PTUC"), set.Text("J_PTUD"),
                   set.Text("J_PTUE"), set.Text("J_PTUF"), set.Text("J_PTUZ")};
  r.deposit_apart = Upper(Left(set.Text("J_OPA_DF"), 1)) == "N";
  r.opa = set.Text("J_OPA");
  r.three_decimals = Left(set.Text("J_I3"), 1) == "3";
  const std::string model = Upper(set.Text("J_DF_NAZWA"));
  r.names.narrow = Contains(model, "W");
  const std::string& hh = s.hh();  // "yy/mm"
  r.names.from_2011 = hh.size() < 2 || 2000 + static_cast<int>(Val(hh.substr(0, 2))) >= 2011;
  r.names.unit_at_end = s.FileX("FISK.JM");
  r.pacing = Contains(model, "Q") ? Pacing::kNone : Contains(model, "W") ? Pacing::kSlow : Pacing::kNormal;
  r.restart_port = PadR(set.Text("J_DF_NAZWA"), 7)[6] == ' ';
  r.nip_on_receipt = s.FileX("SD_NIP.TXT") || Contains(Upper(s.vars().Text("M_DRUKARKA")), "SD_NIP");
  r.sd_nrd = s.FileX("SD_NRD.TXT");
  r.bony = s.FileX("BONY.TXT");
  r.thermal = s.FileX("THERMAL.TXT");
  const std::string till = AllTrim(s.vars().Text("M_NR_KASY"));
  r.till = till.empty() ? std::string("1") : Left(till, 1);
  r.operator_nr = s.op().nr;
  r.operator_name = AllTrim(s.op().nazwisko);
  if (xbase::WorkArea* firma = AreaOf(s, store::TableId::kFirma); firma != nullptr && firma->FieldIndex("NRBO") >= 0) {
    r.bank_account = AllTrim(FieldText(*firma, "NRBO"));
  }
  r.tab_dialect = dialect == Dialect::kTab;
  return r;
}

// ---- the document ----

Result<FiscalDocument> ReadFiscalDocument(session::Session& s, std::string_view rd_in, std::string_view nrd_in) {
  const std::string rd = PadR(rd_in, 3);
  const std::string nrd = PadL(AllTrim(nrd_in), 8);
  xbase::WorkArea* dowod = AreaOf(s, store::TableId::kDowod);
  xbase::WorkArea* dow = AreaOf(s, store::TableId::kDow);
  xbase::WorkArea* slow = AreaOf(s, store::TableId::kSlow);
  if (dowod == nullptr || dow == nullptr || slow == nullptr) return Status::NotFound("dowod, dow albo slow nie jest otwarty");
  session::AreaPosition keep_dowod(*dowod), keep_dow(*dow), keep_slow(*slow);
  HURT_RETURN_IF_ERROR(dowod->SetOrder(1));
  auto found = dowod->SeekKey(rd + nrd);
  HURT_RETURN_IF_ERROR(found.status());
  if (!*found) return Status::NotFound("nie ma dowodu " + DocumentName(rd, nrd));
  FiscalDocument doc;
  doc.rd = rd;
  doc.nrd = nrd;
  doc.spz = PadR(FieldText(*dowod, "SPZ"), 1)[0];
  doc.tez = static_cast<int>(FieldNumber(*dowod, "TEZ"));
  doc.data = FieldDate(*dowod, "DATA");
  doc.nip = AllTrim(FieldText(*dowod, "REGON"));
  doc.recipient = RTrim(FieldText(*dowod, "ODBIORCA"));
  doc.buyer.nodb = FieldText(*dowod, "NODB");
  doc.buyer.nodb1 = FieldText(*dowod, "NODB1");
  if (dowod->FieldIndex("NODB2") >= 0) doc.buyer.nodb2 = FieldText(*dowod, "NODB2");
  doc.buyer.ulica = FieldText(*dowod, "UODB");
  doc.buyer.kod = FieldText(*dowod, "KODB");
  doc.buyer.miasto = FieldText(*dowod, "MODB");
  const xbase::Value& wplaca = s.vars().Get("M_WPLACA");
  if (wplaca.IsNumber()) doc.wplaca = wplaca.AsNumber();
  if (s.FileX("BONY.TXT")) {
    auto n = [&s](const char* name) { return s.vars().Get(name).IsNumber() ? s.vars().Number(name) : 0.0; };
    doc.vouchers = n("M_B100") * 100 + n("M_B50") * 50 + n("M_B20") * 20 + n("M_B10") * 10 + n("M_B05") * 5;
  }

  HURT_RETURN_IF_ERROR(slow->SetOrder(1));
  auto kind = documents::ReadKind(*slow, rd);
  const bool gross_kind = kind.ok() && kind->IsGross();
  doc.fiscal_invoice = kind.ok() && kind->HasTag("[FISK]");
  doc.export_kind = kind.ok() && kind->RdIs("FE");
  xbase::WorkArea* as = AreaOf(s, store::TableId::kAs);
  doc.margin_sale = gross_kind && kind->HasTag("FAKTURA VAT MARZA") && as != nullptr && as->FieldIndex("CENA3") >= 0;

  HURT_RETURN_IF_ERROR(dow->SetOrder(1));
  auto first = dow->SeekKey(rd + nrd);
  HURT_RETURN_IF_ERROR(first.status());
  bool gross_lines = gross_kind;
  for (bool any = *first; any && !dow->eof(); any = dow->Skip().ok()) {
    if (FieldText(*dow, "RD") != rd || FieldText(*dow, "NRD") != nrd) break;
    DocumentLine l;
    l.indeks = FieldText(*dow, "INDEKS");
    l.nazwa = FieldText(*dow, "NAZWA");
    l.jm = FieldText(*dow, "JM");
    l.podatek0 = FieldText(*dow, "PODATEK0");
    l.ilosc = FieldNumber(*dow, "ILOSC");
    l.cena = FieldNumber(*dow, "CENA");
    l.cena0 = FieldNumber(*dow, "CENA0");
    l.wartosc = FieldNumber(*dow, "WARTOSC");
    l.podatek = FieldNumber(*dow, "PODATEK");
    if (doc.lines.empty()) gross_lines = Left(FieldText(*dow, "NB"), 1) == "B";
    doc.lines.push_back(std::move(l));
  }
  doc.gross = gross_lines;
  return doc;
}

// ---- notes of receipts on their way ----

std::string PendingReceiptFolder(session::Session& s) {
  const std::string& local = s.options().local_dir;
  if (!local.empty()) return local + "/paragony";
  return s.Path("rob/paragony" + s.StationText());
}

bool HasPendingReceipts(session::Session& s) {
  const std::string folder = PendingReceiptFolder(s);
  if (!s.env().IsDir(folder)) return false;
  auto names = s.env().ListDir(folder);
  if (!names.ok()) return false;
  return std::any_of(names->begin(), names->end(), [](const std::string& n) { return n.size() > 4 && n.ends_with(".txt"); });
}

namespace {

std::string NotePath(session::Session& s, std::string_view rd, std::string_view nrd) {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%013lld", static_cast<long long>(s.clock().LocalMillis()));
  return PendingReceiptFolder(s) + "/" + stamp + "_" + RemoveBlanks(rd) + "_" + AllTrim(nrd) + ".txt";
}

// The note was not written or not updated: the receipt goes all the same, only a crash in
// the middle would not be finished by itself afterwards.
void NoteFailed(session::Session& s, const Status& st) {
  console::Okno_(s.con(), "Nie zapisano stanu paragonu: " + st.message(), 2);
}

enum class Finished { kDone, kFailed };

// One note: the document on the printer from where it stopped.
Finished FinishOne(session::Session& s, const std::string& path, const PendingReceipt& note) {
  ConsoleFiscalUi ui(s);
  const std::string name = DocumentName(note.rd, note.nrd);
  auto doc = ReadFiscalDocument(s, note.rd, note.nrd);
  if (!doc.ok()) {
    // The document is not in this month's tables (removed, or another month is open).
    if (doc.status().IsNotFound() && AreaOf(s, store::TableId::kDowod) != nullptr) {
      console::Okno_(s.con(), "Paragon " + name + " nie wyslany - nie ma dowodu", 3);
      (void)RemovePendingReceipt(s.env(), path);
      return Finished::kDone;
    }
    console::Okno_(s.con(), "Paragon " + name + " czeka - " + doc.status().message(), 3);
    return Finished::kFailed;
  }
  if (doc->fiscal_invoice && IsBlank(doc->buyer.nodb) && IsBlank(doc->buyer.nodb1)) {
    console::Okno_(s.con(), "Brak nazwy kontrahenta", 5);
    (void)RemovePendingReceipt(s.env(), path);
    return Finished::kDone;
  }
  const Dialect dialect = FiscalDialect(s);
  const ReceiptRules rules = FiscalRules(s, dialect);
  const std::vector<PlannedReceipt> plan = PlanReceipts(*doc, rules);
  FiscalChannel& channel = DevicesOf(s).Channel(s);
  FiscalPrinter printer(s.clock(), channel, ui, dialect);

  int from = note.part;
  if (note.stage == PendingReceipt::Stage::kClosing) {
    // The close may have gone: the operator has the paper.
    const std::string part = plan.size() > 1 ? " (" + std::to_string(note.part) + ")" : "";
    if (console::Okno(s.con(), "Paragon " + name + part + " wydrukowany caly ?", "N")) {
      from = note.part + 1;
    } else {
      if (!printer.RsInit() || !printer.Send(printer.frames().Cancel())) return Finished::kFailed;
    }
  } else if (note.stage == PendingReceipt::Stage::kLines) {
    console::OknoNoWait(s.con(), "Anuluje przerwany paragon " + name);
    if (!printer.RsInit() || !printer.Send(printer.frames().Cancel()) || !printer.Send(printer.frames().ErrorMode(0))) {
      return Finished::kFailed;
    }
  }
  if (plan.empty()) {
    (void)RemovePendingReceipt(s.env(), path);
    return Finished::kDone;
  }
  console::OknoNoWait(s.con(), "Drukuje paragon " + name);
  PendingReceipt current = note;
  const SendOutcome sent = SendReceipts(printer, *doc, rules, plan, from, [&](int part, SendStage stage) {
    if (stage == SendStage::kDone) {
      Status removed = RemovePendingReceipt(s.env(), path);
      if (!removed.ok()) NoteFailed(s, removed);
      return;
    }
    current.part = part;
    current.stage = stage == SendStage::kClosing ? PendingReceipt::Stage::kClosing : PendingReceipt::Stage::kLines;
    Status written = WritePendingReceipt(s.env(), path, current);
    if (!written.ok()) NoteFailed(s, written);
  });
  if (!sent.sent) {
    console::OknoLines(s.con(), {"Paragon " + name + " nie wydrukowany do konca", "Dokoncze go, gdy drukarka odpowie"}, 3);
    return Finished::kFailed;
  }
  if (sent.cancelled > 0) console::Okno_(s.con(), "Jest problem !", 3);
  return Finished::kDone;
}

}  // namespace

bool FinishPendingReceipt(session::Session& s) {
  if (!HasPendingReceipts(s)) return true;
  const std::string folder = PendingReceiptFolder(s);
  auto names = s.env().ListDir(folder);
  if (!names.ok()) return false;
  std::vector<std::string> notes;
  for (const std::string& n : *names) {
    if (n.ends_with(".txt")) notes.push_back(n);
  }
  std::sort(notes.begin(), notes.end());
  for (const std::string& n : notes) {
    const std::string path = folder + "/" + n;
    auto note = ReadPendingReceipt(s.env(), path);
    if (!note.ok() || !*note) {
      console::Okno_(s.con(), "Nieczytelny zapis paragonu " + n + " - usuwam", 3);
      (void)RemovePendingReceipt(s.env(), path);
      continue;
    }
    if (FinishOne(s, path, **note) == Finished::kFailed) return false;
  }
  return true;
}

bool DfWydruk(session::Session& s, std::string_view rd, std::string_view nrd) {
  const std::string name = DocumentName(rd, nrd);
  if (s.FileX("OKNOWER.TXT") && !console::Okno(s.con(), "Wyslac do fiskalnej " + RTrim(rd) + "?", "T")) return false;
  auto doc = ReadFiscalDocument(s, rd, nrd);
  if (!doc.ok()) {
    console::Okno_(s.con(), "Paragon " + name + " nie wyslany - " + doc.status().message(), 3);
    return false;
  }
  if (doc->fiscal_invoice && IsBlank(doc->buyer.nodb) && IsBlank(doc->buyer.nodb1)) {
    console::Okno_(s.con(), "Brak nazwy kontrahenta", 5);
    return false;
  }
  Status made = s.env().CreateDirs(PendingReceiptFolder(s));
  PendingReceipt note;
  note.rd = PadR(rd, 3);
  note.nrd = PadL(AllTrim(nrd), 8);
  if (made.ok()) made = WritePendingReceipt(s.env(), NotePath(s, rd, nrd), note);
  if (!made.ok()) {
    // Without the note the receipt still goes now; only a crash half-way would need the
    // operator to look at the printer.
    NoteFailed(s, made);
    ConsoleFiscalUi ui(s);
    const Dialect dialect = FiscalDialect(s);
    const ReceiptRules rules = FiscalRules(s, dialect);
    FiscalPrinter printer(s.clock(), DevicesOf(s).Channel(s), ui, dialect);
    const SendOutcome sent = SendReceipts(printer, *doc, rules, PlanReceipts(*doc, rules), 1, {});
    if (sent.cancelled > 0) console::Okno_(s.con(), "Jest problem !", 3);
    return sent.sent;
  }
  return FinishPendingReceipt(s);
}

bool SendToPrinter(session::Session& s, const std::function<Frames(const FrameSet&)>& frames) {
  ConsoleFiscalUi ui(s);
  FiscalChannel& channel = DevicesOf(s).Channel(s);
  FiscalPrinter printer(s.clock(), channel, ui, FiscalDialect(s));
  const Frames to_send = frames(printer.frames());
  if (to_send.empty()) {
    console::Okno_(s.con(), "Ta drukarka nie ma tej funkcji", 2);
    return false;
  }
  if (!channel.ready() && !printer.RsInit()) return false;
  if (!printer.Send(to_send)) {
    console::Okno_(s.con(), "Brak komunikacji z DF", 3);
    return false;
  }
  return true;
}

bool FiscalAmountReceipt(session::Session& s, double kwota, std::string_view stawka, std::string_view tekst) {
  FiscalDocument doc;
  doc.rd = "KP ";
  doc.gross = true;
  DocumentLine line;
  // The text of the cash receipt names the line, unless nothing of it would reach the printer.
  line.nazwa = IsBlank(FiscalNameCharacters(tekst)) ? std::string("WPLATA") : std::string(tekst);
  line.jm = "szt";
  line.podatek0 = std::string(stawka);
  line.ilosc = 1;
  line.cena = kwota;
  line.wartosc = NewRound(kwota, 2);
  doc.lines.push_back(line);
  ConsoleFiscalUi ui(s);
  const Dialect dialect = FiscalDialect(s);
  const ReceiptRules rules = FiscalRules(s, dialect);
  FiscalPrinter printer(s.clock(), DevicesOf(s).Channel(s), ui, dialect);
  const SendOutcome sent = SendReceipts(printer, doc, rules, PlanReceipts(doc, rules), 1, {});
  return sent.sent && sent.receipts > 0;
}

void OpenCashDrawer(session::Session& s) {
  (void)SendToPrinter(s, [](const FrameSet& f) { return f.OpenDrawer(); });
}

void InstallFiscalActions(session::Session& s) {
  session::DocumentActions& a = s.document_actions();
  a.goes_to_fiscal_printer = [](session::Session& session, std::string_view rd) { return GoesToFiscalPrinter(session, rd); };
  a.fiscal_document = [](session::Session& session, std::string_view rd, std::string_view nrd) {
    (void)DfWydruk(session, rd, nrd);
  };
  a.open_cash_drawer = [](session::Session& session) { OpenCashDrawer(session); };
  a.fiscal_receipt = [](session::Session& session, double kwota, std::string_view stawka, std::string_view tekst) {
    return FiscalAmountReceipt(session, kwota, stawka, tekst);
  };
}

}  // namespace hurt::devices
