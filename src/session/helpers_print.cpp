#include "session/helpers_print.h"

#include "base/text.h"

namespace hurt::session {

namespace {

constexpr char kEsc = 27;
constexpr int kDefaultLineSpacing = 28;  // 28/216 inch
constexpr int kDefaultPrintMode = 1;

char Chr(int value) { return static_cast<char>(static_cast<unsigned char>(((value % 256) + 256) % 256)); }

std::string LineSpacing(int a) { return {kEsc, '3', Chr(a)}; }
std::string PrintMode(int b) { return {kEsc, '!', Chr(b)}; }

}  // namespace

PrinterControl Druk() { return {LineSpacing(kDefaultLineSpacing), PrintMode(kDefaultPrintMode)}; }

PrinterControl Druk(int a, int b) { return {LineSpacing(a) + PrintMode(b), PrintMode(b)}; }

std::string PagePrinterSetup(PageOrientation orientation, int pitch, int points) {
  const std::string esc(1, kEsc);
  return esc + "&l" + std::to_string(static_cast<int>(orientation)) + "O" + esc + "(10U" + esc + "(s0P" + esc + "(s" +
         std::to_string(pitch) + "H" + esc + "(s" + std::to_string(points) + "V" + esc + "(s0S" + esc + "(s0B" + esc +
         "(s4101T" + esc + "(s2Q";
}

LptDevices LptDevices::FromEnvironment(const std::function<const char*(const char*)>& getenv) {
  LptDevices d;
  if (!getenv) return d;
  const char* one = getenv("HURT_LPT1");
  const char* two = getenv("HURT_LPT2");
  if (one != nullptr && *one != '\0') d.lpt1 = one;
  if (two != nullptr && *two != '\0') d.lpt2 = two;
  return d;
}

std::string_view LptPortName(int m_lpt) { return m_lpt == 2 ? "LPT2" : "LPT1"; }

std::string PrinterDevicePath(std::string_view name, const LptDevices& devices) {
  std::string n = AllTrim(name);
  std::string key = Upper(n);
  if (!key.empty() && key.back() == ':') key.pop_back();
  if (key.empty() || key == "LPT1" || key == "PRN") return devices.lpt1;
  if (key == "LPT2") return devices.lpt2;
  return n;
}

std::optional<std::string> MojsetLpt(const store::Markers& markers, int m_lpt, const LptDevices& devices) {
  if (!markers.Has("LPT.TXT")) return std::nullopt;
  return PrinterDevicePath(LptPortName(m_lpt), devices);
}

}  // namespace hurt::session
