#include "store/init_tables_period.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "base/text.h"
#include "console/keys.h"
#include "console/message_window.h"
#include "store/net_files.h"

namespace hurt::store {
namespace {

constexpr int kCloseWarningSeconds = 10;
constexpr int kCloseWarningMaxLines = 12;

// Two digits with a leading zero, of the last two digits of n (2000 gives "00").
std::string TwoDigits(int n) {
  n = ((n % 100) + 100) % 100;
  return std::string{static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10)};
}

// The entries of a folder spelled in lower or upper case ("" when neither exists).
std::vector<std::string> ListFolder(xbase::Env& env, std::string_view root, std::string_view folder) {
  for (const std::string& name : {Lower(folder), Upper(folder)}) {
    const std::string path = InRoot(root, name);
    if (!env.IsDir(path)) continue;
    auto entries = env.ListDir(path);
    if (!entries.ok()) continue;
    std::vector<std::string> out = *entries;
    std::sort(out.begin(), out.end());
    return out;
  }
  return {};
}

std::string FolderSpelled(xbase::Env& env, std::string_view root, std::string_view folder) {
  for (const std::string& name : {Lower(folder), Upper(folder)}) {
    if (env.IsDir(InRoot(root, name))) return name;
  }
  return {};
}

bool HasArticles(xbase::Env& env, std::string_view root, std::string_view period) {
  return FileX(env, InRoot(root, std::string(period) + "/as.dbf"));
}

}  // namespace

std::optional<JulianDay> FileDay(const std::string& path) {
  std::error_code ec;
  const auto written = std::filesystem::last_write_time(path, ec);
  if (ec) return std::nullopt;
  const auto system = std::chrono::file_clock::to_sys(written);
  const std::time_t t = std::chrono::system_clock::to_time_t(
      std::chrono::time_point_cast<std::chrono::system_clock::duration>(system));
  std::tm local{};
  if (localtime_r(&t, &local) == nullptr) return std::nullopt;
  return JulianFromYmd(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

std::string PeriodOfDay(JulianDay day) {
  const Ymd ymd = YmdFromJulian(day);
  return TwoDigits(ymd.year % 100) + "/" + TwoDigits(ymd.month);
}

std::string BmrOfPeriod(std::string_view period) {
  if (period.size() != 5) return {};
  return std::string(period.substr(3, 2)) + "." + std::string(period.substr(0, 2));
}

std::vector<std::string> UnfinishedCloses(xbase::Env& env, std::string_view root) {
  std::vector<std::string> lines;
  for (const std::string& name : ListFolder(env, root, "zamknij")) {
    lines.push_back("Rok " + Substr(name, 2, 4) + "  miesiac " + Substr(name, 7, 2));
  }
  return lines;
}

void WarnUnfinishedClose(console::Console& con, const std::vector<std::string>& lines) {
  std::vector<std::string> text{"MASZ ZLE ZAMKNIETY MIESIAC"};
  const size_t shown = std::min<size_t>(lines.size(), kCloseWarningMaxLines);
  text.insert(text.end(), lines.begin(), lines.begin() + static_cast<long>(shown));
  if (shown < lines.size()) text.push_back("...");
  text.push_back("Zmien biezacy okres i jeszcze raz zamknij");

  // The message area, grown upwards when there are more lines than it holds.
  const int height = static_cast<int>(text.size()) + 2;
  const int bottom = console::kOknoBottom;
  const int top = std::min(console::kOknoTop, bottom - height + 1);
  const console::SavedScreen saved = con.SaveScreen();
  con.Box(top, console::kOknoLeft, bottom, console::kOknoRight, console::DoubleFrame(), con[console::Role::kAlertFrame],
          ' ');
  const int first = top + 1 + (bottom - top - 1 - static_cast<int>(text.size())) / 2;
  for (size_t i = 0; i < text.size(); ++i) {
    const console::Attr attr = i == 0 ? con[console::Role::kErrorText] : con[console::Role::kAlertText];
    con.screen().Put(first + static_cast<int>(i), console::OknoTextColumn(static_cast<int>(text[i].size())), text[i],
                     attr);
  }
  con.ShowCursor(false);
  con.Inkey(kCloseWarningSeconds);
  con.RestoreScreen(saved);
  con.Refresh();
}

std::string FindPeriodWithData(xbase::Env& env, std::string_view root, std::string_view period, JulianDay today,
                               StoreUi& ui) {
  if (!period.empty() && HasArticles(env, root, period)) return std::string(period);
  ui.Message("szukam danych");
  const std::string todays = PeriodOfDay(today);
  if (HasArticles(env, root, todays)) return todays;

  const Ymd now = YmdFromJulian(today);
  const int this_year = now.year % 100;
  for (int year = this_year; year >= 1; --year) {
    for (int month = year == this_year ? now.month : 12; month >= 1; --month) {
      const std::string candidate = TwoDigits(year) + "/" + TwoDigits(month);
      ui.Message("szukam " + candidate + "/as.dbf");
      if (HasArticles(env, root, candidate)) return candidate;
    }
  }
  return std::string(period);
}

Result<int> ErasePrintFilesNotOf(xbase::Env& env, std::string_view root, JulianDay today) {
  const std::string folder = FolderSpelled(env, root, "prn_w");
  if (folder.empty()) return 0;
  auto names = env.ListDir(InRoot(root, folder));
  if (!names.ok()) return names.status();
  int erased = 0;
  for (const std::string& name : *names) {
    const std::string path = InRoot(root, folder + "/" + name);
    if (env.IsDir(path)) continue;
    const std::optional<JulianDay> day = FileDay(path);
    if (!day || *day == today) continue;
    HURT_RETURN_IF_ERROR(env.Remove(path));
    ++erased;
  }
  return erased;
}

}  // namespace hurt::store
