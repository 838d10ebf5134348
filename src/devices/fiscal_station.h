// The fiscal printer of a station as the session sees it: which printer (the operator's
// printer name M_DRUKARKA and vat.ini), which dialect (the settings and marker files),
// the documents that go to it, and the calls the document screens make through
// session::DocumentActions.
//
// Which printer:
//   "DF_IP" in M_DRUKARKA   TCP to DF_IPADDR:DF_IPPORT of the station's section of vat.ini
//                           (either empty: "Sprawdz DF_IPADDR, DF_IPPORT", this machine,
//                           port 6001);
//   otherwise               serial port 1 to 4: "COM1".."COM4" in M_DRUKARKA or its fourth
//                           character "1".."4", default 1 (the port layer maps it to a
//                           device, com_ports.h); the fiscal menu may choose another.
// Which dialect (per frame): SD_XML.TXT in the data directory: XML packets; "POSNET" in
//   J_DF_NAZWA or posnet.txt in the workstation's own folder (C:\POSNET.TXT): tab-field;
//   otherwise escape frames.
// Which documents: a posted sale of a kind listed in J_DF (comma-separated, blanks
//   ignored) goes as receipts, one of a kind whose OPIS holds "[FISK]" as a fiscal invoice,
//   when the station has a fiscal printer (JEST_DF_300). They go after the document is
//   posted whole, so that the printer never has a receipt of a document the tables do not.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "base/result.h"
#include "devices/com_ports.h"
#include "devices/fiscal_printer.h"
#include "devices/receipt.h"
#include "session/session.h"

namespace hurt::devices {

// The station's devices for the whole run: the port layer and the printer's connection.
class StationDevices final : public session::RunState {
 public:
  // `opener` null: the real devices and sockets.
  StationDevices(session::Session& s, LinkOpener* opener);
  ComPorts& ports() { return ports_; }
  LinkOpener& opener() { return opener_; }
  // The printer's channel as the session's settings choose it now.
  FiscalChannel& Channel(session::Session& s);

 private:
  class Ui final : public PortUi {
   public:
    explicit Ui(session::Session& s) : s_(s) {}
    void Say(int row, int col, std::string_view text) override;
    void WaitKey() override;

   private:
    session::Session& s_;
  };
  std::unique_ptr<LinkOpener> own_opener_;
  LinkOpener& opener_;
  Ui ui_;
  ComPorts ports_;
  std::string tcp_endpoint_;
  std::unique_ptr<FiscalChannel> channel_;
  std::string channel_key_;
};

// The devices of the session, made on first use with the real devices and sockets.
StationDevices& DevicesOf(session::Session& s);
// The same with another way of opening links (tests); replaces devices made before.
StationDevices& UseLinkOpener(session::Session& s, LinkOpener& opener);

// The operator's side of the printer's routines, on the session's console.
class ConsoleFiscalUi final : public FiscalUi {
 public:
  explicit ConsoleFiscalUi(session::Session& s) : s_(s) {}
  void Tell(std::string_view text, int seconds) override;
  void TellLines(const std::vector<std::string>& lines, int seconds) override;
  bool Ask(std::string_view question, std::string_view default_answer) override;
  void Bell(int count) override;
  // DF_ERROR.TXT: every frame appended to rob/df_error<station>.txt, as it went, with CR LF.
  void Trace(std::string_view frame) override;

 private:
  session::Session& s_;
};

// A kind code in a list such as J_DF: comma-separated codes, blanks ignored.
bool KindInList(std::string_view list, std::string_view rd);
// The station has a fiscal printer: JEST_DF_300.
bool HasFiscalPrinter(session::Session& s);
// Documents of kind rd go to the fiscal printer once posted.
bool GoesToFiscalPrinter(session::Session& s, std::string_view rd);
// The serial port of the printer (1 to 4; the fiscal menu's choice first).
int FiscalPort(session::Session& s);
Dialect FiscalDialect(session::Session& s);
ReceiptRules FiscalRules(session::Session& s, Dialect dialect);

// The posted document rd+nrd (dowod, dow) as the printer needs it.
Result<FiscalDocument> ReadFiscalDocument(session::Session& s, std::string_view rd, std::string_view nrd);

// The folder of the notes of receipts on their way (pending_receipt.h).
std::string PendingReceiptFolder(session::Session& s);
// Notes are waiting there.
bool HasPendingReceipts(session::Session& s);

// DF_WYDRUK: the posted document on the printer (its receipts, or its fiscal invoice).
// A receipt left unfinished before is finished first. False when it did not all go.
bool DfWydruk(session::Session& s, std::string_view rd, std::string_view nrd);
// Every receipt this workstation left unfinished (it died, its printer went away), oldest
// first: an open receipt is cancelled on the printer and the document sent again from
// it; one whose close may have gone is confirmed by the operator; one that never went is
// sent. True when nothing is left unfinished.
bool FinishPendingReceipt(session::Session& s);

// A receipt of one amount at one rate (a cash receipt of the fiscal kind "KP_").
bool FiscalAmountReceipt(session::Session& s, double kwota, std::string_view stawka, std::string_view tekst);
// The cash drawer.
void OpenCashDrawer(session::Session& s);

// Installs the calls of the document screens (session::DocumentActions).
void InstallFiscalActions(session::Session& s);

// Starts the printer when it is not started and sends `frames`; "Brak komunikacji z DF"
// when they did not go.
bool SendToPrinter(session::Session& s, const std::function<Frames(const FrameSet&)>& frames);

}  // namespace hurt::devices
