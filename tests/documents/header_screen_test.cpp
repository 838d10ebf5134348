// The document screen driven as an operator drives it: a sale is started on a data
// directory built by start-up, with kinds, documents and a customer written into it.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

#include "base/numeric.h"
#include "console/keys.h"
#include "documents/document_list.h"
#include "documents/header.h"
#include "documents/header_guards.h"
#include "documents/header_sources.h"
#include "documents/vat_reconcile.h"
#include "session/init_tables.h"
#include "shell/startup_fixture.h"
#include "support/hurt_data.h"
#include "support/temp_dir.h"

namespace hurt::documents {
namespace {

namespace key = console::key;
using shell::TestStation;

class DocumentScreen : public testing::DataDirTest {
 protected:
  void SetUp() override {
    testing::MakeCompany(dir.str());
    ASSERT_TRUE(t.Run([&] { ASSERT_TRUE(session::InitNtx(t.session)); }));
    t.session.op().nr = "1";
    t.session.op().nazwisko = "Nowak Anna";
    Kind("FV ", "FAKTURA VAT", "R", "S", "N", 41);
    Kind("PZ ", "PRZYJECIE ZEWNETRZNE", "P", "Z", "N", 7);
    Document("FV ", "      42", JulianFromYmd(2026, 12, 7));
    Document("FV ", "      43", JulianFromYmd(2026, 12, 7));
    Customer("KOWALSKI", "SKLEP JAN KOWALSKI", "P", 21);
  }

  xbase::WorkArea& Area(const char* alias) { return *t.session.areas().Find(alias); }

  void Put(xbase::WorkArea& a, std::initializer_list<std::pair<const char*, xbase::Value>> fields) {
    ASSERT_TRUE(a.Append().ok());
    for (const auto& [name, value] : fields) ASSERT_TRUE(a.Replace(name, value).ok()) << name;
    ASSERT_TRUE(a.Unlock().ok());
  }
  void Kind(const char* rd, const char* opis, const char* r_p, const char* s_z, const char* nb, int nrd) {
    Put(Area("slow"), {{"RD", rd}, {"OPIS", opis}, {"R_P", r_p}, {"S_Z", s_z}, {"CUV", "U"}, {"NB", nb},
                       {"KTO", "O"}, {"MAG", "1"}, {"NRD", nrd}});
  }
  void Document(const char* rd, const char* nrd, JulianDay data) {
    Put(Area("dowod"), {{"RD", rd}, {"NRD", nrd}, {"R_P", "R"}, {"S_Z", "S"}, {"DATA", xbase::Date{data}}});
  }
  void Customer(const char* odb, const char* nodb, const char* spz, int tez) {
    Put(Area("zo"), {{"ODB", odb}, {"NODB", nodb}, {"SPZ", spz}, {"TEZ", tez}, {"REGON", "1234563218"}});
  }

  // The first screen shown that holds `text`, as rows.
  std::vector<std::string> ScreenWith(std::string_view text) const {
    for (const std::string& s : t.recorder.shown) {
      if (s.find(text) == std::string::npos) continue;
      std::vector<std::string> rows;
      std::istringstream in(s);
      for (std::string row; std::getline(in, row);) rows.push_back(row);
      return rows;
    }
    return {};
  }
  // The last screen a wait for a key showed that holds `text`, as rows.
  std::vector<std::string> LastWaitWith(std::string_view text) const {
    for (auto it = t.recorder.waits.rbegin(); it != t.recorder.waits.rend(); ++it) {
      if (it->find(text) == std::string::npos) continue;
      std::vector<std::string> rows;
      std::istringstream in(*it);
      for (std::string row; std::getline(in, row);) rows.push_back(row);
      return rows;
    }
    return {};
  }
  // Columns of a UTF-8 row counted in characters.
  static std::string Cells(const std::string& row, size_t col, size_t length) {
    std::string out;
    size_t cell = 0;
    for (size_t i = 0; i < row.size();) {
      size_t len = 1;
      const auto c = static_cast<unsigned char>(row[i]);
      if (c >= 0xF0) len = 4; else if (c >= 0xE0) len = 3; else if (c >= 0xC0) len = 2;
      if (cell >= col && cell < col + length) out += row.substr(i, len);
      i += len;
      ++cell;
    }
    return out;
  }

  // Keys given while the screen holds `text`.
  void When(const std::string& text, std::initializer_list<int> keys) {
    for (int k : keys) t.recorder.When(text, k);
  }

  TestStation t{dir.str()};
};

constexpr const char* kEntry = "E D Y C J A   D O W O D O W";

TEST_F(DocumentScreen, SaleFromAnUnknownKindToTheLineGrid) {
  When(kEntry, {'X', 'X', 'X', key::kEnter});  // a kind that does not exist: the list
  When("Rodzaje dowodow", {key::kEnter});             // it starts on the usual kind FV
  When(kEntry, {key::kEnter, key::kEnter, key::kEnter, key::kEnter});  // date, payment, term, warehouse
  When(kEntry, {'K', 'O', 'W', key::kEnter});         // a prefix of the customer's code
  When("Odbiorca ma spz.P, termin 21 dni", {key::kSpace});
  When("Zmieniam termin zaplaty P21", {key::kSpace});
  When(kEntry, {key::kEnter, key::kEnter, key::kEnter});  // name and the two address lines
  When(kEntry, {key::kEsc});  // the empty line grid: nothing to post
  When(kEntry, {key::kEsc});  // the next document: leave
  ASSERT_TRUE(t.Run([&] { DbuDow(t.session, 0); }));
  EXPECT_TRUE(t.recorder.AllGatesUsed());

  const std::vector<std::string> list = ScreenWith("Rodzaje dowodow");
  ASSERT_FALSE(list.empty());
  std::string all;
  for (const std::string& r : list) all += r;
  EXPECT_NE(all.find("FV  │ FAKTURA VAT"), std::string::npos) << all;
  EXPECT_NE(all.find("PZ  │ PRZYJECIE ZEWNETRZNE"), std::string::npos) << all;

  // The line grid is reached with the header as entered.
  const std::vector<std::string> rows = ScreenWith("F2-Rabat");
  ASSERT_EQ(rows.size(), 25u);
  EXPECT_EQ(Cells(rows[0], 0, 10), "Nowak Anna");
  EXPECT_EQ(Cells(rows[0], 22, 35), "    E D Y C J A   D O W O D O W    ");
  EXPECT_EQ(Cells(rows[0], 58, 21), "       Grudzien '2026");
  EXPECT_EQ(Cells(rows[1], 0, 1), "┌");
  EXPECT_EQ(Cells(rows[2], 0, 80),
            "│Rd:FV │ Nr:       44│ Data:  08.12.2026│Płatnosc: P  21│ Mag: 1│ Kod:  KOWALSKI");
  EXPECT_EQ(Cells(rows[3], 0, 8), "└──────┴");
  EXPECT_EQ(Cells(rows[4], 0, 48), "Nazwa kontrahenta           : SKLEP JAN KOWALSKI");
  EXPECT_EQ(Cells(rows[5], 0, 29), "Uwagi                       :");
  EXPECT_EQ(rows[8], " Lp│INDEKS  │NAZWA                         │  ILOSC  │   CENA  │ %  │  WARTOSC  ");
  EXPECT_EQ(Cells(rows[12], 0, 14), "   │        │ ");
  EXPECT_EQ(rows[24], "F1-Pomoc    F2-Rabat                         F5-DRUK                 Esc-Wyjscie");

  // The grid waiting for the first line: its heading once, its first row under the rule,
  // the keys of entry.
  const std::vector<std::string> grid = LastWaitWith("F5-DRUK");
  ASSERT_EQ(grid.size(), 25u);
  EXPECT_EQ(std::count_if(grid.begin(), grid.end(), [](const std::string& r) { return r.find("INDEKS") != r.npos; }), 1);
  EXPECT_EQ(grid[8], rows[8]);
  EXPECT_EQ(Cells(grid[10], 0, 14), "   │        │ ");
  EXPECT_EQ(grid[24], rows[24]);

  EXPECT_EQ(t.session.vars().Number("KLUCZ"), 0);  // released after the routine: NIL reads 0
}

// Every field waits for its Enter, in insert mode as the program runs: a kind typed over
// the proposed "FV " replaces it, and the Enter after a one-letter warehouse does not
// carry the typing on into the counterparty's name.
TEST_F(DocumentScreen, EachFieldIsLeftWithItsOwnEnter) {
  Kind("WZ ", "WYDANIE ZEWNETRZNE", "R", "D", "N", 0);
  t.con.set_insert_mode(true);
  When(kEntry, {'W', 'Z', key::kEnter});
  When(kEntry, {key::kEnter, key::kEnter, key::kEnter});      // date, payment, term
  When(kEntry, {'2', key::kEnter});                           // warehouse
  When(kEntry, {'K', 'O', 'W', key::kEnter});                 // a prefix of the customer's code
  When(kEntry, {key::kEnter, key::kEnter, key::kEnter});      // name and the two address lines
  When(kEntry, {key::kEsc});  // the empty line grid
  When(kEntry, {key::kEsc});
  ASSERT_TRUE(t.Run([&] { DbuDow(t.session, 0); }));
  EXPECT_TRUE(t.recorder.AllGatesUsed());
  const std::vector<std::string> rows = ScreenWith("F2-Rabat");
  ASSERT_EQ(rows.size(), 25u);
  EXPECT_EQ(Cells(rows[2], 0, 7), "│Rd:WZ ");
  EXPECT_EQ(Cells(rows[2], 57, 23), " Mag: 2│ Kod:  KOWALSKI");
  EXPECT_EQ(Cells(rows[4], 30, 18), "SKLEP JAN KOWALSKI");
}

// A purchase has its due date between the payment and the term: the first pass through
// the header reaches it, and the term follows the date typed.
TEST_F(DocumentScreen, PurchaseDueDateIsReachedOnTheFirstPass) {
  t.con.set_insert_mode(true);
  When(kEntry, {'P', 'Z', key::kEnter});
  When(kEntry, {key::kEnter});                                        // date
  When(kEntry, {'T', key::kEnter});                                   // payment
  When(kEntry, {'2', '2', '1', '2', '2', '0', '2', '6', key::kEnter});  // due date
  When(kEntry, {key::kEnter, key::kEnter, key::kEnter});              // term, warehouse, supplier
  When(kEntry, {key::kEnter, key::kEnter, key::kEnter, key::kEnter});  // name, notes, invoice date
  When(kEntry, {key::kEsc});  // the empty line grid
  When(kEntry, {key::kEsc});
  ASSERT_TRUE(t.Run([&] { DbuDow(t.session, 0); }));
  EXPECT_TRUE(t.recorder.AllGatesUsed());
  const std::vector<std::string> rows = ScreenWith("F2-Rabat");
  ASSERT_EQ(rows.size(), 25u);
  EXPECT_EQ(Cells(rows[1], 46, 10), "22.12.2026");
  EXPECT_EQ(Cells(rows[2], 41, 15), "Płatnosc: T  14");
}

// A pro-forma kind is open to an operator the kind's rights would otherwise refuse.
TEST_F(DocumentScreen, AProFormaKindNeedsNoRights) {
  Kind("PRO", "PROFORMA \xFA", "R", "S", "N", 0);
  t.session.op().prawa = "NNNNNNNNNNNNNNNNNNNN";
  t.session.vars().Set("M_RD_POMIN", xbase::Value(",PRO,"));
  When(kEntry, {'P', 'R', 'O'});
  When(kEntry, {key::kEsc});
  When(kEntry, {key::kEsc});
  ASSERT_TRUE(t.Run([&] { DbuDow(t.session, 0); }));
  EXPECT_FALSE(t.recorder.Saw("Brak praw do PRO"));
  EXPECT_FALSE(t.recorder.Saw("Ta zabawa nie dla ciebie"));
  EXPECT_FALSE(ScreenWith("Rd:PRO").empty()) << "the pro-forma kind is taken";
}

TEST_F(DocumentScreen, DateOfTheNextMonthIsRefusedWithTheMonthName) {
  When(kEntry, {key::kEnter});                       // kind FV
  When(kEntry, {'0', '4', '0', '1', '2', '0', '2', '7', key::kEnter});  // 04.01.2027
  When("BIEZACYM MIESIACEM JEST Grudzien '2026", {key::kSpace});
  When(kEntry, {key::kEsc});
  ASSERT_TRUE(t.Run([&] { DbuDow(t.session, 0); }));
  EXPECT_TRUE(t.recorder.AllGatesUsed());
  // The field went back to the period's date.
  const std::vector<std::string> rows = ScreenWith("BIEZACYM MIESIACEM");
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(t.session.vars().Date("M_DATA"), JulianFromYmd(2026, 12, 8));
}

TEST_F(DocumentScreen, UnknownCounterpartyIsWrittenThroughTheNewForm) {
  When(kEntry, {key::kEnter, key::kEnter, key::kEnter, key::kEnter, key::kEnter});  // kind to warehouse
  When(kEntry, {'Z', 'Z', 'Z', key::kEnter});
  When("Kontrahenci", {key::kEsc});  // the list of customers: none is the one
  When("BRAK KONTRAHENTA O PODANYM KODZIE", {key::kSpace});
  When("Nowy kontrahent", {key::kEnter, 'F', 'I', 'R', 'M', 'A', ' ', 'Z', 'E', 'T', key::kEnter});
  When("Nowy kontrahent", {key::kEnter, key::kEnter, key::kEnter, key::kEnter, key::kEnter});
  When(kEntry, {key::kEnter, key::kEnter, key::kEnter});
  When(kEntry, {key::kEsc});  // the empty line grid: nothing to post
  When(kEntry, {key::kEsc});
  ASSERT_TRUE(t.Run([&] { DbuDow(t.session, 0); }));
  EXPECT_TRUE(t.recorder.AllGatesUsed());
  xbase::WorkArea& zo = Area("zo");
  ASSERT_TRUE(zo.SetOrder(1).ok());
  auto found = zo.SeekKey("ZZZ     ");
  ASSERT_TRUE(found.ok());
  ASSERT_TRUE(*found);
  EXPECT_EQ(zo.Get("NODB")->AsString().substr(0, 9), "FIRMA ZET");
  const std::vector<std::string> rows = ScreenWith("F2-Rabat");
  ASSERT_EQ(rows.size(), 25u);
  EXPECT_EQ(Cells(rows[2], 72, 8), "ZZZ     ");
  EXPECT_EQ(Cells(rows[4], 30, 9), "FIRMA ZET");
}

TEST_F(DocumentScreen, CustomerFoundByTaxNumber) {
  ASSERT_TRUE(t.session.settings().SetText("J_GETNIP", "T").ok());
  When(kEntry, {key::kEnter, key::kEnter, key::kEnter, key::kEnter, key::kEnter});  // kind to warehouse
  When(kEntry, {'1', '2', '3', '4', '5', '6', '3', '2', '1', '8', key::kEnter});
  When(kEntry, {key::kEnter});  // the code found by the number
  When("Odbiorca ma spz.P, termin 21 dni", {key::kSpace});
  When("Zmieniam termin zaplaty P21", {key::kSpace});
  When(kEntry, {key::kEnter, key::kEnter, key::kEnter});
  When(kEntry, {key::kEsc});  // the empty line grid: nothing to post
  When(kEntry, {key::kEsc});
  ASSERT_TRUE(t.Run([&] { DbuDow(t.session, 0); }));
  EXPECT_TRUE(t.recorder.AllGatesUsed());
  const std::vector<std::string> rows = ScreenWith("F2-Rabat");
  ASSERT_EQ(rows.size(), 25u);
  EXPECT_EQ(Cells(rows[2], 72, 8), "KOWALSKI");
  EXPECT_FALSE(t.recorder.Saw("ZŁY NIP"));
}

TEST_F(DocumentScreen, WrongTaxNumbers) {
  ASSERT_TRUE(t.session.settings().SetText("J_GETNIP", "T").ok());
  // A checksum that does not agree warns and the entry goes on to the code.
  When(kEntry, {key::kEnter, key::kEnter, key::kEnter, key::kEnter, key::kEnter});
  When(kEntry, {'1', '2', '3', '4', '5', '6', '3', '2', '1', '9', key::kEnter});
  When("ZŁY NIP", {key::kSpace});
  When(kEntry, {key::kUp});  // from the code back to the number
  // One of the wrong length is refused: Enter on it warns again instead of moving on.
  When(kEntry, {key::kHome, '1', '2', '3', key::kCtrlY, key::kEnter});
  When("ZŁY NIP", {key::kSpace});
  When(kEntry, {key::kEnter});
  When("ZŁY NIP", {key::kSpace});
  When(kEntry, {key::kEsc});
  ASSERT_TRUE(t.Run([&] { DbuDow(t.session, 0); }));
  EXPECT_TRUE(t.recorder.AllGatesUsed());
  EXPECT_EQ(t.recorder.Count("ZŁY NIP"), 3);
}

TEST_F(DocumentScreen, TotalOfTheWorkingLinesIsReconciledAndShown) {
  ASSERT_TRUE(session::NoweDd(t.session));
  xbase::WorkArea& dd = Area("dd");
  for (int i = 0; i < 3; ++i)
    Put(dd, {{"ILOSC", 1}, {"CENA", 0.10}, {"NB", "N"}, {"PODATEK0", "23"}, {"WARTOSC", 0.10}, {"PODATEK", 0.02},
             {"BRUTTO", 0.12}});
  t.session.vars().Set("M_RD", xbase::Value("FV "));
  t.session.vars().Set("M_NB", xbase::Value("N"));
  double total = 0;
  ASSERT_TRUE(t.Run([&] { total = JakaWartoscNaEkranie(t.session, kReasonPost); }));
  EXPECT_EQ(FormatFixed(total, 2), "0.37");
  EXPECT_EQ(t.Line(23).substr(67), "         0.37");
  ASSERT_TRUE(dd.GoTop().ok());
  EXPECT_EQ(FormatFixed(dd.Get("PODATEK")->AsNumber(), 2), "0.03");
}

TEST_F(DocumentScreen, PaymentOfTheDocumentFromItsCustomer) {
  ASSERT_TRUE(session::NoweDd(t.session));
  t.session.vars().Set("M_RD", xbase::Value("FV "));
  t.session.vars().Set("M_ODB", xbase::Value("KOWALSKI"));
  t.session.vars().Set("M_DATA", xbase::Value(xbase::Date{JulianFromYmd(2026, 12, 8)}));
  UstalSpzDokumentu(t.session);
  EXPECT_EQ(t.session.vars().Text("M_SPZ"), "P");
  EXPECT_EQ(t.session.vars().Number("M_TEZ"), 21);
  EXPECT_EQ(t.session.vars().Date("M_TERMIN"), JulianFromYmd(2026, 12, 29));
  t.session.vars().Set("M_ODB", xbase::Value("NIKT"));
  UstalSpzDokumentu(t.session);
  EXPECT_EQ(t.session.vars().Text("M_SPZ"), "G");
}

TEST_F(DocumentScreen, DisplayLooksForTheNumberTyped) {
  EXPECT_EQ(ModeTitle(1), "     WYSWIETLANIE   DOWODOW        ");
  EXPECT_EQ(ModeTitle(2), " P O P R A W A    D O W O D O W    ");
  When("WYSWIETLANIE", {key::kEnter});              // kind FV
  When("WYSWIETLANIE", {'9', '9', key::kEnter});    // a number nobody wrote
  When("2. NIE MA TAKIEGO DOKUMENTU", {key::kSpace});
  When("WYSWIETLANIE", {key::kEsc});
  ASSERT_TRUE(t.Run([&] { DbuDow(t.session, 1); }));
  EXPECT_TRUE(t.recorder.AllGatesUsed());
  const std::vector<std::string> rows = ScreenWith("2. NIE MA TAKIEGO DOKUMENTU");
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(Cells(rows[0], 22, 35), "     WYSWIETLANIE   DOWODOW        ");
}

// A posted line keeps no gross value; on a gross kind its WARTOSC is the gross, also when
// the line has no basis of its own (the net case is in the invoice screen test).
TEST_F(DocumentScreen, DisplayShowsTheGrossOfAPostedGrossLine) {
  Kind("PA ", "PARAGON", "R", "S", "B", 0);
  Document("PA ", "       5", JulianFromYmd(2026, 12, 7));
  Put(Area("dow"), {{"RD", "PA "}, {"NRD", "       5"}, {"LP", "  1"}, {"MAG", "1"}, {"INDEKS", "A1"},
                    {"NAZWA", "PILA"}, {"ILOSC", 3}, {"CENA", 9.99}, {"PODATEK0", "23"}, {"WARTOSC", 29.97},
                    {"PODATEK", 5.60}});
  When("WYSWIETLANIE", {'P', 'A', key::kEnter, '5', key::kEnter});
  When("WYSWIETLANIE", {key::kEsc});  // the grid
  When("WYSWIETLANIE", {key::kEsc});
  ASSERT_TRUE(t.Run([&] { DbuDow(t.session, 1); }));
  const std::vector<std::string> grid = LastWaitWith("PILA");
  ASSERT_EQ(grid.size(), 25u);
  EXPECT_EQ(Cells(grid[10], 69, 11), "      29.97");
  EXPECT_EQ(Cells(grid[23], 67, 13), "        29.97");
}

// ---- corrections, tags and currency ----

constexpr const char* kCorrection = "P O P R A W A";

class DocumentGuards : public DocumentScreen {
 protected:
  void SetUp() override {
    DocumentScreen::SetUp();
    ASSERT_TRUE(t.session.settings().SetText("J_BOSS", "TAJNE").ok());
  }
  void Line(const char* rd, const char* nrd) {
    Put(Area("dow"), {{"RD", rd}, {"NRD", nrd}, {"LP", "  1"}, {"MAG", "1"}, {"INDEKS", "A1"}, {"ILOSC", 1}});
  }
  void Header(const char* rd, const char* nrd, const char* r_p, const char* s_z, const char* spz) {
    Put(Area("dowod"), {{"RD", rd}, {"NRD", nrd}, {"R_P", r_p}, {"S_Z", s_z}, {"SPZ", spz}, {"OPERATOR", "1"},
                        {"DATA", xbase::Date{JulianFromYmd(2026, 12, 8)}}});
  }
  void TypePassword() { When("PODAJ", {'T', 'A', 'J', 'N', 'E', key::kEnter}); }
  void Correct() { ASSERT_TRUE(t.Run([&] { DbuDow(t.session, 2); })); }
  std::string KantyTxt() const {
    std::ifstream in(dir.str() + "/kanty.txt");
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};

// A sale on credit whose open item is matched with a payment (its mark set by the
// settlement screens) stays as it was settled. Its own open item alone does not stop a
// correction: the correction rewrites it (posting_reopen_test).
TEST_F(DocumentGuards, SettledSaleOnCreditIsNotCorrected) {
  Header("FV ", "      44", "R", "S", "P");
  Line("FV ", "      44");
  Put(Area("fa_N"),
      {{"RD", "FV "}, {"NRD", "      44"}, {"MAG", "1"}, {"ODB", "KOWALSKI"}, {"OBWN", 12.3}, {"ZAP", "R"}});
  When(kCorrection, {key::kEnter, '4', '4', key::kEnter});
  When("Dowod rozliczony - blokada", {key::kSpace});
  When(kCorrection, {key::kEsc});
  Correct();
  EXPECT_TRUE(t.recorder.AllGatesUsed());
  EXPECT_FALSE(t.recorder.Saw("PODAJ"));
}

// An invoice numbered by the national e-invoice system is corrected by a correcting
// invoice, not changed in place.
TEST_F(DocumentGuards, AnInvoiceInKsefIsNotCorrectedInPlace) {
  Header("FV ", "      45", "R", "S", "G");
  Line("FV ", "      45");
  xbase::WorkArea& dowod = Area("dowod");
  ASSERT_TRUE(dowod.LockRecord().ok());
  ASSERT_TRUE(dowod.Replace("KSEF", xbase::Value("7543012264-20261210-0100001AF629-20")).ok());
  ASSERT_TRUE(dowod.Commit().ok());
  (void)dowod.Unlock();
  When(kCorrection, {key::kEnter, '4', '5', key::kEnter});
  When("Faktura jest w KSeF - zmien ja faktura korygujaca", {key::kSpace});
  When(kCorrection, {key::kEsc});
  Correct();
  EXPECT_TRUE(t.recorder.AllGatesUsed());
}

TEST_F(DocumentGuards, LockedWarehouseDocumentIsLogged) {
  Put(Area("slow"), {{"RD", "RW "}, {"OPIS", "ROZCHOD WEWNETRZNY"}, {"R_P", "R"}, {"S_Z", "D"}, {"CUV", "C"},
                     {"KTO", "O"}, {"MAG", "1"}, {"NRD", 3}, {"UZGODNIC", "N"}});
  Header("RW ", "       3", "R", "D", "B");
  Line("RW ", "       3");
  When(kCorrection, {'R', 'W', key::kEnter, '3', key::kEnter});
  When("Poprawiasz zablokowany dowod magazynowy ?", {'T'});
  TypePassword();  // once: the same password is not asked again (a second ask finds no keys)
  When(kCorrection, {key::kEsc});
  Correct();
  EXPECT_TRUE(t.recorder.AllGatesUsed());
  EXPECT_NE(KantyTxt().find("08.12.2026 08:00:00 1 Nowak Anna poprawia zablokowany dowod magazynowy RW-3"),
            std::string::npos)
      << KantyTxt();
}

TEST_F(DocumentGuards, FiscalReceiptOnCreditIsRefused) {
  Put(Area("slow"), {{"RD", "SD "}, {"OPIS", "PARAGON FISKALNY"}, {"R_P", "R"}, {"S_Z", "S"}, {"CUV", "U"},
                     {"NB", "B"}, {"KTO", "O"}, {"MAG", "1"}, {"NRD", 5}});
  Header("SD ", "       5", "R", "S", "P");
  Line("SD ", "       5");
  t.session.vars().Set("JEST_DF_300", xbase::Value(true));
  When(kCorrection, {'S', 'D', key::kEnter, '5', key::kEnter});
  When("Poprawiasz dowod fiskalny (!!!) ?", {'T'});
  TypePassword();
  When("NIE POZWOLE NA KANTY", {key::kSpace});
  When(kCorrection, {key::kEsc});
  Correct();
  EXPECT_TRUE(t.recorder.AllGatesUsed());
}

TEST_F(DocumentGuards, EuroKindStartsWithTheRateOfTheDay) {
  Kind("FW ", "FAKTURA [EUR]", "R", "S", "N", 0);
  Put(Area("wal"), {{"WALUTA", "EUR"}, {"DATA", xbase::Date{JulianFromYmd(2026, 12, 1)}}, {"KURS", 4.2137}});
  Put(Area("wal"), {{"WALUTA", "EUR"}, {"DATA", xbase::Date{JulianFromYmd(2026, 12, 9)}}, {"KURS", 9.0}});
  When(kEntry, {'F', 'W', key::kEnter});
  When(kEntry, {key::kEsc});
  ASSERT_TRUE(t.Run([&] { DbuDow(t.session, 0); }));
  EXPECT_EQ(t.session.vars().Text("M_WALUTA"), "EUR");
  EXPECT_EQ(FormatFixed(t.session.vars().Number("M_KURS"), 6), "4.213700");
}

TEST_F(DocumentGuards, RatesAreReadAndKeptPerCurrencyAndDate) {
  xbase::WorkArea& wal = Area("wal");
  const JulianDay d1 = JulianFromYmd(2026, 12, 1), d8 = JulianFromYmd(2026, 12, 8);
  EXPECT_FALSE(RateFor(wal, "EUR", d8).has_value());
  ASSERT_TRUE(StoreRate(wal, "eur", d1, 4.25).ok());
  ASSERT_TRUE(StoreRate(wal, "USD", d8, 3.9).ok());
  EXPECT_EQ(RateFor(wal, "EUR", d8), 4.25);  // the newest one not after the date
  EXPECT_FALSE(RateFor(wal, "EUR", d1 - 1).has_value());
  ASSERT_TRUE(StoreRate(wal, "EUR", d1, 4.3).ok());  // the same day again: replaced
  EXPECT_EQ(RateFor(wal, "EUR", d1), 4.3);
  EXPECT_EQ(RateFor(wal, "USD", d8), 3.9);
  EXPECT_EQ(*wal.RecCount(), 2u);
  ASSERT_TRUE(StoreRate(wal, "EUR", d8, 0).ok());  // nothing to keep
  EXPECT_EQ(*wal.RecCount(), 2u);
}

TEST_F(DocumentGuards, SupplierDocumentEnteredBefore) {
  Put(Area("dowod"), {{"RD", "PZ "}, {"NRD", "       7"}, {"R_P", "P"}, {"S_Z", "Z"}, {"ODB", "HURTEX  "},
                      {"ODBIORCA", "FV 12/2026"}});
  auto& v = t.session.vars();
  v.Set("M_RD", xbase::Value("PZ "));
  v.Set("M_NRD", xbase::Value("       8"));
  v.Set("M_ODB", xbase::Value("HURTEX"));
  v.Set("M_ODBIORCA", xbase::Value(" fv 12/2026"));
  EXPECT_EQ(EarlierSupplierDocument(t.session), "PZ-7");
  v.Set("M_ODB", xbase::Value("INNY"));
  EXPECT_FALSE(EarlierSupplierDocument(t.session).has_value());
  v.Set("M_ODB", xbase::Value("HURTEX"));
  v.Set("M_RD", xbase::Value("FV "));  // not a receipt
  EXPECT_FALSE(EarlierSupplierDocument(t.session).has_value());
}

TEST_F(DocumentGuards, ParagonTransferAndKomisSale) {
  Put(Area("slow"), {{"RD", "MP "}, {"OPIS", "PRZESUNIECIE PARAGON"}, {"R_P", "M"}, {"S_Z", "D"}, {"CUV", "C"},
                     {"KTO", "O"}, {"MAG", "1"}, {"NRD", 0}});
  Kind("FK ", "FAKTURA KOMIS", "R", "S", "N", 0);
  ASSERT_TRUE(t.session.settings().SetText("J_MAG_KOMI", "K").ok());
  When(kEntry, {'M', 'P', key::kEnter});
  When(kEntry, {key::kEsc});
  ASSERT_TRUE(t.Run([&] { DbuDow(t.session, 0); }));
  EXPECT_EQ(t.session.vars().Text("M_SPZ"), "G");
  EXPECT_EQ(t.session.vars().Text("M_ODB"), "PARAGON ");
  xbase::WorkArea& zo = Area("zo");
  ASSERT_TRUE(zo.SetOrder(1).ok());
  ASSERT_TRUE(*zo.SeekKey("PARAGON "));

  When(kEntry, {'F', 'K', key::kEnter});
  When("Zmieniam mag z 1 na K", {key::kSpace});
  When(kEntry, {key::kEsc});
  ASSERT_TRUE(t.Run([&] { DbuDow(t.session, 0); }));
  EXPECT_TRUE(t.recorder.AllGatesUsed());
  EXPECT_EQ(t.session.vars().Text("M_MAG"), "K");
}

TEST_F(DocumentGuards, TemplateAndCyclicLinesArePricedAndReserved) {
  Put(Area("as"), {{"MAG", "1"}, {"INDEKS", "A1"}, {"NAZWA", "MLOTEK"}, {"CENA", 10.0}, {"CENA2", 12.3},
                   {"PODATEK0", "23"}, {"ILOSC", 5.0}});
  // Both sources have the layout of the working lines.
  const std::string wzor = dir.str() + "/wzor.dbf";
  const std::string rabat = dir.str() + "/hlp/rabat.dbf";
  testing::MakeTable(wzor, store::TableId::kDd);
  testing::MakeTable(rabat, store::TableId::kDd);
  auto fill = [&](const std::string& path, std::initializer_list<std::initializer_list<std::pair<const char*, xbase::Value>>> rows) {
    auto a = t.session.areas().Open(150, path, "zrodlo");
    ASSERT_TRUE(a.ok());
    for (const auto& row : rows) Put(**a, row);
    ASSERT_TRUE(t.session.areas().Close(150).ok());
  };
  fill(wzor, {{{"MAG", "1"}, {"INDEKS", "A1"}, {"ILOSC", 2.0}},
              {{"MAG", "1"}, {"INDEKS", "ZZ"}, {"NAZWA", "NIEZNANY"}, {"ILOSC", 1.0}},
              {{"MAG", "1"}, {"INDEKS", "A1"}, {"ILOSC", 0.0}}});  // no quantity: left out
  fill(rabat, {{{"ODB", "INNY"}, {"MAG", "1"}, {"INDEKS", "A1"}, {"ILOSC", 1.0}},
               {{"ODB", "KOWALSKI"}, {"MAG", "1"}, {"INDEKS", "A1"}, {"ILOSC", 9.0}, {"CENA", 8.5}}});

  ASSERT_TRUE(session::NoweDd(t.session));
  auto& v = t.session.vars();
  v.Set("M_RD", xbase::Value("FV "));
  v.Set("M_NRD", xbase::Value("      44"));
  v.Set("M_MAG", xbase::Value("1"));
  v.Set("M_NB", xbase::Value("N"));
  v.Set("M_ODB", xbase::Value("KOWALSKI"));
  When("Wczytac wzor faktury ?", {'T'});
  When("Wczytac cykliczna FV / WZ ?", {'T'});
  ASSERT_TRUE(t.Run([&] { OfferLineSources(t.session); }));
  EXPECT_TRUE(t.recorder.AllGatesUsed());
  EXPECT_TRUE(t.recorder.Saw("Brak 1 ZZ NIEZNANY"));

  xbase::WorkArea& dd = Area("dd");
  ASSERT_EQ(*dd.RecCount(), 2u);
  ASSERT_TRUE(dd.GoTo(1).ok());
  EXPECT_EQ(dd.Get("LP")->AsString(), "  1");
  EXPECT_EQ(dd.Get("NAZWA")->AsString().substr(0, 6), "MLOTEK");
  EXPECT_EQ(FormatFixed(dd.Get("ILOSC")->AsNumber(), 3), "2.000");
  EXPECT_EQ(FormatFixed(dd.Get("CENA")->AsNumber(), 2), "10.00");  // the article's net price
  EXPECT_EQ(FormatFixed(dd.Get("WARTOSC")->AsNumber(), 2), "20.00");
  EXPECT_EQ(FormatFixed(dd.Get("PODATEK")->AsNumber(), 2), "4.60");
  EXPECT_EQ(FormatFixed(dd.Get("BRUTTO")->AsNumber(), 2), "24.60");
  // The customer's line asks for 9 of the 5 in stock (2 reserved already): cut to 3.
  ASSERT_TRUE(dd.GoTo(2).ok());
  EXPECT_EQ(dd.Get("LP")->AsString(), "  2");
  EXPECT_EQ(FormatFixed(dd.Get("ILOSC")->AsNumber(), 3), "3.000");
  EXPECT_EQ(FormatFixed(dd.Get("CENA")->AsNumber(), 2), "8.50");
  xbase::WorkArea& as = Area("as");
  ASSERT_TRUE(as.GoTo(1).ok());
  EXPECT_EQ(FormatFixed(as.Get("REZERWA0")->AsNumber(), 3), "5.000");
}

TEST_F(DocumentGuards, ArticleTermShortensTheDocumentsTerm) {
  Put(Area("as"), {{"MAG", "1"}, {"INDEKS", "A1"}, {"NAZWA", "MLOTEK"}, {"TEZ", 7}});
  ASSERT_TRUE(session::NoweDd(t.session));
  Put(Area("dd"), {{"MAG", "1"}, {"INDEKS", "A1"}, {"ILOSC", 1}, {"CENA", 1.0}, {"NB", "N"}, {"PODATEK0", "23"},
                   {"WAGA", 2.5}});
  auto& v = t.session.vars();
  v.Set("M_RD", xbase::Value("FV "));
  v.Set("M_NB", xbase::Value("N"));
  v.Set("M_SPZ", xbase::Value("P"));
  v.Set("M_TEZ", xbase::Value(21));
  v.Set("M_DATA", xbase::Value(xbase::Date{JulianFromYmd(2026, 12, 8)}));
  t.session.op().prawa = "NNNNNNNNNNNNNNNNNNNN";  // without right 7 the term is taken
  When("Zmieniam termin zaplaty", {key::kSpace});
  ASSERT_TRUE(t.Run([&] { (void)JakaWartoscNaEkranie(t.session, kReasonShow); }));
  EXPECT_TRUE(t.recorder.AllGatesUsed());
  EXPECT_EQ(v.Number("M_TEZ"), 7);
  EXPECT_EQ(v.Date("M_TERMIN"), JulianFromYmd(2026, 12, 15));
  EXPECT_NE(t.Line(23).find("WAGA: 2.500"), std::string::npos) << t.Line(23);
  // With right 7 it is only suggested, and only when the total is taken for posting.
  t.session.op().prawa = std::string(20, ' ');
  v.Set("M_TEZ", xbase::Value(21));
  ASSERT_TRUE(t.Run([&] { (void)JakaWartoscNaEkranie(t.session, kReasonShow); }));
  When("Daj termin 7 dni", {key::kSpace});
  ASSERT_TRUE(t.Run([&] { (void)JakaWartoscNaEkranie(t.session, kReasonPost); }));
  EXPECT_TRUE(t.recorder.AllGatesUsed());
  EXPECT_EQ(v.Number("M_TEZ"), 21);
}

TEST_F(DocumentGuards, CorrectionReasonFromTheKind) {
  Put(Area("slow"), {{"RD", "KS "}, {"OPIS", "KOREKTA #ZWROT TOWARU"}, {"R_P", "K"}, {"S_Z", "S"}, {"CUV", "U"},
                     {"NB", "N"}, {"KTO", "O"}, {"MAG", "1"}, {"NRD", 0}});
  std::ofstream(dir.str() + "/format.ks") << "";
  When(kEntry, {'K', 'S', key::kEnter});
  When(kEntry, {key::kEsc});
  ASSERT_TRUE(t.Run([&] { DbuDow(t.session, 0); }));
  EXPECT_EQ(t.session.vars().Text("M_ODBIORC1").substr(0, 13), "ZWROT TOWARU ");
}

TEST_F(DocumentGuards, DisplayLeavesThePostedDocumentAsItWas) {
  Put(Area("as"), {{"MAG", "1"}, {"INDEKS", "A1"}, {"NAZWA", "MLOTEK"}, {"ILOSC", 10.0}});
  Line("FV ", "      42");
  When("WYSWIETLANIE", {key::kEnter, '4', '2', key::kEnter});
  When("MLOTEK", {key::kEsc});  // the grid shows the posted line
  When("WYSWIETLANIE", {key::kEsc});
  ASSERT_TRUE(t.Run([&] { DbuDow(t.session, 1); }));
  EXPECT_TRUE(t.recorder.AllGatesUsed());
  xbase::WorkArea& dowod = Area("dowod");
  ASSERT_TRUE(dowod.SetOrder(1).ok());
  ASSERT_TRUE(*dowod.SeekKey("FV       42"));
  EXPECT_FALSE(dowod.deleted());
  xbase::WorkArea& dow = Area("dow");
  ASSERT_TRUE(dow.GoTo(1).ok());
  EXPECT_FALSE(dow.deleted());
  xbase::WorkArea& as = Area("as");
  ASSERT_TRUE(as.GoTo(1).ok());
  EXPECT_EQ(FormatFixed(as.Get("ILOSC")->AsNumber(), 3), "10.000");
  EXPECT_EQ(FormatFixed(as.Get("REZERWA0")->AsNumber(), 3), "0.000");
  EXPECT_EQ(*Area("dd").RecCount(), 0u);  // nothing left in the working lines
}

}  // namespace
}  // namespace hurt::documents
