#include "demo_content.h"

namespace hurt::demo {
namespace {

constexpr std::string_view kAllRights = "TTTTTTTTTTTTTTTTTTTT";

constexpr OperatorSeed kOperators[] = {
    {"0", "Zawadzki Marek", kAllRights, "", ""},
    // Sales and purchases in both warehouses; no managing of operators, no change of
    // period, no backups, no selling below the minimum price.
    {"A", "Nowak Anna", "NTTTTTTTTNTNTTNTNTTT", "", ""},
    // Warehouse 1 only: documents of today, stock cards, no reports of money.
    {"B", "Lis Piotr", "NNNTNNNTNNNNTNNNNTTT", "1", ""},
};

constexpr ArticleSeed kArticles[] = {
    // Warehouse 1: food.
    {"1", "10001", "MĄKA PSZENNA TYP 450 1KG", "szt", " 5", 2.35, 18, "MLYN", "SYPKIE"},
    {"1", "10002", "MĄKA ŻYTNIA TYP 720 1KG", "szt", " 5", 2.89, 18, "MLYN", "SYPKIE"},
    {"1", "10003", "CUKIER BIAŁY 1KG", "szt", " 5", 3.15, 12, "MLYN", "SYPKIE"},
    {"1", "10004", "KASZA GRYCZANA 400G", "szt", " 5", 3.10, 20, "MLYN", "SYPKIE"},
    {"1", "10005", "RYŻ DŁUGOZIARNISTY 1KG", "szt", " 5", 4.20, 20, "MLYN", "SYPKIE"},
    {"1", "10006", "MAKARON ŚWIDERKI 500G", "szt", " 5", 2.75, 22, "MLYN", "SYPKIE"},
    {"1", "10007", "PŁATKI OWSIANE 500G", "szt", " 5", 2.40, 22, "MLYN", "SYPKIE"},
    {"1", "10008", "SÓL KAMIENNA 1KG", "szt", " 5", 0.95, 30, "MLYN", "SYPKIE"},
    {"1", "10009", "KAWA MIELONA 250G", "szt", "23", 9.80, 20, "NAPOJE", "KAWA"},
    {"1", "10010", "HERBATA CZARNA 100 TOREBEK", "szt", "23", 7.60, 22, "NAPOJE", "KAWA"},
    {"1", "10011", "KAKAO NATURALNE 150G", "szt", "23", 5.40, 25, "NAPOJE", "KAWA"},
    {"1", "10012", "OLEJ RZEPAKOWY 1L", "szt", " 5", 7.20, 15, "MLYN", "TLUSZCZE"},
    {"1", "10013", "OCET SPIRYTUSOWY 10% 0,5L", "szt", "23", 1.90, 30, "NAPOJE", "PRZYPRAWY"},
    {"1", "10014", "MLEKO UHT 3,2% 1L", "szt", " 5", 2.65, 15, "MLECZARN", "NABIAL"},
    {"1", "10015", "MASŁO EKSTRA 200G", "szt", " 5", 6.30, 12, "MLECZARN", "NABIAL"},
    {"1", "10016", "SER ŻÓŁTY GOUDA", "kg", " 5", 24.50, 18, "MLECZARN", "NABIAL"},
    {"1", "10017", "JOGURT NATURALNY 400G", "szt", " 5", 2.10, 20, "MLECZARN", "NABIAL"},
    {"1", "10018", "ŚMIETANA 18% 200ML", "szt", " 5", 1.85, 20, "MLECZARN", "NABIAL"},
    {"1", "10019", "TWARÓG PÓŁTŁUSTY", "kg", " 5", 14.90, 18, "MLECZARN", "NABIAL"},
    {"1", "10020", "JAJA ŚWIEŻE M 10 SZT", "op", " 5", 8.40, 15, "MLECZARN", "NABIAL"},
    {"1", "10021", "WODA MINERALNA 1,5L", "szt", " 8", 1.15, 35, "NAPOJE", "NAPOJE"},
    {"1", "10022", "WODA GAZOWANA 0,5L", "szt", " 8", 0.85, 40, "NAPOJE", "NAPOJE"},
    {"1", "10023", "SOK JABŁKOWY 1L", "szt", " 5", 3.20, 25, "NAPOJE", "NAPOJE"},
    {"1", "10024", "SOK POMARAŃCZOWY 1L", "szt", " 5", 3.90, 25, "NAPOJE", "NAPOJE"},
    {"1", "10025", "NAPÓJ COLA 2L", "szt", "23", 4.10, 22, "NAPOJE", "NAPOJE"},
    {"1", "10026", "PIWO JASNE 0,5L", "szt", "23", 2.60, 20, "NAPOJE", "NAPOJE"},
    {"1", "10027", "CZEKOLADA MLECZNA 100G", "szt", "23", 3.40, 25, "NAPOJE", "SLODYCZE"},
    {"1", "10028", "HERBATNIKI MAŚLANE 200G", "szt", " 8", 3.10, 25, "MLYN", "SLODYCZE"},
    {"1", "10029", "WAFLE RYŻOWE 130G", "szt", " 8", 2.20, 30, "MLYN", "SLODYCZE"},
    {"1", "10030", "DŻEM TRUSKAWKOWY 280G", "szt", " 5", 4.60, 22, "MLYN", "PRZETWORY"},
    {"1", "10031", "KONCENTRAT POMIDOROWY 200G", "szt", " 5", 2.30, 25, "MLYN", "PRZETWORY"},
    {"1", "10032", "GROSZEK KONSERWOWY 400G", "szt", " 5", 2.90, 25, "MLYN", "PRZETWORY"},
    {"1", "10033", "KUKURYDZA KONSERWOWA 400G", "szt", " 5", 3.30, 25, "MLYN", "PRZETWORY"},
    {"1", "10034", "PAPRYKA SŁODKA MIELONA 20G", "szt", " 8", 1.10, 40, "MLYN", "PRZYPRAWY"},
    {"1", "10035", "PIEPRZ CZARNY MIELONY 20G", "szt", " 8", 1.60, 40, "MLYN", "PRZYPRAWY"},
    // Warehouse 2: household goods and the odd exempt item.
    {"2", "20001", "PŁYN DO NACZYŃ 1L", "szt", "23", 4.80, 25, "CHEMIA", "CHEMIA"},
    {"2", "20002", "PROSZEK DO PRANIA 3KG", "szt", "23", 21.50, 20, "CHEMIA", "CHEMIA"},
    {"2", "20003", "MYDŁO W KOSTCE 100G", "szt", "23", 1.70, 35, "CHEMIA", "CHEMIA"},
    {"2", "20004", "PAPIER TOALETOWY 8 ROLEK", "op", "23", 9.90, 20, "CHEMIA", "PAPIER"},
    {"2", "20005", "RĘCZNIK PAPIEROWY 2 ROLKI", "op", "23", 5.20, 25, "CHEMIA", "PAPIER"},
    {"2", "20006", "WORKI NA ŚMIECI 35L 50SZT", "op", "23", 6.40, 30, "CHEMIA", "GOSPODARCZE"},
    {"2", "20007", "GĄBKI KUCHENNE 10SZT", "op", "23", 3.30, 35, "CHEMIA", "GOSPODARCZE"},
    {"2", "20008", "ŚCIERECZKI Z MIKROFIBRY 3SZT", "op", "23", 7.80, 30, "CHEMIA", "GOSPODARCZE"},
    {"2", "20009", "PŁYN DO SZYB 500ML", "szt", "23", 5.60, 28, "CHEMIA", "CHEMIA"},
    {"2", "20010", "ODŚWIEŻACZ POWIETRZA 300ML", "szt", "23", 6.90, 30, "CHEMIA", "CHEMIA"},
    {"2", "20011", "ZAPAŁKI 10 PUDEŁEK", "op", "23", 2.10, 40, "CHEMIA", "GOSPODARCZE"},
    {"2", "20012", "ZNICZ SZKLANY", "szt", "23", 3.50, 45, "CHEMIA", "GOSPODARCZE"},
    {"2", "20013", "TORBA PAPIEROWA DUŻA", "szt", "23", 0.45, 60, "CHEMIA", "PAPIER"},
    {"2", "20014", "KSIĄŻKA KUCHARSKA", "szt", " 5", 28.00, 25, "CHEMIA", "KSIAZKI"},
    {"2", "20015", "ZNACZEK POCZTOWY", "szt", "ZW", 3.20, 0, "CHEMIA", "USLUGI"},
    {"2", "20016", "SZKOLENIE BHP", "usł", "ZW", 100.00, 50, "CHEMIA", "USLUGI"},
};

constexpr PartySeed kCustomers[] = {
    {"PODLIPAM", "Sklep Spożywczy Pod Lipami", "Anna Wiśniewska", "ul. Lipowa 4", "45-001", "Opole", "754210338",
     "77 441 20 11", "G", 0, 0, 0},
    {"SMAKOSZ", "Delikatesy Smakosz s.c.", "", "ul. Krakowska 17", "45-075", "Opole", "991803527", "77 453 66 02",
     "P", 14, 10000, 2},
    {"JAS", "Market Osiedlowy Jaś", "Jan Kowalczyk", "os. Słoneczne 2", "47-100", "Strzelce Opolskie", "756180294",
     "77 461 08 90", "P", 7, 5000, 0},
    {"KLOS", "Piekarnia Kłos Sp. z o.o.", "", "ul. Młyńska 9", "46-020", "Czarnowąsy", "754330871", "77 469 31 15",
     "T", 21, 20000, 3},
    {"DAB", "Restauracja Pod Dębem", "Piotr Zieliński", "Rynek 1", "48-300", "Nysa", "753290416", "77 433 71 64",
     "P", 14, 8000, 0},
    {"DETAL", "Sprzedaż detaliczna", "", "", "", "", "", "", "G", 0, 0, 0},
};

constexpr PartySeed kSuppliers[] = {
    {"MLYN", "Młyn Zbożowy Ziarenko Sp. z o.o.", "", "ul. Młynarska 3", "46-200", "Kluczbork", "751190623",
     "77 418 25 40", "P", 30, 0, 0},
    {"MLECZARN", "Spółdzielnia Mleczarska Łąka", "", "ul. Polna 21", "49-300", "Brzeg", "747032185", "77 416 90 12",
     "P", 14, 0, 0},
    {"NAPOJE", "Rozlewnia Napojów Źródło", "", "ul. Zdrojowa 8", "48-340", "Głuchołazy", "753071942",
     "77 439 14 77", "P", 21, 0, 0},
    {"CHEMIA", "Hurtownia Chemii Gospodarczej Blask", "", "ul. Fabryczna 15", "45-401", "Opole", "754402169",
     "77 455 03 58", "P", 30, 0, 0},
};

constexpr RateSeed kRates[] = {{"EUR", 4.265}, {"USD", 3.942}, {"CHF", 4.481}, {"GBP", 5.013}};

}  // namespace

std::span<const OperatorSeed> Operators() { return kOperators; }
std::span<const ArticleSeed> Articles() { return kArticles; }
std::span<const PartySeed> Customers() { return kCustomers; }
std::span<const PartySeed> Suppliers() { return kSuppliers; }
std::span<const RateSeed> Rates() { return kRates; }

}  // namespace hurt::demo
