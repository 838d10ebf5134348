#include "documents/posting_internal.h"

#include <algorithm>

#include "base/numeric.h"
#include "base/text.h"
#include "console/message_window.h"
#include "documents/line_record.h"
#include "session/session.h"

namespace hurt::documents::posting_internal {

const xbase::Value& RecordFields::Get(std::string_view name) const {
  static const xbase::Value kNil;
  for (const auto& [n, v] : fields) {
    if (n == name) return v;
  }
  return kNil;
}

void RecordFields::Set(std::string_view name, xbase::Value v) {
  for (auto& [n, value] : fields) {
    if (n == name) {
      value = std::move(v);
      return;
    }
  }
  fields.emplace_back(std::string(name), std::move(v));
}

std::string RecordFields::Text(std::string_view name) const {
  const xbase::Value& v = Get(name);
  return v.IsString() ? v.AsString() : std::string();
}

double RecordFields::Number(std::string_view name) const { return Get(name).AsNumber(); }

xbase::WorkArea* AreaOf(session::Session& s, store::TableId id) {
  return s.areas().Area(store::Table(id).area);
}

std::vector<uint32_t> RecordsOf(xbase::WorkArea& a, const std::string& rd, const std::string& nrd) {
  std::vector<uint32_t> out;
  if (a.order() != 1 && !a.SetOrder(1).ok()) return out;
  auto found = a.SeekKey(rd + nrd);
  if (!found.ok() || !*found) return out;
  while (!a.eof() && PadR(FieldText(a, "RD"), 3) == rd && PadL(AllTrim(FieldText(a, "NRD")), 8) == nrd) {
    out.push_back(a.recno());
    if (!a.Skip().ok()) break;
  }
  return out;
}

Result<KindRecord> ReadKind(session::Session& s, std::string_view rd) {
  xbase::WorkArea* slow = AreaOf(s, store::TableId::kSlow);
  if (slow == nullptr) return Status::NotFound("slow is not open");
  if (slow->order() != 1) HURT_RETURN_IF_ERROR(slow->SetOrder(1));
  auto found = slow->Seek(xbase::Value(PadR(rd, 3)));
  HURT_RETURN_IF_ERROR(found.status());
  if (!*found) return Status::NotFound("kind " + std::string(rd));
  KindRecord k;
  k.recno = slow->recno();
  k.kind.rd = PadR(FieldText(*slow, "RD"), 3);
  k.kind.opis = FieldText(*slow, "OPIS");
  auto letter = [&](std::string_view f, char def) {
    const std::string t = FieldText(*slow, f);
    return t.empty() || t[0] == ' ' ? def : t[0];
  };
  k.kind.r_p = letter("R_P", 'R');
  k.kind.s_z = letter("S_Z", 'S');
  k.kind.cuv = letter("CUV", 'U');
  k.kind.nb = letter("NB", 'N');
  k.kind.kto = letter("KTO", 'O');
  k.kind.poziom = static_cast<int>(FieldNumber(*slow, "POZIOM"));
  k.nrd = static_cast<long>(FieldNumber(*slow, "NRD"));
  return k;
}

Result<std::vector<DocLine>> ReadWorkLines(session::Session& s) {
  xbase::WorkArea* dd = AreaOf(s, store::TableId::kDd);
  if (dd == nullptr) return Status::NotFound("dd is not open");
  return ReadWholeLineRecords(*dd);
}

bool LineWantsLabel(const DocLine& line) { return SameAmount(line.upust0, 0.1, 2); }

std::vector<std::string> PriceLabels(const std::vector<LabelArticle>& articles) {
  std::vector<std::string> out;
  const std::string rule = "+" + std::string(32, '-') + "+";
  for (const LabelArticle& a : articles) {
    out.push_back(rule);
    out.push_back("| " + PadR(RTrim(a.nazwa), 30).substr(0, 30) + " |");
    out.push_back("| " + PadR("Indeks: " + RTrim(a.indeks) + "  " + RTrim(a.jm), 30) + " |");
    out.push_back("| " + PadR("Cena netto : " + FormatFixed(a.cena, 2), 30) + " |");
    out.push_back("| " + PadR("Cena brutto: " + FormatFixed(a.cena2, 2), 30) + " |");
    out.push_back(rule);
    out.push_back("");
  }
  return out;
}

std::optional<CardPayment> OtherCardPayment(std::string_view card_spz, double card_tez, std::string_view doc_spz,
                                            double doc_tez) {
  const std::string spz = RTrim(card_spz);
  if (spz.size() != 1 || std::string_view("PGTKCH").find(spz[0]) == std::string_view::npos) return std::nullopt;
  if (PadR(doc_spz, 1) == spz && static_cast<long>(doc_tez) == static_cast<long>(card_tez)) return std::nullopt;
  return CardPayment{spz, card_tez};
}

std::string PaymentQuestion(const CardPayment& p) {
  return "Zmienic sposob zaplaty na " + p.spz + AllTrim(Str(p.tez, 3, 0)) + "  ?";
}

void SortSaleLines(std::vector<DocLine>& lines) {
  auto key = [](const DocLine& l) { return PadR(l.mag, 1) + PadR(l.indeks, 8) + PadL(AllTrim(l.lp), 3); };
  std::stable_sort(lines.begin(), lines.end(), [&](const DocLine& a, const DocLine& b) { return key(a) < key(b); });
}

void Tell(session::Session& s, std::string_view text) { console::Okno_(s.con(), text, 2); }

}  // namespace hurt::documents::posting_internal
