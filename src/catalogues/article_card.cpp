#include "catalogues/article_card.h"

#include <utility>

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/picture.h"
#include "base/text.h"
#include "session/session.h"

namespace hurt::catalogues {

using namespace hurt::literals;

namespace {

// Text fields of the buffer and their table fields.
struct TextField {
  std::string_view name;
  std::string AsBuffer::*member;
};
constexpr TextField kTextFields[] = {
    {"MAG", &AsBuffer::mag},         {"INDEKS", &AsBuffer::indeks},     {"NAZWA", &AsBuffer::nazwa},
    {"NAZWA1", &AsBuffer::nazwa1},   {"JM", &AsBuffer::jm},             {"SWW", &AsBuffer::sww},
    {"PKWIU", &AsBuffer::pkwiu},     {"T_W_O_K", &AsBuffer::t_w_o_k},   {"PODGRUPA", &AsBuffer::podgrupa},
    {"GR_TOW", &AsBuffer::gr_tow},   {"ODB", &AsBuffer::odb},           {"WALUTA", &AsBuffer::waluta},
};

struct PriceField {
  std::string_view name;
  double PriceSet::*member;
};
constexpr PriceField kPriceFields[] = {
    {"CENA0", &PriceSet::cena0}, {"CENA_PZ", &PriceSet::cena_pz}, {"CENA", &PriceSet::cena},
    {"CENA2", &PriceSet::cena2}, {"CENAM", &PriceSet::cenam},     {"CENA2M", &PriceSet::cena2m},
};

// The width of a text field in the table, or the buffer's when the table lacks it.
size_t WidthOf(const xbase::WorkArea& a, std::string_view name, size_t fallback) {
  const int i = a.FieldIndex(name);
  return i < 0 ? fallback : static_cast<size_t>(a.field(i).width);
}

constexpr int kKeyRow = 0;
constexpr std::string_view kNotSaved = "zmiany nie zapisane";
constexpr int kPriceRow = 10;

}  // namespace

CardSettings CardSettings::Of(session::Session& s) {
  CardSettings cs;
  cs.cost.marza_pz = Left(s.settings().Text("J_MARZA_PZ"), 1) == "T";
  cs.cost.cena0_marker = s.FileX("CENA0.TXT");
  cs.vat_13_5 = s.FileX("VAT_13_5.TXT");
  cs.norwegia = s.FileX("NORWEGIA.TXT");
  cs.levels = s.settings().Number("J_POZIOM") > 1;
  cs.see_margin = s.op().Prawa(9);
  cs.prod_site = s.settings().Text("J_NAZWA").find("PROD") != std::string::npos;
  const std::string vat = s.settings().Text("J_VAT");
  cs.j_vat = IsBlank(vat) ? "23" : vat;
  return cs;
}

AsBuffer AsZer(const CardSettings& cs) {
  AsBuffer b;
  b.p.podatek0 = PadL(AllTrim(cs.j_vat), cs.vat_13_5 ? 4 : 2);
  return b;
}

AsBuffer AsRead(const xbase::WorkArea& a, const CardSettings& cs) {
  AsBuffer b = AsZer(cs);
  for (const TextField& f : kTextFields) {
    std::string& v = b.*(f.member);
    const size_t width = WidthOf(a, f.name, v.size());
    v = HasField(a, f.name) ? PadR(FieldText(a, f.name), width) : std::string(width, ' ');
  }
  for (const PriceField& f : kPriceFields) b.p.*(f.member) = FieldNumber(a, f.name);
  b.p.podatek0 = FieldText(a, "PODATEK0");
  if (b.p.podatek0.empty()) b.p.podatek0 = AsZer(cs).p.podatek0;
  b.upust0 = FieldNumber(a, "UPUST0");
  b.ilosc = FieldNumber(a, "ILOSC");
  b.data_ini = FieldDate(a, "DATA_INI");
  b.stock = {FieldNumber(a, "B_BO_I"), FieldNumber(a, "B_P_I"), FieldNumber(a, "B_R_I"), b.ilosc};
  ShowVat(b.p);
  b.p.marza = Margin(b.p.cena, Mojmax(b.p.cena0, b.p.cena_pz, cs.cost));
  return b;
}

bool OwnWarehouse(session::Session& s, const std::string& mag) {
  const std::string mine = AllTrim(VarText(s, "M_NR_MAG"));
  if (mine.empty()) return true;
  return !mag.empty() && mine.find(mag[0]) != std::string::npos;
}

bool AsRep(session::Session& s, xbase::WorkArea& a, const AsBuffer& buf, const AsBuffer* before) {
  if (!OwnWarehouse(s, buf.mag)) {
    Warning(s, "To nie jest twoj magazyn", 3);
    return false;
  }
  const bool new_card = before == nullptr;
  if (!new_card && !LockForChange(s, a, 30, kNotSaved)) return false;

  std::vector<std::pair<std::string_view, xbase::Value>> changes;
  for (const TextField& f : kTextFields) {
    if (!HasField(a, f.name)) continue;
    const std::string& v = buf.*(f.member);
    if (new_card || v != before->*(f.member)) changes.emplace_back(f.name, xbase::Value(v));
  }
  for (const PriceField& f : kPriceFields) {
    if (!HasField(a, f.name)) continue;
    const double v = buf.p.*(f.member);
    if (new_card || !SameAmount(v, before->p.*(f.member), 6)) changes.emplace_back(f.name, xbase::Value(v));
  }
  if (new_card || buf.p.podatek0 != before->p.podatek0) changes.emplace_back("PODATEK0", xbase::Value(buf.p.podatek0));
  if (HasField(a, "UPUST0") && (new_card || !SameAmount(buf.upust0, before->upust0, 2))) {
    changes.emplace_back("UPUST0", xbase::Value(buf.upust0));
  }
  if (new_card) {
    // The stock of a card changes only by documents; a new card starts empty.
    changes.emplace_back("ILOSC", xbase::Value(0.0));
    changes.emplace_back("DATA_INI", xbase::Value(xbase::Date{s.Today()}));
  }

  Status st = Status::Ok();
  for (const auto& [name, value] : changes) {
    st = a.Replace(name, value);
    if (!st.ok()) break;
  }
  if (st.ok()) st = a.Flush();
  if (!st.ok()) {
    // Nothing half-written: the fields replaced before the refusal are given up too.
    a.DiscardChanges();
    (void)a.Unlock();
    Warning(s, std::string("Błąd zapisu - "_pl) + std::string(kNotSaved), 3);
    return false;
  }
  (void)a.Unlock();
  return true;
}

// ---- The form --------------------------------------------------------------------------

CardForm::CardForm(session::Session& s, AsBuffer& buf, const CardSettings& cs, bool has_nazwa1)
    : s_(s), con_(s.con()), b_(buf), cs_(cs), has_nazwa1_(has_nazwa1) {}

void CardForm::Labels() {
  con_.Say(kKeyRow, 0, "Magazyn           :");
  con_.Say(kKeyRow, 33, "Indeks :");
  con_.Say(1, 0, "Nazwa             :");
  con_.Say(3, 0, "Jednostka miary");
  con_.Say(3, 20, "PKWiU:");
  con_.Say(3, 38, "VAT :");
  con_.Say(4, 0, "Cena ewidencyjna  :");
  con_.Say(4, 33, "Gr");
  con_.Say(4, 44, "/");
  con_.Say(4, 54, "GTU");
  con_.Say(5, 0, "Cena zakupu (PZ)  :");
  if (cs_.see_margin) con_.Say(5, 36, "Marza % ");
  con_.Say(7, 0, "Dostawca          :");
  con_.Say(9, 0, "Marża"_pl);
  con_.Say(9, 5, "     Netto");
  con_.Say(9, 21, "       VAT");
  con_.Say(9, 38, "    Brutto");
}

void CardForm::ShowComputed() {
  if (cs_.see_margin) {
    con_.Say(5, 45, TransformNumber(b_.p.marza, "999.9"));
    con_.Say(kPriceRow, 0, MarginRowText(b_.p.marza));
  }
  con_.Say(kPriceRow, 21, TransformNumber(b_.p.vat, "9999999.99"));
  if (cs_.levels) con_.Say(kPriceRow + 1, 21, TransformNumber(b_.p.vatm, "9999999.99"));
}

void CardForm::Show() {
  con_.ClearRegion(0, 0, 13, 79);
  Labels();
  con_.Say(kKeyRow, 20, b_.mag);
  con_.Say(kKeyRow, 42, b_.indeks);
  con_.Say(1, 20, b_.nazwa);
  if (has_nazwa1_) con_.Say(2, 20, b_.nazwa1);
  con_.Say(3, 16, b_.jm);
  con_.Say(3, 27, b_.pkwiu);
  con_.Say(3, 44, b_.p.podatek0);
  con_.Say(4, 20, TransformNumber(b_.p.cena0, "99999999.99"));
  con_.Say(4, 36, b_.t_w_o_k);
  con_.Say(4, 45, b_.podgrupa);
  con_.Say(4, 58, b_.gr_tow);
  con_.Say(5, 20, TransformNumber(b_.p.cena_pz, "99999999.9999"));
  con_.Say(7, 20, b_.odb);
  con_.Say(kPriceRow, 5, TransformNumber(b_.p.cena, "9999999.99"));
  con_.Say(kPriceRow, 38, TransformNumber(b_.p.cena2, "9999999.99"));
  if (cs_.levels) {
    con_.Say(kPriceRow + 1, 5, TransformNumber(b_.p.cenam, "9999999.99"));
    con_.Say(kPriceRow + 1, 38, TransformNumber(b_.p.cena2m, "9999999.99"));
  }
  ShowComputed();
  con_.Say(12, 0, "Stan:" + TransformNumber(b_.ilosc, "999999999.999") + "  BO:" +
                      TransformNumber(b_.stock.b_bo_i, "99999999.999") + "  Przych.:" +
                      TransformNumber(b_.stock.b_p_i, "99999999.999") + "  Rozch.:" +
                      TransformNumber(b_.stock.b_r_i, "99999999.999"));
}

void CardForm::AddKeyGets(console::Form& f, std::function<bool()> when, bool new_card) {
  console::GetField& mag = f.GetText(kKeyRow, 20, b_.mag, "!").When(when);
  if (new_card) mag.Valid([this] { return b_.mag != " " && b_.mag != "0"; });
  f.GetText(kKeyRow, 42, b_.indeks, "!!!!!!!!").When(when);
}

void CardForm::AddRestGets(console::Form& f, std::function<bool()> when) {
  const std::string name_picture =
      s_.settings().Text("J_NAZWA").find("EXPORT") != std::string::npos ? "" : "@!";
  f.GetText(1, 20, b_.nazwa, name_picture).When(when);
  if (has_nazwa1_) f.GetText(2, 20, b_.nazwa1, name_picture).When(when);
  f.GetText(3, 16, b_.jm, "!!!").When(when);
  f.GetText(3, 27, b_.pkwiu).When(when);
  f.GetText(3, 44, b_.p.podatek0)
      .When([this, when] {
        previous_rate_ = b_.p.podatek0;
        return when();
      })
      .Valid([this] {
        if (!VPodatek0(b_.p, b_.p.podatek0, previous_rate_, cs_.vat_13_5, cs_.norwegia, cs_.cost)) return false;
        ShowComputed();
        return true;
      });
  f.GetNumber(4, 20, b_.p.cena0, "99999999.99").When(when).Valid([this] {
    VCenaPz(b_.p, cs_.cost);
    ShowComputed();
    return true;
  });
  f.GetText(4, 36, b_.t_w_o_k, "@!").When(when);
  f.GetText(4, 45, b_.podgrupa, "@!").When(when);
  f.GetText(4, 58, b_.gr_tow, "@!").When(when);
  f.GetNumber(5, 20, b_.p.cena_pz, "99999999.9999").When(when).Valid([this] {
    VCenaPz(b_.p, cs_.cost);
    ShowComputed();
    return true;
  });
  if (cs_.see_margin) {
    f.GetNumber(5, 45, b_.p.marza, "999.9")
        .When([this, when] {
          previous_margin_ = b_.p.marza;
          return when();
        })
        .Valid([this] {
          VMarza(b_.p, previous_margin_, cs_.cost);
          ShowComputed();
          return true;
        });
  }
  f.GetText(7, 20, b_.odb, "@!").When(when);
  f.GetNumber(kPriceRow, 5, b_.p.cena, "9999999.99").When(when).Valid([this] {
    VCena(b_.p, cs_.cost);
    ShowComputed();
    return true;
  });
  f.GetNumber(kPriceRow, 38, b_.p.cena2, "9999999.99").When(when).Valid([this] {
    VCena2(b_.p, cs_.cost);
    ShowComputed();
    return true;
  });
  if (cs_.levels) {
    f.GetNumber(kPriceRow + 1, 5, b_.p.cenam, "9999999.99").When(when).Valid([this] {
      const double rate = RateOf(b_.p.podatek0);
      b_.p.vatm = NewRound(b_.p.cenam * rate / 100, 2);
      b_.p.cena2m = NewRound(b_.p.cenam + b_.p.vatm, 2);
      ShowComputed();
      return true;
    });
    f.GetNumber(kPriceRow + 1, 38, b_.p.cena2m, "9999999.99").When(when).Valid([this] {
      const double rate = RateOf(b_.p.podatek0);
      b_.p.cenam = NewRound(b_.p.cena2m / (rate / 100 + 1), 2);
      b_.p.vatm = NewRound(b_.p.cena2m - b_.p.cenam, 2);
      ShowComputed();
      return true;
    });
  }
}

void CardForm::AddQueryGets(console::Form& f) {
  f.GetText(kKeyRow, 20, b_.mag, "!");
  f.GetText(kKeyRow, 42, b_.indeks, "!!!!!!!!");
  f.GetText(1, 20, b_.nazwa, "@!");
  f.GetText(3, 16, b_.jm, "!!!");
  f.GetText(3, 27, b_.pkwiu);
  f.GetNumber(4, 20, b_.p.cena0, "99999999.99");
  f.GetText(4, 36, b_.t_w_o_k, "@!");
  f.GetText(4, 45, b_.podgrupa, "@!");
  f.GetText(4, 58, b_.gr_tow, "@!");
  f.GetText(7, 20, b_.odb, "@!");
}

}  // namespace hurt::catalogues
