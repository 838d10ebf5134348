// Counterparty books, settlement entries and their journal, the chart of accounts and
// bank transfer orders.
#include "store/schema_internal.h"

namespace hurt::store::internal {
namespace {

// Customers. The balance of an account is BOWN - BOMA + OBNAWN - OBNAMA + OBWN - OBMA
// + POWN - POMA.
constexpr FieldDef kZo[] = {
    C("ODB", 8),
    C("NODB", 50),
    C("NODB1", 50),
    CRule("UODB", WidthRule::kStreet),
    C("KODB", 6),
    C("MODB", 20),
    C("BODB", 30),
    C("NRBO", 40),
    N("BOWN", 15, 2),
    N("BOMA", 15, 2),
    N("OBNAWN", 15, 2),
    N("OBNAMA", 15, 2),
    N("OBWN", 15, 2),
    N("OBMA", 15, 2),
    N("POWN", 15, 2),
    N("POMA", 15, 2),
    C("NIP_KRAJ", 2),
    C("REGON", 13),
    C("NIP1", 1),
    C("TRASA", 8),
    C("MIEJSCE", 60),
    C("MIEJSCE2", 60),
    C("TEL", 20),
    C("NOTES", 60),
    C("K_E", 1),
    C("KIER", 3),
    C("SPZ", 1),
    N("TEZ", 4, 0),
    N("RABAT", 6, 2),
    N("RABAT2", 6, 2).If("RABAT2ZO.TXT"),
    N("RABAT3", 6, 2).If("RABAT2ZO.TXT"),
    N("KREDYT", 9, 0),
    N("KARENCJA", 3, 0),
    N("TARGET", 9, 0).If("TARGET.TXT"),
    C("PLATNIK", 8).If("PLATNIK.TXT"),
    C("REGION", 8).If("REGION.TXT"),
    C("KOMU", 8),
    C("KOD_POD", 13).If("KOD_QR.TXT"),
    C("AUTO", 8),
    N("POZIOM", 1, 0),
    C("STOPA", 8),
    N("KOPIE", 1, 0),
    C("RD", 3),
    D("R_DATA"),
    C("E_MAIL", 40),
    C("E_UWAGI", 50),
    N("ILOSC", 8, 0),
    D("DATA_KON"),
    D("DATA_KO2"),
    C("NR_INI", 1),
    D("DATA_INI"),
};
constexpr IndexDef kZoIndexes[] = {{"zo", "odb"}, {"zo_nip", "regon+STR(RECNO(),4)"}};

// Suppliers: the customer layout without the customer-only fields.
constexpr FieldDef kZd[] = {
    C("ODB", 8),        C("NODB", 50),      C("NODB1", 50),     CRule("UODB", WidthRule::kStreet),
    C("KODB", 6),       C("MODB", 20),      C("BODB", 30),      C("NRBO", 40),
    N("BOWN", 15, 2),   N("BOMA", 15, 2),   N("OBNAWN", 15, 2), N("OBNAMA", 15, 2),
    N("OBWN", 15, 2),   N("OBMA", 15, 2),   N("POWN", 15, 2),   N("POMA", 15, 2),
    C("NIP_KRAJ", 2),   C("REGON", 13),     C("NIP1", 1),       C("TRASA", 8),
    C("MIEJSCE", 60),   C("MIEJSCE2", 60),  C("TEL", 20),       C("NOTES", 60),
    C("K_E", 1),        C("KIER", 3),       C("SPZ", 1),        N("TEZ", 4, 0),
    N("KREDYT", 9, 0),  C("E_MAIL", 40),    C("E_UWAGI", 50),   C("NR_INI", 1),
    D("DATA_INI"),
};

// Other parties: the supplier layout with KOMU and AUTO.
constexpr FieldDef kZf[] = {
    C("ODB", 8),        C("NODB", 50),      C("NODB1", 50),     CRule("UODB", WidthRule::kStreet),
    C("KODB", 6),       C("MODB", 20),      C("BODB", 30),      C("NRBO", 40),
    N("BOWN", 15, 2),   N("BOMA", 15, 2),   N("OBNAWN", 15, 2), N("OBNAMA", 15, 2),
    N("OBWN", 15, 2),   N("OBMA", 15, 2),   N("POWN", 15, 2),   N("POMA", 15, 2),
    C("NIP_KRAJ", 2),   C("REGON", 13),     C("NIP1", 1),       C("TRASA", 8),
    C("MIEJSCE", 60),   C("MIEJSCE2", 60),  C("TEL", 20),       C("NOTES", 60),
    C("K_E", 1),        C("KIER", 3),       C("SPZ", 1),        N("TEZ", 4, 0),
    N("KREDYT", 9, 0),  C("KOMU", 8),       C("AUTO", 8),       C("E_MAIL", 40),
    C("E_UWAGI", 50),   C("NR_INI", 1),     D("DATA_INI"),
};

// Employees, and the fifth book: the supplier layout without the second name line.
constexpr FieldDef kZp[] = {
    C("ODB", 8),        C("NODB", 50),      CRule("UODB", WidthRule::kStreet),
    C("KODB", 6),       C("MODB", 20),      C("BODB", 30),      C("NRBO", 40),
    N("BOWN", 15, 2),   N("BOMA", 15, 2),   N("OBNAWN", 15, 2), N("OBNAMA", 15, 2),
    N("OBWN", 15, 2),   N("OBMA", 15, 2),   N("POWN", 15, 2),   N("POMA", 15, 2),
    C("NIP_KRAJ", 2),   C("REGON", 13),     C("NIP1", 1),       C("TRASA", 8),
    C("MIEJSCE", 60),   C("MIEJSCE2", 60),  C("TEL", 20),       C("NOTES", 60),
    C("K_E", 1),        C("KIER", 3),       C("SPZ", 1),        N("TEZ", 4, 0),
    N("KREDYT", 9, 0),  C("E_MAIL", 40),    C("E_UWAGI", 50),   C("NR_INI", 1),
    D("DATA_INI"),
};

constexpr IndexDef kZdIndexes[] = {{"zd", "odb"}};
constexpr IndexDef kZpIndexes[] = {{"zp", "odb"}};
constexpr IndexDef kZfIndexes[] = {{"zf", "odb"}};
constexpr IndexDef kZnIndexes[] = {{"zn", "odb"}};

// Settlement entries: receivables, payables and payments. MAG "0" marks an entry made
// by hand rather than by a document.
constexpr FieldDef kFaN[] = {
    C("R_P", 1),
    C("RD", 3),
    C("NRD", 8),
    D("DATA"),
    C("MAG", 1),
    C("TRESC", 17),
    C("KTO", 1),
    C("ODB", 8),
    N("OBWN", 14, 2),
    N("OBMA", 14, 2),
    D("TERMIN"),
    C("SPZ", 1),
    N("TEZ", 4, 0),
    C("WALUTA_X", 1),
    C("WALUTA", 3),
    N("KURS", 12, 6),
    D("DATA_KURSU"),
    N("DOLAR", 14, 2),
    N("KURS_1", 12, 6),
    C("ZAP", 1),
};
constexpr IndexDef kFaNIndexes[] = {
    {"fa_n", "rd+nrd+STR(RECNO(),6)"},
    {"fa_n_",
     "kto+odb+IIF(mag<>\"0\",rd+\"-\"+nrd,SUBSTR(tresc,1,12))+STR(obwn+obma,15,2)+STR(RECNO(),6)"},
};

// Journal of settlement entries: the entry fields with ZAP before the currency fields,
// then the date and time the entry was recorded (the batch identity of a settlement).
constexpr FieldDef kFaNx[] = {
    C("R_P", 1),      C("RD", 3),        C("NRD", 8),       D("DATA"),
    C("MAG", 1),      C("TRESC", 17),    C("KTO", 1),       C("ODB", 8),
    N("OBWN", 14, 2), N("OBMA", 14, 2),  D("TERMIN"),       C("SPZ", 1),
    N("TEZ", 4, 0),   C("ZAP", 1),       C("WALUTA_X", 1),  C("WALUTA", 3),
    N("KURS", 12, 6), D("DATA_KURSU"),   N("DOLAR", 14, 2), N("KURS_1", 12, 6),
    D("R_DATA"),      C("R_CZAS", 8),
};
constexpr IndexDef kFaNxIndexes[] = {{"fa_nx", "DTOS(r_data)+r_czas+fa_nx->zap+STR(RECNO(),6)"}};

// One counterparty's entries for the ledger view of a station.
constexpr FieldDef kRobFaN[] = {
    C("R_P", 1),      C("RD", 3),        C("NRD", 8),       D("DATA"),
    C("MAG", 1),      C("TRESC", 17),    C("KTO", 1),       C("ODB", 8),
    N("OBWN", 14, 2), N("OBMA", 14, 2),  D("TERMIN"),       C("SPZ", 1),
    N("TEZ", 4, 0),   C("ZAP", 1),
};
constexpr IndexDef kRobFaNIndexes[] = {{"fa_n##", "DTOS(data)+STR(RECNO(),4)"}};

// Chart of accounts (cash book), balances as in the counterparty books.
constexpr FieldDef kPk[] = {
    C("NRKON", 16),     N("CZLON", 1, 0),   N("POZIOM", 1, 0),  C("NAZWA", 32),
    N("KONTYP", 1, 0),  C("MAJWYN", 1),     N("BOWN", 15, 2),   N("BOMA", 15, 2),
    N("OBNAWN", 15, 2), N("OBNAMA", 15, 2), N("OBWN", 15, 2),   N("OBMA", 15, 2),
    N("POWN", 15, 2),   N("POMA", 15, 2),   N("SK_WN", 15, 2),
};
constexpr IndexDef kPkIndexes[] = {{"pk", "nrkon"}};

// Bank transfer orders.
constexpr FieldDef kPp[] = {
    C("O_NODB", 27),  C("O_NODB1", 27), C("O_LK", 2),      C("O_NRBO", 8),
    C("O_NRBO1", 17), C("O_NRBO_R", 7), C("WP", 2),        C("WALUTA_X", 1),
    C("WALUTA", 3),   C("KWOTA", 12),   C("Z_NRBO", 27),   C("Z_NODB", 27),
    C("Z_NODB1", 27), C("TYTUL", 27),   C("TYTUL1", 27),   D("DATA"),
    C("CZAS", 8),     C("OPERATOR", 1), D("DATA_2"),       C("CZAS_2", 8),
    C("OPERATOR_2", 1), C("PRIORYTET", 1), C("ZNACZEK", 1), D("DATA_DR"),
    C("ODB", 8),
};

constexpr TableDef kTables[] = {
    {.id = TableId::kZo, .file = "zo", .alias = "zo", .area = 3, .place = Place::kPeriod,
     .contents = "customers", .fields = kZo, .indexes = kZoIndexes},
    {.id = TableId::kFaN, .file = "fa_n", .alias = "fa_N", .area = 7, .place = Place::kPeriod,
     .contents = "settlement entries", .fields = kFaN, .indexes = kFaNIndexes},
    {.id = TableId::kFaNx, .file = "fa_nx", .alias = "fa_nx", .area = 8, .place = Place::kPeriod,
     .contents = "journal of settlement entries", .fields = kFaNx, .indexes = kFaNxIndexes},
    {.id = TableId::kPk, .file = "pk", .alias = "pk", .area = 10, .place = Place::kPeriod,
     .contents = "chart of accounts", .fields = kPk, .indexes = kPkIndexes},
    {.id = TableId::kZd, .file = "zd", .alias = "zd", .area = 103, .place = Place::kPeriod,
     .contents = "suppliers", .fields = kZd, .indexes = kZdIndexes},
    {.id = TableId::kZp, .file = "zp", .alias = "zp", .area = 104, .place = Place::kPeriod,
     .contents = "employees", .fields = kZp, .indexes = kZpIndexes},
    {.id = TableId::kZf, .file = "zf", .alias = "zf", .area = 203, .place = Place::kPeriod,
     .contents = "other counterparties", .fields = kZf, .indexes = kZfIndexes},
    {.id = TableId::kZn, .file = "zn", .alias = "zn", .area = 204, .place = Place::kRoot,
     .contents = "fifth counterparty book", .fields = kZp, .indexes = kZnIndexes},
    {.id = TableId::kRobFaN, .file = "rob/fa_n##", .alias = "rob_fa_n", .place = Place::kStation,
     .contents = "one counterparty's settlement entries", .fields = kRobFaN,
     .indexes = kRobFaNIndexes},
    {.id = TableId::kPp, .file = "pp", .alias = "pp_dbf", .place = Place::kRoot,
     .contents = "bank transfer orders", .fields = kPp},
};

}  // namespace

std::span<const TableDef> AccountTables() { return kTables; }

}  // namespace hurt::store::internal
