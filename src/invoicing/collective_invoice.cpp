#include "invoicing/collective_invoice.h"

#include <map>

#include "base/numeric.h"
#include "base/text.h"
#include "console/message_window.h"
#include "invoicing/collective_description.h"
#include "invoicing/invoice_tables.h"
#include "session/session.h"
#include "session/viewer.h"

namespace hurt::invoicing {

namespace {

constexpr char kMarked = '\xFB';

bool IsMarked(std::string_view zap) { return !zap.empty() && (zap[0] == 'X' || zap[0] == kMarked); }

bool HasFields(const xbase::WorkArea& a, std::initializer_list<std::string_view> names) {
  for (std::string_view n : names) {
    if (a.FieldIndex(n) < 0) return false;
  }
  return true;
}

}  // namespace

std::vector<InvoiceLine> MergeCollectiveLines(const std::vector<SourceLine>& lines) {
  std::vector<InvoiceLine> out;
  std::map<std::string, size_t> by_article;
  for (const SourceLine& s : lines) {
    InvoiceLine l = s.line;
    // A gross line holds its gross value in WARTOSC: the net part is value less VAT.
    double netto = s.nb == 'B' ? NewRound(l.wartosc - l.podatek, 2) : NewRound(l.ilosc * l.cena, 2);
    const std::string key = PadR(l.mag, 1) + PadR(l.indeks, 8);
    auto at = by_article.find(key);
    if (at == by_article.end()) {
      l.wartosc = netto;
      l.brutto = NewRound(netto + l.podatek, 2);
      by_article.emplace(key, out.size());
      out.push_back(std::move(l));
    } else {
      InvoiceLine& m = out[at->second];
      m.ilosc += l.ilosc;
      m.podatek = NewRound(m.podatek + l.podatek, 2);
      m.wartosc = NewRound(m.wartosc + netto, 2);
      m.brutto = NewRound(m.wartosc + m.podatek, 2);
    }
  }
  for (size_t i = 0; i < out.size(); ++i) {
    InvoiceLine& l = out[i];
    l.lp = PadL(std::to_string(i + 1), 3);
    l.cena = SameAmount(l.ilosc, 0, 3) ? 0 : l.wartosc / l.ilosc;
    l.upust0 = 0;
  }
  return out;
}

Result<InvoiceData> CollectiveInvoiceData(session::Session& session, bool from_report_browser) {
  xbase::WorkArea* dowod = SessionAreaOf(session, store::TableId::kDowod);
  xbase::WorkArea* dow = SessionAreaOf(session, store::TableId::kDow);
  xbase::WorkArea* slow = SessionAreaOf(session, store::TableId::kSlow);
  if (dowod == nullptr || dow == nullptr || slow == nullptr) return Status::NotFound("Plik dowod niedostepny");
  AreaPosition keep_dowod(dowod);
  AreaPosition keep_dow(dow);
  AreaPosition keep_slow(slow);

  InvoiceData data;
  std::vector<CollectiveSource> sources;
  std::vector<SourceLine> lines;
  bool first = true;
  char first_kto = 'O';
  HURT_RETURN_IF_ERROR(dow->SetOrder(1));
  HURT_RETURN_IF_ERROR(dowod->GoTop());
  while (!dowod->eof()) {
    if (IsMarked(FieldText(*dowod, "ZAP")) && !XbaseEquals(FieldText(*dowod, "MAG"), "0")) {
      InvoiceHeader h = HeaderFromRecord(*dowod);
      CollectiveSource src;
      src.rd = h.rd;
      src.nrd = h.nrd;
      src.data = h.data;
      src.odb = h.odb;
      src.from_report_browser = from_report_browser;
      if (HasFields(*dowod, {"NETTO", "VAT", "SPZ", "TEZ"})) {
        src.brutto = FieldNumber(*dowod, "NETTO") + FieldNumber(*dowod, "VAT");
        src.spz = h.spz;
        src.tez = h.tez;
      }
      if (HasFields(*dowod, {"OBWN", "OBMA"})) src.saldo = FieldNumber(*dowod, "OBWN") - FieldNumber(*dowod, "OBMA");
      sources.push_back(src);

      char kind_nb = 'N';
      {
        auto kind = ReadKind(*slow, h.rd);
        if (kind.ok()) {
          kind_nb = kind->nb;
          if (first) data.kind = *kind;
        }
      }
      if (first) {
        first = false;
        data.header = h;
        std::string kto = FieldText(*dowod, "KTO");
        first_kto = kto.empty() ? 'O' : kto[0];
      }
      const std::string key = h.rd + h.nrd;
      auto found = dow->Seek(xbase::Value(key));
      if (!found.ok()) return found.status();
      while (*found && !dow->eof() &&
             PadR(FieldText(*dow, "RD"), 3) + PadL(AllTrim(FieldText(*dow, "NRD")), 8) == key) {
        std::string nb = FieldText(*dow, "NB");
        lines.push_back({LineFromRecord(*dow), IsBlank(nb) ? kind_nb : nb[0]});
        HURT_RETURN_IF_ERROR(dow->Skip(1));
      }
    }
    HURT_RETURN_IF_ERROR(dowod->Skip(1));
  }
  if (sources.empty()) return Status::NotFound("Nic nie zaznaczono");

  data.header.opis = CollectiveDescription(sources);
  data.lines = MergeCollectiveLines(lines);
  data.seller = ReadSeller(session);
  data.buyer = ReadBuyer(session, first_kto, data.header.odb);
  data.settings = PrintSettingsFor(session, data.kind, data.header);
  data.settings.cancelled = false;  // a marker of one document does not cancel the set
  data.settings.j_oryginal = 'N';   // not an original of any one invoice
  return data;
}

bool FakturaZbiorczo(session::Session& session, bool from_report_browser) {
  return FakturaZbiorczo(session, from_report_browser, session::ViewerSetup::FromProcess());
}

bool FakturaZbiorczo(session::Session& session, bool from_report_browser, const session::ViewerSetup& setup) {
  auto data = CollectiveInvoiceData(session, from_report_browser);
  if (!data.ok()) {
    console::Okno_(session.con(), data.status().message(), 3);
    return false;
  }
  const std::string text = FvFaktura("FV", 'N', *data).text;
  session::ViewDruk(session, [&text](session::ReportWriter& out) { out.Write(text); }, {}, setup);
  return true;
}

}  // namespace hurt::invoicing
