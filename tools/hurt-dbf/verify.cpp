// The data checker: the company record and the period, the article cards, and the order
// in which the parts run (verify.h).
#include "verify.h"

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/text.h"
#include "store/schema.h"
#include "verify_internal.h"

namespace hurt::dbftool {

namespace verify {

std::string DataDir::Path(std::string_view relative) const {
  if (root.empty() || root == ".") return std::string(relative);
  return root + "/" + std::string(relative);
}

std::string DataDir::Located(std::string_view relative) const {
  const size_t slash = relative.rfind('/');
  const std::string folder(relative.substr(0, slash == std::string_view::npos ? 0 : slash + 1));
  const std::string name(relative.substr(folder.size()));
  for (const std::string& spelling : {Lower(name), Upper(name)}) {
    if (env.Exists(Path(folder + spelling))) return folder + spelling;
  }
  return {};
}

std::unique_ptr<TableReader> TableReader::Open(const DataDir& dir, std::string_view relative, Findings& findings) {
  const std::string file = dir.Located(relative);
  if (file.empty()) {
    findings.BadFile(std::string(relative), "brak pliku");
    return nullptr;
  }
  auto table = xbase::Table::Open(dir.env, dir.Path(file), xbase::TableMode::SharedReadOnly());
  if (!table.ok()) {
    findings.BadFile(file, "nie da się otworzyć: " + Problem(table.status(), dir.Path(file)));
    return nullptr;
  }
  return std::unique_ptr<TableReader>(new TableReader(std::move(*table), file, findings));
}

TableReader::TableReader(std::unique_ptr<xbase::Table> table, std::string file, Findings& findings)
    : table_(std::move(table)), file_(std::move(file)), findings_(findings), scan_(*table_) {
  count_ = table_->RecordCount();
}

bool TableReader::Next() {
  if (!ok_) return false;
  if (!scan_.Next(&record_)) {
    if (!scan_.status().ok()) {
      ok_ = false;
      findings_.BadFile(file_, "błąd odczytu: " + Problem(scan_.status(), table_->path()));
    }
    return false;
  }
  // Records appended by a station since the table was opened belong to postings in
  // flight; the check stops where the table ended when it began.
  return record_.recno() <= count_;
}

std::string TableReader::Text(int field) const {
  if (field < 0) return {};
  return std::string(record_.FieldBytes(field));
}

double TableReader::Number(int field) const {
  if (field < 0) return 0;
  const xbase::Value v = xbase::DecodeFieldValue(table_->fields()[static_cast<size_t>(field)], record_.FieldBytes(field));
  return v.AsNumber();
}

std::string Problem(const Status& status, const std::string& path) {
  std::string message = status.message();
  const std::string named = path + ": ";
  for (size_t at = message.find(named); at != std::string::npos; at = message.find(named)) message.erase(at, named.size());
  return Cp852ToUtf8(message);
}

std::string DocKey(std::string_view rd, std::string_view nrd) { return PadR(rd, 3) + PadL(AllTrim(nrd), 8); }

std::string DocName(std::string_view key) {
  return Cp852ToUtf8(RTrim(key.substr(0, 3)) + "-" + AllTrim(key.substr(std::min<size_t>(3, key.size()))));
}

std::string KindName(std::string_view rd) { return Cp852ToUtf8(RTrim(rd)); }

std::string ArticleKey(std::string_view mag, std::string_view indeks) { return PadR(mag, 1) + PadR(indeks, 8); }

std::string ArticleName(std::string_view key) {
  return Cp852ToUtf8(std::string(key.substr(0, 1)) + "-" + RTrim(key.substr(std::min<size_t>(1, key.size()))));
}

std::string Amount(double x) { return FormatFixed(NewRound(x, 2), 2); }
std::string Quantity(double x) { return FormatFixed(RoundHalfAway(x, 3), 3); }

// ---- article cards ---------------------------------------------------------------------

Cards ReadCards(const DataDir& dir, Findings& findings) {
  Cards cards;
  auto as = TableReader::Open(dir, dir.PeriodFile("as.dbf"), findings);
  if (!as) return cards;
  const int mag = as->Field("MAG"), indeks = as->Field("INDEKS"), ilosc = as->Field("ILOSC");
  const int b_bo_i = as->Field("B_BO_I"), b_p_i = as->Field("B_P_I"), b_r_i = as->Field("B_R_I");
  const int b_r_i_sd = as->Field("B_R_I_SD"), rezerwa0 = as->Field("REZERWA0");
  cards.has_sd = b_r_i_sd >= 0;
  while (as->Next()) {
    if (as->deleted()) continue;
    const std::string key = ArticleKey(as->Text(mag), as->Text(indeks));
    Card c;
    c.recno = as->recno();
    c.b_p_i = as->Number(b_p_i);
    c.b_r_i = as->Number(b_r_i);
    c.b_r_i_sd = as->Number(b_r_i_sd);
    c.rezerwa0 = as->Number(rezerwa0);
    // ILOSC = B_BO_I + B_P_I − B_R_I: every posted line moves a counter and ILOSC together.
    const double expected = as->Number(b_bo_i) + c.b_p_i - c.b_r_i;
    if (!SameAmount(as->Number(ilosc), expected, 3)) {
      findings.Add(FindingKind::kStock, "as " + ArticleName(key) + ": ILOSC " + Quantity(as->Number(ilosc)) +
                                            ", a B_BO_I + B_P_I - B_R_I = " + Quantity(expected));
    }
    auto [at, added] = cards.by_key.emplace(key, c);
    if (!added) {
      findings.Add(FindingKind::kStock, "as " + ArticleName(key) + ": dwie kartoteki (rekordy " +
                                            std::to_string(at->second.recno) + " i " + std::to_string(c.recno) + ")");
    }
  }
  cards.read = as->ok();
  return cards;
}

void CheckStock(const Cards& cards, Findings& findings) {
  for (const auto& [key, c] : cards.by_key) {
    auto compare = [&](std::string_view field, double on_card, double posted) {
      if (SameAmount(on_card, posted, 3)) return;
      findings.Add(FindingKind::kStock, "as " + ArticleName(key) + ": " + std::string(field) + " " + Quantity(on_card) +
                                            ", a z dowodów " + Quantity(posted));
    };
    compare("B_P_I", c.b_p_i, c.posted_p);
    compare("B_R_I", c.b_r_i, c.posted_r);
    if (cards.has_sd) compare("B_R_I_SD", c.b_r_i_sd, c.posted_sd);
  }
}

// ---- the period ------------------------------------------------------------------------

namespace {

// The period folder from BMR of the company record.
Result<std::string> PeriodOf(const DataDir& dir) {
  const std::string file = dir.Located("firma.dbf");
  if (file.empty()) return Status::NotFound("firma.dbf: brak pliku - to nie jest katalog danych");
  auto table = xbase::Table::Open(dir.env, dir.Path(file), xbase::TableMode::SharedReadOnly());
  if (!table.ok()) return table.status().Prefixed(file);
  xbase::Record rec;
  if ((*table)->RecordCount() == 0 || !(*table)->Read(1, &rec).ok()) {
    return Status::NotFound(file + ": brak rekordu firmy");
  }
  auto bmr = rec.GetValue("BMR");
  if (!bmr.ok()) return bmr.status().Prefixed(file);
  auto period = store::PeriodDirFromBmr(AllTrim(bmr->AsString()));
  if (!period.ok()) return period.status().Prefixed(file + ": BMR");
  if (!dir.env.IsDir(dir.Path(*period))) return Status::NotFound("brak katalogu okresu " + *period);
  return period;
}

}  // namespace

}  // namespace verify

Result<std::vector<Finding>> VerifyData(xbase::Env& env, std::string_view root, std::string_view period) {
  verify::DataDir dir{env, root.empty() ? std::string(".") : std::string(root), ""};
  if (period.empty()) {
    auto current = verify::PeriodOf(dir);
    if (!current.ok()) return current.status();
    dir.period = *current;
  } else {
    if (period.size() != 5 || period[2] != '/' || !env.IsDir(dir.Path(std::string(period)))) {
      return Status::NotFound("brak katalogu okresu " + std::string(period));
    }
    dir.period = std::string(period);
  }

  verify::Findings findings;
  verify::Cards cards = verify::ReadCards(dir, findings);
  const bool movements = verify::CheckDocuments(dir, cards, findings);
  if (cards.read && movements) verify::CheckStock(cards, findings);
  verify::CheckReservations(dir, cards, findings);
  verify::CheckSettlements(dir, findings);
  verify::CheckIndexFiles(dir, findings);
  return findings.Take();
}

}  // namespace hurt::dbftool
