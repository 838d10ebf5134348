#include "reports/vat_register.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <vector>

#include "base/numeric.h"
#include "base/text.h"
#include "documents/kind_reader.h"
#include "reports/field_reading.h"
#include "session/area_fields.h"
#include "session/area_position.h"
#include "session/session.h"
#include "session/store_ui.h"
#include "store/net_use.h"
#include "store/schema.h"
#include "xbase/work_area.h"

namespace hurt::reports {

using session::FieldDate;
using session::FieldNumber;
using session::FieldText;

namespace {

bool Contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

// The kinds of the dictionary, read once each.
class Kinds {
 public:
  explicit Kinds(xbase::WorkArea* slow) : slow_(slow) {}
  const documents::DocKind* Find(const std::string& rd) {
    auto it = cache_.find(rd);
    if (it != cache_.end()) return it->second ? &*it->second : nullptr;
    std::optional<documents::DocKind> kind;
    if (slow_ != nullptr && (slow_->order() == 1 || slow_->SetOrder(1).ok())) {
      auto read = documents::ReadKind(*slow_, rd);
      if (read.ok()) kind = *read;
    }
    return (cache_[rd] = kind) ? &*cache_[rd] : nullptr;
  }

 private:
  xbase::WorkArea* slow_;
  std::map<std::string, std::optional<documents::DocKind>> cache_;
};

bool RegisterClass(std::string_view klasa) {
  return klasa == "RS" || klasa == "KS" || klasa == "PZ" || klasa == "KZ" || klasa == "RD";
}

// The kind chosen takes every document of its side.
bool WholeSide(std::string_view rd) {
  const std::string code = AllTrim(rd);
  return (!code.empty() && code[0] == 'F' && code.find('-') == std::string::npos) || code == "PZ" || code == "PS";
}

// The field positions of dow, found once.
// The positions of the header fields the register prints (-1: not in this file).
struct HeaderFields {
  explicit HeaderFields(const xbase::WorkArea& dowod)
      : odb(dowod.FieldIndex("ODB")),
        nodb(dowod.FieldIndex("NODB")),
        nodb1(dowod.FieldIndex("NODB1")),
        uodb(dowod.FieldIndex("UODB")),
        modb(dowod.FieldIndex("MODB")),
        nip_kraj(dowod.FieldIndex("NIP_KRAJ")),
        regon(dowod.FieldIndex("REGON")),
        odbiorca(dowod.FieldIndex("ODBIORCA")),
        data_wyd(dowod.FieldIndex("DATA_WYD")),
        data_fa(dowod.FieldIndex("DATA_FA")),
        spz(dowod.FieldIndex("SPZ")),
        waluta(dowod.FieldIndex("WALUTA")),
        kurs(dowod.FieldIndex("KURS")),
        netto(dowod.FieldIndex("NETTO")),
        vat(dowod.FieldIndex("VAT")),
        kurs_1(dowod.FieldIndex("KURS_1")),
        jpk_xx(dowod.FieldIndex("JPK_XX")),
        typ_dok(dowod.FieldIndex("TYP_DOK")),
        ksef(dowod.FieldIndex("KSEF")) {}
  int odb, nodb, nodb1, uodb, modb, nip_kraj, regon, odbiorca, data_wyd, data_fa, spz, waluta, kurs, netto, vat, kurs_1,
      jpk_xx, typ_dok, ksef;
};

struct LineFields {
  int r_p, s_z, rd, nrd, data, mag, odb, indeks, nazwa, cena0, nb, ilosc, wartosc, podatek0, podatek, dolar_i;
  explicit LineFields(const xbase::WorkArea& dow)
      : r_p(dow.FieldIndex("R_P")),
        s_z(dow.FieldIndex("S_Z")),
        rd(dow.FieldIndex("RD")),
        nrd(dow.FieldIndex("NRD")),
        data(dow.FieldIndex("DATA")),
        mag(dow.FieldIndex("MAG")),
        odb(dow.FieldIndex("ODB")),
        indeks(dow.FieldIndex("INDEKS")),
        nazwa(dow.FieldIndex("NAZWA")),
        cena0(dow.FieldIndex("CENA0")),
        nb(dow.FieldIndex("NB")),
        ilosc(dow.FieldIndex("ILOSC")),
        wartosc(dow.FieldIndex("WARTOSC")),
        podatek0(dow.FieldIndex("PODATEK0")),
        podatek(dow.FieldIndex("PODATEK")),
        dolar_i(dow.FieldIndex("DOLAR_I")) {}
  bool Complete() const { return r_p >= 0 && s_z >= 0 && rd >= 0 && nrd >= 0 && data >= 0 && wartosc >= 0 && podatek0 >= 0; }
};

class Pass {
 public:
  Pass(session::Session& s, const RegisterRequest& req, const std::function<void(const RegisterDocument&)>& each)
      : s_(s), req_(req), each_(each), kinds_(AreaOf(s, store::TableId::kSlow)) {}
  Result<RegisterResult> Run();

 private:
  bool Selected(const documents::DocKind& kind) const;
  // A new document begins with the current line; false when it is left out.
  bool Begin(xbase::WorkArea& dow, const documents::DocKind& kind);
  void End();
  bool LineKept(xbase::WorkArea& dow);
  void AddToKind();
  // The NB of a sales line found blank: "N" ("B" for "SD "), written to the line under
  // its record lock; counted so even when the lock or the write fails.
  std::string RepairNb(xbase::WorkArea& dow);

  session::Session& s_;
  const RegisterRequest& req_;
  const std::function<void(const RegisterDocument&)>& each_;
  Kinds kinds_;
  const documents::DocKind* chosen_ = nullptr;
  RegisterResult out_;
  std::optional<RegisterDocument> doc_;
  LineValuationInput line_;
  xbase::WorkArea* dowod_ = nullptr;
  xbase::WorkArea* as_ = nullptr;
  bool gtu_wanted_ = false;
  std::optional<LineFields> f_;  // the positions of dow's fields
  std::optional<HeaderFields> h_;  // and of dowod's
  int kept_lines_ = 0;           // of the current document
  // What the pass needs of an article: its group T_W_O_K and goods group GR_TOW.
  struct ArticleFacts {
    bool found = false;
    std::string_view group;  // trimmed
    int gr = 0;
  };
  ArticleFacts Article(std::string_view mag, std::string_view indeks);
  // The articles met so far, so that an article is sought once and not on every line: an
  // open-addressing table of kArticleSlots slots keyed by MAG+INDEKS (9 bytes), emptied
  // when three quarters full. Made on the first look-up.
  struct ArticleSlot {
    std::array<char, 9> key{};
    bool used = false;
    bool found = false;
    int8_t gr = 0;
    uint8_t group_size = 0;
    std::array<char, 8> group{};
  };
  std::vector<ArticleSlot> article_slots_;
  size_t articles_kept_ = 0;
  // After many look-ups the whole article file is read once, in blocks, into the table:
  // cheaper than seeking every article of a busy month one by one.
  void ReadAllArticles();
  static void FillFacts(std::string_view group_bytes, double gr_number, ArticleSlot* facts);
  ArticleSlot* SlotFor(const std::array<char, 9>& key);
  size_t article_seeks_ = 0;
  bool all_articles_read_ = false;
  ArticleSlot last_article_;
  int as_group_ = -1, as_gr_ = -1;  // the positions of T_W_O_K and GR_TOW in as
  unsigned retail_columns_ = 0;  // the rate columns of the current "RU " receipt's gross-priced lines
};

constexpr size_t kArticleSlots = size_t{1} << 18;
// Look-ups of single articles before the whole article file is read instead.
constexpr size_t kSeeksBeforeReadingAll = 4000;
// Read-ahead blocks of 64 KiB kept for the lines and the headers during the pass, and after.
constexpr size_t kPassReadBlocks = 160;
constexpr size_t kUsualReadBlocks = 16;

// How long the repair of a line's NB waits for the line's record (REC_LOCK(1)).
constexpr double kNbLockSeconds = 1;
// Retail receipts are corrected from the day the 23/8/5 rates came in.
const JulianDay kRetailCorrectionFrom = JulianFromYmd(2011, 1, 1);

bool Pass::Selected(const documents::DocKind& kind) const {
  if (!RegisterClass(kind.Klasa())) return false;
  if (kind.RdIs("RD") || kind.Klasa() == "RD") {
    return req_.basis == PurchaseBasis::kFiftyFifty && chosen_->s_z == 'Z';
  }
  if (WholeSide(chosen_->rd)) return kind.s_z == chosen_->s_z;
  return kind.rd == chosen_->rd;
}

bool Pass::Begin(xbase::WorkArea& dow, const documents::DocKind& kind) {
  RegisterDocument d;
  line_.kurs_1 = 0;  // a document without a header has no second rate
  d.r_p = std::string(1, kind.r_p);
  d.s_z = std::string(1, kind.s_z);
  d.rd = kind.rd;
  d.nrd = std::string(Bytes(dow, f_->nrd));
  d.data = DateOf(Bytes(dow, f_->data));
  // The header: its counterparty, texts, currency and marks.
  if (dowod_ != nullptr && dowod_->order_count() >= 1 && (dowod_->order() == 1 || dowod_->SetOrder(1).ok())) {
    auto found = dowod_->SeekKey(d.rd + d.nrd);
    if (found.ok() && *found) {
      if (!h_) h_.emplace(*dowod_);
      const HeaderFields& h = *h_;
      const xbase::WorkArea& a = *dowod_;
      d.odb = Bytes(a, h.odb);
      d.nodb = Bytes(a, h.nodb);
      d.nodb1 = Bytes(a, h.nodb1);
      d.uodb = Bytes(a, h.uodb);
      d.modb = Bytes(a, h.modb);
      d.nip_kraj = Bytes(a, h.nip_kraj);
      d.nip = Bytes(a, h.regon);
      d.odbiorca = Bytes(a, h.odbiorca);
      d.data_wyd = h.data_wyd < 0 ? kEmptyDate : DateOf(Bytes(a, h.data_wyd));
      d.data_fa = h.data_fa < 0 ? kEmptyDate : DateOf(Bytes(a, h.data_fa));
      d.spz = Bytes(a, h.spz);
      d.waluta = TrimView(Bytes(a, h.waluta));
      d.kurs = Number(a, h.kurs);
      d.currency_value = Number(a, h.netto) + Number(a, h.vat);
      line_.kurs_1 = Number(a, h.kurs_1);
      const std::string_view jpk = Bytes(a, h.jpk_xx);
      for (size_t i = 0; i < jpk.size() && i < d.jpk_xx.size(); ++i) d.jpk_xx[i] = jpk[i] == 'T' || jpk[i] == '1' ? '1' : ' ';
      d.typ_dok = TrimView(Bytes(a, h.typ_dok));
      d.ksef = TrimView(Bytes(a, h.ksef));
    }
  }
  if (d.odb.empty()) d.odb = std::string(Bytes(dow, f_->odb));
  // Whole-document choices.
  if (!IsBlank(req_.odb) && PadR(d.odb, 8) != PadR(req_.odb, 8)) return false;
  if (!IsBlank(req_.waluta)) {
    const std::string w = Upper(AllTrim(req_.waluta));
    const std::string have = d.waluta.empty() ? std::string("PLN") : Upper(d.waluta);
    if (have != w) return false;
  }
  if (kind.s_z == 'S' && req_.delivery != DeliveryChoice::kAny) {
    const JulianDay w = d.data_wyd;
    const bool inside = w == kEmptyDate || (w >= req_.from && w <= req_.to);
    if (req_.delivery == DeliveryChoice::kThisMonth && !inside) return false;
    if (req_.delivery == DeliveryChoice::kEarlier && !(w != kEmptyDate && w < req_.from)) return false;
    if (req_.delivery == DeliveryChoice::kLater && !(w != kEmptyDate && w > req_.to)) return false;
  }
  const bool pn = Contains(d.odbiorca, "[PN]");
  if ((req_.pn == PnChoice::kOnlyPn && !pn) || (req_.pn == PnChoice::kSkipPn && pn)) return false;
  line_.kind = kind;
  line_.header_text = d.odbiorca;
  line_.kurs = d.kurs;
  if (kind.s_z == 'Z' || kind.Klasa() == "RD") {
    const bool wz = AllTrim(d.odbiorca) == "WZ";
    switch (req_.basis) {
      case PurchaseBasis::kInvoices:
        if (wz) return false;
        break;
      case PurchaseBasis::kWz:
        if (!wz) return false;
        break;
      case PurchaseBasis::kFiftyFifty:
        if (!FiftyFifty(line_)) return false;
        break;
      case PurchaseBasis::kInternal:
        if (!kind.HasTag("WEWN")) return false;
        break;
      case PurchaseBasis::kReverseCharge:
        if (!kind.HasTag("ODWROTNE")) return false;
        break;
      case PurchaseBasis::kInvoicesAndWz:
        break;
    }
  }
  d.lp = out_.documents + 1;
  doc_ = std::move(d);
  kept_lines_ = 0;
  return true;
}

void Pass::AddToKind() {
  const std::string klasa = doc_->r_p + doc_->s_z;
  KindTotal* k = nullptr;
  for (KindTotal& t : out_.kinds) {
    if (t.klasa == klasa && t.rd == doc_->rd) k = &t;
  }
  if (k == nullptr) {
    out_.kinds.emplace_back();
    k = &out_.kinds.back();
    k->klasa = klasa;
    k->rd = doc_->rd;
    k->first_nrd = doc_->nrd;
  }
  k->last_nrd = doc_->nrd;
  ++k->documents;
  k->b.Add(doc_->b);
}

void Pass::End() {
  if (!doc_) return;
  if (kept_lines_ == 0) {  // every line left out: the document is not in the register
    doc_.reset();
    retail_columns_ = 0;
    return;
  }
  if (retail_columns_ != 0) CorrectRetailReceipt(doc_->b, retail_columns_);
  retail_columns_ = 0;
  doc_->b.RoundDocument();
  ++out_.documents;
  AddToKind();
  out_.total.Add(doc_->b);
  if (each_) each_(*doc_);
  doc_.reset();
}

std::string Pass::RepairNb(xbase::WorkArea& dow) {
  const std::string nb = line_.kind.RdIs("SD") ? "B" : "N";
  // An archive month is only read: its line is counted by the same rule, not written.
  if (s_.InArchive()) return nb;
  const uint32_t recno = dow.recno();
  session::ConsoleStoreUi ui(s_.con());
  Status st = store::RecLockArea(ui, dow, kNbLockSeconds);
  if (st.ok()) {
    // The lock read the line again: another station may have set it meanwhile.
    const std::string now = AllTrim(Bytes(dow, f_->nb));
    if (!now.empty()) {
      (void)dow.UnlockRecord(recno);
      return now;
    }
    st = dow.Replace(f_->nb, xbase::Value(nb));
    if (st.ok()) st = dow.Flush();
    if (!st.ok()) dow.DiscardChanges();
    const Status unlocked = dow.UnlockRecord(recno);
    if (st.ok()) st = unlocked;
  }
  if (!st.ok()) ++out_.nb_not_repaired;
  return nb;
}

// The slot of a key: the one holding it, else the free one where it belongs.
Pass::ArticleSlot* Pass::SlotFor(const std::array<char, 9>& key) {
  if (article_slots_.empty()) article_slots_.resize(kArticleSlots);
  uint64_t h = 0;
  std::memcpy(&h, key.data() + 1, 8);
  h ^= static_cast<unsigned char>(key[0]);
  h ^= h >> 33;  // the finaliser of MurmurHash3: every byte reaches the low bits
  h *= 0xff51afd7ed558ccdull;
  h ^= h >> 33;
  h *= 0xc4ceb9fe1a85ec53ull;
  h ^= h >> 33;
  for (size_t i = h & (kArticleSlots - 1);; i = (i + 1) & (kArticleSlots - 1)) {
    ArticleSlot& at = article_slots_[i];
    if (!at.used || at.key == key) return &at;
  }
}

namespace {

}  // namespace

void Pass::FillFacts(std::string_view group_bytes, double gr_number, ArticleSlot* facts) {
  facts->found = true;
  const std::string_view group = TrimView(group_bytes);
  facts->group_size = static_cast<uint8_t>(std::min(group.size(), facts->group.size()));
  std::memcpy(facts->group.data(), group.data(), facts->group_size);
  const int gr = static_cast<int>(gr_number);
  facts->gr = static_cast<int8_t>(gr >= 1 && gr <= 13 ? gr : 0);
}

void Pass::ReadAllArticles() {
  all_articles_read_ = true;
  xbase::Table& table = as_->table();
  const int mag = table.FieldIndex("MAG"), indeks = table.FieldIndex("INDEKS");
  if (mag < 0 || indeks < 0 || articles_kept_ + table.RecordCount() >= kArticleSlots / 2) return;
  xbase::RecordScanner scan(table);
  xbase::Record rec;
  while (scan.Next(&rec)) {
    const std::string_view m = rec.FieldBytes(mag), i = rec.FieldBytes(indeks);
    if (rec.deleted() || m.size() != 1 || i.size() != 8) continue;
    std::array<char, 9> key{};
    key[0] = m[0];
    std::memcpy(key.data() + 1, i.data(), 8);
    ArticleSlot* slot = SlotFor(key);
    if (slot->used) continue;  // the first of twins, as a seek finds it
    ArticleSlot facts;
    FillFacts(as_group_ < 0 ? std::string_view() : rec.FieldBytes(as_group_),
              as_gr_ < 0 ? 0.0 : Val(rec.FieldBytes(as_gr_)), &facts);
    facts.key = key;
    facts.used = true;
    *slot = facts;
    ++articles_kept_;
  }
  // A file that could not be read through is simply sought article by article, as before.
}

Pass::ArticleFacts Pass::Article(std::string_view mag, std::string_view indeks) {
  std::array<char, 9> key{};
  const bool keyed = mag.size() == 1 && indeks.size() == 8;
  ArticleSlot* slot = nullptr;
  if (keyed) {
    key[0] = mag[0];
    std::memcpy(key.data() + 1, indeks.data(), 8);
    if (!all_articles_read_ && article_seeks_ >= kSeeksBeforeReadingAll) {
      ReadAllArticles();
      // Every article of the file is now known; one not among them does not exist.
    }
    slot = SlotFor(key);
    if (slot->used) return {slot->found, std::string_view(slot->group.data(), slot->group_size), slot->gr};
    if (articles_kept_ >= kArticleSlots / 4 * 3) {
      std::fill(article_slots_.begin(), article_slots_.end(), ArticleSlot{});
      articles_kept_ = 0;
      all_articles_read_ = true;  // too many to keep them all
      return Article(mag, indeks);
    }
  }
  ArticleSlot facts;
  if (as_->order() != 1) (void)as_->SetOrder(1);
  ++article_seeks_;
  auto found = as_->SeekKey(std::string(mag) + std::string(indeks));
  if (found.ok() && *found) FillFacts(Bytes(*as_, as_group_), Number(*as_, as_gr_), &facts);
  if (slot == nullptr) {
    // Not kept (a table of another layout): the facts of this line only.
    last_article_ = facts;
    return {last_article_.found, std::string_view(last_article_.group.data(), last_article_.group_size), last_article_.gr};
  }
  facts.key = key;
  facts.used = true;
  *slot = facts;
  ++articles_kept_;
  return {slot->found, std::string_view(slot->group.data(), slot->group_size), slot->gr};
}

bool Pass::LineKept(xbase::WorkArea& dow) {
  const LineFields& f = *f_;
  if (!IsBlank(req_.magazyny) && !Contains(req_.magazyny, Bytes(dow, f.mag))) return false;
  const std::string_view indeks = Bytes(dow, f.indeks);
  if (!IsBlank(req_.skip_indeks) && AllTrim(indeks) == AllTrim(req_.skip_indeks)) return false;
  if (!IsBlank(req_.skip_word) && Contains(Upper(std::string(Bytes(dow, f.nazwa))), Upper(AllTrim(req_.skip_word)))) return false;
  const bool group = !IsBlank(req_.skip_group);
  const bool gtu = gtu_wanted_ && doc_->s_z == "S";
  if ((group || gtu) && as_ != nullptr && as_->order_count() >= 1) {
    const ArticleFacts a = Article(Bytes(dow, f.mag), indeks);
    if (a.found) {
      if (group && a.group == AllTrim(req_.skip_group)) return false;
      if (gtu && a.gr >= 1 && a.gr <= 13) doc_->gtu[static_cast<size_t>(a.gr - 1)] = '1';
    }
  }
  return true;
}

Result<RegisterResult> Pass::Run() {
  xbase::WorkArea* dow = AreaOf(s_, store::TableId::kDow);
  dowod_ = AreaOf(s_, store::TableId::kDowod);
  as_ = AreaOf(s_, store::TableId::kAs);
  if (as_ != nullptr) {
    as_group_ = as_->FieldIndex("T_W_O_K");
    as_gr_ = as_->FieldIndex("GR_TOW");
  }
  if (dow == nullptr || dow->order_count() < 2) return Status::NotFound("Plik dow niedostepny");
  const std::string rd = PadR(Upper(AllTrim(req_.rd)), 3);
  chosen_ = kinds_.Find(rd);
  if (chosen_ == nullptr) {
    out_.refusal = "BRAK " + AllTrim(rd) + " W PARAMETRACH DOWODOW";
    return out_;
  }
  if (!RegisterClass(chosen_->Klasa()) || chosen_->Klasa() == "RD") {  // RD only joins the 50/50 register
    out_.refusal = AllTrim(rd) + " NIE DOTYCZY ZAKUPOW - SPRZEDAZY";
    return out_;
  }
  out_.side = chosen_->s_z == 'Z' ? 'Z' : 'S';
  gtu_wanted_ = req_.to >= JulianFromYmd(2020, 9, 1);
  session::AreaPosition keep_dow(*dow);
  session::AreaPosition keep_dowod(dowod_), keep_as(as_);
  // The headers are sought in the order of their lines' dates, which is nearly the order
  // they were written in: let the seeks use the blocks read ahead.
  // Both files are walked once per kind of document on each day: keep a day's worth of
  // their blocks (10 MiB each at most) for the pass.
  struct ReadAheadForThePass {
    ReadAheadForThePass(xbase::WorkArea* walked, xbase::WorkArea* sought) : lines(walked), headers(sought) {
      lines->table().SetReadAheadBlocks(kPassReadBlocks);
      if (headers == nullptr) return;
      headers->SetSeeksReadAhead(true);
      headers->table().SetReadAheadBlocks(kPassReadBlocks);
    }
    ~ReadAheadForThePass() {
      lines->table().SetReadAheadBlocks(kUsualReadBlocks);
      if (headers == nullptr) return;
      headers->SetSeeksReadAhead(false);
      headers->table().SetReadAheadBlocks(kUsualReadBlocks);
    }
    xbase::WorkArea* lines;
    xbase::WorkArea* headers;
  } read_ahead(dow, dowod_);
  HURT_RETURN_IF_ERROR(dow->SetOrder(2));
  f_.emplace(*dow);
  const LineFields& f = *f_;
  if (!f.Complete()) return Status::Invalid("Plik dow bez pol dowodu");
  line_.no_fifty_marker = s_.FileX("50_50.---");
  auto found = dow->SeekKey(Dtos(req_.from), true);
  HURT_RETURN_IF_ERROR(found.status());
  std::string current;  // RD+NRD of the document being read
  bool skipping = false;
  for (bool first = true; !dow->eof(); first = false) {
    if (!first) {
      HURT_RETURN_IF_ERROR(dow->Skip(1));
      if (dow->eof()) break;
    }
    const JulianDay data = DateOf(Bytes(*dow, f.data));
    if (data > req_.to) break;
    const std::string key = std::string(Bytes(*dow, f.rd)) + std::string(Bytes(*dow, f.nrd));
    if (key != current) {
      End();
      current = key;
      const documents::DocKind* kind = kinds_.Find(std::string(Bytes(*dow, f.rd)));
      skipping = kind == nullptr || !Selected(*kind) || !Begin(*dow, *kind);
    }
    if (skipping || !LineKept(*dow)) continue;
    // Quantity and the purchase and currency prices value only warehouse and purchase
    // lines; a sale is valued from its value and VAT alone.
    const bool sale = line_.kind.s_z == 'S';
    line_.ilosc = sale ? 0 : Number(*dow, f.ilosc);
    line_.cena0 = sale ? 0 : Number(*dow, f.cena0);
    line_.wartosc = Number(*dow, f.wartosc);
    line_.podatek = Number(*dow, f.podatek);
    line_.dolar_i = sale ? 0 : Number(*dow, f.dolar_i);
    line_.podatek0 = std::string(Bytes(*dow, f.podatek0));
    line_.nb = std::string(Bytes(*dow, f.nb));
    if (line_.kind.s_z == 'S' && IsBlank(line_.nb) && f.nb >= 0) line_.nb = RepairNb(*dow);
    if (line_.kind.RdIs("RU ") && doc_->data >= kRetailCorrectionFrom && AllTrim(line_.nb) == "B") {
      const RateColumn c = ColumnOf(line_.podatek0);
      if (HasVat(c) && c != RateColumn::k99) retail_columns_ |= 1u << static_cast<unsigned>(c);
    }
    AddLine(doc_->b, line_, ValueOfLine(line_));
    ++kept_lines_;
  }
  End();
  if (req_.one_day) {
    for (KindTotal& k : out_.kinds) {
      if (k.rd == "SD ") RecomputeFromGross(k.b);
    }
    out_.total = RateBuckets{};
    for (const KindTotal& k : out_.kinds) out_.total.Add(k.b);
  }
  if (out_.documents == 0) out_.refusal = "Brak " + AllTrim(rd) + " w okresie " + Dtoc(req_.from) + "-" + Dtoc(req_.to);
  return out_;
}

}  // namespace

void RecomputeFromGross(RateBuckets& b) {
  unsigned every_rate = 0;
  for (int i = 0; i < kRateColumns; ++i) every_rate |= 1u << static_cast<unsigned>(i);
  CorrectRetailReceipt(b, every_rate);  // the same arithmetic over every rate with VAT
}

void CorrectRetailReceipt(RateBuckets& b, unsigned columns) {
  for (int i = 0; i < kRateColumns; ++i) {
    const RateColumn c = static_cast<RateColumn>(i);
    if ((columns & (1u << static_cast<unsigned>(i))) == 0 || !HasVat(c) || c == RateColumn::k99) continue;
    const size_t at = static_cast<size_t>(i);
    const double g = NewRound(b.net[at] + b.vat[at], 2);
    const double r = ColumnRate(c);
    b.vat[at] = NewRound(g * r / (100 + r), 2);
    b.net[at] = NewRound(g - b.vat[at], 2);
  }
  b.gross = NewRound(b.Net() + b.Vat(), 2);
}

Result<RegisterResult> ComputeRegister(session::Session& s, const RegisterRequest& request,
                                       const std::function<void(const RegisterDocument&)>& each) {
  Pass pass(s, request, each);
  return pass.Run();
}

}  // namespace hurt::reports
