// The company table firma as the station register needs it: creating it, deciding when
// its structure must be upgraded, upgrading it without risk to its record, and recovering
// the record from a copy left by an interrupted upgrade.
//
// Upgrade. The new table is built beside the old one (firma_up.dbf), filled from it,
// made durable and only then renamed over firma.dbf; the old file is never erased first.
// A crash at any point leaves either the old table or the new one in place; a leftover
// firma_up.dbf is junk and is removed the next time. Fields the catalogue no longer
// names are kept at the end, and a field wider on disk than in the catalogue keeps its
// width, so that an upgrade never cuts or drops what is stored.
//
// Recovery. Older versions upgraded by copying firma to xxx.dbf, erasing firma and
// appending the copy back; an interruption left firma empty (or missing) and the record
// only in xxx.dbf. When firma has no record and xxx.dbf looks like a copy of it (it has
// the fields NODB and BMR and at least one live record), the record is taken from there
// instead of starting a blank company.
#pragma once

#include "session/session_fwd.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "store/schema.h"
#include "xbase/dbf_format.h"

namespace hurt::shell {

using session::Session;

inline constexpr std::string_view kFirmaFile = "firma.dbf";
inline constexpr std::string_view kFirmaUpgradeFile = "firma_up.dbf";
inline constexpr std::string_view kLegacyScratchFile = "xxx.dbf";

// The fields TWORZ_FIRMA creates for the markers of the data directory.
std::vector<xbase::DbfFieldDescriptor> FirmaFields(const store::Markers& markers);

// Creates an empty firma (TWORZ_FIRMA).
Status CreateFirma(Session& session);

// The width of a field of the existing table, -1 when it has no such field.
using FieldWidthLookup = std::function<int(std::string_view name)>;

// Whether the first station must upgrade firma: a field of the register or of the company
// data is missing or too narrow, ST is narrower than ST99.TXT / ST2.TXT ask, a field that
// a marker asks for is missing, or the start argument was "3".
bool FirmaNeedsUpgrade(const FieldWidthLookup& width_of, const store::Markers& markers, bool argument_3);

// The structure of the upgraded table: the catalogue's fields, each at least as wide as
// on disk, then the fields the catalogue does not know (memo fields excepted).
std::vector<xbase::DbfFieldDescriptor> UpgradedFirmaFields(const std::vector<xbase::DbfFieldDescriptor>& existing,
                                                           const store::Markers& markers);

// Upgrades firma, held exclusively in work area 1, and leaves it open there exclusively
// again (20 seconds of tries). On an error firma.dbf is as it was.
Status UpgradeFirma(Session& session);

// When firma (exclusive in area 1) has no record: appends the live records of xxx.dbf when
// it looks like a copy of firma. True when records were recovered.
Result<bool> RecoverFirmaRecord(Session& session);

}  // namespace hurt::shell
