#include "session/password_hash.h"

#include <cstring>
#include <random>

namespace hurt::session::password {

namespace {

constexpr std::array<uint32_t, 64> kRound = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

constexpr std::array<uint32_t, 8> kInitial = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                              0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

constexpr uint32_t Rotr(uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

constexpr std::string_view kScheme = "pbkdf2-sha256";
constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string_view AsBytes(const Digest& d) { return {reinterpret_cast<const char*>(d.data()), d.size()}; }

// HMAC-SHA-256 with the key's inner and outer blocks hashed once, for PBKDF2's many
// iterations over one key.
class Hmac {
 public:
  explicit Hmac(std::string_view key) {
    std::array<uint8_t, 64> block{};
    if (key.size() > block.size()) {
      Digest d = Sha256Of(key);
      std::memcpy(block.data(), d.data(), d.size());
    } else if (!key.empty()) {
      std::memcpy(block.data(), key.data(), key.size());
    }
    std::array<char, 64> ipad{}, opad{};
    for (size_t i = 0; i < block.size(); ++i) {
      ipad[i] = static_cast<char>(block[i] ^ 0x36);
      opad[i] = static_cast<char>(block[i] ^ 0x5c);
    }
    inner_.Update({ipad.data(), ipad.size()});
    outer_.Update({opad.data(), opad.size()});
  }

  Digest Mac(std::string_view message) const {
    Sha256 in = inner_;
    in.Update(message);
    Digest d = in.Final();
    Sha256 out = outer_;
    out.Update(AsBytes(d));
    return out.Final();
  }

 private:
  Sha256 inner_, outer_;
};

bool ConstantTimeEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  unsigned diff = 0;
  for (size_t i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i]) ^ static_cast<unsigned char>(b[i]);
  return diff == 0;
}

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

Sha256::Sha256() : state_(kInitial) {}

namespace {

// The compression function over 16 message words already in big-endian order.
void CompressWords(std::array<uint32_t, 8>& state, const uint32_t* words) {
  std::array<uint32_t, 64> w;
  for (int i = 0; i < 16; ++i) w[i] = words[i];
  for (int i = 16; i < 64; ++i) {
    uint32_t s0 = Rotr(w[i - 15], 7) ^ Rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
    uint32_t s1 = Rotr(w[i - 2], 17) ^ Rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
    w[i] = w[i - 16] + s0 + w[i - 7] + s1;
  }
  uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
  uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
  for (int i = 0; i < 64; ++i) {
    uint32_t s1 = Rotr(e, 6) ^ Rotr(e, 11) ^ Rotr(e, 25);
    uint32_t ch = (e & f) ^ (~e & g);
    uint32_t t1 = h + s1 + ch + kRound[i] + w[i];
    uint32_t s0 = Rotr(a, 2) ^ Rotr(a, 13) ^ Rotr(a, 22);
    uint32_t maj = (a & b) ^ (a & c) ^ (b & c);
    uint32_t t2 = s0 + maj;
    h = g;
    g = f;
    f = e;
    e = d + t1;
    d = c;
    c = b;
    b = a;
    a = t1 + t2;
  }
  state[0] += a;
  state[1] += b;
  state[2] += c;
  state[3] += d;
  state[4] += e;
  state[5] += f;
  state[6] += g;
  state[7] += h;
}

}  // namespace

void Sha256::Compress(const uint8_t* block) {
  uint32_t words[16];
  for (int i = 0; i < 16; ++i) {
    words[i] = (uint32_t{block[4 * i]} << 24) | (uint32_t{block[4 * i + 1]} << 16) |
               (uint32_t{block[4 * i + 2]} << 8) | uint32_t{block[4 * i + 3]};
  }
  CompressWords(state_, words);
}

void Sha256::Update(std::string_view data) {
  const auto* p = reinterpret_cast<const uint8_t*>(data.data());
  size_t n = data.size();
  total_ += n;
  if (buffered_ > 0) {
    size_t take = std::min(n, buffer_.size() - buffered_);
    std::memcpy(buffer_.data() + buffered_, p, take);
    buffered_ += take;
    p += take;
    n -= take;
    if (buffered_ < buffer_.size()) return;
    Compress(buffer_.data());
    buffered_ = 0;
  }
  while (n >= 64) {
    Compress(p);
    p += 64;
    n -= 64;
  }
  if (n > 0) {
    std::memcpy(buffer_.data(), p, n);
    buffered_ = n;
  }
}

Digest Sha256::Final() {
  const uint64_t bits = total_ * 8;
  buffer_[buffered_++] = 0x80;
  if (buffered_ > 56) {
    std::memset(buffer_.data() + buffered_, 0, buffer_.size() - buffered_);
    Compress(buffer_.data());
    buffered_ = 0;
  }
  std::memset(buffer_.data() + buffered_, 0, 56 - buffered_);
  for (int i = 0; i < 8; ++i) buffer_[56 + i] = static_cast<uint8_t>(bits >> (56 - 8 * i));
  Compress(buffer_.data());
  Digest out;
  for (int i = 0; i < 8; ++i) {
    out[4 * i] = static_cast<uint8_t>(state_[i] >> 24);
    out[4 * i + 1] = static_cast<uint8_t>(state_[i] >> 16);
    out[4 * i + 2] = static_cast<uint8_t>(state_[i] >> 8);
    out[4 * i + 3] = static_cast<uint8_t>(state_[i]);
  }
  return out;
}

Digest Sha256Of(std::string_view data) {
  Sha256 s;
  s.Update(data);
  return s.Final();
}

Digest HmacSha256(std::string_view key, std::string_view message) { return Hmac(key).Mac(message); }

std::string Pbkdf2HmacSha256(std::string_view password, std::string_view salt, uint32_t iterations,
                             size_t length) {
  // The key's inner and outer states, after their one padded block each.
  std::array<uint8_t, 64> key{};
  if (password.size() > key.size()) {
    Digest d = Sha256Of(password);
    std::memcpy(key.data(), d.data(), d.size());
  } else if (!password.empty()) {
    std::memcpy(key.data(), password.data(), password.size());
  }
  std::array<uint8_t, 64> pad;
  std::array<uint32_t, 8> inner = kInitial, outer = kInitial;
  for (size_t i = 0; i < 64; ++i) pad[i] = static_cast<uint8_t>(key[i] ^ 0x36);
  auto compress_bytes = [](std::array<uint32_t, 8>& state, const std::array<uint8_t, 64>& block) {
    uint32_t words[16];
    for (int i = 0; i < 16; ++i) {
      words[i] = (uint32_t{block[4 * i]} << 24) | (uint32_t{block[4 * i + 1]} << 16) |
                 (uint32_t{block[4 * i + 2]} << 8) | uint32_t{block[4 * i + 3]};
    }
    CompressWords(state, words);
  };
  compress_bytes(inner, pad);
  for (size_t i = 0; i < 64; ++i) pad[i] = static_cast<uint8_t>(key[i] ^ 0x5c);
  compress_bytes(outer, pad);

  // Each later iteration hashes one 32-byte digest after a 64-byte key block: one block
  // of 8 words, the padding bit and the length of 96 bytes in bits.
  auto mac_of_digest = [&](const std::array<uint32_t, 8>& u) {
    uint32_t block[16] = {u[0], u[1], u[2], u[3], u[4], u[5], u[6], u[7], 0x80000000u, 0, 0, 0, 0, 0, 0, 768};
    std::array<uint32_t, 8> state = inner;
    CompressWords(state, block);
    for (int i = 0; i < 8; ++i) block[i] = state[static_cast<size_t>(i)];
    state = outer;
    CompressWords(state, block);
    return state;
  };

  const Hmac prf(password);
  std::string out;
  out.reserve(length + 32);
  std::string first(salt);
  first.append(4, '\0');
  for (uint32_t block = 1; out.size() < length; ++block) {
    first[salt.size()] = static_cast<char>(block >> 24);
    first[salt.size() + 1] = static_cast<char>(block >> 16);
    first[salt.size() + 2] = static_cast<char>(block >> 8);
    first[salt.size() + 3] = static_cast<char>(block);
    const Digest d = prf.Mac(first);
    std::array<uint32_t, 8> u;
    for (int i = 0; i < 8; ++i) {
      u[static_cast<size_t>(i)] = (uint32_t{d[4 * i]} << 24) | (uint32_t{d[4 * i + 1]} << 16) |
                                  (uint32_t{d[4 * i + 2]} << 8) | uint32_t{d[4 * i + 3]};
    }
    std::array<uint32_t, 8> t = u;
    for (uint32_t i = 1; i < iterations; ++i) {
      u = mac_of_digest(u);
      for (size_t k = 0; k < 8; ++k) t[k] ^= u[k];
    }
    for (uint32_t word : t) {
      out += static_cast<char>(word >> 24);
      out += static_cast<char>(word >> 16);
      out += static_cast<char>(word >> 8);
      out += static_cast<char>(word);
    }
  }
  out.resize(length);
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
  try {
    std::random_device random("/dev/urandom");
    for (size_t i = 0; i < salt.size(); i += 4) {
      uint32_t v = random();
      for (size_t k = 0; k < 4 && i + k < salt.size(); ++k) salt[i + k] = static_cast<char>(v >> (8 * k));
    }
  } catch (...) {
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
  std::string derived = Pbkdf2HmacSha256(password, parsed.salt, parsed.iterations, kHashBytes);
  return ConstantTimeEqual(derived, parsed.hash);
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
