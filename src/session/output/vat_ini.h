// The workstation configuration file "vat.ini" and GETCFGVALUE.
//
// "vat.ini" lies in the data directory and is shared by all stations. It is made of
// sections "[NAME]" holding "KEY=VALUE" lines; each station reads the section named after
// it. Names of sections and keys are matched without regard to case; values are trimmed
// and lose one pair of surrounding double quotes; lines beginning ";" or "#" are
// comments. When a key or section occurs twice, the first one counts.
//
// Which section a station reads (GETCFGVALUE without a section):
//   1. the computer name: the environment variable COMPUTERNAME, else the host name;
//   2. when that section has TERMINAL_MODE=MIXED (several terminal sessions sharing one
//      computer), the section named by the environment variable
//      TERMINAL_ENVIRONMENT_VARIABLE instead; when that variable is empty, still the
//      computer name.
//
// Keys read by the report output path: PRINTERNAME, PRINTERTYPE (see printer.h).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "xbase/env.h"

namespace hurt::session {

// What a station knows of itself from the operating system.
struct StationEnvironment {
  std::string computer_name;  // COMPUTERNAME, else the host name
  std::string terminal_name;  // the environment variable TERMINAL_ENVIRONMENT_VARIABLE

  // From an environment look-up ("" for an unset variable) and the host name.
  static StationEnvironment From(const std::function<std::string(const char* name)>& getenv,
                                 std::string host_name);
  // From this process's environment and the machine's host name.
  static StationEnvironment FromProcess();
};

class VatIni {
 public:
  static constexpr std::string_view kFileName = "vat.ini";

  VatIni() = default;
  static VatIni Parse(std::string_view text);
  // "vat.ini" in the data directory (lower or upper case). A missing file reads as an
  // empty one; a file that cannot be read is an error.
  static Result<VatIni> Load(xbase::Env& env, std::string_view data_dir);

  // The value of key in section; "" when either is missing.
  std::string Value(std::string_view section, std::string_view key) const;
  bool Has(std::string_view section, std::string_view key) const;

  // The section this station reads (rules above).
  std::string StationSection(const StationEnvironment& station) const;

  // GETCFGVALUE(key [, section]): the key from the given section, or from the station's
  // own section when none is given.
  std::string GetCfgValue(std::string_view key, const StationEnvironment& station,
                          std::string_view section = {}) const;

 private:
  struct Entry {
    std::string section;  // upper case
    std::string key;      // upper case
    std::string value;
  };
  const Entry* Find(std::string_view section, std::string_view key) const;

  std::vector<Entry> entries_;
};

}  // namespace hurt::session
