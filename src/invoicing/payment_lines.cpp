#include "invoicing/payment_lines.h"

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/text.h"
#include "invoicing/printer_codes.h"

namespace hurt::invoicing {

namespace {

using namespace hurt::literals;

enum class DueLine { kNone, kIssueDate, kDueDate };

struct Method {
  std::string text;  // code page 852, fixed texts not yet overstruck
  bool fixed = true; // a fixed text (overstruck) rather than a file's text
  DueLine due = DueLine::kNone;
  bool cash = false;
};

std::string Days(int tez) { return Str(tez, 3, 0); }

bool HasText(const std::optional<std::string>& file) { return file.has_value() && !IsBlank(*file); }

std::string FileText(const std::string& text) {
  std::string out = AllTrim(text);
  size_t end = out.find_first_of("\r\n");
  return Printable(end == std::string::npos ? out : RTrim(out.substr(0, end)));
}

Method MethodOf(const PaymentInput& in, char spz, int tez) {
  auto deferred_cash = [&] {
    return Method{std::string("gotówka z przesuniętym terminem płatności do "_pl) + Days(tez) + " dni", true,
                  DueLine::kDueDate, true};
  };
  switch (spz) {
    case 'G':
      return {in.slovak ? "platba vhotovosti" : std::string("gotówka"_pl), true, DueLine::kIssueDate, true};
    case 'C':
      return {std::string("karta płatnicza"_pl), true, DueLine::kIssueDate, false};
    case 'T':
      return deferred_cash();
    case 'H':
      if (!in.spz_h_txt.has_value()) return deferred_cash();
      return {HasText(in.spz_h_txt) ? FileText(*in.spz_h_txt) : "POBRANIE", !HasText(in.spz_h_txt), DueLine::kNone,
              true};
    case 'P':
      if (tez == 0 && HasText(in.spz_p_txt)) return {FileText(*in.spz_p_txt), false, DueLine::kNone, false};
      return {in.slovak ? "bankovym prevodom" : "przelew", true, DueLine::kDueDate, false};
    case 'N':
      if (tez == 0 && HasText(in.spz_n_txt)) return {FileText(*in.spz_n_txt), false, DueLine::kNone, false};
      return {std::string("przedpłata"_pl), true, DueLine::kNone, false};
    case 'F':
      return {"przelew  ( FAKTORING )", true, DueLine::kDueDate, false};
    case 'K':
      return {"kompensata", true, DueLine::kNone, false};
    case 'B':
      return {std::string("bezgotówkowo"_pl), true, DueLine::kNone, false};
    case 'D':
      return {"darowizna", true, DueLine::kNone, false};
    default:
      return {std::string(1, spz), false, DueLine::kNone, false};
  }
}

std::string TransportText(char transport) {
  switch (transport) {
    case 'W':
    case 'N':
      return "TRANSPORT NABYWCY";
    case 'S':
      return "TRANSPORT SPRZEDAWCY";
    case 'M':
      return "TRANSPORT MIESZANY (SPRZEDAWCY i NABYWCY)";
    default:
      return {};
  }
}

}  // namespace

std::vector<std::string> PlatnoscNaFv(const PaymentInput& in) {
  char spz = in.spz;
  int tez = in.tez;
  if (spz == ' ' || spz == '\0') {
    spz = 'G';
    tez = 0;
  }
  Method method = MethodOf(in, spz, tez);
  if (method.cash && in.vouchers) method.text += " + bony";

  std::vector<std::string> out;
  std::string method_label = in.slovak ? "Sposob platby:  " : Overstrike("Sposób zapłaty:  "_pl);
  out.push_back(method_label + (method.fixed ? Overstrike(method.text) : method.text));

  std::string due_label = in.slovak ? "Termin platby:  " : Overstrike("Termin zapłaty:  "_pl);
  std::string date_end = in.slovak ? "r" : "";
  if (method.due == DueLine::kIssueDate && !in.faktura_do_paragonu) {
    out.push_back(due_label + Dtoc(in.data) + date_end);
  } else if (method.due == DueLine::kDueDate) {
    std::string line = due_label + Dtoc(in.data == kEmptyDate ? kEmptyDate : in.data + tez) + date_end;
    if (!in.slovak) line += " (" + Days(tez) + " dni )";
    out.push_back(line);
  }

  std::string transport = TransportText(in.transport);
  if (!transport.empty()) out.push_back("Odbior        :  " + transport);
  return out;
}

}  // namespace hurt::invoicing
