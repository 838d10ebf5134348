#include "documents/posting_journal.h"

#include <charconv>
#include <cstdio>
#include <memory>

#include "base/numeric.h"
#include "base/text.h"
#include "store/net_files.h"

namespace hurt::documents {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";

std::string Hex(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    out.push_back(kHex[b >> 4]);
    out.push_back(kHex[b & 15]);
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::string> Unhex(std::string_view hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  std::string out;
  for (size_t i = 0; i < hex.size(); i += 2) {
    const int hi = HexDigit(hex[i]);
    const int lo = HexDigit(hex[i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    out.push_back(static_cast<char>(hi * 16 + lo));
  }
  return out;
}

std::string EncodeValue(const xbase::Value& v) {
  if (v.IsString()) return "C" + Hex(v.AsString());
  if (v.IsNumber()) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v.AsNumber());
    return "N" + std::string(buf, r.ptr);
  }
  if (v.IsDate()) return "D" + std::to_string(v.AsDate().day);
  if (v.IsLogical()) return v.AsLogical() ? "LT" : "LF";
  return "U";
}

std::optional<xbase::Value> DecodeValue(std::string_view s) {
  if (s.empty()) return std::nullopt;
  const std::string_view body = s.substr(1);
  switch (s[0]) {
    case 'C': {
      auto text = Unhex(body);
      if (!text) return std::nullopt;
      return xbase::Value(*text);
    }
    case 'N': {
      double d = 0;
      auto r = std::from_chars(body.data(), body.data() + body.size(), d);
      if (r.ec != std::errc() || r.ptr != body.data() + body.size()) return std::nullopt;
      return xbase::Value(d);
    }
    case 'D': {
      long day = 0;
      auto r = std::from_chars(body.data(), body.data() + body.size(), day);
      if (r.ec != std::errc() || r.ptr != body.data() + body.size()) return std::nullopt;
      return xbase::Value(xbase::Date{static_cast<JulianDay>(day)});
    }
    case 'L':
      return xbase::Value(body == "T");
    case 'U':
      return xbase::Value();
    default:
      return std::nullopt;
  }
}

std::vector<std::string_view> SplitTabs(std::string_view line) {
  std::vector<std::string_view> out;
  size_t start = 0;
  while (true) {
    const size_t tab = line.find('\t', start);
    if (tab == std::string_view::npos) {
      out.push_back(line.substr(start));
      return out;
    }
    out.push_back(line.substr(start, tab - start));
    start = tab + 1;
  }
}

std::optional<uint32_t> ParseCount(std::string_view s) {
  uint32_t n = 0;
  auto r = std::from_chars(s.data(), s.data() + s.size(), n);
  if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return std::nullopt;
  return n;
}

// The value of a field as its record holds it, in a form comparable with a journal value.
std::string Comparable(const xbase::DbfFieldDescriptor& f, const xbase::Value& v) {
  if (v.IsNumber()) return NumericFieldText(v.AsNumber(), f.width, f.decimals);
  if (v.IsString()) return RTrim(v.AsString());
  return EncodeValue(v);
}

// A record lock for taking a change back: another station may hold the record for a
// moment (a reservation, a glance under lock), so it is tried for a while.
Status LockForUndo(xbase::WorkArea& a, Clock& clock) {
  constexpr int kAttempts = 100;
  constexpr int64_t kPauseMs = 100;
  Status locked = a.LockRecord();
  for (int attempt = 1; attempt < kAttempts && locked.IsBusy(); ++attempt) {
    clock.Sleep(kPauseMs);
    locked = a.LockRecord();
  }
  return locked;
}

Status UndoChange(xbase::WorkArea& a, const RecordChange& c, Clock& clock) {
  auto count = a.RecCount();
  HURT_RETURN_IF_ERROR(count.status());
  if (c.recno == 0 || c.recno > *count) return Status::Ok();  // the record never came to be
  HURT_RETURN_IF_ERROR(a.GoTo(c.recno));
  HURT_RETURN_IF_ERROR(LockForUndo(a, clock));
  for (const FieldChange& f : c.fields) {
    const int i = a.FieldIndex(f.field);
    if (i < 0) continue;
    const xbase::DbfFieldDescriptor& d = a.field(i);
    auto current = a.Get(i);
    HURT_RETURN_IF_ERROR(current.status());
    const std::string now = Comparable(d, *current);
    if (now == Comparable(d, f.after)) {
      HURT_RETURN_IF_ERROR(a.Replace(i, f.before));
    } else if (now != Comparable(d, f.before) && current->IsNumber() && f.after.IsNumber() &&
               f.before.IsNumber()) {
      // Changed by others since: take off only what the posting added.
      const double undone = current->AsNumber() - (f.after.AsNumber() - f.before.AsNumber());
      HURT_RETURN_IF_ERROR(a.Replace(i, xbase::Value(RoundHalfAway(undone, d.decimals))));
    }
  }
  if (c.deleted_after.has_value() && c.deleted_before.has_value() && a.deleted() == *c.deleted_after &&
      *c.deleted_after != *c.deleted_before) {
    HURT_RETURN_IF_ERROR(*c.deleted_before ? a.Delete() : a.Recall());
  }
  return a.UnlockRecord(c.recno);
}

bool BlankRecord(const xbase::WorkArea& a) {
  for (int i = 0; i < a.field_count(); ++i) {
    if (!IsBlank(a.FieldBytes(i))) return false;
  }
  return true;
}

Status UndoAppended(xbase::WorkArea& a, const AppendedRecords& ap, Clock& clock) {
  auto count = a.RecCount();
  HURT_RETURN_IF_ERROR(count.status());
  for (uint32_t r = ap.count_before + 1; r <= *count; ++r) {
    HURT_RETURN_IF_ERROR(a.GoTo(r));
    if (a.deleted()) continue;
    bool ours = !ap.marks.empty();
    for (const auto& [field, text] : ap.marks) {
      const int i = a.FieldIndex(field);
      if (i < 0 || RTrim(a.FieldBytes(i)) != RTrim(text)) {
        ours = false;
        break;
      }
    }
    if (!ours && !BlankRecord(a)) continue;
    if (ours) {
      HURT_RETURN_IF_ERROR(LockForUndo(a, clock));
    } else {
      // A blank record: the posting died between appending it and filling it in — or a
      // station at work appended it a moment ago and holds it until it is filled.
      const Status locked = a.LockRecord();
      if (locked.IsBusy()) continue;
      HURT_RETURN_IF_ERROR(locked);
      if (!BlankRecord(a)) {  // filled meanwhile: someone else's
        HURT_RETURN_IF_ERROR(a.UnlockRecord(r));
        continue;
      }
    }
    HURT_RETURN_IF_ERROR(a.Delete());
    HURT_RETURN_IF_ERROR(a.UnlockRecord(r));
  }
  return Status::Ok();
}

// The area a journal's table is worked on in: the area of `areas` that has it open
// already (so that what it reads afterwards is what was written), else the table opened
// in a free work area and closed again when this goes.
class ScratchArea {
 public:
  ScratchArea(xbase::WorkAreas& areas, std::string_view root, const std::string& relative, const std::string& path)
      : areas_(areas) {
    for (int n = 1; n <= xbase::WorkAreas::kMaxArea; ++n) {
      xbase::WorkArea* open = areas.Area(n);
      if (open != nullptr && !open->read_only() && RelativeToRoot(root, open->path()) == relative) {
        area_ = open;
        saved_hidden_ = open->deleted_hidden();
        saved_recno_ = open->recno();
        open->SetDeletedHidden(false);
        return;
      }
    }
    number_ = areas.FirstFree(200, xbase::WorkAreas::kMaxArea);
    if (number_ == 0) number_ = areas.FirstFree();
    if (number_ == 0) {
      opened_ = Status::Busy("no free work area");
      return;
    }
    auto a = areas.Open(number_, path, "JNL_" + std::to_string(number_));
    if (!a.ok()) {
      opened_ = a.status();
      number_ = 0;
      return;
    }
    area_ = *a;
    area_->SetDeletedHidden(false);
  }
  ~ScratchArea() {
    if (number_ != 0) {
      (void)areas_.Close(number_);
    } else if (area_ != nullptr) {
      area_->SetDeletedHidden(saved_hidden_);
      (void)area_->GoTo(saved_recno_);
    }
  }
  ScratchArea(const ScratchArea&) = delete;
  ScratchArea& operator=(const ScratchArea&) = delete;
  const Status& status() const { return opened_; }
  xbase::WorkArea& area() { return *area_; }

 private:
  xbase::WorkAreas& areas_;
  int number_ = 0;
  xbase::WorkArea* area_ = nullptr;
  bool saved_hidden_ = true;
  uint32_t saved_recno_ = 0;
  Status opened_;
};


}  // namespace

RecordChange& PostingJournal::ChangeOf(const std::string& table, uint32_t recno) {
  for (RecordChange& c : changes) {
    if (c.table == table && c.recno == recno) return c;
  }
  changes.push_back(RecordChange{table, recno, {}, std::nullopt, std::nullopt});
  return changes.back();
}

std::string EncodeJournal(const PostingJournal& journal) {
  std::string out = "HURTJNL\t1\t" + Hex(journal.what) + "\n";
  for (const RecordChange& c : journal.changes) {
    out += "REC\t" + Hex(c.table) + "\t" + std::to_string(c.recno);
    if (c.deleted_before.has_value() && c.deleted_after.has_value()) {
      out += std::string("\t") + (*c.deleted_before ? "T" : "F") + (*c.deleted_after ? "T" : "F");
    } else {
      out += "\t-";
    }
    out += "\n";
    for (const FieldChange& f : c.fields) {
      out += "FLD\t" + f.field + "\t" + EncodeValue(f.before) + "\t" + EncodeValue(f.after) + "\n";
    }
  }
  for (const AppendedRecords& ap : journal.appended) {
    out += "APP\t" + Hex(ap.table) + "\t" + std::to_string(ap.count_before);
    for (const auto& [field, text] : ap.marks) out += "\t" + field + "=" + Hex(text);
    out += "\n";
  }
  out += "END\n";
  return out;
}

Result<PostingJournal> DecodeJournal(std::string_view text) {
  // Only a journal written to its end counts; one cut short is not read further.
  const std::string_view end_line = "\nEND\n";
  if (text.size() < end_line.size() || text.substr(text.size() - end_line.size()) != end_line) {
    return Status::NotFound("posting journal: cut short");
  }
  PostingJournal j;
  bool header = false;
  bool end = false;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t nl = text.find('\n', pos);
    if (nl == std::string_view::npos) nl = text.size();
    const std::string_view line = text.substr(pos, nl - pos);
    pos = nl + 1;
    if (line.empty()) continue;
    const auto items = SplitTabs(line);
    const std::string_view tag = items[0];
    auto bad = [&] { return Status::Corruption("posting journal: bad line " + std::string(tag)); };
    if (tag == "HURTJNL") {
      if (items.size() != 3 || items[1] != "1") return bad();
      auto what = Unhex(items[2]);
      if (!what) return bad();
      j.what = *what;
      header = true;
    } else if (!header) {
      return Status::Corruption("posting journal: no header");
    } else if (tag == "REC") {
      if (items.size() != 4) return bad();
      auto table = Unhex(items[1]);
      auto recno = ParseCount(items[2]);
      if (!table || !recno) return bad();
      RecordChange c{*table, *recno, {}, std::nullopt, std::nullopt};
      if (items[3] != "-") {
        if (items[3].size() != 2) return bad();
        c.deleted_before = items[3][0] == 'T';
        c.deleted_after = items[3][1] == 'T';
      }
      j.changes.push_back(std::move(c));
    } else if (tag == "FLD") {
      if (items.size() != 4 || j.changes.empty()) return bad();
      auto before = DecodeValue(items[2]);
      auto after = DecodeValue(items[3]);
      if (!before || !after) return bad();
      j.changes.back().fields.push_back(FieldChange{std::string(items[1]), *before, *after});
    } else if (tag == "APP") {
      if (items.size() < 3) return bad();
      auto table = Unhex(items[1]);
      auto count = ParseCount(items[2]);
      if (!table || !count) return bad();
      AppendedRecords ap{*table, *count, {}};
      for (size_t i = 3; i < items.size(); ++i) {
        const size_t eq = items[i].find('=');
        if (eq == std::string_view::npos) return bad();
        auto value = Unhex(items[i].substr(eq + 1));
        if (!value) return bad();
        ap.marks.emplace_back(std::string(items[i].substr(0, eq)), *value);
      }
      j.appended.push_back(std::move(ap));
    } else if (tag == "END") {
      end = true;
      break;
    } else {
      return bad();
    }
  }
  if (!end) return Status::NotFound("posting journal: cut short");
  return j;
}

std::string JournalPath(std::string_view root, int station) {
  char name[32];
  std::snprintf(name, sizeof name, "rob/post%02d.jnl", station);
  return store::InRoot(root, name);
}

Status WriteJournal(xbase::Env& env, const std::string& path, const PostingJournal& journal) {
  const std::string text = EncodeJournal(journal);
  auto file = env.Open(path, xbase::OpenOptions{.write = true, .create = true, .truncate = true});
  HURT_RETURN_IF_ERROR(file.status());
  HURT_RETURN_IF_ERROR((*file)->WriteAt(0, text));
  return (*file)->Sync();
}

Status RemoveJournal(xbase::Env& env, const std::string& path) {
  if (!env.Exists(path)) return Status::Ok();
  return env.Remove(path);
}

Status UndoJournal(xbase::WorkAreas& areas, std::string_view root, const PostingJournal& journal) {
  // Appended records first (the newest changes), then the changed records.
  for (const AppendedRecords& ap : journal.appended) {
    ScratchArea s(areas, root, ap.table, store::InRoot(root, ap.table));
    if (s.status().IsNotFound()) continue;  // a table created by the posting and gone since
    HURT_RETURN_IF_ERROR(s.status());
    HURT_RETURN_IF_ERROR(UndoAppended(s.area(), ap, areas.env().clock()));
    HURT_RETURN_IF_ERROR(s.area().Commit());
  }
  for (const RecordChange& c : journal.changes) {
    ScratchArea s(areas, root, c.table, store::InRoot(root, c.table));
    HURT_RETURN_IF_ERROR(s.status());
    HURT_RETURN_IF_ERROR(UndoChange(s.area(), c, areas.env().clock()));
    HURT_RETURN_IF_ERROR(s.area().Commit());
  }
  return Status::Ok();
}

std::string RelativeToRoot(std::string_view root, std::string_view table_path) {
  if (root.empty() || root == ".") {
    if (table_path.substr(0, 2) == "./") return std::string(table_path.substr(2));
    return std::string(table_path);
  }
  if (table_path.size() > root.size() + 1 && table_path.substr(0, root.size()) == root &&
      table_path[root.size()] == '/') {
    return std::string(table_path.substr(root.size() + 1));
  }
  return std::string(table_path);
}

}  // namespace hurt::documents
