// Record-copy helpers between two open work areas: x is the target area, y the source.
//
// Common rules:
//   - Fields are paired by name and type (copy_fields.h).
//   - Keys and conditions are expression texts compiled against the source area: its
//     fields, other areas as alias->field, and the session variables ("kto+odb=M_kto+M_odb").
//   - The caller's current work area is selected again at the end, whatever happened.
//   - A target record is written only under its lock: appended with ADD_REC(10), or locked
//     with REC_LOCK(10). When a lock or append cannot be had in that time the helper stops
//     and returns Busy: a bulk copy that silently left records out would be worse than one
//     that says it stopped. What was copied until then stays copied.
//   - The helpers end by locking the target's current record (REC_LOCK(30)), making the
//     table durable (DBCOMMIT) and unlocking, so that other stations see the result.
//   - The update and replace helpers (UPDATE_X_FROM_Y, UPDATE0_X_FROM_Y, ZAMIEN_X_FROM_Y)
//     show the progress window " Odtwarzanie zbioru <ALIAS>.DBF " while they run. They
//     write the target in natural order and give it back its controlling order at the end.
#pragma once

#include <string_view>

#include "base/result.h"
#include "store/net_use.h"

namespace hurt::store {

// UPDATE_X_FROM_Y(x, y, key): for every source record from the top (in its controlling
// order), `key` is evaluated in the source and sought in the target's controlling order;
// a missing record is appended (ADD_REC(10)). The target record is locked (REC_LOCK(10))
// and receives every numeric field of the source and every other field whose source value
// is not empty, then it is unlocked. The screen under the progress window is restored.
Status UpdateXFromY(StoreContext& ctx, int x, int y, std::string_view key);

// UPDATE0_X_FROM_Y(x, y, key): as UpdateXFromY, but an appended record receives every
// non-empty source field and an existing record only the numeric fields; the screen is
// cleared for the progress window and not restored.
Status Update0XFromY(StoreContext& ctx, int x, int y, std::string_view key);

// ZAMIEN_X_FROM_Y(x, y): makes the target hold exactly the source's live records, reusing
// the target's records instead of emptying it (a shared table cannot be emptied while
// others have it open, and reused records keep the table from growing).
//
// With deleted records visible, the target is walked in natural order from its first
// record and the source from its top, skipping deleted source records. Each source record
// is written over the next target record (recalled when it was deleted), or over a blank
// record appended at the end when the target has no more; the record is locked, takes the
// paired fields, and its fields that the source does not have are blanked, so that a
// reused record holds nothing of the entry it held before. Every target record left over
// is then deleted. Deleted records are hidden again and the target gets its controlling
// order back.
//
// The first target record is overwritten like every other one (it is not kept). The
// helper serves the settlement table fa_N, refilled from a station's work table: fa_N
// holds only settlement entries, each an open receivable or payable of a document (an
// invoice's payment block and its entry in the settlements must agree), and has no
// header or reserved first record. A first record surviving the replacement would be an
// entry the source no longer has — an invoice's receivable counted twice, or a settled one
// reappearing in the balance — so the target ends with as many live records as the source
// has, in the source's order.
Status ZamienXFromY(StoreContext& ctx, int x, int y);

// _APPEND_X_FROM_Y(x, y, condition [, keep]): empties the target unless `keep`, then
// appends to it every source record, from the top, for which `condition` holds ("" =
// every record).
Status AppendXFromYAll(StoreContext& ctx, int x, int y, std::string_view condition, bool keep = false);

// APPEND_X_FROM_Y(x, y, key, condition [, keep]): empties the target unless `keep`; seeks
// `key` (evaluated once) in the source's controlling order and appends each record while
// the source is not at its end and `condition` holds: it stops at the first record for
// which the condition is false.
Status AppendXFromY(StoreContext& ctx, int x, int y, std::string_view key, std::string_view condition,
                    bool keep = false);

// APP_X_FROM_Y(x, y, key, while, for): always empties the target; seeks `key` in the
// source and, while the source is not at its end and `while` holds, appends each record
// for which `for` holds (ADD_REC(10), then unlocked): records failing `for` are skipped,
// the first failing `while` ends the run. The source is put back on the record it stood on.
Status AppXFromY(StoreContext& ctx, int x, int y, std::string_view key, std::string_view while_condition,
                 std::string_view for_condition);

}  // namespace hurt::store
