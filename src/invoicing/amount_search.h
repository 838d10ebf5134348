// SZUKANIE KWOTY and SZUKANIE KWOTY/FAKTURY: the month's documents of an amount, or of a
// number, found in one pass over the headers in `dowod`.
//
// The operator types an amount (and, in the second form, may type a document number
// instead). A header is found when its gross value (net + VAT), its net value, its VAT
// or its value at cost (WARTOSC0) equals the amount to the grosz - a correction's
// negative value counts as its size - or when its number contains the typed text. There
// is no index on amounts, so the headers are read once in kind and number order; only the
// records found are kept (at most kMostFound). They are listed; Enter opens the document
// for display and comes back to the list; Esc leaves. The table is left as it was.
#pragma once

#include <cstddef>
#include <string_view>

namespace hurt::session {
class Session;
}
namespace hurt::xbase {
class WorkArea;
}

namespace hurt::invoicing {

inline constexpr size_t kMostFound = 500;

// The current header of `dowod` carries the amount (compared as text to 2 decimals).
bool AmountMatches(const xbase::WorkArea& dowod, double amount);
// The current header's number contains `text` (blanks around it ignored; never for "").
bool NumberMatches(const xbase::WorkArea& dowod, std::string_view text);

// `or_number`: the form also asks for a document number (Szukanie kwoty/faktury).
void SzukanieKwoty(session::Session& session, bool or_number);

}  // namespace hurt::invoicing
