// A posted document on the fiscal printer: its receipts (ZALATW_PARAGON, called once per
// receipt by DF_WYDRUK) or its fiscal invoice.
//
// The document is first planned (PlanReceipts, no device, no session): which lines go,
// with what name, rate letter, price and value, split into receipts of at most 255 lines,
// each with its total, its deposit and whether it is closed or cancelled. Sending
// (SendReceipts) then walks the plan:
//
//   per receipt
//     1. RS_INIT when the seventh character of J_DF_NAZWA is blank; error mode 1; the
//        begin frame (a fiscal invoice's carries the buyer).
//     2-4. the lines in table order: lines of quantity 0, gross value 0 or price 0 are
//        skipped; with J_OPA_DF "N" the packaging article J_OPA is not sent but summed
//        apart as the deposit; the unit price is round2(CENA) on a gross-priced document,
//        round2(gross / quantity) on a net-priced one, the value round2(quantity x price);
//        a line of negative quantity goes with number 0, positive quantity and value, and
//        lowers the total; a margin-taxed sale ("FAKTURA VAT MARZA" on a gross kind, with
//        the article table's CENA3) sends the margin CENA - CENA0 as the price and
//        kind-number + the name, cut to 30, as the name.
//     5. after each line a pause: 0.6 s for lines 1-29, 1.2 s from line 30 (0.7 / 1.5 s
//        with "W" in J_DF_NAZWA; none with "Q"; 5 s when the recipient text holds
//        "PROBLEM").
//     6. at 255 lines the receipt is closed and the next one continues with the
//        following lines ("255 pozycji").
//     7. a total of 0 or less: the cancel frame, error mode 0, four bells, "Anulowano
//        paragon  / Suma /", result -1.
//     8. error mode 2, then the close: paid = the customer's payment (M_WPLACA) when it is
//        positive, not below the total and this is the document's only receipt; else the
//        total; a deposit is taken off a customer's payment (never below the total).
//     9. the enquiry, error mode 0, result 0.
//
// A receipt interrupted half-way (the station died, the connection broke) is finished by
// the caller: the printer's open receipt is cancelled and the document sent again from
// that receipt on (pending_receipt.h); SendReceipts reports its progress for that.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/date.h"
#include "devices/fiscal_frames.h"
#include "devices/fiscal_printer.h"
#include "devices/fiscal_text.h"

namespace hurt::devices {

inline constexpr int kMaxReceiptLines = 255;

// One line of the posted document (dow).
struct DocumentLine {
  std::string indeks, nazwa, jm, podatek0;
  double ilosc = 0;
  double cena = 0;   // unit price, net or gross by the document's basis
  double cena0 = 0;  // cost price
  double wartosc = 0;
  double podatek = 0;
};

// The posted document as the printer needs it.
struct FiscalDocument {
  std::string rd, nrd;
  bool gross = true;            // NB "B": prices are gross
  bool margin_sale = false;     // "FAKTURA VAT MARZA" on a gross kind, CENA3 in the article table
  bool fiscal_invoice = false;  // the kind's OPIS holds "[FISK]"
  bool export_kind = false;     // kind "FE"
  std::string recipient;        // ODBIORCA
  char spz = 'G';
  int tez = 0;
  JulianDay data = 0;
  std::string nip;              // REGON as the document has it
  BuyerAddress buyer;
  double wplaca = 0;            // M_WPLACA: what the customer paid
  double vouchers = 0;          // BONY.TXT: the vouchers given
  std::vector<DocumentLine> lines;
};

enum class Pacing { kNormal, kSlow, kNone };

// What the settings and marker files decide.
struct ReceiptRules {
  PtuTable ptu;
  bool deposit_apart = false;     // J_OPA_DF "N"
  std::string opa = "OPA";        // J_OPA
  bool three_decimals = false;    // J_I3 "3"
  LineNameRules names;            // narrow (W), from 2011, FISK.JM
  Pacing pacing = Pacing::kNormal;
  bool restart_port = true;       // the seventh character of J_DF_NAZWA is blank
  bool nip_on_receipt = false;    // SD_NIP.TXT or "SD_NIP" in M_DRUKARKA
  bool sd_nrd = false;            // SD_NRD.TXT
  bool bony = false;              // BONY.TXT
  bool thermal = false;           // THERMAL.TXT
  std::string till = "1";         // M_NR_KASY
  std::string operator_nr;        // M_NR
  std::string operator_name;      // M_NAZWISKO
  std::string bank_account;       // FIRMA->NRBO
  bool tab_dialect = false;       // buyer lines of 40 instead of 44
};

struct PlannedLine {
  SaleLine line;
  int pause_ms = 0;
};

struct PlannedReceipt {
  int part = 1;  // 1 for the first receipt of the document
  std::vector<PlannedLine> lines;
  double total = 0;
  double deposit = 0;
  double paid = 0;
  bool cancel = false;  // the total is 0 or less
};

// The receipts of a document.
std::vector<PlannedReceipt> PlanReceipts(const FiscalDocument& doc, const ReceiptRules& rules);

// The payment form text of a fiscal invoice: "GOTOWKA" G, "F.TERMINOWA" T,
// "F.BEZGOTOWKOWA" B, "KARTA" C, "PRZELEW" any other.
std::string PaymentFormText(char spz);

enum class SendStage { kLines, kClosing, kDone };

struct SendOutcome {
  bool sent = false;        // every frame went
  int cancelled = 0;        // receipts cancelled for a total of 0 or less
  int receipts = 0;         // receipts closed
};

// Sends the plan from receipt `from_part` on. `progress` is told before each receipt's
// first frame (kLines), before its closing frames (kClosing) and at the end (kDone).
SendOutcome SendReceipts(FiscalPrinter& printer, const FiscalDocument& doc, const ReceiptRules& rules,
                         const std::vector<PlannedReceipt>& plan, int from_part,
                         const std::function<void(int part, SendStage stage)>& progress);

}  // namespace hurt::devices
