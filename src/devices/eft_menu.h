// EFT_MENU: the card terminal's menu (Dowody › Drukarka fisk/Terminal › Terminal
// płatniczy), offered when an address file names a terminal (card_station.h).
//
//    1 "Adres IP"      the terminal's address, edited and written back to its file
//    2 "Sprzedaż"      a sale of an amount typed ("9999999.99"; Esc or 0 sends nothing)
//    3 "Zwrot"         a refund, after the supervisor's password
//    4 "Anulowanie"    the cancellation of a receipt ("Nr rachunku"), after the password
//    5 "Kopia ostatniego rachunku"   (Elavon)
//    6 "Raport dobowy" the terminal's settlement (Fiserv: its cut-off)
//    7 "Sprawdź status"  the terminal's state (Fiserv: hello, its TID)
//    8 "Ustawienie zegara"  (Elavon) from the station's clock
//    9 "Test wydruku"  (Elavon) up to 25 characters printed on the terminal
//   10 "Wyślij adres IP"  (Elavon) the station's own address sent to the terminal
//   12 "Anuluj"        (Elavon) the cancel key
// Items a terminal does not have are blank, so that numbers never move.
#pragma once

namespace hurt::session {
class Session;
}

namespace hurt::devices {

void EftMenu(session::Session& session);

}  // namespace hurt::devices
