// The payment card terminal of a station: which one (its address file), where (its
// address and ports), the card payments of document commit, and the note of a payment in
// flight that keeps a retry from charging twice.
//
// Address files: "elavon.txt" chooses the Elavon terminal, "fiserv.txt" the Fiserv one;
// the file holds the terminal's IPv4 address (only digits and dots count; nothing, or 16
// characters or more, is this machine). Each is looked for in the workstation's own
// folder (vat.ini's EFT_KATALOG in the station's section, else the station's local
// folder) and in the data directory; the data directory's wins when both exist. The menu
// looks for elavon.txt then fiserv.txt in the own folder, then the same in the data
// directory.
//
// vat.ini, the station's section:
//   EFT_KATALOG  the workstation's own folder of the address files
//   EFT_PORTY    the terminal's ports "transaction,status,settlement,fiserv"
//                (default "5188,5189,5191,8282")
//   EFT_CZAS     seconds to wait for a transaction's answer (default 120)
//
// The note of a payment in flight (<local folder>/karta.txt, or rob/karta<nn>.txt
// without one): written before the frame goes, marked "przyjeta" when the terminal
// approves, removed once the document is posted or dropped. A note left "wyslana" (no
// answer came) is settled before anything is sent again: the Elavon terminal's copy of
// its last transaction says whether it went through; otherwise the operator, who sees
// the terminal, says.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/result.h"
#include "devices/card_link.h"
#include "session/session.h"

namespace hurt::devices {

struct TerminalChoice {
  CardFamily family = CardFamily::kElavon;
  std::string file;     // the address file found
  std::string address;  // "" for this machine
};

// The terminal the menu offers, in the menu's order of look-up; nullopt when none.
std::optional<TerminalChoice> FindTerminal(session::Session& s);
// The address of the family's terminal as an operation reads it (own folder, then the
// data directory, the latter winning).
TerminalChoice TerminalOf(session::Session& s, CardFamily family);
// Writes `address` (digits and dots) into the terminal's file (the one found, else the
// data directory's).
Status WriteTerminalAddress(session::Session& s, const TerminalChoice& t, std::string_view address);
std::string AddressFileName(CardFamily family);

TerminalPorts TerminalPortsOf(session::Session& s);
int AnswerMillis(session::Session& s);
CardLink LinkTo(session::Session& s, const TerminalChoice& t);

// The note of a payment in flight.
struct CardNote {
  enum class Stage { kSent, kApproved };
  std::string rd;
  std::string odb;
  char type = '0';      // '0' sale, '1' refund
  std::string amount;   // 12 digits
  Stage stage = Stage::kSent;
  friend bool operator==(const CardNote&, const CardNote&) = default;
};
std::string EncodeCardNote(const CardNote& n);
std::optional<CardNote> DecodeCardNote(std::string_view text);
std::string CardNotePath(session::Session& s);

// The card payment of a document (session::DocumentActions::card_payment).
session::CardPaymentResult PayByCard(session::Session& s, const session::CardPayment& p);
// Installs the card calls of document commit.
void InstallCardActions(session::Session& s);

}  // namespace hurt::devices
