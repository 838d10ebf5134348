#include "session/password_hash.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

#include <algorithm>
#include <cstring>

namespace hurt::session::password {

// SHA-256, HMAC and PBKDF2 come from the system's crypto library; the stored text form and
// its parsing are this program's own.

namespace {

constexpr std::string_view kScheme = "pbkdf2-sha256";
constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

struct ParsedHash {
  uint32_t iterations = 0;
  std::string salt;
  std::string hash;
};

// Splits "pbkdf2-sha256$iter$salt$hash"; false when anything is off.
bool Parse(std::string_view text, ParsedHash* out) {
  text = TrimRight(text);
  std::string_view parts[4];
  for (int i = 0; i < 3; ++i) {
    size_t dollar = text.find('$');
    if (dollar == std::string_view::npos) return false;
    parts[i] = text.substr(0, dollar);
    text.remove_prefix(dollar + 1);
  }
  parts[3] = text;
  if (parts[0] != kScheme) return false;
  if (parts[1].empty() || parts[1].size() > 9) return false;
  uint32_t iterations = 0;
  for (char c : parts[1]) {
    if (c < '0' || c > '9') return false;
    iterations = iterations * 10 + static_cast<uint32_t>(c - '0');
  }
  if (iterations < 1 || iterations > kMaxIterations) return false;
  std::string salt, hash;
  if (!Base64Decode(parts[2], &salt) || salt.empty()) return false;
  if (!Base64Decode(parts[3], &hash) || hash.size() != kHashBytes) return false;
  out->iterations = iterations;
  out->salt = std::move(salt);
  out->hash = std::move(hash);
  return true;
}

}  // namespace

Digest Sha256Of(std::string_view data) {
  Digest out{};
  unsigned int length = 0;
  // EVP_Digest fails only when memory runs out; a zero digest then matches no stored hash.
  if (EVP_Digest(data.data(), data.size(), out.data(), &length, EVP_sha256(), nullptr) != 1) out.fill(0);
  return out;
}

Digest HmacSha256(std::string_view key, std::string_view message) {
  Digest out{};
  unsigned int length = 0;
  static const unsigned char kEmpty = 0;
  const void* key_bytes = key.empty() ? &kEmpty : static_cast<const void*>(key.data());
  if (HMAC(EVP_sha256(), key_bytes, static_cast<int>(key.size()), reinterpret_cast<const unsigned char*>(message.data()),
           message.size(), out.data(), &length) == nullptr) {
    out.fill(0);
  }
  return out;
}

std::string Pbkdf2HmacSha256(std::string_view password, std::string_view salt, uint32_t iterations, size_t length) {
  std::string out(length, '\0');
  if (iterations < 1) iterations = 1;
  if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()),
                        reinterpret_cast<const unsigned char*>(salt.data()), static_cast<int>(salt.size()),
                        static_cast<int>(iterations), EVP_sha256(), static_cast<int>(length),
                        reinterpret_cast<unsigned char*>(out.data())) != 1) {
    // Out of memory only: a derived key of zeros matches no stored hash (their salts differ).
    std::fill(out.begin(), out.end(), '\0');
  }
  return out;
}

std::string Base64Encode(std::string_view bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  auto at = [&](size_t k) { return static_cast<uint32_t>(static_cast<uint8_t>(bytes[k])); };
  for (; i + 3 <= bytes.size(); i += 3) {
    uint32_t v = (at(i) << 16) | (at(i + 1) << 8) | at(i + 2);
    for (int s = 18; s >= 0; s -= 6) out += kBase64[(v >> s) & 63];
  }
  if (bytes.size() - i == 1) {
    uint32_t v = at(i) << 16;
    out += kBase64[(v >> 18) & 63];
    out += kBase64[(v >> 12) & 63];
  } else if (bytes.size() - i == 2) {
    uint32_t v = (at(i) << 16) | (at(i + 1) << 8);
    out += kBase64[(v >> 18) & 63];
    out += kBase64[(v >> 12) & 63];
    out += kBase64[(v >> 6) & 63];
  }
  return out;
}

bool Base64Decode(std::string_view text, std::string* bytes) {
  if (text.size() % 4 == 1) return false;
  std::string out;
  out.reserve(text.size() * 3 / 4);
  uint32_t acc = 0;
  int bits = 0;
  for (char c : text) {
    const char* pos = std::strchr(kBase64, c);
    if (c == '\0' || pos == nullptr) return false;
    acc = (acc << 6) | static_cast<uint32_t>(pos - kBase64);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out += static_cast<char>((acc >> bits) & 0xFF);
    }
  }
  // Leftover bits must be zero, so that each byte string has one spelling.
  if ((acc & ((1u << bits) - 1)) != 0) return false;
  *bytes = std::move(out);
  return true;
}

std::string HashText(std::string_view password, std::string_view salt, uint32_t iterations) {
  if (iterations < 1) iterations = 1;
  if (iterations > kMaxIterations) iterations = kMaxIterations;
  std::string text(kScheme);
  text += '$';
  text += std::to_string(iterations);
  text += '$';
  text += Base64Encode(salt);
  text += '$';
  text += Base64Encode(Pbkdf2HmacSha256(password, salt, iterations, kHashBytes));
  return text;
}

Result<std::string> NewHashText(std::string_view password, uint32_t iterations) {
  std::string salt(kSaltBytes, '\0');
  if (RAND_bytes(reinterpret_cast<unsigned char*>(salt.data()), static_cast<int>(salt.size())) != 1) {
    return Status::IoError("no random bytes for a password salt");
  }
  return HashText(password, salt, iterations);
}

bool IsHashText(std::string_view text) {
  ParsedHash parsed;
  return Parse(text, &parsed);
}

bool VerifyHashText(std::string_view password, std::string_view text) {
  ParsedHash parsed;
  if (!Parse(text, &parsed)) return false;
  const std::string derived = Pbkdf2HmacSha256(password, parsed.salt, parsed.iterations, kHashBytes);
  return derived.size() == parsed.hash.size() &&
         CRYPTO_memcmp(derived.data(), parsed.hash.data(), derived.size()) == 0;
}

std::string LegacyScramble(std::string_view text) {
  static constexpr uint8_t kPattern[5] = {0x4B, 0x72, 0x1D, 0x59, 0x36};
  std::string out(text);
  if (out.size() < 10) out.append(10 - out.size(), ' ');
  for (size_t i = 0; i < out.size(); ++i) {
    const uint8_t key = static_cast<uint8_t>(kPattern[(i % 30) % 5] ^ 0x20);
    out[i] = static_cast<char>(static_cast<uint8_t>(out[i]) ^ key);
  }
  return out;
}

}  // namespace hurt::session::password
