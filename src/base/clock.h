// The clock every layer asks for the date, the time and for waiting.
//
// Nothing in the program reads the system time or sleeps directly: it asks a Clock.
// Tests and the headless back-end use FakeClock, which they set to a chosen day and
// time and which advances instantly instead of sleeping.
#pragma once

#include <cstdint>
#include <string>

namespace hurt {

class Clock {
 public:
  virtual ~Clock() = default;

  // Local wall-clock time: milliseconds since 1970-01-01 00:00 local time.
  virtual int64_t LocalMillis() const = 0;
  // Milliseconds from an arbitrary origin that never goes back; for time-outs.
  virtual int64_t MonotonicMillis() const = 0;
  // Waits the given time (the fake clock only moves its hands).
  virtual void Sleep(int64_t millis) = 0;

  // Today as a Julian day number (see base/date.h).
  int32_t Today() const;
  // Seconds since local midnight.
  int32_t SecondsOfDay() const;
  // "hh:mm:ss", as TIME() gives it.
  std::string TimeText() const;
  // Seconds since midnight with hundredths, as SECONDS() gives it.
  double Seconds() const;
};

// The operating system's clock.
class SystemClock final : public Clock {
 public:
  int64_t LocalMillis() const override;
  int64_t MonotonicMillis() const override;
  void Sleep(int64_t millis) override;
};

// A clock a test sets; Sleep advances it at once.
class FakeClock final : public Clock {
 public:
  // Starts on the given local date and time.
  FakeClock(int year, int month, int day, int hour = 8, int minute = 0, int second = 0);

  int64_t LocalMillis() const override { return local_; }
  int64_t MonotonicMillis() const override { return monotonic_; }
  void Sleep(int64_t millis) override { Advance(millis); }

  void Advance(int64_t millis) {
    if (millis <= 0) return;
    local_ += millis;
    monotonic_ += millis;
  }
  void Set(int year, int month, int day, int hour = 8, int minute = 0, int second = 0);
  // Total time slept or advanced since construction.
  int64_t Elapsed() const { return monotonic_; }

 private:
  int64_t local_ = 0;
  int64_t monotonic_ = 0;
};

}  // namespace hurt
