// Work tables that reports and the order lists build for one run, and saved orders.
#include "store/schema_internal.h"

namespace hurt::store::internal {
namespace {

// VAT register: one row per document with net and VAT split by rate.
constexpr FieldDef kRejestrVat[] = {
    C("LP", 4),        C("RD", 3),        C("NRD", 8),       C("ODB", 8),
    C("NODB", 50),     C("NODB1", 50),    C("UODB", 25),     C("MODB", 20),
    C("NIP", 13),      N("BRUTTO", 18, 4), C("R_P", 1),      C("S_Z", 1),
    D("DATA"),         N("WARTOSC0", 10, 2), N("NETTO", 18, 4), N("VAT", 14, 4),
    C("SPZ", 1),       N("TEZ", 4, 0),    C("OPERATOR", 1),  C("WALUTA_X", 1),
    C("WALUTA", 3),    N("KURS", 12, 6),  N("DOLAR", 14, 2), N("KURS_1", 12, 6),
    N("N22", 14, 6),   N("V22", 14, 6),   N("N23", 16, 6),   N("V23", 15, 6),
    N("N07", 14, 6),   N("V07", 14, 6),   N("N08", 14, 6),   N("V08", 14, 6),
    N("N03", 14, 6),   N("V03", 14, 6),   N("N05", 14, 6),   N("V05", 14, 6),
    N("N00", 14, 6),   N("NZW", 14, 6),   N("NNP", 14, 6),   N("N99", 14, 6),
    N("V99", 14, 6),   C("GTU", 13),      C("JPK_XX", 20),   C("TYP_DOK", 6),
    C("X_X", 1),
};
constexpr IndexDef kRejestrVatIndexes[] = {{"ddd##", "rd+nrd"}};

// Monthly activity statement rows, saved per station and per period.
constexpr FieldDef kRapDz[] = {
    C("POZ", 3),       C("KOD", 3),       C("R_P", 1),       C("S_Z", 1),
    C("RD", 3),        N("WARTOSC0", 15, 2), N("MARZA", 12, 2), N("NETTO", 12, 2),
    N("VAT", 12, 2),   N("BRUTTO", 12, 2), N("NET22", 12, 2), N("VAT22", 12, 2),
    N("NET07", 12, 2), N("VAT07", 12, 2), N("NET00", 12, 2), N("NETZW", 12, 2),
    N("NETNP", 12, 2), N("NET12", 12, 2), N("VAT12", 12, 2), N("NET03", 12, 2),
    N("VAT03", 12, 2), N("GROSZ", 12, 2), C("_X_", 1),
};

// Warehouse movement statement: quantities and values per article for a date range.
constexpr FieldDef kAsso[] = {
    C("MAG", 1),         C("INDEKS", 8),      C("NAZWA", 30),      C("JM", 3),
    N("CENA_01", 14, 4), N("CENA0", 14, 4),   N("CENA_PZ", 14, 2), N("CENA", 14, 2),
    N("CENA2", 14, 2),
    N("D_BO_I", 15, 3),  N("D_BO_W", 14, 4),
    N("D_PD_I", 15, 3),  N("D_PD_W", 14, 4),
    N("D_PZ_I", 15, 3),  N("D_PZ_W", 14, 4),  N("D_PZ_V", 14, 2),  N("D_PZ_B", 14, 2),
    N("D_RS_I", 15, 3),  N("D_RS_W", 14, 4),  N("D_RS_N", 14, 2),  N("D_RS_V", 14, 2),
    N("D_RS_B", 14, 2),
    N("D_RD_I", 15, 3),  N("D_RD_W", 14, 4),
    N("D_SK_I", 15, 3),  N("D_SK_W", 14, 4),
    N("D_RR_I", 15, 3),  N("D_RR_W", 14, 4),
};
constexpr IndexDef kAssoIndexes[] = {{"asso##", "mag+indeks"}};

// The station's order list.
constexpr FieldDef kZamow[] = {
    C("LP", 3),            C("MAG", 1),          C("INDEKS", 8),       C("NAZWA", 30),
    C("JM", 3),            N("CENA0", 14, 2),    N("STAN", 14, 3),     N("SPRZEDANO", 14, 3),
    N("ZAMAWIAM", 14, 3),  C("KOD13", 13),       N("WARTOSC0", 14, 2), N("CENA0_AS", 14, 2),
    N("BRAKI", 14, 2),
};
constexpr IndexDef kZamowIndexes[] = {{"zamow##", "mag+indeks"}};

// A saved order: zamo/nr_mmnnn (customers) or zamd/nr_mmnnn (suppliers).
constexpr FieldDef kZamowienie[] = {
    C("ODB", 8),       C("MAG", 1),       C("INDEKS", 8),    C("NAZWA", 30),
    C("JM", 3),        N("ZAMAWIAM", 15, 3), N("CENA0_AS", 14, 2).If("ZAM_UZG.TXT"),
    C("DOST", 8),      C("KOD13", 13),    C("OPERATOR", 1),  C("UWAGI", 80),
    C("X", 1),
};

constexpr TableDef kTables[] = {
    {.id = TableId::kRejestrVat, .file = "rob/ddd##", .alias = "ddd", .place = Place::kStation,
     .contents = "VAT register work table", .fields = kRejestrVat,
     .indexes = kRejestrVatIndexes},
    {.id = TableId::kRapDz, .file = "rap_dz", .alias = "rap_dz", .place = Place::kPeriod,
     .contents = "saved monthly activity statement", .fields = kRapDz},
    {.id = TableId::kRobRapDz, .file = "rob/rap_dz##", .alias = "rob_rap_dz",
     .place = Place::kStation, .contents = "monthly activity statement of a station",
     .fields = kRapDz},
    {.id = TableId::kAsso, .file = "rob/asso##", .alias = "asso", .area = 222,
     .place = Place::kStation, .contents = "warehouse movement work table", .fields = kAsso,
     .indexes = kAssoIndexes},
    {.id = TableId::kZamow, .file = "rob/zamow##", .alias = "zamow", .place = Place::kStation,
     .contents = "order list of a station", .fields = kZamow, .indexes = kZamowIndexes},
    {.id = TableId::kZamowienie, .file = "<order file>", .alias = "zamowienie",
     .place = Place::kOther, .contents = "saved order", .fields = kZamowienie},
};

}  // namespace

std::span<const TableDef> WorkTables() { return kTables; }

}  // namespace hurt::store::internal
