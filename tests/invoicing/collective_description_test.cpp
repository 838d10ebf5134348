#include "invoicing/collective_description.h"

#include <gtest/gtest.h>

namespace hurt::invoicing {
namespace {

TEST(CollectiveDescription, LineParts) {
  CollectiveSource s;
  s.rd = "WZ ";
  s.nrd = "      17";
  s.data = JulianFromYmd(2026, 12, 3);
  EXPECT_EQ(CollectiveDescriptionLine(s), "WZ-17        z 03.12.2026");
  s.from_report_browser = true;
  s.odb = "KOWAL   ";
  s.brutto = 1230;
  s.spz = 'P';
  s.tez = 14;
  s.saldo = -20.5;
  EXPECT_EQ(CollectiveDescriptionLine(s), "WZ-17        z 03.12.2026 dla KOWAL      1230.00 P 14    -20.50");
}

TEST(CollectiveDescription, EachTextOnceInListOrder) {
  CollectiveSource a{"WZ ", "1", JulianFromYmd(2026, 12, 1), "", false, std::nullopt, ' ', 0, std::nullopt};
  CollectiveSource b = a;
  b.nrd = "2";
  EXPECT_EQ(CollectiveDescription({b, a, b}),
            (std::vector<std::string>{"WZ-2         z 01.12.2026", "WZ-1         z 01.12.2026"}));
}

}  // namespace
}  // namespace hurt::invoicing
