#include "documents/line_record.h"

#include <array>
#include <string>

#include "session/area_fields.h"
#include "store/schema.h"

namespace hurt::documents {

namespace {

using session::FieldDate;
using session::FieldNumber;
using session::FieldText;

constexpr std::array<std::string_view, static_cast<size_t>(LineField::kCount)> kNames = {
    "R_P",   "S_Z",   "RD",      "NRD",       "DATA", "KTO",    "ODB",      "SPZ",     "TEZ",     "LP",    "MAG",
    "INDEKS", "NAZWA", "NAZWA1", "UWAGI",     "JM",   "SWW",    "PKWIU",    "T_W_O_K", "KOD13",   "PRODUCENT",
    "DOST",  "NB",    "ILOSC",   "CENA",      "CENA0", "UPUST0", "PODATEK0", "PODATEK", "WARTOSC", "BRUTTO",
    "CENA_N", "CENA_B"};

bool IsModelField(std::string_view name) {
  for (std::string_view n : kNames) {
    if (n == name) return true;
  }
  return false;
}

char FirstChar(const std::string& s) { return s.empty() ? ' ' : s[0]; }
xbase::Value Char(char c) { return xbase::Value(std::string(1, c)); }

xbase::Value ValueOf(const DocLine& l, LineField f) {
  switch (f) {
    case LineField::kRP: return Char(l.r_p);
    case LineField::kSZ: return Char(l.s_z);
    case LineField::kRd: return xbase::Value(l.rd);
    case LineField::kNrd: return xbase::Value(l.nrd);
    case LineField::kData: return xbase::Value(xbase::Date{l.data});
    case LineField::kKto: return Char(l.kto);
    case LineField::kOdb: return xbase::Value(l.odb);
    case LineField::kSpz: return xbase::Value(l.spz);
    case LineField::kTez: return xbase::Value(l.tez);
    case LineField::kLp: return xbase::Value(l.lp);
    case LineField::kMag: return xbase::Value(l.mag);
    case LineField::kIndeks: return xbase::Value(l.indeks);
    case LineField::kNazwa: return xbase::Value(l.nazwa);
    case LineField::kNazwa1: return xbase::Value(l.nazwa1);
    case LineField::kUwagi: return xbase::Value(l.uwagi);
    case LineField::kJm: return xbase::Value(l.jm);
    case LineField::kSww: return xbase::Value(l.sww);
    case LineField::kPkwiu: return xbase::Value(l.pkwiu);
    case LineField::kTWOK: return xbase::Value(l.t_w_o_k);
    case LineField::kKod13: return xbase::Value(l.kod13);
    case LineField::kProducent: return xbase::Value(l.producent);
    case LineField::kDost: return xbase::Value(l.dost);
    case LineField::kNb: return Char(l.nb);
    case LineField::kIlosc: return xbase::Value(l.ilosc);
    case LineField::kCena: return xbase::Value(l.cena);
    case LineField::kCena0: return xbase::Value(l.cena0);
    case LineField::kUpust0: return xbase::Value(l.upust0);
    case LineField::kPodatek0: return xbase::Value(l.podatek0);
    case LineField::kPodatek: return xbase::Value(l.podatek);
    case LineField::kWartosc: return xbase::Value(l.wartosc);
    case LineField::kBrutto: return xbase::Value(l.brutto);
    case LineField::kCenaN: return xbase::Value(l.cena_n);
    case LineField::kCenaB: return xbase::Value(l.cena_b);
    case LineField::kCount: break;
  }
  return xbase::Value();
}

// A field the table lacks may be left out only when the catalogue makes it optional there.
Status MissingField(const xbase::WorkArea& a, std::string_view name) {
  if (const store::TableDef* table = store::FindByAlias(a.alias()); table != nullptr) {
    for (const store::FieldDef& f : table->fields) {
      if (f.name == name && !f.condition.Always()) return Status::Ok();
    }
  }
  return Status::Invalid(a.path() + ": brak pola " + std::string(name));
}

Status Put(xbase::WorkArea& a, std::string_view name, const xbase::Value& value) {
  if (a.FieldIndex(name) < 0) return MissingField(a, name);
  return a.Replace(name, value);
}

}  // namespace

std::string_view LineFieldName(LineField field) { return kNames[static_cast<size_t>(field)]; }

LineFields AllLineFields() {
  LineFields all;
  for (int i = 0; i < static_cast<int>(LineField::kCount); ++i) all.Add(static_cast<LineField>(i));
  return all;
}

LineFields HeaderLineFields() {
  return {LineField::kRP,  LineField::kSZ,  LineField::kRd,  LineField::kNrd, LineField::kData,
          LineField::kKto, LineField::kOdb, LineField::kSpz, LineField::kTez};
}

LineFields CatalogueLineFields() {
  return {LineField::kJm,    LineField::kSww,       LineField::kPkwiu, LineField::kTWOK,
          LineField::kKod13, LineField::kProducent, LineField::kDost};
}

LineFields MoneyLineFields() {
  return {LineField::kNb,       LineField::kIlosc,   LineField::kCena,    LineField::kCena0,
          LineField::kUpust0,   LineField::kPodatek0, LineField::kPodatek, LineField::kWartosc,
          LineField::kBrutto,   LineField::kCenaN,   LineField::kCenaB};
}

DocLine ReadLineRecord(const xbase::WorkArea& a) {
  DocLine l;
  l.r_p = FirstChar(FieldText(a, "R_P"));
  l.s_z = FirstChar(FieldText(a, "S_Z"));
  l.rd = FieldText(a, "RD");
  l.nrd = FieldText(a, "NRD");
  l.data = FieldDate(a, "DATA");
  l.kto = FirstChar(FieldText(a, "KTO"));
  l.odb = FieldText(a, "ODB");
  l.spz = FieldText(a, "SPZ");
  l.tez = FieldNumber(a, "TEZ");
  l.lp = FieldText(a, "LP");
  l.mag = FieldText(a, "MAG");
  l.indeks = FieldText(a, "INDEKS");
  l.nazwa = FieldText(a, "NAZWA");
  l.nazwa1 = FieldText(a, "NAZWA1");
  l.uwagi = FieldText(a, "UWAGI");
  l.jm = FieldText(a, "JM");
  l.sww = FieldText(a, "SWW");
  l.pkwiu = FieldText(a, "PKWIU");
  l.t_w_o_k = FieldText(a, "T_W_O_K");
  l.kod13 = FieldText(a, "KOD13");
  l.producent = FieldText(a, "PRODUCENT");
  l.dost = FieldText(a, "DOST");
  l.nb = FirstChar(FieldText(a, "NB"));
  l.ilosc = FieldNumber(a, "ILOSC");
  l.cena = FieldNumber(a, "CENA");
  l.cena0 = FieldNumber(a, "CENA0");
  l.upust0 = FieldNumber(a, "UPUST0");
  l.podatek0 = FieldText(a, "PODATEK0");
  l.podatek = FieldNumber(a, "PODATEK");
  l.wartosc = FieldNumber(a, "WARTOSC");
  l.brutto = FieldNumber(a, "BRUTTO");
  l.cena_n = FieldNumber(a, "CENA_N");
  l.cena_b = FieldNumber(a, "CENA_B");
  l.waga = FieldNumber(a, "WAGA");
  return l;
}

DocLine ReadWholeLineRecord(const xbase::WorkArea& a) {
  DocLine l = ReadLineRecord(a);
  for (int i = 0; i < a.field_count(); ++i) {
    const xbase::DbfFieldDescriptor& d = a.field(i);
    if (d.type == 'M' || IsModelField(d.name)) continue;
    auto v = a.Get(i);
    if (v.ok()) l.extra.emplace_back(d.name, std::move(*v));
  }
  return l;
}

DocLine UnderHeader(DocLine line, const DocKind& kind, std::string_view rd, std::string_view nrd, JulianDay data,
                    std::string_view odb) {
  line.r_p = kind.r_p;
  line.s_z = kind.s_z;
  line.rd = std::string(rd);
  line.nrd = std::string(nrd);
  line.data = data;
  line.kto = kind.kto;
  line.odb = std::string(odb);
  return line;
}

const xbase::Value& ExtraValue(const DocLine& line, std::string_view name) {
  static const xbase::Value kNil;
  for (const auto& [n, v] : line.extra) {
    if (n == name) return v;
  }
  return kNil;
}

std::string ExtraText(const DocLine& line, std::string_view name) {
  const xbase::Value& v = ExtraValue(line, name);
  return v.IsString() ? v.AsString() : std::string();
}

Result<std::vector<DocLine>> ReadWholeLineRecords(xbase::WorkArea& a) {
  std::vector<DocLine> lines;
  const uint32_t saved = a.recno();
  HURT_RETURN_IF_ERROR(a.GoTop());
  while (!a.eof()) {
    lines.push_back(ReadWholeLineRecord(a));
    HURT_RETURN_IF_ERROR(a.Skip());
  }
  // Only the position is restored; the lines are read whether or not it can be.
  (void)a.GoTo(saved);
  return lines;
}

std::vector<std::pair<std::string, xbase::Value>> LineRecordValues(const DocLine& line, const LineFields& fields) {
  std::vector<std::pair<std::string, xbase::Value>> out;
  for (int i = 0; i < static_cast<int>(LineField::kCount); ++i) {
    const auto f = static_cast<LineField>(i);
    if (fields.Has(f)) out.emplace_back(std::string(LineFieldName(f)), ValueOf(line, f));
  }
  for (const auto& [name, value] : line.extra) out.emplace_back(name, value);
  return out;
}

Status WriteLineRecord(xbase::WorkArea& a, const DocLine& line, const LineFields& fields) {
  if (a.eof()) return Status::Invalid(a.path() + ": no current line");
  for (const auto& [name, value] : LineRecordValues(line, fields)) HURT_RETURN_IF_ERROR(Put(a, name, value));
  return Status::Ok();
}

Status AppendLineRecord(xbase::WorkArea& a, const DocLine& line, const LineFields& fields) {
  HURT_RETURN_IF_ERROR(a.Append());
  return WriteLineRecord(a, line, fields);
}

}  // namespace hurt::documents
