#include "shell/station_register.h"

#include <gtest/gtest.h>

#include <map>

#include "shell/station_firma.h"

namespace hurt::shell {
namespace {

const std::string kOp0(1, kOperatorZeroMark);

TEST(StationRegister, TakenSlotsListEveryCharacterButBlankAndZero) {
  EXPECT_EQ(TakenSlots("?000"), "?");
  EXPECT_EQ(TakenSlots("0 0 "), "");
  EXPECT_EQ(TakenSlots(""), "");
  EXPECT_EQ(TakenSlots("A?0B A"), "A?BA");  // once per character, in slot order
  EXPECT_EQ(TakenSlots("0" + kOp0 + "?"), "0?");  // operator 0 is listed as "0"
}

TEST(StationRegister, FreeSlotTakesZeroBeforeBlank) {
  EXPECT_EQ(FreeSlot("? 0"), 3);
  EXPECT_EQ(FreeSlot("?  "), 2);
  EXPECT_EQ(FreeSlot("0??"), 1);
  EXPECT_EQ(FreeSlot("??"), 0);
  EXPECT_EQ(FreeSlot(kOp0 + "?"), 0);  // operator 0 does not read as free
  EXPECT_EQ(FreeSlot(""), 0);
}

TEST(StationRegister, FirstStationClearsTheRegister) {
  EXPECT_EQ(FirstStationRegister(30), "?" + std::string(29, '0'));
  EXPECT_EQ(FirstStationRegister(2), "?0");
  EXPECT_EQ(FirstStationRegister(1), "?");
  EXPECT_EQ(FirstStationRegister(0), "");
}

TEST(StationRegister, WithSlotChangesOneCharacter) {
  EXPECT_EQ(WithSlot("?00", 3, '?'), "?0?");
  EXPECT_EQ(WithSlot("?00", 1, '0'), "000");
  EXPECT_EQ(WithSlot("?00", 4, '?'), "?00");
  EXPECT_EQ(WithSlot("?00", 0, '?'), "?00");
  EXPECT_EQ(SlotCharForOperator('0'), kOperatorZeroMark);
  EXPECT_EQ(SlotCharForOperator('A'), 'A');
}

TEST(StationRegister, WidthFollowsTheMarkers) {
  EXPECT_EQ(WantedStationSlots(store::Markers()), 30);
  EXPECT_EQ(WantedStationSlots(store::Markers::Of({"ST2.TXT"})), 2);
  EXPECT_EQ(WantedStationSlots(store::Markers::Of({"ST2.TXT", "ST99.TXT"})), 99);
}

// A lookup over the fields of the current firma layout, with changes.
FieldWidthLookup Widths(std::map<std::string, int> changes, const store::Markers& markers = {}) {
  std::map<std::string, int> widths;
  for (const auto& f : FirmaFields(markers)) widths[f.name] = f.width;
  for (const auto& [name, width] : changes) {
    if (width < 0) {
      widths.erase(name);
    } else {
      widths[name] = width;
    }
  }
  return [widths](std::string_view name) {
    auto it = widths.find(std::string(name));
    return it == widths.end() ? -1 : it->second;
  };
}

TEST(FirmaUpgrade, TheCurrentLayoutNeedsNone) {
  EXPECT_FALSE(FirmaNeedsUpgrade(Widths({}), store::Markers(), false));
  EXPECT_TRUE(FirmaNeedsUpgrade(Widths({}), store::Markers(), true));  // argument "3"
}

TEST(FirmaUpgrade, MissingOrNarrowFieldsNeedIt) {
  for (const char* field : {"ST", "KP_KW", "NODB4", "BODB4", "NIP_KRAJ", "KRS_NR", "SMTP", "BDO", "WYCIAGI"})
    EXPECT_TRUE(FirmaNeedsUpgrade(Widths({{field, -1}}), store::Markers(), false)) << field;
  EXPECT_TRUE(FirmaNeedsUpgrade(Widths({{"NRBO", 39}}), store::Markers(), false));
  EXPECT_TRUE(FirmaNeedsUpgrade(Widths({{"KRS_SAD", 79}}), store::Markers(), false));
  EXPECT_TRUE(FirmaNeedsUpgrade(Widths({{"BODB", 50}}), store::Markers(), false));
  EXPECT_FALSE(FirmaNeedsUpgrade(Widths({{"BODB", 51}}), store::Markers(), false));
}

TEST(FirmaUpgrade, TheRegisterWidensOnlyWhenAMarkerAsks) {
  EXPECT_FALSE(FirmaNeedsUpgrade(Widths({{"ST", 2}}), store::Markers(), false));
  EXPECT_TRUE(FirmaNeedsUpgrade(Widths({{"ST", 30}}), store::Markers::Of({"ST99.TXT"}), false));
  EXPECT_FALSE(FirmaNeedsUpgrade(Widths({{"ST", 30}}), store::Markers::Of({"ST2.TXT"}), false));
  EXPECT_TRUE(FirmaNeedsUpgrade(Widths({{"ST", 1}}), store::Markers::Of({"ST2.TXT"}), false));
}

TEST(FirmaUpgrade, FieldsOfMarkers) {
  EXPECT_FALSE(FirmaNeedsUpgrade(Widths({{"KOD_POD", -1}}), store::Markers(), false));
  EXPECT_TRUE(FirmaNeedsUpgrade(Widths({{"KOD_POD", -1}}), store::Markers::Of({"KOD_QR.TXT"}), false));
  EXPECT_TRUE(FirmaNeedsUpgrade(Widths({{"KP_", -1}}), store::Markers::Of({"KP_.TXT"}), false));
  EXPECT_TRUE(FirmaNeedsUpgrade(Widths({{"REGON0", -1}}), store::Markers::Of({"WEGIEL.TXT"}), false));
}

TEST(FirmaUpgrade, NewLayoutKeepsWiderAndUnknownFields) {
  std::vector<xbase::DbfFieldDescriptor> old = {
      {"NODB", 'C', 40, 0},    // wider than the catalogue's 30
      {"UODB", 'C', 35, 0},    // 35 was asked by a marker no longer there
      {"KP", 'N', 10, 2},      // more room than N 8,0
      {"ST", 'C', 99, 0},
      {"LICENCJA", 'C', 12, 0},  // a field of a licensee
      {"NOTATKA", 'M', 10, 0},   // memo fields are not carried
  };
  auto fields = UpgradedFirmaFields(old, store::Markers());
  auto find = [&](std::string_view name) {
    for (const auto& f : fields)
      if (f.name == name) return f;
    return xbase::DbfFieldDescriptor{};
  };
  EXPECT_EQ(find("NODB").width, 40);
  EXPECT_EQ(find("UODB").width, 35);
  EXPECT_EQ(find("KP").width, 10);
  EXPECT_EQ(find("KP").decimals, 2);
  EXPECT_EQ(find("ST").width, 99);
  EXPECT_EQ(find("NODB1").width, 30);
  EXPECT_EQ(find("LICENCJA").width, 12);
  EXPECT_EQ(fields.back().name, "LICENCJA");
  EXPECT_TRUE(find("NOTATKA").name.empty());
}

}  // namespace
}  // namespace hurt::shell
