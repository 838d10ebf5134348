#include "session/output/report_paths.h"

#include "base/text.h"

namespace hurt::session {

std::string Str2(int station) {
  if (station <= 0 || station > 99) return "00";
  return std::string{static_cast<char>('0' + station / 10), static_cast<char>('0' + station % 10)};
}

std::string JoinPath(std::string_view dir, std::string_view name) {
  if (dir.empty()) return std::string(name);
  std::string out(dir);
  if (out.back() != '/') out += '/';
  out += name;
  return out;
}

std::string_view BaseName(std::string_view path) {
  const size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string FindFileAnyCase(xbase::Env& env, std::string_view dir, std::string_view name) {
  const std::string bare = RemoveBlanks(name);
  if (bare.empty()) return {};
  for (const std::string& spelling : {Lower(bare), Upper(bare), bare}) {
    std::string path = JoinPath(dir, spelling);
    if (env.Exists(path)) return path;
  }
  return {};
}

std::string DrukujFileName(std::string_view data_dir, int station) {
  return JoinPath(data_dir, "rob/druk" + Str2(station) + ".prn");
}

std::string PdfCopyFileName(std::string_view data_dir, int station) {
  return JoinPath(data_dir, "pdf" + Str2(station) + ".txt");
}

std::string CopyFolder(std::string_view data_dir, int station) {
  return JoinPath(data_dir, "rob/kopie" + Str2(station));
}

std::string RangeCopyName(std::string_view report) {
  if (BaseName(report).size() <= 1) return {};
  return std::string(report.substr(0, report.size() - 1));
}

std::string OperatorFileName(std::string_view typed) {
  std::string name = AllTrim(typed);
  for (char& c : name)
    if (c == '\\') c = '/';
  const size_t slash = name.rfind('/');
  const size_t start = slash == std::string::npos ? 0 : slash + 1;
  return name.substr(0, start) + Lower(name.substr(start));
}

}  // namespace hurt::session
