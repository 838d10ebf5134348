// The VAT register pass: the month's document lines in date order (dow, order 2: date,
// side, class, kind, number, line), each line valued into the rate buckets of its
// document, documents totalled when the kind and number change.
//
// Which documents: a kind that begins with "F" and has no "-", and the kinds "PZ" and
// "PS", take every document of the same side (S_Z) — the register of all sales or all
// purchases, summed per kind; any other kind takes that kind alone. Only the classes of a
// register count: sales "RS", sales corrections "KS", purchases "PZ", purchase corrections
// "KZ" and, for the 50/50 register, the internal transfer "RD".
//
// The lines of one document are adjacent in that order, so one pass serves: a document's
// header is read once (dowod, order 1), the kinds once each (slow), an article only when
// a group is skipped or the goods groups (GTU) of a sale are wanted. Nothing is held but
// the current document and one row per kind.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/date.h"
#include "base/result.h"
#include "reports/vat_buckets.h"

namespace hurt::session {
class Session;
}

namespace hurt::reports {

enum class DeliveryChoice { kAny, kThisMonth, kEarlier, kLater };
enum class PurchaseBasis { kInvoicesAndWz, kInvoices, kWz, kFiftyFifty, kInternal, kReverseCharge };
enum class PnChoice { kAll, kOnlyPn, kSkipPn };

struct RegisterRequest {
  JulianDay from = kEmptyDate, to = kEmptyDate;
  std::string rd;           // the kind chosen (3 characters)
  std::string skip_indeks;  // lines of this article index are left out
  std::string skip_word;    // lines whose article name has this word are left out
  std::string magazyny;     // warehouse letters; blank: all
  std::string odb;          // one counterparty; blank: all
  std::string skip_group;   // articles of this group (T_W_O_K) are left out
  std::string waluta;       // one currency; blank: all
  DeliveryChoice delivery = DeliveryChoice::kAny;
  PurchaseBasis basis = PurchaseBasis::kInvoicesAndWz;
  PnChoice pn = PnChoice::kAll;
  bool one_day = false;     // the daily register: "SD " totals recomputed from the gross
};

// One document of the register (a row of the station's work table ddd).
struct RegisterDocument {
  int lp = 0;
  std::string r_p, s_z, rd, nrd, odb, nodb, nodb1, uodb, modb, nip_kraj, nip, odbiorca;
  JulianDay data = kEmptyDate, data_wyd = kEmptyDate, data_fa = kEmptyDate;
  std::string spz, waluta;
  double kurs = 0;
  double currency_value = 0;  // NETTO + VAT of the header, in its currency
  RateBuckets b;
  std::string gtu = std::string(13, ' ');
  std::string jpk_xx = std::string(20, ' ');
  std::string typ_dok;
  std::string ksef;  // the invoice's number in the national e-invoice system, once known
};

// The totals of one class and kind, with the first and last number seen.
struct KindTotal {
  std::string klasa;  // R_P + S_Z
  std::string rd;
  std::string first_nrd, last_nrd;
  int documents = 0;
  RateBuckets b;
};

struct RegisterResult {
  std::string refusal;  // "BRAK <kind> W PARAMETRACH DOWODOW", "<kind> NIE DOTYCZY ZAKUPOW - SPRZEDAZY",
                        // "Brak <kind> w okresie <from>-<to>": nothing to print
  char side = 'S';      // S sales, Z purchases
  std::vector<KindTotal> kinds;  // in the order first seen
  RateBuckets total;
  int documents = 0;
  // Sales lines with a blank NB that were counted as "N" ("B" for "SD ") but could not be
  // repaired on file: their record was held by another station, or the write failed.
  int nb_not_repaired = 0;
};

// The pass. `each` receives every document when it is complete (rounded), in order.
Result<RegisterResult> ComputeRegister(session::Session& s, const RegisterRequest& request,
                                       const std::function<void(const RegisterDocument&)>& each);

// The one-day register of the daily-sales kind "SD ": each rate's total recomputed from
// its gross G at rate r: VAT = round(G × r / (100 + r), 2), net = G − VAT.
void RecomputeFromGross(RateBuckets& b);

// The rounding correction of a retail receipt (kind "RU " dated from 2011, with
// gross-priced lines): the till computes the VAT of each rate once, on the receipt's gross
// of that rate, while the lines carry VAT rounded line by line. The register counts such a
// receipt as the till did: for each rate column in `columns` (bit i for column i) that had
// gross-priced lines (never "NP", which has no VAT), G = the receipt's gross of the rate
// rounded to 2 places, VAT = round(G × r / (100 + r), 2), net = G − VAT. The stored lines
// are not rewritten; only the register's count of the receipt is corrected. Other
// columns of the receipt stay as their lines say.
void CorrectRetailReceipt(RateBuckets& b, unsigned columns);

}  // namespace hurt::reports
