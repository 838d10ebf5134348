// Reading what a printout needs (print_data.h) from the open tables, and writing back
// what printing changes on them.
//
// Every reader takes the work area standing on the record to read and copies its fields
// by name; a field the table does not have reads as blank / 0, so older or trimmed
// layouts print what they hold. Nothing here moves an area the caller positioned, except
// where a function says so.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "documents/doc_kind.h"
#include "documents/kind_reader.h"
#include "documents/line_math.h"
#include "invoicing/print_data.h"
#include "session/area_fields.h"
#include "session/area_position.h"
#include "store/net_ui.h"
#include "store/schema.h"
#include "xbase/work_area.h"

namespace hurt::session {
class Session;
}

namespace hurt::invoicing {

// Field readers that tolerate a missing field.
using session::FieldDate;
using session::FieldNumber;
using session::FieldText;
// REPLACE when the table has the field; OK (nothing done) when it has not.
Status ReplaceIfPresent(xbase::WorkArea& area, std::string_view name, const xbase::Value& value);

// A table of the session by its catalogue id (nullptr when it is not open).
xbase::WorkArea* SessionAreaOf(session::Session& session, store::TableId id);

using session::AreaPosition;

// The company (record 1 of `firma`) and the counterparty `odb` of the book KTO names
// ("O" zo, "D" zd, "P" zp, "F" zf, "N" zn); blank structs when missing.
Seller ReadSeller(session::Session& session);
Buyer ReadBuyer(session::Session& session, char kto, std::string_view odb);

// The kind readers live with the kinds (documents/kind_reader.h).
using documents::KindFromRecord;
using documents::ReadKind;

// The header from the current record of `dowod`.
InvoiceHeader HeaderFromRecord(const xbase::WorkArea& dowod);
// The line from the current record of `dow` (or `dd`).
InvoiceLine LineFromRecord(const xbase::WorkArea& dow);
// The company from the current record of `firma`.
Seller SellerFromRecord(const xbase::WorkArea& firma);
// The customer from the current record of `zo` (empty at EOF).
Buyer BuyerFromRecord(const xbase::WorkArea& zo);

// The print settings of the session (J_ settings, M_DRUKARKA, the operator's name) and
// the marker files that concern the document: letterhead, KRS.TXT, SPZ_?.TXT and the
// cancelled-invoice marker "F<number>.---".
PrintSettings PrintSettingsFor(session::Session& session, const documents::DocKind& kind, const InvoiceHeader& header);

// Removes the cancelled-invoice marker of number `nrd` once its cancelled form is printed,
// so that the form prints once.
void DropCancelledMarker(session::Session& session, std::string_view nrd);

// The text of a marker file of the data directory found by FILE_X, nullopt when there is
// none (or it cannot be read).
std::optional<std::string> MarkerText(session::Session& session, std::string_view name);

// Writes PODATEK (and BRUTTO) of the lines the reconciliation changed back to their
// records: `recnos[i]` is the record of `printed[i]` in `area`, `before[i]` what was read.
// Each record is locked (REC_LOCK with `wait` seconds) only while it is written; the lock
// is released after. Returns the number of records written, or the first failure (the
// records written before it stay written: each line is consistent on its own).
Result<int> WriteBackReconciled(store::StoreUi& ui, xbase::WorkArea& area, const std::vector<uint32_t>& recnos,
                                const std::vector<InvoiceLine>& before, const std::vector<InvoiceLine>& printed,
                                double wait);

}  // namespace hurt::invoicing
