// Passwords: changing one's own, what the operator table holds afterwards, the one-time
// conversion of old scrambled passwords, the table upgrade, the correction and
// supervisor password checks and the operator log.
#include "base/cp852.h"
#include "console/keys.h"
#include "operators_fixture.h"

namespace hurt::shell::testing_ops {
namespace {

namespace key = console::key;
using namespace hurt::literals;

constexpr int kPastMessage = 1500;
constexpr int kPastMessage3 = 3500;

bool Holds(const std::string& bytes, std::string_view part) { return bytes.find(part) != std::string::npos; }

// None of the ways a password could sit in a file: as typed, upper-cased, or scrambled
// the old way.
void ExpectNoReversibleForm(const std::string& bytes, std::string_view password) {
  EXPECT_FALSE(Holds(bytes, password)) << password;
  EXPECT_FALSE(Holds(bytes, Upper(password))) << password;
  const std::string scrambled = session::password::LegacyScramble(password);
  EXPECT_FALSE(Holds(bytes, scrambled.substr(0, password.size()))) << password;
}

class SecurityTest : public OperatorsTest {
 protected:
  void LogIn(std::initializer_list<int> keys, std::string_view password = "") {
    d.Keys(keys);
    if (!password.empty()) d.Type(password).Key(key::kEnter);
    ASSERT_TRUE(d.Run([&](console::Console&) { ASSERT_TRUE(ZmianaOperatora(s())); }));
  }

  // prawa as an old installation left it: an older structure, scrambled passwords.
  void OldPrawa() {
    ASSERT_TRUE(xbase::Table::Create(env, "/d/prawa.dbf",
                                     {{"NR", 'C', 1, 0},
                                      {"NAZWISKO", 'C', 30, 0},
                                      {"HASLO", 'C', 10, 0},
                                      {"PRAWA", 'C', 20, 0},
                                      {"PRAWA1", 'C', 20, 0},
                                      {"PRAWA2", 'C', 40, 0},
                                      {"NR_MAG", 'C', 10, 0},
                                      {"NR_KASY", 'C', 1, 0},
                                      {"KASA", 'N', 15, 2},
                                      {"UWAGI", 'C', 12, 0}})
                    .ok());
    auto t = xbase::Table::Open(env, "/d/prawa.dbf", xbase::TableMode::Exclusive());
    ASSERT_TRUE(t.ok());
    auto add = [&](std::string nr, std::string name, std::string haslo, bool deleted) {
      xbase::Record r = (*t)->NewRecord();
      ASSERT_TRUE(r.SetValue("NR", xbase::Value(nr)).ok());
      ASSERT_TRUE(r.SetValue("NAZWISKO", xbase::Value(name)).ok());
      ASSERT_TRUE(r.SetFieldBytes(r.schema().FieldIndex("HASLO"), haslo).ok());
      ASSERT_TRUE(r.SetValue("PRAWA", xbase::Value(std::string(20, 'T'))).ok());
      ASSERT_TRUE(r.SetValue("PRAWA2", xbase::Value(std::string("-R02"))).ok());
      ASSERT_TRUE(r.SetValue("KASA", xbase::Value(1234.56)).ok());
      ASSERT_TRUE(r.SetValue("UWAGI", xbase::Value(std::string("stare pole"))).ok());
      r.SetDeleted(deleted);
      ASSERT_TRUE((*t)->Append(r).ok());
    };
    add("0", "Szef Wielki", session::password::LegacyScramble("STARE"), false);
    add("A", "Nowak Jan", session::password::LegacyScramble(""), false);
    add("B", "Usuniety Bolek", session::password::LegacyScramble("BOLEK1"), true);
    ASSERT_TRUE((*t)->Close().ok());
  }
};

TEST_F(SecurityTest, ChangingOnesOwnPasswordStoresOnlyAHash) {
  AddOperator("0", "Szef Wielki");
  AddOperator("A", "Nowak Jan", std::string(20, 'T'), "Stare1");
  LogIn({key::kDown, key::kEnter}, "Stare1");

  std::vector<std::string> messages;
  auto note = [&] { messages.push_back(d.Line(17)); };
  d.Key(key::kDown)
      .Key(key::F(6))
      .Key(key::kEsc)
      .Then(note)
      .Wait(kPastMessage)  // Esc: nothing changes
      .Key(key::F(6))
      .Type("Stare1")
      .Key(key::kEnter)
      .Then(note)
      .Wait(kPastMessage)  // the same password again
      .Key(key::F(6))
      .Type("Sekret9")
      .Key(key::kEnter)
      .Then(note)
      .Wait(kPastMessage)
      .Type("Sekret8")
      .Key(key::kEnter)
      .Then(note)
      .Wait(kPastMessage)  // the repetition differs
      .Key(key::F(6))
      .Type("Sekret9")
      .Key(key::kEnter)
      .Wait(kPastMessage)
      .Type("Sekret9")
      .Key(key::kEnter)
      .Then(note)
      .Wait(kPastMessage)
      .Key(key::kUp)
      .Key(key::F(6))  // another operator's record: refused
      .Then(note)
      .Wait(kPastMessage)
      .Key(key::kEsc);
  ASSERT_TRUE(d.Run([&](console::Console&) { ASSERT_TRUE(ZmianaOperatora(s())); }));
  ASSERT_EQ(messages.size(), 6u);
  EXPECT_NE(messages[0].find("Nie zmieniam hasła"), std::string::npos) << messages[0];
  EXPECT_NE(messages[1].find("Baw sie czyms innym"), std::string::npos) << messages[1];
  EXPECT_NE(messages[2].find("Powtorz jeszcze raz"), std::string::npos) << messages[2];
  EXPECT_NE(messages[3].find("Nie zmieniam hasła"), std::string::npos) << messages[3];
  EXPECT_NE(messages[4].find("Hasło zostało zmienione"), std::string::npos) << messages[4];
  EXPECT_NE(messages[5].find("Brak praw"), std::string::npos) << messages[5];

  const session::operators::OperatorRecord a = Operator("A");
  EXPECT_EQ(a.hash.rfind("pbkdf2-sha256$100000$", 0), 0u) << a.hash;
  EXPECT_TRUE(IsBlank(a.haslo));
  EXPECT_TRUE(session::operators::PasswordMatches(a, "Sekret9"));
  EXPECT_FALSE(session::operators::PasswordMatches(a, "Stare1"));
  const std::string bytes = Contents("/d/prawa.dbf");
  ExpectNoReversibleForm(bytes, "Sekret9");
  ExpectNoReversibleForm(bytes, "Sekret8");
  ExpectNoReversibleForm(bytes, "Stare1");
}

TEST_F(SecurityTest, OldTableIsUpgradedKeepingEveryRecordAndPasswordsBecomeHashes) {
  OldPrawa();
  bool ok = false;
  d.Keys({key::kEnter}).Type("STARE").Key(key::kEnter);
  ASSERT_TRUE(d.Run([&](console::Console&) { ok = ZmianaOperatora(s()); }));
  ASSERT_TRUE(ok);
  EXPECT_EQ(s().op().nr, "0");

  auto t = xbase::Table::Open(env, "/d/prawa.dbf", xbase::TableMode::SharedReadOnly());
  ASSERT_TRUE(t.ok());
  xbase::Table& table = **t;
  EXPECT_EQ(table.RecordCount(), 3u);
  EXPECT_GE(table.fields()[static_cast<size_t>(table.FieldIndex("PRAWA2"))].width, 43);
  EXPECT_GE(table.fields()[static_cast<size_t>(table.FieldIndex("NR_MAG"))].width, 20);
  EXPECT_GE(table.FieldIndex("DRUKARKA"), 0);
  EXPECT_GE(table.FieldIndex("HASH"), 0);
  EXPECT_GE(table.FieldIndex("UWAGI"), 0);  // a field this version does not know is kept
  xbase::Record r;
  ASSERT_TRUE(table.Read(1, &r).ok());
  EXPECT_EQ(r.GetValue("KASA")->AsNumber(), 1234.56);
  EXPECT_EQ(RTrim(r.GetValue("PRAWA2")->AsString()), "-R02");
  EXPECT_EQ(RTrim(r.GetValue("UWAGI")->AsString()), "stare pole");
  EXPECT_TRUE(IsBlank(r.GetValue("HASLO")->AsString()));
  ASSERT_TRUE(table.Read(2, &r).ok());
  EXPECT_TRUE(IsBlank(r.GetValue("HASH")->AsString()));  // an empty old password: none
  ASSERT_TRUE(table.Read(3, &r).ok());
  EXPECT_TRUE(r.deleted());  // kept deleted, and its password converted as well
  EXPECT_TRUE(session::password::VerifyHashText("BOLEK1", r.GetValue("HASH")->AsString()));
  EXPECT_FALSE(env.Exists("/d/prawa_nw.dbf"));

  const std::string bytes = Contents("/d/prawa.dbf");
  ExpectNoReversibleForm(bytes, "STARE");
  ExpectNoReversibleForm(bytes, "BOLEK1");
  EXPECT_FALSE(Holds(bytes, session::password::LegacyScramble("")));
}

TEST_F(SecurityTest, OldScrambledPasswordWrittenMeanwhileIsAcceptedOnceAndConverted) {
  AddOperator("0", "Szef Wielki");
  AddOperator("A", "Nowak Jan");
  // While the list is open, a station with an old program writes A's password its way.
  auto write_old = [&] {
    auto t = xbase::Table::Open(env, "/d/prawa.dbf", xbase::TableMode::Shared());
    ASSERT_TRUE(t.ok());
    ASSERT_TRUE((*t)->LockRecord(2).ok());
    xbase::Record r;
    ASSERT_TRUE((*t)->Read(2, &r).ok());
    ASSERT_TRUE(r.SetFieldBytes(r.schema().FieldIndex("HASLO"), session::password::LegacyScramble("NOWE12")).ok());
    ASSERT_TRUE((*t)->Write(r).ok());
    ASSERT_TRUE((*t)->Close().ok());
  };
  d.Then(write_old).Keys({key::kDown, key::kEnter}).Type("NOWE12").Key(key::kEnter);
  ASSERT_TRUE(d.Run([&](console::Console&) { ASSERT_TRUE(ZmianaOperatora(s())); }));
  EXPECT_EQ(s().op().nr, "A");
  const session::operators::OperatorRecord a = Operator("A");
  EXPECT_TRUE(IsBlank(a.haslo));
  EXPECT_TRUE(session::password::VerifyHashText("NOWE12", a.hash));
  ExpectNoReversibleForm(Contents("/d/prawa.dbf"), "NOWE12");
}

TEST_F(SecurityTest, UpgradeThatCannotHaveTheTableAloneChangesNothing) {
  OldPrawa();
  const std::string before = Contents("/d/prawa.dbf");
  auto other = xbase::Table::Open(env, "/d/prawa.dbf", xbase::TableMode::Shared());  // another station
  ASSERT_TRUE(other.ok());
  bool ok = true;
  bool message = false;
  d.Then([&] { message = d.Contains("Tabela operatorów niedostępna"); }).Wait(kPastMessage3).Key('T');
  ASSERT_TRUE(d.Run([&](console::Console&) { ok = ZmianaOperatora(s()); }));
  EXPECT_TRUE(message);
  EXPECT_FALSE(ok);  // nobody could log in; the operator chose to end
  EXPECT_EQ(Contents("/d/prawa.dbf"), before);
  EXPECT_FALSE(env.Exists("/d/prawa_nw.dbf"));
}

TEST_F(SecurityTest, CorrectionPasswordFallsBackToTheSupervisorsUntilSet) {
  AddOperator("0", "Szef Wielki", std::string(20, 'T'), "Boss");
  bool first = false, second = true;
  bool wrong_shown = false;
  d.Then([&] { EXPECT_TRUE(d.ShowsAt(17, 37, "      PODAJ  HASŁO  !")); })
      .Type("Boss")
      .Key(key::kEnter)
      .Type("boss")  // the supervisor's password keeps its case
      .Key(key::kEnter)
      .Then([&] { wrong_shown = d.ShowsAt(17, 39, "       ZŁE  HASŁO !"); })
      .Type("xx")
      .Key(key::kEnter);
  ASSERT_TRUE(d.Run([&](console::Console&) {
    first = session::Haslo(s(), session::HasloKind::kCorrection);
    second = session::Haslo(s(), session::HasloKind::kMinMargin, "Haslo marzy");
  }));
  EXPECT_TRUE(first);
  EXPECT_FALSE(second);
  EXPECT_TRUE(wrong_shown);
}

TEST_F(SecurityTest, NoPasswordSetMeansNoQuestion) {
  AddOperator("0", "Szef Wielki");
  bool ok = false;
  ASSERT_TRUE(d.Run([&](console::Console&) {
    ok = session::Haslo(s(), session::HasloKind::kCorrection) && session::Haslo(s(), session::HasloKind::kSupervisor) && session::Haslo(s(), session::HasloKind::kPriceRise);
  }));
  EXPECT_TRUE(ok);
}

TEST_F(SecurityTest, SupervisorSetsTheCorrectionPasswordKeptAsAHash) {
  AddOperator("0", "Szef Wielki", std::string(20, 'T'), "Boss");
  ASSERT_TRUE(s().settings().Save("/d/parametr.mem").ok());
  LogIn({key::kEnter}, "Boss");

  d.Key(key::AltF(6))
      .Then([&] { EXPECT_TRUE(d.ShowsAt(20, 0, "      Hasło poprawy np. WREN")); })
      .Type("Korekta7")
      .Key(key::kEnter)
      .Wait(kPastMessage)
      .Key(key::kEsc);
  ASSERT_TRUE(d.Run([&](console::Console&) { ASSERT_TRUE(ZmianaOperatora(s())); }));
  const std::string mem = Contents("/d/parametr.mem");
  ExpectNoReversibleForm(mem, "Korekta7");
  session::Settings stored(env);
  ASSERT_TRUE(stored.Restore("/d/parametr.mem").ok());
  EXPECT_TRUE(session::password::IsHashText(stored.Text("J_BOSS")));
  EXPECT_EQ(s().settings().Text("J_BOSS"), stored.Text("J_BOSS"));

  // Checks now take the correction password, in any case; the supervisor's stays his.
  bool correction = false, boss_for_correction = true, supervisor = false;
  d.Type("korekta7").Key(key::kEnter);
  d.Type("Boss").Key(key::kEnter).Key(key::kEsc);
  d.Type("Boss").Key(key::kEnter);
  ASSERT_TRUE(d.Run([&](console::Console&) {
    correction = session::Haslo(s(), session::HasloKind::kCorrection);
    boss_for_correction = session::Haslo(s(), session::HasloKind::kCorrection);
    supervisor = session::Haslo(s(), session::HasloKind::kSupervisor);
  }));
  EXPECT_TRUE(correction);
  EXPECT_FALSE(boss_for_correction);
  EXPECT_TRUE(supervisor);

  // An empty entry puts the stock default back: the supervisor's password again.
  d.Keys({key::AltF(6), key::kEnter}).Wait(kPastMessage).Key(key::kEsc);
  ASSERT_TRUE(d.Run([&](console::Console&) { ASSERT_TRUE(ZmianaOperatora(s())); }));
  ASSERT_TRUE(stored.Restore("/d/parametr.mem").ok());
  EXPECT_EQ(stored.Text("J_BOSS"), "WREN");
  d.Type("Boss").Key(key::kEnter);
  ASSERT_TRUE(d.Run([&](console::Console&) { EXPECT_TRUE(session::Haslo(s(), session::HasloKind::kCorrection)); }));
}

TEST_F(SecurityTest, OnlyTheSupervisorOnHisOwnRecordSetsTheCorrectionPassword) {
  AddOperator("0", "Szef Wielki");
  AddOperator("A", "Kierownik Adam", std::string(20, 'T'));
  ASSERT_TRUE(s().settings().Save("/d/parametr.mem").ok());
  LogIn({key::kDown, key::kEnter});
  bool refused = false;
  d.Keys({key::kDown, key::AltF(6)}).Then([&] { refused = d.Contains("Brak praw"); }).Wait(kPastMessage).Key(key::kEsc);
  ASSERT_TRUE(d.Run([&](console::Console&) { ASSERT_TRUE(ZmianaOperatora(s())); }));
  EXPECT_TRUE(refused);
  session::Settings stored(env);
  ASSERT_TRUE(stored.Restore("/d/parametr.mem").ok());
  EXPECT_EQ(stored.Text("J_BOSS"), "WREN");
}

TEST_F(SecurityTest, OldPlainCorrectionPasswordIsHashedAtTheNextLogIn) {
  AddOperator("0", "Szef Wielki");
  ASSERT_TRUE(s().settings().SetText("J_BOSS", "TAJNE").ok());
  ASSERT_TRUE(s().settings().SetText("J_NAZWA", "Moja firma").ok());
  ASSERT_TRUE(s().settings().Save("/d/parametr.mem").ok());
  // Until then it is accepted as it is.
  d.Type("tajne").Key(key::kEnter);
  ASSERT_TRUE(d.Run([&](console::Console&) { EXPECT_TRUE(session::Haslo(s(), session::HasloKind::kCorrection)); }));

  LogIn({key::kEnter});
  const std::string mem = Contents("/d/parametr.mem");
  ExpectNoReversibleForm(mem, "TAJNE");
  session::Settings stored(env);
  ASSERT_TRUE(stored.Restore("/d/parametr.mem").ok());
  EXPECT_TRUE(session::password::IsHashText(stored.Text("J_BOSS")));
  EXPECT_EQ(stored.Text("J_NAZWA"), "Moja firma");  // nothing else in the file changed
  d.Type("Tajne").Key(key::kEnter);
  ASSERT_TRUE(d.Run([&](console::Console&) { EXPECT_TRUE(session::Haslo(s(), session::HasloKind::kCorrection)); }));
}

TEST_F(SecurityTest, CzytajHasloReadsWithoutChecking) {
  std::optional<std::string> typed, escaped;
  d.Type("abc").Key(key::kEnter).Type("x").Key(key::kEsc);
  ASSERT_TRUE(d.Run([&](console::Console&) {
    typed = session::CzytajHaslo(s(), "Podaj haslo do pliku");
    escaped = session::CzytajHaslo(s());
  }));
  ASSERT_TRUE(typed.has_value());
  EXPECT_EQ(*typed, "abc");
  EXPECT_FALSE(escaped.has_value());
}

TEST_F(SecurityTest, OperatorLogRecordsEventsButNeverPasswords) {
  AddOperator("0", "Szef Wielki", std::string(20, 'T'), "Boss");
  ASSERT_TRUE(s().settings().SetText("J_KANTY", "T").ok());
  s().set_stacja(3);
  s().vars().Set("PIERWSZE_WEJSCIE", xbase::Value(true));
  d.Key(key::kEnter).Type("Bos").Key(key::kEnter).Wait(kPastMessage);
  d.Key(key::kEnter).Type("Boss").Key(key::kEnter);
  ASSERT_TRUE(d.Run([&](console::Console&) { ASSERT_TRUE(ZmianaOperatora(s())); }));
  const std::string log = Cp852ToUtf8(Contents("/d/operator.txt"));
  EXPECT_NE(log.find("15.03.2024 08:00:0"), std::string::npos) << log;
  EXPECT_NE(log.find(" │ 03 │ 0 Szef Wielki │ błędne hasło\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find(" │ 03 │ 0 Szef Wielki │ zalogowanie\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find(" │ 03 │ 0 Szef Wielki │ początek pracy\r\n"), std::string::npos) << log;
  EXPECT_FALSE(s().vars().Logical("PIERWSZE_WEJSCIE"));
  EXPECT_EQ(log.find("Bos "), std::string::npos);
  EXPECT_EQ(log.find("Boss"), std::string::npos);

  // Without the setting nothing is written.
  ASSERT_TRUE(env.Remove("/d/operator.txt").ok());
  ASSERT_TRUE(s().settings().SetText("J_KANTY", "N").ok());
  d.Key(key::F(10)).Wait(kPastMessage).Key(key::kEnter).Type("Boss").Key(key::kEnter);
  ASSERT_TRUE(d.Run([&](console::Console&) { ASSERT_TRUE(ZmianaOperatora(s())); }));
  EXPECT_FALSE(env.Exists("/d/operator.txt"));
}

}  // namespace
}  // namespace hurt::shell::testing_ops
