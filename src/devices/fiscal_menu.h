// DF_300: the fiscal printer's menu (Dowody › Drukarka fisk/Terminal › Drukarka fiskalna,
// and at log-in when the operator's printer names a fiscal device).
//
//    1 the port: "[1][2][3][4]" for a serial printer (TCP: its address and port shown);
//      the printer is started on it
//    2 cash in "Wpłata do kasy" (amount "9999999.99"; Esc or 0 does nothing), then the
//      drawer opens
//    3 cash out "Wypłata z kasy", the same
//    4 cash state (right 2)
//    5 till/shift report "Drukowac raport kasy / zmiany ?" (right 2)
//    6 daily fiscal report "Drukowac raport fiskalny dobowy ?"
//    7 period report from the first of the month to today
//      "Raport fiskalny 01.<mm.yyyy>-<today> ?"
//    8 the printer's clock from the station's, and the till number; "Zegar ustawiaj na
//      poczatku pracy"
//    9 header editing: "Opcja zablokowana"
//   10 cancel the open transaction
//   11 open the drawer
//   12 the VAT rates of the rate letters (J_PTUA .. J_PTUZ)
// "FP" in J_DF_NAZWA: cash in and out and the fiscal reports are not for this printer.
// Receipts this workstation left unfinished are finished first.
#pragma once

namespace hurt::session {
class Session;
}

namespace hurt::devices {

void Df300(session::Session& session);

}  // namespace hurt::devices
