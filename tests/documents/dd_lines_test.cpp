// The line arithmetic on the station's working line table: what is written to the
// 2-decimal fields of `dd` and read back must still add up.
#include "documents/dd_lines.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "base/numeric.h"
#include "base/text.h"
#include "documents/line_record.h"
#include "documents/vat_rate.h"
#include "support/hurt_data.h"
#include "support/temp_dir.h"
#include "xbase/env.h"

namespace hurt::documents {
namespace {

DocKind Kind(char r_p, char s_z, char nb, std::string rd = "FV ") {
  DocKind k;
  k.rd = std::move(rd);
  k.r_p = r_p;
  k.s_z = s_z;
  k.nb = nb;
  return k;
}

class DdLines : public ::testing::Test {
 protected:
  void SetUp() override { Fresh(); }

  // A new empty working table in area 4.
  void Fresh() {
    path_ = dir_ / ("rob/d" + std::to_string(++tables_) + ".dbf");
    testing::MakeTable(path_, store::TableId::kDd);
    auto a = areas_.Open(4, path_, "dd");
    ASSERT_TRUE(a.ok()) << a.status().ToString();
    dd_ = *a;
  }

  // Appends a line written as the line editor leaves it.
  void AddLine(const DocKind& kind, char nb, double ilosc, double cena, const std::string& rate = "23") {
    ASSERT_TRUE(dd_->Append().ok());
    LineEdit e;
    e.ilosc = ilosc;
    e.cena = cena;
    e.c_pp0 = rate;
    LineWhileTyped(e, kind);
    ArticleForLine as;
    as.podatek0 = rate;
    ReplaceContext ctx;
    ctx.kind = kind;
    ctx.nb = nb;
    ASSERT_TRUE(ReplaceDWithPOnDd(*dd_, e, as, ctx).ok());
    ASSERT_TRUE(dd_->Unlock().ok());
  }

  std::vector<DocLine> Lines() {
    std::vector<DocLine> out;
    for ((void)dd_->GoTop(); !dd_->eof(); (void)dd_->Skip(1)) out.push_back(*ReadLine(*dd_));
    return out;
  }

  static std::string Money(double x) { return FormatFixed(x, 2); }

  testing::TempDir dir_;
  int tables_ = 0;
  std::string path_;
  xbase::WorkAreas areas_{xbase::RealEnv()};
  xbase::WorkArea* dd_ = nullptr;
};

const DocKind kNetSale = Kind('R', 'S', 'N');
const DocKind kGrossSale = Kind('R', 'S', 'B', "PA ");

TEST_F(DdLines, ReplaceWritesTheLineRecord) {
  AddLine(kGrossSale, 'B', 3, 9.99);
  const DocLine l = Lines().at(0);
  EXPECT_EQ(Money(l.brutto), "29.97");
  EXPECT_EQ(Money(l.podatek), "5.60");  // round(29.97 × 23 / 123, 2)
  EXPECT_EQ(Money(l.wartosc), "29.97");
  EXPECT_EQ(l.nb, 'B');
  EXPECT_EQ(l.podatek0, "23");
}

TEST_F(DdLines, TheTotalReconcilesAndWritesTheVatBack) {
  for (int i = 0; i < 3; ++i) AddLine(kNetSale, 'N', 1, 0.10);
  ASSERT_TRUE(dd_->GoTo(2).ok());
  JakaWartoscInput in;
  in.kind = kNetSale;
  in.nb = 'N';
  in.reason = kReasonPost;
  auto r = JakaWartoscOnDd(*dd_, in);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(Money(r->total), "0.37");
  EXPECT_EQ(dd_->recno(), 2u);  // the work area stays on its record
  const std::vector<DocLine> lines = Lines();
  EXPECT_EQ(Money(lines[0].podatek), "0.03");
  EXPECT_EQ(Money(lines[0].brutto), "0.13");
  EXPECT_EQ(Money(lines[1].podatek), "0.02");
  EXPECT_EQ(Money(lines[2].podatek), "0.02");
  // Taken again, the lines already carry the reconciled VAT: nothing changes.
  auto again = JakaWartoscOnDd(*dd_, in);
  ASSERT_TRUE(again.ok());
  EXPECT_EQ(again->changed_lines, 0);
  EXPECT_EQ(Money(again->total), "0.37");
}

TEST_F(DdLines, WhileTypingNothingIsWritten) {
  for (int i = 0; i < 3; ++i) AddLine(kNetSale, 'N', 1, 0.10);
  JakaWartoscInput in;
  in.kind = kNetSale;
  in.nb = 'N';
  ASSERT_TRUE(JakaWartoscOnDd(*dd_, in).ok());
  EXPECT_EQ(Money(Lines()[0].podatek), "0.02");
}

TEST_F(DdLines, DeletedLinesDoNotCount) {
  AddLine(kNetSale, 'N', 1, 10.00);
  AddLine(kNetSale, 'N', 1, 5.00);
  ASSERT_TRUE(dd_->GoTo(2).ok());
  ASSERT_TRUE(dd_->LockRecord().ok());
  ASSERT_TRUE(dd_->Delete().ok());
  ASSERT_TRUE(dd_->Unlock().ok());
  JakaWartoscInput in;
  in.kind = kNetSale;
  in.nb = 'N';
  in.reason = kReasonPost;
  auto r = JakaWartoscOnDd(*dd_, in);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(Money(r->total), "12.30");
}

TEST_F(DdLines, ChangingTheKindConvertsNetAndGross) {
  AddLine(kNetSale, 'N', 2, 10.00);
  LineHeader h{"PA ", "      12", 'R', 'S', "O", 'B'};
  auto n = ChangeKindOfLines(*dd_, h);
  ASSERT_TRUE(n.ok());
  EXPECT_EQ(*n, 1);
  DocLine l = Lines().at(0);
  EXPECT_EQ(l.nb, 'B');
  EXPECT_EQ(Money(l.cena), "12.30");
  EXPECT_EQ(Money(l.brutto), "24.60");
  EXPECT_EQ(Money(l.podatek), "4.60");  // round(24.60 × 23 / 123, 2)
  ASSERT_TRUE(dd_->GoTop().ok());
  EXPECT_EQ(dd_->Get("RD")->AsString(), "PA ");
  EXPECT_EQ(dd_->Get("NRD")->AsString(), "      12");

  h.nb = 'N';
  ASSERT_TRUE(ChangeKindOfLines(*dd_, h).ok());
  l = Lines().at(0);
  EXPECT_EQ(Money(l.cena), "10.00");
  EXPECT_EQ(Money(l.wartosc), "20.00");
  EXPECT_EQ(Money(l.brutto), "24.60");

  // The same basis again: prices stay as they are.
  ASSERT_TRUE(ChangeKindOfLines(*dd_, h).ok());
  EXPECT_EQ(Money(Lines().at(0).cena), "10.00");
}

TEST_F(DdLines, FirstLinePaymentIsTheFirstLineThatHasOne) {
  AddLine(kNetSale, 'N', 1, 1.00);
  AddLine(kNetSale, 'N', 1, 1.00);
  auto p = FirstLinePayment(*dd_);
  ASSERT_TRUE(p.ok());
  EXPECT_EQ(p->spz, "");
  ASSERT_TRUE(dd_->GoTo(2).ok());
  ASSERT_TRUE(dd_->LockRecord().ok());
  ASSERT_TRUE(dd_->Replace("SPZ", xbase::Value("P")).ok());
  ASSERT_TRUE(dd_->Replace("TEZ", xbase::Value(21)).ok());
  ASSERT_TRUE(dd_->Unlock().ok());
  p = FirstLinePayment(*dd_);
  ASSERT_TRUE(p.ok());
  EXPECT_EQ(p->spz, "P");
  EXPECT_EQ(p->tez, 21);
}

// For random net documents written to `dd` and reconciled there, the VAT of every rate
// read back from the table is the VAT of the rate's net total, and the total is the net
// plus those VATs.
TEST_F(DdLines, ReconciledNetDocumentsReadBackPerRate) {
  std::mt19937 rng(20261208);
  std::uniform_int_distribution<int> count(1, 12), qty(1, 40), grosze(1, 9999), rate_pick(0, 4);
  const char* const kRates[] = {"23", " 8", " 5", "ZW", " 0"};
  for (int doc = 0; doc < 40; ++doc) {
    Fresh();
    const int n = count(rng);
    for (int i = 0; i < n; ++i) {
      const double q = qty(rng) % 7 == 0 ? qty(rng) / 8.0 : qty(rng);
      AddLine(kNetSale, 'N', q, grosze(rng) / 100.0, kRates[rate_pick(rng)]);
    }
    JakaWartoscInput in;
    in.kind = kNetSale;
    in.nb = 'N';
    in.reason = kReasonPost;
    auto r = JakaWartoscOnDd(*dd_, in);
    ASSERT_TRUE(r.ok());

    std::map<int, std::pair<double, double>> by_rate;  // net, VAT as read back
    double net = 0, other_vat = 0;
    for (const DocLine& l : Lines()) {
      net += l.wartosc;
      const int rate = IntegerRateOf(l.podatek0);
      if (rate == 0) {
        other_vat += l.podatek;
        continue;
      }
      by_rate[rate].first += l.wartosc;
      by_rate[rate].second += l.podatek;
      EXPECT_EQ(Money(l.brutto), Money(l.wartosc + l.podatek));
    }
    double expected_total = NewRound(net, 2) + NewRound(other_vat, 2);
    for (const auto& [rate, sums] : by_rate) {
      const double rate_vat = NewRound(sums.first * rate / 100.0, 2);
      EXPECT_EQ(Money(sums.second), Money(rate_vat)) << "document " << doc << " rate " << rate;
      expected_total += rate_vat;
    }
    EXPECT_EQ(Money(r->total), Money(expected_total)) << "document " << doc;
  }
}

// A line read whole and turned back into record values carries every field of its table:
// posting copies working lines into `dow` and reopening copies them back this way, so a
// field the line model does not name (a batch, a weight) must not fall out on the way.
TEST_F(DdLines, AWholeLineCarriesEveryFieldOfItsTable) {
  AddLine(kNetSale, 'N', 2, 1.5);
  ASSERT_TRUE(dd_->GoTop().ok());
  ASSERT_TRUE(dd_->LockRecord().ok());
  for (int i = 0; i < dd_->field_count(); ++i) {
    const xbase::DbfFieldDescriptor& d = dd_->field(i);
    if (d.type == 'C') {
      ASSERT_TRUE(dd_->Replace(i, xbase::Value(std::string(1, static_cast<char>('A' + i % 26)))).ok());
    } else if (d.type == 'N') {
      ASSERT_TRUE(dd_->Replace(i, xbase::Value(static_cast<double>(i % 7))).ok());
    }
  }
  const DocLine whole = ReadWholeLineRecord(*dd_);
  const auto values = LineRecordValues(whole, AllLineFields());
  for (int i = 0; i < dd_->field_count(); ++i) {
    const xbase::DbfFieldDescriptor& d = dd_->field(i);
    if (d.type == 'M') continue;
    int seen = 0;
    for (const auto& [name, value] : values) {
      if (name != d.name) continue;
      ++seen;
      auto stored = dd_->Get(i);
      ASSERT_TRUE(stored.ok());
      if (d.type == 'C') {
        EXPECT_EQ(RTrim(value.AsString()), RTrim(stored->AsString())) << d.name;
      } else if (d.type == 'N') {
        EXPECT_EQ(value.AsNumber(), stored->AsNumber()) << d.name;
      }
    }
    EXPECT_EQ(seen, 1) << d.name;
  }
}


}  // namespace
}  // namespace hurt::documents
