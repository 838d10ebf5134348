#include "devices/fiscal_frames.h"

#include <array>
#include <cstdio>

#include "base/numeric.h"
#include "base/text.h"
#include "devices/fiscal_text.h"

namespace hurt::devices {
namespace {

constexpr std::array<uint16_t, 256> MakeCrcTable() {
  std::array<uint16_t, 256> table{};
  for (int i = 0; i < 256; ++i) {
    uint16_t crc = static_cast<uint16_t>(i << 8);
    for (int bit = 0; bit < 8; ++bit) {
      crc = static_cast<uint16_t>((crc & 0x8000) != 0 ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    table[static_cast<size_t>(i)] = crc;
  }
  return table;
}
constexpr std::array<uint16_t, 256> kCrcTable = MakeCrcTable();

std::string Hex(unsigned value, int digits) {
  char text[8];
  std::snprintf(text, sizeof text, "%0*X", digits, value);
  return text;
}

std::string Two(int n) {
  char text[8];
  std::snprintf(text, sizeof text, "%02d", n % 100);
  return text;
}

std::string Four(int n) {
  char text[8];
  std::snprintf(text, sizeof text, "%04d", n);
  return text;
}

std::string Cr(std::string_view s) { return std::string(s) + kCr; }

Frames One(std::string bytes, int pause_ms = 0) { return {Frame{std::move(bytes), pause_ms}}; }

Frames Packet(XmlElement e) { return One(XmlPacket({std::move(e)})); }

XmlElement El(std::string name, std::vector<std::pair<std::string, std::string>> attributes) {
  return XmlElement{std::move(name), std::move(attributes), {}, {}};
}

// "yyyy-mm-dd" (tab-field dates) and "dd-mm-yyyy" (packet dates).
std::string IsoDate(JulianDay d) {
  const Ymd y = YmdFromJulian(d);
  return Four(y.year) + "-" + Two(y.month) + "-" + Two(y.day);
}
std::string DmyDate(JulianDay d) {
  const Ymd y = YmdFromJulian(d);
  return Two(y.day) + "-" + Two(y.month) + "-" + Four(y.year);
}
std::string YyMmDd(JulianDay d, char sep) {
  const Ymd y = YmdFromJulian(d);
  return Two(y.year) + sep + Two(y.month) + sep + Two(y.day);
}

std::string GroszeText(double x) { return std::to_string(Grosze(x)); }

std::string Decimal(double x, int dec) { return AllTrim(Str(x, 16, dec)); }

std::string KindNumber(std::string_view rd, std::string_view nrd) { return RTrim(rd) + "-" + AllTrim(nrd); }

}  // namespace

std::string EscChecksum(std::string_view content) {
  unsigned sum = 0xFF;
  for (char c : content) sum ^= static_cast<unsigned char>(c);
  return Hex(sum & 0xFF, 2);
}

std::string EscFrame(std::string_view content) {
  return std::string{kEsc, 'P'} + std::string(content) + EscChecksum(content) + std::string{kEsc, '\\'};
}

std::string EscFrameBare(std::string_view content) {
  return std::string{kEsc, 'P'} + std::string(content) + std::string{kEsc, '\\'};
}

uint16_t Crc16Xmodem(std::string_view bytes) {
  uint16_t crc = 0;
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    crc = static_cast<uint16_t>((crc << 8) ^ kCrcTable[((crc >> 8) ^ b) & 0xFF]);
  }
  return crc;
}

std::string TabFrame(std::string_view command, const TabFields& fields) {
  std::string body(command);
  body += kTab;
  for (const auto& [name, value] : fields) body += name + value + kTab;
  return std::string(1, kStx) + body + "#" + Hex(Crc16Xmodem(body), 4) + std::string(1, kEtx);
}

namespace {
void AppendElement(const XmlElement& e, std::string* out) {
  *out += "<" + e.name;
  for (const auto& [name, value] : e.attributes) *out += " " + name + "=\"" + XmlEscape(value) + "\"";
  if (e.children.empty() && e.text.empty()) {
    *out += "/>";
    return;
  }
  *out += ">" + XmlEscape(e.text);
  for (const XmlElement& c : e.children) AppendElement(c, out);
  *out += "</" + e.name + ">";
}
}  // namespace

std::string XmlPacket(const std::vector<XmlElement>& elements) {
  std::string out = "<pakiet>";
  for (const XmlElement& e : elements) AppendElement(e, &out);
  return out + "</pakiet>";
}

std::string CloseCode(std::string_view rd, std::string_view nrd) {
  const std::string both = RTrim(rd) + AllTrim(nrd);
  return both.size() <= 8 ? both : AllTrim(nrd);
}

// ---- operations ----

Frames FrameSet::Begin(const BeginReceipt& r) const {
  switch (dialect_) {
    case Dialect::kEscape: {
      std::string content;
      if (!r.nip.empty()) {
        content = "0;1;0;1$h" + Cr("KASA: " + r.till) + Cr(r.nip);
      } else {
        content = "0;1$h" "KASA: " + r.till + " " + RTrim(r.rd) + " " + AllTrim(r.nrd) + "-" + std::to_string(r.part) +
                  "  " + Cr(PadR(Left(r.operator_name, 17), 17));
      }
      return One(EscFrame(MapFiscalLetters(content)));
    }
    case Dialect::kTab: {
      Frames f = One(TabFrame("trinit", {{"bm", "0"}}));
      if (!r.nip.empty()) f.push_back({TabFrame("trnipset", {{"ni", r.nip}}), 0});
      return f;
    }
    case Dialect::kXml:
      return Packet(El("paragon", {{"akcja", "poczatek"}, {"tryb", "online"}}));
  }
  return {};
}

Frames FrameSet::BeginFiscalInvoice(const BeginInvoice& r) const {
  const std::string number = KindNumber(r.rd, r.nrd);
  const std::string op = PlainText(AllTrim(r.operator_name));
  switch (dialect_) {
    case Dialect::kEscape: {
      std::string content = "0;" + std::to_string(r.buyer.size() % 10) + ";1;0;0;0;0;0;0;0$h" + Cr(number);
      for (const std::string& l : r.buyer) content += Cr(l);
      content += Cr(r.nip) + Cr(Dtoc(r.due_date)) + Cr(r.payment_text);
      if (r.spz == 'P' || r.spz == 'T') {
        content += Cr("BANK: " + AllTrim(r.bank_account));
      } else {
        content += Cr(Left(PlainText(AllTrim(r.recipient)), 44));
      }
      content += Cr(op) + std::string(1, kCr);
      return One(EscFrame(content));
    }
    case Dialect::kTab: {
      std::string names;
      for (const std::string& l : r.buyer) names += (names.empty() ? "" : "\n") + l;
      return One(TabFrame("trfvinit", {{"nb", number},
                                       {"na", names},
                                       {"ni", r.nip},
                                       {"pd", IsoDate(r.due_date)},
                                       {"pt", r.payment_text},
                                       {"ss", Upper(op)},
                                       {"ps", "1"}}));
    }
    case Dialect::kXml: {
      const std::string payment = r.spz == 'G' ? "gotowka" : r.spz == 'P' ? "przelew" : "karta";
      XmlElement e = El("faktura", {{"akcja", "poczatek"},
                                    {"numer", number},
                                    {"nip", r.nip.size() < 10 ? std::string("BRAK") : r.nip},
                                    {"opis", "obie"},
                                    {"nazwa_platnosci", payment},
                                    {"data_platnosci", DmyDate(r.due_date)},
                                    {"odbiorca", ""},
                                    {"wystawiajacy", ""},
                                    {"ilosc_kopii", "0"},
                                    {"marginesy", "nie"},
                                    {"opcje_nazwy_kupujacego", "informacja"},
                                    {"opcje_nazwy_sprzedajacego", "brak"},
                                    {"miejsca_na_podpis", "tak"},
                                    {"zaplacono", ""},
                                    {"data_sprzedazy", DmyDate(r.issue_date)}});
      // One or two clients of at most 44 characters: the name, then the address.
      std::string name, address;
      for (size_t i = 0; i < r.buyer.size(); ++i) {
        std::string& to = i == 0 ? name : address;
        to += (to.empty() ? "" : " ") + r.buyer[i];
      }
      XmlElement first{"klient", {}, {}, Left(name, 44)};
      e.children.push_back(first);
      if (!AllTrim(address).empty()) e.children.push_back(XmlElement{"klient", {}, {}, Left(address, 44)});
      e.children.push_back(El("opcja", {{"identyfikator", "1"}}));
      e.children.push_back(El("opcja", {{"identyfikator", "2"}}));
      return Packet(std::move(e));
    }
  }
  return {};
}

Frames FrameSet::Line(const SaleLine& l) const {
  switch (dialect_) {
    case Dialect::kEscape:
      return One(EscFrame(std::to_string(l.lp) + "$l" + Cr(l.name) + Cr(Quantity11(l.quantity, l.three_decimals)) +
                          l.rate_letter + "/" + AmountTrimmed(l.price) + "/" + AmountTrimmed(l.value) + "/"));
    case Dialect::kTab: {
      TabFields fields = {{"na", l.name}, {"vt", l.rate_digit}, {"pr", Str(static_cast<double>(Grosze(l.price)), 12)},
                          {"il", Str(l.quantity, 11, 3)}};
      if (l.lp == 0) fields.push_back({"st", "1"});
      return One(TabFrame("trline", fields));
    }
    case Dialect::kXml: {
      XmlElement e = El("pozycja", {{"nazwa", l.name},
                                    {"ilosc", Decimal(l.quantity, 3)},
                                    {"jednostka", AllTrim(l.unit)},
                                    {"stawka", l.rate_letter},
                                    {"cena", Decimal(l.price, 2)}});
      if (l.lp == 0) e.attributes.push_back({"storno", "tak"});
      return Packet(std::move(e));
    }
  }
  return {};
}

Frames FrameSet::RateDiscount(const Discount& d) const {
  switch (dialect_) {
    case Dialect::kEscape:
      return One(EscFrame(std::to_string(d.rate_number) + ";3;16$L" + AmountTrimmed(d.rate_total - d.discount) + "/" +
                          AmountTrimmed(-d.discount) + "/" + Cr(PadR(Left(d.name, 20), 20))));
    case Dialect::kTab:
      return One(TabFrame("trdiscntvat", {{"na", d.name}, {"ra", Str(static_cast<double>(Grosze(d.discount)), 12)}}));
    case Dialect::kXml:
      return Packet(El("rabat", {{"nazwa", d.name}, {"wartosc", Decimal(d.discount, 2)}}));
  }
  return {};
}

Frames FrameSet::Close(const CloseReceipt& c) const {
  const std::string number = KindNumber(c.rd, c.nrd);
  switch (dialect_) {
    case Dialect::kEscape: {
      const std::string paid = Amount10(c.paid);
      const std::string total = Amount10(c.total);
      const std::string nine(9, kCr);
      const std::string code = CloseCode(c.rd, c.nrd);
      const bool plain = c.payment != PaymentKind::kCard && !c.sd_nrd && !c.bony && !c.fiscal_invoice;
      const bool vouchers = c.bony && c.vouchers > 0;
      std::string content;
      if (plain && !c.thermal) {
        content = "1;0;0$e" + c.till + " " + Cr(c.operator_nr) + paid + "/" + total + "/";
      } else if (plain || (c.payment == PaymentKind::kCash && !vouchers)) {
        content = "1;0;1;0$e" + c.till + Cr(c.operator_nr) + Cr(RTrim(c.rd) + " " + AllTrim(c.nrd)) + paid + "/" + total + "/";
      } else if (c.payment == PaymentKind::kCard && !vouchers) {
        content = "0;0;0;0;0;1;0;0;0;0;0$x" + code + nine + total + "/0/0/" + total + "/0/0/0/0/0/";
      } else if (c.payment == PaymentKind::kCard) {
        content = "0;0;0;0;0;1;0;1;0;0;0$x" + code + nine + total + "/0/0/" + Amount10(c.total - c.vouchers) + "/0/" +
                  Amount10(c.vouchers) + "/0/0/0/";
      } else if (c.payment == PaymentKind::kCash) {
        content = "0;0;0;0;1;0;0;1;0;0;0$x" + code + nine + total + "/0/" + Amount10(c.paid - c.vouchers) + "/0/0/" +
                  Amount10(c.vouchers) + "/0/0/" + Amount10(c.paid - (c.total - c.vouchers)) + "/";
      } else {
        content = "0;0;0;0;0;0;1;0;0;0;0$x" + code + nine + total + "/0/0/" + total + "/0/0/0/0/0/";
      }
      return One(EscFrame(content));
    }
    case Dialect::kTab: {
      Frames f;
      if (c.payment == PaymentKind::kCard) {
        f.push_back({TabFrame("trpayment", {{"ty", "2"}, {"wa", GroszeText(c.total)}, {"re", "0"}}), 0});
      }
      TabFields end = {{"to", GroszeText(c.total)}, {"fp", GroszeText(c.paid)}};
      if (c.paid > c.total) end.push_back({"re", GroszeText(c.paid - c.total)});
      if (c.sd_nrd) end.push_back({"fe", "1"});
      f.push_back({TabFrame("trend", end), 0});
      if (c.sd_nrd) {
        f.push_back({TabFrame("trftrln", {{"id", "0"}, {"na", number}}), 0});
        f.push_back({TabFrame("trftrend", {}), 0});
      }
      return f;
    }
    case Dialect::kXml: {
      Frames f = Packet(El("platnosc", {{"typ", c.payment == PaymentKind::kCard ? "karta" : "gotowka"},
                                         {"akcja", "dodaj"},
                                         {"wartosc", Decimal(c.paid, 2)}}));
      XmlElement close;
      if (c.fiscal_invoice) {
        close = El("faktura", {{"akcja", "zamknij"},
                               {"nabywca", c.buyer},
                               {"kwota", Decimal(c.total, 2)},
                               {"numer_systemowy", number},
                               {"numer_kasy", c.till},
                               {"kasjer", c.operator_nr}});
      } else {
        close = El("paragon", {{"akcja", "zamknij"}, {"numer_kasy", c.till}, {"kasjer", c.operator_nr},
                               {"kwota", Decimal(c.total, 2)}});
        if (c.sd_nrd) close.attributes.push_back({"numer_systemowy", number});
        if (!c.nip.empty()) close.attributes.push_back({"nip", c.nip});
      }
      Frames rest = Packet(std::move(close));
      f.insert(f.end(), rest.begin(), rest.end());
      return f;
    }
  }
  return {};
}

Frames FrameSet::Cancel() const {
  switch (dialect_) {
    case Dialect::kEscape: return One(EscFrame("0$e"));
    case Dialect::kTab: return One(TabFrame("prcancel", {}));
    case Dialect::kXml: return Packet(El("paragon", {{"akcja", "anuluj"}}));
  }
  return {};
}

Frames FrameSet::CancelFromMenu(std::string_view till, std::string_view operator_nr) const {
  if (dialect_ == Dialect::kEscape) return One(EscFrame("0$e" + Cr(till) + Cr(operator_nr)));
  return Cancel();
}

Frames FrameSet::ErrorMode(int mode) const {
  if (dialect_ == Dialect::kEscape) return One(EscFrame(std::to_string(mode) + "#e"));
  return {};
}

Frames FrameSet::DailyReport() const {
  switch (dialect_) {
    case Dialect::kEscape: return One(EscFrame("0#r"));
    case Dialect::kTab: return One(TabFrame("dailyrep", {}));
    case Dialect::kXml: return Packet(El("raport", {{"typ", "dobowy"}}));
  }
  return {};
}

Frames FrameSet::PeriodReport(JulianDay from, JulianDay to) const {
  switch (dialect_) {
    case Dialect::kEscape: return One(EscFrame(YyMmDd(from, ';') + ";" + YyMmDd(to, ';') + "#o"));
    case Dialect::kTab: return One(TabFrame("periodicrepbydates", {{"fd", IsoDate(from)}, {"td", IsoDate(to)}}));
    case Dialect::kXml: return Packet(El("raport", {{"typ", "okresowy"}, {"od", DmyDate(from)}, {"do", DmyDate(to)}}));
  }
  return {};
}

Frames FrameSet::ShiftReport() const {
  switch (dialect_) {
    case Dialect::kEscape: return One(EscFrame("0#k" + Cr("Zmiana I") + Cr("Kasjer nr 1")));
    case Dialect::kTab: return One(TabFrame("shiftrep", {{"sh", "Kasjer 1"}}));
    case Dialect::kXml: return Packet(El("raport", {{"typ", "zmianowy"}, {"zmiana", "I"}, {"kasjer", "1"}}));
  }
  return {};
}

Frames FrameSet::CashIn(double amount) const {
  switch (dialect_) {
    case Dialect::kEscape: return {{EscFrameBare("4$d"), 1000}, {EscFrame("0#i" + AmountTrimmed(amount) + "/"), 0}};
    case Dialect::kTab: return One(TabFrame("cash", {{"kw", GroszeText(amount)}, {"wp", "T"}}));
    case Dialect::kXml: return Packet(El("gotowka", {{"akcja", "wplata"}, {"wartosc", Decimal(amount, 2)}}));
  }
  return {};
}

Frames FrameSet::CashOut(double amount) const {
  switch (dialect_) {
    case Dialect::kEscape: return {{EscFrameBare("4$d"), 1000}, {EscFrame("0#d" + AmountTrimmed(amount) + "/"), 0}};
    case Dialect::kTab: return One(TabFrame("cash", {{"kw", GroszeText(amount)}, {"wp", "N"}}));
    case Dialect::kXml: return Packet(El("gotowka", {{"akcja", "wyplata"}, {"wartosc", Decimal(amount, 2)}}));
  }
  return {};
}

Frames FrameSet::CashState(int variant) const {
  switch (dialect_) {
    case Dialect::kEscape: return One(EscFrame(std::to_string(variant == 1 ? 1 : 0) + "#t"));
    case Dialect::kTab: return One(TabFrame("cashstaterep", {}));
    case Dialect::kXml: return Packet(El("gotowka", {{"akcja", "odczyt"}}));
  }
  return {};
}

Frames FrameSet::SetClock(JulianDay day, int hour, int minute) const {
  switch (dialect_) {
    case Dialect::kEscape: return One(EscFrame(YyMmDd(day, ';') + ";" + Two(hour) + ";" + Two(minute) + ";0$c"));
    case Dialect::kTab: return One(TabFrame("rtcset", {{"da", IsoDate(day) + ";" + Two(hour) + ":" + Two(minute)}}));
    case Dialect::kXml: return Packet(El("zegar", {{"data", DmyDate(day) + " " + Two(hour) + ":" + Two(minute)}}));
  }
  return {};
}

Frames FrameSet::Denomination() const {
  if (dialect_ == Dialect::kEscape) return One(EscFrame("0$z"));
  return {};
}

Frames FrameSet::OpenDrawer() const {
  switch (dialect_) {
    case Dialect::kEscape: return One(EscFrameBare("1$d"));
    case Dialect::kTab: return One(TabFrame("opendrwr", {}));
    case Dialect::kXml: return Packet(El("sterowanie", {{"akcja", "szuflada"}}));
  }
  return {};
}

Frames FrameSet::Display(int digit, std::string_view text) const {
  switch (dialect_) {
    case Dialect::kEscape: return One(EscFrameBare(std::to_string(digit) + "$d" + std::string(1, kFormFeed) + PlainText(text)));
    case Dialect::kTab: return {};
    case Dialect::kXml: return Packet(El("sterowanie", {{"akcja", "wyczysc_ekran"}}));
  }
  return {};
}

Frames FrameSet::Header(bool second, const std::vector<std::string>& lines) const {
  if (dialect_ != Dialect::kEscape) return {};
  std::string content = second ? "1$f" : "0$f";
  for (const std::string& l : lines) content += Cr(PlainText(l));
  return One(EscFrame(content));
}

Frames FrameSet::Enquiry() const {
  if (dialect_ == Dialect::kEscape) return One(EscFrameBare("0#n"));
  return {};
}

Frames FrameSet::Status() const { return One(std::string(1, kEnq)); }

}  // namespace hurt::devices
