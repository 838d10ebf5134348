// The list of the month's documents and the amount search, driven through the headless
// console over a station with every table open.
#include <gtest/gtest.h>

#include "catalogues/catalogue_fixture.h"
#include "console/keys.h"
#include "invoicing/amount_search.h"
#include "invoicing/document_summary.h"
#include "invoicing/issue_notes_list.h"

namespace hurt::invoicing {
namespace {

namespace key = console::key;
using catalogues::testing::Fields;
using xbase::Value;

class SummaryTest : public catalogues::testing::CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    s().set_stacja(1);
  }
  xbase::WorkArea& Dowod() { return Area(6); }
  // A posted header; the class RS unless given.
  uint32_t Header(const std::string& rd, int nrd, int day, double netto, double vat, Fields more = {}) {
    Fields f{{"R_P", Value("R")}, {"S_Z", Value("S")}, {"RD", Value(rd)},
             {"NRD", Value(std::string(8 - std::to_string(nrd).size(), ' ') + std::to_string(nrd))},
             {"DATA", Value(xbase::Date{JulianFromYmd(2024, 3, day)})}, {"MAG", Value("1")}, {"KTO", Value("O")},
             {"ODB", Value("KOWAL")}, {"NODB", Value("KOWALSKI")}, {"NETTO", Value(netto)}, {"VAT", Value(vat)},
             {"SPZ", Value("G")}};
    for (auto& m : more) {
      bool replaced = false;
      for (auto& x : f) {
        if (x.first == m.first) x.second = m.second, replaced = true;
      }
      if (!replaced) f.push_back(m);
    }
    Add(Dowod(), f);
    return Dowod().recno();
  }
  std::string Zap(uint32_t recno) {
    EXPECT_TRUE(Dowod().GoTo(recno).ok());
    auto v = Dowod().Get("ZAP");
    return v.ok() ? v->AsString() : "?";
  }
  bool RunSummary() {
    return d.Run([&](console::Console&) { ZestawienieDowodow(s()); });
  }
  void ExpectMessage(const std::string& text) {
    d.Then([this, text] { EXPECT_TRUE(d.Contains(text)) << d.Dump(); }).Key(key::kSpace);
  }
  // The kinds of the rows shown, top down.
  std::vector<std::string> KindsShown() {
    std::vector<std::string> out;
    for (int row = 3; row < 23; ++row) {
      const std::string kind = d.TextAt(row, 0, 3);
      if (kind == "   ") break;
      out.push_back(kind);
    }
    return out;
  }
  std::unique_ptr<xbase::WorkAreas> other;
};

TEST_F(SummaryTest, DocumentsByKindOrByDateAndFiltered) {
  Header("WZ ", 2, 10, 100.00, 23.00);
  Header("FV ", 1, 14, 200.00, 46.00);
  Header("PZ ", 1, 12, 50.00, 11.50, {{"R_P", Value("P")}, {"S_Z", Value("Z")}, {"ODB", Value("DOSTAWCA")}});
  std::vector<std::string> by_kind, by_date, filtered, by_customer;
  d.Then([&] {
    by_kind = KindsShown();
    EXPECT_NE(d.Line(3).find("246.00"), std::string::npos) << d.Dump();  // gross = net + VAT
  });
  d.Key(key::F(3)).Then([&] { by_date = KindsShown(); });
  d.Key(key::F(6)).Type("WZ").Key(key::kEnter).Key(key::kEnter).Then([&] {
    filtered = KindsShown();
    EXPECT_TRUE(d.Contains("rodzaj: WZ"));
  });
  d.Key(key::F(6)).Key(key::kCtrlY).Key(key::kEnter).Type("DOST").Key(key::kEnter).Then([&] { by_customer = KindsShown(); });
  // Nothing of the kind: said, and every document shown again.
  d.Key(key::F(6)).Type("KP").Key(key::kEnter).Key(key::kCtrlY).Key(key::kEnter);
  ExpectMessage("NIE ZNALAZŁEM");
  d.Key(key::kEsc);
  ASSERT_TRUE(RunSummary());
  EXPECT_EQ(by_kind, (std::vector<std::string>{"FV ", "PZ ", "WZ "}));
  EXPECT_EQ(by_date, (std::vector<std::string>{"WZ ", "PZ ", "FV "}));
  EXPECT_EQ(filtered, (std::vector<std::string>{"WZ "}));
  EXPECT_EQ(by_customer, (std::vector<std::string>{"PZ "}));
  EXPECT_TRUE(Dowod().filter().empty()) << "the table is left unfiltered";
}

TEST_F(SummaryTest, SpaceMarksAnIssueNoteForInvoicingAndRefusesOthers) {
  const uint32_t fv = Header("FV ", 1, 14, 200.00, 46.00);
  const uint32_t wz = Header("WZ ", 2, 10, 100.00, 23.00);
  const uint32_t invoiced = Header("WZ ", 3, 11, 10.00, 2.30, {{"R_RD", Value("FV ")}, {"R_NRD", Value("       1")}});
  const uint32_t internal = Header("WZ ", 4, 11, 10.00, 0.0, {{"S_Z", Value("D")}});
  d.Key(' ');  // FV 1, the first row
  ExpectMessage("FV-1 to nie WZ - do faktury zaznacza sie tylko WZ");
  d.Key(key::kDown).Key(' ').Then([&] {
    EXPECT_EQ(Zap(wz), "\xFB");
    EXPECT_NE(d.Line(4).find("*"), std::string::npos) << d.Dump();
  });
  d.Key(key::kDown).Key(' ');
  ExpectMessage("WZ-3 jest na fakturze FV-1");
  d.Key(key::kDown).Key(' ');
  ExpectMessage("WZ-4 to nie WZ - do faktury zaznacza sie tylko WZ");
  d.Key(key::kUp).Key(key::kUp).Key(' ').Then([&] { EXPECT_EQ(Zap(wz), " "); });
  d.Key(key::kEsc);
  ASSERT_TRUE(RunSummary());
  EXPECT_EQ(Zap(fv), " ");
  EXPECT_EQ(Zap(invoiced), " ");
  EXPECT_EQ(Zap(internal), " ");
}

TEST_F(SummaryTest, ANoteAnotherStationHoldsIsNotMarked) {
  const uint32_t wz = Header("WZ ", 2, 10, 100.00, 23.00);
  d.Then([&] {
    other = std::make_unique<xbase::WorkAreas>(env);
    auto a = other->Open(6, Dowod().path(), "dowod_2");
    ASSERT_TRUE(a.ok()) << a.status().ToString();
    ASSERT_TRUE((*a)->GoTo(wz).ok());
    ASSERT_TRUE((*a)->LockRecord().ok());
  });
  d.Key(' ').Wait(6000);  // the lock is tried for 5 seconds
  ExpectMessage("Dowód WZ-2 zajęty - bez zmian");
  d.Key(key::kEsc);
  ASSERT_TRUE(RunSummary());
  other.reset();
  EXPECT_EQ(Zap(wz), " ");
}

TEST_F(SummaryTest, TheListIsPrintedAsShown) {
  Header("WZ ", 2, 10, 100.00, 23.00);
  Header("FV ", 1, 14, 200.00, 46.00);
  d.Key(key::F(9));
  d.Then([&] {
    EXPECT_TRUE(d.Contains("ZESTAWIENIE DOWODOW")) << d.Dump();
    EXPECT_TRUE(d.Contains("Razem dowodow: 2"));
    EXPECT_TRUE(d.Contains("369.00"));  // 246.00 + 123.00
  });
  d.Key(key::kEsc).Key(key::kEsc);
  ASSERT_TRUE(RunSummary());
}

TEST_F(SummaryTest, TheAmountSearchFindsGrossNetOrVatToTheGrosz) {
  Header("FV ", 1, 14, 200.00, 46.00);
  Header("FV ", 2, 14, 123.00, 28.29);
  Header("WZ ", 7, 10, 100.00, 23.00);
  Header("KFV", 1, 12, -100.00, -23.00, {{"R_P", Value("K")}});
  std::string found_vat;
  // 123.00: the gross of WZ 7, the net of FV 2, the correction's gross in size.
  d.Type("123").Key(key::kEnter).Then([&] {
    EXPECT_TRUE(d.Contains("ZNALEZIONE DOWODY: 3")) << d.Dump();
    EXPECT_TRUE(d.Contains("KFV"));
  });
  d.Key(key::kEsc);
  ASSERT_TRUE(d.Run([&](console::Console&) { SzukanieKwoty(s(), false); }));
  // 28.29 is FV 2's VAT only; 28.30 nothing.
  d.Type("28.29").Key(key::kEnter).Then([&] { EXPECT_TRUE(d.Contains("ZNALEZIONE DOWODY: 1")) << d.Dump(); });
  d.Key(key::kEsc);
  ASSERT_TRUE(d.Run([&](console::Console&) { SzukanieKwoty(s(), false); }));
  d.Type("28.3").Key(key::kEnter);
  ExpectMessage("NIE ZNALAZŁEM");
  ASSERT_TRUE(d.Run([&](console::Console&) { SzukanieKwoty(s(), false); }));
  // By number: no amount, a part of the number.
  d.Key(key::kEnter).Type("7").Key(key::kEnter).Then([&] {
    EXPECT_TRUE(d.Contains("ZNALEZIONE DOWODY: 1")) << d.Dump();
    EXPECT_TRUE(d.Contains("WZ "));
  });
  d.Key(key::kEsc);
  ASSERT_TRUE(d.Run([&](console::Console&) { SzukanieKwoty(s(), true); }));
}

}  // namespace
}  // namespace hurt::invoicing
