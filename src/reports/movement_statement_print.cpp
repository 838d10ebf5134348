#include "reports/movement_statement_print.h"

#include <cmath>

#include "base/numeric.h"
#include "base/picture.h"
#include "base/text.h"
#include "session/area_fields.h"
#include "session/output/report_file.h"
#include "session/session.h"
#include "xbase/work_area.h"

namespace hurt::reports {

namespace {

constexpr std::string_view kHeading =
    "M INEDKS   | NAZWA                          | JM  |     BYLO    |   PRZYJETO  |   KUPIONO   |  SPRZEDANO  |"
    "   WYDANO    |     STAN    ";
constexpr std::string_view kValueHeading =
    "M INDEKS   | NAZWA                          | JM  |     BYLO    |   PRZYJETO  |   KUPIONO   |  SPRZEDANO  |"
    "   WYDANO    |     STAN    | SPRZED.NETTO|    MARZA    ";
constexpr std::string_view kCardStockPicture = "9 999 999 999.999";
constexpr size_t kCell = 13;
// What comes before the first number column: "M INDEKS   | NAZWA ... | JM  ".
constexpr size_t kLeftPart = 50;

// The landscape, 10-point condensed setup of a page printer.
constexpr std::string_view kPagePrinterSetup = "\x1b&l1O\x1b(s0P\x1b(s16.67H\x1b(s10V";

// One row of the work table, as the printouts read it.
struct Row {
  std::string mag, indeks, nazwa, jm;
  double bo_i = 0, bo_w = 0, pd_i = 0, pd_w = 0, pz_i = 0, pz_w = 0, rs_i = 0, rs_w = 0, rs_n = 0, rd_i = 0,
         rd_w = 0, sk_i = 0, rr_i = 0;
  double StockI() const { return NewRound(bo_i + pd_i + pz_i - rs_i - rd_i, 3); }
  double StockW() const { return NewRound(bo_w + pd_w + pz_w - rs_w - rd_w, 2); }
  double Margin() const { return NewRound(rs_n - rs_w, 2); }
  void Add(const Row& r) {
    bo_i += r.bo_i, bo_w += r.bo_w, pd_i += r.pd_i, pd_w += r.pd_w, pz_i += r.pz_i, pz_w += r.pz_w;
    rs_i += r.rs_i, rs_w += r.rs_w, rs_n += r.rs_n, rd_i += r.rd_i, rd_w += r.rd_w, sk_i += r.sk_i, rr_i += r.rr_i;
  }
};

class RowReader {
 public:
  explicit RowReader(const xbase::WorkArea& a)
      : mag_(a.FieldIndex("MAG")), indeks_(a.FieldIndex("INDEKS")), nazwa_(a.FieldIndex("NAZWA")),
        jm_(a.FieldIndex("JM")), bo_i_(a.FieldIndex("D_BO_I")), bo_w_(a.FieldIndex("D_BO_W")),
        pd_i_(a.FieldIndex("D_PD_I")), pd_w_(a.FieldIndex("D_PD_W")), pz_i_(a.FieldIndex("D_PZ_I")),
        pz_w_(a.FieldIndex("D_PZ_W")), rs_i_(a.FieldIndex("D_RS_I")), rs_w_(a.FieldIndex("D_RS_W")),
        rs_n_(a.FieldIndex("D_RS_N")), rd_i_(a.FieldIndex("D_RD_I")), rd_w_(a.FieldIndex("D_RD_W")),
        sk_i_(a.FieldIndex("D_SK_I")), rr_i_(a.FieldIndex("D_RR_I")) {}
  Row Read(const xbase::WorkArea& a) const {
    Row r;
    r.mag = a.FieldBytes(mag_);
    r.indeks = a.FieldBytes(indeks_);
    r.nazwa = a.FieldBytes(nazwa_);
    r.jm = a.FieldBytes(jm_);
    r.bo_i = Val(a.FieldBytes(bo_i_)), r.bo_w = Val(a.FieldBytes(bo_w_));
    r.pd_i = Val(a.FieldBytes(pd_i_)), r.pd_w = Val(a.FieldBytes(pd_w_));
    r.pz_i = Val(a.FieldBytes(pz_i_)), r.pz_w = Val(a.FieldBytes(pz_w_));
    r.rs_i = Val(a.FieldBytes(rs_i_)), r.rs_w = Val(a.FieldBytes(rs_w_)), r.rs_n = Val(a.FieldBytes(rs_n_));
    r.rd_i = Val(a.FieldBytes(rd_i_)), r.rd_w = Val(a.FieldBytes(rd_w_));
    r.sk_i = Val(a.FieldBytes(sk_i_)), r.rr_i = Val(a.FieldBytes(rr_i_));
    return r;
  }

 private:
  int mag_, indeks_, nazwa_, jm_, bo_i_, bo_w_, pd_i_, pd_w_, pz_i_, pz_w_, rs_i_, rs_w_, rs_n_, rd_i_, rd_w_, sk_i_,
      rr_i_;
};

// Every row in index order.
template <typename Each>
Status ForEachRow(xbase::WorkArea& asso, Each each) {
  if (asso.order_count() >= 1) HURT_RETURN_IF_ERROR(asso.SetOrder(1));
  const RowReader reader(asso);
  for (Status st = asso.GoTop(); !asso.eof(); st = asso.Skip(1)) {
    HURT_RETURN_IF_ERROR(st);
    each(reader.Read(asso));
  }
  return asso.GoTop();
}

std::string ValueCell(double v) {
  const double r = NewRound(v, 2);
  return r == 0 ? std::string(kCell, ' ') : Str(r, static_cast<int>(kCell), 2);
}

// "M INDEKS   | NAZWA                          | JM  " of a row.
std::string LeftPart(const Row& r) {
  return PadR(r.mag + " " + r.indeks, 11) + "| " + PadR(r.nazwa, 30) + " | " + PadR(r.jm, 3) + " ";
}

std::string Period(const MovementRequest& req) {
  if (req.from == req.to) return " W DNIU " + Dtoc(req.from) + "r";
  return " W OKRESIE " + Dtoc(req.from) + "-" + Dtoc(req.to) + "r";
}

std::string Choices(const MovementRequest& req) {
  std::string line = "MAGAZYN " + req.mag;
  if (!IsBlank(req.prefix)) line += ",  INDEKS grupy " + AllTrim(req.prefix);
  if (!IsBlank(req.group)) line += ",  GRUPA " + AllTrim(req.group);
  return line;
}

void Top(session::ReportWriter& out, const MovementHeading& heading) {
  if (heading.page_printer) out.Write(kPagePrinterSetup);
  for (const std::string& l : heading.firm) out.Line(l);
  out.Line("");
}

std::string QuantityColumns(const Row& r) {
  return "|" + QuantityCell(r.bo_i) + "|" + QuantityCell(r.pd_i) + "|" + QuantityCell(r.pz_i) + "|" +
         QuantityCell(r.rs_i) + "|" + QuantityCell(r.rd_i) + "|";
}

std::string ValueColumns(const Row& r) {
  return "|" + ValueCell(r.bo_w) + "|" + ValueCell(r.pd_w) + "|" + ValueCell(r.pz_w) + "|" + ValueCell(r.rs_w) + "|" +
         ValueCell(r.rd_w) + "|" + ValueCell(r.StockW()) + "|" + ValueCell(r.rs_n) + "|" + ValueCell(r.Margin());
}

}  // namespace

std::string QuantityCell(double q) {
  const double r = NewRound(q, 3);
  if (r == 0) return std::string(kCell, ' ');
  if (r == std::floor(r)) return Str(r, static_cast<int>(kCell) - 4, 0) + "    ";
  return Str(r, static_cast<int>(kCell), 3);
}

MovementHeading MovementHeadingOf(session::Session& s) {
  MovementHeading h;
  xbase::WorkArea* firma = s.areas().Area(1);
  if (firma != nullptr && firma->GoTop().ok() && !firma->eof()) {
    auto text = [&](const char* f) { return AllTrim(session::FieldText(*firma, f)); };
    h.firm.push_back(text("NODB"));
    const std::string place = AllTrim(text("KODB") + " " + text("MODB"));
    const std::string street = text("UODB");
    if (!place.empty() || !street.empty()) h.firm.push_back(AllTrim(place + " " + street));
    for (const char* f : {"NODB1", "NODB2"}) {
      if (!text(f).empty()) h.firm.push_back(text(f));
    }
  }
  h.page_printer = s.vars().Text("M_DRUKARKA").find("PACKARD") != std::string::npos;
  return h;
}

Status PrintMovementStatement(session::ReportWriter& out, xbase::WorkArea& asso, const MovementRequest& req,
                              const MovementHeading& heading, bool card_stock) {
  Top(out, heading);
  out.Line("RUCH NA MAGAZYNIE" + Period(req));
  if (!IsBlank(req.prefix) || !IsBlank(req.group)) out.Line(Choices(req));
  const std::string rule(kHeading.size(), '=');
  out.Line(rule);
  out.Line(kHeading);
  out.Line(rule);
  Row total;
  auto stock = [&](const Row& r) {
    if (!card_stock) return QuantityCell(r.StockI());
    return TransformNumber(NewRound(r.sk_i, 3), kCardStockPicture) + (NewRound(r.rr_i, 3) != 0 ? "?" : " ");
  };
  HURT_RETURN_IF_ERROR(ForEachRow(asso, [&](const Row& r) {
    out.Line(RTrim(LeftPart(r) + QuantityColumns(r) + stock(r)));
    total.Add(r);
  }));
  out.Line(rule);
  const std::string total_stock =
      card_stock ? TransformNumber(NewRound(total.sk_i, 3), kCardStockPicture) : QuantityCell(total.StockI());
  out.Line(RTrim(PadR("  RAZEM", kLeftPart) + QuantityColumns(total) + total_stock));
  return Status::Ok();
}

Status PrintMovementDetail(session::ReportWriter& out, xbase::WorkArea& asso, const MovementRequest& req,
                           const MovementHeading& heading, DetailChoice choice) {
  Top(out, heading);
  out.Line("SZCZEGOLOWY RAPORT RUCHU TOWARU" + Period(req));
  out.Line(Choices(req));
  if (choice != DetailChoice::kQuantity) {
    out.Line("Wartosci w cenach ewidencyjnych, sprzedaz takze netto i marza (netto - wartosc ewidencyjna)");
  }
  const std::string_view heading_text = choice == DetailChoice::kQuantity ? kHeading : kValueHeading;
  const std::string rule(heading_text.size(), '=');
  out.Line(rule);
  out.Line(heading_text);
  out.Line(rule);
  Row total;
  auto quantities = [](const Row& r) { return QuantityColumns(r) + QuantityCell(r.StockI()); };
  HURT_RETURN_IF_ERROR(ForEachRow(asso, [&](const Row& r) {
    switch (choice) {
      case DetailChoice::kQuantity:
        out.Line(RTrim(LeftPart(r) + quantities(r)));
        break;
      case DetailChoice::kValue:
        out.Line(RTrim(LeftPart(r) + ValueColumns(r)));
        break;
      case DetailChoice::kBoth:
        out.Line(RTrim(LeftPart(r) + quantities(r)));
        out.Line(RTrim(PadL("wartosc ", kLeftPart) + ValueColumns(r)));
        break;
    }
    total.Add(r);
  }));
  out.Line(rule);
  if (choice != DetailChoice::kValue) out.Line(RTrim(PadR("  RAZEM", kLeftPart) + quantities(total)));
  if (choice != DetailChoice::kQuantity) {
    out.Line(RTrim(PadR(choice == DetailChoice::kBoth ? "  RAZEM wartosc" : "  RAZEM", kLeftPart) +
                   ValueColumns(total)));
  }
  return Status::Ok();
}

}  // namespace hurt::reports
