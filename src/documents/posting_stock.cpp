// Posting, step 4a: the stock. Every line's effect on its article card (a sale lowers the
// stock here, PlanLine, by the rule of stock_effect.h), the posted lines taken back
// first, reservations released, the new articles of a transfer (poster.h).

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "documents/posting.h"

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/text.h"
#include "console/message_window.h"
#include "documents/header_rules.h"
#include "documents/line_session.h"
#include "documents/poster.h"
#include "documents/posting_internal.h"
#include "documents/posting_journal.h"
#include "documents/posting_math.h"
#include "documents/posting_writes.h"
#include "documents/reservation_ledger.h"
#include "documents/reservations.h"
#include "documents/station_recovery.h"
#include "documents/stock_effect.h"
#include "session/session.h"
#include "session/store_ui.h"
#include "store/net_use.h"
#include "store/station_files.h"

namespace hurt::documents::posting_internal {

using namespace hurt::literals;

// ---- 4. the plan ------------------------------------------------------------------------

// The posted lines' stock comes back first, so that the corrected lines apply to the
// cards as they were before the document.
void Poster::PlanOldLines() {
  const bool averages = ReceiptAveragesCost(posted_.stock);
  for (const PostedLine& l : posted_.lines) {
    const DocLine& f = l.line;
    Article* art = ArticleOf(f.mag, f.indeks);
    if (art == nullptr) continue;
    auto dest = articles_.find(ArticleKey(DestinationMag(posted_.stock), f.indeks));
    CardValues* dest_card = dest != articles_.end() && dest->second.recno != 0 ? &dest->second.now : nullptr;
    StockLine line{f.ilosc, f.cena, f.cena0, ExtraText(f, "PARTIA")};
    ApplyLineToCards(posted_.stock, line, art->now, dest_card, Direction::kTakeBack, averages);
  }
}

void Poster::PlanLines() {
  int n = 0;
  std::string lp;
  for (DocLine& line : lines_) {
    ++n;
    lp = LineNumberFor(n, lp);
    line.lp = lp;
    PlanLine(line);
  }
  if (kind_.kind.s_z == 'X') netto_ = wartosc0_;
  if (kind_.kind.IsCombined() && kind_.kind.IsReceipt() && kind_.kind.HasTag("(SD)")) vat_ = 0;
  wartosc0_ = NewRound(wartosc0_, 2);
  netto_ = NewRound(netto_, 2);
  vat_ = NewRound(vat_, 2);
}

void Poster::PlanLine(DocLine& line) {
  const DocKind& k = kind_.kind;
  const double q = line.ilosc;
  const double cena = line.cena;
  double cena0 = line.cena0;
  Article* art = IsBlank(line.indeks) ? nullptr : ArticleOf(line.mag, line.indeks);
  const std::string klasa = k.Klasa();
  const bool receipt = MoveOf(stock_) == StockMove::kReceipt;
  // Cost price of the line (a receipt's comes with its stock, below).
  if (art != nullptr && !receipt) {
    if (klasa == "KS" && EntryMode() && cena0 == 0) {
      cena0 = art->now.Num("CENA0");
    } else if (EntryMode() && !k.HasTag("CENA_PZ") && !k.HasTag("DYSK") && k.r_p != 'K' &&
               !k.HasTag("FAKTURA VAT MARZA") && !(k.IsReceipt() || klasa == "KZ")) {
      cena0 = art->now.Num("CENA0");
    } else if (!EntryMode() && k.IsClass("RD") && k.InPurchasePrices()) {
      cena0 = cena;
    }
  }
  // Stock.
  if (art != nullptr) {
    auto dest = articles_.find(ArticleKey(DestinationMag(stock_), line.indeks));
    CardValues* dest_card = dest != articles_.end() ? &dest->second.now : nullptr;
    StockLine sl{q, cena, cena0, ExtraText(line, "PARTIA")};
    const double cost = ApplyLineToCards(stock_, sl, art->now, dest_card, Direction::kApply, ReceiptAveragesCost(stock_));
    if (receipt) {
      cena0 = cost;
      PlanReceiptRecord(*art, q);
      // The last purchase price.
      if ((k.IsPurchase() && q > 0) || art->now.Num("CENA_PZ") == 0) {
        double price = cena;
        if (!waluta_.empty() && k.IsPurchase()) price = RoundHalfAway(price * kurs_, 2);
        art->now.Set("CENA_PZ", Value(price));
      }
    }
    if ((k.IsSale() || klasa == "KS") && EntryMode() && !k.RdIs("SD") && !stock_.from_issue_notes &&
        art->now.Date("DATA_PZ") <= data_) {
      double sd = RoundHalfAway(art->now.Num("ILOSC_SD") + q, 3);
      if (sd > 99999999) sd = 0;
      art->now.Set("ILOSC_SD", Value(sd));
      art->now.Set("DATA_SD", Value(xbase::Date{data_}));
    }
  }
  const double wartosc = NewRound(q * cena, 2);
  line.cena0 = cena0;
  line.wartosc = wartosc;

  // The dow record: the line whole under the document's header fields.
  dow_records_.push_back(LineRecordValues(UnderHeader(line, k, rd_, nrd_, data_, odb_), AllLineFields()));

  // Header totals.
  const double at_cost = NewRound(q * cena0, 2);
  const double podatek = line.podatek;
  wartosc0_ += at_cost;
  vat_ += podatek;
  if (line.nb == 'B') {
    netto_ += wartosc - podatek;
  } else if (line.nb == '0') {
    netto_ += at_cost;
  } else {
    netto_ += wartosc;
  }
}

// A receipt records the supplier and the last receipt on the card.
void Poster::PlanReceiptRecord(Article& a, double q) {
  const DocKind& k = kind_.kind;
  if (!IsBlank(odb_) && (k.IsPurchase() || IsBlank(a.now.Text("ODB")))) a.now.Set("ODB", Value(odb_));
  if (k.IsReceipt() && !k.RdIs("BO") && q > 0 && a.now.Date("DATA_PZ") <= data_) {
    a.now.Set("S_Z_PZ", Value(std::string(k.IsPurchase() ? "Z" : "D")));
    a.now.Set("DATA_PZ", Value(xbase::Date{data_}));
    a.now.Set("RD_PZ", Value(rd_));
    a.now.Set("NRD_PZ", Value(nrd_));
    const std::string& spz = header_.spz;
    a.now.Set("TEZ_PZ", Value(k.IsPurchase() || spz == "T" ? header_.tez : 14.0));
    a.now.Set("ILOSC_PZ", Value(q));
    a.now.Set("ILOSC_SD", Value(0.0));
    a.now.Set("DATA_SD", Value(xbase::Date{data_}));
  }
}

// What the station's document held back is issued now (or, for a removal, let go).
void Poster::PlanReservations() {
  for (const auto& [key, entry] : ledger_) {
    const double held = entry.Held();
    if (held <= 0) continue;
    auto it = articles_.find(key);
    if (it == articles_.end() || it->second.recno == 0) continue;
    CardValues& card = it->second.now;
    card.Set("REZERWA0", Value(std::max(0.0, RoundHalfAway(card.Num("REZERWA0") - held, 3))));
  }
}

void Poster::PlanArticles() {
  xbase::WorkArea* as = AreaOf(s_, store::TableId::kAs);
  for (auto& [key, a] : articles_) {
    if (a.recno == 0) {
      FieldList fields = {{"MAG", Value(key.substr(0, 1))}, {"INDEKS", Value(key.substr(1))}};
      for (const auto& f : a.copied) fields.push_back(f);
      for (const auto& [field, value] : a.now.fields()) fields.emplace_back(field, value);
      plan_.appends.push_back({as, fields, {{"MAG", key.substr(0, 1)}, {"INDEKS", key.substr(1)}}, kArticleLockWait});
      continue;
    }
    FieldList changed;
    for (const auto& [field, value] : a.now.fields()) {
      const Value* before = a.before.Find(field);
      if (before == nullptr || !(*before == value)) changed.emplace_back(field, value);
    }
    if (!changed.empty()) plan_.Change(as, a.recno).set = std::move(changed);
  }
}

}  // namespace hurt::documents::posting_internal
