// A fiscal printer's channel and operator that record what the station does, for tests
// of the receipt routines without a device.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "devices/fiscal_printer.h"

namespace hurt::devices::testing {

class RecordingChannel final : public FiscalChannel {
 public:
  explicit RecordingChannel(bool tcp = true) : tcp_(tcp) {}
  bool tcp() const override { return tcp_; }
  bool ready() const override { return started_; }
  bool Start(FiscalUi&) override {
    ++starts;
    started_ = !refuse_start;
    return started_;
  }
  bool Send(std::string_view bytes) override {
    if (fail_after >= 0 && static_cast<int>(sent.size()) >= fail_after) return false;
    sent.emplace_back(bytes);
    return true;
  }
  int ReadByte() override { return status; }

  std::vector<std::string> sent;
  int starts = 0;
  int fail_after = -1;   // frames taken before the line breaks (-1: never)
  bool refuse_start = false;
  int status = 0x08;     // the enquiry's answer: fiscal mode

 private:
  bool tcp_;
  bool started_ = false;
};

class RecordingUi final : public FiscalUi {
 public:
  void Tell(std::string_view text, int) override { told.emplace_back(text); }
  void TellLines(const std::vector<std::string>& lines, int) override {
    for (const std::string& l : lines) told.push_back(l);
  }
  bool Ask(std::string_view question, std::string_view) override {
    asked.emplace_back(question);
    return answer;
  }
  void Bell(int count) override { bells += count; }

  std::vector<std::string> told, asked;
  int bells = 0;
  bool answer = true;
};

}  // namespace hurt::devices::testing
