#include "documents/receipt_line.h"

#include <algorithm>
#include <utility>

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/text.h"
#include "console/keys.h"
#include "console/message_window.h"
#include "documents/dd_lines.h"
#include "documents/line_grid_parts.h"
#include "documents/line_session.h"
#include "documents/reservations.h"
#include "session/area_fields.h"
#include "session/session.h"
#include "session/store_ui.h"
#include "store/net_use.h"

namespace hurt::documents {

using namespace hurt::literals;
namespace key = hurt::console::key;

bool OpensReceiptCard(const DocKind& kind) { return kind.IsReceipt(); }

ReceiptCardEdit StartCard(const ReceiptCardStart& s) {
  ReceiptCardEdit e;
  ReceiptCard& c = e.card;
  const bool currency = s.kind.IsPurchase() && IsForeignCurrency(s.waluta) && s.kurs != 0;
  if (currency) {
    e.waluta = AllTrim(s.waluta);
    e.kurs = s.kurs;
    e.p_dolar = s.fresh ? NewRound(s.prices.cena_pz / s.kurs, 6) : s.line.cena;
    c.p_cena_pz = NewRound(e.p_dolar * s.kurs, 6);
  } else {
    c.p_cena_pz = s.fresh ? s.prices.cena_pz : s.line.cena;
  }
  c.p_ilosc_pz = s.fresh ? 0 : s.line.ilosc;
  c.podatek0 = IsBlank(s.podatek0) ? s.j_vat : s.podatek0;
  c.l_podatek0 = RateOfCode(c.podatek0);
  const bool typed_rate = !s.fresh && s.kind.IsPurchase() && !IsBlank(s.line.podatek0);
  c.p_vat0_pz = typed_rate ? s.line.podatek0
                           : DefaultPurchaseRate(s.kind, s.line_rate, s.j_vat, s.year, s.month, s.vat_13_5);
  c.p_netto_pz = NewRound(c.p_ilosc_pz * c.p_cena_pz, 2);
  c.p_vat_pz = ExpectedPurchaseVat(c);
  c.p_cena = s.prices.cena;
  c.p_cena2 = s.prices.cena2;
  c.vat = c.p_cena2 - c.p_cena;
  c.p_cenam = s.prices.cenam;
  c.p_cena2m = s.prices.cena2m;
  c.vat_m = c.p_cena2m - c.p_cenam;
  c.p_cena_uz = s.prices.cena_uz;
  // An empty price has no mark-up.
  c.p_marza = c.p_cena != 0 ? Marza(c.p_cena, c.p_cena_pz) : 0;
  c.p_marzam = c.p_cenam != 0 ? Marza(c.p_cenam, c.p_cena_pz) : 0;
  c.p_marza_uz = c.p_cena_uz != 0 ? Marza(c.p_cena_uz, c.p_cena_pz) : 0;
  e.in_purchase_prices = s.kind.InPurchasePrices();
  e.vat_13_5 = s.vat_13_5;
  return e;
}

std::vector<ArticleFieldChange> ArticleChanges(const ArticlePrices& before, std::string_view podatek0_before,
                                               const ReceiptCard& card, bool levels) {
  std::vector<ArticleFieldChange> out;
  auto money = [&](const char* field, double was, double now) {
    if (!SameAmount(was, now)) out.push_back({field, xbase::Value(NewRound(now, 2))});
  };
  money("CENA", before.cena, card.p_cena);
  money("CENA2", before.cena2, card.p_cena2);
  if (levels) {
    money("CENAM", before.cenam, card.p_cenam);
    money("CENA2M", before.cena2m, card.p_cena2m);
  }
  if (AllTrim(podatek0_before) != AllTrim(card.podatek0)) out.push_back({"PODATEK0", xbase::Value(card.podatek0)});
  money("CENA_UZ", before.cena_uz, card.p_cena_uz);
  return out;
}

bool SellingPriceChanged(const std::vector<ArticleFieldChange>& changes) {
  return std::any_of(changes.begin(), changes.end(),
                     [](const ArticleFieldChange& c) { return c.field == "CENA" || c.field == "CENA2"; });
}

namespace {

enum class ArticleWrite {
  kWritten,
  kBusy,    // the lock could not be had: nothing changed
  kFailed,  // a field or the record could not be written: nothing changed
  kTorn,    // and a field could not even be put back
};

bool SeekArticle(xbase::WorkArea& as, std::string_view mag, std::string_view indeks) {
  if (as.order() != 1 && !as.SetOrder(1).ok()) return false;
  auto found = as.SeekKey(PadR(mag, 1) + PadR(indeks, 8));
  return found.ok() && *found;
}

// The changes go onto the current record of `as` under its record lock, all or none: a
// replace that fails puts back those made before it, so the record is written whole.
ArticleWrite WriteArticle(store::StoreUi& ui, xbase::WorkArea& as, const std::vector<ArticleFieldChange>& changes) {
  const uint32_t recno = as.recno();
  if (Status locked = store::RecLockArea(ui, as, kReservationLockWait); !locked.ok()) {
    return locked.IsBusy() ? ArticleWrite::kBusy : ArticleWrite::kFailed;
  }
  std::vector<std::pair<std::string, xbase::Value>> replaced;  // field and the value it had
  Status st = Status::Ok();
  for (const ArticleFieldChange& c : changes) {
    if (as.FieldIndex(c.field) < 0) continue;  // an older table without the field
    auto was = as.Get(c.field);
    if (!was.ok()) {
      st = was.status();
      break;
    }
    st = as.Replace(c.field, c.value);
    if (!st.ok()) break;
    replaced.emplace_back(c.field, *was);
  }
  bool whole = true;
  if (!st.ok()) {
    for (auto it = replaced.rbegin(); it != replaced.rend(); ++it) {
      if (!as.Replace(it->first, it->second).ok()) whole = false;
    }
  }
  const Status unlocked = as.UnlockRecord(recno);
  if (st.ok() && unlocked.ok()) return ArticleWrite::kWritten;
  // A write that fails drops the changes but keeps the lock: the second call has nothing
  // left to write and lets the card go.
  if (!unlocked.ok()) (void)as.UnlockRecord(recno);  // failing again leaves no worse state
  return whole ? ArticleWrite::kFailed : ArticleWrite::kTorn;
}

std::string ArticleName(std::string_view mag, std::string_view indeks) {
  return std::string(mag) + " " + RTrim(indeks);
}

// Esc: the line as it was before the edit.
int LeaveLine(session::Session& s, const ReceiptLineEdit& edit) {
  Status st = Status::Ok();
  if (edit.appending) {
    st = edit.dd.Delete();
    if (st.ok()) st = edit.dd.Flush();
    if (st.ok()) st = edit.dd.GoBottom();
  } else if (edit.changed) {
    st = WriteDocLine(edit.dd, edit.old);
  }
  if (!st.ok()) console::Okno_(s.con(), "Blad zapisu pozycji", 2);
  return key::kEsc;
}

}  // namespace

int EditReceiptLine(session::Session& s, const ReceiptLineEdit& edit) {
  const std::string mag = PadR(edit.line.mag, 1);
  const std::string indeks = PadR(edit.line.indeks, 8);
  if (!SeekArticle(edit.as, mag, indeks)) {
    console::Okno_(s.con(), std::string("Brak karty towaru "_pl) + ArticleName(mag, indeks), 2);
    return LeaveLine(s, edit);
  }
  const ArticleForLine article = ArticleOfCard(edit.as);
  const bool vat_13_5 = s.FileX("VAT_13_5.TXT");
  const int levels = std::max(1, s.settings().Poziom());

  ReceiptCardStart start;
  start.kind = edit.kind;
  start.line = edit.line;
  start.fresh = edit.changed;
  start.line_rate = edit.vat.code;
  start.prices = article.ceny;
  start.podatek0 = article.podatek0;
  start.j_vat = s.settings().Vat();
  start.year = 2000 + static_cast<int>(Val(Left(s.hh(), 2)));
  start.month = static_cast<int>(Val(Substr(s.hh(), 4, 2)));
  start.vat_13_5 = vat_13_5;
  start.waluta = s.vars().Text("M_WALUTA");
  start.kurs = s.vars().Number("M_KURS");
  ReceiptCardEdit card = StartCard(start);
  card.mag = mag;
  card.indeks = indeks;
  card.nazwa = session::FieldText(edit.as, "NAZWA");
  card.jm = article.jm;
  card.ilosc_picture = edit.ilosc_picture;
  card.i3 = s.settings().Text("J_I3") == "3";
  card.levels = levels > 1;
  card.norwegia = s.FileX("NORWEGIA.TXT");
  const LineSettings settings = ReadLineSettings(s);
  card.price_check = {edit.kind, true, article.ceny.cena_pz, article.ceny.cena_uz, s.FileX("CENA.MIN"), mag,
                      settings.mag_k, settings.mag_u};

  if (!AsEdycja(s.con(), card)) return LeaveLine(s, edit);

  // 1. The article's prices, rate and agreed price.
  const std::vector<ArticleFieldChange> changes =
      ArticleChanges(article.ceny, article.podatek0, card.card, card.levels);
  bool written = false;
  if (!changes.empty()) {
    session::ConsoleStoreUi ui(s.con());
    const ArticleWrite w =
        SeekArticle(edit.as, mag, indeks) ? WriteArticle(ui, edit.as, changes) : ArticleWrite::kFailed;
    // The messages fit the message window: the code is at most 10 characters.
    const std::string failed = std::string("Błąd zapisu "_pl) + ArticleName(mag, indeks);
    switch (w) {
      case ArticleWrite::kWritten:
        written = true;
        break;
      case ArticleWrite::kBusy:
        console::Okno_(s.con(), "Karta " + ArticleName(mag, indeks) + " zajeta - ceny bez zmian", 2);
        break;
      case ArticleWrite::kFailed:
        console::Okno_(s.con(), failed + " - ceny bez zmian", 2);
        break;
      case ArticleWrite::kTorn:
        console::Okno_(s.con(), failed + std::string(" - sprawdź ceny"_pl), 2);
        break;
    }
  }

  // 2. The line.
  DocLine line = edit.line;
  line.ilosc = card.card.p_ilosc_pz;
  line.cena = card.currency() ? card.p_dolar : card.card.p_cena_pz;
  if (edit.kind.IsPurchase()) {
    line.podatek0 = card.card.p_vat0_pz;
  } else if (written) {
    line.podatek0 = VatRateOfLine(card.card.podatek0, edit.kind, s.FileX("GET_VAT.TXT"), vat_13_5).code;
  }
  const bool label = (written && SellingPriceChanged(changes)) ||
                     (!edit.changed && SameAmount(edit.old.upust0, kPriceLabelMark, 2));
  line.upust0 = label ? kPriceLabelMark : 0;
  (void)SeekArticle(edit.as, mag, indeks);  // the article as it is now gives the catalogue prices
  LineEdit e = LineEditOf(line);
  LineWhileTyped(e, edit.kind);
  ReplaceContext ctx;
  ctx.kind = edit.kind;
  ctx.nb = DocumentBasis(s, edit.kind);
  ctx.j_poziom = levels;
  ctx.level = EffectiveLevel(edit.kind.poziom, static_cast<int>(s.vars().Number("M_POZIOM")), levels);
  ReplaceDWithP(line, e, ArticleOfCard(edit.as), ctx);
  if (Status st = WriteDocLine(edit.dd, line); !st.ok()) console::Okno_(s.con(), "Blad zapisu pozycji", 2);
  return key::kEnter;
}

}  // namespace hurt::documents
