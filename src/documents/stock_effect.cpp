#include "documents/stock_effect.h"

#include <array>

#include "base/numeric.h"
#include "base/text.h"
#include "documents/posting_math.h"

namespace hurt::documents {

bool FromIssueNotes(const DocKind& kind, std::string_view odbiorca) {
  if (!kind.IsSale() || kind.RdIs("WZ")) return false;
  const std::string text = LTrim(odbiorca);
  return text.rfind("WZ ", 0) == 0;
}

StockMove MoveOf(const StockDocument& doc) {
  const DocKind& k = doc.kind;
  if (doc.from_issue_notes) return StockMove::kNone;
  if (k.IsIssue() || k.IsTransfer() || k.IsClass("KS")) return StockMove::kIssue;
  if (k.IsReceipt() || k.IsClass("KZ")) return StockMove::kReceipt;
  return StockMove::kNone;
}

std::string DestinationMag(const StockDocument& doc) { return PadR(Left(doc.odb, 1), 1); }

QuantityEffect QuantityEffectOf(const StockDocument& doc, double q) {
  QuantityEffect e;
  switch (MoveOf(doc)) {
    case StockMove::kIssue:
      e.ilosc = -q;
      e.b_r_i = q;
      if (doc.kind.s_z == 'S') e.b_r_i_sd = q;
      e.batch_issued = q;
      if (doc.kind.IsTransfer()) {
        e.to_destination = true;
        e.dest_ilosc = q;
        e.dest_b_p_i = q;
      }
      break;
    case StockMove::kReceipt:
      e.ilosc = q;
      e.b_p_i = q;
      break;
    case StockMove::kNone:
      break;
  }
  return e;
}

bool ReceiptAveragesCost(const StockDocument& doc) {
  const DocKind& k = doc.kind;
  if (doc.j_odch || k.HasTag("PROWIZJA") || k.s_z == 'X') return false;
  if (k.IsClass("PD") && !k.RdIs("BO")) return false;
  if (k.RdIs("BO") && !doc.entry) return false;  // a corrected opening balance keeps its own cost
  return true;
}

// ---- CardValues ----

const xbase::Value* CardValues::Find(std::string_view f) const {
  auto it = fields_.find(f);
  return it == fields_.end() ? nullptr : &it->second;
}

double CardValues::Num(std::string_view f) const {
  const xbase::Value* v = Find(f);
  return v == nullptr || !v->IsNumber() ? 0.0 : v->AsNumber();
}

std::string CardValues::Text(std::string_view f) const {
  const xbase::Value* v = Find(f);
  return v == nullptr || !v->IsString() ? std::string() : v->AsString();
}

JulianDay CardValues::Date(std::string_view f) const {
  const xbase::Value* v = Find(f);
  return v == nullptr || !v->IsDate() ? kEmptyDate : v->AsDate().day;
}

void CardValues::Set(std::string_view f, xbase::Value v, bool declare) {
  auto it = fields_.find(f);
  if (it != fields_.end()) {
    it->second = std::move(v);
  } else if (declare) {
    fields_.emplace(std::string(f), std::move(v));
  }
}

void CardValues::Add(std::string_view f, double q, int decimals) {
  if (!Has(f)) return;
  Set(f, xbase::Value(RoundHalfAway(Num(f) + q, decimals)));
}

// ---- the rule ----

namespace {

// The batch slot of the card that carries the line's batch number (0: none).
int BatchSlotOf(const CardValues& card, std::string_view partia) {
  std::array<std::string, kBatchSlots> numbers;
  for (int n = 1; n <= kBatchSlots; ++n) numbers[static_cast<size_t>(n - 1)] = card.Text(BatchField("PARTIA", n));
  return BatchSlot(numbers, partia);
}

// The price a receipt line brings into the average: times the rate on a currency purchase.
double PriceInto(const StockDocument& doc, const StockLine& line) {
  return doc.kurs != 0 && doc.kind.IsPurchase() ? line.cena * doc.kurs : line.cena;
}

double AverageInto(CardValues& card, double q, double price, double line_cost, const StockDocument& doc) {
  ReceiptCost rc;
  rc.quantity = q;
  rc.stock = card.Num("ILOSC");
  rc.cost = card.Num("CENA0");
  rc.price = price;
  rc.line_cost = line_cost;
  rc.class_x = doc.kind.s_z == 'X';
  rc.zle_uzgo = doc.j_zle_uzgo;
  const double cost = RoundHalfAway(WeightedAverageCost(rc), 6);
  card.Set("CENA0", xbase::Value(cost));
  return cost;
}

void TakeAverageBack(CardValues& card, double q, double price) {
  const double cost = ReversedReceiptCost(card.Num("ILOSC"), card.Num("CENA0"), q, price);
  card.Set("CENA0", xbase::Value(RoundHalfAway(cost, 6)));
}

}  // namespace

double ApplyLineToCards(const StockDocument& doc, const StockLine& line, CardValues& source, CardValues* dest,
                        Direction direction, bool average_cost) {
  const bool apply = direction == Direction::kApply;
  const double sign = apply ? 1.0 : -1.0;
  const double q = line.ilosc;
  const QuantityEffect e = QuantityEffectOf(doc, q);
  double cost = line.cena0;
  switch (MoveOf(doc)) {
    case StockMove::kReceipt: {
      const double price = doc.kind.s_z == 'X' ? line.cena0 : PriceInto(doc, line);
      if (average_cost) {
        if (apply) {
          cost = AverageInto(source, q, price, line.cena0, doc);
        } else {
          TakeAverageBack(source, q, price);
        }
      }
      break;
    }
    case StockMove::kIssue:
      if (const int slot = BatchSlotOf(source, line.partia); slot != 0) {
        source.Add(BatchField("ILOSC_WYD", slot), sign * e.batch_issued);
      }
      if (e.to_destination && dest != nullptr) {
        if (apply) {
          AverageInto(*dest, q, line.cena0, line.cena0, doc);
        } else {
          TakeAverageBack(*dest, q, line.cena0);
        }
        dest->Add("ILOSC", sign * e.dest_ilosc);
        dest->Add("B_P_I", sign * e.dest_b_p_i);
      }
      break;
    case StockMove::kNone:
      return cost;
  }
  source.Add("ILOSC", sign * e.ilosc);
  source.Add("B_P_I", sign * e.b_p_i);
  source.Add("B_R_I", sign * e.b_r_i);
  source.Add("B_R_I_SD", sign * e.b_r_i_sd);
  return cost;
}

}  // namespace hurt::documents
