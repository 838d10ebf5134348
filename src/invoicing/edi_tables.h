// The two small tables of the EDIFACT messages, in the data directory:
//
//   eo_cfg.dbf    NAME C 15, VALUE C 35: one record per setting (the GLNs of the parties,
//                 their tax numbers, the order currency, the last invoice message number
//                 INV_NR_KOM). Created with every key (kEoCfgKeys) and empty values when
//                 missing; keys missing from an older table are appended.
//   eo_nrkom.dbf  NR_KOM N 8, one record: the last order message number.
//
// Two stations: a key appended to eo_cfg is appended under the table's file lock, after
// looking again which keys are there, so no key is appended twice. INV_NR_KOM is changed
// under its record's lock, held while the message that uses the number is written: two
// stations writing invoices at once get different numbers. NR_KOM is taken by opening
// eo_nrkom.dbf exclusively ("Plik EO_NRKOM zajety" when another station holds it past the
// wait); the table itself is made, when missing, under eo_cfg's file lock.
//
// A new table is written under a station's temporary name in rob/ and renamed into place
// only when no other station made it meanwhile.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "base/result.h"
#include "store/net_ui.h"
#include "xbase/env.h"
#include "xbase/work_area.h"

namespace hurt::invoicing {

inline constexpr std::string_view kEoCfgFile = "eo_cfg.dbf";
inline constexpr std::string_view kEoNrKomFile = "eo_nrkom.dbf";

// The keys of eo_cfg, in the order a new table lists them.
inline constexpr std::string_view kEoCfgKeys[] = {
    "NAD_SU",        "NAD_BY",        "NAD_DP",        "NAD_SF",        "NAD_IV",
    "CUX_2",         "ORD_ODB",       "ORD_NAD",       "INV_NR_KOM",    "INV_NAD_DP",
    "INV_NAD_SU",    "INV_NAD_BY",    "INV_NAD_PL",    "INV_NAD_IV",    "INV_RFF_SU_VA",
    "INV_RFF_BY_VA", "INV_RFF_PL_VA", "INV_RFF_IV_VA", "INV_RFF_SU_API",
};

// Where the tables are and what a station works with: the data directory, the station's
// work areas (a free one in 200..250 is used and closed again), its number for temporary
// names, and the screen of the retry loops.
struct EdiPlace {
  xbase::Env& env;
  xbase::WorkAreas& areas;
  std::string root;
  std::string station;  // two digits
  store::StoreUi& ui;
};

// Seconds a station waits for a lock or an exclusive open before it gives up.
inline constexpr double kEdiLockSeconds = 10;

// The settings of eo_cfg (keys upper case, values trimmed), the table made or completed
// first. "Plik eo_cfg.dbf zajety" when it is locked past the wait.
Result<std::map<std::string, std::string>> CzytajEoCfg(EdiPlace& place);

// Creates eo_cfg.dbf when missing, appends the keys it lacks.
Status EnsureEoCfg(EdiPlace& place);

// INV_NR_KOM: the message number to use is `proposed`, or the stored one + 1 when another
// station has used `proposed` already. Under the record's lock `write` is called with that
// number; when it succeeds the number is stored. Returns the number used. Nothing is
// stored when `write` fails (its status is returned).
Result<long> ZapiszNumerFaktury(EdiPlace& place, long proposed, const std::function<Status(long)>& write);

// The next order message number: NR_KOM + 1, stored back. "Brak pliku eo_cfg.dbf" when the
// settings table is missing, "Plik EO_NRKOM zajety" when eo_nrkom.dbf cannot be opened
// exclusively within the wait.
Result<long> PobierzNumerZamowienia(EdiPlace& place, double wait_seconds = kEdiLockSeconds);

}  // namespace hurt::invoicing
