// The payment demand and the reminder as printed, compared byte for byte with the files
// in tests/golden/ (overstruck letters and CR LF included): two invoices of one customer,
// one overdue and one not yet due, and an invoice in euro.
//
// After a deliberate change of a letter, rewrite the files with
//   HURT_UPDATE_GOLDEN=1 build/release/tests/test_settlements_unit --gtest_filter='Letters*'
// and read them with tests/golden/show_prn.py before committing.
#include "settlements/payment_demand.h"

#include <gtest/gtest.h>


#include "base/cp852.h"
#include "base/printed_text.h"
#include "support/golden.h"

namespace hurt::settlements {
namespace {

using namespace hurt::literals;

void ExpectGolden(const std::string& name, const std::vector<std::string>& lines) {
  std::string actual;
  for (const std::string& l : lines) actual += l + "\r\n";
  testing::ExpectGolden(name, actual);
}

JulianDay Day(int y, int m, int d) { return JulianFromYmd(y, m, d); }

OpenItem Invoice(std::string rd, std::string nrd, JulianDay data, JulianDay termin, double wn, double ma) {
  OpenItem i;
  i.r_p = "R";
  i.rd = std::move(rd);
  i.nrd = std::move(nrd);
  i.data = data;
  i.termin = termin;
  i.mag = "1";
  i.kto = "O";
  i.odb = "JAS     ";
  i.obwn = wn;
  i.obma = ma;
  return i;
}

// Today 20.03.2024 at 11.25 %: FV 1 partly paid and 12 days late, FV 2 due in nine days,
// FE 3 of 100 EUR at 4.30 eight days late.
Letter Sample(LetterKind kind) {
  const std::vector<InterestRate> rates = {{Day(2023, 10, 5), 11.25}};
  Letter l;
  l.kind = kind;
  l.today = Day(2024, 3, 20);
  l.firm = {"HURTOWNIA TESTOWA SP. Z O.O.", "", "ul. Łąkowa 5", "45-001", "Opole", "754-000-11-22",
            "Bank Śląski O/Opole", "12 1050 0000 0000 0000 0000 0000"};
  l.party = {"Market Osiedlowy Jaś", "Jan Kowalczyk", "os. Słoneczne 2", "47-100", "Strzelce Opolskie"};
  for (std::string* t : {&l.firm.uodb, &l.firm.bodb, &l.party.nodb, &l.party.uodb}) *t = Utf8ToCp852(*t);
  OpenItem fe = Invoice("FE ", "       3", Day(2024, 3, 5), Day(2024, 3, 12), 100, 0);
  fe.waluta = "EUR";
  fe.kurs = 4.30;
  for (const OpenItem& i : {Invoice("FV ", "       1", Day(2024, 3, 1), Day(2024, 3, 8), 1230, 230),
                            Invoice("FV ", "       2", Day(2024, 3, 15), Day(2024, 3, 29), 500, 0), fe}) {
    l.items.push_back(LetterItemOf(i, l.today, rates));
  }
  l.informacji = "Anna Nowak";
  l.telefon = "77 441 20 11";
  return l;
}

TEST(Letters, TheItemsOfALetter) {
  const Letter l = Sample(LetterKind::kWezwanie);
  ASSERT_EQ(l.items.size(), 3u);
  EXPECT_DOUBLE_EQ(l.items[0].kwota, 1230);
  EXPECT_DOUBLE_EQ(l.items[0].zostalo, 1000);
  EXPECT_DOUBLE_EQ(l.items[0].odsetki, 3.70);  // 1000 × 11.25 % × 12 / 365
  EXPECT_DOUBLE_EQ(l.items[1].odsetki, 0);     // not yet due
  EXPECT_DOUBLE_EQ(l.items[2].zostalo, 430);   // 100 EUR at 4.30
  EXPECT_DOUBLE_EQ(l.items[2].odsetki, 1.06);  // 430 × 11.25 % × 8 / 365
  EXPECT_EQ(l.items[2].waluta, "EUR");
  // Without a due date the booking date stands for it.
  OpenItem open = Invoice("FV ", "       9", Day(2024, 3, 1), kEmptyDate, 10, 0);
  EXPECT_EQ(LetterItemOf(open, l.today, {}).termin, Day(2024, 3, 1));
}

TEST(Letters, Demand) {
  Letter l = Sample(LetterKind::kWezwanie);
  ExpectGolden("wezwanie.prn", LetterLines(l));
  // The warning line only when asked for; the legal office's text in place of the request.
  const std::string warning = OverstrikeLAndAcute("** Z OSTRZEŻENIEM O WPISIE DO OFICJALNEGO REJESTRU DŁUŻNIKÓW **"_pl);
  auto has = [](const std::vector<std::string>& lines, const std::string& text) {
    for (const std::string& line : lines) {
      if (line.find(text) != std::string::npos) return true;
    }
    return false;
  };
  EXPECT_FALSE(has(LetterLines(l), warning));
  l.rejestr_dluznikow = true;
  l.legal_text = {"Kancelaria Prawna X wzywa do zaplaty w terminie 7 dni."};
  const std::vector<std::string> legal = LetterLines(l);
  EXPECT_TRUE(has(legal, warning));
  EXPECT_TRUE(has(legal, "Kancelaria Prawna X wzywa do zaplaty w terminie 7 dni."));
  EXPECT_FALSE(has(legal, OverstrikeLAndAcute("Wzywamy do niezwłocznej zapłaty"_pl)));
}

TEST(Letters, Reminder) { ExpectGolden("przypomnienie.prn", LetterLines(Sample(LetterKind::kPrzypomnienie))); }

}  // namespace
}  // namespace hurt::settlements
