// Fuzzes the workstation configuration file vat.ini: any text must parse, and every
// lookup (a key of a section, the station's own section with TERMINAL_MODE=MIXED, the
// printer settings) must answer without a crash or a hang.
//
//   mkdir -p /tmp/corpus_ini && build/fuzz/tests/fuzz/fuzz_vat_ini -max_total_time=60 \
//       /tmp/corpus_ini tests/fuzz/corpus_vat_ini
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "session/output/vat_ini.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using hurt::session::StationEnvironment;
  using hurt::session::VatIni;
  if (size > (size_t{1} << 20)) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const VatIni ini = VatIni::Parse(text);
  const StationEnvironment stations[] = {{"KASA1", "TERM2"}, {"kasa1", ""}, {"", ""}, {"DEFAULT", "KASA1"}};
  for (const StationEnvironment& station : stations) {
    (void)ini.StationSection(station);
    (void)ini.GetCfgValue("PRINTERNAME", station);
    (void)ini.GetCfgValue("PRINTERTYPE", station, "KASA1");
    (void)ini.GetCfgValue("TERMINAL_MODE", station, "");
  }
  // A key the text names is found through its own section.
  const size_t open = text.find('[');
  const size_t close = text.find(']', open == std::string_view::npos ? 0 : open);
  if (open != std::string_view::npos && close != std::string_view::npos) {
    const std::string_view section = text.substr(open + 1, close - open - 1);
    (void)ini.Value(section, "PRINTERNAME");
    (void)ini.Has(section, "PRINTERTYPE");
  }
  return 0;
}
