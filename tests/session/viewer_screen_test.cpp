// The report viewer: opening big reports, printing all or part, copies, and the report
// file held while it is shown.
#include <sys/stat.h>

#include "base/cp852.h"
#include "base/date.h"
#include "viewer_fixture.h"
#include "xbase/table.h"
#include "xbase/work_area.h"

namespace hurt::session {
namespace {

using namespace hurt::literals;
namespace key = console::key;

TEST_F(ViewerTest, HugeReportOpensAndGoesToItsEndReadingLittle) {
  d.con.Say(0, 0, "ekran przed raportem");
  d.Then([&] {
     EXPECT_TRUE(d.LineIs(0, "wiersz 1"));
     EXPECT_TRUE(d.LineIs(23, "wiersz 24"));
     EXPECT_TRUE(d.ShowsAt(24, 0, "rob/wydruk03.prn       Keys: ^V<> PgUp PgDn"));
     EXPECT_TRUE(d.ColourIs(24, 0, "RG/N"));
     EXPECT_LE(stats.bytes_read, 64 * 1024);
   })
      .Key(key::kCtrlPgDn);
  d.Then([&] {
     EXPECT_TRUE(d.LineIs(23, "wiersz 200000"));
     EXPECT_TRUE(d.LineIs(0, "wiersz 199977"));
     EXPECT_LE(stats.bytes_read, 3 * 64 * 1024);
   })
      .Keys({key::kDown, key::kPgDn});
  d.Then([&] { EXPECT_TRUE(d.LineIs(23, "wiersz 200000")); })  // never past the end
      .Keys({key::kCtrlPgUp, key::kPgDn, key::kDown});
  d.Then([&] { EXPECT_TRUE(d.LineIs(0, "wiersz 26")); }).Key(key::kEsc);
  View(Lines(200'000));
  struct stat st {};
  ASSERT_EQ(stat((dir / "rob/wydruk03.prn").c_str(), &st), 0);
  EXPECT_GT(st.st_size, 2'500'000);
  EXPECT_TRUE(d.LineIs(0, "ekran przed raportem"));  // the screen is put back
}

TEST_F(ViewerTest, HorizontalMovesStopAt712) {
  // Column p of the line holds the digit p % 10, with markers at 41, 49 and 712.
  std::string line;
  for (int p = 1; p <= 800; ++p) line += static_cast<char>('0' + p % 10);
  line[41 - 1] = 'Y';
  line[49 - 1] = 'Q';
  line[712 - 1] = 'X';
  d.Key(key::kCtrlRight);
  d.Then([&] { EXPECT_TRUE(d.ShowsAt(0, 0, "Y2345")); }).Key(key::kRight);
  d.Then([&] { EXPECT_TRUE(d.ShowsAt(0, 0, "Q0123")); });
  for (int i = 0; i < 10; ++i) d.Key(key::kCtrlRight);  // 89, 129 ... 409, then 712
  d.Then([&] { EXPECT_TRUE(d.ShowsAt(0, 0, "X3456")); }).Keys({key::kRight, key::kCtrlRight});
  d.Then([&] { EXPECT_TRUE(d.ShowsAt(0, 0, "X3456")); }).Key(key::kLeft);  // never beyond 712
  d.Then([&] { EXPECT_TRUE(d.ShowsAt(0, 0, "45678901X")); }).Key(key::kEnter);
  d.Then([&] { EXPECT_TRUE(d.ShowsAt(0, 0, "1234567890")); }).Keys({key::kCtrlLeft, key::kLeft});
  d.Then([&] { EXPECT_TRUE(d.ShowsAt(0, 0, "1234567890")); }).Key(key::kEsc);
  View([&line](ReportWriter& out) { out.Line(line); });
}

TEST_F(ViewerTest, AltF5PrintsALineRangeThroughTheSpooler) {
  d.Key(key::AltF(5));
  d.Then([&] { EXPECT_TRUE(d.ShowsAt(24, 0, "Druk od wiersza :")); }).Type("3").Key(key::kEnter);
  d.Then([&] { EXPECT_TRUE(d.ShowsAt(24, 0, "     do wiersza :")); }).Type("5").Key(key::kEnter);
  d.Then([&] {
     ASSERT_TRUE(Printed());
     EXPECT_EQ(LpArgs(), (std::vector<std::string>{"-d", "magazyn", "-o", "raw", "-t", "wydruk03.prn"}));
     EXPECT_EQ(LpData(), "wiersz 3\r\nwiersz 4\r\nwiersz 5\r\n");
     EXPECT_TRUE(d.ShowsAt(24, 0, "rob/wydruk03.prn"));  // the key line is back
   })
      .Key(key::kEsc);
  View(Lines(30));
  // The range was copied beside the report (its name without the last character).
  EXPECT_EQ(dir.Read("rob/wydruk03.pr"), "wiersz 3\r\nwiersz 4\r\nwiersz 5\r\n");
}

TEST_F(ViewerTest, RangeThatIsEmptyOrLeftWithEscPrintsNothing) {
  d.Key(key::AltF(5)).Type("5").Key(key::kEnter).Type("5").Key(key::kEnter);  // from >= to
  d.Key(key::AltF(5)).Type("1").Key(key::kEnter).Key(key::kEsc);            // Esc at "do wiersza"
  d.Key(key::CtrlF(5)).Key(key::kEsc);
  d.Then([&] { EXPECT_FALSE(Printed()); }).Key(key::kEsc);
  View(Lines(30));
}

TEST_F(ViewerTest, F5AsksForThePrinterAndPrintsEverything) {
  // Esc at the printer prompt: nothing printed.
  d.Key(key::kPgDn).Key(key::F(5));
  d.Then([&] {
     EXPECT_TRUE(d.ShowsAt(17, 37, "    PRZYGOTUJ  DRUKARKE"));
     EXPECT_TRUE(d.ShowsAt(19, 38, "  Wcisnij dowolny klawisz"));
   })
      .Key(key::kEsc);
  d.Then([&] {
     EXPECT_FALSE(Printed());
     EXPECT_TRUE(d.LineIs(0, "wiersz 1"));  // the view went back to the top all the same
   })
      .Key(key::kPgDn);
  // Any other key prints the whole report.
  d.Key(key::F(5)).Key(key::kEnter);
  d.Then([&] {
     ASSERT_TRUE(Printed());
     std::string all;
     for (int i = 1; i <= 30; ++i) all += "wiersz " + std::to_string(i) + "\r\n";
     EXPECT_EQ(LpData(), all);
     EXPECT_TRUE(d.LineIs(0, "wiersz 1"));
   })
      .Key(key::kEsc);
  View(Lines(30));
}

TEST_F(ViewerTest, PrinterThatIsNotReadyPrintsNothing) {
  dir.Write("vat.ini", "[KASA3]\r\nPRINTERNAME=" + (dir / "brak/lp0") + "\r\n");
  d.Key(key::F(5)).Key(key::kEnter);
  d.Then([&] { EXPECT_TRUE(d.ShowsAt(17, 37, "DRUKARKA NIE JEST GOTOWA ")); }).Key(key::kEnter);  // still not
  d.Key(key::F(5)).Key(key::kEnter).Key(key::kEsc);
  d.Then([&] {
     EXPECT_FALSE(Printed());
     EXPECT_FALSE(d.Contains("DRUKARKA"));
   })
      .Key(key::kEsc);
  View(Lines(3));
}

TEST_F(ViewerTest, AltKOpensTheCalculatorOverTheReport) {
  d.Key(key::kAltK);
  d.Then([&] { EXPECT_TRUE(d.Contains("Kalkulator")); }).Key(key::kEsc);
  d.Then([&] {
     EXPECT_FALSE(d.Contains("Kalkulator"));
     EXPECT_TRUE(d.LineIs(0, "wiersz 1"));
   })
      .Key(key::kEsc);
  View(Lines(3));
}

TEST_F(ViewerTest, CtrlF5PrintsWithEmptyLinesAdded) {
  d.Key(key::CtrlF(5));
  d.Then([&] { EXPECT_TRUE(d.ShowsAt(24, 0, "ILE zrobic pustych wierszy:")); }).Type("3").Key(key::kEnter);
  d.Then([&] { EXPECT_EQ(LpData(), "wiersz 1\r\nwiersz 2\r\n\r\n\r\n\r\n"); }).Key(key::kEsc);
  View(Lines(2));
}

TEST_F(ViewerTest, CopiesToTextAndPdfFiles) {
  d.Key(key::kAltW);
  d.Then([&] { EXPECT_TRUE(d.ShowsAt(24, 0, "Kopiowac do pliku TXT:")); }).Type("Kopia.TXT").Key(key::kEnter);
  ExpectMessage("Skopiowano do rob/kopie03/kopia.txt");
  d.Key(key::kAltW).Key(key::kEsc);
  ExpectMessage("Nie kopiuje (brak Enter)");
  d.Key(key::kAltW).Key(key::kEnter);
  ExpectMessage("Nie kopiuje (nie podano pliku)");
  // Alt+P: the copy for PDF conversion, and the PDF made of it.
  d.Key(key::kAltP);
  ExpectMessage("Zapisano pdf/pdf03.pdf");
  d.Key(key::kEsc);
  View(Lines(5));
  const std::string report = dir.Read("rob/wydruk03.prn");
  EXPECT_EQ(dir.Read("rob/kopie03/kopia.txt"), report);
  EXPECT_EQ(dir.Read("pdf03.txt"), report);
  EXPECT_EQ(dir.Read("pdf/pdf03.pdf").rfind("%PDF-1.4", 0), 0u);
  EXPECT_NE(dir.Read("pdf/pdf03.pdf").find("/Title (Faktura w formacie PDF)"), std::string::npos);
}

TEST_F(ViewerTest, AltWAsksBeforeReplacingAndNeverWritesTheDatabase) {
  const std::string firma(std::string("\x03\x7c\x0c\x1f\0\0", 6) + "FIRMA SP. Z O.O.");
  dir.Write("firma.dbf", firma);
  dir.Write("rob/kopie03/kopia.txt", "stara kopia");
  // An existing copy: N (and Enter, the default) keeps it, T replaces it.
  d.Key(key::kAltW).Type("kopia.txt").Key(key::kEnter);
  d.Then([&] { EXPECT_TRUE(d.Contains("Plik istnieje. Zastapic ?")); }).Type("N");
  ExpectMessage("Nie kopiuje (plik istnieje)");
  d.Then([&] { EXPECT_EQ(dir.Read("rob/kopie03/kopia.txt"), "stara kopia"); });
  d.Key(key::kAltW).Type("kopia.txt").Key(key::kEnter).Key(key::kEnter);
  ExpectMessage("Nie kopiuje (plik istnieje)");
  d.Key(key::kAltW).Type("kopia.txt").Key(key::kEnter).Type("T");
  ExpectMessage("Skopiowano do rob/kopie03/kopia.txt");
  // The live tables and paths out of the copy folder are refused before any question.
  d.Key(key::kAltW).Type("firma.dbf").Key(key::kEnter);
  ExpectMessage("Plik bazy - nie kopiuje: firma.dbf");
  d.Key(key::kAltW).Type("../../firma.dbf").Key(key::kEnter);
  ExpectMessage("Niedozwolona sciezka pliku");
  d.Key(key::kAltW).Type("../escaped.txt").Key(key::kEnter);
  ExpectMessage("Niedozwolona sciezka pliku");
  d.Key(key::kAltW).Type(dir / "escaped.txt").Key(key::kEnter);
  ExpectMessage("Niedozwolona sciezka pliku");
  d.Key(key::kEsc);
  View(Lines(5));
  EXPECT_EQ(dir.Read("rob/kopie03/kopia.txt"), dir.Read("rob/wydruk03.prn"));
  EXPECT_EQ(dir.Read("firma.dbf"), firma);
  EXPECT_FALSE(dir.Exists("escaped.txt"));
  EXPECT_FALSE(dir.Exists("rob/escaped.txt"));
}

TEST_F(ViewerTest, AltBCopiesTheUndeletedRecordsOfTheCurrentTable) {
  // Without a table in the current area: "Brak bazy".
  d.Key(key::kAltB);
  ExpectMessage("Brak bazy");
  d.Key(key::kEsc);
  View(Lines(3));

  const std::string as = dir / "as.dbf";
  ASSERT_TRUE(xbase::Table::Create(xbase::RealEnv(), as, {{"INDEKS", 'C', 8, 0}, {"CENA", 'N', 10, 2}}).ok());
  xbase::WorkAreas& areas = session->areas();
  auto opened = areas.Open(2, as, "as");
  ASSERT_TRUE(opened.ok()) << opened.status().ToString();
  xbase::WorkArea& a = **opened;
  for (int i = 1; i <= 5; ++i) {
    ASSERT_TRUE(a.Append().ok());
    ASSERT_TRUE(a.Replace("INDEKS", xbase::Value("ART" + std::to_string(i))).ok());
    ASSERT_TRUE(a.Replace("CENA", xbase::Value(i * 1.25)).ok());
    if (i == 2) {
      ASSERT_TRUE(a.Delete().ok());
    }
  }
  ASSERT_TRUE(a.Unlock().ok());
  ASSERT_TRUE(a.GoTo(4).ok());
  ASSERT_TRUE(areas.Select(2).ok());

  d.Key(key::kAltB);
  d.Then([&] { EXPECT_TRUE(d.ShowsAt(24, 0, "Kopiowac do pliku DBF:")); }).Type("kopia_as").Key(key::kEnter);
  ExpectMessage("Skopiowano do rob/kopie03/kopia_as.dbf");
  // A table of the installation is never the target.
  d.Key(key::kAltB).Type("as.dbf").Key(key::kEnter);
  ExpectMessage("Plik bazy - nie kopiuje: as.dbf");
  d.Key(key::kEsc);
  View(Lines(3));

  EXPECT_EQ(a.recno(), 4u);  // the area stands where it stood
  EXPECT_FALSE(dir.Exists("rob/kopie03/kopia_as.dbf.tmp"));
  auto copy = xbase::Table::Open(xbase::RealEnv(), dir / "rob/kopie03/kopia_as.dbf", xbase::TableMode::SharedReadOnly());
  ASSERT_TRUE(copy.ok());
  ASSERT_EQ((*copy)->RecordCount(), 4u);
  xbase::Record rec = (*copy)->NewRecord();
  std::vector<std::string> indexes;
  for (uint32_t r = 1; r <= 4; ++r) {
    ASSERT_TRUE((*copy)->Read(r, &rec).ok());
    indexes.emplace_back(rec.FieldBytes(0));
  }
  EXPECT_EQ(indexes, (std::vector<std::string>{"ART1    ", "ART3    ", "ART4    ", "ART5    "}));
  auto source = xbase::Table::Open(xbase::RealEnv(), as, xbase::TableMode::SharedReadOnly());
  ASSERT_TRUE(source.ok());
  EXPECT_EQ((*source)->RecordCount(), 5u);  // untouched
}

// A copy into a ".csv" name is for a spreadsheet set up for Poland: semicolons, decimal
// commas, dd.mm.yyyy dates, UTF-8 with a byte-order mark, or Windows-1250 when asked.
TEST_F(ViewerTest, AltBIntoACsvNameWritesWhatAPolishSpreadsheetOpens) {
  const std::string zo = dir / "zo.dbf";
  ASSERT_TRUE(xbase::Table::Create(xbase::RealEnv(), zo,
                                   {{"ODB", 'C', 8, 0}, {"NODB", 'C', 30, 0}, {"SALDO", 'N', 12, 2}, {"DATA", 'D', 8, 0},
                                    {"VIP", 'L', 1, 0}})
                  .ok());
  xbase::WorkAreas& areas = session->areas();
  auto opened = areas.Open(3, zo, "zo");
  ASSERT_TRUE(opened.ok()) << opened.status().ToString();
  xbase::WorkArea& a = **opened;
  ASSERT_TRUE(a.Append().ok());
  ASSERT_TRUE(a.Replace("ODB", xbase::Value("K1")).ok());
  ASSERT_TRUE(a.Replace("NODB", xbase::Value(std::string("Zakład \"Łódź\"; S.A."_pl))).ok());
  ASSERT_TRUE(a.Replace("SALDO", xbase::Value(-1234.5)).ok());
  ASSERT_TRUE(a.Replace("DATA", xbase::Value(xbase::Date{JulianFromYmd(2026, 12, 8)})).ok());
  ASSERT_TRUE(a.Replace("VIP", xbase::Value(true)).ok());
  ASSERT_TRUE(a.Append().ok());
  ASSERT_TRUE(a.Replace("ODB", xbase::Value(" K2")).ok());
  ASSERT_TRUE(a.Unlock().ok());
  ASSERT_TRUE(areas.Select(3).ok());

  d.Key(key::kAltB).Type("kontrahenci.csv").Key(key::kEnter);
  d.Then([&] { EXPECT_TRUE(d.Contains("CSV w kodzie Windows-1250 ?")); }).Key('N');
  ExpectMessage("Skopiowano do rob/kopie03/kontrahenci.csv");
  d.Key(key::kAltB).Type("kontr1250.CSV").Key(key::kEnter).Key('T');
  ExpectMessage("Skopiowano do rob/kopie03/kontr1250.csv");  // names are made lower case
  d.Key(key::kEsc);
  View(Lines(3));

  EXPECT_EQ(dir.Read("rob/kopie03/kontrahenci.csv"),
            "\xEF\xBB\xBF"
            "ODB;NODB;SALDO;DATA;VIP\r\n"
            "K1;\"Zakład \"\"Łódź\"\"; S.A.\";-1234,50;08.12.2026;T\r\n"
            "\" K2\";;;;\r\n");
  EXPECT_EQ(dir.Read("rob/kopie03/kontr1250.csv"),
            "ODB;NODB;SALDO;DATA;VIP\r\n"
            "K1;\"Zak\xB3" "ad \"\"\xA3\xF3" "d\x9F\"\"; S.A.\";-1234,50;08.12.2026;T\r\n"
            "\" K2\";;;;\r\n");
}

TEST_F(ViewerTest, AltBNeverReplacesTheOperatorsAndAsksBeforeReplacingACopy) {
  const std::string prawa(std::string("\x03\x7c\x0c\x1f\0\0", 6) + "OPERATORZY");
  dir.Write("prawa.dbf", prawa);
  const std::string as = dir / "as.dbf";
  ASSERT_TRUE(xbase::Table::Create(xbase::RealEnv(), as, {{"INDEKS", 'C', 8, 0}, {"OPIS", 'M', 10, 0}}).ok());
  xbase::WorkAreas& areas = session->areas();
  auto opened = areas.Open(2, as, "as");
  ASSERT_TRUE(opened.ok()) << opened.status().ToString();
  xbase::WorkArea& a = **opened;
  for (int i = 1; i <= 3; ++i) {
    ASSERT_TRUE(a.Append().ok());
    ASSERT_TRUE(a.Replace("INDEKS", xbase::Value("ART" + std::to_string(i))).ok());
    ASSERT_TRUE(a.Replace("OPIS", xbase::Value("opis " + std::to_string(i))).ok());
  }
  ASSERT_TRUE(a.Unlock().ok());
  ASSERT_TRUE(areas.Select(2).ok());
  dir.Write("rob/kopie03/kopia.dbf", "nie tabela");

  d.Key(key::kAltB).Type("prawa").Key(key::kEnter);
  ExpectMessage("Plik bazy - nie kopiuje: prawa.dbf");
  d.Key(key::kAltB).Type("../../prawa.dbf").Key(key::kEnter);
  ExpectMessage("Niedozwolona sciezka pliku");
  d.Key(key::kAltB).Type(dir / "prawa.dbf").Key(key::kEnter);
  ExpectMessage("Niedozwolona sciezka pliku");
  d.Key(key::kAltB).Type("kopia").Key(key::kEnter);
  d.Then([&] { EXPECT_TRUE(d.Contains("Plik istnieje. Zastapic ?")); }).Type("n");
  ExpectMessage("Nie kopiuje (plik istnieje)");
  d.Then([&] { EXPECT_EQ(dir.Read("rob/kopie03/kopia.dbf"), "nie tabela"); });
  d.Key(key::kAltB).Type("kopia").Key(key::kEnter).Type("t");
  ExpectMessage("Skopiowano do rob/kopie03/kopia.dbf");
  d.Key(key::kEsc);
  View(Lines(3));

  EXPECT_EQ(dir.Read("prawa.dbf"), prawa);
  EXPECT_FALSE(dir.Exists("rob/kopie03/kopia.dbf.tmp"));
  EXPECT_FALSE(dir.Exists("rob/kopie03/kopia.dbf.dbt"));
  xbase::WorkAreas copy(xbase::RealEnv());
  auto opened_copy = copy.Open(1, dir / "rob/kopie03/kopia.dbf");
  ASSERT_TRUE(opened_copy.ok()) << opened_copy.status().ToString();
  EXPECT_EQ((*opened_copy)->table().RecordCount(), 3u);
  ASSERT_TRUE((*opened_copy)->GoTo(3).ok());
  auto memo = (*opened_copy)->Get("OPIS");
  ASSERT_TRUE(memo.ok());
  EXPECT_EQ(memo->AsString(), "opis 3");  // the memo file came along under its own name
}

TEST_F(ViewerTest, AltBDoesNotReplaceACopySomebodyHasOpen) {
  const std::string as = dir / "as.dbf";
  ASSERT_TRUE(xbase::Table::Create(xbase::RealEnv(), as, {{"INDEKS", 'C', 8, 0}}).ok());
  const std::string kopia = dir / "rob/kopie03/kopia.dbf";
  dir.Write("rob/kopie03/.keep", "");
  ASSERT_TRUE(xbase::Table::Create(xbase::RealEnv(), kopia, {{"STARE", 'C', 3, 0}}).ok());
  xbase::WorkAreas& areas = session->areas();
  ASSERT_TRUE(areas.Open(2, as, "as").ok());
  auto held = xbase::Table::Open(xbase::RealEnv(), kopia, xbase::TableMode::Shared());
  ASSERT_TRUE(held.ok());
  ASSERT_TRUE(areas.Select(2).ok());
  d.Key(key::kAltB).Type("kopia").Key(key::kEnter).Type("T");
  ExpectMessage("Nie kopiuje - plik rob/kopie03/kopia.dbf jest w uzyciu");
  d.Key(key::kEsc);
  View(Lines(3));
  EXPECT_EQ((*held)->RecordCount(), 0u);
  held->reset();
  auto still = xbase::Table::Open(xbase::RealEnv(), kopia, xbase::TableMode::SharedReadOnly());
  ASSERT_TRUE(still.ok());
  EXPECT_EQ((*still)->fields().front().name, "STARE");
  EXPECT_FALSE(dir.Exists("rob/kopie03/kopia.dbf.tmp"));
}

TEST_F(ViewerTest, FileHeldWhileViewedMakesTheNextRunTakeAnotherName) {
  std::string second;
  d.Then([&] {
     auto written = RunReport(xbase::RealEnv(), dir / "rob/wydruk03.prn", Lines(2));
     ASSERT_TRUE(written.ok());
     second = *written;
   })
      .Key(key::kEsc);
  View(Lines(10));
  EXPECT_EQ(second, dir / "rob/wydruk51.prn");
  // Once the viewer is closed the station's own name is free again.
  d.Then([&] { EXPECT_TRUE(d.ShowsAt(24, 0, "rob/wydruk03.prn")); }).Key(key::kEsc);
  View(Lines(4));
}

TEST_F(ViewerTest, MissingFileAndWorkingOnACopy) {
  ExpectMessage("Brak pliku rob/nie_ma.prn");
  View(nullptr, "rob/nie_ma.prn");

  dir.Write("KOPIA.TXT", "");
  ExpectMessage("PRACUJESZ NA KOPII");
  d.Then([&] { EXPECT_TRUE(d.LineIs(0, "wiersz 1")); }).Key(key::kEsc);
  View(Lines(1), "rob/inny03.txt");
  EXPECT_TRUE(dir.Exists("rob/inny03.txt"));
}

}  // namespace
}  // namespace hurt::session
