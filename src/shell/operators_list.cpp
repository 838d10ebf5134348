// TB_PRAWA: the operator list, with the log-in and the supervisor's editing.
//
// Who may do what on the list (nobody logged in may do nothing but log in):
//   - log in (Enter): anyone, on a named record other than the logged-in operator;
//   - log out (F10): the logged-in operator;
//   - rename (F4), add (F5), edit rights (Alt+F4) and restrictions (Ctrl+F4), and the
//     settings of another operator (F3): operator "0" on anyone; a holder of right 1 on
//     operators without right 1 (so never on another holder of right 1, nor on "0");
//   - view one's own rights and restrictions; change one's own password (F6) and settings;
//   - refusal tokens (Shift+F4), chart mark (Space) and the correction password (Alt+F6):
//     operator "0" only.
#include <array>

#include "base/cp852.h"
#include "base/text.h"
#include "console/browse.h"
#include "console/form.h"
#include "console/keys.h"
#include "console/message_window.h"
#include "console/screen_buffer.h"
#include "session/area_fields.h"
#include "session/not_built.h"
#include "session/session.h"
#include "session/store_ui.h"
#include "session/output/report_paths.h"
#include "session/viewer.h"
#include "shell/operators.h"
#include "shell/operators_internal.h"
#include "store/net_use.h"

namespace hurt::shell {

namespace {

using namespace hurt::literals;
using namespace operators;
namespace key = console::key;
using console::BrowseAction;
using console::BrowseMode;

constexpr int kRecordLockSeconds = 20;
constexpr int kListTop = 7, kListLeft = 1, kListBottom = 18, kListRight = 52;
constexpr int kNameColumn = 8;
constexpr int kNumberColumn = 3;
constexpr int kPasswordColumn = 41;

constexpr std::array<std::string_view, session::operators::kRightsUsed> kRightLabels = {
    "Przydzielanie-odbieranie uprawnien  ", "Przegladanie raportow kasowych      ",
    "Przegladanie rejestrow              ", "Przegladanie rotacji                ",
    "Przegladanie obrotow z kontrahentami", "Przegladanie zyskownosci            ",
    "Poprawa dowodow                     ", "Kartoteki dostawcow, edycja PZ      ",
    "Marza na kartotekach                ", "Zmiana okresu obrachunkowego        ",
    "Zmiana cen sprzedazy                ", "Kopiowanie na dyskietke             ",
    "Edycja dowodow                      ", "Edycja dowodow z dowolna data       ",
    "Pozwolic na sprzedaz niesolidnym odb", "Pozwolic na edycje cennika          ",
    "Pozwolic sprzedawac poniżej ceny min"_pl,
};

constexpr std::array<std::string_view, session::operators::kRestrictionsUsed> kRestrictionLabels = {
    "Tylko sprzedaz ze skanerem          ", "Tylko kartoteki magazynowe          ",
    "Tylko kartoteki magazynowe i rotacja", "Tylko poprawa dowodow PZ (do 14 dni)",
    "Tylko analiza sprzedazy kontrahentom", "Tylko kartoteki magazynowe i dowody ",
    "Tylko poprawa dowodow magazynowych  ", "Tylko KASA                          ",
};



class OperatorList {
 public:
  OperatorList(Session& session, xbase::WorkArea& area)
      : session_(session), con_(session.con()), area_(area), was_logged_in_(LoggedIn(session)) {}

  void Run() {
    const console::Attr attr = con_.colours().standard;
    con_.Box(kListTop, kListLeft, kListBottom, kListRight, console::DoubleFrame(), attr, ' ');
    session::AreaSource source(area_);
    console::Browse browse(con_, source, kListTop + 1, kNumberColumn, kListBottom - 1, kListRight - 1);
    browse.Separators("─┬─"_pl, " │ "_pl, "");
    browse.AddColumn(session::PaddedColumn("Nr", 2, [this] { return session::operators::ReadOperator(area_).nr; }));
    browse.AddColumn(session::PaddedColumn("Nazwisko imie", 30, [this] { return session::operators::ReadOperator(area_).nazwisko; }));
    // The password is never shown: the column holds the chart mark only.
    browse.AddColumn(session::PaddedColumn(std::string("Hasło"_pl), 5, [this] { return RTrim(session::operators::ReadOperator(area_).slupek); }));
    browse_ = &browse;
    (void)area_.GoTop();
    browse.Run([this](BrowseMode mode, int) { return OnKey(mode); });
    browse_ = nullptr;
  }

 private:
  BrowseAction OnKey(BrowseMode mode) {
    if (mode != BrowseMode::kException && mode != BrowseMode::kEmpty) return BrowseAction::kContinue;
    const int k = con_.LastKey();
    if (k == key::kEsc) return BrowseAction::kLeave;
    if (mode == BrowseMode::kEmpty) return BrowseAction::kContinue;
    const session::operators::OperatorRecord rec = session::operators::ReadOperator(area_);
    if (k == key::kEnter) return Zalogowanie(rec);
    if (key::IsKey(k, key::F(10))) return Wylogowac();
    if (key::IsKey(k, key::F(4))) return Ednazwiska(rec);
    if (key::IsKey(k, key::F(5))) return NewOperator();
    if (key::IsKey(k, key::AltF(4))) return Edprawa(rec, /*restrictions=*/false);
    if (key::IsKey(k, key::CtrlF(4))) return Edprawa(rec, /*restrictions=*/true);
    if (key::IsKey(k, key::ShiftF(4))) return UstawPrawa2(rec);
    if (key::IsKey(k, key::F(3))) return UstalDrukarke(rec);
    if (key::IsKey(k, key::F(6))) return ZmianaHasla(rec);
    if (key::IsKey(k, key::AltF(6))) return ZmianaBossa(rec);
    if (k == key::kSpace) return ToggleSlupek(rec);
    if (key::IsKey(k, key::AltF(1))) return StationMap();
    if (key::IsKey(k, key::F(12))) return PrzekazKasy(rec);
    return BrowseAction::kContinue;
  }

  // ---- who may do what ----
  const session::OperatorRights& op() const { return session_.op(); }
  bool IsSupervisorLoggedIn() const { return LoggedIn(session_) && op().nr == session::operators::kSupervisorNr; }
  bool IsOwn(const session::operators::OperatorRecord& rec) const { return LoggedIn(session_) && rec.nr == op().nr; }
  // F4 and the editors on another operator's record.
  bool MayManage(const session::operators::OperatorRecord& rec) const {
    if (!LoggedIn(session_)) return false;
    if (op().nr == session::operators::kSupervisorNr) return true;
    if (rec.IsSupervisor() || IsOwn(rec)) return false;
    return op().Prawa(1) && !rec.HoldsRight(1);
  }
  BrowseAction Refuse() {
    con_.Beep();
    console::Okno_(con_, "Brak praw");
    return BrowseAction::kContinue;
  }
  int CurrentRow() const { return browse_->first_data_row() + browse_->row_pos(); }
  void Log(std::string_view event) { LogOperatorEvent(session_, op().nr, op().nazwisko, event); }
  std::string Who(const session::operators::OperatorRecord& rec) const { return rec.nr + " " + RTrim(rec.nazwisko); }

  // ---- ZALOGOWANIE ----
  BrowseAction Zalogowanie(session::operators::OperatorRecord rec) {
    if (rec.IsSupervisor() && !rec.Named()) {
      // The supervisor always has a name, so that the record is not taken for a free one.
      const std::string name = PadR("Kowalski Jan", 30);
      if (session::operators::UpdateOperator(session_, area_, rec.recno, kRecordLockSeconds, [&](xbase::WorkArea& a) {
            return a.Replace("NAZWISKO", xbase::Value(name));
          }).ok()) {
        rec = session::operators::ReadOperator(area_);
      }
    }
    if (!rec.Named() || IsOwn(rec)) return BrowseAction::kContinue;
    std::string entry;
    if (session::operators::HasPassword(rec)) {
      console::MaskedEntry typed = console::GetHhhhh(con_, CurrentRow(), kPasswordColumn, "0,0");
      if (typed.escaped) return BrowseAction::kRepaint;
      entry = typed.text;
    }
    if (!session::operators::PasswordMatches(rec, entry)) {
      con_.Beep();
      console::Okno_(con_, "Błednie podane hasło"_pl);
      LogOperatorEvent(session_, rec.nr, rec.nazwisko, "błędne hasło"_pl);
      // During a change of operator the previous one stays logged in.
      return was_logged_in_ ? BrowseAction::kLeave : BrowseAction::kRepaint;
    }
    if (session::operators::IsLegacyPassword(rec)) {
      (void)session::operators::ConvertLegacyPassword(session_, area_, rec.recno);
      rec = session::operators::ReadOperator(area_);
    }
    if (session_.FileX("COPY_VAT.EXE") || session_.FileX("HCOPY_VA.EXE")) {
      if (rec.IsSupervisor() && session_.FileX("AAA.TXT")) {
        rec.nazwisko = "Administrator";
      } else if (rec.nazwisko.find("(R)") == std::string::npos) {
        rec.nazwisko = "(R)" + RTrim(rec.nazwisko);
      }
    }
    SetSessionOperator(session_, rec);
    Log("zalogowanie");
    if (session_.FileX("SALDO/SALDO.TXT")) {
      // SALDO_TXT: the note about the operators' balances, shown once after the log-in.
      const std::string upper = session::JoinPath(session_.root(), "SALDO/SALDO.TXT");
      const console::SavedScreen under = con_.SaveScreen();
      (void)session::ReadText(session_,
                              session_.env().Exists(upper) ? upper : session::JoinPath(session_.root(), "saldo/saldo.txt"));
      con_.RestoreScreen(under);
    }
    if (session_.vars().Logical("PIERWSZE_WEJSCIE")) {
      Log("początek pracy"_pl);
      session_.vars().Set("PIERWSZE_WEJSCIE", xbase::Value(false));
    }
    return BrowseAction::kLeave;
  }

  // ---- WYLOGOWAC ----
  BrowseAction Wylogowac() {
    if (!LoggedIn(session_)) return BrowseAction::kContinue;
    Log("wylogowanie");
    console::Okno_(con_, LogoutText(op().nazwisko));
    ClearSessionOperator(session_);
    return BrowseAction::kRepaint;
  }

  // ---- EDNAZWISKA ----
  BrowseAction Ednazwiska(const session::operators::OperatorRecord& rec) {
    if (!MayManage(rec)) return Refuse();
    EditName(rec, /*is_new=*/false);
    return BrowseAction::kRepaint;
  }

  // The name at column 8 of the highlighted row. Stored when longer than 6 characters,
  // or empty on a record other than "0": the operator is then removed (no password, no
  // rights, no restrictions). True when a name was stored.
  bool EditName(const session::operators::OperatorRecord& rec, bool is_new) {
    const int row = CurrentRow();
    if (is_new) con_.Say(row, kNumberColumn, rec.nr);
    std::string name = PadR(rec.nazwisko, 30);
    console::Form form(con_);
    form.GetText(row, kNameColumn, name);
    if (form.Read().escaped) return false;
    const std::string trimmed = AllTrim(name);
    const bool remove = trimmed.empty() && !rec.IsSupervisor();
    if (trimmed.size() <= 6 && !remove) return false;
    if (is_new && remove) return false;
    Status st = session::operators::UpdateOperator(session_, area_, rec.recno, kRecordLockSeconds, [&](xbase::WorkArea& a) {
      HURT_RETURN_IF_ERROR(a.Replace("NAZWISKO", xbase::Value(RTrim(name))));
      if (!remove) return Status::Ok();
      HURT_RETURN_IF_ERROR(a.Replace("HASLO", xbase::Value(std::string())));
      if (a.FieldIndex("HASH") >= 0) HURT_RETURN_IF_ERROR(a.Replace("HASH", xbase::Value(std::string())));
      HURT_RETURN_IF_ERROR(a.Replace("PRAWA", xbase::Value(std::string(20, 'N'))));
      return a.Replace("PRAWA1", xbase::Value(std::string(20, 'N')));
    });
    if (!st.ok()) return false;
    if (remove) {
      Log(std::string("usunięty operator "_pl) + Who(rec));
    } else {
      Log("nazwisko operatora " + Who(rec) + " -> " + trimmed);
    }
    return !remove;
  }

  // ---- F5: a new operator ----
  BrowseAction NewOperator() {
    if (!LoggedIn(session_) || !(op().nr == session::operators::kSupervisorNr || op().Prawa(1))) return Refuse();
    uint32_t added = 0;
    Status st = LockRecordFile();
    if (st.ok()) {
      st = AppendNext(&added);
      Status unlocked = area_.Unlock();
      if (st.ok()) st = unlocked;
    }
    if (!st.ok() || added == 0) {
      con_.Beep();
      console::Okno_(con_, "Nie mogę dopisać operatora"_pl, 3);
      return BrowseAction::kRepaint;
    }
    // The new record comes at the row of the highlighted one once the grid repaints (there
    // are at least as many records before it): its name is typed there now.
    (void)area_.GoTo(added);
    const int row = CurrentRow();
    con_.screen().Fill(row, kNumberColumn, row, kListRight - 1, ' ', con_.colours().standard);
    if (!EditName(session::operators::ReadOperator(area_), /*is_new=*/true)) DropNewOperator(added);
    return BrowseAction::kRepaint;
  }

  // A new record that got no name (Esc, or a name too short) goes again, so that F5 leaves
  // no nameless operator behind.
  void DropNewOperator(uint32_t recno) {
    const Status st = session::operators::UpdateOperator(session_, area_, recno, kRecordLockSeconds,
                                                         [](xbase::WorkArea& a) { return a.Delete(); });
    if (!st.ok()) {
      con_.Beep();
      console::Okno_(con_, "Nie mogę usunąć pustego operatora"_pl, 3);
    }
    (void)area_.GoTop();
  }

  Status LockRecordFile() {
    session::ConsoleStoreUi ui(con_);
    return store::FilLockArea(ui, area_, kRecordLockSeconds);
  }

  // Under the file lock: the number after the last record's (skipping numbers in use),
  // appended with no rights until the supervisor grants them.
  Status AppendNext(uint32_t* added) {
    std::string used;
    std::string last;
    HURT_RETURN_IF_ERROR(area_.GoTop());
    while (!area_.eof()) {
      const session::operators::OperatorRecord r = session::operators::ReadOperator(area_);
      used += r.nr;
      last = r.nr;
      HURT_RETURN_IF_ERROR(area_.Skip(1));
    }
    std::string nr = NextOperatorNumber(last);
    while (!nr.empty() && used.find(nr[0]) != std::string::npos) nr = NextOperatorNumber(nr);
    if (nr.empty()) return Status::Ok();
    HURT_RETURN_IF_ERROR(area_.Append());
    HURT_RETURN_IF_ERROR(area_.Replace("NR", xbase::Value(nr)));
    HURT_RETURN_IF_ERROR(area_.Replace("PRAWA", xbase::Value(std::string(20, 'N'))));
    HURT_RETURN_IF_ERROR(area_.Replace("PRAWA1", xbase::Value(std::string(20, 'N'))));
    HURT_RETURN_IF_ERROR(area_.Replace("NR_KASY", xbase::Value(std::string("1"))));
    *added = area_.recno();
    return area_.Flush();
  }

  // ---- EDPRAW / EDPRAW1 ----
  BrowseAction Edprawa(const session::operators::OperatorRecord& rec, bool restrictions) {
    if (!LoggedIn(session_)) return Refuse();
    bool view = false;
    if (IsOwn(rec)) {
      if (rec.IsSupervisor()) {
        console::Okno_(con_, "Jestes szefem - masz wszelkie prawa", 3);
        return BrowseAction::kContinue;
      }
      view = true;
    } else if (!MayManage(rec)) {
      return Refuse();
    }
    if (rec.IsSupervisor()) view = true;
    RightsEditor(rec, restrictions, view);
    return BrowseAction::kRepaint;
  }

  // One line per right: the label and "T"/"N". Shows the rights as they act: a right is
  // held unless its character is "N" (right 17 only when "T"), a restriction applies only
  // when its character is "T".
  void RightsEditor(const session::operators::OperatorRecord& rec, bool restrictions, bool view) {
    const std::string stored = restrictions ? rec.prawa1 : rec.prawa;
    const size_t count = restrictions ? session::operators::kRestrictionsUsed : session::operators::kRightsUsed;
    std::vector<std::string> values(count);
    for (size_t i = 0; i < count; ++i) {
      const char c = i < stored.size() ? stored[i] : ' ';
      char shown = c;
      if (c != 'T' && c != 'N') {
        if (restrictions) shown = 'N';
        else if (i == 16) shown = rec.IsSupervisor() ? 'T' : 'N';
        else shown = 'T';
      }
      values[i] = std::string(1, shown);
    }
    const console::SavedScreen saved = con_.SaveScreen();
    const console::Attr attr = con_.colours().standard;
    con_.Box(4, 38, 24, 78, console::DoubleFrame(), attr, ' ');
    con_.Say(5, 40, RTrim(rec.nazwisko));
    con_.screen().Fill(6, 39, 6, 77, static_cast<unsigned char>("─"_pl[0]), attr);
    console::Form form(con_);
    for (size_t i = 0; i < count; ++i) {
      const int row = 7 + static_cast<int>(i);
      form.Say(row, 39, restrictions ? kRestrictionLabels[i] : kRightLabels[i]);
      std::string& v = values[i];
      form.GetText(row, 76, v, "!").Valid([&v] { return v == "T" || v == "N"; });
    }
    bool store = false;
    if (view) {
      form.ShowAll();
      con_.Inkey(4);
    } else {
      const bool escaped = form.Read().escaped;
      store = !escaped || IsBlank(stored);
    }
    con_.RestoreScreen(saved);
    if (!store) return;
    std::string text;
    for (const std::string& v : values) text += v;
    if (stored.size() > count) text += stored.substr(count);
    const char* field = restrictions ? "PRAWA1" : "PRAWA";
    Status st = session::operators::UpdateOperator(session_, area_, rec.recno, kRecordLockSeconds,
                               [&](xbase::WorkArea& a) { return a.Replace(field, xbase::Value(text)); });
    if (st.ok()) Log(std::string(restrictions ? "ograniczenia " : "prawa ") + Who(rec) + ": " + RTrim(text));
  }

  // ---- USTAW_PRAWA2 ----
  BrowseAction UstawPrawa2(const session::operators::OperatorRecord& rec) {
    if (!IsSupervisorLoggedIn()) return Refuse();
    const console::SavedScreen saved = con_.SaveScreen();
    std::string tokens = PadR(rec.prawa2, 43);
    console::Form form(con_);
    form.Say(20, 1, "Prawa2:");
    form.GetText(20, 9, tokens);
    const bool escaped = form.Read().escaped;
    con_.RestoreScreen(saved);
    if (escaped) return BrowseAction::kRepaint;
    if (rec.IsSupervisor() && tokens.find("RAMPA") != std::string::npos) {
      console::Okno_(con_, "\"RAMPA a nr=0\" - sam się zablokujesz"_pl, 3);
    }
    Status st = session::operators::UpdateOperator(session_, area_, rec.recno, kRecordLockSeconds,
                               [&](xbase::WorkArea& a) { return a.Replace("PRAWA2", xbase::Value(tokens)); });
    if (!st.ok()) return BrowseAction::kRepaint;
    Log("prawa2 " + Who(rec) + ": " + RTrim(tokens));
    if (IsOwn(rec)) {
      session_.op().prawa2 = RTrim(tokens);
      session_.vars().Set("M_PRAWA2", xbase::Value(session_.op().prawa2));
    }
    return BrowseAction::kRepaint;
  }

  // ---- USTAL_DRUKARKE ----
  BrowseAction UstalDrukarke(const session::operators::OperatorRecord& rec) {
    if (!rec.has_drukarka) return BrowseAction::kContinue;
    if (!IsOwn(rec) && !MayManage(rec)) return Refuse();
    std::string drukarka = PadR(rec.drukarka, 30);
    std::string nr_mag = PadR(rec.nr_mag, 20);
    std::string nr_kasy = PadR(IsBlank(rec.nr_kasy) ? "1" : rec.nr_kasy, 1);
    std::string rd = PadR(rec.rd, 3);
    std::string smtp = PadR(rec.smtp, 30);
    std::string komu = PadR(rec.komu, 8);
    const console::SavedScreen saved = con_.SaveScreen();
    con_.ClearRegion(19, 0, 24, 79);
    console::Form form(con_);
    form.Say(19, 2, "Jaka drukarka");
    form.GetText(19, 22, drukarka, "@!");
    form.Say(20, 2, "Nr mag");
    form.GetText(20, 22, nr_mag);
    form.Say(21, 2, "Nr kasy fiskalnej");
    form.GetText(21, 22, nr_kasy).Valid([&] { return !IsBlank(nr_kasy); });
    if (rec.has_rd) {
      form.Say(22, 2, "Rd :");
      form.GetText(22, 22, rd, "@!");
    }
    if (rec.has_smtp) {
      form.Say(23, 2, "Server smtp: ");
      form.GetText(23, 22, smtp);
    }
    if (rec.has_komu) {
      form.Say(24, 2, "Kod roz:");
      form.GetText(24, 22, komu, "@!");
    }
    const bool escaped = form.Read().escaped;
    con_.RestoreScreen(saved);
    if (escaped) return BrowseAction::kRepaint;
    Status st = session::operators::UpdateOperator(session_, area_, rec.recno, kRecordLockSeconds, [&](xbase::WorkArea& a) {
      HURT_RETURN_IF_ERROR(a.Replace("DRUKARKA", xbase::Value(drukarka)));
      HURT_RETURN_IF_ERROR(a.Replace("NR_MAG", xbase::Value(nr_mag)));
      HURT_RETURN_IF_ERROR(a.Replace("NR_KASY", xbase::Value(nr_kasy)));
      if (rec.has_rd) HURT_RETURN_IF_ERROR(a.Replace("RD", xbase::Value(rd)));
      if (rec.has_smtp) HURT_RETURN_IF_ERROR(a.Replace("SMTP", xbase::Value(smtp)));
      if (rec.has_komu) HURT_RETURN_IF_ERROR(a.Replace("KOMU", xbase::Value(komu)));
      return Status::Ok();
    });
    if (st.ok()) Log("ustawienia operatora " + Who(rec));
    return BrowseAction::kRepaint;
  }

  // ---- ZMIANAHASLA ----
  BrowseAction ZmianaHasla(const session::operators::OperatorRecord& rec) {
    if (!IsOwn(rec)) return Refuse();
    const int row = CurrentRow();
    auto say = [&](std::string_view text) {
      con_.Beep();
      console::Okno_(con_, text);
    };
    console::MaskedEntry first = console::GetHhhhh(con_, row, kPasswordColumn);
    if (first.escaped) {
      say("Nie zmieniam hasła"_pl);
      return BrowseAction::kRepaint;
    }
    if (session::operators::PasswordMatches(rec, first.text)) {
      say("Baw sie czyms innym");
      return BrowseAction::kRepaint;
    }
    say("Powtorz jeszcze raz");
    console::MaskedEntry second = console::GetHhhhh(con_, row, kPasswordColumn);
    if (second.escaped || RTrim(second.text) != RTrim(first.text)) {
      say("Nie zmieniam hasła"_pl);
      return BrowseAction::kRepaint;
    }
    if (!session::operators::StorePassword(session_, area_, rec.recno, first.text).ok()) {
      say("Nie zmieniam hasła"_pl);
      return BrowseAction::kRepaint;
    }
    Log("zmiana hasła"_pl);
    say("Hasło zostało zmienione"_pl);
    return BrowseAction::kRepaint;
  }

  // ---- ZMIANABOSSA ----
  BrowseAction ZmianaBossa(const session::operators::OperatorRecord& rec) {
    if (!IsSupervisorLoggedIn() || !IsOwn(rec)) return Refuse();
    const console::SavedScreen saved = con_.SaveScreen();
    con_.Say(20, 0, "      Hasło poprawy np. WREN"_pl);
    console::MaskedEntry entry = console::GetHhhhh(con_, 20, 29);
    con_.RestoreScreen(saved);
    if (entry.escaped) return BrowseAction::kRepaint;
    if (session::operators::StoreCorrectionPassword(session_, entry.text).ok()) {
      Log("zmiana hasła poprawy"_pl);
      console::Okno_(con_, "Hasło zostało zmienione"_pl);
    } else {
      con_.Beep();
      console::Okno_(con_, "Nie zmieniam hasła"_pl);
    }
    return BrowseAction::kRepaint;
  }

  // ---- chart mark ----
  BrowseAction ToggleSlupek(const session::operators::OperatorRecord& rec) {
    if (!IsSupervisorLoggedIn() || area_.FieldIndex("SLUPEK") < 0) return BrowseAction::kContinue;
    const std::string mark = Left(rec.slupek, 1) == "S" ? " " : "S";
    (void)session::operators::UpdateOperator(session_, area_, rec.recno, kRecordLockSeconds,
                         [&](xbase::WorkArea& a) { return a.Replace("SLUPEK", xbase::Value(mark)); });
    return BrowseAction::kRepaint;
  }

  // ---- station map ----
  BrowseAction StationMap() {
    std::string slots;
    if (xbase::WorkArea* firma = session_.areas().Find("firma"); firma && firma->FieldIndex("ST") >= 0) {
      (void)firma->Skip(0);  // read the register as it is now
      slots = std::string(firma->FieldBytes(firma->FieldIndex("ST")));
    }
    const size_t shown = std::min<size_t>(slots.size(), 80);
    std::string numbers, contents;
    for (size_t i = 0; i < shown; ++i) {
      numbers += static_cast<char>('0' + (i + 1) % 10);
      const char c = slots[i];
      contents += (c == ' ' || c == '0') ? ' ' : (c == session::operators::kSupervisorSlot ? '0' : c);
    }
    const console::SavedRegion saved = con_.Save(22, 0, 23, 79);
    con_.ClearRegion(22, 0, 23, 79);
    con_.Say(22, 0, numbers);
    con_.Say(23, 0, contents);
    con_.Inkey(15);
    con_.Restore(saved);
    return BrowseAction::kContinue;
  }

  // ---- cash handover ----
  BrowseAction PrzekazKasy(const session::operators::OperatorRecord& rec) {
    if (!session_.FileX("KP1_KW1.TXT") || !LoggedIn(session_)) return BrowseAction::kContinue;
    if (IsOwn(rec)) {
      console::Okno_(con_, "Ustaw sie na tym ktory odbiera", 3);
      return BrowseAction::kContinue;
    }
    session::NotBuilt(session_, "PRZEKAZ_KASY");
    return BrowseAction::kRepaint;
  }

 private:
  Session& session_;
  console::Console& con_;
  xbase::WorkArea& area_;
  bool was_logged_in_;
  console::Browse* browse_ = nullptr;
};

}  // namespace

bool TbPrawa(Session& session) {
  console::Console& con = session.con();
  if (!session::operators::OpenPrawa(session).ok()) {
    con.Beep();
    console::Okno_(con, "Tabela operatorów niedostępna"_pl, 3);
    return false;
  }
  xbase::WorkArea* area = session.areas().Area(session::operators::kPrawaArea);
  const console::SavedScreen saved = con.SaveScreen();
  {
    OperatorList list(session, *area);
    list.Run();
  }
  con.RestoreScreen(saved);

  // What the logged-in operator's record says now (F3 may have changed it), and the scale
  // operators of the installation.
  std::string gdzie_waga;
  (void)area->GoTop();
  while (!area->eof()) {
    const session::operators::OperatorRecord rec = session::operators::ReadOperator(*area);
    if (rec.Named() && (Upper(rec.nazwisko).find("WAGA") != std::string::npos ||
                        Upper(rec.drukarka).find("WAGA") != std::string::npos)) {
      gdzie_waga += rec.nr;
    }
    if (LoggedIn(session) && rec.nr == session.op().nr) {
      session::SessionVariables& v = session.vars();
      v.Set("M_DRUKARKA", xbase::Value(rec.has_drukarka ? rec.drukarka : Space(30)));
      v.Set("ARC_MAGAZYN", xbase::Value(rec.has_magazyn ? rec.magazyn : Space(30)));
      v.Set("ARC_KOMU", xbase::Value(rec.has_komu ? rec.komu : Space(30)));
      v.Set("ARC_RD", xbase::Value(rec.has_rd ? rec.rd : Space(30)));
      if (rec.has_smtp && !IsBlank(rec.smtp)) v.Set("M_SMTP", xbase::Value(RTrim(rec.smtp)));
      session.op().prawa2 = RTrim(rec.prawa2);
      v.Set("M_PRAWA2", xbase::Value(session.op().prawa2));
    }
    if (!area->Skip(1).ok()) break;
  }
  session.vars().Set("GDZIE_WAGA", xbase::Value(gdzie_waga));
  session::operators::ClosePrawa(session);

  // A default document kind that the dictionary does not know is dropped.
  const std::string rd = session.vars().Text("ARC_RD");
  if (xbase::WorkArea* slow = session.areas().Find("slow"); slow && !IsBlank(rd) && slow->order() > 0) {
    auto found = slow->Seek(xbase::Value(RTrim(rd)));
    if (found.ok() && !*found) session.vars().Set("ARC_RD", xbase::Value(Space(30)));
  }
  return true;
}

}  // namespace hurt::shell
