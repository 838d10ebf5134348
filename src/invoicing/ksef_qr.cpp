#include "invoicing/ksef_qr.h"

#include <openssl/evp.h>

#include <memory>

#include "base/text.h"
#include "session/output/line_reader.h"
#include "session/password_hash.h"
#include "session/session.h"

namespace hurt::invoicing {

namespace {

constexpr size_t kReadBlock = 64 * 1024;
// Podmiot1 and P_1 stand in the first part of the file, before the lines.
constexpr size_t kHeadKept = 64 * 1024;

struct DigestDeleter {
  void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};

// The text of the first <tag> element at or after `from`; "" when there is none.
std::string Element(std::string_view xml, std::string_view tag, size_t from = 0) {
  const std::string open = "<" + std::string(tag) + ">";
  const std::string close = "</" + std::string(tag) + ">";
  const size_t start = xml.find(open, from);
  if (start == std::string_view::npos) return {};
  const size_t end = xml.find(close, start + open.size());
  if (end == std::string_view::npos) return {};
  return AllTrim(xml.substr(start + open.size(), end - start - open.size()));
}

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// "2026-02-01" as a date; kEmptyDate when it is not one.
JulianDay XmlDateValue(std::string_view text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return kEmptyDate;
  const std::string_view y = text.substr(0, 4), m = text.substr(5, 2), d = text.substr(8, 2);
  if (!AllDigits(y) || !AllDigits(m) || !AllDigits(d)) return kEmptyDate;
  const int year = std::stoi(std::string(y)), month = std::stoi(std::string(m)), day = std::stoi(std::string(d));
  return IsValidDate(year, month, day) ? JulianFromYmd(year, month, day) : kEmptyDate;
}

std::string Two(int n) { return PadL(std::to_string(n), 2, '0'); }

}  // namespace

std::string Base64Url(std::string_view bytes) {
  std::string text = session::password::Base64Encode(bytes);
  for (char& c : text) {
    if (c == '+') c = '-';
    if (c == '/') c = '_';
  }
  return text;
}

std::string KodILink(std::string_view host, std::string_view nip, JulianDay issued, std::string_view hash_base64url) {
  std::string link(AllTrim(host));
  while (!link.empty() && link.back() == '/') link.pop_back();
  const Ymd d = YmdFromJulian(issued);
  link += "/invoice/" + std::string(nip) + "/" + Two(d.day) + "-" + Two(d.month) + "-" +
          PadL(std::to_string(d.year), 4, '0') + "/" + std::string(hash_base64url);
  return link;
}

Result<std::optional<KodI>> KodIOfFile(xbase::Env& env, const std::string& fa3, std::string_view host,
                                       std::string_view ksef_number) {
  if (!env.Exists(fa3)) return std::optional<KodI>();
  auto file = session::OpenForReading(env, fa3);
  if (!file.ok()) return file.status();
  std::unique_ptr<EVP_MD_CTX, DigestDeleter> ctx(EVP_MD_CTX_new());
  if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1) {
    return Status::IoError("Blad skrotu SHA-256 pliku " + fa3);
  }
  std::string head;
  std::string block(kReadBlock, '\0');
  uint64_t offset = 0;
  for (;;) {
    size_t got = 0;
    HURT_RETURN_IF_ERROR((*file)->ReadAt(offset, block.size(), block.data(), &got));
    if (got == 0) break;
    if (EVP_DigestUpdate(ctx.get(), block.data(), got) != 1) return Status::IoError("Blad skrotu SHA-256 pliku " + fa3);
    if (head.size() < kHeadKept) head.append(block.data(), std::min(got, kHeadKept - head.size()));
    offset += got;
    if (got < block.size()) break;
  }
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(ctx.get(), digest, &length) != 1) return Status::IoError("Blad skrotu SHA-256 pliku " + fa3);

  const size_t seller = head.find("<Podmiot1>");
  const std::string nip = seller == std::string::npos ? std::string() : Element(head, "NIP", seller);
  const JulianDay issued = XmlDateValue(Element(head, "P_1"));
  if (nip.size() != 10 || !AllDigits(nip) || issued == kEmptyDate) {
    return Status::Invalid("Plik " + fa3 + " bez NIP sprzedawcy lub daty wystawienia");
  }
  KodI code;
  code.link = KodILink(host, nip, issued, Base64Url(std::string_view(reinterpret_cast<const char*>(digest), length)));
  code.label = AllTrim(ksef_number).empty() ? std::string(kKsefOffline) : AllTrim(ksef_number);
  return std::optional<KodI>(std::move(code));
}

std::string KsefQrHost(session::Session& session) {
  const std::string host = AllTrim(session.settings().Text("J_KSEF_QR"));
  return host.empty() ? std::string(kKsefQrProduction) : host;
}

}  // namespace hurt::invoicing
