// A posted sales invoice as an EDIFACT INVOIC file (FV_EDI → EDIFAKTVAT).
//
//   1. The defaults: message number = INV_NR_KOM of eo_cfg + 1; the GLNs of the delivery
//      point, supplier, buyer, payer and invoicee, the tax numbers and the supplier's
//      identifier at the buyer from eo_cfg; invoice number = kind + "-" + number, with
//      "/" + J_FV_SYMBO when that is set; the buyer's tax number the document's REGON and
//      ours the REGON of firma (eo_cfg's values stand in when those are blank); the
//      delivery-note date and the delivery date today.
//   2. The parameter screen ("PARAMETRY DOKUMENTU EDIFACT"): message and invoice number
//      shown; order number and date, delivery-note number and date, delivery date, the
//      delivery point's, supplier's and buyer's GLN, both tax numbers and the identifier
//      at the buyer edited; the supplier's and the buyer's GLN may not be left blank (the
//      interchange goes from one to the other). Esc abandons: nothing is written,
//      INV_NR_KOM stays.
//      Then "Generowanie dokumentu - prosze czekac....".
//   3. The message (edi_invoice.h): currency "PLN", payment days the document's TEZ; each
//      line of quantity ≠ 0 with the EAN of its article (KOD13, the line's own when the
//      article has none), its names, quantity, unit price round(net / quantity, 4), the
//      numeric rate of PODATEK0 (-1 for "ZW"), its net value (WARTOSC; on a gross line
//      WARTOSC - PODATEK) and its VAT (PODATEK). The VAT groups and totals from the lines.
//   4. The file xml/<kind><number>.edi (".txt" with the marker EDI.TXT; names lower case),
//      or the path the caller gives, written aside and renamed into place; the message
//      number stored as INV_NR_KOM under its record's lock (another station that used the
//      number meanwhile moves this message to the next one); "Powstal plik: <file>".
#pragma once

#include <string>
#include <string_view>

#include "base/date.h"
#include "base/result.h"
#include "invoicing/edi_invoice.h"
#include "invoicing/edi_tables.h"

namespace hurt::session {
class Session;
}

namespace hurt::invoicing {

// What the parameter screen shows and edits (code page 852 texts).
struct EdiParametry {
  long nr_komunikatu = 1;
  std::string nr_faktury;
  JulianDay data_faktury = kEmptyDate;
  std::string nr_zamowienia;
  JulianDay data_zamowienia = kEmptyDate;
  std::string nr_wz;
  JulianDay data_wz = kEmptyDate;
  JulianDay data_dostawy = kEmptyDate;
  std::string gln_dostawy;   // INV_NAD_DP
  std::string gln_dostawcy;  // INV_NAD_SU
  std::string nip_dostawcy;
  std::string id_u_nabywcy;  // INV_RFF_SU_API
  std::string gln_nabywcy;   // INV_NAD_BY
  std::string nip_nabywcy;
  std::string gln_platnika, nip_platnika;  // INV_NAD_PL, INV_RFF_PL_VA
  std::string gln_odbiorcy, nip_odbiorcy;  // INV_NAD_IV, INV_RFF_IV_VA
};

// The station's place for the EDI tables.
EdiPlace EdiPlaceOf(session::Session& s, store::StoreUi& ui);

// Step 1 for document rd+nrd. NotFound when the document is missing, Invalid when it is
// not a sales invoice.
Result<EdiParametry> DomyslneParametryEdi(session::Session& s, store::StoreUi& ui, std::string_view rd,
                                          std::string_view nrd);

// Step 2: the screen; false when it was left with Esc (the parameters are then as given).
bool EkranParametrowEdi(session::Session& s, EdiParametry& p);

// Step 3: the builder filled and summed from the document and the parameters.
Result<EdiInvoiceBuilder> FakturaEdi(session::Session& s, std::string_view rd, std::string_view nrd,
                                     const EdiParametry& p);

// The file's path relative to the data directory for the document ("xml/fv12.edi").
std::string PlikEdi(session::Session& s, std::string_view rd, std::string_view nrd);

// Steps 3 and 4 without the screen: the file written and the number stored; the path
// written (relative to the data directory when `path` was empty).
Result<std::string> ZapiszFaktureEdi(session::Session& s, store::StoreUi& ui, std::string_view rd,
                                     std::string_view nrd, const EdiParametry& p, std::string_view path = {});

// EDIFAKTVAT (FV_EDI): the whole road with its screen and messages; true when the file
// was written.
bool EdifaktVat(session::Session& s, std::string_view rd, std::string_view nrd, std::string_view path = {});

}  // namespace hurt::invoicing
