// Log-in on the operator list: with and without password, refused passwords at start-up
// and during a change of operator, giving up, and what a log-in leaves in the session.
#include "console/keys.h"
#include "operators_fixture.h"

namespace hurt::shell::testing_ops {
namespace {

namespace key = console::key;

constexpr int kFirstRow = 10;  // the first data row of the list

TEST_F(OperatorsTest, FirstStartCreatesTheSupervisorWhoLogsInWithEnterAlone) {
  OpenFirma();
  s().set_stacja(2);
  bool ok = false;
  d.Then([&] {
     EXPECT_TRUE(d.ShowsAt(8, 3, "Nr │ Nazwisko imie"));
     EXPECT_TRUE(d.ShowsAt(8, 41, "Hasło"));
     EXPECT_TRUE(d.ShowsAt(9, 3, "───┬──"));
     EXPECT_TRUE(d.ShowsAt(kFirstRow, 3, "0 "));
     EXPECT_TRUE(d.ShowsAt(7, 1, "╔"));
     EXPECT_TRUE(d.ShowsAt(18, 52, "╝"));
   })
      .Keys({key::kEnter});
  ASSERT_TRUE(d.Run([&](console::Console&) { ok = ZmianaOperatora(s()); }));
  EXPECT_TRUE(ok);
  EXPECT_EQ(s().op().nr, "0");
  EXPECT_EQ(RTrim(s().op().nazwisko), "Kowalski Jan");
  EXPECT_EQ(s().vars().Text("M_NR"), "0");
  EXPECT_TRUE(s().op().Prawa(1));
  // The station's slot holds "▒" for operator 0, the other slots are untouched.
  EXPECT_EQ(FirmaSt(), "?" + std::string(1, '\xB1') + std::string(28, '0'));
  EXPECT_EQ(RTrim(Operator("0").nazwisko), "Kowalski Jan");  // the name is stored
  EXPECT_FALSE(s().areas().Area(session::operators::kPrawaArea));     // the list closed prawa
}

TEST_F(OperatorsTest, PasswordIsAskedOnTheRowAndAccepted) {
  OpenFirma();
  AddOperator("0", "Szef Wielki");
  AddOperator("A", "Nowak Jan", std::string(20, 'T'), "Tajne1");
  bool ok = false;
  d.Keys({key::kDown, key::kEnter})
      .Then([&] {
        // The entry is hidden even as stars ("0,0").
        EXPECT_EQ(d.con.cursor().row, kFirstRow + 1);
        EXPECT_EQ(d.con.cursor().col, 41);
      })
      .Type("Tajne1")
      .Key(key::kEnter);
  ASSERT_TRUE(d.Run([&](console::Console&) { ok = ZmianaOperatora(s()); }));
  EXPECT_TRUE(ok);
  EXPECT_EQ(s().op().nr, "A");
  EXPECT_EQ(FirmaSt()[0], 'A');
  EXPECT_EQ(d.term.beeps(), 0);
}

TEST_F(OperatorsTest, WrongPasswordAtStartUpKeepsTheListUntilSomeoneLogsIn) {
  AddOperator("0", "Szef Wielki", std::string(20, 'T'), "Boss");
  AddOperator("A", "Nowak Jan", std::string(20, 'T'), "Tajne1");
  bool ok = false;
  bool message = false;
  d.Keys({key::kDown, key::kEnter})
      .Type("tajne1")  // case matters
      .Key(key::kEnter)
      .Then([&] { message = d.Contains("Błednie podane hasło"); })
      .Wait(1500)
      .Key(key::kEnter)  // the list is still there: try again
      .Type("Tajne1")
      .Key(key::kEnter);
  ASSERT_TRUE(d.Run([&](console::Console&) { ok = ZmianaOperatora(s()); }));
  EXPECT_TRUE(message);
  EXPECT_TRUE(ok);
  EXPECT_EQ(s().op().nr, "A");
  EXPECT_EQ(d.term.beeps(), 1);
}

TEST_F(OperatorsTest, WrongPasswordDuringAChangeKeepsThePreviousOperator) {
  OpenFirma();
  AddOperator("0", "Szef Wielki");
  AddOperator("A", "Nowak Jan", std::string(20, 'T'), "Tajne1");
  d.Keys({key::kEnter});
  ASSERT_TRUE(d.Run([&](console::Console&) { ASSERT_TRUE(ZmianaOperatora(s())); }));
  ASSERT_EQ(s().op().nr, "0");

  bool ok = false;
  d.Keys({key::kDown, key::kEnter}).Type("zle").Key(key::kEnter).Wait(1500);
  ASSERT_TRUE(d.Run([&](console::Console&) { ok = ZmianaOperatora(s()); }));
  EXPECT_TRUE(ok);
  EXPECT_EQ(s().op().nr, "0");
  EXPECT_EQ(RTrim(s().op().nazwisko), "Szef Wielki");
  EXPECT_EQ(FirmaSt()[0], '\xB1');
}

TEST_F(OperatorsTest, TheLoggedInOperatorAndFreeRecordsCannotBeChosen) {
  AddOperator("0", "Szef Wielki");
  AddOperator("A", "", std::string(20, 'N'));  // a removed operator
  d.Keys({key::kEnter});
  ASSERT_TRUE(d.Run([&](console::Console&) { ASSERT_TRUE(ZmianaOperatora(s())); }));
  // Enter on himself and on the free record does nothing; Esc keeps "0".
  d.Keys({key::kEnter, key::kDown, key::kEnter, key::kEsc});
  ASSERT_TRUE(d.Run([&](console::Console&) { ASSERT_TRUE(ZmianaOperatora(s())); }));
  EXPECT_EQ(s().op().nr, "0");
}

TEST_F(OperatorsTest, EscWithNobodyLoggedInAsksToEndTheProgram) {
  AddOperator("0", "Szef Wielki", std::string(20, 'T'), "Boss");
  bool ok = true;
  bool asked = false;
  d.Keys({key::kEsc})
      .Then([&] { asked = d.Contains("CZY  CHCESZ  ZAKONCZYC  PRACE"); })
      .Key('N')  // the list comes back
      .Keys({key::kEsc, 'T'});
  ASSERT_TRUE(d.Run([&](console::Console&) { ok = ZmianaOperatora(s()); }));
  EXPECT_TRUE(asked);
  EXPECT_FALSE(ok);
  EXPECT_EQ(s().op().nr, " ");
}

TEST_F(OperatorsTest, EscOnThePasswordEntryGoesBackToTheList) {
  AddOperator("0", "Szef Wielki", std::string(20, 'T'), "Boss");
  bool ok = false;
  d.Keys({key::kEnter, 'B', key::kEsc}).Keys({key::kEnter}).Type("Boss").Key(key::kEnter);
  ASSERT_TRUE(d.Run([&](console::Console&) { ok = ZmianaOperatora(s()); }));
  EXPECT_TRUE(ok);
  EXPECT_EQ(d.term.beeps(), 0);
}

TEST_F(OperatorsTest, LogInSetsTheOperatorsSessionValues) {
  OpenFirma();
  ASSERT_TRUE(session::operators::OpenPrawa(s()).ok());
  xbase::WorkArea& a = *s().areas().Area(session::operators::kPrawaArea);
  ASSERT_TRUE(a.GoTop().ok());
  ASSERT_TRUE(a.LockRecord().ok());
  ASSERT_TRUE(a.Replace("NAZWISKO", xbase::Value(std::string("Szef Wielki"))).ok());
  ASSERT_TRUE(a.Replace("NR_MAG", xbase::Value(std::string("103 0"))).ok());
  ASSERT_TRUE(a.Replace("PRAWA2", xbase::Value(std::string("-M03 -D*"))).ok());
  ASSERT_TRUE(a.Replace("DRUKARKA", xbase::Value(std::string("HP LASER"))).ok());
  ASSERT_TRUE(a.Replace("KOMU", xbase::Value(std::string("REP01"))).ok());
  ASSERT_TRUE(a.Unlock().ok());
  session::operators::ClosePrawa(s());
  AddOperator("B", "Waga Magazyn", std::string(20, 'T'));
  AddOperator("C", "Kasa Ewa", std::string(20, 'T'), "", "NNNNNNNT" + std::string(12, 'N'));
  d.Keys({key::kEnter});
  ASSERT_TRUE(d.Run([&](console::Console&) { ASSERT_TRUE(ZmianaOperatora(s())); }));
  session::SessionVariables& v = s().vars();
  EXPECT_EQ(v.Text("M_NR_MAG"), "13 ");  // "0" characters are dropped
  EXPECT_EQ(v.Text("M_PRAWA2"), "-M03 -D*");
  EXPECT_EQ(s().op().prawa2, "-M03 -D*");
  EXPECT_EQ(v.Text("M_NR_KASY"), "1");
  EXPECT_EQ(v.Text("M_SMTP"), "smtp.firma.pl");  // the operator has none: the company's
  EXPECT_EQ(RTrim(v.Text("M_DRUKARKA")), "HP LASER");
  EXPECT_EQ(RTrim(v.Text("ARC_KOMU")), "REP01");
  EXPECT_EQ(v.Text("GDZIE_WAGA"), "B");
  EXPECT_FALSE(v.Logical("TOJESTKASA"));
  EXPECT_FALSE(v.Logical("JEST_DF_300"));

  // A cash-register operator.
  d.Keys({key::kDown, key::kDown, key::kEnter});
  ASSERT_TRUE(d.Run([&](console::Console&) { ASSERT_TRUE(ZmianaOperatora(s())); }));
  EXPECT_EQ(s().op().nr, "C");
  EXPECT_TRUE(v.Logical("TOJESTKASA"));
  EXPECT_TRUE(session::Prawa1(s(), 8));
}

TEST_F(OperatorsTest, ReadOnlyCopyMarksTheNameOnce) {
  AddOperator("0", "Szef Wielki");
  AddOperator("A", "(R) Nowak Jan");
  ASSERT_TRUE(env.SetContents("/d/copy_vat.exe", "").ok());
  d.Keys({key::kEnter});
  ASSERT_TRUE(d.Run([&](console::Console&) { ASSERT_TRUE(ZmianaOperatora(s())); }));
  EXPECT_EQ(RTrim(s().op().nazwisko), "(R)Szef Wielki");
  EXPECT_EQ(RTrim(Operator("0").nazwisko), "Szef Wielki");  // the table keeps the name
  d.Keys({key::kDown, key::kEnter});
  ASSERT_TRUE(d.Run([&](console::Console&) { ASSERT_TRUE(ZmianaOperatora(s())); }));
  EXPECT_EQ(RTrim(s().op().nazwisko), "(R) Nowak Jan");
  ASSERT_TRUE(env.SetContents("/d/aaa.txt", "").ok());
  d.Keys({key::kEnter});
  ASSERT_TRUE(d.Run([&](console::Console&) { ASSERT_TRUE(ZmianaOperatora(s())); }));
  EXPECT_EQ(RTrim(s().op().nazwisko), "Administrator");
}

TEST_F(OperatorsTest, OperatorsPrinterNamesTheFiscalModelForTheSessionOnly) {
  AddOperator("0", "Szef Wielki");
  AddOperator("A", "Nowak Jan");
  ASSERT_TRUE(session::operators::OpenPrawa(s()).ok());
  xbase::WorkArea& a = *s().areas().Area(session::operators::kPrawaArea);
  ASSERT_TRUE(a.GoTo(2).ok());
  ASSERT_TRUE(a.LockRecord().ok());
  ASSERT_TRUE(a.Replace("DRUKARKA", xbase::Value(std::string("FP-600 LPT"))).ok());
  ASSERT_TRUE(a.Unlock().ok());
  session::operators::ClosePrawa(s());
  const std::string stored = s().settings().DfNazwa();

  d.Keys({key::kDown, key::kEnter});
  ASSERT_TRUE(d.Run([&](console::Console&) { ASSERT_TRUE(ZmianaOperatora(s())); }));
  EXPECT_EQ(s().settings().DfNazwa(), "FP-600    ");
  EXPECT_EQ(s().settings().Text("LJ_DF_NAZWA"), stored);
  ASSERT_TRUE(s().settings().Save("/d/parametr.mem").ok());
  session::Settings saved(env);
  ASSERT_TRUE(saved.Restore("/d/parametr.mem").ok());
  EXPECT_EQ(saved.DfNazwa(), stored);  // the file keeps the installation's model

  // The next operator's printer names no model: the stored one comes back.
  d.Keys({key::kEnter});
  ASSERT_TRUE(d.Run([&](console::Console&) { ASSERT_TRUE(ZmianaOperatora(s())); }));
  EXPECT_EQ(s().settings().DfNazwa(), stored);
  EXPECT_TRUE(IsBlank(s().settings().Text("LJ_DF_NAZWA")));
}

}  // namespace
}  // namespace hurt::shell::testing_ops
