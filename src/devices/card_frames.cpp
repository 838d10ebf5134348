#include "devices/card_frames.h"

#include <array>
#include <cmath>
#include <cstdio>

#include "devices/fiscal_text.h"

namespace hurt::devices {
namespace {

void PutLe(std::string& out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

uint32_t GetLe(std::string_view in, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(in[at + static_cast<size_t>(i)]);
  return v;
}

constexpr std::array<std::string_view, 35> kStates = {
    "STATUS NIEZNANY",
    "TERMINAL GOTOWY",
    "TERMINAL ZAJETY",
    "KARTA WPROWADZONA",
    "OCZEKIWANIE NA PIN - PROBA PIERWSZA",
    "OCZEKIWANIE NA PIN - PROBA DRUGA",
    "OCZEKIWANIE NA PIN - PROBA TRZECIA",
    "WPROWADZANIE PINU NIEUDANE",
    "WPROWADZANIE NAPIWKU",
    "AUTORYZOWANIE",
    "KONCZENIE",
    "ANULOWANO",
    "POTWIERDZENIE KWOTY",
    "WYSYLANIE",
    "ODBIERANIE",
    "NIEOKRESLONE DANE WEJSCIOWE",
    "PRZETWARZANIE",
    "PROSZE ODEBRAC KARTE",
    "DRUKOWANIE KOPII MERCHANTA",
    "DRUKOWANIE KOPII KLIENTA",
    "BRAK PAPIERU",
    "WYBOR PROGRAMU LOJALNOSCIOWEGO",
    "WPROWADZANIE NUMERU TELEFONU",
    "WPROWADZANIE KODU PROMOCYJNEGO",
    "WYBOW CZLONKA PROGRAMU LOJALNOSCIOWEGO",
    "OFEROWANIE NAGRODY",
    "ISTNIEJACE KONTO",
    "NIEPRAWIDLOWE KONTO",
    "PLATNOSC KARTA PRZYPISANA",
    "PLATNOSC KARTA DODANA",
    "WPROWADZANIE KWOTY CASHBACK",
    "WPROWADZANIE KODU KOMERCYJNEGO",
    "OCZEKIWANIE NA WPROWADZENIE KARTY",
    "OCZEKIWANIE NA WYBOR WALUTY DCC",
    "AKCEPTACJA PINU",
};

}  // namespace

std::string GroszeText(double amount) {
  if (!(amount > 0)) return std::string(12, '0');
  // Rounded to the grosz: 12.34 * 100 is 1233.9999... in binary.
  const double grosze = std::round(amount * 100.0);
  if (grosze >= 1e12) return std::string(12, '9');
  char text[24];
  std::snprintf(text, sizeof text, "%012.0f", grosze);
  return text;
}

std::string ReceiptText(std::string_view receipt) {
  std::string digits;
  for (char c : receipt) {
    if (c >= '0' && c <= '9') digits.push_back(c);
  }
  if (digits.size() > 6) digits = digits.substr(digits.size() - 6);
  return std::string(6 - digits.size(), '0') + digits;
}

std::string TerminalAddressOf(std::string_view file_text) {
  std::string address;
  for (char c : file_text) {
    if ((c >= '0' && c <= '9') || c == '.') address.push_back(c);
  }
  if (address.size() >= 16) return "";
  return address;
}

std::string_view ElavonStateText(int state) {
  if (state < 0 || state >= static_cast<int>(kStates.size())) return kStates[0];
  return kStates[static_cast<size_t>(state)];
}

std::string TerminalText(std::string_view cp852) {
  std::string out;
  for (char c : PlainText(cp852)) {
    if (c >= ' ' && c < 127) out.push_back(c);
  }
  return out;
}

namespace elavon {

std::string EncodeField(const Field& f) {
  std::string out;
  PutLe(out, f.tag, 2);
  PutLe(out, f.type, 2);
  PutLe(out, static_cast<uint32_t>(f.value.size()), 4);
  out += f.value;
  return out;
}

std::string EncodeFrame(uint8_t command, const std::vector<Field>& fields) {
  std::string body;
  for (const Field& f : fields) body += EncodeField(f);
  std::string out;
  PutLe(out, static_cast<uint32_t>(body.size()), 4);
  out.push_back('\x00');
  out.push_back('\x02');
  out.push_back('\x00');
  out.push_back(static_cast<char>(command));
  return out + body;
}

std::string Transaction(CardTxnType type, double amount, std::string_view receipt) {
  std::vector<Field> f = {
      {0, 2, "01"},
      {1, 2, GroszeText(amount)},
      {5, 2, "Kwota:"},
      {9, 2, std::to_string(static_cast<int>(type))},
  };
  if (type == CardTxnType::kCancel) {
    f.push_back({10, 2, ReceiptText(receipt)});
    f.push_back({12, 2, "  "});
    f.push_back({91, 2, std::string(1, '\x00')});
    f.push_back({125, 2, std::string(1, '\x01')});
  }
  return EncodeFrame(kTransaction, f);
}

std::string Settlement() { return EncodeFrame(kSettlement, {{0, 2, "01"}}); }
std::string Status() { return EncodeFrame(kStatus, {}); }

std::string SetClock(const ClockParts& c) {
  auto two = [](int v) {
    char t[8];
    std::snprintf(t, sizeof t, "%02d", ((v % 100) + 100) % 100);
    return std::string(t);
  };
  return EncodeFrame(kSetClock, {{5, 8, two(c.hour)},
                                 {6, 8, two(c.minute)},
                                 {7, 8, two(c.second)},
                                 {8, 8, two(c.day)},
                                 {9, 8, two(c.month)},
                                 {10, 8, two(c.year)}});
}

std::string PrintText(std::string_view text) {
  return EncodeFrame(kPrintText, {{18, 8, std::string(text.substr(0, kMaxText))}});
}

std::string SetEcrAddress(std::string_view address) {
  return EncodeFrame(kSetEcrAddress, {{31, 8, std::string(address.substr(0, kMaxText))}});
}

std::string CancelKey() { return EncodeFrame(kCancelKey, {}); }
std::string LastTransaction() { return EncodeFrame(kLastTransaction, {}); }

const Field* Decoded::Find(uint16_t tag) const {
  for (const Field& f : fields) {
    if (f.tag == tag) return &f;
  }
  return nullptr;
}

bool BadHead(std::string_view bytes) {
  const std::string_view sign("\x00\x02\x00", 3);
  for (size_t i = 4; i < 7 && i < bytes.size(); ++i) {
    if (bytes[i] != sign[i - 4]) return true;
  }
  return false;
}

std::optional<Decoded> DecodeFrame(std::string_view bytes, size_t* used) {
  if (bytes.size() < 8 || BadHead(bytes)) return std::nullopt;
  const uint32_t length = GetLe(bytes, 0, 4);
  if (length > 1 << 20 || bytes.size() < 8 + static_cast<size_t>(length)) return std::nullopt;
  Decoded d;
  d.command = static_cast<uint8_t>(bytes[7]);
  std::string_view body = bytes.substr(8, length);
  while (!body.empty()) {
    if (body.size() < 8) return std::nullopt;
    Field f;
    f.tag = static_cast<uint16_t>(GetLe(body, 0, 2));
    f.type = static_cast<uint16_t>(GetLe(body, 2, 2));
    const uint32_t n = GetLe(body, 4, 4);
    if (body.size() - 8 < n) return std::nullopt;
    f.value = std::string(body.substr(8, n));
    d.fields.push_back(std::move(f));
    body.remove_prefix(8 + n);
  }
  if (used != nullptr) *used = 8 + length;
  return d;
}

std::optional<int> StatusState(std::string_view reply) {
  if (reply.size() < kStatusReplySize) return std::nullopt;
  return static_cast<unsigned char>(reply[kStatusReplySize - 1]);
}

}  // namespace elavon

namespace fiserv {

std::string Wrap(std::string_view text) {
  const std::string_view t = text.substr(0, 255);
  std::string out;
  out.push_back('\x00');
  out.push_back(static_cast<char>(t.size()));
  return out + std::string(t);
}

std::string Sale(double amount) { return Wrap("|2811011|00|" + GroszeText(amount) + "||||||||0|"); }
std::string Refund(double amount) { return Wrap("|2811011|20|" + GroszeText(amount) + "||||||||0|"); }

std::string Cancel(std::string_view receipt) {
  std::string r(receipt);
  while (!r.empty() && r.back() == ' ') r.pop_back();
  while (!r.empty() && r.front() == ' ') r.erase(r.begin());
  if (r.empty()) r = "0";
  return Wrap("|2811111|00|0|000000000001||||||||||||1|||||||||||||||||||" + r + "|");
}

std::string Cutoff() { return Wrap("|2881111|"); }
std::string Hello() { return Wrap("|2841011|0|||||"); }

std::optional<std::string> Unwrap(std::string_view bytes, size_t* used) {
  if (bytes.size() < 2) return std::nullopt;
  const size_t n = static_cast<unsigned char>(bytes[1]) + (static_cast<size_t>(static_cast<unsigned char>(bytes[0])) << 8);
  if (bytes.size() < 2 + n) return std::nullopt;
  if (used != nullptr) *used = 2 + n;
  return std::string(bytes.substr(2, n));
}

std::string HelloTid(std::string_view reply) {
  if (reply.size() < kHelloReplySize) return "";
  return std::string(reply.substr(20, 8));
}

std::vector<std::string> Fields(std::string_view text) {
  std::vector<std::string> out;
  if (!text.empty() && text.front() == '|') text.remove_prefix(1);
  while (!text.empty()) {
    const size_t bar = text.find('|');
    out.emplace_back(text.substr(0, bar));
    if (bar == std::string_view::npos) break;
    text.remove_prefix(bar + 1);
  }
  return out;
}

}  // namespace fiserv

std::optional<CardAnswer> ElavonAnswer(const elavon::Decoded& frame) {
  const elavon::Field* result = frame.Find(39);
  if (result == nullptr) return std::nullopt;
  CardAnswer a;
  a.result = result->value;
  a.approved = a.result == "00";
  if (const elavon::Field* f = frame.Find(1)) a.amount = f->value;
  if (const elavon::Field* f = frame.Find(10)) a.receipt = f->value;
  if (const elavon::Field* f = frame.Find(9); f != nullptr && f->value.size() == 1 && f->value[0] >= '0' && f->value[0] <= '2') {
    a.type = f->value[0] - '0';
  }
  return a;
}

std::optional<CardAnswer> FiservAnswer(std::string_view text) {
  const std::vector<std::string> f = fiserv::Fields(text);
  if (f.size() < 2 || f[1].empty()) return std::nullopt;
  CardAnswer a;
  a.result = f[1];
  a.approved = a.result == "00";
  if (f.size() > 2) a.amount = f[2];
  if (f.size() > 3) a.receipt = f[3];
  return a;
}

}  // namespace hurt::devices
