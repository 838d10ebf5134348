#include "session/output/vat_ini.h"

#include <unistd.h>

#include <cstdlib>

#include "base/text.h"
#include "session/output/line_reader.h"
#include "session/output/report_paths.h"

namespace hurt::session {

namespace {

constexpr size_t kMaxIniSize = 1 << 20;  // a configuration file, not a data file

// Blanks, tabs and CRs removed at both ends.
std::string Trim(std::string_view s) {
  auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  size_t b = 0, e = s.size();
  while (b < e && space(s[b])) ++b;
  while (e > b && space(s[e - 1])) --e;
  return std::string(s.substr(b, e - b));
}

std::string Unquote(std::string value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') return value.substr(1, value.size() - 2);
  return value;
}

}  // namespace

StationEnvironment StationEnvironment::From(const std::function<std::string(const char* name)>& getenv,
                                            std::string host_name) {
  StationEnvironment station;
  station.computer_name = AllTrim(getenv("COMPUTERNAME"));
  if (station.computer_name.empty()) station.computer_name = AllTrim(host_name);
  station.terminal_name = AllTrim(getenv("TERMINAL_ENVIRONMENT_VARIABLE"));
  return station;
}

StationEnvironment StationEnvironment::FromProcess() {
  char host[256] = {};
  if (gethostname(host, sizeof host - 1) != 0) host[0] = '\0';
  return From(
      [](const char* name) {
        const char* value = std::getenv(name);
        return std::string(value ? value : "");
      },
      host);
}

VatIni VatIni::Parse(std::string_view text) {
  VatIni ini;
  std::string section;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string line = Trim(text.substr(start, end - start));
    start = end + 1;
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line[0] == '[') {
      const size_t close = line.find(']');
      section = Upper(Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1)));
      continue;
    }
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = Upper(Trim(line.substr(0, eq)));
    if (key.empty() || ini.Find(section, key) != nullptr) continue;
    ini.entries_.push_back({section, std::move(key), Unquote(Trim(line.substr(eq + 1)))});
  }
  return ini;
}

Result<VatIni> VatIni::Load(xbase::Env& env, std::string_view data_dir) {
  const std::string path = FindFileAnyCase(env, data_dir, kFileName);
  if (path.empty()) return VatIni();
  auto file = OpenForReading(env, path);
  if (!file.ok()) return file.status();
  auto size = (*file)->Size();
  if (!size.ok()) return size.status();
  if (*size > kMaxIniSize) return Status::Invalid(path + ": plik za duzy");
  std::string text(static_cast<size_t>(*size), '\0');
  size_t got = 0;
  HURT_RETURN_IF_ERROR((*file)->ReadAt(0, text.size(), text.data(), &got));
  text.resize(got);
  return Parse(text);
}

const VatIni::Entry* VatIni::Find(std::string_view section, std::string_view key) const {
  const std::string s = Upper(Trim(section));
  const std::string k = Upper(Trim(key));
  for (const Entry& e : entries_)
    if (e.section == s && e.key == k) return &e;
  return nullptr;
}

std::string VatIni::Value(std::string_view section, std::string_view key) const {
  const Entry* e = Find(section, key);
  return e ? e->value : std::string();
}

bool VatIni::Has(std::string_view section, std::string_view key) const { return Find(section, key) != nullptr; }

std::string VatIni::StationSection(const StationEnvironment& station) const {
  if (Upper(Value(station.computer_name, "TERMINAL_MODE")) == "MIXED" && !station.terminal_name.empty())
    return station.terminal_name;
  return station.computer_name;
}

std::string VatIni::GetCfgValue(std::string_view key, const StationEnvironment& station,
                                std::string_view section) const {
  if (!Trim(section).empty()) return Value(section, key);
  return Value(StationSection(station), key);
}

}  // namespace hurt::session
