#include "catalogues/kind_catalogue.h"

#include <string>

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/text.h"
#include "catalogues/common.h"
#include "catalogues/record_catalogue.h"
#include "session/helpers.h"
#include "session/output/report_file.h"
#include "session/output/report_paths.h"
#include "session/session.h"
#include "store/schema.h"

namespace hurt::catalogues {

using namespace hurt::literals;

namespace {

constexpr int kPpArea = 231;  // a scratch area of the catalogues

xbase::WorkArea* DowodArea(session::Session& s) { return s.areas().Area(store::Table(store::TableId::kDowod).area); }

// The highest number the period's documents of kind `rd` carry (0: none). Order 1 of
// dowod is rd+nrd+recno, numbers right-aligned, so the last key of the kind is the highest.
long HighestNumber(session::Session& s, std::string_view rd) {
  xbase::WorkArea* dowod = DowodArea(s);
  if (dowod == nullptr || dowod->order_count() < 1) return 0;
  AreaKeep keep(*dowod);
  keep.Unfiltered();
  const std::string code = PadR(rd, 3);
  if (!dowod->SetOrder(1).ok()) return 0;
  (void)dowod->SeekKey(code + "~", true);
  if (dowod->eof()) {
    (void)dowod->GoBottom();
  } else {
    (void)dowod->Skip(-1);
  }
  if (dowod->bof() || dowod->eof() || FieldText(*dowod, "RD") != code) return 0;
  return static_cast<long>(Val(FieldText(*dowod, "NRD")));
}

// The period holds a document of kind `rd`.
bool HasDocuments(session::Session& s, std::string_view rd) {
  xbase::WorkArea* dowod = DowodArea(s);
  if (dowod == nullptr || dowod->order_count() < 1) return false;
  AreaKeep keep(*dowod);
  keep.Unfiltered();
  if (!dowod->SetOrder(1).ok()) return false;
  auto found = dowod->SeekKey(PadR(rd, 3));
  return found.ok() && *found;
}

std::function<std::string(std::string&)> Letters(std::string_view allowed) {
  return [allowed](std::string& v) { return OneOf(v, allowed); };
}

RecordCatalogue KindCatalogue(session::Session& s, bool jpk) {
  RecordCatalogue c;
  c.title = jpk ? "           PARAMETRY DOWODOW DO JPK" : "           RODZAJE DOWODOW";
  c.panel_rows = 13;
  c.fields = {
      {"RD", "Rodzaj dowodu     :", 0, 0, "!!!", 0, "Kod rodzaju dowodu (np. FV, WZ, PZ) - 3 znaki, niepowtarzalny",
       [](std::string& v) -> std::string {
         v = PadR(AllTrim(v), 3);
         if (IsBlank(v)) return "Kod nie moze byc pusty";
         if (AllTrim(v) == "!!") return "Kod !! jest zastrzezony (dowody przerwane)";
         return "";
       }},
      {"NRD", "Ostatni numer :", 0, 30, "99999999", 0, "Ostatni nadany numer - nastepny dowod dostanie o jeden wiekszy", nullptr},
      {"OPIS", "Opis              :", 1, 0, "", 59, "Nazwa rodzaju; znaczniki w opisie zmieniaja dzialanie (DYSK, [NRD], EXPORT...)",
       nullptr},
      {"R_P", "Ruch (R,P,M,K)    :", 2, 0, "!", 0, "R - rozchod, P - przychod, M - przesuniecie, K - korekta", Letters("RPMK")},
      {"S_Z", "Rodzaj (S,Z,D,X,Y):", 2, 25, "!", 0,
       "S - sprzedaz, Z - zakup, D - magazynowy, X/Y - laczony, pusty - dowod kasowy", Letters("SZDXY ")},
      {"CUV", "Ceny (C,U,V):", 2, 50, "!", 0, "C - ceny zakupu, U - ceny sprzedazy z upustem, V - z narzutem", Letters("CUV ")},
      {"NB", "Ceny netto/brutto :", 3, 0, "!", 0, "N - ceny pozycji netto, B - ceny pozycji brutto", Letters("NB ")},
      {"KTO", "Kartoteka (O,D,P,F):", 3, 25, "!", 0, "O - odbiorcy, D - dostawcy, P - pracownicy, F - pozostali",
       Letters("ODPF")},
      {"MAG", "Magazyn     :", 3, 50, "!", 0, "Magazyn domyslny rodzaju; pusty lub 0 - brak", nullptr},
      {"POZIOM", "Poziom cen        :", 4, 0, "9", 0, "Poziom ceny sprzedazy rodzaju (0 - jak w ustawieniach)", nullptr},
      {"UZGODNIC", "Uzgadniac (T/N)    :", 4, 25, "!", 0, "N - dowod magazynowy zablokowany do poprawiania", Letters("TN ")},
      {"JPK_N", "JPK netto :", 5, 0, "!!!", 0, "Kolumna pliku JPK dla kwoty netto (np. K19)", nullptr},
      {"JPK_V", "JPK VAT :", 5, 20, "!!!", 0, "Kolumna pliku JPK dla kwoty VAT (np. K20)", nullptr},
      {"JPK_N2", "netto 2 :", 5, 38, "!!!", 0, "Druga kolumna JPK dla kwoty netto", nullptr},
      {"JPK_V2", "VAT 2 :", 5, 55, "!!!", 0, "Druga kolumna JPK dla kwoty VAT", nullptr},
      {"JPK_XX", "Oznaczenia JPK    :", 6, 0, "@!", 0, "Oznaczenia dowodow w JPK (GTU_nn; MPP; TP; ...)", nullptr},
      {"TYP_DOK", "Typ dokumentu JPK :", 6, 45, "@!", 0, "Typ dokumentu w JPK (np. RO, WEW, FP)", nullptr},
      {"KSEF_TN", "KSeF (T/N)  :", 4, 50, "!", 0, "T - faktury tego rodzaju wysylane do KSeF", Letters("TN ")},
      {"GRUPA", "Grupa             :", 7, 0, "@!", 0, "Kategoria rodzaju", nullptr},
      {"GR_RD", "Grupa rodzajow :", 7, 30, "@!", 0, "Grupa rodzajow dowodow", nullptr},
      {"BANK", "Bank :", 7, 60, "@!", 0, "Bank rodzaju", nullptr},
      {"WN", "Konto Wn          :", 8, 0, "", 0, "Konto Wn dla ksiegowosci", nullptr},
      {"MA", "Konto Ma    :", 8, 40, "", 0, "Konto Ma dla ksiegowosci", nullptr},
      {"N_WN", "Netto Wn          :", 9, 0, "", 0, "Konto Wn kwoty netto", nullptr},
      {"N_MA", "Netto Ma    :", 9, 40, "", 0, "Konto Ma kwoty netto", nullptr},
      {"V_WN", "VAT Wn            :", 10, 0, "", 0, "Konto Wn kwoty VAT", nullptr},
      {"V_MA", "VAT Ma      :", 10, 40, "", 0, "Konto Ma kwoty VAT", nullptr},
      {"N_RR_WN", "Rolnik netto Wn   :", 11, 0, "", 0, "Konto Wn netto zakupu od rolnika", nullptr},
      {"N_RR_MA", "Rolnik Ma   :", 11, 40, "", 0, "Konto Ma netto zakupu od rolnika", nullptr},
      {"KOMU", "Komu              :", 12, 0, "@!", 0, "Kod odbiorcy przypisany do rodzaju", nullptr},
  };
  c.columns = {{"Rd", "RD", 3},  {"Opis", "OPIS", 44}, {"R", "R_P", 1}, {"S", "S_Z", 1}, {"C", "CUV", 1},
               {"N", "NB", 1},   {"K", "KTO", 1},      {"M", "MAG", 1}, {"Ostatni nr", "NRD", 10}};
  if (jpk) {
    std::vector<std::string_view> names;
    for (const RecordField& f : c.fields) names.push_back(f.name);
    c.editable = [names](size_t i) {
      const std::string_view n = names[i];
      return n.starts_with("JPK_") || n == "TYP_DOK" || n == "KSEF_TN";
    };
  }
  c.key_changeable = [&s](xbase::WorkArea& slow) { return !HasDocuments(s, FieldText(slow, "RD")); };
  c.check = [&s](const RecordBuffer& now, const RecordBuffer* before) -> std::string {
    const long highest = HighestNumber(s, now[0]);
    const long counter = static_cast<long>(Val(now[1]));
    const bool counter_changed = before == nullptr || (*before)[1] != now[1];
    if (counter_changed && counter < highest) {
      return "Sa juz dowody " + AllTrim(now[0]) + " do numeru " + std::to_string(highest) + " - licznik za maly";
    }
    return "";
  };
  c.delete_refusal = [&s](xbase::WorkArea& slow) -> std::string {
    if (HasDocuments(s, FieldText(slow, "RD"))) return "Sa dowody tego rodzaju - nie kasuje";
    return "";
  };
  c.print = [](session::ReportWriter& out, xbase::WorkArea& slow) {
    out.Line(session::Centruj("RODZAJE DOWODOW"));
    out.Line("");
    out.Line("Rd  Opis                                          R S C N K M  Ostatni nr  JPK");
    out.Line(std::string(86, '-'));
    (void)slow.GoTop();
    while (!slow.eof()) {
      std::string line = PadR(FieldText(slow, "RD"), 3) + " " + PadR(FieldText(slow, "OPIS"), 45) + " ";
      for (std::string_view f : {"R_P", "S_Z", "CUV", "NB", "KTO", "MAG"}) line += PadR(FieldText(slow, f), 1) + " ";
      line += Str(FieldNumber(slow, "NRD"), 11) + "  " + AllTrim(FieldText(slow, "JPK_N")) + " " +
              AllTrim(FieldText(slow, "JPK_V"));
      out.Line(RTrim(line));
      if (!slow.Skip(1).ok()) break;
    }
  };
  return c;
}

// An amount typed into the text field KWOTA: a number above zero, digits with at most one
// decimal point or comma ("1,234.5" would read as 1.23), written right-aligned with two
// decimals in the field's width.
std::string ValidAmount(std::string& v) {
  std::string t = AllTrim(v);
  int separators = 0;
  for (char& ch : t) {
    if (ch == ',') ch = '.';
    if (ch == '.') ++separators;
  }
  const double amount = NewRound(Val(t), 2);
  bool digits = !t.empty() && separators <= 1;
  for (char ch : t) digits = digits && ((ch >= '0' && ch <= '9') || ch == '.');
  if (!digits || amount <= 0) return "Kwota musi byc liczba wieksza od zera";
  const std::string written = Str(amount, static_cast<int>(v.size()), 2);
  if (written.find('*') != std::string::npos) return "Kwota za duza";
  v = written;
  return "";
}

RecordCatalogue TransferCatalogue() {
  RecordCatalogue c;
  c.title = "           POLECENIA PRZELEWU";
  c.panel_rows = 11;
  c.has_key = false;
  c.fields = {
      {"O_NODB", "Zleceniodawca      :", 0, 0, "", 0, "Nazwa zleceniodawcy (1 wiersz)", nullptr},
      {"O_NODB1", "                   :", 1, 0, "", 0, "Nazwa zleceniodawcy (2 wiersz)", nullptr},
      {"O_LK", "Rachunek zlecen.   :", 2, 0, "99", 0, "Cyfry kontrolne rachunku zleceniodawcy", nullptr},
      {"O_NRBO", "", 2, 23, "99999999", 0, "Numer rozliczeniowy banku zleceniodawcy", nullptr},
      {"O_NRBO1", "", 2, 33, "", 0, "Numer rachunku zleceniodawcy", nullptr},
      {"O_NRBO_R", "", 2, 52, "", 0, "Dalsza czesc numeru rachunku", nullptr},
      {"Z_NODB", "Odbiorca           :", 3, 0, "", 0, "Nazwa odbiorcy przelewu (1 wiersz)", nullptr},
      {"Z_NODB1", "                   :", 4, 0, "", 0, "Nazwa odbiorcy przelewu (2 wiersz)", nullptr},
      {"Z_NRBO", "Rachunek odbiorcy  :", 5, 0, "", 0, "Numer rachunku odbiorcy", nullptr},
      {"KWOTA", "Kwota              :", 6, 0, "", 0, "Kwota przelewu, np. 1234.56", ValidAmount},
      {"WALUTA", "Waluta :", 6, 40, "!!!", 0, "Waluta przelewu; pusta - PLN", nullptr},
      {"TYTUL", "Tytulem            :", 7, 0, "", 0, "Tytul przelewu (1 wiersz)", nullptr},
      {"TYTUL1", "                   :", 8, 0, "", 0, "Tytul przelewu (2 wiersz)", nullptr},
      {"DATA", "Data               :", 9, 0, "", 0, "Data polecenia przelewu", nullptr},
      {"ODB", "Kod kontrahenta :", 9, 40, "!!!!!!!!", 0, "Kod kontrahenta w kartotece", nullptr},
      {"DATA_DR", "Wydrukowano        :", 10, 0, "", 0, "Data wydruku polecenia (pusta - nie drukowane)", nullptr},
  };
  c.columns = {{"Data", "DATA", 10}, {"Odbiorca", "Z_NODB", 27}, {"Kwota", "KWOTA", 12},
               {"Tytulem", "TYTUL", 24}};
  c.print = [](session::ReportWriter& out, xbase::WorkArea& pp) {
    out.Line(session::Centruj("POLECENIA PRZELEWU"));
    out.Line("");
    out.Line("Data       Odbiorca                    Rachunek                            Kwota Tytulem");
    out.Line(std::string(110, '-'));
    double sum = 0;
    (void)pp.GoTop();
    while (!pp.eof()) {
      sum += Val(FieldText(pp, "KWOTA"));
      out.Line(RTrim(Dtoc(FieldDate(pp, "DATA")) + " " + PadR(FieldText(pp, "Z_NODB"), 27) + " " +
                     PadR(FieldText(pp, "Z_NRBO"), 27) + " " + PadL(AllTrim(FieldText(pp, "KWOTA")), 12) + " " +
                     FieldText(pp, "TYTUL")));
      if (!pp.Skip(1).ok()) break;
    }
    out.Line(std::string(110, '-'));
    out.Line(PadR("Razem:", 56) + Str(NewRound(sum, 2), 12, 2));
  };
  return c;
}

}  // namespace

bool DbuRd(session::Session& s, bool jpk) {
  xbase::WorkArea* slow = s.areas().Area(store::Table(store::TableId::kSlow).area);
  if (slow == nullptr) {
    Warning(s, "Plik slow.dbf niedostepny", 3);
    return false;
  }
  const RecordCatalogue catalogue = KindCatalogue(s, jpk);
  RunRecordCatalogue(s, *slow, catalogue);
  return true;
}

bool DbuPp(session::Session& s) {
  const std::string path = session::FindFileAnyCase(s.env(), s.root(), "pp.dbf");
  if (path.empty()) {
    Warning(s, "Brak pliku pp.dbf", 3);
    return false;
  }
  auto opened = s.areas().Open(kPpArea, path, "pp_dbf");
  if (!opened.ok()) {
    Warning(s, "Plik pp.dbf niedostepny", 3);
    return false;
  }
  const RecordCatalogue catalogue = TransferCatalogue();
  RunRecordCatalogue(s, **opened, catalogue);
  (void)s.areas().Close(kPpArea);
  return true;
}

}  // namespace hurt::catalogues
