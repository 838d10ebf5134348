#include "base/clock.h"

#include <time.h>

#include <cstdio>

#include "base/date.h"

namespace hurt {

namespace {
constexpr int64_t kMillisPerDay = 86'400'000;

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }
}  // namespace

int32_t Clock::Today() const {
  return static_cast<int32_t>(FloorDiv(LocalMillis(), kMillisPerDay) + kJulianOf1970);
}

int32_t Clock::SecondsOfDay() const {
  int64_t ms = LocalMillis() - FloorDiv(LocalMillis(), kMillisPerDay) * kMillisPerDay;
  return static_cast<int32_t>(ms / 1000);
}

double Clock::Seconds() const {
  int64_t ms = LocalMillis() - FloorDiv(LocalMillis(), kMillisPerDay) * kMillisPerDay;
  return static_cast<double>(ms / 10) / 100.0;
}

std::string Clock::TimeText() const {
  int s = SecondsOfDay();
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", s / 3600, (s / 60) % 60, s % 60);
  return buf;
}

int64_t SystemClock::LocalMillis() const {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  tm local{};
  localtime_r(&ts.tv_sec, &local);
  return (static_cast<int64_t>(ts.tv_sec) + local.tm_gmtoff) * 1000 + ts.tv_nsec / 1'000'000;
}

int64_t SystemClock::MonotonicMillis() const {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1'000'000;
}

void SystemClock::Sleep(int64_t millis) {
  if (millis <= 0) return;
  timespec ts{static_cast<time_t>(millis / 1000), static_cast<long>((millis % 1000) * 1'000'000)};
  while (nanosleep(&ts, &ts) != 0) {
  }
}

FakeClock::FakeClock(int year, int month, int day, int hour, int minute, int second) {
  Set(year, month, day, hour, minute, second);
}

void FakeClock::Set(int year, int month, int day, int hour, int minute, int second) {
  int64_t days = JulianFromYmd(year, month, day) - kJulianOf1970;
  local_ = days * kMillisPerDay + ((hour * 60 + minute) * 60 + second) * int64_t{1000};
}

}  // namespace hurt
