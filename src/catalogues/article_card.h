// One article card: its edit buffer (the M_ variables of the card form), reading and
// writing it, and the card form shared by the detail panel, editing, appending, the filter
// and the search.
#pragma once

#include <string>
#include <vector>

#include "base/date.h"
#include "base/result.h"
#include "catalogues/common.h"
#include "catalogues/rules.h"
#include "console/form.h"
#include "xbase/work_area.h"

namespace hurt::session {
class Session;
}

namespace hurt::catalogues {

// The edit buffer of a card. Texts are kept at their field widths.
struct AsBuffer {
  std::string mag = " ";
  std::string indeks = std::string(8, ' ');
  std::string nazwa = std::string(30, ' ');
  std::string nazwa1 = std::string(40, ' ');
  std::string jm = std::string(3, ' ');
  std::string sww = std::string(8, ' ');
  std::string pkwiu = std::string(10, ' ');
  std::string t_w_o_k = std::string(8, ' ');
  std::string podgrupa = std::string(8, ' ');
  std::string gr_tow = std::string(2, ' ');
  std::string odb = std::string(8, ' ');
  std::string waluta = std::string(3, ' ');
  PriceSet p;  // CENA0, CENA_PZ, CENA, CENA2, CENAM, CENA2M, PODATEK0 and what is shown
  double upust0 = 0;
  double ilosc = 0;
  JulianDay data_ini = kEmptyDate;
  StockCounters stock;  // read with the card, never written from the buffer
};

// The settings the card's arithmetic depends on, read once per screen.
struct CardSettings {
  CostRule cost;
  bool vat_13_5 = false;  // marker VAT_13_5.TXT: rates with one decimal
  bool norwegia = false;  // marker NORWEGIA.TXT: 25 % stays
  bool levels = false;    // J_POZIOM > 1: the second price level is shown
  bool see_margin = false;  // right 9
  bool prod_site = false;   // J_NAZWA contains "PROD": no loss warning
  std::string j_vat = "23";
  static CardSettings Of(session::Session& s);
};

// AS_ZER: a blank buffer with the default VAT rate.
AsBuffer AsZer(const CardSettings& cs);
// AS_READ: the buffer of the current record (VAT amounts and margin computed).
AsBuffer AsRead(const xbase::WorkArea& a, const CardSettings& cs);

// AS_REP: writes the buffer into the current record of `a`.
//  - A station limited to some warehouses (M_NR_MAG) may not write another warehouse's
//    card: "To nie jest twoj magazyn", nothing written (false).
//  - New cards (just appended and locked): every field the table has, DATA_INI today.
//  - Existing cards: only the fields that differ from `before` (what the operator saw),
//    under the record lock; so a stock quantity or a price another station changed in the
//    meantime is not put back to its old value.
// A lock that cannot be had (LockForChange: the operator sees the wait and may give up)
// or a value that does not fit leaves the record exactly as it was, none of the fields
// written, and says so ("... - zmiany nie zapisane"); false then.
bool AsRep(session::Session& s, xbase::WorkArea& a, const AsBuffer& buf, const AsBuffer* before);

// The station may write cards of this warehouse (M_NR_MAG empty or holding it).
bool OwnWarehouse(session::Session& s, const std::string& mag);

// The card form: labels, values, and the GETs of its parts. Rows 0-13.
class CardForm {
 public:
  CardForm(session::Session& s, AsBuffer& buf, const CardSettings& cs, bool has_nazwa1);
  // Clears rows 0-13 and shows the card (the detail panel, VIEW_AS).
  void Show();
  // The computed values (VAT amounts, margins) after a validator changed prices.
  void ShowComputed();

  // GETs of the key (warehouse, code). `when` decides whether they may be edited.
  void AddKeyGets(console::Form& f, std::function<bool()> when, bool new_card);
  // GETs of the rest; `when` decides whether they may be edited.
  void AddRestGets(console::Form& f, std::function<bool()> when);
  // GETs of the query-by-example form (texts and the price).
  void AddQueryGets(console::Form& f);

 private:
  void Labels();
  session::Session& s_;
  console::Console& con_;
  AsBuffer& b_;
  const CardSettings& cs_;
  bool has_nazwa1_;
  double previous_margin_ = 0;
  std::string previous_rate_;
};

}  // namespace hurt::catalogues
