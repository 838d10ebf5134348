#include "documents/receipt_card_screen.h"

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/picture.h"
#include "base/text.h"
#include "console/form.h"
#include "console/message_window.h"
#include "documents/vat_rate.h"

namespace hurt::documents {

using namespace hurt::literals;

namespace {

// The window: a double frame at rows 4-21, columns 6-73, over the header's article rows
// and the line grid; the document total in row 23 stays in sight.
constexpr int kTop = 4, kLeft = 6, kBottom = 21, kRight = 73;
constexpr int kLabel = 8;   // labels
constexpr int kValue = 29;  // the purchase fields
// The columns of the selling prices.
constexpr int kNet = 29, kVat = 41, kGross = 53, kMarkup = 64;
constexpr int kRowArticle = 5, kRowIlosc = 7, kRowCenaPz = 8, kRowRabat = 9, kRowNetto = 10, kRowVatPz = 11;
constexpr int kRowPodatek0 = 13, kRowHeadings = 14, kRowLevel1 = 15, kRowLowest = 16, kRowAgreed = 17;
constexpr int kRowKeys = 20;
constexpr int kVatPzAmount = 43;  // the purchase VAT amount beside its rate
constexpr int kPln = 48;          // the purchase price in złoty beside a currency price

constexpr std::string_view kPricePicture = "9999999.99";
constexpr std::string_view kPurchasePicture = "9999999.9999";
constexpr std::string_view kMarkupPicture = "99999.9";
// Frame, labels and computed values bright white on blue; the field being edited black on
// white; the other fields yellow on blue.
constexpr std::string_view kColours = "W+/B,N/W,,,GR+/B";

// The field the purchase price is asked in (the second one).
constexpr int kPurchasePriceField = 1;

class CardWindow {
 public:
  CardWindow(console::Console& con, ReceiptCardEdit& edit)
      : con_(con), e_(edit), c_(edit.card), shown_(edit.card), rate_width_(edit.vat_13_5 ? 4u : 2u) {
    rate_pz_ = PadR(c_.p_vat0_pz, rate_width_);
    rate_ = PadR(c_.podatek0, rate_width_);
  }

  bool Run();

 private:
  void Draw();
  void ShowComputed();
  void AddGets(console::Form& f);
  // After an accepted VALID: what was recomputed is shown and becomes the last value seen.
  bool Accepted() {
    shown_ = c_;
    ShowComputed();
    return true;
  }
  void Tell(std::string_view text) { console::Okno_(con_, text, 2); }
  bool Refused(std::string_view text) {
    Tell(text);
    return false;
  }

  bool VIlosc();
  bool VCenaPz();
  bool VDolar();
  bool CheckPurchasePrice();
  bool VRabat();
  bool VNettoPz();
  bool VVat0Pz();
  bool VVatPz();
  bool VPodatek0();
  bool VSellingPrice(double price, void (*pv)(ReceiptCard&), bool changed);
  bool VMarza();
  bool VMarzam();
  bool VCenaUz();
  bool VMarzaUz();
  std::string AgreedPriceRefusal() const;
  // The currency price follows a purchase price computed in złoty.
  void CurrencyFollows() {
    if (e_.currency() && e_.kurs != 0) e_.p_dolar = NewRound(c_.p_cena_pz / e_.kurs, 6);
  }

  console::Console& con_;
  ReceiptCardEdit& e_;
  ReceiptCard& c_;
  ReceiptCard shown_;  // the card as the window last showed it
  size_t rate_width_;
  std::string rate_pz_, rate_;  // the rate codes as typed
};

void CardWindow::Draw() {
  const console::Attr a = con_.colours().standard;
  con_.Box(kTop, kLeft, kBottom, kRight, console::DoubleFrame(), a, ' ');
  const std::string title(" Karta towaru - przyjęcie "_pl);
  con_.Say(kTop, kLeft + (kRight - kLeft + 1 - static_cast<int>(title.size())) / 2, title, a);
  con_.Say(kRowArticle, kLabel, "Towar :", a);
  con_.Say(kRowArticle, 16, PadR(e_.mag, 1) + " " + PadR(e_.indeks, 8) + "  " + PadR(e_.nazwa, 30), a);
  con_.Say(kRowArticle, 60, "jm: " + RTrim(e_.jm), a);
  const std::string rule = Replicate("─"_pl, static_cast<size_t>(kRight - kLeft - 1));
  con_.Say(kRowArticle + 1, kLeft + 1, rule, a);
  auto label = [&](int row, std::string_view text) { con_.Say(row, kLabel, PadR(text, kValue - kLabel - 2) + ":", a); };
  label(kRowIlosc, "Ilość"_pl);
  if (e_.currency()) {
    label(kRowCenaPz, "Cena zakupu " + RTrim(e_.waluta));
    con_.Say(kRowCenaPz, kPln - 5, "PLN:", a);
  } else {
    label(kRowCenaPz, "Cena zakupu netto");
  }
  label(kRowRabat, "Rabat %");
  label(kRowNetto, "Wartość netto"_pl);
  label(kRowVatPz, "VAT zakupu - stawka");
  con_.Say(kRowVatPz, kVatPzAmount - 7, "kwota:", a);
  con_.Say(kRowVatPz + 1, kLeft + 1, rule, a);
  label(kRowPodatek0, "VAT sprzedaży"_pl);
  con_.Say(kRowHeadings, kLabel, "Ceny sprzedaży"_pl, a);
  con_.Say(kRowHeadings, kNet, "     Netto", a);
  con_.Say(kRowHeadings, kVat, "       VAT", a);
  con_.Say(kRowHeadings, kGross, "    Brutto", a);
  con_.Say(kRowHeadings, kMarkup, "Marża %"_pl, a);
  con_.Say(kRowLevel1, kLabel, "Poziom 1", a);
  if (e_.levels) con_.Say(kRowLowest, kLabel, "Poziom najniższy"_pl, a);
  con_.Say(kRowAgreed, kLabel, "Cena uzgodniona", a);
  con_.Say(kRowKeys - 1, kLeft + 1, rule, a);
  const std::string keys("Enter-dalej  Góra-wstecz  PgDn-akceptuj  Esc-rezygnuj"_pl);
  con_.Say(kRowKeys, kLeft + (kRight - kLeft + 1 - static_cast<int>(keys.size())) / 2, keys, a);
  ShowComputed();
}

// The values no field holds: the selling VAT amounts and the purchase price in złoty.
void CardWindow::ShowComputed() {
  const console::Attr a = con_.colours().standard;
  con_.Say(kRowLevel1, kVat, TransformNumber(NewRound(c_.vat, 2), kPricePicture), a);
  if (e_.levels) con_.Say(kRowLowest, kVat, TransformNumber(NewRound(c_.vat_m, 2), kPricePicture), a);
  if (e_.currency()) con_.Say(kRowCenaPz, kPln, TransformNumber(c_.p_cena_pz, kPurchasePicture), a);
}

void CardWindow::AddGets(console::Form& f) {
  f.GetNumber(kRowIlosc, kValue, c_.p_ilosc_pz, e_.ilosc_picture).Valid([this] { return VIlosc(); });
  if (e_.currency()) {
    f.GetNumber(kRowCenaPz, kValue, e_.p_dolar, kPurchasePicture).Valid([this] { return VDolar(); });
  } else {
    f.GetNumber(kRowCenaPz, kValue, c_.p_cena_pz, kPurchasePicture).Valid([this] { return VCenaPz(); });
  }
  f.GetNumber(kRowRabat, kValue, c_.p_rabat, "99.99").Valid([this] { return VRabat(); });
  f.GetNumber(kRowNetto, kValue, c_.p_netto_pz, "9999999999.99").Valid([this] { return VNettoPz(); });
  f.GetText(kRowVatPz, kValue, rate_pz_, "@!").Valid([this] { return VVat0Pz(); });
  f.GetNumber(kRowVatPz, kVatPzAmount, c_.p_vat_pz, "99999999.99").Valid([this] { return VVatPz(); });
  f.GetText(kRowPodatek0, kValue, rate_, "@!").Valid([this] { return VPodatek0(); });
  f.GetNumber(kRowLevel1, kNet, c_.p_cena, kPricePicture).Valid([this] {
    return VSellingPrice(c_.p_cena, PvCena, !SameAmount(c_.p_cena, shown_.p_cena));
  });
  f.GetNumber(kRowLevel1, kGross, c_.p_cena2, kPricePicture).Valid([this] {
    return VSellingPrice(c_.p_cena2, PvCena2, !SameAmount(c_.p_cena2, shown_.p_cena2));
  });
  f.GetNumber(kRowLevel1, kMarkup, c_.p_marza, kMarkupPicture).Valid([this] { return VMarza(); });
  if (e_.levels) {
    f.GetNumber(kRowLowest, kNet, c_.p_cenam, kPricePicture).Valid([this] {
      return VSellingPrice(c_.p_cenam, PvCenam, !SameAmount(c_.p_cenam, shown_.p_cenam));
    });
    f.GetNumber(kRowLowest, kGross, c_.p_cena2m, kPricePicture).Valid([this] {
      return VSellingPrice(c_.p_cena2m, PvCena2m, !SameAmount(c_.p_cena2m, shown_.p_cena2m));
    });
    f.GetNumber(kRowLowest, kMarkup, c_.p_marzam, kMarkupPicture).Valid([this] { return VMarzam(); });
  }
  f.GetNumber(kRowAgreed, kNet, c_.p_cena_uz, kPricePicture).Valid([this] { return VCenaUz(); });
  f.GetNumber(kRowAgreed, kMarkup, c_.p_marza_uz, kMarkupPicture).Valid([this] { return VMarzaUz(); });
}

// The quantity: rounded as receipts round it; the net value and the purchase VAT follow.
bool CardWindow::VIlosc() {
  c_.p_ilosc_pz = ReceiptQuantity(c_.p_ilosc_pz, e_.i3);
  c_.p_netto_pz = NewRound(c_.p_ilosc_pz * c_.p_cena_pz, 2);
  c_.p_vat_pz = ExpectedPurchaseVat(c_);
  return Accepted();
}

bool CardWindow::VCenaPz() {
  if (c_.p_cena_pz < 0) return Refused("Cena nie może być ujemna"_pl);
  return CheckPurchasePrice();
}

// PV_DOLAR: the purchase price from the currency price, then the checks of any price.
bool CardWindow::VDolar() {
  if (e_.p_dolar < 0) return Refused("Cena nie może być ujemna"_pl);
  PvDolar(c_, e_.p_dolar, e_.kurs);
  return CheckPurchasePrice();
}

// PV_CENA_PZ: a price above the agreed price is refused; a rise over the last purchase
// price is told (once for each new price, not every time the field is passed).
bool CardWindow::CheckPurchasePrice() {
  PurchasePriceContext ctx = e_.price_check;
  ctx.as_cena_uz = c_.p_cena_uz;
  const PriceCheck check = PvCenaPz(c_, ctx);
  if (check.refused) return Refused(check.messages.front());
  if (!SameAmount(c_.p_cena_pz, shown_.p_cena_pz, 6)) {
    for (const std::string& m : check.messages) Tell(m);
  }
  c_.p_vat_pz = ExpectedPurchaseVat(c_);
  return Accepted();
}

// PV_RABAT: the discount lowers the purchase price (and the currency price with it) and
// is then reset to 0.
bool CardWindow::VRabat() {
  if (SameAmount(c_.p_rabat, 0)) return Accepted();
  const double rabat = c_.p_rabat;
  if (rabat < 0 || !PvRabat(c_, e_.in_purchase_prices)) {
    c_.p_rabat = 0;
    return Refused("Rabat musi być od 0 do 100 %"_pl);
  }
  if (e_.currency()) {
    e_.p_dolar = NewRound(e_.p_dolar - e_.p_dolar * rabat / 100, 6);
    PvDolar(c_, e_.p_dolar, e_.kurs);
    c_.p_vat_pz = ExpectedPurchaseVat(c_);
  }
  return Accepted();
}

// PV_NETTO_PZ: the purchase price from the net value of the whole quantity.
bool CardWindow::VNettoPz() {
  if (SameAmount(c_.p_netto_pz, shown_.p_netto_pz)) return Accepted();
  const bool no_quantity = SameAmount(c_.p_ilosc_pz, 0, 3);
  PvNettoPz(c_);
  CurrencyFollows();
  c_.p_vat_pz = ExpectedPurchaseVat(c_);
  if (no_quantity) Tell("Bez ilości cena zakupu bez zmian"_pl);
  return Accepted();
}

bool CardWindow::VVat0Pz() {
  const RateInput in = PvVat0Pz(c_, rate_pz_, e_.vat_13_5, e_.norwegia);
  if (!in.accepted) return Refused("Błędna stawka VAT"_pl);
  rate_pz_ = PadR(c_.p_vat0_pz, rate_width_);
  return Accepted();
}

// PV_VAT_PZ: a VAT other than the rate gives is questioned; with a rate of 0 it is refused.
bool CardWindow::VVatPz() {
  const VatPzCheck check = PvVatPz(c_);
  switch (check.action) {
    case VatPzCheck::Action::kAccept:
      break;
    case VatPzCheck::Action::kAsk:
      if (console::Okno(con_, check.question, "T")) c_.p_vat_pz = check.expected;
      break;
    case VatPzCheck::Action::kRefuse:
      c_.p_vat_pz = 0;
      return Refused("Przy stawce " + AllTrim(c_.p_vat0_pz) + std::string(" VAT musi być 0"_pl));
  }
  return Accepted();
}

bool CardWindow::VPodatek0() {
  const RateInput in = PvPodatek0(c_, rate_, e_.vat_13_5, e_.norwegia);
  if (!in.accepted) return Refused("Błędna stawka VAT"_pl);
  rate_ = PadR(c_.podatek0, rate_width_);
  return Accepted();
}

// A selling price typed (net or gross, of level 1 or of the lowest level): its routine
// runs when the price changed, the lowest level is kept below level 1.
bool CardWindow::VSellingPrice(double price, void (*pv)(ReceiptCard&), bool changed) {
  if (price < 0) return Refused("Cena nie może być ujemna"_pl);
  if (changed) pv(c_);
  if (e_.levels) FixLowestLevel(c_);
  return Accepted();
}

bool CardWindow::VMarza() {
  (void)PvMarza(c_, shown_.p_marza);  // false: the mark-up was not changed, nothing to do
  if (e_.levels) FixLowestLevel(c_);
  return Accepted();
}

bool CardWindow::VMarzam() {
  (void)PvMarzam(c_, shown_.p_marzam);  // false: not changed
  FixLowestLevel(c_);
  return Accepted();
}

// The agreed price; an empty one has no mark-up.
bool CardWindow::VCenaUz() {
  if (c_.p_cena_uz < 0) return Refused("Cena nie może być ujemna"_pl);
  if (SameAmount(c_.p_cena_uz, 0)) {
    c_.p_cena_uz = 0;
    c_.p_marza_uz = 0;
  } else if (!SameAmount(c_.p_cena_uz, shown_.p_cena_uz)) {
    PvCenaUz(c_);
  }
  return Accepted();
}

bool CardWindow::VMarzaUz() {
  (void)PvMarzaUz(c_, shown_.p_marza_uz);  // false: not changed
  return Accepted();
}

// The refusal of a purchase price above an agreed price set (or lowered) after the price
// was typed; empty when the price passes.
std::string CardWindow::AgreedPriceRefusal() const {
  ReceiptCard probe = c_;
  PurchasePriceContext ctx = e_.price_check;
  ctx.as_cena_uz = c_.p_cena_uz;
  const PriceCheck check = PvCenaPz(probe, ctx);
  return check.refused ? check.messages.front() : std::string();
}

bool CardWindow::Run() {
  const console::SavedScreen saved = con_.SaveScreen();
  (void)con_.SetColour(kColours);  // a fixed, valid colour text
  Draw();
  console::Form f(con_);
  AddGets(f);
  bool accepted = false;
  int start = 0;
  for (;;) {
    const console::ReadResult r = f.Read(start);
    if (r.escaped) break;
    if (e_.levels) FixLowestLevel(c_);
    // The card is not accepted with a purchase price the agreed price refuses.
    if (const std::string refusal = AgreedPriceRefusal(); !refusal.empty()) {
      Tell(refusal);
      start = kPurchasePriceField;
      continue;
    }
    accepted = true;
    break;
  }
  con_.RestoreScreen(saved);
  return accepted;
}

}  // namespace

bool AsEdycja(console::Console& con, ReceiptCardEdit& edit) {
  CardWindow window(con, edit);
  return window.Run();
}

}  // namespace hurt::documents
