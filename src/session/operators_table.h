// The operator table `prawa`: its structure and upgrade, reading an operator record, and
// the checked ways of changing one (password, rights, name) under a record lock.
//
// Passwords. A record's password is in one of three states:
//   - HASH holds a stored hash text (password_hash.h) and HASLO is blank: the password is
//     checked against the hash;
//   - HASLO is not blank: an old installation's scrambled password (LegacyScramble). It
//     is accepted once as it decodes and converted to a hash at once (HASH set, HASLO
//     blanked): every such record when the list opens, and at log-in any record that an
//     older program wrote meanwhile;
//   - both blank: the operator has no password.
// Nothing here ever writes HASLO with anything but blanks.
//
// Internal to the operators module (the list, the log-in and the password checks) and
// its tests.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "xbase/dbf_format.h"
#include "xbase/work_area.h"

namespace hurt::session {
class Session;
}

namespace hurt::session::operators {

constexpr int kPrawaArea = 101;
constexpr std::string_view kPrawaAlias = "prawa";
constexpr int kRightsUsed = 17;        // rights of PRAWA with a label
constexpr int kRestrictionsUsed = 8;   // restrictions of PRAWA1 with a label
constexpr std::string_view kSupervisorNr = "0";
// The station-register character of operator "0" (code page 852 "▒"), so that the slot
// is not read as free.
constexpr char kSupervisorSlot = '\xB1';

// The prawa file in the data directory.
std::string PrawaPath(const Session& session);

// The fields this version creates (the catalogue's, with HASH), keeping wider widths and
// extra fields of an existing table so that an upgrade never cuts or drops data.
std::vector<xbase::DbfFieldDescriptor> PrawaFields(const Session& session,
                                                   const std::vector<xbase::DbfFieldDescriptor>& existing = {});
// Whether an existing structure lacks what this version needs.
bool PrawaNeedsUpgrade(const Session& session, const std::vector<xbase::DbfFieldDescriptor>& existing);

// Opens prawa shared in area 101 (retrying for 20 s while another station holds it
// exclusively), creating it when missing and upgrading it when its structure is old
// (exclusive for 1 s: built beside as prawa_nw.dbf, then renamed over prawa.dbf, so a
// failure or crash leaves the old table whole). An empty table gets operator "0". Old
// scrambled passwords are converted to hashes. Busy when the table stays unavailable.
Status OpenPrawa(Session& session);
void ClosePrawa(Session& session);

// One operator as read from the current record of prawa.
struct OperatorRecord {
  uint32_t recno = 0;
  std::string nr;        // one character
  std::string nazwisko;  // 30, as stored
  std::string haslo;     // raw 10 bytes of the old scrambled field
  std::string hash;      // stored hash text, trimmed
  std::string prawa, prawa1, prawa2;
  std::string nr_mag, nr_kasy, magazyn, komu, rd, slupek, smtp, drukarka;
  bool has_drukarka = false, has_magazyn = false, has_komu = false, has_rd = false, has_smtp = false;

  bool Named() const;                // a name is there (else: free record)
  bool IsSupervisor() const { return nr == kSupervisorNr; }
  bool HoldsRight(int n) const;      // PRAWA(n) of this record
};
OperatorRecord ReadOperator(const xbase::WorkArea& area);

// Whether logging in as this operator needs a password.
bool HasPassword(const OperatorRecord& rec);
// Whether `entry` (trailing blanks ignored) is the operator's password. An operator
// without password matches only an empty entry.
bool PasswordMatches(const OperatorRecord& rec, std::string_view entry);
bool IsLegacyPassword(const OperatorRecord& rec);

// REC_LOCK: locks record `recno` of the area, retrying for `seconds` on the session
// clock. Busy when it stays taken.
Status LockRecordFor(Session& session, xbase::WorkArea& area, uint32_t recno, int seconds);

// Goes to `recno`, locks it (`seconds` of retries), lets `change` replace fields, writes
// and unlocks. The record is unchanged when the lock cannot be had or `change` fails.
Status UpdateOperator(Session& session, xbase::WorkArea& area, uint32_t recno, int seconds,
                      const std::function<Status(xbase::WorkArea&)>& change);

// Replaces the password of record `recno` by `password` (empty: no password): HASH gets
// a fresh hash (blank for an empty password), HASLO is blanked. Record lock 20 s.
Status StorePassword(Session& session, xbase::WorkArea& area, uint32_t recno, std::string_view password);
// Converts an old scrambled password of record `recno` to a hash (no change when HASLO
// is blank). Record lock 20 s.
Status ConvertLegacyPassword(Session& session, xbase::WorkArea& area, uint32_t recno);

// The supervisor's record (the first with NR "0", else the first record) read from the
// table on disk without using a work area; NotFound when the table or record is missing.
Result<OperatorRecord> ReadSupervisor(Session& session);

}  // namespace hurt::session::operators
