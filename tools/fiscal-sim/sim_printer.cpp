#include "sim_printer.h"

#include <cmath>
#include <cstdlib>
#include <ctime>

namespace hurt::fiscal_sim {
namespace {

std::vector<std::string> Split(std::string_view s, char sep) {
  std::vector<std::string> out;
  size_t start = 0;
  for (;;) {
    const size_t at = s.find(sep, start);
    out.emplace_back(s.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
    if (at == std::string_view::npos) return out;
    start = at + 1;
  }
}

std::string Trim(std::string_view s) {
  size_t a = 0, b = s.size();
  while (a < b && s[a] == ' ') ++a;
  while (b > a && s[b - 1] == ' ') --b;
  return std::string(s.substr(a, b - a));
}

double Number(std::string_view s) { return std::strtod(Trim(s).c_str(), nullptr); }
double Round2(double x) { return std::round(x * 100.0 + (x >= 0 ? 1e-7 : -1e-7)) / 100.0; }
bool SameCents(double a, double b) { return std::llround(a * 100) == std::llround(b * 100); }

std::string Money(double x) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", Round2(x));
  return text;
}

std::string Quantity(double q) {
  char text[32];
  if (q == std::floor(q)) {
    std::snprintf(text, sizeof text, "%.0f", q);
  } else {
    std::snprintf(text, sizeof text, "%.3f", q);
  }
  return text;
}

bool Ascii(std::string_view s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) >= 127) return false;
  }
  return true;
}

std::string Now() {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
  return text;
}

// The lines of a CR-separated text, without the empty one after the last CR.
std::vector<std::string> CrLines(std::string_view data) {
  std::vector<std::string> lines = Split(data, '\r');
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

std::string RateOfDigit(std::string_view digit) {
  const int d = std::atoi(std::string(digit).c_str());
  return std::string(1, static_cast<char>('A' + (d >= 0 && d <= 6 ? d : 0)));
}

}  // namespace

void SimPrinter::Write(const std::string& line) {
  std::fputs(line.c_str(), journal_);
  std::fputc('\n', journal_);
  std::fflush(journal_);
}

void SimPrinter::Refuse(const std::string& problem) {
  refused_ = true;
  Write("BLAD " + problem);
}

unsigned char SimPrinter::StatusByte() const {
  unsigned char b = 0;
  if (fiscal_mode_) b |= 0x08;
  if (open_) b |= 0x02;
  if (refused_) b |= 0x01;
  return b;
}

double SimPrinter::Total() const {
  double t = 0;
  for (const Line& l : lines_) t += l.storno ? -l.value : l.value;
  return Round2(t);
}

void SimPrinter::Begin(bool invoice, const std::string& dialect, const std::vector<std::string>& header) {
  if (open_) {
    Refuse("rozpoczecie przy otwartym " + std::string(invoice_ ? "fakturze" : "paragonie") + " " + std::to_string(number_));
    return;
  }
  open_ = true;
  invoice_ = invoice;
  lines_.clear();
  xml_paid_ = -1;
  xml_payment_ = "GOTOWKA";
  ++number_;
  Write((invoice ? "FAKTURA " : "PARAGON ") + std::to_string(number_) + " POCZATEK [" + dialect + "] " + Now());
  for (const std::string& h : header) {
    if (!Ascii(h)) Refuse("znak spoza ASCII w naglowku: " + Readable(h));
    Write(h);
  }
}

void SimPrinter::AddLine(const Line& line) {
  if (!open_) {
    Refuse("pozycja bez otwartego paragonu: " + line.name);
    return;
  }
  if (!Ascii(line.name)) Refuse("znak spoza ASCII w nazwie: " + Readable(line.name));
  if (!SameCents(line.value, Round2(line.quantity * line.price))) {
    Refuse("wartosc " + Money(line.value) + " nie jest iloczynem " + Quantity(line.quantity) + " x " + Money(line.price));
  }
  lines_.push_back(line);
  const std::string counted = Quantity(line.quantity) + " x " + Money(line.price) + " = " + Money(line.value);
  if (line.storno) {
    Write("STORNO " + line.name + " | " + counted + " | " + line.rate);
  } else {
    int n = 0;
    for (const Line& l : lines_) n += l.storno ? 0 : 1;
    Write("POZYCJA " + std::to_string(n) + " " + line.name + " | " + counted + " | " + line.rate);
  }
}

void SimPrinter::Close(double paid, double total, const std::string& payment) {
  if (!open_) {
    Refuse("zamkniecie bez otwartego paragonu");
    return;
  }
  if (!SameCents(total, Total())) {
    Refuse("suma zamkniecia " + Money(total) + " rozna od sumy pozycji " + Money(Total()));
    return;
  }
  if (total <= 0) {
    Refuse("zamkniecie paragonu o sumie " + Money(total));
    return;
  }
  if (paid + 0.005 < total) {
    Refuse("zaplacono " + Money(paid) + " mniej niz suma " + Money(total));
    return;
  }
  std::map<std::string, double> rates;
  for (const Line& l : lines_) rates[l.rate] += l.storno ? -l.value : l.value;
  for (const auto& [rate, sum] : rates) {
    Write("SUMA " + rate + " " + Money(sum));
    day_rates_[rate] += sum;
  }
  std::string change = paid > total + 0.005 ? " RESZTA " + Money(paid - total) : "";
  Write("SUMA " + Money(total) + " ZAPLACONO " + Money(paid) + " " + payment + change);
  Write(std::string(invoice_ ? "FAKTURA " : "PARAGON ") + std::to_string(number_) + (invoice_ ? " ZAMKNIETA" : " ZAMKNIETY"));
  cash_ += total;
  ++day_receipts_;
  open_ = false;
  lines_.clear();
}

void SimPrinter::Cancel() {
  if (!open_) {
    Write("ANULOWANIE bez otwartego paragonu");
    return;
  }
  Write(std::string(invoice_ ? "FAKTURA " : "PARAGON ") + std::to_string(number_) + (invoice_ ? " ANULOWANA" : " ANULOWANY"));
  open_ = false;
  lines_.clear();
}

std::string SimPrinter::Take(const Frame& f) {
  std::string answer;
  if (!f.good) {
    Refuse(f.problem + ": " + Readable(f.raw));
    return answer;
  }
  refused_ = false;
  switch (f.dialect) {
    case Dialect::kStatus: answer.push_back(static_cast<char>(StatusByte())); break;
    case Dialect::kEscape: Escape(f, &answer); break;
    case Dialect::kTab: Tab(f); break;
    case Dialect::kXml: Xml(f); break;
  }
  return answer;
}

void SimPrinter::Escape(const Frame& f, std::string* answer) {
  const std::vector<std::string> p = Split(f.params, ';');
  const std::string& c = f.command;
  if (c == "$h") {
    const std::vector<std::string> lines = CrLines(f.data);
    if (p.size() >= 10) {  // a fiscal invoice: number, n buyer lines, tax number, due date, payment ...
      const size_t n = static_cast<size_t>(std::atoi(p[1].c_str()));
      std::vector<std::string> header;
      for (size_t i = 0; i < lines.size(); ++i) {
        std::string tag = i == 0 ? "NUMER " : i <= n ? "NABYWCA " : i == n + 1 ? "NIP " : i == n + 2 ? "TERMIN " : i == n + 3 ? "PLATNOSC " : "";
        if (tag.empty() && lines[i].empty()) continue;
        header.push_back(tag.empty() ? "TEKST " + lines[i] : tag + lines[i]);
      }
      Begin(true, "esc", header);
    } else if (p.size() == 4) {
      Begin(false, "esc", {"NAGLOWEK " + (lines.empty() ? std::string() : lines[0]), "NIP " + (lines.size() > 1 ? lines[1] : "")});
    } else {
      std::vector<std::string> header;
      for (const std::string& l : lines) header.push_back("NAGLOWEK " + l);
      Begin(false, "esc", header);
    }
  } else if (c == "$l") {
    const std::vector<std::string> parts = CrLines(f.data);
    if (parts.size() < 3) return Refuse("pozycja bez ilosci lub ceny: " + Readable(f.data));
    const std::vector<std::string> amounts = Split(parts[2], '/');
    if (amounts.size() < 3) return Refuse("pozycja bez kwot: " + Readable(f.data));
    AddLine({parts[0], Number(parts[1]), Number(amounts[1]), Number(amounts[2]), amounts[0], p.empty() || p[0] == "0"});
  } else if (c == "$L") {
    const std::vector<std::string> amounts = Split(f.data, '/');
    if (amounts.size() < 3) return Refuse("rabat bez kwot");
    AddLine({"RABAT " + Trim(CrLines(amounts[2]).empty() ? "" : CrLines(amounts[2])[0]), 1, -Number(amounts[1]),
             -Number(amounts[1]), p.empty() ? "A" : RateOfDigit(std::to_string(std::atoi(p[0].c_str()) - 1)), true});
  } else if (c == "$e") {
    if (!p.empty() && p[0] == "0") {
      Cancel();
    } else {
      const std::vector<std::string> lines = CrLines(f.data);
      const std::vector<std::string> amounts = Split(lines.empty() ? "" : lines.back(), '/');
      if (amounts.size() < 2) return Refuse("zamkniecie bez kwot: " + Readable(f.data));
      Close(Number(amounts[0]), Number(amounts[1]), "GOTOWKA");
    }
  } else if (c == "$x") {
    const size_t last_cr = f.data.rfind('\r');
    const std::vector<std::string> amounts = Split(last_cr == std::string::npos ? f.data : f.data.substr(last_cr + 1), '/');
    if (amounts.size() < 8 || p.size() < 8) return Refuse("zamkniecie rozszerzone bez kwot: " + Readable(f.data));
    const double total = Number(amounts[0]);
    const bool vouchers = p[7] == "1";
    std::string payment = p[5] == "1" ? "KARTA" : p[4] == "1" ? "GOTOWKA" : "INNA";
    double paid = total;
    if (p[4] == "1" && vouchers) paid = Number(amounts[2]) + Number(amounts[5]);
    if (vouchers) payment += " BONY";
    Close(paid, total, payment);
  } else if (c == "#e") {
    // error-handling mode: nothing printed
  } else if (c == "#n") {
    answer->push_back(static_cast<char>(StatusByte()));
  } else if (c == "#r") {
    std::string rates;
    for (const auto& [rate, sum] : day_rates_) rates += (rates.empty() ? "" : ", ") + rate + " " + Money(sum);
    double sum = 0;
    for (const auto& [rate, value] : day_rates_) sum += value;
    Write("RAPORT DOBOWY: paragonow " + std::to_string(day_receipts_) + ", suma " + Money(sum) + " (" + rates + ")");
    day_receipts_ = 0;
    day_rates_.clear();
  } else if (c == "#o") {
    if (p.size() < 6) return Refuse("raport okresowy bez dat");
    Write("RAPORT OKRESOWY " + p[2] + "." + p[1] + "." + p[0] + " - " + p[5] + "." + p[4] + "." + p[3]);
  } else if (c == "#k") {
    std::string text;
    for (const std::string& l : CrLines(f.data)) text += (text.empty() ? "" : " / ") + l;
    Write("RAPORT ZMIANY " + text);
  } else if (c == "#i" || c == "#d") {
    const double amount = Number(Split(f.data, '/')[0]);
    cash_ += c == "#i" ? amount : -amount;
    Write((c == "#i" ? "WPLATA " : "WYPLATA ") + Money(amount));
  } else if (c == "#t") {
    Write("STAN KASY " + Money(cash_));
  } else if (c == "$c") {
    if (p.size() < 5) return Refuse("zegar bez daty");
    Write("ZEGAR 20" + p[0] + "-" + p[1] + "-" + p[2] + " " + p[3] + ":" + p[4]);
  } else if (c == "$z") {
    Write("DENOMINACJA");
  } else if (c == "$d") {
    if (f.data.empty() && !p.empty() && p[0] == "1") Write("SZUFLADA");
    else if (!f.data.empty()) Write("WYSWIETLACZ " + Readable(f.data.substr(f.data[0] == 12 ? 1 : 0)));
  } else if (c == "$f") {
    if (fiscal_mode_) return Refuse("naglowek w trybie fiskalnym");
    Write("NAGLOWEK WLASCICIELA " + Readable(f.data));
  } else {
    Refuse("nieznany rozkaz " + c);
  }
}

void SimPrinter::Tab(const Frame& f) {
  const std::string& c = f.command;
  auto grosze = [](const std::string& s) { return Number(s) / 100.0; };
  if (c == "trinit") {
    Begin(false, "tab", {});
  } else if (c == "trnipset") {
    Write("NIP " + f.Field("ni"));
  } else if (c == "trfvinit") {
    std::vector<std::string> header = {"NUMER " + f.Field("nb")};
    for (const std::string& l : Split(f.Field("na"), '\n')) header.push_back("NABYWCA " + l);
    header.push_back("NIP " + f.Field("ni"));
    header.push_back("TERMIN " + f.Field("pd"));
    header.push_back("PLATNOSC " + f.Field("pt"));
    header.push_back("WYSTAWIL " + f.Field("ss"));
    Begin(true, "tab", header);
  } else if (c == "trline") {
    const double price = grosze(f.Field("pr"));
    const double quantity = Number(f.Field("il"));
    AddLine({f.Field("na"), quantity, price, Round2(quantity * price), RateOfDigit(f.Field("vt")), f.Field("st") == "1"});
  } else if (c == "trpayment") {
    if (f.Field("ty") == "2") xml_payment_ = "KARTA";
  } else if (c == "trend") {
    Close(grosze(f.Field("fp")), grosze(f.Field("to")), xml_payment_);
  } else if (c == "trftrln") {
    Write("STOPKA " + f.Field("na"));
  } else if (c == "trftrend") {
  } else if (c == "prcancel") {
    Cancel();
  } else if (c == "dailyrep") {
    Escape(Frame{Dialect::kEscape, "", true, "", "", "#r", "", {}, {}}, nullptr);
  } else if (c == "periodicrepbydates") {
    Write("RAPORT OKRESOWY " + f.Field("fd") + " - " + f.Field("td"));
  } else if (c == "shiftrep") {
    Write("RAPORT ZMIANY " + f.Field("sh"));
  } else if (c == "cash") {
    const double amount = grosze(f.Field("kw"));
    const bool in = f.Field("wp") == "T";
    cash_ += in ? amount : -amount;
    Write((in ? "WPLATA " : "WYPLATA ") + Money(amount));
  } else if (c == "cashstaterep") {
    Write("STAN KASY " + Money(cash_));
  } else if (c == "rtcset") {
    Write("ZEGAR " + f.Field("da"));
  } else if (c == "opendrwr") {
    Write("SZUFLADA");
  } else if (c == "trdiscntvat") {
    const double d = grosze(f.Field("ra"));
    AddLine({"RABAT " + f.Field("na"), 1, d, d, "A", true});
  } else {
    Refuse("nieznany rozkaz " + c);
  }
}

void SimPrinter::Xml(const Frame& f) {
  for (size_t i = 0; i < f.elements.size(); ++i) {
    const Frame::Element& e = f.elements[i];
    if (e.depth != 0) continue;
    auto a = [&e](const char* name) {
      auto it = e.attributes.find(name);
      return it == e.attributes.end() ? std::string() : it->second;
    };
    const std::string akcja = a("akcja");
    if (e.name == "paragon" && akcja == "poczatek") {
      Begin(false, "xml", {});
    } else if (e.name == "faktura" && akcja == "poczatek") {
      std::vector<std::string> header = {"NUMER " + a("numer")};
      for (size_t j = i + 1; j < f.elements.size() && f.elements[j].depth > 0; ++j) {
        if (f.elements[j].name == "klient") header.push_back("NABYWCA " + f.elements[j].text);
      }
      header.push_back("NIP " + a("nip"));
      header.push_back("TERMIN " + a("data_platnosci"));
      header.push_back("PLATNOSC " + a("nazwa_platnosci"));
      Begin(true, "xml", header);
    } else if ((e.name == "paragon" || e.name == "faktura") && akcja == "zamknij") {
      const double total = Number(a("kwota"));
      Close(xml_paid_ >= 0 ? xml_paid_ : total, total, xml_payment_);
    } else if (e.name == "paragon" && akcja == "anuluj") {
      Cancel();
    } else if (e.name == "pozycja") {
      const double quantity = Number(a("ilosc"));
      const double price = Number(a("cena"));
      AddLine({a("nazwa"), quantity, price, Round2(quantity * price), a("stawka"), a("storno") == "tak"});
    } else if (e.name == "platnosc") {
      xml_paid_ = Number(a("wartosc"));
      xml_payment_ = a("typ") == "karta" ? "KARTA" : "GOTOWKA";
    } else if (e.name == "raport") {
      const std::string typ = a("typ");
      if (typ == "dobowy") {
        Escape(Frame{Dialect::kEscape, "", true, "", "", "#r", "", {}, {}}, nullptr);
      } else if (typ == "okresowy") {
        Write("RAPORT OKRESOWY " + a("od") + " - " + a("do"));
      } else {
        Write("RAPORT ZMIANY " + a("kasjer"));
      }
    } else if (e.name == "gotowka") {
      const double amount = Number(a("wartosc"));
      if (akcja == "odczyt") {
        Write("STAN KASY " + Money(cash_));
      } else {
        const bool in = akcja == "wplata";
        cash_ += in ? amount : -amount;
        Write((in ? "WPLATA " : "WYPLATA ") + Money(amount));
      }
    } else if (e.name == "zegar") {
      Write("ZEGAR " + a("data"));
    } else if (e.name == "sterowanie") {
      Write(akcja == "szuflada" ? "SZUFLADA" : "WYSWIETLACZ wyczyszczony");
    } else if (e.name == "rabat") {
      const double d = Number(a("wartosc"));
      AddLine({"RABAT " + a("nazwa"), 1, d, d, "A", true});
    } else {
      Refuse("nieznany element " + e.name);
    }
  }
}

}  // namespace hurt::fiscal_sim
