#include "session/area_fields.h"

#include "base/text.h"

namespace hurt::session {

bool HasField(const xbase::WorkArea& a, std::string_view field) { return a.FieldIndex(field) >= 0; }

std::string FieldText(const xbase::WorkArea& a, std::string_view field) {
  const int i = a.FieldIndex(field);
  if (i < 0) return {};
  auto v = a.Get(i);
  return v.ok() ? v->AsString() : std::string();
}

double FieldNumber(const xbase::WorkArea& a, std::string_view field) {
  const int i = a.FieldIndex(field);
  if (i < 0) return 0;
  auto v = a.Get(i);
  return v.ok() ? v->AsNumber() : 0;
}

JulianDay FieldDate(const xbase::WorkArea& a, std::string_view field) {
  const int i = a.FieldIndex(field);
  if (i < 0) return kEmptyDate;
  auto v = a.Get(i);
  return v.ok() ? v->AsDate().day : kEmptyDate;
}

std::vector<std::string> DamagedIndexLines(std::string_view index_path) {
  // The last three parts of the path: "26/12/as2.ntx" of any data directory.
  size_t from = index_path.size();
  for (int parts = 0; parts < 3 && from != std::string_view::npos && from > 0; ++parts) {
    from = index_path.rfind('/', from - 1);
  }
  std::string_view shown = from == std::string_view::npos ? index_path : index_path.substr(from + 1);
  std::string first = "Uszkodzony indeks " + std::string(shown);
  std::vector<std::string> lines;
  if (first.size() <= 41) {
    lines.push_back(first);
  } else {
    lines.push_back("Uszkodzony indeks");
    lines.push_back(std::string(Right(shown, 41)));
  }
  lines.push_back("Napraw: uruchom program z argumentem 888");
  lines.push_back("lub FUNKCJE SPECJALNE -");
  lines.push_back("Reorganizacja zbiorow");
  return lines;
}

std::vector<std::string> AreaSource::Fault() {
  const std::string damaged = area_.DamagedOrder();
  if (damaged.empty()) return {};
  return DamagedIndexLines(damaged);
}

void AreaSource::GoTop() { (void)area_.GoTop(); }

void AreaSource::GoBottom() { (void)area_.GoBottom(); }

int64_t AreaSource::Skip(int64_t n) {
  int64_t moved = 0;
  const long step = n > 0 ? 1 : -1;
  while (moved != n) {
    const uint32_t before = area_.recno();
    if (!area_.Skip(step).ok()) break;
    if (area_.eof() || area_.bof()) {
      // Past the last record: back onto it. Before the first: the area stands on it.
      if (area_.eof()) (void)area_.GoTo(before);
      break;
    }
    moved += step;
  }
  return moved;
}

bool AreaSource::IsEmpty() {
  if (!area_.eof()) {
    auto visible = area_.Visible();
    if (visible.ok() && *visible) return false;
  }
  (void)area_.GoTop();
  return area_.eof();
}

void AreaSource::GoToBookmark(int64_t mark) {
  if (mark <= 0 || mark > UINT32_MAX) return;
  (void)area_.GoTo(static_cast<uint32_t>(mark));
}

bool AreaSource::Seek(std::string_view key, bool soft) {
  if (area_.order() == 0) return false;
  auto found = area_.SeekKey(key, soft);
  return found.ok() && *found;
}

console::BrowseColumn PaddedColumn(std::string heading, int width, std::function<std::string()> value) {
  console::BrowseColumn c;
  c.heading = std::move(heading);
  c.width = width;
  c.value = [value = std::move(value), width] { return PadR(value(), static_cast<size_t>(width)); };
  return c;
}

}  // namespace hurt::session
