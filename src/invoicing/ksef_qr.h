// KOD I of the national e-invoice system (KSeF): the verification QR code printed on an
// invoice that has its FA(3) file.
//
// The code holds a link: the environment's QR address, "/invoice/", the seller's NIP,
// "/", the issue date (P_1) as DD-MM-YYYY, "/", the SHA-256 of the FA(3) file's bytes in
// Base64URL without padding:
//
//   https://qr.ksef.mf.gov.pl/invoice/1111111111/01-02-2026/UtQp9Gpc51y-u3xApZjIjgkpZ01js-J8KflSPW8WzIE
//
// Under the code stands the invoice's KSeF number once the system has given one, else
// "OFFLINE" (an invoice not in the system yet). The address is the setting J_KSEF_QR
// (blank: production; "https://qr-test.ksef.mf.gov.pl" and
// "https://qr-demo.ksef.mf.gov.pl" are the test and pre-production systems).
//
// The NIP and date are read from the file itself (Podmiot1/NIP and P_1), so the link
// always names what the hash was taken of.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/date.h"
#include "base/result.h"
#include "xbase/env.h"

namespace hurt::session {
class Session;
}

namespace hurt::invoicing {

inline constexpr std::string_view kKsefQrProduction = "https://qr.ksef.mf.gov.pl";
inline constexpr std::string_view kKsefOffline = "OFFLINE";

// Base64 with "-" and "_" for "+" and "/", without "=" padding.
std::string Base64Url(std::string_view bytes);

// The link of KOD I; a "/" ending the address is dropped.
std::string KodILink(std::string_view host, std::string_view nip, JulianDay issued, std::string_view hash_base64url);

struct KodI {
  std::string link;
  std::string label;  // the KSeF number, or "OFFLINE"
};

// KOD I of the FA(3) file `fa3` (a path), read in blocks; nullopt when there is no such
// file. A file without the seller's NIP or the issue date is refused.
Result<std::optional<KodI>> KodIOfFile(xbase::Env& env, const std::string& fa3, std::string_view host,
                                       std::string_view ksef_number);

// The address of the QR links: the setting J_KSEF_QR, or production when it is blank.
std::string KsefQrHost(session::Session& session);

}  // namespace hurt::invoicing
