#include "documents/open_item.h"

#include "base/numeric.h"
#include "base/text.h"

namespace hurt::documents {

double HomeAmount(double amount, double kurs) { return kurs > 0 ? NewRound(amount * kurs, 2) : amount; }

namespace {

bool IsMoneyDocument(const OpenItemHeader& h) { return PadR(h.mag, 1) == "0"; }

// NETTO + VAT, with the deposits (RESZTA and their share of VAT) for purchases on credit
// and, with RRR.TXT, for sales.
double DocumentValue(const OpenItemHeader& h, const std::string& spz) {
  const bool purchase_side = h.r_p == 'P' || (h.r_p == 'K' && h.s_z == 'Z');
  const bool with_deposits =
      !IsMoneyDocument(h) && ((spz != "G" && purchase_side) || (h.s_z == 'S' && h.rrr_marker));
  double value = h.netto + h.vat;
  if (with_deposits) {
    value += h.reszta;
    if (h.netto != 0 && h.reszta != 0 && h.vat != 0) value += NewRound(h.reszta / h.netto * h.vat, 2);
  }
  if (h.s_z == 'Z' && h.internal_vat && h.data < JulianFromYmd(2019, 11, 1)) value = h.netto;
  return NewRound(value, 2);
}

// 0.1 % of the net value of a flat-rate farmer's purchase, kept back from what is owed.
double FarmerDeduction(const OpenItemHeader& h, double value) {
  if (h.s_z != 'Z' || value == 0 || !h.farmer_kind) return 0;
  const bool applies = h.m_data_rr == JulianFromYmd(2001, 1, 1) ||
                       (h.m_data_rr != kEmptyDate && h.data < h.m_data_rr) || h.netto >= 500;
  if (!applies) return 0;
  return NewRound(h.netto * 0.001, h.rolnik_rr0 ? 0 : 2);
}

}  // namespace

std::optional<OpenItem> OpenItemOf(const OpenItemHeader& h) {
  const std::string spz = PadR(h.spz, 1);
  const std::string rd = PadR(h.rd, 3);
  OpenItem item;
  item.tresc = Left(h.odbiorca, 17);
  if (IsMoneyDocument(h)) {
    const double amount = NewRound(h.kwota, 2);
    if (rd == "KP " || rd == "NOU") {
      item.obma = amount;
    } else {
      item.obwn = amount;
    }
    item.spz = (rd == "KP " || rd == "KW " || rd == "BDW") ? "G" : rd == "PP " ? "P" : spz == "C" ? "C" : " ";
    if (rd == "NOO") item.termin = h.data + static_cast<JulianDay>(h.tez);
  } else {
    if (spz == "G" || spz == "B" || h.proforma) return std::nullopt;
    const double value = DocumentValue(h, spz);
    const double paid = rd == "BO " ? 0 : NewRound(h.kwota, 2);
    const bool debit = h.r_p == 'R' || h.r_p == 'M' || (h.r_p == 'K' && h.s_z == 'S');
    const bool credit = h.r_p == 'P' || (h.r_p == 'K' && h.s_z == 'Z');
    item.obwn = debit ? value : paid;
    item.obma = credit ? value : paid;
    item.obma = NewRound(item.obma - FarmerDeduction(h, value), 2);
    item.spz = spz;
    item.termin = h.data + static_cast<JulianDay>(h.tez);
  }
  item.saldo_wn = HomeAmount(item.obwn, h.kurs);
  item.saldo_ma = HomeAmount(item.obma, h.kurs);
  return item;
}

}  // namespace hurt::documents
