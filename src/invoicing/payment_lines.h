// The payment block printed under the lines of an invoice (PLATNOSC_NA_FV).
//
//   Sposób zapłaty:  <method>
//   Termin zapłaty:  <due date> (<days> dni )
//   Odbior        :  <transport>
//
// The method and the due-date line by payment method SPZ (blank SPZ is "G" with term 0):
//   G  "gotówka"                 the issue date (no line on an invoice to a receipt)
//   C  "karta płatnicza"         as G
//   T  "gotówka z przesuniętym terminem płatności do nnn dni"   due date and days
//   H  the text of SPZ_H.TXT, or "POBRANIE" when it is empty (no date line);
//      without that file as T
//   P  "przelew" (term 0 and a non-empty SPZ_P.TXT: its text, no date line)  due date
//   N  "przedpłata" (term 0 and a non-empty SPZ_N.TXT: its text)              none
//   F  "przelew  ( FAKTORING )"  due date and days
//   K  "kompensata", B "bezgotówkowo", D "darowizna", any other code itself: none
// Cash methods (G, T, H) get " + bony" when the document has vouchers. The due date is
// the issue date + TEZ days. Fixed texts come out with the overstruck letters; the texts
// of the SPZ_?.TXT files are printed as they are.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/date.h"

namespace hurt::invoicing {

struct PaymentInput {
  char spz = 'G';        // payment method; ' ' or 0 means "G" with term 0
  int tez = 0;           // term in days
  JulianDay data = 0;    // issue date
  char transport = ' ';  // M_TRANSPORT: W/N buyer, S seller, M both
  bool vouchers = false;            // any of the voucher counts B100..B05 is not 0
  bool faktura_do_paragonu = false; // the kind is tagged "FAKTURA DO PARAGONU"
  bool slovak = false;              // Slovak wording
  // Contents of the marker files, nullopt when the file does not exist.
  std::optional<std::string> spz_h_txt, spz_p_txt, spz_n_txt;
};

// The lines of the payment block (code page 852, no line ends).
std::vector<std::string> PlatnoscNaFv(const PaymentInput& in);

}  // namespace hurt::invoicing
