// The open item a document leaves in the settlement ledger (fa_N) and what it adds to its
// counterparty's balance (OBWN/OBMA of zo/zd/zp/zf, by the kind's KTO), from the header
// alone, so that posting and a rebuild from `dowod` give the same item.
//
// Posting keeps its own limits where they are narrower than the ledger's rule: a document
// paid in cash ("G"), one with no payment ("B") and a pro-forma leave no item. A cash sale
// would have its value on both sides, so leaving it out leaves the counterparty's balance
// where the item would have left it. A goods document's payment at issue is the amount
// paid typed at posting (KWOTA; 0 for an opening balance "BO "), and a purchase tagged WEWN
// or ODWROTNE dated before 1 November 2019 counts its net value alone.
//
// Home-currency amounts: an item with KURS > 0 counts round(amount × KURS, 2), the same
// conversion the ledger check of `hurt-dbf verify` uses.
#pragma once

#include <optional>
#include <string>

#include "base/date.h"

namespace hurt::documents {

struct OpenItemHeader {
  char r_p = ' ';   // kind's side: R sale/receipt, P purchase/payment, M transfer, K correction
  char s_z = ' ';   // kind's class: S sale, Z purchase...
  std::string rd;   // 3 characters
  std::string mag;  // "0" for money documents
  std::string spz;  // payment form
  double netto = 0, vat = 0, reszta = 0, kwota = 0;
  JulianDay data = kEmptyDate;
  double tez = 0;
  std::string odbiorca;  // text of the item (TRESC)
  double kurs = 0;       // 0 = home currency
  bool proforma = false;       // the kind or the recipient text says PROFORMA
  bool internal_vat = false;   // purchase tagged WEWN or ODWROTNE
  bool rrr_marker = false;     // RRR.TXT exists
  // Flat-rate farmer purchases: the kind's description has ROLNIK but not ROLNIK.---.
  bool farmer_kind = false;
  JulianDay m_data_rr = kEmptyDate;  // M_DATA_RR
  bool rolnik_rr0 = false;           // ROLNIK.RR0 exists: the deduction in whole units
};

struct OpenItem {
  double obwn = 0, obma = 0;  // in the document's currency when KURS > 0
  JulianDay termin = kEmptyDate;
  std::string spz;
  std::string tresc;
  // What the item adds to the counterparty's balance, in the home currency.
  double saldo_wn = 0, saldo_ma = 0;
};

// nullopt: the document leaves no item (see above).
std::optional<OpenItem> OpenItemOf(const OpenItemHeader& h);

// The home-currency amount of a ledger amount at rate `kurs` (0: home currency).
double HomeAmount(double amount, double kurs);

}  // namespace hurt::documents
