#include "shell/file_picker.h"

#include <algorithm>

#include "base/cp852.h"
#include "base/text.h"
#include "console/keys.h"
#include "console/menu.h"
#include "console/message_window.h"
#include "session/session.h"

namespace hurt::shell {

namespace {

constexpr int kTop = 3, kLeft = 8, kBottom = 21, kRight = 71;

struct Entry {
  std::string path;  // relative to the data directory
  uint64_t size = 0;
};

// The folder as it is on disk: its name in upper case or in lower case; "" when neither.
std::string FolderOnDisk(Session& session, const std::string& folder) {
  if (folder.empty()) return std::string();
  for (const std::string& name : {Upper(folder), Lower(folder), folder}) {
    if (session.env().IsDir(session.root() + "/" + name)) return name;
  }
  return {};
}

uint64_t SizeOf(Session& session, const std::string& path) {
  auto file = session.env().Open(path, xbase::OpenOptions{.write = false});
  if (!file.ok()) return 0;
  auto size = (*file)->Size();
  return size.ok() ? *size : 0;
}

// The files of the folders, folder by folder and in name order; at most kPickerMostFiles.
std::vector<Entry> ListFiles(Session& session, const std::vector<std::string>& folders, std::string_view pattern,
                             bool* cut) {
  std::vector<Entry> out;
  for (const std::string& folder : folders) {
    const std::string on_disk = FolderOnDisk(session, folder);
    if (!folder.empty() && on_disk.empty()) continue;
    const std::string dir = on_disk.empty() ? session.root() : session.root() + "/" + on_disk;
    auto names = session.env().ListDir(dir);
    if (!names.ok()) continue;
    std::vector<std::string> sorted = *names;
    std::sort(sorted.begin(), sorted.end(), [](const std::string& a, const std::string& b) { return Upper(a) < Upper(b); });
    for (const std::string& name : sorted) {
      if (!NameMatches(pattern, name) || session.env().IsDir(dir + "/" + name)) continue;
      if (out.size() == kPickerMostFiles) {
        *cut = true;
        return out;
      }
      const std::string relative = on_disk.empty() ? name : on_disk + "/" + name;
      out.push_back({relative, SizeOf(session, dir + "/" + name)});
    }
  }
  return out;
}

// A file name as the screen shows it: names this system wrote are UTF-8 and become code
// page 852; a name that is not UTF-8 (copied from an old system) is shown byte for byte.
std::string ShownName(std::string_view name) {
  bool ascii = true;
  for (size_t i = 0; i < name.size();) {
    ascii = ascii && static_cast<unsigned char>(name[i]) < 0x80;
    if (DecodeUtf8(name, i) == 0xFFFD) return std::string(name);
  }
  return ascii ? std::string(name) : Utf8ToCp852(name);
}

std::string EntryLine(const Entry& e) {
  constexpr size_t kWidth = kRight - kLeft - 1;
  const std::string size = std::to_string(e.size);
  std::string name = ShownName(e.path);
  if (name.size() > kWidth - 12) name = name.substr(0, kWidth - 12);
  return " " + PadR(name, kWidth - 12) + PadL(size, 10) + " ";
}

}  // namespace

bool NameMatches(std::string_view pattern, std::string_view name) {
  // Classic glob with one back-track point for the last "*".
  size_t p = 0, n = 0, star = std::string_view::npos, mark = 0;
  auto same = [](char a, char b) {
    auto up = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; };
    return up(a) == up(b);
  };
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || (pattern[p] != '*' && same(pattern[p], name[n])))) {
      ++p, ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::optional<std::string> WybierzPlik(Session& session, std::string_view title,
                                       const std::vector<std::string>& folders, std::string_view pattern) {
  console::Console& con = session.con();
  bool cut = false;
  const std::vector<Entry> entries = ListFiles(session, folders, pattern, &cut);
  if (entries.empty()) {
    console::Okno_(con, "Brak plikow " + std::string(pattern), 2);
    return std::nullopt;
  }
  std::vector<std::string> lines;
  lines.reserve(entries.size() + 1);
  for (const Entry& e : entries) lines.push_back(EntryLine(e));
  if (cut) lines.push_back(" ... dalsze pliki pominiete");
  console::VectorListSource source(std::move(lines));

  const console::SavedScreen saved = con.SaveScreen();
  const console::ColourSet colours = con.colours();
  con.SetColours(con.theme().MenuColours());
  con.Box(kTop, kLeft, kBottom, kRight, console::DoubleFrame(), con.colours().standard, ' ');
  const std::string head = " " + std::string(title) + " ";
  con.Say(kTop, kLeft + (kRight - kLeft + 1 - static_cast<int>(head.size())) / 2, head, con.colours().standard);
  con.Say(24, 0, PadR("Enter-wybor pliku                                                  Esc-Wyjscie", 80));
  console::PickList list(con, source, kTop + 1, kLeft + 1, kBottom - 1, kRight - 1);
  const console::PickResult r = list.Run();
  con.SetColours(colours);
  con.RestoreScreen(saved);
  if (r.exit != console::PickExit::kChosen || r.choice < 1 || static_cast<size_t>(r.choice) > entries.size()) {
    return std::nullopt;
  }
  return entries[static_cast<size_t>(r.choice) - 1].path;
}

}  // namespace hurt::shell
