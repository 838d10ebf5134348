#include "documents/dd_lines.h"

#include "base/numeric.h"
#include "base/text.h"
#include "documents/line_record.h"
#include "documents/line_session.h"
#include "session/area_fields.h"
#include "session/session.h"

namespace hurt::documents {

namespace {

// Runs `write` on the current record under its lock, releasing a lock it took.
template <typename F>
Status UnderLock(xbase::WorkArea& a, F&& write) {
  const bool had_lock = a.IsLocked();
  if (!had_lock) HURT_RETURN_IF_ERROR(a.LockRecord());
  Status s = write();
  if (!had_lock) {
    Status u = a.UnlockRecord(a.recno());
    if (s.ok()) s = u;
  } else if (s.ok()) {
    s = a.Flush();
  }
  return s;
}

// The record the area was on, put back when the routine ends.
class KeepPosition {
 public:
  explicit KeepPosition(xbase::WorkArea& a) : a_(a), recno_(a.recno()), eof_(a.eof()) {}
  // Putting the position back only moves the record pointer (nothing is written); a
  // failure leaves the area elsewhere, which the next positioning call sets right.
  ~KeepPosition() {
    if (eof_) {
      (void)a_.GoBottom();
      (void)a_.Skip(1);
    } else {
      (void)a_.GoTo(recno_);
    }
  }
  KeepPosition(const KeepPosition&) = delete;
  KeepPosition& operator=(const KeepPosition&) = delete;

 private:
  xbase::WorkArea& a_;
  uint32_t recno_;
  bool eof_;
};

// The live records of the table in physical order: calls f(recno) on each.
template <typename F>
Status ForEachLine(xbase::WorkArea& a, F&& f) {
  auto count = a.RecCount();
  if (!count.ok()) return count.status();
  for (uint32_t r = 1; r <= *count; ++r) {
    HURT_RETURN_IF_ERROR(a.GoTo(r));
    if (a.eof() || a.deleted()) continue;
    HURT_RETURN_IF_ERROR(f(r));
  }
  return Status::Ok();
}

bool SameMoney(double a, double b) { return FormatFixed(a, 2) == FormatFixed(b, 2); }

}  // namespace

Result<DocLine> ReadLine(const xbase::WorkArea& a) {
  if (a.eof()) return Status::Invalid(a.path() + ": no current line");
  return ReadLineRecord(a);
}

Status WriteLine(xbase::WorkArea& a, const DocLine& l) {
  if (a.eof()) return Status::Invalid(a.path() + ": no current line");
  const LineFields fields = CatalogueLineFields().Add(MoneyLineFields());
  return UnderLock(a, [&]() -> Status { return WriteLineRecord(a, l, fields); });
}

Status ReplaceDWithPOnDd(xbase::WorkArea& dd, const LineEdit& edit, const ArticleForLine& article,
                         const ReplaceContext& ctx) {
  auto line = ReadLine(dd);
  if (!line.ok()) return line.status();
  ReplaceDWithP(*line, edit, article, ctx);
  return WriteLine(dd, *line);
}

Result<JakaWartoscResult> JakaWartoscOnDd(xbase::WorkArea& dd, const JakaWartoscInput& in) {
  std::vector<DocLine> lines;
  std::vector<uint32_t> recnos;
  {
    KeepPosition keep(dd);
    const Status scanned = ForEachLine(dd, [&](uint32_t r) -> Status {
      auto l = ReadLine(dd);
      if (!l.ok()) return l.status();
      lines.push_back(std::move(*l));
      recnos.push_back(r);
      return Status::Ok();
    });
    if (!scanned.ok()) return scanned;
  }
  const std::vector<DocLine> before = lines;
  JakaWartoscResult result = JakaWartosc(lines, in);
  KeepPosition keep(dd);
  for (size_t i = 0; i < lines.size(); ++i) {
    const DocLine& a = before[i];
    const DocLine& b = lines[i];
    if (SameMoney(a.wartosc, b.wartosc) && SameMoney(a.podatek, b.podatek) && SameMoney(a.brutto, b.brutto)) continue;
    HURT_RETURN_IF_ERROR(dd.GoTo(recnos[i]));
    const Status written = UnderLock(dd, [&]() -> Status {
      return WriteLineRecord(dd, b, {LineField::kWartosc, LineField::kPodatek, LineField::kBrutto});
    });
    if (!written.ok()) return written;
  }
  return result;
}

Result<int> ChangeKindOfLines(xbase::WorkArea& dd, const LineHeader& h) {
  KeepPosition keep(dd);
  int changed = 0;
  const Status scanned = ForEachLine(dd, [&](uint32_t) -> Status {
    auto l = ReadLine(dd);
    if (!l.ok()) return l.status();
    DocLine line = *l;
    bool convert = false;
    if (h.nb == 'B' && line.nb != 'B') {
      NetToGross(line);
      convert = true;
    } else if (h.nb != 'B' && line.nb == 'B') {
      GrossToNet(line);
      convert = true;
    }
    line.nb = h.nb;
    line.rd = h.rd;
    line.nrd = h.nrd;
    line.r_p = h.r_p;
    line.s_z = h.s_z;
    line.kto = h.kto.empty() ? ' ' : h.kto[0];
    LineFields fields{LineField::kRd, LineField::kNrd, LineField::kRP, LineField::kSZ, LineField::kKto, LineField::kNb};
    if (convert) fields.Add({LineField::kCena, LineField::kWartosc, LineField::kPodatek, LineField::kBrutto});
    const Status written = UnderLock(dd, [&]() -> Status { return WriteLineRecord(dd, line, fields); });
    if (!written.ok()) return written;
    ++changed;
    return Status::Ok();
  });
  if (!scanned.ok()) return scanned;
  return changed;
}

Result<LinePayment> FirstLinePayment(xbase::WorkArea& dd) {
  LinePayment p;
  if (dd.FieldIndex("SPZ") < 0) return p;
  KeepPosition keep(dd);
  bool found = false;
  const Status scanned = ForEachLine(dd, [&](uint32_t) -> Status {
    if (found) return Status::Ok();
    std::string spz = AllTrim(session::FieldText(dd, "SPZ"));
    if (!spz.empty()) {
      p.spz = spz.substr(0, 1);
      p.tez = static_cast<int>(session::FieldNumber(dd, "TEZ"));
      found = true;
    }
    return Status::Ok();
  });
  if (!scanned.ok()) return scanned;
  return p;
}

Status StampNewLine(session::Session& session, xbase::WorkArea& dd, const DocKind& kind, std::string_view lp,
                    std::string_view mag, std::string_view indeks) {
  session::SessionVariables& v = session.vars();
  DocLine line;
  line.r_p = kind.r_p;
  line.s_z = kind.s_z;
  line.rd = PadR(v.Text("M_RD"), 3);
  line.nrd = v.Text("M_NRD");
  line.kto = kind.kto;
  line.odb = v.Text("M_ODB");
  line.spz = v.Text("M_SPZ");
  line.tez = v.Number("M_TEZ");
  line.lp = std::string(lp);
  line.mag = std::string(mag);
  line.indeks = std::string(indeks);
  LineFields fields = HeaderLineFields().Add({LineField::kLp, LineField::kMag, LineField::kIndeks});
  if (v.Has("M_DATA") && v.Get("M_DATA").IsDate()) {
    line.data = v.Get("M_DATA").AsDate().day;
  } else {
    fields.Remove(LineField::kData);
  }
  return WriteLineRecord(dd, line, fields);
}

ArticlePrices PricesOfCard(const xbase::WorkArea& as) {
  ArticlePrices p;
  if (as.eof()) return p;
  p.cena = session::FieldNumber(as, "CENA");
  p.cena2 = session::FieldNumber(as, "CENA2");
  p.cenam = session::FieldNumber(as, "CENAM");
  p.cena2m = session::FieldNumber(as, "CENA2M");
  p.cena0 = session::FieldNumber(as, "CENA0");
  p.cena_pz = session::FieldNumber(as, "CENA_PZ");
  p.cena_uz = session::FieldNumber(as, "CENA_UZ");
  if (as.FieldIndex("CENA3") >= 0) p.cena3 = session::FieldNumber(as, "CENA3");
  return p;
}

ArticleForLine ArticleOfCard(const xbase::WorkArea& as) {
  ArticleForLine a;
  if (as.eof()) return a;
  a.jm = session::FieldText(as, "JM");
  a.sww = session::FieldText(as, "SWW");
  a.pkwiu = session::FieldText(as, "PKWIU");
  a.t_w_o_k = session::FieldText(as, "T_W_O_K");
  a.kod13 = session::FieldText(as, "KOD13");
  a.producent = session::FieldText(as, "PRODUCENT");
  a.odb = session::FieldText(as, "ODB");
  a.podatek0 = session::FieldText(as, "PODATEK0");
  a.ceny = PricesOfCard(as);
  return a;
}

}  // namespace hurt::documents
