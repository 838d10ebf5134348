// Evaluation speed of compiled expressions over document lines held in memory.
//
// Prints "name: value unit" lines. The records are 4096 document lines of the `dow`
// layout; every evaluation moves to the next one, as an index build does.
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <vector>

#include "base/date.h"
#include "base/numeric.h"
#include "base/text.h"
#include "xbase/expr.h"

namespace {

using hurt::xbase::Expression;
using hurt::xbase::FieldInfo;
using hurt::xbase::FieldRef;
using hurt::xbase::Value;

struct Field {
  const char* name;
  char type;
  int width;
  int decimals;
};

const Field kFields[] = {
    {"R_P", 'C', 1, 0},     {"S_Z", 'C', 1, 0},     {"RD", 'C', 3, 0},        {"NRD", 'C', 8, 0},
    {"DATA", 'D', 8, 0},    {"MAG", 'C', 1, 0},     {"LP", 'C', 3, 0},        {"KTO", 'C', 1, 0},
    {"ODB", 'C', 8, 0},     {"INDEKS", 'C', 8, 0},  {"NAZWA", 'C', 30, 0},    {"CENA", 'N', 16, 6},
    {"ILOSC", 'N', 15, 3},  {"WARTOSC", 'N', 18, 2}, {"TRESC", 'C', 17, 0},  {"OBWN", 'N', 14, 2},
    {"OBMA", 'N', 14, 2},
};
constexpr int kFieldCount = static_cast<int>(sizeof kFields / sizeof kFields[0]);

class Lines : public hurt::xbase::ExprScope, public hurt::xbase::ExprContext {
 public:
  explicit Lines(int count) {
    int offset = 1;  // byte 0: the deleted flag
    for (const Field& f : kFields) {
      offsets_.push_back(offset);
      offset += f.width;
    }
    record_length_ = offset;
    const char* kinds[] = {"P", "R", "M", "K"};
    for (int i = 0; i < count; ++i) {
      std::string r(static_cast<size_t>(record_length_), ' ');
      auto put = [&](int field, const std::string& text) {
        r.replace(static_cast<size_t>(offsets_[static_cast<size_t>(field)]), static_cast<size_t>(kFields[field].width),
                  hurt::PadR(text, static_cast<size_t>(kFields[field].width)));
      };
      put(0, kinds[i % 4]);
      put(1, i % 3 == 0 ? "S" : "Z");
      put(2, i % 2 == 0 ? "FV" : "PZ");
      put(3, hurt::Str(i / 10 + 1, 8));
      put(4, hurt::Dtos(hurt::JulianFromYmd(2024, 1 + i % 12, 1 + i % 28)));
      put(5, std::to_string(i % 3));
      put(6, hurt::Str(i % 10 + 1, 3));
      put(7, "O");
      put(8, "ODB" + std::to_string(i % 50));
      put(9, "ART" + std::to_string(i % 700));
      put(10, "Towar numer " + std::to_string(i));
      put(11, hurt::Str(12.5 + i % 100, 16, 6));
      put(12, hurt::Str(1 + i % 17, 15, 3));
      put(13, hurt::Str(100.25 * (i % 13), 18, 2));
      put(14, "Wplata " + std::to_string(i));
      put(15, hurt::Str(i % 1000, 14, 2));
      put(16, hurt::Str(0.5, 14, 2));
      records_ += r;
    }
    count_ = count;
  }

  void Next() {
    current_ = current_ + 1 == count_ ? 0 : current_ + 1;
  }

  // ExprScope
  int CurrentArea() const override { return 1; }
  std::optional<int> FindArea(std::string_view alias) const override {
    return alias == "DOW" ? std::optional<int>(1) : std::nullopt;
  }
  std::optional<FieldInfo> FindField(int area, std::string_view name) const override {
    if (area != 1) return std::nullopt;
    for (int i = 0; i < kFieldCount; ++i)
      if (name == kFields[i].name) return FieldInfo{FieldRef{1, i}, kFields[i].type, kFields[i].width, kFields[i].decimals};
    return std::nullopt;
  }
  std::optional<int> FindVariable(std::string_view name) const override {
    if (name == "M_KTO") return 0;
    if (name == "M_ODB") return 1;
    return std::nullopt;
  }

  // ExprContext
  std::string_view FieldBytes(FieldRef f) const override {
    size_t at = static_cast<size_t>(current_) * static_cast<size_t>(record_length_) +
                static_cast<size_t>(offsets_[static_cast<size_t>(f.field)]);
    return std::string_view(records_).substr(at, static_cast<size_t>(kFields[f.field].width));
  }
  const Value* Variable(int id) const override { return &vars_[static_cast<size_t>(id)]; }
  uint32_t RecNo(int) const override { return static_cast<uint32_t>(current_ + 1); }
  bool Deleted(int) const override { return false; }
  hurt::JulianDay Today() const override { return hurt::JulianFromYmd(2024, 3, 15); }

 private:
  std::vector<int> offsets_;
  int record_length_ = 0;
  int count_ = 0;
  int current_ = 0;
  std::string records_;
  Value vars_[2] = {Value("O"), Value("ODB1")};
};

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

void Report(const char* name, long count, double seconds) {
  std::printf("%s: %.2f Mevals/s\n", name, static_cast<double>(count) / seconds / 1e6);
  std::printf("%s_time: %.1f ns/eval\n", name, seconds * 1e9 / static_cast<double>(count));
}

// Key expressions: the allocation-free path into a reused buffer.
void BenchKey(Lines& lines, const char* name, const char* text, long count) {
  Expression e = std::move(Expression::Compile(text, lines)).value();
  std::string key;
  size_t checksum = 0;
  auto start = Clock::now();
  for (long i = 0; i < count; ++i) {
    key.clear();
    if (!e.AppendString(lines, &key).ok()) {
      std::printf("%s: failed\n", name);
      return;
    }
    checksum += static_cast<unsigned char>(key[key.size() / 2]);
    lines.Next();
  }
  double s = Seconds(start);
  Report(name, count, s);
  if (checksum == 1) std::printf("\n");  // keeps the loop from being optimised away
}

void BenchCondition(Lines& lines, const char* name, const char* text, long count) {
  Expression e = std::move(Expression::Compile(text, lines)).value();
  long hits = 0;
  auto start = Clock::now();
  for (long i = 0; i < count; ++i) {
    hurt::Result<bool> r = e.EvalLogical(lines);
    if (!r.ok()) {
      std::printf("%s: failed\n", name);
      return;
    }
    hits += *r ? 1 : 0;
    lines.Next();
  }
  double s = Seconds(start);
  Report(name, count, s);
  std::printf("%s_matches: %ld records\n", name, hits);
}

void BenchCompile(Lines& lines, const char* name, const char* text, long count) {
  auto start = Clock::now();
  for (long i = 0; i < count; ++i) {
    if (!Expression::Compile(text, lines).ok()) {
      std::printf("%s: failed\n", name);
      return;
    }
  }
  double s = Seconds(start);
  std::printf("%s: %.1f us/compile\n", name, s * 1e6 / static_cast<double>(count));
}

}  // namespace

int main(int argc, char** argv) {
  long count = argc > 1 ? std::atol(argv[1]) : 5'000'000;
  if (count <= 0) count = 5'000'000;
  Lines lines(4096);
  BenchKey(lines, "key_dow2", "DTOS(data)+IIF(r_p=\"P\",\"A\",r_p)+s_z+rd+nrd+lp", count);
  BenchKey(lines, "key_dow1", "rd+nrd+lp", count);
  BenchKey(lines, "key_dowod1", "rd+nrd+STR(RECNO(),6)", count);
  BenchKey(lines, "key_fa_n_",
           "kto+odb+IIF(mag<>\"0\",rd+\"-\"+nrd,SUBSTR(tresc,1,12))+STR(obwn+obma,15,2)+STR(RECNO(),6)", count);
  BenchKey(lines, "key_wal", "odb+DESCEND(DTOS(data))", count);
  BenchCondition(lines, "cond_kto_odb", "kto+odb=M_kto+M_odb", count);
  BenchCondition(lines, "cond_numeric", "ilosc*cena > 100 .AND. r_p $ \"RP\"", count);
  BenchCompile(lines, "compile_dow2", "DTOS(data)+IIF(r_p=\"P\",\"A\",r_p)+s_z+rd+nrd+lp", 100'000);
  return 0;
}
