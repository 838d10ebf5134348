// The FA(3) file of a posted sales invoice or correction, for the national e-invoice
// system: built from its header, lines, kind and our firm, and written to the folder
// `ksef` of the data directory as <kind>_<number>.xml, where the sending tool picks it up
// (sending itself is the tool's job; this program has no connection to the system).
//
// The VAT per rate is the document's reconciled rate totals (FUN_SUMA over its lines);
// the lines carry their net values and goods groups (the article's GR_TOW); the header's
// JPK marks give split payment (MPP) and related parties (TP), the type "FP" an invoice
// for retail receipts. A correction names the invoice it corrects (its number and date
// from the header, its KSeF number when that invoice has one).
#pragma once

#include <string>
#include <string_view>

#include "base/result.h"
#include "invoicing/ksef_fa3.h"

namespace hurt::session {
class Session;
}

namespace hurt::invoicing {

// A number the system gives an invoice: the seller's NIP (10 digits), "-", the date
// yyyymmdd, "-", 12 hexadecimal characters, "-", and the CRC-8 of the first 32 characters
// as 2 hexadecimal characters.
bool ValidKsefNumber(std::string_view numer);

// The kind's KSEF_TN is "T" (its invoices go to the national system).
bool KindSendsToKsef(session::Session& s, std::string_view rd);

Result<Fa3Invoice> Fa3OfDocument(session::Session& s, std::string_view rd, std::string_view nrd);

// The file's name relative to the data directory, in lower case: "ksef/fv_12.xml".
std::string Fa3FileName(std::string_view rd, std::string_view nrd);

// Writes the file (aside, then renamed over an older one); its path relative to the data
// directory ("ksef/fv_12.xml").
Result<std::string> ZapiszFa3(session::Session& s, std::string_view rd, std::string_view nrd);

}  // namespace hurt::invoicing
