// A line of a goods receipt typed through the article card (AS_EDYCJA,
// receipt_card_screen.h) instead of the quantity and price cells of the line grid.
//
// Which kinds: every receipt, R_P "P" — purchase receipts "PZ", warehouse receipts
// ("PW", class "PD"), the opening balance "BO", combined receipts ("PX", "PY") — in
// selling prices and in purchase prices (CUV "C") alike. Each of them brings goods onto
// the shelf at a purchase price, and the card is where the selling prices of those goods
// are decided (the mark-up is reckoned on the purchase price; the agreed-price check
// spares "BO", the price-rise warning only watches "PZ"). Purchase corrections (R_P
// "K") are not receipts and keep the cells.
//
// Accepting the card:
//   1. the article card in `as` takes the selling prices of level 1 (and of the lowest
//      level with J_POZIOM > 1), the selling rate and the agreed price that differ from
//      what it held, under its record lock (the reservation wait). A lock that cannot
//      be had, or a write that fails, leaves the article as it was and says so;
//   2. the line takes the quantity and the purchase price (on a currency purchase the
//      price in the currency, which posting turns into złoty at the header's rate) and
//      its rate: on purchases the purchase rate, on other receipts the rate the kind
//      gives the article's selling rate as written; value, VAT and gross follow by
//      REPLACE_D_WITH_P. A line whose level-1 selling price was changed on the article
//      is marked for a price label (UPUST0 = 0.1), and keeps the mark when edited again.
// Esc leaves the article and the line as they were: a new line is deleted, a line whose
// article was changed gets its old contents back.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "documents/doc_kind.h"
#include "documents/line_math.h"
#include "documents/prices.h"
#include "documents/receipt_card_screen.h"
#include "documents/vat_rate.h"
#include "xbase/value.h"
#include "xbase/work_area.h"

namespace hurt::session {
class Session;
}

namespace hurt::documents {

// The percent of a receipt line whose selling price was changed on the card: the mark
// the exit routine prints price labels for (J_PZ_METKA "T").
inline constexpr double kPriceLabelMark = 0.1;

// True for the kinds whose lines open the card (above).
bool OpensReceiptCard(const DocKind& kind);

// What the card of a line starts from.
struct ReceiptCardStart {
  DocKind kind;
  DocLine line;           // the line as it stands
  bool fresh = false;     // a new line or another article: nothing typed for it yet
  std::string line_rate;  // the rate the kind gives the line (VatRateOfLine)
  ArticlePrices prices;   // the article's prices
  std::string podatek0;   // the article's selling rate
  std::string j_vat;      // the default rate
  int year = 0, month = 0;  // the working period (for the farmers' flat rate)
  bool vat_13_5 = false;
  std::string waluta;     // a currency purchase: the currency and its rate
  double kurs = 0;
};

// The card: a fresh line starts from no quantity and the article's last purchase price
// CENA_PZ, a line typed before from its quantity and price (on a currency purchase the
// line's price is the currency price). The selling prices, rate and agreed price are the
// article's; the purchase rate is the line's on purchases typed before, otherwise the
// default purchase rate (DefaultPurchaseRate). Net value, purchase VAT, the selling VAT
// amounts and every mark-up follow.
ReceiptCardEdit StartCard(const ReceiptCardStart& start);

// A field of the article card the accepted card changes.
struct ArticleFieldChange {
  std::string field;
  xbase::Value value;
};

// The fields that differ (to their decimals) between the article and the accepted card:
// CENA, CENA2, with price levels CENAM and CENA2M, PODATEK0 and CENA_UZ, in that order.
std::vector<ArticleFieldChange> ArticleChanges(const ArticlePrices& before, std::string_view podatek0_before,
                                               const ReceiptCard& card, bool levels);

// True when a change touches the level-1 selling price (CENA or CENA2).
bool SellingPriceChanged(const std::vector<ArticleFieldChange>& changes);

// What the line grid hands over after the article code was accepted: the line under edit
// (its record current and locked in `dd`) and the area of the articles.
struct ReceiptLineEdit {
  xbase::WorkArea& dd;
  xbase::WorkArea& as;
  const DocKind& kind;
  const DocLine& old;   // the line before the edit (empty on a new line)
  const DocLine& line;  // the line now: another article's line starts with nothing typed
  bool appending = false;
  bool changed = false;  // a new line, or another article on the line
  const LineVatRate& vat;  // the rate the kind gives the line
  std::string ilosc_picture;
};

// Runs the card for the line and applies it (above). Returns Enter when accepted, Esc
// when left. `dd` stays on the line (on the last line when a new one was deleted), its
// lock is the caller's.
int EditReceiptLine(session::Session& session, const ReceiptLineEdit& edit);

}  // namespace hurt::documents
