// Printer control bytes and the choice of printer port.
//
// Printouts are text with the control sequences of common dot-matrix printers in it. The
// routines here only make those bytes and name the device; writing them to the report
// file or the printer is the report output's business.
//
// Printer ports: the stations print to "LPT1" or "LPT2". On Linux a port is a device path
// taken from LptDevices: by default /dev/lp0 and /dev/lp1, changed for a station by the
// environment variables HURT_LPT1 and HURT_LPT2 (a path of a device, a file or a named
// pipe that a spooler reads).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "store/schema.h"

namespace hurt::session {

// What DRUK sends to the printer and what it gives back to the caller.
struct PrinterControl {
  std::string printed;   // written to the printer output now
  std::string returned;  // the function's value, for the caller to print later (or not)
};

// DRUK(): line spacing 28/216 inch printed (ESC "3" 28); returns the print mode 1
// (ESC "!" 1) unprinted.
PrinterControl Druk();
// DRUK(a, b): line spacing a/216 inch (ESC "3" a) and print mode b (ESC "!" b) printed;
// returns the print mode sequence (ESC "!" b). Values are taken modulo 256, as CHR() does.
PrinterControl Druk(int a, int b);

// The page printer's (PCL) set-up sequence: orientation, code page 852 symbol set, fixed
// pitch, `pitch` characters per inch, a `points`-point font, upright, medium, the
// Courier typeface, letter quality. ESC = byte 27:
//   ESC "&l" o "O"  ESC "(10U"  ESC "(s0P"  ESC "(s" pitch "H"  ESC "(s" points "V"
//   ESC "(s0S"  ESC "(s0B"  ESC "(s4101T"  ESC "(s2Q"
// with o 0 for portrait and 1 for landscape. The printed documents use portrait at
// pitch 20, 10 points (normal) and pitch 6, 14 points (enlarged titles).
enum class PageOrientation { kPortrait = 0, kLandscape = 1 };
std::string PagePrinterSetup(PageOrientation orientation, int pitch, int points);

// The device paths of the two printer ports.
struct LptDevices {
  std::string lpt1 = "/dev/lp0";
  std::string lpt2 = "/dev/lp1";

  // The defaults overridden by HURT_LPT1 and HURT_LPT2 where they are set and not empty.
  // `getenv` is the lookup (std::getenv in the program, a table in tests).
  static LptDevices FromEnvironment(const std::function<const char*(const char*)>& getenv);
};

// The port a M_LPT choice names: 2 is "LPT2", anything else "LPT1".
std::string_view LptPortName(int m_lpt);

// The device a printer name means: "LPT1", "LPT2" and "PRN" (any case, with or without a
// trailing ":") map to the configured ports; an empty name is LPT1; any other name (a
// path already) is given back trimmed.
std::string PrinterDevicePath(std::string_view name, const LptDevices& devices);

// MOJSET_LPT(): with the marker LPT.TXT, the device printer output goes to, LPT1 or LPT2
// as chosen in M_LPT; without the marker nothing changes (nullopt).
std::optional<std::string> MojsetLpt(const store::Markers& markers, int m_lpt, const LptDevices& devices);

}  // namespace hurt::session
