#include "reports/activity_statement.h"

#include <algorithm>
#include <map>
#include <optional>
#include <tuple>

#include "base/numeric.h"
#include "base/text.h"
#include "documents/kind_reader.h"
#include "documents/stock_effect.h"
#include "reports/field_reading.h"
#include "reports/report_period.h"
#include "session/area_fields.h"
#include "session/area_position.h"
#include "session/session.h"
#include "store/schema.h"
#include "xbase/work_area.h"

namespace hurt::reports {

namespace {

constexpr long kProgressEvery = 2000;
const JulianDay kRates2011 = JulianFromYmd(2011, 1, 1);

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// An article's place in the statement by the filters of the request.
struct ArticleFilter {
  const ActivityRequest& req;
  bool Kept(std::string_view indeks, std::string_view nazwa) const {
    const std::string code = AllTrim(indeks);
    if (!req.skip_indeks.empty() && StartsWith(code, req.skip_indeks)) return false;
    if (!req.only_group.empty() && !StartsWith(code, req.only_group)) return false;
    if (!req.skip_word.empty() && Upper(std::string(nazwa)).find(req.skip_word) != std::string::npos) return false;
    return true;
  }
  bool TypeKept(std::string_view t_w_o_k) const {
    if (req.t_w_o_k.empty()) return true;
    const std::string t = AllTrim(t_w_o_k);
    return !t.empty() && req.t_w_o_k.find(t[0]) != std::string::npos;
  }
};

ActivitySection SectionOf(char side, const documents::DocKind& kind) {
  if (kind.s_z == 'Z') return ActivitySection::kPurchases;
  if (kind.s_z == 'S') return kind.HasTag("KOSZTY") ? ActivitySection::kCosts : ActivitySection::kSales;
  return side == 'P' ? ActivitySection::kOtherReceipts : ActivitySection::kOtherIssues;
}

class Pass {
 public:
  Pass(session::Session& s, const ActivityRequest& req, const ActivityProgress& progress)
      : s_(s), req_(req), filter_{req}, progress_(progress) {
    std::tie(from_, to_) = OpenPeriod(s);
    excluded_ = AllTrim(s.settings().Text("J_MAG_K")) + AllTrim(s.settings().Text("J_MAG_U"));
    j_odch_ = s.settings().Text("J_ODCH") == "T";
  }

  Result<ActivityResult> Run();

 private:
  bool Counted(char mag) const {
    if (!req_.mag.empty()) return mag == req_.mag[0];
    return excluded_.find(mag) == std::string::npos;
  }
  bool Tick(std::string_view stage, long n) {
    if (!progress_ || n % kProgressEvery != 0) return false;
    return progress_(stage, n);
  }
  Status Cards();
  Status Lines();
  void BeginDocument(xbase::WorkArea& dow, const documents::DocKind& kind, char side);
  void EndDocument();
  const documents::DocKind* Kind(std::string_view rd);
  bool TypeOfArticleKept(std::string_view mag, std::string_view indeks);
  void Takings();
  void Totals();

  session::Session& s_;
  const ActivityRequest& req_;
  ArticleFilter filter_;
  const ActivityProgress& progress_;
  JulianDay from_ = kEmptyDate, to_ = kEmptyDate;
  std::string excluded_;
  ActivityResult out_;
  std::map<std::string, ActivityRow> rows_;
  std::map<std::string, std::optional<documents::DocKind>> kinds_;
  // The document being read: its row and its amounts until it ends.
  ActivityRow* row_ = nullptr;
  ActivityRow doc_;
  LineValuationInput line_;
  // The document is a receipt whose goods went into the average cost of their cards: its
  // lines keep the new average, and the stock grew by their purchase value instead.
  bool averaged_receipt_ = false;
  bool j_odch_ = false;
};

const documents::DocKind* Pass::Kind(std::string_view rd) {
  const std::string code(rd);
  auto it = kinds_.find(code);
  if (it == kinds_.end()) {
    std::optional<documents::DocKind> kind;
    xbase::WorkArea* slow = AreaOf(s_, store::TableId::kSlow);
    if (slow != nullptr && slow->order_count() >= 1 && (slow->order() == 1 || slow->SetOrder(1).ok())) {
      auto read = documents::ReadKind(*slow, code);
      if (read.ok()) kind = *read;
    }
    it = kinds_.emplace(code, kind).first;
  }
  return it->second ? &*it->second : nullptr;
}

bool Pass::TypeOfArticleKept(std::string_view mag, std::string_view indeks) {
  if (req_.t_w_o_k.empty()) return true;
  xbase::WorkArea* as = AreaOf(s_, store::TableId::kAs);
  if (as == nullptr || as->order_count() < 1) return true;
  if (as->order() != 1 && !as->SetOrder(1).ok()) return true;
  auto found = as->SeekKey(std::string(mag) + std::string(indeks));
  if (!found.ok() || !*found) return false;
  return filter_.TypeKept(Bytes(*as, as->FieldIndex("T_W_O_K")));
}

// The stock at the start and at the end of the month, from the cards.
Status Pass::Cards() {
  xbase::WorkArea* as = AreaOf(s_, store::TableId::kAs);
  if (as == nullptr) return Status::NotFound("Plik as niedostepny");
  session::AreaPosition keep(*as);
  const int mag = as->FieldIndex("MAG"), indeks = as->FieldIndex("INDEKS"), nazwa = as->FieldIndex("NAZWA");
  const int bo = as->FieldIndex("B_BO_I"), cena_01 = as->FieldIndex("CENA_01");
  const int ilosc = as->FieldIndex("ILOSC"), cena0 = as->FieldIndex("CENA0"), type = as->FieldIndex("T_W_O_K");
  if (mag < 0 || indeks < 0) return Status::Invalid("Plik as bez pol kartoteki");
  const bool one = !req_.mag.empty();
  if (one) {
    HURT_RETURN_IF_ERROR(as->SetOrder(1));
    auto found = as->SeekKey(req_.mag.substr(0, 1));
    HURT_RETURN_IF_ERROR(found.status());
    if (!*found) {
      out_.refusal = "Nie znam magazynu " + req_.mag.substr(0, 1);
      return Status::Ok();
    }
  } else {
    HURT_RETURN_IF_ERROR(as->SetOrder(0));
    HURT_RETURN_IF_ERROR(as->GoTop());
  }
  long n = 0;
  for (bool first = true; !as->eof(); first = false) {
    if (!first) {
      HURT_RETURN_IF_ERROR(as->Skip(1));
      if (as->eof()) break;
    }
    if (Tick("Kartoteki", ++n)) {
      out_.stopped = true;
      return Status::Ok();
    }
    const std::string_view m = Bytes(*as, mag);
    if (m.size() != 1) continue;
    if (one && m[0] != req_.mag[0]) break;
    if (as->deleted() || !Counted(m[0])) continue;
    if (!filter_.Kept(Bytes(*as, indeks), Bytes(*as, nazwa)) || !filter_.TypeKept(Bytes(*as, type))) continue;
    out_.warehouses.insert(m[0]);
    out_.opening += NewRound(Number(*as, bo) * Number(*as, cena_01), 2);
    out_.closing += NewRound(Number(*as, ilosc) * Number(*as, cena0), 2);
  }
  out_.opening = NewRound(out_.opening, 2);
  out_.closing = NewRound(out_.closing, 2);
  return Status::Ok();
}

void Pass::BeginDocument(xbase::WorkArea& dow, const documents::DocKind& kind, char side) {
  doc_ = ActivityRow{};
  doc_.side = side;
  doc_.s_z = kind.s_z;
  doc_.rd = kind.rd;
  doc_.opis = kind.opis;
  doc_.section = SectionOf(side, kind);
  line_ = LineValuationInput{};
  line_.kind = kind;
  line_.no_fifty_marker = s_.FileX("50_50.---");
  // The header: its text, rates and (internal purchase invoices) RESZTA.
  xbase::WorkArea* dowod = AreaOf(s_, store::TableId::kDowod);
  if (dowod != nullptr && dowod->order_count() >= 1 && (dowod->order() == 1 || dowod->SetOrder(1).ok())) {
    auto found = dowod->SeekKey(kind.rd + std::string(Bytes(dow, dow.FieldIndex("NRD"))));
    if (found.ok() && *found) {
      line_.header_text = Bytes(*dowod, dowod->FieldIndex("ODBIORCA"));
      line_.kurs = Number(*dowod, dowod->FieldIndex("KURS"));
      line_.kurs_1 = Number(*dowod, dowod->FieldIndex("KURS_1"));
      if (kind.s_z == 'Z' && kind.HasTag("WEWN")) doc_.reszta = Number(*dowod, dowod->FieldIndex("RESZTA"));
    }
  }
  documents::StockDocument stock;
  stock.kind = kind;
  stock.kurs = line_.kurs;
  stock.j_odch = j_odch_;
  averaged_receipt_ = documents::MoveOf(stock) == documents::StockMove::kReceipt && documents::ReceiptAveragesCost(stock);
  ActivityRow& row = rows_[doc_.Key()];
  if (row.rd.empty()) {
    row.side = doc_.side;
    row.s_z = doc_.s_z;
    row.rd = doc_.rd;
    row.opis = doc_.opis;
    row.section = doc_.section;
  }
  row_ = &row;
}

// A document's buckets rounded, then added to its row.
void Pass::EndDocument() {
  if (row_ == nullptr) return;
  doc_.b.RoundDocument();
  row_->wartosc0 += NewRound(doc_.wartosc0, 2);
  row_->netto += NewRound(doc_.netto, 2);
  row_->vat += NewRound(doc_.vat, 2);
  row_->reszta += doc_.reszta;
  row_->b.Add(doc_.b);
  ++row_->documents;
  row_ = nullptr;
}

Status Pass::Lines() {
  xbase::WorkArea* dow = AreaOf(s_, store::TableId::kDow);
  if (dow == nullptr || dow->order_count() < 2) return Status::NotFound("Plik dow niedostepny");
  session::AreaPosition keep(*dow);
  xbase::WorkArea* dowod = AreaOf(s_, store::TableId::kDowod);
  session::AreaPosition keep_dowod(dowod);
  xbase::WorkArea* as = AreaOf(s_, store::TableId::kAs);
  session::AreaPosition keep_as(as);
  HURT_RETURN_IF_ERROR(dow->SetOrder(2));  // date, side, class, kind, number
  const int f_rd = dow->FieldIndex("RD"), f_nrd = dow->FieldIndex("NRD"), f_data = dow->FieldIndex("DATA");
  const int f_mag = dow->FieldIndex("MAG"), f_odb = dow->FieldIndex("ODB"), f_indeks = dow->FieldIndex("INDEKS");
  const int f_nazwa = dow->FieldIndex("NAZWA"), f_ilosc = dow->FieldIndex("ILOSC"), f_cena0 = dow->FieldIndex("CENA0");
  const int f_cena = dow->FieldIndex("CENA"), f_wartosc = dow->FieldIndex("WARTOSC"), f_podatek = dow->FieldIndex("PODATEK");
  const int f_podatek0 = dow->FieldIndex("PODATEK0"), f_nb = dow->FieldIndex("NB"), f_dolar = dow->FieldIndex("DOLAR_I");
  if (f_rd < 0 || f_nrd < 0 || f_data < 0 || f_mag < 0) return Status::Invalid("Plik dow bez pol dowodu");
  const std::string first_day = Dtos(from_), last_day = Dtos(to_);
  auto found = dow->SeekKey(first_day, true);
  HURT_RETURN_IF_ERROR(found.status());
  std::string current;
  bool skipping = true;
  for (bool first = true; !dow->eof(); first = false) {
    if (!first) {
      HURT_RETURN_IF_ERROR(dow->Skip(1));
      if (dow->eof()) break;
    }
    if (Tick("Pozycje dowodow", ++out_.lines)) {
      out_.stopped = true;
      break;
    }
    const std::string_view data = Bytes(*dow, f_data);
    if (data > last_day) break;
    if (data < first_day || dow->deleted()) continue;
    const std::string key = std::string(Bytes(*dow, f_rd)) + std::string(Bytes(*dow, f_nrd));
    const documents::DocKind* kind = Kind(Bytes(*dow, f_rd));
    if (kind == nullptr || req_.skip_kinds.find("," + AllTrim(kind->rd) + ",") != std::string::npos) continue;
    // Which side of the chosen warehouses the line is on.
    const std::string_view mag = Bytes(*dow, f_mag);
    if (mag.size() != 1) continue;
    char side = kind->r_p;
    if (kind->r_p == 'M') {
      const std::string_view odb = Bytes(*dow, f_odb);
      const char target = odb.empty() ? ' ' : odb[0];
      const bool out_of = Counted(mag[0]), into = Counted(target);
      if (out_of == into) continue;  // within the warehouses counted, or outside them
      side = into ? 'P' : 'R';
    } else if (!Counted(mag[0])) {
      continue;
    }
    if (!filter_.Kept(Bytes(*dow, f_indeks), Bytes(*dow, f_nazwa))) continue;
    if (!TypeOfArticleKept(mag, Bytes(*dow, f_indeks))) continue;
    if (key + side != current || skipping) {
      EndDocument();
      current = key + side;
      skipping = false;
      BeginDocument(*dow, *kind, side);
    }
    // The line's values by the class of its kind.
    const double ilosc = Number(*dow, f_ilosc);
    double cost = NewRound(ilosc * Number(*dow, f_cena0), 2);
    if (averaged_receipt_) {
      const double price = Number(*dow, f_cena);
      cost = NewRound(ilosc * (line_.kurs != 0 && kind->IsPurchase() ? price * line_.kurs : price), 2);
    }
    const double wartosc = Number(*dow, f_wartosc), podatek = Number(*dow, f_podatek);
    std::string nb = AllTrim(Bytes(*dow, f_nb));
    if (nb.empty()) nb = kind->s_z == 'S' ? (kind->RdIs("SD") ? "B" : "N") : std::string(1, kind->nb);
    const RateColumn column = ColumnOf(Bytes(*dow, f_podatek0));
    doc_.wartosc0 += cost;
    double net = 0, vat = 0;
    switch (kind->s_z) {
      case 'D':
        doc_.netto += cost;
        continue;  // at purchase prices, no VAT
      case 'X':
        net = cost;
        vat = podatek;
        break;
      case 'Y': {
        const double gross = NewRound(ilosc * Number(*dow, f_cena), 2);
        net = gross - podatek;
        vat = podatek;
        break;
      }
      default:
        if (kind->s_z == 'S' && nb == "B") {
          net = wartosc - podatek;
          vat = podatek;
        } else {
          line_.ilosc = ilosc;
          line_.cena0 = Number(*dow, f_cena0);
          line_.wartosc = wartosc;
          line_.podatek = podatek;
          line_.dolar_i = Number(*dow, f_dolar);
          line_.podatek0 = std::string(Bytes(*dow, f_podatek0));
          line_.nb = nb;
          const LineValue v = ValueOfLine(line_);
          net = v.net;
          vat = v.vat;
        }
        break;
    }
    doc_.netto += net;
    doc_.vat += vat;
    doc_.b.Add(column, net, HasVat(column) ? vat : 0);
  }
  EndDocument();
  return Status::Ok();
}

// The transfers to the shops merged into one row, replaced by the takings.
void Pass::Takings() {
  if (req_.utarg == 0) return;
  ActivityRow shops;
  shops.side = 'R';
  shops.s_z = 'S';
  shops.rd = "UTG";
  shops.opis = "UTARG SKLEPOW";
  shops.section = ActivitySection::kSales;
  shops.takings = true;
  RateBuckets merged;
  for (auto it = rows_.begin(); it != rows_.end();) {
    ActivityRow& r = it->second;
    if (r.s_z != 'X' && r.s_z != 'Y') {
      ++it;
      continue;
    }
    const double sign = r.side == 'P' ? -1 : 1;
    shops.wartosc0 += sign * r.wartosc0;
    shops.documents += r.documents;
    for (int i = 0; i < kRateColumns; ++i) {
      merged.net[static_cast<size_t>(i)] += sign * r.b.net[static_cast<size_t>(i)];
      merged.vat[static_cast<size_t>(i)] += sign * r.b.vat[static_cast<size_t>(i)];
    }
    it = rows_.erase(it);
  }
  shops.b = SplitTakings(merged, req_.utarg);
  shops.netto = shops.b.Net();
  shops.vat = shops.b.Vat();
  rows_["RSUTG"] = shops;
}

void Pass::Totals() {
  double sales_vat = 0, purchase_vat = 0, in = 0, out = 0, other = 0;
  for (auto& [key, r] : rows_) {
    r.wartosc0 = NewRound(r.wartosc0, 2);
    r.netto = NewRound(r.netto, 2);
    r.vat = NewRound(r.vat, 2);
    r.brutto = NewRound(r.netto + r.vat, 2);
    if (r.section == ActivitySection::kSales) sales_vat += r.vat;
    if (r.section == ActivitySection::kPurchases || r.section == ActivitySection::kCosts) purchase_vat += r.vat;
    if (r.takings) continue;  // the shops' goods are counted on the cards, their takings apart
    if (r.side == 'P' || (r.side == 'K' && r.s_z == 'Z')) {
      in += r.wartosc0;
    } else if (r.side == 'R' || (r.side == 'K' && r.s_z == 'S')) {
      out += r.wartosc0;
    } else {
      other += r.wartosc0;
    }
    out_.rows.push_back(r);
  }
  // The takings row stands in for the transfers to the shops: their goods left the stock.
  for (auto& [key, r] : rows_) {
    if (r.takings) {
      out += r.wartosc0;
      out_.rows.push_back(r);
    }
  }
  out_.vat_difference = NewRound(sales_vat - purchase_vat, 2);
  out_.check = NewRound(out_.opening - out_.closing + in - out, 2);
  out_.other = NewRound(other, 2);
}

Result<ActivityResult> Pass::Run() {
  HURT_RETURN_IF_ERROR(Cards());
  if (!out_.refusal.empty() || out_.stopped) return out_;
  HURT_RETURN_IF_ERROR(Lines());
  if (out_.stopped) return out_;
  Takings();
  Totals();
  return out_;
}

}  // namespace

RateBuckets SplitTakings(const RateBuckets& shops, double takings) {
  RateBuckets out;
  double gross = 0;
  for (int i = 0; i < kRateColumns; ++i) gross += shops.net[static_cast<size_t>(i)] + shops.vat[static_cast<size_t>(i)];
  int last = -1;
  std::array<double, kRateColumns> share{};
  double given = 0;
  for (int i = 0; i < kRateColumns; ++i) {
    const size_t at = static_cast<size_t>(i);
    share[at] = NewRound((shops.net[at] + shops.vat[at]) / (gross + 0.000001) * 100, 2);
    if (share[at] != 0) last = i;
  }
  if (last < 0) {
    // No goods went to the shops: the takings are put at the standard rate.
    share[static_cast<size_t>(RateColumn::k23)] = 100;
    last = static_cast<int>(RateColumn::k23);
  }
  for (int i = 0; i < kRateColumns; ++i) {
    if (i != last) given += share[static_cast<size_t>(i)];
  }
  share[static_cast<size_t>(last)] = NewRound(100 - given, 2);
  for (int i = 0; i < kRateColumns; ++i) {
    const size_t at = static_cast<size_t>(i);
    if (share[at] == 0) continue;
    const RateColumn c = static_cast<RateColumn>(i);
    if (!HasVat(c)) {
      out.net[at] = NewRound(share[at] * takings / 100, 2);
      continue;
    }
    const double r = ColumnRate(c);
    out.net[at] = NewRound(share[at] * takings / (100 + r), 2);
    out.vat[at] = NewRound(share[at] * takings / 100, 2) - out.net[at];
  }
  out.gross = takings;
  return out;
}

PrintedRates FoldRates(const RateBuckets& b, JulianDay period_start) {
  const bool from_2011 = period_start >= kRates2011;
  auto column = [&](RateColumn c) -> int {
    switch (c) {
      case RateColumn::k22:
      case RateColumn::k23: return 0;
      case RateColumn::k8: return 1;
      case RateColumn::k7: return from_2011 ? 2 : 1;
      case RateColumn::k3:
      case RateColumn::k5: return 2;
      case RateColumn::k0: return 3;
      case RateColumn::kZw: return 4;
      case RateColumn::kNp: return 5;
      case RateColumn::k99: return -1;
    }
    return -1;
  };
  PrintedRates p;
  for (int i = 0; i < kRateColumns; ++i) {
    const int at = column(static_cast<RateColumn>(i));
    if (at < 0) continue;
    p.net[static_cast<size_t>(at)] += b.net[static_cast<size_t>(i)];
    p.vat[static_cast<size_t>(at)] += b.vat[static_cast<size_t>(i)];
  }
  return p;
}

std::array<std::string, kPrintedRates> PrintedRateNames(JulianDay period_start) {
  if (period_start >= kRates2011) return {"23%", "8%", "5%", "0%", "ZW", "NP"};
  return {"22%", "7%", "3%", "0%", "ZW", "NP"};
}

Result<ActivityResult> ComputeActivity(session::Session& s, const ActivityRequest& request,
                                       const ActivityProgress& progress) {
  Pass pass(s, request, progress);
  return pass.Run();
}

}  // namespace hurt::reports
