// WEZWANIE and PRZYPOMNIENIE: the payment demand and the reminder of one counterparty's
// items, printed from the settlement browse (F3, items 3 and 4).
//
// The letter is made from its data alone (LetterLines), then written to the station's
// report file and shown in the viewer, from which the operator prints it.
//
// Both letters: our firm (name, address, NIP) at the top left, the town and date at the
// right, the counterparty's name and address below, the title, the table of the items
// framed with "|" and "-", the total "Razem          :", our bank account, and at the foot
// "Informacji udziela :" and "Nr telefonu        :" (asked before printing) and a line for
// the signature. Amounts are in złoty: an item in a foreign currency counts round(amount ×
// rate, 2) and shows its own amount and currency on a line under it.
//
//   Demand (WEZWANIE DO ZAPŁATY): optionally the line "** Z OSTRZEŻENIEM O WPISIE DO
//   OFICJALNEGO REJESTRU DŁUŻNIKÓW **" under the title; columns Lp, FAKTURA Z DNIA, KWOTA
//   (OBWN), TERMIN ZAPŁATY, ZOSTAŁO DO ZAPŁATY (OBWN − OBMA), PROGNOZA ODSETEK (settlements/
//   interest.h, to today); the totals and "DO ZAPŁATY" (what is left plus the interest);
//   the request to pay (or, for the legal office's demand, the lines of WEZWANIE.TXT in its
//   place) and the note that payments made meanwhile void the demand.
//   Reminder (PRZYPOMNIENIE O PŁATNOSCI): columns Lp, FAKTURA Z DNIA, KWOTA (OBWN − OBMA,
//   "999999999.99"), TERMIN PŁATNOSCI (TERMIN, or DATA when it is empty), DNI ZWŁOKI (today
//   − due date, only when positive, "@Z 99999"); the total and the total in words.
//
// The fixed texts and the amount in words spell "Ł" "ł" and the acute letters by overstrike
// (OverstrikeLAndAcute); names and addresses from the tables are printed as stored.
#pragma once

#include <string>
#include <vector>

#include "base/date.h"
#include "settlements/firm_and_party.h"
#include "settlements/interest.h"
#include "settlements/settle.h"

namespace hurt::session {
class Session;
}

namespace hurt::settlements {

enum class LetterKind { kWezwanie, kPrzypomnienie };

// Our firm and the counterparty, as their tables hold them.
using LetterFirm = Firm;
using LetterParty = Party;

// One item of the letter.
struct LetterItem {
  std::string rd, nrd;
  JulianDay data = kEmptyDate;
  JulianDay termin = kEmptyDate;  // TERMIN, or DATA when it is empty
  double kwota = 0;    // OBWN in złoty
  double zostalo = 0;  // OBWN − OBMA in złoty
  double odsetki = 0;  // the interest forecast (demand)
  std::string waluta;  // a foreign currency's code, blank for złoty
  double zostalo_w_walucie = 0;  // OBWN − OBMA as stored, in that currency
};

struct Letter {
  LetterKind kind = LetterKind::kWezwanie;
  JulianDay today = kEmptyDate;
  LetterFirm firm;
  LetterParty party;
  std::vector<LetterItem> items;
  bool rejestr_dluznikow = false;        // the warning line of the demand
  std::vector<std::string> legal_text;   // WEZWANIE.TXT: in place of the request to pay
  std::string informacji, telefon;       // the footer's contact
};

// The letter item of an open item, its interest counted to `today` at `rates`.
LetterItem LetterItemOf(const OpenItem& item, JulianDay today, std::span<const InterestRate> rates);

// The lines of the letter (code page 852, no line ends).
std::vector<std::string> LetterLines(const Letter& letter);

// F3 in the settlement browse: the letter of the marked items of kto+odb, or of the item
// under the cursor when nothing is marked. Asks what the letter needs (the legal office's
// demand where WEZWANIE.TXT exists, the warning line, the contact), then shows it in the
// viewer. Esc at a question prints nothing.
void DrukujPismo(session::Session& s, LetterKind kind, std::string_view kto, std::string_view odb,
                 const std::vector<OpenItem>& marked, const OpenItem* current);

}  // namespace hurt::settlements
