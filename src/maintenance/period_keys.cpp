#include "maintenance/period_keys.h"

#include "base/text.h"
#include "session/helpers.h"

namespace hurt::maintenance {

namespace {

struct Ym {
  int yy = 0;
  int mm = 0;
};

std::optional<Ym> Parse(std::string_view period) {
  if (period.size() != 5 || period[2] != '/') return std::nullopt;
  for (size_t i : {0u, 1u, 3u, 4u}) {
    if (period[i] < '0' || period[i] > '9') return std::nullopt;
  }
  Ym p{(period[0] - '0') * 10 + (period[1] - '0'), (period[3] - '0') * 10 + (period[4] - '0')};
  if (p.mm < 1 || p.mm > 12) return std::nullopt;
  return p;
}

std::string Two(int n) { return std::string(1, static_cast<char>('0' + n / 10 % 10)) + static_cast<char>('0' + n % 10); }

std::string Format(Ym p) { return Two(p.yy) + "/" + Two(p.mm); }

int FullYear(int yy) { return yy >= 90 ? 1900 + yy : 2000 + yy; }

}  // namespace

std::optional<std::string> NextPeriod(std::string_view period) {
  auto p = Parse(period);
  if (!p) return std::nullopt;
  if (++p->mm > 12) {
    p->mm = 1;
    p->yy = (p->yy + 1) % 100;
  }
  return Format(*p);
}

std::optional<std::string> PreviousPeriod(std::string_view period) {
  auto p = Parse(period);
  if (!p) return std::nullopt;
  if (--p->mm < 1) {
    p->mm = 12;
    p->yy = (p->yy + 99) % 100;
  }
  return Format(*p);
}

JulianDay FirstDayOf(std::string_view period) {
  auto p = Parse(period);
  return p ? JulianFromYmd(FullYear(p->yy), p->mm, 1) : kEmptyDate;
}

JulianDay LastDayOf(std::string_view period) {
  auto p = Parse(period);
  if (!p) return kEmptyDate;
  const int year = FullYear(p->yy);
  return JulianFromYmd(year, p->mm, DaysInMonth(year, p->mm));
}

std::string CloseMarkerOf(std::string_view period) {
  auto p = Parse(period);
  if (!p) return {};
  return "zamknij/r" + std::to_string(FullYear(p->yy)) + "m" + Two(p->mm) + ".txt";
}

std::optional<std::string> PeriodOfCloseMarker(std::string_view file_name) {
  const std::string name = Lower(file_name);
  if (name.size() != 12 || name[0] != 'r' || name[5] != 'm' || name.substr(8) != ".txt") return std::nullopt;
  const std::string period = name.substr(3, 2) + "/" + name.substr(6, 2);
  if (!Parse(period)) return std::nullopt;
  return period;
}

Result<std::string> CreateMNew(xbase::Env& env, std::string_view root, std::string_view period) {
  auto next = NextPeriod(period);
  if (!next) return Status::Invalid("niepoprawny okres " + std::string(period));
  const std::string base = root.empty() ? std::string(".") : std::string(root);
  HURT_RETURN_IF_ERROR(env.CreateDirs(base + "/" + next->substr(0, 2)));
  HURT_RETURN_IF_ERROR(env.CreateDirs(base + "/" + *next));
  return *next;
}

std::string MonthName(std::string_view period) {
  const std::string mm = period.size() >= 5 ? std::string(period.substr(3, 2)) : std::string();
  const std::string yy = period.size() >= 2 ? std::string(period.substr(0, 2)) : std::string();
  return AllTrim(session::Miesiac(mm, yy));
}

}  // namespace hurt::maintenance
