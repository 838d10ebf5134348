// Password hashing: SHA-256, HMAC-SHA-256 and PBKDF2-HMAC-SHA-256 (from the system's
// crypto library), and the text form in which a password hash is stored.
//
// Stored form (field HASH of the operator table, setting J_BOSS):
//
//   pbkdf2-sha256$<iterations>$<salt>$<hash>
//
// salt: 16 random bytes, hash: 32 bytes, both in standard base64 without padding; the
// iterations in decimal. At most 88 characters. Verifying takes the iterations from the
// text, so the count can be raised later without invalidating stored hashes.
//
// The legacy scramble (MOJ_ENCODE) is here only to read passwords that an old
// installation kept scrambled, once, when they are converted to hashes. Nothing writes it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/result.h"

namespace hurt::session::password {

using Digest = std::array<uint8_t, 32>;

// FIPS 180-4 SHA-256.
Digest Sha256Of(std::string_view data);
// RFC 2104 HMAC with SHA-256.
Digest HmacSha256(std::string_view key, std::string_view message);
// RFC 8018 PBKDF2 with HMAC-SHA-256: `length` derived bytes. iterations >= 1.
std::string Pbkdf2HmacSha256(std::string_view password, std::string_view salt, uint32_t iterations,
                             size_t length);

// Iterations of a new hash: slow enough to make guessing expensive, fast enough for a
// log-in on a modest workstation.
constexpr uint32_t kDefaultIterations = 100000;
// Stored counts outside 1..kMaxIterations are refused (a damaged or tampered field must
// not hang the log-in).
constexpr uint32_t kMaxIterations = 5000000;
constexpr size_t kSaltBytes = 16;
constexpr size_t kHashBytes = 32;
// The widest text HashText gives (with kMaxIterations): the width the HASH field needs.
constexpr size_t kHashTextMax = 90;

// The stored text for `password` with the given salt (any bytes) and iterations.
std::string HashText(std::string_view password, std::string_view salt, uint32_t iterations = kDefaultIterations);
// The same with a fresh random salt from the operating system; IoError when no random
// bytes can be had.
Result<std::string> NewHashText(std::string_view password, uint32_t iterations = kDefaultIterations);
// True when `text` (trailing blanks ignored) is a well-formed stored hash.
bool IsHashText(std::string_view text);
// True when `password` matches the stored text; false for a malformed text. The hash
// bytes are compared in constant time.
bool VerifyHashText(std::string_view password, std::string_view text);

// Standard base64 without padding, and back (false on a character outside the alphabet
// or an impossible length).
std::string Base64Encode(std::string_view bytes);
bool Base64Decode(std::string_view text, std::string* bytes);

// MOJ_ENCODE / MOJ_DECODE of old installations: the text padded to 10 characters, each
// byte exclusive-or'ed with a 30-byte key (a 5-byte pattern six times, itself combined
// with blanks). Applying it twice gives the text back. For converting old passwords only.
std::string LegacyScramble(std::string_view text);

}  // namespace hurt::session::password
