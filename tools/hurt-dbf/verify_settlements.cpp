// The settlement ledger (verify.h, kSettlements): each counterparty's balance against its
// open items, and each settled batch balanced.

#include <map>
#include <string>
#include <utility>

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/text.h"
#include "documents/open_item.h"
#include "verify_internal.h"

namespace hurt::dbftool::verify {

namespace {

struct Sums {
  double wn = 0, ma = 0;
};

// Grosze, so that sums of many items compare exactly.
long long Grosze(double x) { return static_cast<long long>(NewRound(x * 100, 0)); }

std::string PartyName(char kto, const std::string& odb) {
  return std::string(1, kto) + "-" + Cp852ToUtf8(RTrim(odb));
}

// The open items of fa_N, in the home currency, per KTO + ODB. False when the table could
// not be read whole (the balances are then not compared).
bool SumOpenItems(const DataDir& dir, Findings& findings, std::map<std::pair<char, std::string>, Sums>& sums) {
  const std::string file = dir.Located(dir.PeriodFile("fa_n.dbf"));
  if (file.empty()) return false;
  auto fa = TableReader::Open(dir, file, findings);
  if (!fa) return false;
  const int kto = fa->Field("KTO"), odb = fa->Field("ODB"), obwn = fa->Field("OBWN"), obma = fa->Field("OBMA"),
            kurs = fa->Field("KURS");
  while (fa->Next()) {
    if (fa->deleted()) continue;
    const std::string k = PadR(fa->Text(kto), 1);
    const std::string o = PadR(fa->Text(odb), 8);
    if (IsBlank(o)) continue;  // an item without a counterparty keeps no balance
    Sums& s = sums[{k[0], o}];
    const double rate = kurs >= 0 ? fa->Number(kurs) : 0;
    s.wn += documents::HomeAmount(fa->Number(obwn), rate);
    s.ma += documents::HomeAmount(fa->Number(obma), rate);
  }
  return fa->ok();
}

void CheckBalances(const DataDir& dir, Findings& findings) {
  std::map<std::pair<char, std::string>, Sums> items;
  if (!SumOpenItems(dir, findings, items)) return;
  for (const auto& [kto, name] : {std::pair{'O', "zo.dbf"}, {'D', "zd.dbf"}, {'P', "zp.dbf"}, {'F', "zf.dbf"}}) {
    const std::string file = dir.Located(dir.PeriodFile(name));
    if (file.empty()) continue;
    auto zo = TableReader::Open(dir, file, findings);
    if (!zo) continue;
    const int odb = zo->Field("ODB"), obwn = zo->Field("OBWN"), obma = zo->Field("OBMA");
    while (zo->Next()) {
      if (zo->deleted()) continue;
      const std::string o = PadR(zo->Text(odb), 8);
      Sums expected;
      if (auto it = items.find({kto, o}); it != items.end()) {
        expected = it->second;
        items.erase(it);  // a key twice in the catalogue: the second has no items
      }
      const double wn = zo->Number(obwn), ma = zo->Number(obma);
      if (Grosze(wn) != Grosze(expected.wn) || Grosze(ma) != Grosze(expected.ma)) {
        findings.Add(FindingKind::kSettlements,
                     file + " rekord " + std::to_string(zo->recno()) + " (" + PartyName(kto, o) + "): saldo Wn/Ma " +
                         Amount(wn) + "/" + Amount(ma) + ", rozrachunki " + Amount(expected.wn) + "/" +
                         Amount(expected.ma));
      }
    }
    if (!zo->ok()) continue;
    // Items of this ledger whose counterparty is not in the catalogue.
    for (auto it = items.begin(); it != items.end();) {
      if (it->first.first != kto) {
        ++it;
        continue;
      }
      findings.Add(FindingKind::kSettlements, file + ": brak kontrahenta " + PartyName(kto, it->first.second) +
                                                   " z rozrachunkami " + Amount(it->second.wn) + "/" +
                                                   Amount(it->second.ma));
      it = items.erase(it);
    }
  }
}

// Every batch of fa_nx (same R_DATA + R_CZAS) has as much on the debit side as on the
// credit side, in the items' own amounts as the ledger compares them.
void CheckBatches(const DataDir& dir, Findings& findings) {
  const std::string file = dir.Located(dir.PeriodFile("fa_nx.dbf"));
  if (file.empty()) return;
  auto nx = TableReader::Open(dir, file, findings);
  if (!nx) return;
  const int r_data = nx->Field("R_DATA"), r_czas = nx->Field("R_CZAS"), obwn = nx->Field("OBWN"),
            obma = nx->Field("OBMA");
  std::map<std::string, Sums> batches;
  while (nx->Next()) {
    if (nx->deleted()) continue;
    Sums& s = batches[nx->Text(r_data) + " " + nx->Text(r_czas)];
    s.wn += nx->Number(obwn);
    s.ma += nx->Number(obma);
  }
  if (!nx->ok()) return;
  for (const auto& [batch, s] : batches) {
    if (Grosze(s.wn) == Grosze(s.ma)) continue;
    findings.Add(FindingKind::kSettlements, file + ": partia " + RTrim(batch) + " niezbilansowana: Wn " +
                                                Amount(s.wn) + ", Ma " + Amount(s.ma));
  }
}

}  // namespace

void CheckSettlements(const DataDir& dir, Findings& findings) {
  CheckBalances(dir, findings);
  CheckBatches(dir, findings);
}

}  // namespace hurt::dbftool::verify
