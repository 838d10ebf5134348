#include "shell/settings_fields.h"

#include <algorithm>

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/text.h"

namespace hurt::shell {

using namespace literals;

namespace {

using C = SettingCheck;

// ---- page 1: documents, fiscal printer, warehouses, stock ----
constexpr SettingField kPage1[] = {
    {.name = "J_VAT", .row = 2, .col = 0, .label = "VAT domyslny           :", .picture = "@!",
     .hint = "Stawka VAT proponowana w nowych pozycjach dowodow (jedna ze stawek PTU)"},
    {.name = "J_PTUA", .row = 3, .col = 0, .label = "Stawki PTU A:", .picture = "@!", .check = C::kPtu,
     .hint = "Stawka litery A drukarki fiskalnej (liczba, ZW lub NP) - tylko z serwisem"},
    {.name = "J_PTUB", .row = 3, .col = 16, .label = ",  B:", .picture = "@!", .check = C::kPtu,
     .hint = "Stawka litery B drukarki fiskalnej - zmieniac tylko z serwisem"},
    {.name = "J_PTUC", .row = 3, .col = 24, .label = ",  C:", .picture = "@!", .check = C::kPtu,
     .hint = "Stawka litery C drukarki fiskalnej - zmieniac tylko z serwisem"},
    {.name = "J_PTUD", .row = 3, .col = 32, .label = ",  D:", .picture = "@!", .check = C::kPtu,
     .hint = "Stawka litery D drukarki fiskalnej - zmieniac tylko z serwisem"},
    {.name = "J_PTUE", .row = 3, .col = 40, .label = ",  E:", .picture = "@!", .check = C::kPtu,
     .hint = "Stawka litery E drukarki fiskalnej - zmieniac tylko z serwisem"},
    {.name = "J_PTUF", .row = 3, .col = 48, .label = ",  F:", .picture = "@!", .check = C::kPtu,
     .hint = "Stawka litery F drukarki fiskalnej - zmieniac tylko z serwisem"},
    {.name = "J_DF_NAZWA", .row = 4, .col = 0, .label = "Jaka jest nazwa drukarki fiskalnej       ?",
     .picture = "@!", .hint = "Model drukarki fiskalnej: DF-300, FP-600, ORHMET"},
    {.name = "J_DF", .row = 5, .col = 0, .label = "Co wysyłac do FISKALNEJ ?"_pl, .picture = "@!",
     .hint = "Jakie dowody drukowac na drukarce fiskalnej (puste - zadne)", .size = 40, .field_col = 26},
    {.name = "J_I3", .row = 6, .col = 0, .label = "W polu ilosc [2..3] dzies.?", .picture = "9",
     .check = C::kQuantityDecimals, .hint = "Ile miejsc po przecinku ilosci wysylac do drukarki fiskalnej (2 lub 3)"},
    {.name = "J_POZIOM", .row = 6, .col = 40, .label = "Ile poziomow cen sprzedazy", .picture = "99",
     .check = C::kPriceLevels, .hint = "Liczba poziomow cen sprzedazy 1-10 (wiecej niz 1 wymaga pola CENAM)"},
    {.name = "J_RD", .row = 7, .col = 0, .label = "Jaki jest najczesciej uzywany dowod         ?",
     .picture = "@!", .check = C::kDocKind, .hint = "Rodzaj dowodu proponowany przy wystawianiu (musi istniec)"},
    {.name = "J_MIN_MARZ", .row = 7, .col = 54, .label = "Minimalna marza:", .picture = "999",
     .check = C::kMinMargin, .hint = "Najmniejsza dopuszczalna marza 0-200 %; zmiana wymaga hasla"},
    {.name = "J_SD", .row = 8, .col = 0, .label = "Jak oznaczono sprzedaz na paragony          ?",
     .picture = "@!", .check = C::kDocKind, .hint = "Rodzaj dowodu sprzedazy na paragony (musi istniec)"},
    {.name = "J_XKW", .row = 9, .col = 0, .label = "Dowod KW oznaczono", .picture = "@!", .check = C::kBeginsWith,
     .letters = "KW", .hint = "Rodzaj dowodu wyplaty z kasy (zaczyna sie od KW)"},
    {.name = "J_XKP", .row = 9, .col = 22, .label = ",KP", .picture = "@!", .check = C::kBeginsWith,
     .letters = "KP", .hint = "Rodzaj dowodu wplaty do kasy (zaczyna sie od KP)"},
    {.name = "JF_KP", .row = 9, .col = 36, .label = "Licznik KP:", .picture = "9999999",
     .check = C::kNotNegative, .hint = "Ostatni numer dowodu KP (zapisywany w danych firmy)"},
    {.name = "JF_KW", .row = 9, .col = 57, .label = "KW:", .picture = "9999999", .check = C::kNotNegative,
     .hint = "Ostatni numer dowodu KW (zapisywany w danych firmy)"},
    {.name = "JF_NO", .row = 10, .col = 0, .label = "Licznik dowodow NO   :", .picture = "9999999",
     .check = C::kNotNegative, .hint = "Ostatni numer dowodu NO (zapisywany w danych firmy)"},
    {.name = "JF_KP_KW", .row = 10, .col = 36, .label = "Licznik dowodow KP_KW:", .picture = "9999999",
     .check = C::kNotNegative, .hint = "Wspolny licznik dowodow KP i KW (zapisywany w danych firmy)"},
    {.name = "JF_KP_", .row = 11, .col = 0, .label = "Licznik dowodow KP_  :", .picture = "9999999",
     .check = C::kNotNegative, .hint = "Ostatni numer dowodu KP_ (zapisywany w danych firmy)"},
    {.name = "J_NAPED", .row = 12, .col = 0, .label = "Naped do zapisu dowodow przez F10  [A,B,,..]:",
     .picture = "!", .check = C::kDrive, .hint = "Litera napedu, na ktory F10 zapisuje dowody (A-Z)"},
    {.name = "J_MAG_GLOW", .row = 13, .col = 0, .label = "Jak oznaczono główny mag. ?"_pl, .picture = "!",
     .check = C::kMainWarehouse, .hint = "Kod magazynu glownego (nie moze byc pusty ani 0)"},
    {.name = "J_MAG_K", .row = 13, .col = 34, .label = "Jak oznaczono magazyn kosztow ?", .picture = "!",
     .hint = "Kod magazynu kosztow"},
    {.name = "J_MAG_U", .row = 14, .col = 0, .label = "Jak oznaczono magazyn usług ?"_pl, .picture = "@!",
     .hint = "Kod magazynu uslug (uslugi nie maja stanow)", .size = 2},
    {.name = "J_MAG_UU", .row = 14, .col = 40, .label = "Magazyn o stanach ujemnych", .picture = "@!",
     .hint = "Magazyny, w ktorych wolno zejsc ponizej zera", .size = 2},
    {.name = "J_MAG_KOMI", .row = 15, .col = 0,
     .label = "Jak oznaczono magazyny z towarem wzietym w KOMIS                ?", .picture = "@!",
     .hint = "Do 10 kodow magazynow z towarem komisowym (puste - brak)", .size = 10},
    {.name = "J_INF_UJEM", .row = 16, .col = 0, .label = "Czy informowac o ujemnych stanach           ?",
     .picture = "!", .hint = "T - ostrzegac, gdy wydanie da ujemny stan"},
    {.name = "J_UPUST", .row = 16, .col = 52, .label = "Upusty w dowodach    :", .picture = "!",
     .hint = "T - w dowodach mozna udzielac upustow"},
    {.name = "J_DOP_UJEM", .row = 17, .col = 0, .label = "Czy dopuscic do ujemnych stanow             ?",
     .picture = "!", .hint = "T - wolno wydac wiecej niz jest na stanie"},
    {.name = "J_NOWE_STA", .row = 17, .col = 52, .label = "Nowe stany           :", .picture = "!",
     .hint = "T - stany magazynowe liczone nowym sposobem"},
    {.name = "J_CENA_SR", .row = 18, .col = 0, .label = "Czy stosujesz ceny sredniowazone            ?",
     .picture = "!", .hint = "T - cena zakupu to srednia wazona z przyjec"},
    {.name = "J_DRUK_IND", .row = 18, .col = 52, .label = "Drukowac indeksy     :", .picture = "!",
     .hint = "T - indeksy towarow drukowane na dowodach"},
    {.name = "J_CENA_BRU", .row = 19, .col = 0, .label = "Czy sprzedajesz w cenie brutto              ?",
     .picture = "!", .hint = "T - ceny sprzedazy podawane w brutto"},
    {.name = "J_SD_RAZEM", .row = 19, .col = 52, .label = "SD razem             :", .picture = "!",
     .hint = "T - sprzedaz na paragony zliczana razem"},
    {.name = "J_SD_Z1MAG", .row = 20, .col = 0, .label = "SD z jednego magazynu:", .picture = "!",
     .hint = "T - paragon tylko z jednego magazynu"},
    {.name = "J_BOGATY_R", .row = 20, .col = 27, .label = "Bogaty raport        :", .picture = "!",
     .hint = "T - raporty z pelnym opisem pozycji"},
    {.name = "J_FILTR", .row = 20, .col = 54, .label = "Filtr kartotek      :", .picture = "!",
     .hint = "T - kartoteki otwierane z filtrem"},
    {.name = "J_REJ_NETT", .row = 21, .col = 0, .label = "Rejestr VAT w netto  :", .picture = "!",
     .hint = "T - rejestry VAT liczone od netto"},
    {.name = "J_DOW1_MAG", .row = 21, .col = 27, .label = "Dowod z 1 magazynu   :", .picture = "!",
     .hint = "T - jeden dowod wydaje z jednego magazynu"},
    {.name = "J_OPA", .row = 21, .col = 54, .label = "Kod opakowan        :", .picture = "@!",
     .hint = "Oznaczenie towarow bedacych opakowaniami zwrotnymi"},
};
constexpr PageText kPage1Texts[] = {{3, 56, "  ( nie zmieniac !!! )"}};
constexpr PageText kPage2Texts[] = {{5, 0, "Stały tekst pod FV,RU,SD (np. Towar nie podlega reklamacji) :"_pl}};

// ---- page 2: printing, invoices, payments, the month's routines ----
constexpr SettingField kPage2[] = {
    {.name = "J_ORYGINAL", .row = 2, .col = 0, .label = "Pisac oryginal-kopia [TNX]?", .picture = "!",
     .check = C::kOneOf, .letters = "TNX", .hint = "Napis ORYGINAL/KOPIA na fakturach: T - tak, N - nie, X - inaczej"},
    {.name = "J_PKWIU", .row = 2, .col = 40, .label = "Na FV PKWiU,sww,CN,GTU [TNX-CG]", .picture = "!",
     .check = C::kOneOf, .letters = "TNX-CG", .hint = "Jaki symbol klasyfikacji drukowac w pozycjach faktur"},
    {.name = "J_PAPIER", .row = 3, .col = 0, .label = "Ile wierszy pustych dac po wydrukowaniu FV  ?",
     .picture = "99", .check = C::kNotNegative, .hint = "Tyle pustych wierszy po fakturze (przesuw papieru)"},
    {.name = "J_EJECT", .row = 3, .col = 50, .label = "Wyrzucic papier (FV na A4)?", .picture = "!",
     .hint = "T - po fakturze wysunac kartke (faktury na A4)"},
    {.name = "J_WW1", .row = 4, .col = 0, .label = "Ilosc pozycji na FV; 1-strona", .picture = "999",
     .check = C::kNotNegative, .hint = "Ile pozycji miesci sie na pierwszej stronie faktury"},
    {.name = "J_WW2", .row = 4, .col = 34, .label = "2-strona", .picture = "999", .check = C::kNotNegative,
     .hint = "Ile pozycji miesci sie na nastepnych stronach faktury"},
    {.name = "J_ST_TEKST", .row = 6, .col = 0,
     .hint = "Staly tekst drukowany pod fakturami, rachunkami i paragonami", .size = 80, .width = 80,
     .field_col = 0},
    {.name = "J_ST_TEKS1", .row = 7, .col = 0, .hint = "Drugi wiersz stalego tekstu pod dowodami", .size = 80,
     .width = 80, .field_col = 0},
    {.name = "J_REKLAMA1", .row = 8, .col = 0, .label = "Tekst reklamowy (wiersz 1) :",
     .hint = "Tekst reklamowy drukowany na paragonie (wiersz 1)", .size = 40},
    {.name = "J_REKLAMA2", .row = 9, .col = 0, .label = "Tekst reklamowy (wiersz 2) :",
     .hint = "Tekst reklamowy drukowany na paragonie (wiersz 2)", .size = 40},
    {.name = "J_WAL", .row = 10, .col = 0, .label = "Domyslna waluta dla faktur exportowych ?", .picture = "@!",
     .hint = "Kod waluty proponowany na fakturach eksportowych (np. EUR)"},
    {.name = "J_WAL_AUTO", .row = 11, .col = 0, .label = "Przeliczac na walute bez pytania       ?",
     .picture = "!", .hint = "T - przeliczac na walute bez pytania o kurs"},
    {.name = "J_SD_RABAT", .row = 11, .col = 44, .label = "Maksymalny % rabatu na SD    ?", .picture = "99",
     .hint = "Najwiekszy rabat procentowy na paragonie"},
    {.name = "J_FZ", .row = 12, .col = 0,
     .label = "Jak oznaczono faktury zaliczkowe (np. FZ lub FZZ czy Fx)        ?", .picture = "@!",
     .check = C::kBeginsWith, .letters = "F", .hint = "Rodzaj dowodu faktury zaliczkowej (zaczyna sie od F)"},
    {.name = "J_AUTOMAT", .row = 13, .col = 0, .label = "Czy automatycznie ksiegowac po wydrukowaniu        ?",
     .picture = "!", .hint = "T - dowod ksiegowany od razu po wydrukowaniu"},
    {.name = "J_MOD_OPA", .row = 13, .col = 56, .label = "Zmiana opakowan   :", .picture = "!",
     .hint = "T - opakowania mozna zmieniac w dowodzie"},
    {.name = "J_UZGADNIA", .row = 14, .col = 0, .label = "Czy uzgadniac kartoteki przed zamknieciem miesiaca ?",
     .picture = "!", .hint = "T - przed zamknieciem miesiaca uzgodnic kartoteki"},
    {.name = "J_ATEST", .row = 14, .col = 56, .label = "Atesty            :", .picture = "!",
     .hint = "T - towary z atestami (wymaga pola ATEST w kartotece)"},
    {.name = "J_FVZMIENI", .row = 15, .col = 0, .label = "Czy dowody sprzedazy zmieniaja stany magazynowe [T]?",
     .picture = "!", .hint = "T - faktury zmieniaja stany; N - stany zmieniaja WZ"},
    {.name = "J_ATEST_DR", .row = 15, .col = 56, .label = "Druk atestow      :", .picture = "!",
     .hint = "T - atesty drukowane na dowodach"},
    {.name = "J_BLOKOWAC", .row = 16, .col = 0, .label = "Czy blokowac sprzedaz niesolidnym platnikom  [N/T] ?",
     .picture = "!", .hint = "T - nie sprzedawac odbiorcom zalegajacym z zaplata"},
    {.name = "J_KARENCJA", .row = 16, .col = 56, .label = "Ilosc dni karencji:", .picture = "999",
     .check = C::kNotNegative, .hint = "Ile dni po terminie zaplaty jeszcze sprzedawac"},
    {.name = "J_KOPIOWAC", .row = 17, .col = 0, .label = "Czy robic kopie bezpieczenstwa przy wyjsciu  [N/T] ?",
     .picture = "!", .hint = "T - przy wyjsciu z programu proponowac kopie danych"},
    {.name = "J_OPA_DRUK", .row = 17, .col = 56, .label = "Druk opakowan     :", .picture = "!",
     .hint = "T - opakowania drukowane na dowodach"},
    {.name = "J_GDZIE_VV", .row = 18, .col = 0, .label = "                       w jakim napedzie robic kopie:",
     .picture = "!", .hint = "Naped, na ktory robic kopie przy wyjsciu"},
    {.name = "J_AUTO_ZAP", .row = 18, .col = 56, .label = "Auto zapis         :", .picture = "!",
     .hint = "T - dowody zapisywane bez pytania"},
    {.name = "J_SD_GROSZ", .row = 19, .col = 0, .label = "SD uzgadniac do raportu fiskalnego dobowego  [N/T] ?",
     .picture = "!", .hint = "T - sprzedaz na paragony uzgadniana z raportem dobowym"},
    {.name = "J_SPECYFIK", .row = 19, .col = 56, .label = "Specyfikacja      :", .picture = "!",
     .hint = "T - do faktur drukowac specyfikacje"},
    {.name = "J_UBYTEK", .row = 20, .col = 0, .label = "Wskaznik proc. ubytku [1]:", .picture = "9.9",
     .check = C::kNotNegative, .hint = "Procent ubytku naturalnego (pierwszy wskaznik)"},
    {.name = "J_UBYTEK2", .row = 20, .col = 31, .label = "[2]", .picture = "9.9", .check = C::kNotNegative,
     .hint = "Procent ubytku naturalnego (drugi wskaznik)"},
    {.name = "J_FA_SORT", .row = 20, .col = 56, .label = "Sortowac pozycje FV:", .picture = "!",
     .hint = "T - pozycje faktur drukowane w kolejnosci indeksow"},
    {.name = "J_SPZ", .row = 21, .col = 0, .label = "Domyslny sposob zaplaty (PTGFC)", .picture = "!",
     .check = C::kOneOf, .letters = "GTPFKBCH",
     .hint = "G gotowka, T z terminem, P przelew, C karta, F faktoring, K kompensata, B, H"},
    {.name = "J_TEZ", .row = 21, .col = 40, .label = "Domyslny termin zaplaty np.14", .picture = "999",
     .check = C::kNotNegative, .hint = "Termin zaplaty w dniach proponowany w dowodach"},
    {.name = "J_RAB_SD_K", .row = 22, .col = 0, .label = "Rabat na SD przy zakupach wiekszych od :",
     .picture = "9999999.99", .check = C::kNotNegative,
     .hint = "Rabat na paragonie przysluguje od tej wartosci zakupow"},
};

// ---- page 3: the remaining switches and codes ----
constexpr SettingField kPage3[] = {
    {.name = "J_ZLE_UZGO", .row = 2, .col = 0, .label = "Zle uzgodn. [TNKR]  :", .picture = "!",
     .check = C::kOneOf, .letters = "TNKR", .hint = "Co robic ze zle uzgodnionymi kartotekami: T, N, K, R"},
    {.name = "J_DRU_RABA", .row = 2, .col = 27, .label = "Drukowac rabat FV   :", .picture = "!",
     .hint = "T - rabat drukowany w pozycjach faktur"},
    {.name = "J_1_KOMPUT", .row = 2, .col = 54, .label = "Jeden komputer      :", .picture = "!",
     .hint = "T - program pracuje na jednym komputerze"},
    {.name = "J_TOCZ_KAS", .row = 3, .col = 0, .label = "Kasa narastajaco    :", .picture = "!",
     .hint = "T - raport kasowy liczony narastajaco"},
    {.name = "J_PZ", .row = 3, .col = 27, .label = "Przyjecia PZ [TNE]  :", .picture = "!", .check = C::kOneOf,
     .letters = "TNE", .hint = "Sposob wprowadzania przyjec PZ: T, N lub E"},
    {.name = "J_RAP2SK", .row = 3, .col = 54, .label = "Raport 2 skladniki  :", .picture = "!",
     .hint = "T - raport z dwoma skladnikami wartosci"},
    {.name = "J_RAB_POZ", .row = 4, .col = 0, .label = "Rabat w pozycji     :", .picture = "!",
     .hint = "T - rabat podawany w kazdej pozycji dowodu"},
    {.name = "J_GETNIP", .row = 4, .col = 27, .label = "Pytac o NIP         :", .picture = "!",
     .hint = "T - przy dowodzie pytac o NIP nabywcy"},
    {.name = "J_RK_CZYST", .row = 4, .col = 54, .label = "Czysty raport kasowy:", .picture = "!",
     .hint = "T - raport kasowy bez pozycji zerowych"},
    {.name = "J_ZER_NRD", .row = 5, .col = 0, .label = "Numery od zera      :", .picture = "!",
     .hint = "T - numeracja dowodow od poczatku co miesiac"},
    {.name = "J_WIELE_W", .row = 5, .col = 27, .label = "Wiele wydrukow      :", .picture = "!",
     .hint = "T - kilka wydrukow dowodu naraz"},
    {.name = "J_MAG_DRUK", .row = 5, .col = 54, .label = "Drukowac magazyn    :", .picture = "!",
     .hint = "T - kod magazynu drukowany na dowodach"},
    {.name = "J_STRASZYC", .row = 6, .col = 0, .label = "Ostrzezenia         :", .picture = "!",
     .hint = "T - ostrzegac dzwiekiem i komunikatem"},
    {.name = "J_MAG1DYSK", .row = 6, .col = 27, .label = "Magazyn 1 dysk [TNX]:", .picture = "!",
     .check = C::kOneOf, .letters = "TNX", .hint = "Magazyn na jednym dysku: T, N lub X"},
    {.name = "J_OPA_DF", .row = 6, .col = 54, .label = "Opakowania na DF    :", .picture = "!",
     .hint = "T - opakowania wysylane do drukarki fiskalnej"},
    {.name = "J_ZPCHR", .row = 7, .col = 0, .label = "ZPChr               :", .picture = "!",
     .hint = "T - firma jest zakladem pracy chronionej"},
    {.name = "J_ODCH", .row = 7, .col = 27, .label = "Odchylenia cen      :", .picture = "!",
     .hint = "T - kontrolowac odchylenia cen"},
    {.name = "J_GET_C_N", .row = 7, .col = 54, .label = "Cena/nazwa [TNX]    :", .picture = "!",
     .check = C::kOneOf, .letters = "TNX", .hint = "Pytac o cene i nazwe w pozycji: T, N lub X"},
    {.name = "J_SD_SCAL", .row = 8, .col = 0, .label = "Scalac SD           :", .picture = "!",
     .hint = "T - paragony scalane w jeden dowod"},
    {.name = "J_MIN_MAX", .row = 8, .col = 27, .label = "Stany min/max       :", .picture = "!",
     .hint = "T - pilnowac stanow minimalnych i maksymalnych"},
    {.name = "J_TEN_SAM", .row = 8, .col = 54, .label = "Ten sam towar       :", .picture = "!",
     .hint = "T - ostrzegac o powtorzonym towarze w dowodzie"},
    {.name = "J_ATEST_ZA", .row = 9, .col = 0, .label = "Atesty w zakupie    :", .picture = "!",
     .hint = "T - atesty wpisywane przy zakupie"},
    {.name = "J_DUPLIKAT", .row = 9, .col = 27, .label = "Duplikaty           :", .picture = "!",
     .hint = "T - mozna drukowac duplikaty dowodow"},
    {.name = "J_LACH", .row = 9, .col = 54, .label = "Lacznie             :", .picture = "!",
     .hint = "T - zestawienia lacznie dla wszystkich magazynow"},
    {.name = "J_MARZA_PZ", .row = 10, .col = 0, .label = "Marza na PZ         :", .picture = "!",
     .hint = "T - przy przyjeciu liczyc ceny sprzedazy z marzy"},
    {.name = "J_SD_POPRA", .row = 10, .col = 27, .label = "Poprawa SD          :", .picture = "!",
     .hint = "T - paragony mozna poprawiac"},
    {.name = "J_TANGO", .row = 10, .col = 54, .label = "Tango               :", .picture = "!",
     .hint = "T - wymiana danych z programem Tango"},
    {.name = "J_WZ_PRZEN", .row = 11, .col = 0, .label = "WZ przenoszone      :", .picture = "!",
     .hint = "T - niezafakturowane WZ przenoszone na nowy miesiac"},
    {.name = "J_SZUFLADA", .row = 11, .col = 27, .label = "Szuflada kasy       :", .picture = "!",
     .hint = "T - otwierac szuflade kasy przy paragonie"},
    {.name = "J_PZ_METKA", .row = 11, .col = 54, .label = "Metki po PZ         :", .picture = "!",
     .hint = "T - po przyjeciu drukowac metki cenowe"},
    {.name = "J_RABAT_AS", .row = 12, .col = 0, .label = "Rabat z kartoteki   :", .picture = "!",
     .hint = "T - rabat brany z kartoteki towaru"},
    {.name = "J_FV_SALDO", .row = 12, .col = 27, .label = "Saldo na FV         :", .picture = "!",
     .hint = "T - na fakturze drukowac saldo odbiorcy"},
    {.name = "J_DATA_WAZ", .row = 12, .col = 54, .label = "Data waznosci       :", .picture = "!",
     .hint = "T - towary z data waznosci"},
    {.name = "J_ED_NIP", .row = 13, .col = 0, .label = "Edycja NIP          :", .picture = "!",
     .hint = "T - NIP mozna poprawiac w dowodzie"},
    {.name = "J_BLOKUJ_N", .row = 13, .col = 27, .label = "Blokuj N            :", .picture = "!",
     .hint = "T - blokowac sprzedaz na platnosc N"},
    {.name = "J_MAG00", .row = 13, .col = 54, .label = "Magazyn 00          :", .picture = "!",
     .hint = "Kod magazynu dla indeksow 00"},
    {.name = "J_FV_SYMBO", .row = 14, .col = 0, .label = "Symbol FV           :", .picture = "@!",
     .hint = "Symbol dopisywany do numeru faktury", .size = 4},
    {.name = "J_KOD13W", .row = 14, .col = 27, .label = "Kod wagowy          :", .picture = "@!",
     .hint = "Poczatek kodu kreskowego towarow wazonych (puste - XX)", .size = 2},
    {.name = "J_INDEKS00", .row = 14, .col = 54, .label = "Indeks 00           :", .picture = "@!",
     .hint = "Poczatek indeksow 00", .size = 2},
    {.name = "J_NEC_M1", .row = 15, .col = 0, .label = "Wskaznik NEC 1      :", .picture = "999999.99",
     .hint = "Pierwszy wskaznik NEC"},
    {.name = "J_NEC_M2", .row = 15, .col = 34, .label = "Wskaznik NEC 2      :", .picture = "999999.99",
     .hint = "Drugi wskaznik NEC"},
    {.name = "J_LEN_P", .row = 16, .col = 0, .label = "Dlugosc P           :", .picture = "99",
     .check = C::kNotNegative, .hint = "Dlugosc pola P"},
    {.name = "J_SPOWOLNI", .row = 16, .col = 34, .label = "Spowolnienie        :", .picture = "999",
     .check = C::kNotNegative, .hint = "Spowolnienie wysylki do urzadzen (1 - bez)"},
    {.name = "J_KOD13_F5", .row = 17, .col = 0, .label = "Kody F5             :", .picture = "@!",
     .hint = "Kody kreskowe pod klawiszem F5", .size = 13},
    {.name = "J_FOLDER", .row = 17, .col = 40, .label = "Folder              :",
     .hint = "Folder wymiany danych", .size = 12},
    {.name = "J_FAKTORIN", .row = 18, .col = 0, .label = "Plik faktoringu     :",
     .hint = "Plik z danymi faktoringu", .size = 12},
    {.name = "J_PP_PLIK", .row = 18, .col = 40, .label = "Plik PP             :", .hint = "Plik PP", .size = 10},
    {.name = "J_MAG_DOPI", .row = 19, .col = 0, .label = "Magazyny dopisywane :", .picture = "@!",
     .hint = "Magazyny, do ktorych dopisuje sie towary", .size = 10},
    {.name = "J_MAG_PRZY", .row = 19, .col = 40, .label = "Magazyny przyjec    :", .picture = "@!",
     .hint = "Magazyny przyjec", .size = 10},
    {.name = "J_KP_R", .row = 20, .col = 0, .label = "Katalog kasy        :", .hint = "Katalog wymiany z kasa",
     .size = 25},
    {.name = "J_PATH", .row = 21, .col = 0, .label = "Sciezka             :", .hint = "Sciezka dodatkowych danych",
     .size = 30},
};

// ---- the installer's page ----
constexpr SettingField kInstaller[] = {
    {.name = "J_KSEF", .row = 3, .col = 0, .label = "Czy wysylac faktury do KSeF przy ksiegowaniu      ?",
     .picture = "!", .hint = "T - faktury wysylane do KSeF automatycznie przy ksiegowaniu"},
    {.name = "J_KANTY", .row = 4, .col = 0, .label = "Czy pamietac wszystkie kombinacje operatora        ?",
     .picture = "!", .hint = "T - prowadzic dziennik operatora (operator.txt); N - dziennik oprozniany"},
    {.name = "J_SKLEP", .row = 5, .col = 0, .label = "Czy program pracuje jako sklep                    ?",
     .picture = "!", .hint = "T - instalacja sklepowa"},
    {.name = "J_KOD13ZN", .row = 6, .col = 0, .label = "Czy kody kreskowe maja 13 znakow                  ?",
     .picture = "!", .hint = "T - kody kreskowe towarow 13-znakowe"},
    {.name = "J_FV_WZ_SC", .row = 7, .col = 0, .label = "Czy scalac FV do WZ                               ?",
     .picture = "!", .hint = "T - faktura do kilku WZ scala jednakowe pozycje"},
    {.name = "J_RABAT29", .row = 8, .col = 0, .label = "Rabat 29 [%]                                      :",
     .picture = "999", .hint = "Rabat 29 w procentach", .size = 3},
    {.name = "J_MARZA29", .row = 9, .col = 0, .label = "Marza 29 [%]                                      :",
     .picture = "999", .hint = "Marza 29 w procentach", .size = 3},
    {.name = "J_WITEK1", .row = 11, .col = 0, .label = "1 opcja instalatora :",
     .hint = "Tekst pozycji 1 instalatora w Funkcjach specjalnych (ZEROWANIE - zerowanie)"},
    {.name = "J_WITEK2", .row = 12, .col = 0, .label = "2 opcja instalatora :",
     .hint = "Tekst pozycji 2 instalatora w Funkcjach specjalnych (puste - brak pozycji)"},
    {.name = "J_WITEK3", .row = 13, .col = 0, .label = "3 opcja instalatora :",
     .hint = "Tekst pozycji 3 instalatora w Funkcjach specjalnych (puste - brak pozycji)"},
    {.name = "J_FF2", .row = 15, .col = 0, .label = "PATH do FK (np. F:\\FIRMA\\FF):",
     .hint = "Katalog danych ksiegowosci; gdy podany, przy wyjsciu nie ma kopii"},
    {.name = "J_KSEF_QR", .row = 17, .col = 0, .label = "Adres kodow QR KSeF :",
     .hint = "Adres weryfikacji faktur KSeF (KOD I); puste - https://qr.ksef.mf.gov.pl", .size = 40},
};

}  // namespace

SettingsPage UserPage(int number) {
  switch (number) {
    case 1: return {kPage1, kPage1Texts};
    case 2: return {kPage2, kPage2Texts};
    default: return {kPage3, {}};
  }
}

SettingsPage InstallerPage() { return {kInstaller, {}}; }

int FieldColumn(const SettingField& field) {
  if (field.field_col >= 0) return field.field_col;
  return field.col + static_cast<int>(field.label.size()) + 1;
}

std::string_view DfLabel(std::string_view model) {
  const std::string m = Upper(model);
  if (m.find("FP-600") != std::string::npos) return "Co wysyłac do FP-600 ?"_pl;
  if (m.find("ORHMET") != std::string::npos) return "Co wysyłac do ORHMETa "_pl;
  return "Co wysyłac do FISKALNEJ ?"_pl;
}

std::string CheckYesNo(std::string_view value) {
  const std::string v = AllTrim(value);
  return v == "T" || v == "N" ? "" : "Wpisz T lub N";
}

std::string CheckOneOf(std::string_view value, std::string_view letters) {
  const std::string v = AllTrim(value);
  if (v.size() == 1 && letters.find(v[0]) != std::string_view::npos) return "";
  std::string allowed;
  for (char c : letters) {
    if (!allowed.empty()) allowed += ",";
    allowed += c;
  }
  return "Dozwolone tylko: " + allowed;
}

std::string CheckBeginsWith(std::string_view value, std::string_view beginning) {
  if (Upper(value).rfind(beginning, 0) == 0) return "";
  return "Oznaczenie musi zaczynac sie od " + std::string(beginning);
}

std::string CheckDrive(std::string_view value) {
  const std::string v = AllTrim(value);
  if (v.size() == 1 && v[0] >= 'A' && v[0] <= 'Z') return "";
  return "Podaj litere napedu A-Z";
}

std::string CheckMainWarehouse(std::string_view value) {
  const std::string v = AllTrim(value);
  if (!v.empty() && v != "0") return "";
  return "Magazyn glowny nie moze byc pusty ani 0";
}

std::string CheckNotNegative(double value) { return value >= 0 ? "" : "Wartosc nie moze byc ujemna"; }

std::string CheckPtu(std::string_view value, bool fine_rates) {
  const std::string v = AllTrim(value);
  if (v == "ZW" || v == "NP" || v == "--") return "";
  static constexpr std::string_view kRefusal = "Stawka: liczba 0-99, ZW, NP lub --";
  if (v.empty()) return std::string(kRefusal);
  int digits = 0, points = 0, after_point = 0;
  for (char c : v) {
    if (c >= '0' && c <= '9') {
      ++digits;
      if (points > 0) ++after_point;
    } else if (c == '.') {
      ++points;
    } else {
      return std::string(kRefusal);
    }
  }
  const bool whole_ok = points == 0 && digits <= 2;
  const bool fine_ok = fine_rates && points == 1 && after_point == 1 && digits - after_point <= 2 && digits > 1;
  if (!whole_ok && !fine_ok) return std::string(kRefusal);
  return "";
}

std::string NormaliseMagKomi(std::string_view value) {
  std::string out;
  for (char c : value)
    if (c != ' ' && c != '0') out += c;
  if (out.empty()) return std::string("│"_pl);
  return out;
}

std::string NormaliseKod13w(std::string_view value) { return IsBlank(value) ? "XX" : std::string(value); }

}  // namespace hurt::shell
