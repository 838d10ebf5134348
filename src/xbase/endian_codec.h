// Little-endian integers in byte buffers: the only way the engine's codecs turn file bytes
// into numbers and back (never a cast of a packed struct).
#pragma once

#include <cstdint>
#include <string>

namespace hurt::xbase {

inline void EncodeU16(char* dst, uint16_t v) {
  dst[0] = static_cast<char>(v & 0xFF);
  dst[1] = static_cast<char>((v >> 8) & 0xFF);
}

inline void EncodeU32(char* dst, uint32_t v) {
  for (int i = 0; i < 4; ++i) dst[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

inline uint16_t DecodeU16(const char* src) {
  return static_cast<uint16_t>(static_cast<uint8_t>(src[0]) | (static_cast<uint8_t>(src[1]) << 8));
}

inline uint32_t DecodeU32(const char* src) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(src[i]);
  return v;
}

inline void PutU16(std::string* out, uint16_t v) {
  char b[2];
  EncodeU16(b, v);
  out->append(b, 2);
}

inline void PutU32(std::string* out, uint32_t v) {
  char b[4];
  EncodeU32(b, v);
  out->append(b, 4);
}

}  // namespace hurt::xbase
