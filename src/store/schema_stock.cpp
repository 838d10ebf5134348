// Articles and their side tables: stock cards, batches, packaging, foreign names,
// collected bar codes, exchange rates and discounts.
#include "store/schema_internal.h"

namespace hurt::store::internal {
namespace {

// Articles and their stock, one record per warehouse MAG and article code INDEKS.
// The B_ counters belong to the current month, the N_ counters to the closed months
// of the year. Options that no marker switches on (weighing, raw materials) are kept
// when the table on disk already has their fields.
constexpr FieldDef kAs[] = {
    C("MAG", 1),
    C("INDEKS", 8),
    C("NAZWA", 30),
    C("JM", 3),
    C("SWW", 8),
    C("PKWIU", 10),
    N("CENA_01", 16, 6),
    N("CENA0", 16, 6),
    N("CENA_PZ", 16, 6),
    N("CENA_UZ", 12, 2),
    CRule("PODATEK0", WidthRule::kVatRate),
    N("UPUST0", 6, 2),
    C("ODB", 8),
    N("N_BO_I", 19, 3),
    N("N_BO_W", 19, 2),
    N("N_P_I", 19, 3),
    N("N_R_I", 19, 3),
    N("B_BO_I", 19, 3),
    N("B_BO_W", 19, 4),
    N("B_P_I", 19, 3),
    N("B_P_W", 19, 2),
    N("B_R_I", 19, 3),
    N("B_R_I_SD", 19, 3),
    N("B_R_W", 19, 2),
    N("CENA", 14, 2),
    N("CENA2", 14, 2),
    C("WALUTA", 3),
    N("CENAM", 14, 2),
    N("CENA2M", 14, 2),
    N("ILOSC", 19, 3),
    N("REZERWA", 15, 3),
    N("REZERWA0", 15, 3),
    N("REZERWA9", 15, 3),
    N("ILOSC_1", 4, 0).If("AS_CENY.TXT"),
    N("CENA_1", 6, 2).If("AS_CENY.TXT"),
    N("ILOSC_2", 4, 0).If("AS_CENY.TXT"),
    N("CENA_2", 6, 2).If("AS_CENY.TXT"),
    N("OP", 7, 2),
    C("OPA_MAG1", 1),
    N("OPA_ILO1", 4, 2),
    C("OPA_MAG2", 1),
    N("OPA_ILO2", 2, 0),
    C("OPA_MAG3", 1),
    N("OPA_ILO3", 4, 0),
    C("T_W_O_K", 8),
    C("PODGRUPA", 8),
    C("GR_TOW", 2),
    N("PMIN", 6, 0),
    N("PMAX", 6, 0),
    N("PZAM", 6, 0),
    C("S_Z_PZ", 1),
    D("DATA_PZ"),
    C("RD_PZ", 3),
    C("NRD_PZ", 8),
    N("TEZ_PZ", 3, 0),
    N("ILOSC_PZ", 14, 3),
    N("UBYTEK_MIN", 5, 1),
    N("UBYTEK", 4, 1),
    D("UBYTEK_D1"),
    D("UBYTEK_D2"),
    D("DATA_SD"),
    N("ILOSC_SD", 14, 3),
    N("RABAT_SD", 6, 2).If("RABAT.SD"),
    D("DATA_BO"),
    D("DATA_ZB"),
    N("TEZ", 4, 0),
    C("ATEST", 23),
    N("TOW_GRAM", 8, 3).If("GRAM.JM"),
    C("TOW_JM", 3).If("GRAM.JM"),
    N("TOW_TARA", 5, 3).If("TARA.JM"),
    N("HEKTO", 11, 4).If("HEKTO.TXT"),
    N("REFUN", 6, 2).If("REFUN.TXT"),
    C("PRODUCENT", 20),
    C("KRAJ", 10),
    C("KIER", 3),
    C("KOD_CN", 10).IfAny("AKCYZA.TXT", "KOD_CN.TXT"),
    C("KRAJ_POCH", 3).If("KOD_CN.TXT"),
    N("WAR_OPAL", 6, 2).If("AKCYZA.TXT"),
    N("STA_AKCY", 6, 2).If("AKCYZA.TXT"),
    CRule("PARTIA", WidthRule::kBatch).If("PARTIA.TXT"),
    N("ILOSC_P", 10, 3).If("PARTIA.TXT"),
    N("ILOSC_WYD", 10, 3).If("PARTIA.TXT"),
    D("TPS_P").If("PARTIA.TXT"),
    D("DATA_M").If("DATA_M.TXT"),
    CRule("PARTIA2", WidthRule::kBatch).If("PARTIA.TXT"),
    N("ILOSC_P2", 10, 3).If("PARTIA.TXT"),
    N("ILOSC_WYD2", 10, 3).If("PARTIA.TXT"),
    D("TPS_P2").If("PARTIA.TXT"),
    CRule("PARTIA3", WidthRule::kBatch).If("PARTIA.TXT"),
    N("ILOSC_P3", 10, 3).If("PARTIA.TXT"),
    N("ILOSC_WYD3", 10, 3).If("PARTIA.TXT"),
    D("TPS_P3").If("PARTIA.TXT"),
    CRule("PARTIA4", WidthRule::kBatch).If("PARTIA.TXT"),
    N("ILOSC_P4", 10, 3).If("PARTIA.TXT"),
    N("ILOSC_WYD4", 10, 3).If("PARTIA.TXT"),
    D("TPS_P4").If("PARTIA.TXT"),
    N("TPS", 3, 0).If("PARTIA.TXT"),
    N("TPSS", 3, 0).If("PARTIA.TXT"),
    C("PARTIA_X", 1).If("PARTIA.TXT"),
    C("PARTIA_XL", 1).If("PARTIA.TXT"),
    C("PARTIA_SL", 1).If("PARTIA.TXT"),
    C("NR_SERII", 13),
    C("NRPARTII", 30).If("NRPARTII.TXT"),
    N("WAGA", 8, 3).IfField("WAGA"),
    C("WAGA_OPA", 1).IfField("WAGA_OPA"),
    C("SUR", 8).IfField("SUR"),
    CRule("KOD13", WidthRule::kBarCode).IfField("KOD13", "KOD13.TXT"),
    CRule("KOD13DISP", WidthRule::kBarCode).If("KOD13DIS.TXT"),
    C("NEW_INDEKS", 8).If("NEW_IND.TXT"),
    N("PROWIZJA", 10, 2).If("PROWIZJA.TXT"),
    C("MAG1", 1).If("INDEKS1.TXT"),
    C("INDEKS1", 8).If("INDEKS1.TXT"),
    N("CENA_ZB", 16, 6),
    D("DATA_INI"),
    D("DATA"),
};
// The first order; the others depend on markers and fields (ArticleOrders).
constexpr IndexDef kAsIndexes[] = {{"as", "mag+indeks"}};

// Batches: received and issued quantity per batch.
constexpr FieldDef kPartia20[] = {
    C("MAG", 1), C("INDEKS", 8), D("DATA_P"), CRule("PARTIA", WidthRule::kBatch), D("TPS_P"),
    N("ILOSC_P", 10, 3), N("ILOSC_WYD", 10, 3), C("X", 1),
};
constexpr IndexDef kPartia20Indexes[] = {
    {"partia20", "mag+indeks+x+DESCEND(DTOS(data_p))+STR(RECNO(),6)"},
    {"partia21", "mag+indeks+partia"},
};

// Returnable packaging kinds. MAG_OPA and INDEKS exist only in installations whose
// table already carries them.
constexpr FieldDef kOpak[] = {
    C("MAG", 1), C("NAZWA", 30), N("CENA", 6, 2),
    C("MAG_OPA", 1).IfField("MAG_OPA"), C("INDEKS", 8).IfField("MAG_OPA"),
    C("X", 1),
};
constexpr IndexDef kOpakIndexes[] = {{"opak", "mag"}};

// Languages, and article names in foreign languages.
constexpr FieldDef kAsEx0[] = {C("JEZYK", 1)};
constexpr IndexDef kAsEx0Indexes[] = {{"as_ex0", "jezyk"}};
constexpr FieldDef kAsEx[] = {
    C("JEZYK", 1), C("MAG", 1), C("INDEKS", 8), C("NAZWA", 30), C("NAZWA_EX", 30),
};
constexpr IndexDef kAsExIndexes[] = {{"as_ex", "jezyk+mag+indeks"}};

// Bar codes collected for articles.
constexpr FieldDef kAsZb[] = {
    CRule("KOD13DISP", WidthRule::kBarCode), CRule("KOD13", WidthRule::kBarCode),
    C("MAG", 1), C("INDEKS", 8), C("NAZWA", 30), C("JM", 3), N("ILOSC", 6, 0),
};
constexpr IndexDef kAsZbIndexes[] = {{"as_zb", "kod13disp"}, {"as_zb2", "kod13"}};

// Exchange rate of a currency from a date; the station copy has the same layout.
constexpr FieldDef kWal[] = {
    C("WALUTA", 3), D("DATA"), N("KURS", 12, 6), D("DATA_KURSU"),
};
constexpr IndexDef kWalIndexes[] = {
    {"wal", "waluta+DESCEND(DTOS(data))"},
    {"wal2", "DESCEND(DTOS(data))+waluta"},
};

// Tables created by the routines that own them; only their orders are fixed here.
constexpr IndexDef kP23Indexes[] = {{"p23", "waluta"}};
constexpr IndexDef kRabatIndexes[] = {{"rabat", "odb+mag+indeks"}};

constexpr TableDef kTables[] = {
    {.id = TableId::kAs, .file = "as", .alias = "as", .area = 2, .place = Place::kPeriod,
     .contents = "articles and their stock", .fields = kAs, .indexes = kAsIndexes},
    {.id = TableId::kP23, .file = "p23", .alias = "p23", .area = 12, .place = Place::kPeriod,
     .contents = "currency table", .only_if_file_exists = true, .layout_known = false,
     .indexes = kP23Indexes},
    {.id = TableId::kWal, .file = "wal", .alias = "wal", .area = 32, .place = Place::kRoot,
     .contents = "exchange rates", .fields = kWal, .indexes = kWalIndexes},
    {.id = TableId::kRobWal, .file = "rob/wal##", .alias = "rob_wal", .area = 132,
     .place = Place::kStation, .contents = "station copy of the exchange rates", .fields = kWal},
    {.id = TableId::kPartia20, .file = "partia20", .alias = "partia20", .area = 202,
     .place = Place::kRoot, .contents = "batches", .condition = {.marker = "PARTIA20.TXT"},
     .fields = kPartia20, .indexes = kPartia20Indexes},
    {.id = TableId::kOpak, .file = "opak", .alias = "opak", .place = Place::kRoot,
     .contents = "returnable packaging kinds", .fields = kOpak, .indexes = kOpakIndexes},
    {.id = TableId::kAsEx0, .file = "as_ex0", .alias = "as_ex0", .place = Place::kRoot,
     .contents = "languages of foreign article names", .fields = kAsEx0,
     .indexes = kAsEx0Indexes},
    {.id = TableId::kAsEx, .file = "as_ex", .alias = "as_ex", .place = Place::kRoot,
     .contents = "article names in foreign languages", .fields = kAsEx, .indexes = kAsExIndexes},
    {.id = TableId::kAsZb, .file = "as_zb", .alias = "as_zb", .place = Place::kRoot,
     .contents = "bar codes collected for articles", .condition = {.marker = "AS_ZB.TXT"},
     .fields = kAsZb, .indexes = kAsZbIndexes},
    {.id = TableId::kRabat, .file = "hlp/rabat", .alias = "rabat", .place = Place::kRoot,
     .contents = "counterparty and article discounts", .only_if_file_exists = true,
     .layout_known = false, .indexes = kRabatIndexes},
};

}  // namespace

std::span<const TableDef> StockTables() { return kTables; }

}  // namespace hurt::store::internal
