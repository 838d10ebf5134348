// DBU_WW / WAL_BROWSER (Tabela kursu walut): the exchange rates kept in the root table
// `wal` (work area 32), one record per currency and date.
//
// The grid runs in order 1, "waluta+DESCEND(DTOS(data))": currency by currency, the
// newest rate first. Keys:
//   F4  the rate of the current record changed (a rate above 0), under its record lock
//   F5  a rate added: currency (three letters, upper case), date (today proposed) and
//       rate above 0; a currency and date that already have a rate are refused
//       ("Kurs <waluta> z dnia <data> juz jest") and the grid stands on that rate
//   F8  the current rate deleted after "CHCESZ  SKASOWAC  POZYCJE  ?"
//   F9  the table printed through the report viewer
//   Esc back to the menu
// Locks as in the catalogues: a record another station holds is waited for with the
// "Pozycja zajęta" window and, given up, changes nothing ("Pozycja zajęta - zmiany nie
// zapisane"). While an archive month is open nothing is changed ("Praca w archiwum -
// blokada"). Two stations adding the same currency and date at one moment both append;
// then the later record (the higher number) gives way and is deleted at once, so the
// table never keeps two rates of one currency and date.
#pragma once

#include <string>
#include <string_view>

#include "base/date.h"

namespace hurt::session {
class Session;
}

namespace hurt::catalogues {

// A currency code as typed is acceptable: three letters A-Z (after upper-casing).
bool ValidCurrencyCode(std::string_view code);

// Shows the table; false when `wal` is not open ("Plik wal niedostepny").
bool DbuWw(session::Session& session);

}  // namespace hurt::catalogues
