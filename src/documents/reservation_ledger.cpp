#include "documents/reservation_ledger.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "base/numeric.h"
#include "base/text.h"
#include "store/net_files.h"
#include "xbase/file_util.h"

namespace hurt::documents {
namespace {

constexpr size_t kKeyWidth = 9;  // MAG + INDEKS


bool Nothing(const LedgerEntry& e) { return SameAmount(e.lines, 0, 3) && SameAmount(e.credit, 0, 3); }

std::optional<double> Quantity(std::string_view text) {
  const std::string t = AllTrim(text);
  if (t.empty()) return std::nullopt;
  for (char c : t) {
    if (!((c >= '0' && c <= '9') || c == '.' || c == '-')) return std::nullopt;
  }
  return Val(t);
}

}  // namespace

double LedgerEntry::Held() const { return std::max(0.0, NewRound(lines - credit, 3)); }

std::string LedgerPath(std::string_view root, int station) {
  char name[32];
  std::snprintf(name, sizeof name, "rob/rez%02d.txt", station);
  return store::InRoot(root, name);
}

std::string EncodeLedger(const Ledger& ledger) {
  std::string out;
  for (const auto& [key, e] : ledger) {
    if (Nothing(e)) continue;
    out += PadR(key, kKeyWidth) + "\t" + FormatFixed(e.lines, 3) + "\t" + FormatFixed(e.credit, 3) + "\n";
  }
  return out;
}

Result<Ledger> DecodeLedger(std::string_view text) {
  Ledger ledger;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t nl = text.find('\n', pos);
    if (nl == std::string_view::npos) nl = text.size();
    const std::string_view line = text.substr(pos, nl - pos);
    pos = nl + 1;
    if (line.empty()) continue;
    const size_t t1 = line.find('\t');
    const size_t t2 = t1 == std::string_view::npos ? t1 : line.find('\t', t1 + 1);
    if (t1 != kKeyWidth || t2 == std::string_view::npos) return Status::Corruption("bad ledger line");
    const auto lines = Quantity(line.substr(t1 + 1, t2 - t1 - 1));
    const auto credit = Quantity(line.substr(t2 + 1));
    if (!lines || !credit) return Status::Corruption("bad ledger quantity");
    ledger[std::string(line.substr(0, kKeyWidth))] = LedgerEntry{*lines, *credit};
  }
  return ledger;
}

Result<Ledger> ReadLedger(xbase::Env& env, const std::string& path) {
  if (!env.Exists(path)) return Ledger{};
  auto text = xbase::ReadWholeFile(env, path);
  HURT_RETURN_IF_ERROR(text.status());
  auto ledger = DecodeLedger(*text);
  if (!ledger.ok()) return Status::Corruption(path + ": " + ledger.status().message());
  return ledger;
}

Status WriteLedger(xbase::Env& env, const std::string& path, const Ledger& ledger) {
  const std::string text = EncodeLedger(ledger);
  if (text.empty()) {
    if (!env.Exists(path)) return Status::Ok();
    return env.Remove(path);
  }
  const std::string beside = path + ".new";
  {
    auto file = env.Open(beside, xbase::OpenOptions{.write = true, .create = true, .truncate = true});
    HURT_RETURN_IF_ERROR(file.status());
    HURT_RETURN_IF_ERROR((*file)->WriteAt(0, text));
  }
  return env.Rename(beside, path);
}

}  // namespace hurt::documents
