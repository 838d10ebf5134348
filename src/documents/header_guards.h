// The guards of correcting a posted document and the header rules that follow the kind's
// tags: consignment warehouses, the default currency and the number of the supplier's
// document on a receipt. No screen here: the operator's side of a guard goes through a
// CorrectionDialog, so that the rules run the same in tests.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/date.h"
#include "base/result.h"
#include "documents/doc_kind.h"
#include "documents/header_rules.h"
#include "xbase/work_area.h"

namespace hurt::documents {

// ---- correcting a posted document ----

// Which password a guard asks for.
enum class GuardPassword {
  kCorrection,  // the installation's correction password
  kEmergency,   // for an operator without right 1: the supervisor's own password
};

// The operator's side of the guards: messages, yes/no questions, passwords, the audit
// line of a locked warehouse document.
class CorrectionDialog {
 public:
  virtual ~CorrectionDialog() = default;
  virtual void Tell(const HeaderMessage& message) = 0;
  // A yes/no question; true for yes.
  virtual bool Ask(std::string_view question) = 0;
  // True when the operator gave the right password.
  virtual bool Password(GuardPassword which) = 0;
  // Writes " poprawia zablokowany dowod magazynowy " with the kind and number to the log.
  virtual void LogLockedCorrection() = 0;
};

struct CorrectionGuardInput {
  DocKind kind;
  std::string uzgodnic;                // the kind's UZGODNIC ("N": locked warehouse documents)
  std::string spz;                     // the document's payment
  bool has_settlement_entries = false;  // fa_N shows the document settled (matched, or paid by hand)
  bool fiscal_kind = false;            // the kind is J_SD or one of J_DF
  bool fiscal_printer = false;         // a fiscal printer is configured (JEST_DF_300)
  JulianDay data = kEmptyDate;         // the document's date
  JulianDay today = kEmptyDate;
  std::string author;                  // OPERATOR of the header
  std::string operator_nr;             // the operator correcting it
  bool right1 = false, right7 = false, right14 = false;
};

// The guards of a document loaded for correction, in order:
//  1. a sale not paid in cash that has settlement entries cannot be corrected
//     ("Dowod rozliczony - blokada");
//  2. a fiscal document with a fiscal printer: "Poprawiasz dowod fiskalny (!!!) ?" (no:
//     "Masz racje"), the correction password (wrong: "nie pozwole, bo narobisz jaj"), and
//     then only with payment "G" or "B" ("NIE POZWOLE NA KANTY");
//  3. a locked warehouse document (class "RD" or "RX", UZGODNIC "N"): "Poprawiasz
//     zablokowany dowod magazynowy ?", the correction password (the supervisor's for an
//     operator without right 1), and the audit line;
//  4. warnings: "TO NIE JEST DOWOD Z DZISIEJSZA DATA", "nie TY jestes autorem tego dowodu !";
//  5. right 7 or 14 ("NIE MASZ PRAWA !! !") and the correction password ("NIE POZWOLE NA
//     KANTY"); the password is not asked twice when a guard above took it already.
// True when the correction may go on.
bool CorrectionAllowed(const CorrectionGuardInput& in, CorrectionDialog& dialog);

// The audit line of a locked warehouse document corrected:
// "<dd.mm.yyyy> <hh:mm:ss> <nr> <name> poprawia zablokowany dowod magazynowy <RD>-<NRD>".
std::string LockedCorrectionLogLine(JulianDay today, std::string_view time, std::string_view operator_nr,
                                    std::string_view operator_name, std::string_view rd, std::string_view nrd);

// ---- warehouses of consignment sales ----

// The consignment warehouses of J_MAG_KOMI: its characters without blanks, "0" and the
// "│" that marks an empty setting.
std::string ConsignmentWarehouses(std::string_view j_mag_komi);

// A sale of a kind tagged "KOMIS" or "VAT MARZA" is kept in the consignment warehouses:
// the warehouse to use instead of `mag` (the first consignment warehouse), with the
// message "Zmieniam mag z <old> na <new>"; nullopt when `mag` may stay.
struct WarehouseChange {
  std::string mag;
  HeaderMessage message;
};
std::optional<WarehouseChange> ConsignmentWarehouseFor(const DocKind& kind, std::string_view mag,
                                                      std::string_view j_mag_komi);

// ---- currency ----

// The currency a document of a currency kind starts with: J_WAL, or "EUR" when it is blank.
std::string DefaultCurrency(std::string_view j_wal);

// The rate a new "[EUR]" sale starts with when `wal` has none for the date: 4.0, or 0
// (to be typed) with the marker KURS_EUR.1.
double FallbackEuroRate(bool kurs_eur_marker);

// The key of `wal` (order "waluta+DESCEND(DTOS(data))") that a soft seek uses to find
// the newest rate of the currency dated on or before `data`.
std::string WalSeekKey(std::string_view waluta, JulianDay data);

// The rate of `waluta` in `wal` (order 1 "waluta+DESCEND(DTOS(data))") for `data`: the
// newest dated on or before it; nullopt when there is none. The area keeps its order.
std::optional<double> RateFor(xbase::WorkArea& wal, std::string_view waluta, JulianDay data);

// The rate typed in the header is kept for the currency and the date: the record of that
// currency and date gets it (appended when missing), under its record lock. A blank
// currency or a rate of 0 stores nothing.
Status StoreRate(xbase::WorkArea& wal, std::string_view waluta, JulianDay data, double kurs);

// ---- the supplier's document on a receipt ----

// True when two supplier document numbers (the receipt's "Nr faktury lub WZ") name the
// same document: equal after trimming and upper-casing, and not empty.
bool SameSupplierDocument(std::string_view a, std::string_view b);

}  // namespace hurt::documents
