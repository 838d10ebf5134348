// ZESTAWIENIE WZ: the issue notes of the month, where the operator marks those an invoice
// is to be made of (Generowanie FV do WZ, invoice_from_notes.h).
//
// The list shows every issue note (kinds "WZ…") of the month in number order: number,
// date, customer, name, gross value, the invoice a note went into, and the mark. Space
// marks or unmarks the note under the list's cursor (ZAP chr(251)), under the header's
// record lock; a note already in an invoice is not marked ("WZ-1 jest na fakturze
// FV-3"). Esc leaves.
#pragma once

namespace hurt::session {
class Session;
}
namespace hurt::xbase {
class WorkArea;
}

namespace hurt::invoicing {

// The mark of a header taken into an invoice or a collective printout.
inline constexpr char kNoteMark = '\xFB';

void ZestawienieWz(session::Session& session);

// Space on a note: the current header of `dowod` marked or unmarked, under its record
// lock (5 seconds of tries). A note already in an invoice is not marked; a header held
// elsewhere stays as it was ("Dowód WZ-1 zajęty - bez zmian"). True when the mark changed.
bool ToggleNoteMark(session::Session& session, xbase::WorkArea& dowod);

}  // namespace hurt::invoicing
