// The VAT register's repairs on the lines it counts (a blank NB written as "N", or "B" on
// the daily-sales kind; a line held by another station counted but left alone), the
// rounding correction of retail receipts, and the missing-numbers report of the month.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "documents/posting_fixture.h"
#include "reports/missing_numbers.h"
#include "reports/vat_register.h"

namespace hurt::reports {
namespace {

using documents::testing::AddRecord;
using documents::testing::PostingTest;
using documents::testing::Station;
using documents::testing::Txt;
using store::TableId;
using xbase::Value;

const JulianDay kDay = JulianFromYmd(2026, 3, 14);

class VatRegisterRepairs : public PostingTest {
 protected:
  VatRegisterRepairs() {
    Kind("FV", 'R', 'S');
    Kind("SD", 'R', 'S');
    Kind("RU", 'R', 'S');
    Kind("PZ", 'P', 'Z', "", 0, 'D');
  }

  // A document line; `nb` as stored (" " blank).
  void Dow(const std::string& rd, int nrd, const std::string& nb, double wartosc, double podatek,
           const std::string& rate = "23", JulianDay day = kDay) {
    const bool sale = rd != "PZ";
    AddRecord(A(TableId::kDow), {{"R_P", sale ? "R" : "P"},
                                 {"S_Z", sale ? "S" : "Z"},
                                 {"RD", PadR(rd, 3)},
                                 {"NRD", Str(nrd, 8)},
                                 {"DATA", xbase::Date{day}},
                                 {"MAG", "1"},
                                 {"LP", PadL(std::to_string(++lp_), 3)},
                                 {"ODB", "K1"},
                                 {"INDEKS", "A1"},
                                 {"NAZWA", "TOWAR"},
                                 {"ILOSC", 1.0},
                                 {"NB", nb},
                                 {"WARTOSC", wartosc},
                                 {"PODATEK0", rate},
                                 {"PODATEK", podatek}});
  }
  // The NB of every line of dow, in record order (a blank one as " ").
  std::string NbColumn() {
    xbase::WorkArea& dow = A(TableId::kDow);
    std::string out;
    (void)dow.SetOrder(0);
    for (Status st = dow.GoTop(); st.ok() && !dow.eof(); st = dow.Skip(1)) out += Txt(dow, "NB");
    return out;
  }
  RegisterResult Register(const std::string& rd, JulianDay from = kDay, JulianDay to = kDay) {
    RegisterRequest req;
    req.from = from;
    req.to = to;
    req.rd = PadR(rd, 3);
    auto r = ComputeRegister(s(), req, [](const RegisterDocument&) {});
    EXPECT_TRUE(r.ok()) << r.status().ToString();
    return r.ok() ? *r : RegisterResult{};
  }

  int lp_ = 0;
};

TEST_F(VatRegisterRepairs, ABlankNbOfASaleIsWrittenBeforeTheLineIsCounted) {
  Dow("FV", 1, " ", 100, 23);  // net: 100 + 23
  Dow("SD", 1, " ", 123, 23);  // daily sales, gross: 100 + 23
  Dow("PZ", 1, " ", 50, 11.5);  // a purchase: not a sales line, not in this register
  const RegisterResult r = Register("FV");
  EXPECT_EQ(r.nb_not_repaired, 0);
  EXPECT_DOUBLE_EQ(r.total.Net(), 200);
  EXPECT_DOUBLE_EQ(r.total.Vat(), 46);
  EXPECT_DOUBLE_EQ(r.total.gross, 246);
  EXPECT_EQ(NbColumn(), "NB ");  // the purchase's NB stays blank
  // A second run finds nothing to repair and counts the same.
  const RegisterResult again = Register("FV");
  EXPECT_DOUBLE_EQ(again.total.gross, 246);
}

TEST_F(VatRegisterRepairs, InAnArchiveMonthABlankNbIsCountedButNotWritten) {
  Dow("FV", 1, " ", 100, 23);
  Dow("SD", 1, " ", 123, 23);
  s().set_hh_arc("26/02");
  const RegisterResult r = Register("FV");
  EXPECT_EQ(r.nb_not_repaired, 0);  // nothing to tell: the month is not to be changed
  EXPECT_DOUBLE_EQ(r.total.Net(), 200);
  EXPECT_DOUBLE_EQ(r.total.Vat(), 46);
  EXPECT_EQ(NbColumn(), "  ");
}

TEST_F(VatRegisterRepairs, ALineHeldByAnotherStationIsCountedButNotWritten) {
  Dow("FV", 1, " ", 100, 23);
  Dow("SD", 1, " ", 123, 23);
  auto other = OtherStation(2);
  xbase::WorkArea& held = other->Area(TableId::kDow);
  ASSERT_TRUE(held.GoTo(2).ok());
  ASSERT_TRUE(held.LockRecord().ok());
  const RegisterResult r = Register("FV");
  EXPECT_EQ(r.nb_not_repaired, 1);
  EXPECT_DOUBLE_EQ(r.total.Net(), 200);  // the held "SD " line counted as gross all the same
  EXPECT_DOUBLE_EQ(r.total.Vat(), 46);
  EXPECT_EQ(NbColumn(), "N ");
  ASSERT_TRUE(held.Unlock().ok());
  EXPECT_EQ(Register("FV").nb_not_repaired, 0);
  EXPECT_EQ(NbColumn(), "NB");
}

TEST_F(VatRegisterRepairs, ARetailReceiptIsCountedAsTheTillComputedItsVat) {
  // Three lines of 1.00 gross at 23 %: 0.19 VAT each by line, 0.56 on the receipt's 3.00.
  for (int i = 0; i < 3; ++i) Dow("RU", 1, "B", 1, 0.19);
  Dow("RU", 1, "B", 2, 0, "NP");  // not subject: no VAT, left as it is
  RegisterResult r = Register("RU");
  EXPECT_DOUBLE_EQ(r.total.vat[static_cast<size_t>(RateColumn::k23)], 0.56);
  EXPECT_DOUBLE_EQ(r.total.net[static_cast<size_t>(RateColumn::k23)], 2.44);
  EXPECT_DOUBLE_EQ(r.total.net[static_cast<size_t>(RateColumn::kNp)], 2);
  EXPECT_DOUBLE_EQ(r.total.gross, 5);
  // An invoice's gross lines keep their own VAT; so does a receipt from before 2011.
  for (int i = 0; i < 3; ++i) Dow("FV", 1, "B", 1, 0.19);
  EXPECT_DOUBLE_EQ(Register("FV").kinds.at(0).b.Vat(), 0.57);
  const JulianDay old = JulianFromYmd(2010, 12, 31);
  for (int i = 0; i < 3; ++i) Dow("RU", 2, "B", 1, 0.19, "22", old);
  EXPECT_DOUBLE_EQ(Register("RU", old, old).total.Vat(), 0.57);
}

TEST_F(VatRegisterRepairs, AnArticleMetAgainKeepsItsGroupsWithoutBeingSoughtAgain) {
  AddRecord(A(TableId::kAs), {{"MAG", "1"}, {"INDEKS", PadR("A1", 8)}, {"NAZWA", "TOWAR"}, {"GR_TOW", "3"},
                              {"T_W_O_K", "OPA"}});
  Dow("FV", 1, "N", 10, 2.3);
  Dow("FV", 2, "N", 20, 4.6);
  RegisterRequest req;
  req.from = req.to = kDay;
  req.rd = "FV ";
  std::vector<std::string> gtu;
  auto r = ComputeRegister(s(), req, [&](const RegisterDocument& d) { gtu.push_back(d.gtu); });
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(gtu, (std::vector<std::string>{"  1          ", "  1          "}));
  // The group left out: both lines, the second from what the first look-up found.
  req.skip_group = "OPA";
  r = ComputeRegister(s(), req, [](const RegisterDocument&) {});
  ASSERT_TRUE(r.ok());
  EXPECT_DOUBLE_EQ(r->total.gross, 0);
}

TEST(RetailReceipt, OnlyTheColumnsOfGrossLinesAreRecomputed) {
  RateBuckets b;
  b.Add(RateColumn::k23, 2.43, 0.57);
  b.Add(RateColumn::k8, 10, 0.8);
  CorrectRetailReceipt(b, 1u << static_cast<unsigned>(RateColumn::k23));
  EXPECT_DOUBLE_EQ(b.vat[static_cast<size_t>(RateColumn::k23)], 0.56);
  EXPECT_DOUBLE_EQ(b.net[static_cast<size_t>(RateColumn::k23)], 2.44);
  EXPECT_DOUBLE_EQ(b.vat[static_cast<size_t>(RateColumn::k8)], 0.8);
  EXPECT_DOUBLE_EQ(b.gross, 13.8);
}

class MissingNumbersTest : public VatRegisterRepairs {
 protected:
  // A header; `deleted` leaves it deleted as a document in correction is.
  void Header(const std::string& rd, const std::string& nrd, bool deleted = false) {
    xbase::WorkArea& h = A(TableId::kDowod);
    ASSERT_TRUE(h.Append().ok());
    const bool sale = rd != "PZ";
    for (const auto& [field, value] : std::vector<std::pair<std::string, Value>>{
             {"R_P", Value(sale ? "R" : "P")},
             {"S_Z", Value(sale ? "S" : "Z")},
             {"RD", Value(PadR(rd, 3))},
             {"NRD", Value(PadL(nrd, 8))},
             {"DATA", Value(xbase::Date{kDay})},
             {"ODB", Value("SMAKOSZ")},
             {"NETTO", Value(100.0)},
             {"VAT", Value(23.0)},
             {"OPERATOR", Value("A")},
             {"R_DATA", Value(xbase::Date{kDay})},
             {"R_CZAS", Value("09:12:30")}}) {
      ASSERT_TRUE(h.Replace(field, value).ok()) << field;
    }
    if (deleted) {
      ASSERT_TRUE(h.Delete().ok());
    }
    ASSERT_TRUE(h.Unlock().ok());
    ASSERT_TRUE(h.Commit().ok());
  }
  std::vector<std::string> Report() {
    std::vector<std::string> lines;
    const Status st = MissingNumbers(s(), [&](const std::string& l) { lines.push_back(l); });
    EXPECT_TRUE(st.ok()) << st.ToString();
    return lines;
  }
};

TEST_F(MissingNumbersTest, GapsBetweenIssuedNumbersPerKindWithDeletedHeadersNamed) {
  for (const char* n : {"1", "2", "5", "8"}) Header("FV", n);
  Header("FV", "4", true);   // in correction
  Header("FV", "5", true);   // an old copy of a number that is issued: not missing
  Header("FV", "9", true);   // after the last issued number: not a gap
  Header("FV", "A/7");       // not a whole number: not counted
  Header("PZ", "1");
  Header("PZ", "3");
  Header("SD", "2");         // one number only: nothing between
  const std::vector<std::string> lines = Report();
  const std::string deleted = "FV        4 odb: SMAKOSZ, brutto:  123.00, operator:A, " + Dtoc(kDay) +
                              " 09:12 w poprawie lub skasowany";
  const std::vector<std::string> expected = {
      lines.empty() ? std::string() : lines[0],
      "FV        3 brak numeru",
      deleted,
      "FV        6 brak numeru",
      "FV        7 brak numeru",
      "PZ        2 brak numeru",
      "Koniec",
  };
  EXPECT_EQ(lines, expected);
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(lines[0].find(" - brakujace numery dow. sprzedazy i dow. zakupu:"), std::string::npos);
  EXPECT_NE(lines[0].find("Marzec"), std::string::npos) << lines[0];
}

TEST_F(MissingNumbersTest, AGapTooLongForALinePerNumberIsToldInOneLine) {
  Header("FV", "10");
  Header("FV", "12", true);
  Header("FV", "5000");
  const std::vector<std::string> lines = Report();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[1].substr(0, 11), "FV       12");
  EXPECT_EQ(lines[2], "FV       11-4999 brak 4988 numerow");
  // The walk leaves the headers' area as it found it: deleted records hidden again.
  EXPECT_TRUE(A(TableId::kDowod).deleted_hidden());
}

}  // namespace
}  // namespace hurt::reports
