#include "shell/startup_files.h"

#include "base/text.h"
#include "session/session.h"

namespace hurt::shell {

namespace {

std::string WithoutBlanks(std::string_view s) {
  std::string out;
  for (char c : s)
    if (c != ' ' && c != '\r' && c != '\n' && c != '\f') out += c;
  return out;
}

}  // namespace

std::string ExistingFile(Session& session, std::string_view name) {
  std::string clean = RemoveBlanks(name);
  if (clean.empty()) return "";
  for (const std::string& spelled : {Lower(clean), Upper(clean)}) {
    std::string path = spelled.front() == '/' ? spelled : session.root() + "/" + spelled;
    if (session.env().Exists(path) && !session.env().IsDir(path)) return path;
  }
  return "";
}

std::optional<std::string> ReadSmallFile(Session& session, std::string_view name, size_t max_bytes) {
  std::string path = ExistingFile(session, name);
  if (path.empty()) return std::nullopt;
  auto file = session.env().Open(path, {.write = false});
  if (!file.ok()) return std::nullopt;
  std::string bytes(max_bytes, '\0');
  size_t got = 0;
  if (!(*file)->ReadAt(0, max_bytes, bytes.data(), &got).ok()) return std::nullopt;
  bytes.resize(got);
  return bytes;
}

std::string CzytTxt(Session& session, std::string_view name) {
  if (IsBlank(name)) return "";
  auto text = ReadSmallFile(session, name);
  return text ? WithoutBlanks(*text) : "";
}

JulianDay ReadDataRr(Session& session) {
  const JulianDay fallback = JulianFromYmd(2001, 1, 1);
  std::string text = Left(CzytTxt(session, "DATA.RR"), 10);
  std::optional<JulianDay> date = Ctod(text);
  if (!date || *date == kEmptyDate || *date > session.Today()) return fallback;
  return *date;
}

std::string ReadPominac(Session& session) {
  std::string list;
  if (!ExistingFile(session, "POMINAC.TXT").empty()) list = "," + CzytTxt(session, "POMINAC.TXT") + ",";
  if (session.FileX("KP_.---") || session.FileX("KW_.---")) list += ",KP_,KW_,";
  return list;
}

std::string ReadBankbold(Session& session) {
  auto text = ReadSmallFile(session, "BANKBOLD.TXT", 21);
  if (!text || text->size() > 20) return "";
  std::string line;
  for (char c : *text)
    if (c != '\r' && c != '\n' && c != '\f') line += c;
  return AllTrim(line);
}

}  // namespace hurt::shell
