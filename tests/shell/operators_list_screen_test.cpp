// The supervisor's work on the operator list: adding and renaming operators, removing
// them, rights and restrictions, refusal tokens, who may edit whom, log-out, the chart
// mark and the station map.
#include "console/keys.h"
#include "operators_fixture.h"

namespace hurt::shell::testing_ops {
namespace {

namespace key = console::key;

constexpr int kFirstRow = 10;
constexpr int kPastMessage = 1500;   // a one-second message window has closed
constexpr int kPastMessage3 = 3500;  // a three-second one

class OperatorListTest : public OperatorsTest {
 protected:
  // Logs in as the operator on row `row` (0-based) of the list, without password.
  void LogInAsRow(int row) {
    for (int i = 0; i < row; ++i) d.Key(key::kDown);
    d.Key(key::kEnter);
    ASSERT_TRUE(d.Run([&](console::Console&) { ASSERT_TRUE(ZmianaOperatora(s())); }));
  }
  // Runs the list once more with `keys`, then Esc (and Esc again for the fiscal printer's
  // menu, which opens when the operator's printer now names a fiscal device).
  void List(const std::function<void()>& script, bool fiscal_menu = false) {
    script();
    d.Key(key::kEsc);
    if (fiscal_menu) d.Then([&] { EXPECT_TRUE(d.Contains("Raport fiskalny dobowy")); }).Key(key::kEsc);
    ASSERT_TRUE(d.Run([&](console::Console&) { ASSERT_TRUE(ZmianaOperatora(s())); }));
  }
};

TEST_F(OperatorListTest, F5AfterTheSupervisorCreatesAThenB) {
  AddOperator("0", "Szef Wielki");
  LogInAsRow(0);
  List([&] {
    // The number shows on the highlighted row, where the name is typed.
    d.Key(key::F(5))
        .Then([&] {
          EXPECT_TRUE(d.ShowsAt(kFirstRow, 3, "A "));
          EXPECT_EQ(d.con.cursor().row, kFirstRow);
          EXPECT_EQ(d.con.cursor().col, 8);
        })
        .Type("Nowak Jan")
        .Key(key::kEnter)
        .Then([&] { EXPECT_TRUE(d.ShowsAt(kFirstRow, 3, "A  │ Nowak Jan")); })
        .Key(key::kCtrlPgUp)
        .Then([&] { EXPECT_TRUE(d.ShowsAt(kFirstRow + 1, 3, "A  │ Nowak Jan")); })
        .Key(key::F(5))
        .Type("Kowalska Anna")
        .Key(key::kEnter)
        .Key(key::kCtrlPgUp)
        .Then([&] { EXPECT_TRUE(d.ShowsAt(kFirstRow + 2, 3, "B  │ Kowalska Anna")); });
  });
  EXPECT_EQ(RTrim(Operator("A").nazwisko), "Nowak Jan");
  EXPECT_EQ(RTrim(Operator("B").nazwisko), "Kowalska Anna");
  // A new operator starts with no rights and no restrictions until they are granted.
  EXPECT_EQ(Operator("A").prawa, std::string(20, 'N'));
  EXPECT_EQ(Operator("A").prawa1, std::string(20, 'N'));
}

TEST_F(OperatorListTest, F5WithoutANameLeavesNoRecordBehind) {
  AddOperator("0", "Szef Wielki");
  LogInAsRow(0);
  List([&] {
    d.Key(key::F(5)).Key(key::kEsc);                     // given up
    d.Key(key::F(5)).Type("Jan").Key(key::kEnter);       // a name too short to be stored
    d.Then([&] { EXPECT_FALSE(d.Contains("A  │")) << "the list shows no nameless operator"; });
  });
  EXPECT_EQ(Operator("A").nr, "") << "no record for operator A";
  EXPECT_EQ(Operator("B").nr, "");
  // The number is not used up: the next operator is A.
  List([&] { d.Key(key::F(5)).Type("Nowak Jan").Key(key::kEnter); });
  EXPECT_EQ(RTrim(Operator("A").nazwisko), "Nowak Jan");
}

TEST_F(OperatorListTest, NamesOfSixCharactersOrLessAreNotStored) {
  AddOperator("0", "Szef Wielki");
  AddOperator("A", "Nowak Jan", std::string(20, 'N'));
  LogInAsRow(0);
  List([&] {
    d.Keys({key::kDown, key::F(4), key::kCtrlY}).Type("Jan Ko").Key(key::kEnter);  // Ctrl+Y clears the field
  });
  EXPECT_EQ(RTrim(Operator("A").nazwisko), "Nowak Jan");
  List([&] { d.Keys({key::kDown, key::F(4), key::kCtrlY}).Type("Jan Kos").Key(key::kEnter); });
  EXPECT_EQ(RTrim(Operator("A").nazwisko), "Jan Kos");
}

TEST_F(OperatorListTest, EmptyingANameRemovesTheOperatorButNeverTheSupervisor) {
  AddOperator("0", "Szef Wielki");
  AddOperator("A", "Nowak Jan", std::string(20, 'T'), "Tajne1", "T" + std::string(19, 'N'));
  LogInAsRow(0);
  List([&] {
    d.Keys({key::F(4), key::kCtrlY, key::kEnter});               // the supervisor's own name
    d.Keys({key::kDown, key::F(4), key::kCtrlY, key::kEnter});  // operator A
  });
  EXPECT_EQ(RTrim(Operator("0").nazwisko), "Szef Wielki");
  const session::operators::OperatorRecord a = Operator("A");
  EXPECT_TRUE(IsBlank(a.nazwisko));
  EXPECT_TRUE(a.hash.empty());
  EXPECT_FALSE(session::operators::HasPassword(a));
  EXPECT_EQ(a.prawa, std::string(20, 'N'));
  EXPECT_EQ(a.prawa1, std::string(20, 'N'));
}

TEST_F(OperatorListTest, AHolderOfRightOneCannotEditAnotherHolderOfRightOne) {
  AddOperator("0", "Szef Wielki");
  AddOperator("A", "Kierownik Adam", std::string(20, 'T'));  // right 1
  AddOperator("B", "Zastepca Bogdan", std::string(20, 'T'));  // right 1
  AddOperator("C", "Sprzedawca Cezary", "N" + std::string(19, 'T'));
  LogInAsRow(1);
  ASSERT_EQ(s().op().nr, "A");
  int refusals = 0;
  List([&] {
    d.Keys({key::kDown, key::kDown, key::F(4)})  // B holds right 1
        .Then([&] { refusals += d.Contains("Brak praw"); })
        .Wait(kPastMessage)
        .Key(key::AltF(4))
        .Then([&] { refusals += d.Contains("Brak praw"); })
        .Wait(kPastMessage)
        .Key(key::kUp)
        .Key(key::kUp)  // the supervisor
        .Key(key::F(4))
        .Then([&] { refusals += d.Contains("Brak praw"); })
        .Wait(kPastMessage)
        .Keys({key::kDown, key::kDown, key::kDown, key::F(4), key::kCtrlY})  // C lacks right 1 
        .Type("Sprzedawca Czesiek")
        .Key(key::kEnter);
  });
  EXPECT_EQ(refusals, 3);
  EXPECT_EQ(d.term.beeps(), 3);
  EXPECT_EQ(RTrim(Operator("B").nazwisko), "Zastepca Bogdan");
  EXPECT_EQ(RTrim(Operator("C").nazwisko), "Sprzedawca Czesiek");

  // Only operator "0" may: he renames B.
  d.Key(key::kUp).Key(key::kEnter);
  ASSERT_TRUE(d.Run([&](console::Console&) { ASSERT_TRUE(ZmianaOperatora(s())); }));
  ASSERT_EQ(s().op().nr, "0");
  List([&] { d.Keys({key::kDown, key::kDown, key::F(4), key::kCtrlY}).Type("Zastepca Bartek").Key(key::kEnter); });
  EXPECT_EQ(RTrim(Operator("B").nazwisko), "Zastepca Bartek");
}

TEST_F(OperatorListTest, NobodyLoggedInCanOnlyLogIn) {
  AddOperator("0", "Szef Wielki", std::string(20, 'T'), "Boss");
  AddOperator("A", "Nowak Jan", "N" + std::string(19, 'T'), "Tajne1");
  int refusals = 0;
  d.Keys({key::kDown, key::F(4)})
      .Then([&] { refusals += d.Contains("Brak praw"); })
      .Wait(kPastMessage)
      .Key(key::F(5))
      .Then([&] { refusals += d.Contains("Brak praw"); })
      .Wait(kPastMessage)
      .Key(key::kEnter)
      .Type("Tajne1")
      .Key(key::kEnter);
  ASSERT_TRUE(d.Run([&](console::Console&) { ASSERT_TRUE(ZmianaOperatora(s())); }));
  EXPECT_EQ(refusals, 2);
  EXPECT_EQ(RTrim(Operator("A").nazwisko), "Nowak Jan");
  EXPECT_TRUE(Operator("B").nr.empty());  // nothing was added
}

TEST_F(OperatorListTest, LogOutWordingFollowsTheLastLetterOfTheName) {
  AddOperator("0", "Szef Wielki");
  AddOperator("A", "Nowak Anna");
  LogInAsRow(1);
  std::string shown;
  d.Key(key::F(10)).Then([&] { shown = d.Line(17); }).Wait(kPastMessage).Key(key::kEnter);  // "0" logs in
  ASSERT_TRUE(d.Run([&](console::Console&) { ASSERT_TRUE(ZmianaOperatora(s())); }));
  EXPECT_NE(shown.find("Nowak Anna wylogowana"), std::string::npos) << shown;
  d.Key(key::F(10)).Then([&] { shown = d.Line(17); }).Wait(kPastMessage).Keys({key::kDown, key::kEnter});
  ASSERT_TRUE(d.Run([&](console::Console&) { ASSERT_TRUE(ZmianaOperatora(s())); }));
  EXPECT_NE(shown.find("Szef Wielki wylogowany"), std::string::npos) << shown;
  EXPECT_EQ(s().op().nr, "A");
}

TEST_F(OperatorListTest, LogOutThenEscAsksToEndTheProgram) {
  AddOperator("0", "Szef Wielki");
  LogInAsRow(0);
  bool ok = true;
  d.Key(key::F(10)).Wait(kPastMessage).Keys({key::kEsc, 'T'});
  ASSERT_TRUE(d.Run([&](console::Console&) { ok = ZmianaOperatora(s()); }));
  EXPECT_FALSE(ok);
  EXPECT_EQ(s().op().nr, " ");
  EXPECT_FALSE(s().op().Prawa(1));  // nobody logged in holds no right
}

TEST_F(OperatorListTest, RightsEditorStoresTheSeventeenRights) {
  AddOperator("0", "Szef Wielki");
  AddOperator("A", "Nowak Jan", std::string(15, 'T') + "  XYZ");  // rights 16 and 17 blank
  LogInAsRow(0);
  List([&] {
    d.Keys({key::kDown, key::AltF(4)})
        .Then([&] {
          EXPECT_TRUE(d.ShowsAt(5, 40, "Nowak Jan"));
          EXPECT_TRUE(d.ShowsAt(7, 39, "Przydzielanie-odbieranie uprawnien   T"));
          EXPECT_TRUE(d.ShowsAt(23, 39, "Pozwolic sprzedawac poniżej ceny min N"));  // right 17 blank: not held
          EXPECT_TRUE(d.ShowsAt(22, 76, "T"));  // right 16 blank: held
        })
        .Keys({'n', key::kEnter, 'x', 'N', key::kEnter})  // right 1 "n" (upper-cased); "x" is refused, right 2 N
        .Keys({key::kPgDn});
  });
  EXPECT_EQ(Operator("A").prawa, "NN" + std::string(14, 'T') + "NXYZ");
  EXPECT_FALSE(Operator("A").HoldsRight(1));

  // Esc stores nothing.
  List([&] { d.Keys({key::kDown, key::AltF(4), 'T', key::kEsc}); });
  EXPECT_EQ(Operator("A").prawa, "NN" + std::string(14, 'T') + "NXYZ");
}

TEST_F(OperatorListTest, RestrictionsEditorAndViewingOnesOwn) {
  AddOperator("0", "Szef Wielki");
  AddOperator("A", "Nowak Jan", "N" + std::string(19, 'T'), "", std::string(20, ' '));
  LogInAsRow(0);
  List([&] {
    d.Keys({key::kDown, key::CtrlF(4)})
        .Then([&] {
          EXPECT_TRUE(d.ShowsAt(7, 39, "Tylko sprzedaz ze skanerem           N"));  // blank: not restricted
          EXPECT_TRUE(d.ShowsAt(14, 39, "Tylko KASA                           N"));
        })
        .Keys({key::kDown, key::kDown, key::kDown, key::kDown, key::kDown, key::kDown, key::kDown, 'T',
               key::kEnter});
  });
  EXPECT_EQ(Operator("A").prawa1.substr(0, 8), "NNNNNNNT");

  // A looks at his own rights: shown for 4 seconds, nothing can be changed.
  d.Keys({key::kDown, key::kEnter});
  ASSERT_TRUE(d.Run([&](console::Console&) { ASSERT_TRUE(ZmianaOperatora(s())); }));
  bool shown = false;
  List([&] {
    d.Keys({key::kDown, key::AltF(4)})
        .Then([&] { shown = d.ShowsAt(7, 39, "Przydzielanie-odbieranie uprawnien   N"); })
        .Wait(4500);
  });
  EXPECT_TRUE(shown);
  EXPECT_EQ(Operator("A").prawa, "N" + std::string(19, 'T'));

  // The supervisor on himself.
  d.Keys({key::kUp, key::kEnter});
  ASSERT_TRUE(d.Run([&](console::Console&) { ASSERT_TRUE(ZmianaOperatora(s())); }));
  bool boss = false;
  List([&] {
    d.Key(key::AltF(4)).Then([&] { boss = d.Contains("Jestes szefem - masz wszelkie prawa"); }).Wait(kPastMessage3);
  });
  EXPECT_TRUE(boss);
}

TEST_F(OperatorListTest, RefusalTokensBySupervisorOnly) {
  AddOperator("0", "Szef Wielki");
  AddOperator("A", "Nowak Jan", std::string(20, 'T'));
  LogInAsRow(0);
  bool warned = false;
  List([&] {
    d.Keys({key::kDown, key::ShiftF(4)})
        .Then([&] { EXPECT_TRUE(d.ShowsAt(20, 1, "Prawa2:")); })
        .Type("-M03 -D*")
        .Key(key::kEnter)
        .Key(key::kUp)
        .Key(key::ShiftF(4))
        .Type("RAMPA")
        .Key(key::kEnter)
        .Then([&] { warned = d.Contains("\"RAMPA a nr=0\" - sam się zablokujesz"); })
        .Wait(kPastMessage3);
  });
  EXPECT_TRUE(warned);
  EXPECT_EQ(RTrim(Operator("A").prawa2), "-M03 -D*");
  EXPECT_EQ(RTrim(Operator("0").prawa2), "RAMPA");
  EXPECT_EQ(s().op().prawa2, "RAMPA");  // his own tokens act at once

  // A holder of right 1 may not set tokens.
  d.Keys({key::kDown, key::kEnter});
  ASSERT_TRUE(d.Run([&](console::Console&) { ASSERT_TRUE(ZmianaOperatora(s())); }));
  List([&] { d.Keys({key::ShiftF(4)}).Wait(kPastMessage); });
  EXPECT_EQ(RTrim(Operator("0").prawa2), "RAMPA");
}

TEST_F(OperatorListTest, ChartMarkAndStationMap) {
  OpenFirma("0" + std::string(1, '\xB1') + "?A" + std::string(26, '0'));
  AddOperator("0", "Szef Wielki");
  s().set_stacja(2);
  LogInAsRow(0);
  std::string numbers, contents;
  List([&] {
    d.Key(' ')
        .Then([&] { EXPECT_TRUE(d.ShowsAt(kFirstRow, 41, "S")); })
        .Key(key::AltF(1))
        .Then([&] {
          numbers = d.Line(22);
          contents = d.Line(23);
        })
        .Wait(15500);
  });
  EXPECT_EQ(Operator("0").slupek, "S");
  EXPECT_EQ(numbers.substr(0, 12), "123456789012");
  EXPECT_EQ(contents.substr(0, 5), " 0?A ");
}

TEST_F(OperatorListTest, OperatorSettingsOfOnesOwnRecord) {
  AddOperator("0", "Szef Wielki");
  LogInAsRow(0);
  List([&] {
    d.Key(key::F(3))
        .Then([&] { EXPECT_TRUE(d.ShowsAt(19, 2, "Jaka drukarka")); })
        .Type("com2 df-300")
        .Key(key::kEnter)
        .Type("12")
        .Keys({key::kEnter, key::kCtrlY, key::kEnter})  // "Nr kasy fiskalnej" may not be blank
        .Type("2")
        .Keys({key::kEnter, key::kEnter, key::kEnter, key::kEnter});
  }, /*fiscal_menu=*/true);
  const session::operators::OperatorRecord rec = Operator("0");
  EXPECT_EQ(RTrim(rec.drukarka), "COM2 DF-300");
  EXPECT_EQ(RTrim(rec.nr_mag), "12");
  EXPECT_EQ(rec.nr_kasy, "2");
  // The list took the new printer into the session at once.
  EXPECT_EQ(RTrim(s().vars().Text("M_DRUKARKA")), "COM2 DF-300");
}

}  // namespace
}  // namespace hurt::shell::testing_ops
