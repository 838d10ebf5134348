#include "catalogues/record_catalogue.h"

#include <utility>

#include "base/cp852.h"
#include "base/date.h"
#include "base/numeric.h"
#include "base/text.h"
#include "catalogues/common.h"
#include "catalogues/rules.h"
#include "console/browse.h"
#include "console/form.h"
#include "console/keys.h"
#include "session/output/report_file.h"
#include "session/session.h"

namespace hurt::catalogues {

using namespace hurt::literals;
using console::BrowseAction;
using console::BrowseMode;
namespace key = console::key;

std::string OneOf(std::string& value, std::string_view allowed) {
  const std::string v = AllTrim(value);
  if (v.size() <= 1 && allowed.find(v.empty() ? ' ' : v[0]) != std::string_view::npos) return "";
  std::string letters;
  for (char c : allowed) {
    if (!letters.empty()) letters += ",";
    letters += c == ' ' ? std::string("pusty") : std::string(1, c);
  }
  return "Dozwolone: " + letters;
}

namespace {

// A date field is kept in the buffer as its day number.
JulianDay DateOf(const std::string& text) { return static_cast<JulianDay>(Val(text)); }

class RecordScreen {
 public:
  RecordScreen(session::Session& s, xbase::WorkArea& area, const RecordCatalogue& c)
      : s_(s), con_(s.con()), a_(area), c_(c), store_(s) {
    for (size_t i = 0; i < c_.fields.size(); ++i) {
      if (a_.FieldIndex(c_.fields[i].name) >= 0) present_.push_back(i);
    }
  }
  void Run();

 private:
  struct Slot {
    size_t field;  // index into c_.fields
    const xbase::DbfFieldDescriptor* desc;
  };

  BrowseAction OnKey(int k);
  KeyTable Keys();
  const xbase::DbfFieldDescriptor& Desc(size_t field) const {
    return a_.field(a_.FieldIndex(c_.fields[field].name));
  }
  RecordBuffer Blank() const;
  RecordBuffer Read() const;
  void Show(const RecordBuffer& b);
  // Adds the gets of the fields `from`..: the key (position 0) or the rest.
  void AddGets(console::Form& f, RecordBuffer& b, bool key_part, bool query);
  bool Editable(size_t field) const { return !c_.editable || c_.editable(field); }
  // Reads the fields after the key until each passes its check (PgDn leaves the form
  // without visiting the rest); false on Esc.
  bool ReadRest(RecordBuffer& b, const RecordBuffer* before);
  // Another record than `own` carries `key` (order 1).
  bool KeyShared(const std::string& key, uint32_t own);
  std::string FirstRefusal(const RecordBuffer& b, const RecordBuffer* before) const;
  bool Write(const RecordBuffer& b, const RecordBuffer* before);
  bool Edit();
  bool Append(bool copy);
  std::optional<std::string> Query();
  bool Filter();
  bool Find();
  bool Delete();
  bool Print();
  bool Search(int k, bool* moved);
  void EndSearch();
  bool Empty() { return AreaEmpty(a_); }
  std::string KeyOf(const RecordBuffer& b) const { return b.empty() ? std::string() : b[0]; }

  session::Session& s_;
  console::Console& con_;
  xbase::WorkArea& a_;
  const RecordCatalogue& c_;
  StoreAccess store_;
  std::vector<size_t> present_;  // the fields the table has, form order
  std::vector<double> numbers_ = std::vector<double>(c_.fields.size());  // the number fields' gets
  std::vector<JulianDay> dates_ = std::vector<JulianDay>(c_.fields.size());  // the date fields' gets
  bool current_month_ = true;
  console::Browse* browse_ = nullptr;
  SearchPrefix prefix_{10};
  bool searching_ = false;
  KeyTable keys_ = Keys();
};

RecordBuffer RecordScreen::Blank() const {
  RecordBuffer b(c_.fields.size());
  for (size_t i : present_) b[i] = Desc(i).type == 'D' ? "0" : std::string(static_cast<size_t>(Desc(i).width), ' ');
  return b;
}

RecordBuffer RecordScreen::Read() const {
  RecordBuffer b = Blank();
  for (size_t i : present_) {
    const xbase::DbfFieldDescriptor& d = Desc(i);
    const std::string name(c_.fields[i].name);
    if (d.type == 'N') {
      b[i] = Str(FieldNumber(a_, name), d.width, d.decimals);
    } else if (d.type == 'D') {
      b[i] = std::to_string(FieldDate(a_, name));
    } else {
      b[i] = PadR(FieldText(a_, name), static_cast<size_t>(d.width));
    }
  }
  return b;
}

void RecordScreen::Show(const RecordBuffer& b) {
  con_.ClearRegion(0, 0, c_.panel_rows - 1, 79);
  for (size_t i : present_) {
    const RecordField& f = c_.fields[i];
    con_.Say(f.row, f.col, f.label);
    const int at = f.col + static_cast<int>(f.label.size()) + 1;
    std::string v = Desc(i).type == 'D' ? Dtoc(DateOf(b[i])) : b[i];
    if (f.width > 0 && static_cast<int>(v.size()) > f.width) v = v.substr(0, static_cast<size_t>(f.width));
    if (at + static_cast<int>(v.size()) > 80) v = v.substr(0, static_cast<size_t>(std::max(0, 80 - at)));
    con_.Say(f.row, at, v);
  }
}

void RecordScreen::AddGets(console::Form& form, RecordBuffer& b, bool key_part, bool query) {
  for (size_t i : present_) {
    if ((i == 0) != key_part && c_.has_key) continue;
    if (!query && !Editable(i)) continue;
    const xbase::DbfFieldDescriptor& d = Desc(i);
    if (d.type != 'C' && query) continue;
    const RecordField& f = c_.fields[i];
    const int at = f.col + static_cast<int>(f.label.size()) + 1;
    console::GetField* g = nullptr;
    if (d.type == 'N') {
      numbers_[i] = Val(b[i]);
      const std::string picture = f.picture.empty() ? std::string(static_cast<size_t>(d.width), '9') : std::string(f.picture);
      g = &form.GetNumber(f.row, at, numbers_[i], picture);
    } else if (d.type == 'D') {
      dates_[i] = DateOf(b[i]);
      g = &form.GetDate(f.row, at, dates_[i]);
    } else {
      g = &form.GetText(f.row, at, b[i], f.picture);
      int shown = f.width > 0 ? f.width : d.width;
      shown = std::min(shown, 80 - at);
      if (shown < d.width) g->Width(shown);
    }
    g->Entered([this, &f] {
      con_.ClearRegion(24, 0, 24, 79, con_[console::Role::kKeyBar]);
      con_.Say(24, 0, Left(std::string(f.help), 80), con_[console::Role::kKeyBar]);
    });
    if (query) continue;
    g->Valid([this, &f, &b, &d, i] {
      if (d.type == 'N') b[i] = Str(numbers_[i], d.width, d.decimals);
      if (d.type == 'D') b[i] = std::to_string(dates_[i]);
      if (!f.valid) return true;
      const std::string why = f.valid(b[i]);
      if (why.empty()) return true;
      Warning(s_, why, 3);
      return false;
    });
  }
}

void RecordScreen::Run() {
  current_month_ = InCurrentMonth(s_);
  con_.Clear();
  const console::Attr title = con_.colours().enhanced;
  con_.ClearRegion(c_.panel_rows, 0, c_.panel_rows, 79, title);
  con_.Say(c_.panel_rows, 0, PadR(c_.title, 72) + "F1-pomoc", title);
  PaintKeyBar(s_, current_month_);

  if (c_.has_key && a_.order_count() >= 1) (void)a_.SetOrder(1);
  (void)a_.GoTop();
  // An empty table stays empty (Down or F5 appends): a blank kind or order would be kept.
  if (!Empty()) SeedOrProbe(s_, store_, a_, 10, 10);
  (void)a_.GoTop();

  AreaSource source(a_);
  console::Browse browse(con_, source, c_.panel_rows + 1, 0, 23, 79);
  browse.Separators("─┼─"_pl, "│"_pl, "");
  for (const RecordColumn& col : c_.columns) {
    if (a_.FieldIndex(col.field) < 0) continue;
    const std::string name(col.field);
    const xbase::DbfFieldDescriptor& d = a_.field(a_.FieldIndex(col.field));
    if (d.type == 'N') {
      // The column's width in digits, the field's decimals after the point.
      std::string picture(static_cast<size_t>(col.width), '9');
      if (d.decimals > 0 && col.width > d.decimals + 1) {
        picture = std::string(static_cast<size_t>(col.width - d.decimals - 1), '9') + "." +
                  std::string(static_cast<size_t>(d.decimals), '9');
      }
      browse.AddColumn(console::BrowseColumn::Number(col.heading, [this, name] { return FieldNumber(a_, name); }, picture));
    } else if (d.type == 'D') {
      browse.AddColumn(session::PaddedColumn(col.heading, col.width, [this, name] { return Dtoc(FieldDate(a_, name)); }));
    } else {
      browse.AddColumn(session::PaddedColumn(col.heading, col.width, [this, name] { return FieldText(a_, name); }));
    }
  }
  browse_ = &browse;
  Show(Empty() ? Blank() : Read());
  browse.Run([this](BrowseMode mode, int) {
    return CatalogueFun(s_, a_, mode, current_month_,
                        {.view = [this] { Show(Empty() ? Blank() : Read()); },
                         .on_key = [this](int k) { return OnKey(k); },
                         .append = [this] { Append(false); },
                         .filter = [this] { (void)a_.SetFilter(""); }});
  });
  browse_ = nullptr;
  (void)a_.SetFilter("");
  if (c_.has_key && a_.order_count() >= 1) (void)a_.SetOrder(1);
  (void)a_.GoTop();
}

BrowseAction RecordScreen::OnKey(int k) {
  if (browse_ != nullptr && browse_->append_mode()) {
    if (current_month_ && (k == key::kEnter || key::IsKey(k, key::F(5)))) Append(false);
    return BrowseAction::kRepaint;
  }
  bool moved = false;
  if (Search(k, &moved)) return moved ? BrowseAction::kRepaint : BrowseAction::kContinue;
  if (searching_) EndSearch();
  return DispatchKey(keys_, k);
}

KeyTable RecordScreen::Keys() {
  return {
      {key::kEsc, [] { return BrowseAction::kLeave; }},
      {key::F(4), AndRepaint([this] { if (current_month_ && !Empty()) Edit(); })},
      {key::AltF(5), AndRepaint([this] { if (current_month_ && !c_.editable) Append(true); })},
      {key::F(5), AndRepaint([this] { if (current_month_ && !c_.editable) Append(false); })},
      {key::F(6), AndRepaint([this] { Filter(); })},
      {key::F(7), AndRepaint([this] { Find(); })},
      {key::F(8), AndRepaint([this] { if (current_month_ && !c_.editable) Delete(); })},
      {key::F(9), AndRepaint([this] { Print(); })},
  };
}

bool RecordScreen::Search(int k, bool* moved) {
  if (!c_.has_key || a_.order() < 1) return false;
  const bool backspace = k == key::kBackspace;
  if (!backspace && !IsSearchCharacter(k)) return false;
  searching_ = true;
  const uint32_t before = a_.recno();
  if (backspace) {
    if (prefix_.Backspace() && !prefix_.empty()) {
      auto f = a_.SeekKey(prefix_.text());
      if (!(f.ok() && *f)) (void)a_.GoTo(before);
    }
    *moved = true;
  } else if (const auto candidate = prefix_.Candidate(static_cast<char>(k))) {
    auto f = a_.SeekKey(*candidate);
    if (f.ok() && *f) {
      prefix_.Accept(*candidate);
      *moved = true;
    } else {
      (void)a_.GoTo(before);
    }
  }
  con_.ClearRegion(24, 0, 24, 79, con_[console::Role::kKeyBar]);
  con_.Say(24, 0, PadR(prefix_.text(), 10), con_.colours().enhanced);
  return true;
}

void RecordScreen::EndSearch() {
  prefix_.Clear();
  searching_ = false;
  PaintKeyBar(s_, current_month_);
}

bool RecordScreen::Write(const RecordBuffer& b, const RecordBuffer* before) {
  if (c_.check) {
    const std::string why = c_.check(b, before);
    if (!why.empty()) {
      Warning(s_, why + " - zmiany nie zapisane", 3);
      return false;
    }
  }
  if (before != nullptr && !LockForChange(s_, a_, 30, "zmiany nie zapisane")) return false;
  if (before != nullptr && c_.has_key && KeyOf(b) != KeyOf(*before)) {
    // Asked again under the lock: another station may have used the old key (a document
    // of the kind) or taken the new one while the form was open.
    const bool used = c_.key_changeable && !c_.key_changeable(a_);
    if (used || KeyTaken(a_, KeyOf(b), a_.recno())) {
      (void)a_.Unlock();
      Warning(s_, used ? "Kod w uzyciu - zmiany nie zapisane" : "MASZ JUZ TAKI KOD - zmiany nie zapisane", 3);
      return false;
    }
  }
  Status st = Status::Ok();
  for (size_t i : present_) {
    if (before != nullptr && b[i] == (*before)[i]) continue;
    const std::string name(c_.fields[i].name);
    const char type = Desc(i).type;
    st = type == 'N'   ? a_.Replace(name, xbase::Value(Val(b[i])))
         : type == 'D' ? a_.Replace(name, xbase::Value(xbase::Date{DateOf(b[i])}))
                       : a_.Replace(name, xbase::Value(b[i]));
    if (!st.ok()) break;
  }
  if (st.ok()) st = a_.Flush();
  if (!st.ok()) {
    a_.DiscardChanges();
    (void)a_.Unlock();
    Warning(s_, "Błąd zapisu - zmiany nie zapisane"_pl, 3);
    return false;
  }
  (void)a_.Unlock();
  return true;
}

std::string RecordScreen::FirstRefusal(const RecordBuffer& b, const RecordBuffer* before) const {
  for (size_t i : present_) {
    const RecordField& f = c_.fields[i];
    if ((i == 0 && c_.has_key) || !Editable(i) || !f.valid) continue;
    if (before != nullptr && b[i] == (*before)[i]) continue;
    std::string value = b[i];
    const std::string why = f.valid(value);
    if (why.empty()) continue;
    std::string label = RTrim(std::string(f.label));
    while (!label.empty() && (label.back() == ':' || label.back() == ' ')) label.pop_back();
    return label.empty() ? why : label + ": " + why;
  }
  return "";
}

bool RecordScreen::ReadRest(RecordBuffer& b, const RecordBuffer* before) {
  for (;;) {
    console::Form rf(con_);
    AddGets(rf, b, false, false);
    const bool escaped = rf.Read().escaped;
    PaintKeyBar(s_, current_month_);
    if (escaped) return false;
    const std::string why = FirstRefusal(b, before);
    if (why.empty()) return true;
    Warning(s_, why, 3);
  }
}

bool RecordScreen::Edit() {
  const RecordBuffer before = Read();
  RecordBuffer b = before;
  const uint32_t recno = a_.recno();
  Show(b);
  if (c_.has_key && Editable(0) && (!c_.key_changeable || c_.key_changeable(a_))) {
    console::Form kf(con_);
    AddGets(kf, b, true, false);
    const bool escaped = kf.Read().escaped;
    PaintKeyBar(s_, current_month_);
    if (escaped) return true;
    if (IsBlank(KeyOf(b))) {
      Warning(s_, "Kod nie moze byc pusty", 3);
      b[0] = before[0];
    } else if (KeyOf(b) != KeyOf(before) && KeyTaken(a_, KeyOf(b), recno)) {
      Warning(s_, "MASZ JUZ TAKI KOD", 3);
      b[0] = before[0];
    }
    Show(b);
  }
  if (!ReadRest(b, &before)) return true;
  (void)a_.GoTo(recno);
  return Write(b, &before);
}

bool RecordScreen::Append(bool copy) {
  const RecordBuffer source = Empty() ? Blank() : Read();
  (void)a_.SetFilter("");
  RecordBuffer b = copy ? source : Blank();
  if (c_.has_key) b[0] = Blank()[0];
  Show(b);
  if (c_.has_key) {
    console::Form kf(con_);
    AddGets(kf, b, true, false);
    const bool escaped = kf.Read().escaped;
    PaintKeyBar(s_, current_month_);
    if (escaped || IsBlank(KeyOf(b))) return true;
    if (KeyTaken(a_, KeyOf(b), 0)) {
      (void)a_.SetOrder(1);
      (void)a_.SeekKey(KeyOf(b));
      return true;
    }
  }
  if (!ReadRest(b, nullptr)) return true;
  if (c_.check) {
    const std::string why = c_.check(b, nullptr);
    if (!why.empty()) {
      Warning(s_, why + " - nie dopisane", 3);
      return true;
    }
  }
  // Another station may have added the same key while the form was filled in.
  if (c_.has_key && KeyTaken(a_, KeyOf(b), 0)) {
    Warning(s_, "MASZ JUZ TAKI KOD - nie dopisane", 3);
    return true;
  }
  if (!store_.AddRec(a_, 15).ok()) {
    Warning(s_, "Kartoteka zajeta na innym stanowisku - pozycja nie dopisana", 3);
    return true;
  }
  const uint32_t added = a_.recno();
  if (!Write(b, nullptr)) {
    DropAppended(a_);
    return true;
  }
  // Two stations appending one key at once: each looks again once its record is written,
  // so the later look sees both and that station takes its record back (at worst both do).
  if (c_.has_key && KeyShared(KeyOf(b), added)) {
    (void)a_.GoTo(added);
    DropAppended(a_);
    Warning(s_, "MASZ JUZ TAKI KOD - nie dopisane", 3);
    return true;
  }
  (void)a_.GoTo(added);
  return true;
}

bool RecordScreen::KeyShared(const std::string& key, uint32_t own) {
  AreaKeep keep(a_);
  keep.Unfiltered();
  if (a_.order_count() < 1 || !a_.SetOrder(1).ok()) return false;
  auto found = a_.SeekKey(key);
  if (!found.ok() || !*found) return false;
  const std::string name(c_.fields[0].name);
  const std::string wanted = AllTrim(key);
  for (; !a_.eof() && AllTrim(FieldText(a_, name)) == wanted; (void)a_.Skip(1)) {
    if (a_.recno() != own && !a_.deleted()) return true;
  }
  return false;
}

std::optional<std::string> RecordScreen::Query() {
  RecordBuffer q = Blank();
  Show(q);
  console::Form f(con_);
  if (c_.has_key) AddGets(f, q, true, true);
  AddGets(f, q, false, true);
  const bool escaped = f.Read().escaped;
  PaintKeyBar(s_, current_month_);
  if (escaped) return std::nullopt;
  QueryBuilder query(s_);
  for (size_t i : present_) {
    if (Desc(i).type != 'C') continue;
    const std::string var = "M_QRC_" + std::string(c_.fields[i].name);
    query.Add(var, UpperPl(AllTrim(q[i])), var + " $ UPPER(" + std::string(c_.fields[i].name) + ")");
  }
  return query.condition();
}

bool RecordScreen::Filter() {
  const uint32_t before = a_.recno();
  const std::optional<std::string> cond = Query();
  if (!cond) return true;
  if (!a_.SetFilter(*cond).ok()) (void)a_.SetFilter("");
  (void)a_.GoTop();
  if (a_.eof()) {
    Warning(s_, "NIE ZNALAZŁEM"_pl, 3);
    (void)a_.SetFilter("");
    (void)a_.GoTo(before);
    if (a_.eof()) (void)a_.GoTop();
  }
  return true;
}

bool RecordScreen::Find() {
  const std::optional<std::string> cond = Query();
  if (!cond || cond->empty()) return true;
  LocateFirst(s_, a_, *cond);
  return true;
}

bool RecordScreen::Delete() {
  if (Empty()) return true;
  if (c_.delete_refusal) {
    const std::string why = c_.delete_refusal(a_);
    if (!why.empty()) {
      Warning(s_, why, 3);
      return true;
    }
  }
  if (!ConfirmDelete(s_)) return true;
  if (!LockForChange(s_, a_, 15, "nie skasowana")) return true;
  if (c_.delete_refusal) {
    // Asked again under the lock: another station may have used the record meanwhile.
    const std::string why = c_.delete_refusal(a_);
    if (!why.empty()) {
      (void)a_.Unlock();
      Warning(s_, why, 3);
      return true;
    }
  }
  DeleteAndMoveOn(store_, a_);
  return true;
}

bool RecordScreen::Print() {
  if (!c_.print) return true;
  ViewReportOver(s_, a_, [this](session::ReportWriter& out) { c_.print(out, a_); });
  return true;
}

}  // namespace

void RunRecordCatalogue(session::Session& s, xbase::WorkArea& area, const RecordCatalogue& catalogue) {
  const console::SavedScreen saved = s.con().SaveScreen();
  RecordScreen screen(s, area, catalogue);
  screen.Run();
  s.con().RestoreScreen(saved);
}

}  // namespace hurt::catalogues
