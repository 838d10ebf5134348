#include "session/output/mail.h"

#include <curl/curl.h>
#include <openssl/evp.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <mutex>

#include "base/cp852.h"
#include "base/date.h"
#include "base/text.h"
#include "session/output/report_copy.h"
#include "session/output/report_paths.h"

namespace hurt::session {

namespace {

constexpr size_t kEncodedWordBytes = 39;  // 52 base64 characters: header lines stay under 78
constexpr const char* kDefaultPort = "25";
constexpr const char* kSmtpsPort = "465";

// Standard base64 of `bytes` (padded), for the encoded words of a header.
std::string Base64(std::string_view bytes) {
  std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
  const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
  out.resize(n < 0 ? 0 : static_cast<size_t>(n));
  return out;
}

bool IsPlainAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) {
    const auto b = static_cast<unsigned char>(c);
    return b >= 0x20 && b < 0x7F;
  });
}

// A header text: as it is when plain ASCII, else RFC 2047 encoded words of UTF-8 that
// never split a character.
std::string HeaderText(std::string_view cp852) {
  if (IsPlainAscii(cp852)) return std::string(cp852);
  std::string out;
  std::string chunk;
  for (char c : cp852) {
    std::string utf8 = Cp852ToUtf8(std::string_view(&c, 1));
    if (chunk.size() + utf8.size() > kEncodedWordBytes) {
      out += (out.empty() ? "" : "\r\n ") + std::string("=?UTF-8?B?") + Base64(chunk) + "?=";
      chunk.clear();
    }
    chunk += utf8;
  }
  if (!chunk.empty()) out += (out.empty() ? "" : "\r\n ") + std::string("=?UTF-8?B?") + Base64(chunk) + "?=";
  return out;
}

// A file name for a MIME parameter: ASCII with the Polish letters made plain, no quotes.
std::string PlainFileName(std::string_view cp852) {
  std::string out;
  for (char c : cp852) {
    const char32_t u = Cp852ToUnicode(static_cast<unsigned char>(c));
    static constexpr std::pair<char32_t, char> kPlain[] = {
        {U'ą', 'a'}, {U'ć', 'c'}, {U'ę', 'e'}, {U'ł', 'l'}, {U'ń', 'n'}, {U'ó', 'o'}, {U'ś', 's'}, {U'ź', 'z'},
        {U'ż', 'z'}, {U'Ą', 'A'}, {U'Ć', 'C'}, {U'Ę', 'E'}, {U'Ł', 'L'}, {U'Ń', 'N'}, {U'Ó', 'O'}, {U'Ś', 'S'},
        {U'Ź', 'Z'}, {U'Ż', 'Z'}};
    char plain = (u >= 0x20 && u < 0x7F && u != '"' && u != '\\') ? static_cast<char>(u) : '_';
    for (const auto& [letter, ascii] : kPlain)
      if (letter == u) plain = ascii;
    out += plain;
  }
  return out.empty() ? std::string("zalacznik") : out;
}

// Body text: code page 852 to UTF-8, every line ended by CR LF.
std::string BodyText(std::string_view cp852) {
  std::string text;
  for (size_t i = 0; i < cp852.size(); ++i) {
    if (cp852[i] == '\r') continue;
    if (cp852[i] == '\n') {
      text += "\r\n";
      continue;
    }
    text += cp852[i];
  }
  std::string utf8 = Cp852ToUtf8(text);
  if (utf8.size() < 2 || utf8.compare(utf8.size() - 2, 2, "\r\n") != 0) utf8 += "\r\n";
  return utf8;
}

bool IsAddressCharacter(char c) {
  const auto b = static_cast<unsigned char>(c);
  if (b <= 0x20 || b >= 0x7F) return false;
  return std::string_view("<>()[]\\,;:\"").find(c) == std::string_view::npos;
}

bool IsPlainAddress(std::string_view address) {
  const size_t at = address.find('@');
  if (at == std::string_view::npos || at == 0 || at + 1 >= address.size()) return false;
  if (address.find('@', at + 1) != std::string_view::npos) return false;
  return std::all_of(address.begin(), address.end(), IsAddressCharacter);
}

// "Tue, 08 Dec 2026 19:10:16 +0100" for the clock's local time.
std::string MailDate(Clock& clock) {
  static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const int64_t seconds = clock.LocalMillis() / 1000;
  const JulianDay day = static_cast<JulianDay>(kJulianOf1970 + seconds / 86400);
  const Ymd ymd = YmdFromJulian(day);
  const int64_t of_day = seconds % 86400;
  // The zone offset that the system's rules give for that local time.
  struct tm local {};
  local.tm_year = ymd.year - 1900;
  local.tm_mon = ymd.month - 1;
  local.tm_mday = ymd.day;
  local.tm_hour = static_cast<int>(of_day / 3600);
  local.tm_min = static_cast<int>(of_day / 60 % 60);
  local.tm_sec = static_cast<int>(of_day % 60);
  local.tm_isdst = -1;
  struct tm as_utc = local;
  const time_t as_local_epoch = mktime(&local);
  const time_t as_utc_epoch = timegm(&as_utc);
  const long offset_minutes = as_local_epoch == -1 ? 0 : static_cast<long>((as_utc_epoch - as_local_epoch) / 60);
  char zone[24];
  std::snprintf(zone, sizeof zone, "%c%02ld%02ld", offset_minutes < 0 ? '-' : '+', std::labs(offset_minutes) / 60,
                std::labs(offset_minutes) % 60);
  char text[64];
  std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d %s", kDays[DayOfWeek(day) - 1], ymd.day,
                kMonths[ymd.month - 1], ymd.year, static_cast<int>(of_day / 3600), static_cast<int>(of_day / 60 % 60),
                static_cast<int>(of_day % 60), zone);
  return text;
}

void CurlGlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct CurlDeleter {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct SlistDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

struct MimeDeleter {
  void operator()(curl_mime* mime) const { curl_mime_free(mime); }
};

// A part of `mime` holding `data` (copied) in base64; an attachment when it has a file name.
bool AddMimePart(curl_mime* mime, std::string_view data, const char* type, const char* file_name) {
  curl_mimepart* part = curl_mime_addpart(mime);
  if (part == nullptr) return false;
  if (curl_mime_data(part, data.data(), data.size()) != CURLE_OK) return false;
  if (curl_mime_type(part, type) != CURLE_OK) return false;
  if (curl_mime_encoder(part, "base64") != CURLE_OK) return false;
  // A part with a file name goes as "Content-Disposition: attachment; filename=...".
  return file_name == nullptr || curl_mime_filename(part, file_name) == CURLE_OK;
}

struct ServerAddress {
  std::string host;
  std::string port;
  bool implicit_tls = false;
};

ServerAddress ParseServer(const MailAccount& account) {
  ServerAddress address;
  std::string server = AllTrim(account.server);
  const std::string lower = Lower(server);
  if (lower.rfind("smtps://", 0) == 0) {
    address.implicit_tls = true;
    server = server.substr(8);
  } else if (lower.rfind("smtp://", 0) == 0) {
    server = server.substr(7);
  }
  while (!server.empty() && server.back() == '/') server.pop_back();
  std::string port = AllTrim(account.port);
  const size_t colon = server.rfind(':');
  if (colon != std::string::npos && server.find(']') == std::string::npos) {
    if (port.empty()) port = server.substr(colon + 1);
    server.resize(colon);
  }
  if (port.empty()) port = address.implicit_tls ? kSmtpsPort : kDefaultPort;
  if (port == kSmtpsPort) address.implicit_tls = true;
  address.host = server;
  address.port = port;
  return address;
}

std::string FailureText(CURLcode code, long response, std::string_view detail, const ServerAddress& server,
                        std::string_view to) {
  const std::string where = server.host + ":" + server.port;
  const std::string reply = response > 0 ? " (kod " + std::to_string(response) + ")" : "";
  switch (code) {
    case CURLE_COULDNT_CONNECT:
      return "Nie wyslane - serwer poczty " + where + " odmowil polaczenia";
    case CURLE_COULDNT_RESOLVE_HOST:
      return "Nie wyslane - nie znaleziono serwera poczty " + server.host;
    case CURLE_OPERATION_TIMEDOUT:
      return "Nie wyslane - serwer poczty " + where + " nie odpowiada";
    case CURLE_LOGIN_DENIED:
      return "Nie wyslane - serwer poczty odrzucil login lub haslo" + reply;
    case CURLE_USE_SSL_FAILED:
      // Asked for when a login needs TLS: nothing of the login has been sent.
      if (detail.find("not supported") != std::string_view::npos)
        return "Serwer bez szyfrowania (STARTTLS) - haslo nie wyslane";
      return "Serwer odmowil szyfrowania (STARTTLS) - haslo nie wyslane";
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
      return "Nie wyslane - blad polaczenia szyfrowanego (TLS) z serwerem " + where;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
      if (detail.find("RCPT") != std::string_view::npos)
        return "Nie wyslane - serwer poczty odrzucil adres odbiorcy " + std::string(to) + reply;
      if (detail.find("MAIL") != std::string_view::npos)
        return "Nie wyslane - serwer poczty odrzucil adres nadawcy" + reply;
      if (response >= 400) return "Nie wyslane - serwer poczty odrzucil wiadomosc" + reply;
      return "Nie wyslane - zerwane polaczenie z serwerem poczty " + where;
    case CURLE_WEIRD_SERVER_REPLY:
      return "Nie wyslane - niezrozumiala odpowiedz serwera poczty " + where;
    default:
      return "Nie wyslane - blad poczty: " + std::string(curl_easy_strerror(code)) + reply;
  }
}

}  // namespace

Result<std::vector<std::string>> ParseAddresses(std::string_view field) {
  std::vector<std::string> addresses;
  std::string current;
  auto take = [&]() -> Status {
    const std::string address = AllTrim(current);
    current.clear();
    if (address.empty()) return Status::Ok();
    if (!IsPlainAddress(address)) return Status::Invalid("Bledny adres e_mail: " + address);
    addresses.push_back(address);
    return Status::Ok();
  };
  for (char c : field) {
    if (c == ',' || c == ';') {
      HURT_RETURN_IF_ERROR(take());
    } else {
      current += c;
    }
  }
  HURT_RETURN_IF_ERROR(take());
  if (addresses.empty()) return Status::Invalid("Nie podano adresu e_mail");
  return addresses;
}

Result<std::vector<std::string>> MailHeaderLines(const MailMessage& message, std::string_view sender, Clock& clock) {
  auto to = ParseAddresses(message.to);
  if (!to.ok()) return to.status();
  if (!IsPlainAddress(sender)) return Status::Invalid("Bledny adres nadawcy: " + std::string(sender));
  if (message.subject.find_first_of("\r\n") != std::string::npos)
    return Status::Invalid("Temat nie moze miec kilku wierszy");
  const int64_t millis = clock.LocalMillis();
  const std::string domain(sender.substr(sender.find('@') + 1));
  std::string to_line = "To: ";
  for (size_t i = 0; i < to->size(); ++i) to_line += (i ? ", <" : "<") + (*to)[i] + ">";
  return std::vector<std::string>{
      "Date: " + MailDate(clock),
      "From: <" + std::string(sender) + ">",
      to_line,
      "Subject: " + HeaderText(message.subject),
      "Message-ID: <" + std::to_string(millis) + "." + std::to_string(getpid()) + "@" + domain + ">",
  };
}

Status SendMail(const MailAccount& account, const MailMessage& message, Clock& clock, const MailTransport& transport) {
  const ServerAddress server = ParseServer(account);
  if (server.host.empty()) return Status::Invalid("Nie wyslane - brak serwera poczty (smtp)");
  const std::string sender = AllTrim(account.sender.empty() ? account.login : account.sender);
  auto headers = MailHeaderLines(message, sender, clock);
  if (!headers.ok()) return headers.status();
  auto recipients = ParseAddresses(message.to);
  if (!recipients.ok()) return recipients.status();
  if (!AllTrim(message.copy_to).empty()) {
    auto copies = ParseAddresses(message.copy_to);
    if (!copies.ok()) return copies.status();
    recipients->insert(recipients->end(), copies->begin(), copies->end());
  }

  CurlGlobalInit();
  std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
  if (!curl) return Status::IoError("Nie wyslane - brak pamieci na polaczenie");
  std::unique_ptr<curl_slist, SlistDeleter> rcpt;
  for (const std::string& address : *recipients) {
    curl_slist* grown = curl_slist_append(rcpt.get(), ("<" + address + ">").c_str());
    if (grown == nullptr) return Status::IoError("Nie wyslane - brak pamieci na polaczenie");
    rcpt.release();
    rcpt.reset(grown);
  }

  std::unique_ptr<curl_slist, SlistDeleter> header_list;
  for (const std::string& line : *headers) {
    curl_slist* grown = curl_slist_append(header_list.get(), line.c_str());
    if (grown == nullptr) return Status::IoError("Nie wyslane - brak pamieci na polaczenie");
    header_list.release();
    header_list.reset(grown);
  }
  // The parts (the text and each attachment, in base64) are put together by libcurl.
  CURL* c = curl.get();
  std::unique_ptr<curl_mime, MimeDeleter> mime(curl_mime_init(c));
  if (!mime) return Status::IoError("Nie wyslane - brak pamieci na polaczenie");
  const std::string body = BodyText(message.body);
  bool built = AddMimePart(mime.get(), body, "text/plain; charset=UTF-8", nullptr);
  std::vector<std::string> names;
  names.reserve(message.attachments.size());
  for (const MailAttachment& a : message.attachments) {
    names.push_back(PlainFileName(a.name));
    const std::string type = a.content_type.empty() ? "application/octet-stream" : a.content_type;
    built = built && AddMimePart(mime.get(), a.bytes, type.c_str(), names.back().c_str());
  }
  if (!built) return Status::IoError("Nie wyslane - brak pamieci na polaczenie");

  const std::string url = (server.implicit_tls ? "smtps://" : "smtp://") + server.host + ":" + server.port;
  const std::string from = "<" + sender + ">";
  char error[CURL_ERROR_SIZE] = {};
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
  curl_easy_setopt(c, CURLOPT_MAIL_FROM, from.c_str());
  curl_easy_setopt(c, CURLOPT_MAIL_RCPT, rcpt.get());
  const std::string login = AllTrim(account.login);
  // A login goes only over TLS unless the account allows plain text on this server.
  const bool tls_required = !login.empty() && !account.plain_login_allowed;
  if (!server.implicit_tls)
    curl_easy_setopt(c, CURLOPT_USE_SSL, static_cast<long>(tls_required ? CURLUSESSL_ALL : CURLUSESSL_TRY));
  curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, account.check_certificate ? 1L : 0L);
  curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, account.check_certificate ? 2L : 0L);
  if (!login.empty()) {
    curl_easy_setopt(c, CURLOPT_USERNAME, login.c_str());
    curl_easy_setopt(c, CURLOPT_PASSWORD, account.password.c_str());
  }
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, header_list.get());
  curl_easy_setopt(c, CURLOPT_MIMEPOST, mime.get());
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, transport.connect_timeout_seconds);
  curl_easy_setopt(c, CURLOPT_TIMEOUT, transport.timeout_seconds);
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, error);

  const CURLcode code = curl_easy_perform(c);
  if (code == CURLE_OK) return Status::Ok();
  long response = 0;
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &response);
  std::string text_for_operator = FailureText(code, response, error, server, message.to);
  if (code == CURLE_LOGIN_DENIED) return Status::Invalid(std::move(text_for_operator));
  return Status::IoError(std::move(text_for_operator));
}

std::string PdfPathFor(std::string_view report) {
  const std::string_view name = BaseName(report);
  const size_t dot = name.rfind('.');
  const size_t keep = dot == std::string_view::npos ? report.size() : report.size() - (name.size() - dot);
  return std::string(report.substr(0, keep)) + ".pdf";
}

Result<ReportMailResult> EmailReport(xbase::Env& env, std::string_view data_dir, const std::string& report,
                                     const MailAccount& account, MailMessage message, const PdfOptions& pdf,
                                     const MailTransport& transport) {
  if (message.to.find('@') == std::string::npos) return ReportMailResult{false, "Nie wyslane - brak adresu e_mail"};
  if (!FileX(env, data_dir, "E_POCZTA.TXT")) return ReportMailResult{false, "Nie wyslane - brak pliku E_POCZTA.TXT"};
  if (AllTrim(account.server).empty()) return Status::Invalid("Nie wyslane - brak serwera poczty (smtp)");
  auto addresses = ParseAddresses(message.to);
  if (!addresses.ok()) return addresses.status();

  const std::string pdf_path = PdfPathFor(report);
  auto doc = ReportFileToPdf(env, report, pdf);
  if (!doc.ok()) return doc.status();
  HURT_RETURN_IF_ERROR(WriteFileReplacing(env, pdf_path, doc->bytes));
  MailAttachment attachment;
  attachment.name = std::string(BaseName(pdf_path));
  attachment.content_type = "application/pdf";
  attachment.bytes = std::move(doc->bytes);
  message.attachments.push_back(std::move(attachment));
  if (AllTrim(message.subject).empty()) message.subject = "Dowod";

  HURT_RETURN_IF_ERROR(SendMail(account, message, env.clock(), transport));
  return ReportMailResult{true, "wyslane na " + AllTrim(message.to)};
}

}  // namespace hurt::session
