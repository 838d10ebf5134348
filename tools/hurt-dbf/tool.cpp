#include "tool.h"

#include <algorithm>

#include "base/cp852.h"
#include "base/text.h"

namespace hurt::dbftool {

namespace {

bool EndsWithNoCase(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && Lower(s.substr(s.size() - suffix.size())) == suffix;
}

std::string WithExtension(std::string_view arg, std::string_view ext) {
  if (EndsWithNoCase(arg, ext)) return std::string(arg);
  return std::string(arg) + std::string(ext);
}

}  // namespace

bool Args::HasFlag(std::string_view flag) const {
  return std::find(flags.begin(), flags.end(), flag) != flags.end();
}

std::string Args::UnknownFlag(std::initializer_list<std::string_view> known) const {
  for (const std::string& flag : flags) {
    if (std::find(known.begin(), known.end(), flag) == known.end()) return flag;
  }
  return {};
}

void Out(std::string_view text) { std::fwrite(text.data(), 1, text.size(), stdout); }

void Error(std::string_view text) {
  std::string line = "hurt-dbf: ";
  line += text;
  // One line, whatever the message holds.
  std::replace(line.begin(), line.end(), '\n', ' ');
  line += '\n';
  std::fflush(stdout);
  std::fwrite(line.data(), 1, line.size(), stderr);
}

int Fail(const Status& status, const std::string& file) {
  std::string message = Cp852ToUtf8(status.message());
  if (!file.empty() && message.find(file) == std::string::npos) message = file + ": " + message;
  Error(message);
  return kExitError;
}

int FailOpen(const Status& status, const std::string& file) {
  if (!status.IsBusy()) return Fail(status, file);
  Error(file + ": opened exclusively by another process");
  return kExitNo;
}

int Usage(std::string_view what) {
  if (!what.empty()) Error(what);
  std::string line(kUsage);
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stderr);
  return kExitError;
}

std::string TableFile(std::string_view arg) { return WithExtension(arg, ".dbf"); }
std::string IndexFile(std::string_view arg) { return WithExtension(arg, ".ntx"); }

std::string Printable(std::string_view cp852) {
  std::string shown(cp852);
  for (char& c : shown) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F) c = '.';
  }
  return Cp852ToUtf8(shown);
}

}  // namespace hurt::dbftool
