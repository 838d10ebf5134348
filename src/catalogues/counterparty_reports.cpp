#include "catalogues/counterparty_reports.h"

#include <algorithm>

#include "base/cp852.h"
#include "base/date.h"
#include "base/numeric.h"
#include "base/picture.h"
#include "base/text.h"
#include "catalogues/common.h"
#include "session/helpers.h"
#include "session/output/report_file.h"
#include "session/session.h"
#include "session/viewer.h"
#include "xbase/table.h"

namespace hurt::catalogues {

using namespace hurt::literals;

namespace {

constexpr int kSettlementArea = 7;  // fa_N: its second order is kto+odb+...
constexpr int kScratchFirst = 230;
constexpr int kScratchLast = 239;

std::string Trimmed(const xbase::WorkArea& a, std::string_view field) { return AllTrim(FieldText(a, field)); }

std::string Amount(double v) { return TransformNumber(NewRound(v, 2), "999 999 999.99"); }

// The account's tax number as printed: country prefix and number.
std::string NipText(const xbase::WorkArea& a) {
  const std::string kraj = Trimmed(a, "NIP_KRAJ");
  const std::string regon = Trimmed(a, "REGON");
  if (regon.empty()) return {};
  return kraj.empty() ? regon : kraj + " " + regon;
}

// Code, name and tax number of an account in 60 columns, under kAccountHeading.
std::string AccountLine(const xbase::WorkArea& a) {
  return PadR(FieldText(a, "ODB"), 8) + " " + PadR(FieldText(a, "NODB"), 34) + " " + PadR(NipText(a), 16);
}
constexpr std::string_view kAccountHeading = "Kod      Nazwa                              NIP";

// The company record (area 1), on its only record; nullptr when it is not open.
xbase::WorkArea* Company(session::Session& s) {
  xbase::WorkArea* firma = s.areas().Area(1);
  if (firma != nullptr && firma->eof()) (void)firma->GoTop();
  return firma;
}

// Name and address lines of the current record of a company or account table.
std::vector<std::string> AddressBlock(const xbase::WorkArea& a) {
  std::vector<std::string> lines;
  for (std::string_view f : {"NODB", "NODB1", "NODB2"}) {
    const std::string v = Trimmed(a, f);
    if (!v.empty()) lines.push_back(v);
  }
  const std::string street = Trimmed(a, "UODB");
  if (!street.empty()) lines.push_back(street);
  const std::string kod = Trimmed(a, "KODB");
  std::string town = kod.empty() ? std::string() : TransformText(PadR(kod, 6), "!!-!!!") + " ";
  town += Trimmed(a, "MODB");
  if (!IsBlank(town)) lines.push_back(AllTrim(town));
  return lines;
}

std::string CompanyTown(session::Session& s) {
  xbase::WorkArea* firma = Company(s);
  return firma == nullptr ? std::string() : Trimmed(*firma, "MODB");
}

}  // namespace

AccountAmounts AmountsOf(const xbase::WorkArea& a) {
  AccountAmounts m;
  m.bown = FieldNumber(a, "BOWN");
  m.boma = FieldNumber(a, "BOMA");
  m.obnawn = FieldNumber(a, "OBNAWN");
  m.obnama = FieldNumber(a, "OBNAMA");
  m.obwn = FieldNumber(a, "OBWN");
  m.obma = FieldNumber(a, "OBMA");
  m.pown = FieldNumber(a, "POWN");
  m.poma = FieldNumber(a, "POMA");
  return m;
}

// ---- Tax numbers ------------------------------------------------------------------------

std::string NipKey(std::string_view regon) {
  std::string t = AllTrim(regon);
  if (t.size() >= 2 && (t[0] == 'P' || t[0] == 'p') && (t[1] == 'L' || t[1] == 'l')) t.erase(0, 2);
  std::string digits;
  for (char c : t) {
    if (c >= '0' && c <= '9') digits += c;
  }
  return digits;
}

std::vector<uint32_t> FindByNip(xbase::WorkArea& book, std::string_view nip) {
  std::vector<uint32_t> out;
  const std::string wanted = NipKey(nip);
  if (wanted.empty()) return out;
  AreaKeep keep(book);
  keep.Unfiltered();
  (void)book.SetOrder(0);
  for (Status st = book.GoTop(); st.ok() && !book.eof(); st = book.Skip(1)) {
    if (NipKey(FieldText(book, "REGON")) == wanted) out.push_back(book.recno());
  }
  return out;
}

void WriteAccountList(xbase::WorkArea& book, const std::vector<uint32_t>& records, std::string_view title,
                      session::ReportWriter& out) {
  out.Line(session::Centruj(title));
  out.Line("");
  out.Line(kAccountHeading);
  out.Line(std::string(60, '-'));
  AreaKeep keep(book);
  for (uint32_t r : records) {
    if (book.GoTo(r).ok() && !book.eof()) out.Line(AccountLine(book));
  }
  out.Line(std::string(60, '-'));
  out.Line("Kont: " + std::to_string(records.size()));
}

Result<long> WriteDuplicateNips(session::Session& s, xbase::WorkArea& book, const BookInfo& info,
                                session::ReportWriter& out) {
  xbase::WorkAreas& areas = s.areas();
  const int area = areas.FirstFree(kScratchFirst, kScratchLast);
  if (area == 0) return Status::Busy("Brak wolnego obszaru roboczego");
  const std::string base = s.Path("rob/nip" + s.StationText());
  const std::string dbf = base + ".dbf";
  const std::string ntx = base + ".ntx";
  HURT_RETURN_IF_ERROR(xbase::Table::Create(s.env(), dbf,
                                            {{"NIP", 'C', 13, 0}, {"REC", 'N', 10, 0}}));
  xbase::AreaOpenOptions exclusive;
  exclusive.exclusive = true;
  auto opened = areas.Open(area, dbf, "NIP_ROB", exclusive);
  if (!opened.ok()) return opened.status();
  xbase::WorkArea& work = **opened;

  // Every non-empty number once, with the account it belongs to.
  Status st = work.BeginAppendBatch();
  {
    AreaKeep keep(book);
    keep.Unfiltered();
    (void)book.SetOrder(0);
    for (Status at = book.GoTop(); st.ok() && at.ok() && !book.eof(); at = book.Skip(1)) {
      const std::string key = NipKey(FieldText(book, "REGON"));
      if (key.empty()) continue;
      st = work.Append();
      if (st.ok()) st = work.Replace("NIP", xbase::Value(key));
      if (st.ok()) st = work.Replace("REC", xbase::Value(static_cast<double>(book.recno())));
    }
  }
  const Status ended = work.EndAppendBatch();
  if (st.ok()) st = ended;
  if (st.ok()) st = work.CreateOrder(ntx, "nip+STR(rec,10)").status();
  if (st.ok()) st = work.SetOrder(1);

  long listed = 0;
  if (st.ok()) {
    out.Line(session::Centruj(std::string("POWTÓRZONE NIPY - "_pl) + AllTrim(info.title)));
    out.Line("");
    out.Line(kAccountHeading);
    out.Line(std::string(60, '-'));
    AreaKeep keep(book);
    keep.Unfiltered();
    std::string group;      // the number of the run being read
    uint32_t first = 0;     // its first account, listed once a second one shows up
    for (Status at = work.GoTop(); at.ok() && !work.eof(); at = work.Skip(1)) {
      const std::string key = AllTrim(FieldText(work, "NIP"));
      const auto rec = static_cast<uint32_t>(FieldNumber(work, "REC"));
      if (key != group) {
        group = key;
        first = rec;
        continue;
      }
      if (first != 0) {
        if (book.GoTo(first).ok() && !book.eof()) out.Line(AccountLine(book));
        ++listed;
        first = 0;
      }
      if (book.GoTo(rec).ok() && !book.eof()) out.Line(AccountLine(book));
      ++listed;
    }
    out.Line(std::string(60, '-'));
    out.Line(std::string("Kont z powtórzonym NIP-em: "_pl) + std::to_string(listed));
  }
  (void)areas.Close(area);
  (void)s.env().Remove(dbf);
  (void)s.env().Remove(ntx);
  if (!st.ok()) return st;
  return listed;
}

long WriteInvalidNips(session::Session& s, xbase::WorkArea& book, const BookInfo& info, session::ReportWriter& out) {
  const bool pesel = s.FileX("PESEL.TXT");
  out.Line(session::Centruj(std::string("BŁĘDNE NIPY - "_pl) + AllTrim(info.title)));
  out.Line("");
  out.Line(std::string(kAccountHeading) + std::string(13, ' ') + std::string("Błąd"_pl));
  out.Line(std::string(80, '-'));
  long listed = 0;
  {
    AreaKeep keep(book);
    keep.Unfiltered();
    (void)book.SetOrder(book.order_count() >= 1 ? 1 : 0);
    for (Status at = book.GoTop(); at.ok() && !book.eof(); at = book.Skip(1)) {
      const std::string kraj = Trimmed(book, "NIP_KRAJ");
      if (!kraj.empty() && kraj != "PL") continue;  // another country's number
      const NipCheck check = CheckNip(FieldText(book, "REGON"), pesel);
      if (check == NipCheck::kGood) continue;
      out.Line(AccountLine(book) + " " +
               std::string(check == NipCheck::kBadLength ? "zła długość"_pl : "zła suma kontrolna"_pl));
      ++listed;
    }
  }
  out.Line(std::string(80, '-'));
  out.Line(std::string("Błędnych NIP-ów: "_pl) + std::to_string(listed));
  return listed;
}

// ---- Letters and envelopes ---------------------------------------------------------------

void WriteBalanceConfirmation(session::Session& s, xbase::WorkArea& book, const BookInfo& info,
                              const std::vector<uint32_t>& records, session::ReportWriter& out) {
  (void)info;
  if (records.empty()) return;
  AreaKeep keep(book);
  keep.Unfiltered();
  double d = 0;
  std::vector<std::string> codes;
  for (uint32_t r : records) {
    if (!book.GoTo(r).ok() || book.eof()) continue;
    d += SaldoDifference(AmountsOf(book));
    codes.push_back(Trimmed(book, "ODB"));
  }
  d = NewRound(d, 2);
  if (!book.GoTo(records.front()).ok() || book.eof()) return;

  std::vector<std::string> sender;
  if (xbase::WorkArea* firma = Company(s)) sender = AddressBlock(*firma);
  const std::string town = CompanyTown(s);
  out.Line(PadL((town.empty() ? std::string() : town + ", ") + "dnia " + Dtoc(s.Today()), 78));
  for (const std::string& l : sender) out.Line(l);
  out.Line("");
  for (const std::string& l : AddressBlock(book)) out.Line(std::string(40, ' ') + l);
  const std::string nip = NipText(book);
  if (!nip.empty()) out.Line(std::string(40, ' ') + "NIP: " + nip);
  out.Line("");
  out.Line(session::Centruj("POTWIERDZENIE SALDA"));
  out.Line("");
  std::string accounts;
  for (const std::string& c : codes) accounts += (accounts.empty() ? "" : ", ") + c;
  out.Line("Konto: " + accounts);
  out.Line(std::string("Uprzejmie informujemy, że według naszych ksiąg na dzień "_pl) + Dtoc(s.Today()));
  if (SameAmount(d, 0, 2)) {
    out.Line("saldo rozrachunków z Państwem wynosi zero."_pl);
  } else if (d > 0) {
    out.Line(std::string("saldo rozrachunków wynosi "_pl) + Amount(d) + std::string(" zł na naszą korzyść (Wn)."_pl));
  } else {
    out.Line(std::string("saldo rozrachunków wynosi "_pl) + Amount(-d) + std::string(" zł na Państwa korzyść (Ma)."_pl));
  }
  out.Line("");
  out.Line("Prosimy o potwierdzenie salda lub podanie przyczyn niezgodności."_pl);
  out.Line("");
  out.Line("");
  out.Line("Saldo zgodne / niezgodne o kwotę ....................................."_pl);
  out.Line("");
  out.Line("");
  out.Line("........................................        ........................................");
  out.Line("        (podpis wierzyciela)                            (podpis dłużnika)"_pl);
}

void WriteSettlements(session::Session& s, xbase::WorkArea& book, const BookInfo& info,
                      const std::vector<uint32_t>& records, session::ReportWriter& out) {
  out.Line(session::Centruj("ROZRACHUNKI - " + AllTrim(info.title)));
  out.Line(session::Centruj(std::string("stan na dzień "_pl) + Dtoc(s.Today())));
  out.Line("");
  AreaKeep keep(book);
  keep.Unfiltered();
  xbase::WorkArea* fa = s.areas().Area(kSettlementArea);
  double total = 0;
  for (uint32_t r : records) {
    if (!book.GoTo(r).ok() || book.eof()) continue;
    const double d = SaldoDifference(AmountsOf(book));
    total += d;
    out.Line(AccountLine(book));
    const std::string odb = FieldText(book, "ODB");
    if (fa != nullptr && fa->order_count() >= 2) {
      AreaKeep keep_fa(*fa);
      keep_fa.Unfiltered();
      (void)fa->SetOrder(2);
      const std::string prefix = std::string(info.kto) + PadR(odb, 8);
      auto found = fa->SeekKey(prefix);
      if (found.ok() && *found) {
        out.Line("   Data      Dokument           Termin            Wn            Ma");
        while (!fa->eof() && FieldText(*fa, "KTO") + PadR(FieldText(*fa, "ODB"), 8) == prefix) {
          const std::string doc = FieldText(*fa, "MAG") != "0"
                                      ? AllTrim(FieldText(*fa, "RD")) + "-" + AllTrim(FieldText(*fa, "NRD"))
                                      : AllTrim(FieldText(*fa, "TRESC"));
          out.Line("   " + Dtoc(FieldDate(*fa, "DATA")) + "  " + PadR(doc, 17) + "  " + Dtoc(FieldDate(*fa, "TERMIN")) +
                   " " + TransformNumber(FieldNumber(*fa, "OBWN"), "@Z 9999999999.99") + TransformNumber(FieldNumber(*fa, "OBMA"), "@Z 9999999999.99"));
          if (!fa->Skip(1).ok()) break;
        }
      }
    }
    out.Line("   Saldo konta: " + (d >= 0 ? Amount(d) + " Wn" : Amount(-d) + " Ma"));
    out.Line("");
  }
  total = NewRound(total, 2);
  out.Line(std::string(80, '-'));
  out.Line("Razem saldo: " + (total >= 0 ? Amount(total) + " Wn" : Amount(-total) + " Ma"));
}

void WriteEnvelope(session::Session& s, xbase::WorkArea& book, bool with_sender, session::ReportWriter& out) {
  if (with_sender) {
    if (xbase::WorkArea* firma = Company(s)) {
      for (const std::string& l : AddressBlock(*firma)) out.Line(l);
    }
  }
  // The addressee in the lower right part of a DL envelope.
  for (int i = 0; i < 8; ++i) out.Line("");
  for (const std::string& l : AddressBlock(book)) out.Line(std::string(40, ' ') + l);
}

// ---- Currency balance --------------------------------------------------------------------

std::vector<CurrencyBalance> CurrencyBalances(session::Session& s, std::string_view kto, std::string_view odb) {
  std::vector<CurrencyBalance> out;
  xbase::WorkArea* fa = s.areas().Area(kSettlementArea);
  if (fa == nullptr || fa->order_count() < 2 || fa->FieldIndex("DOLAR") < 0) return out;
  AreaKeep keep(*fa);
  keep.Unfiltered();
  (void)fa->SetOrder(2);
  const std::string prefix = std::string(kto) + PadR(odb, 8);
  auto found = fa->SeekKey(prefix);
  if (!found.ok() || !*found) return out;
  while (!fa->eof() && FieldText(*fa, "KTO") + PadR(FieldText(*fa, "ODB"), 8) == prefix) {
    const std::string waluta = AllTrim(FieldText(*fa, "WALUTA"));
    if (!waluta.empty() && waluta != "PLN") {
      auto it = std::find_if(out.begin(), out.end(), [&](const CurrencyBalance& b) { return b.waluta == waluta; });
      if (it == out.end()) it = out.insert(out.end(), CurrencyBalance{waluta, 0, 0});
      const double amount = FieldNumber(*fa, "DOLAR");
      // The side of the entry is the side of its amount in the home currency.
      if (!SameAmount(FieldNumber(*fa, "OBWN"), 0, 2)) {
        it->wn = NewRound(it->wn + amount, 2);
      } else {
        it->ma = NewRound(it->ma + amount, 2);
      }
    }
    if (!fa->Skip(1).ok()) break;
  }
  return out;
}

bool CurrencyBooks(session::Session& s) { return s.FileX("DOLAR.TXT") || s.FileX("WAL.DBF"); }

// ---- Spreadsheet copy ----------------------------------------------------------------------

Result<std::string> CopyToExcel(session::Session& s, xbase::WorkArea& book, const BookInfo& info) {
  xbase::Env& env = s.env();
  const std::string folder = s.Path("excel");
  if (!env.IsDir(folder)) HURT_RETURN_IF_ERROR(env.CreateDirs(folder));
  const std::string stem = std::string(info.alias) + Dtos(s.Today());
  std::string name = stem + ".dbf";
  for (int n = 2; env.Exists(folder + "/" + name); ++n) {
    if (n > 99) return Status::Busy("excel: no free name for " + stem);
    name = stem + "_" + std::to_string(n) + ".dbf";
  }
  const std::string working = folder + "/~" + std::string(info.alias) + s.StationText() + ".dbf";

  struct Column {
    std::string_view name;
    int width;
  };
  static constexpr Column kColumns[] = {{"ODB", 8},   {"NODB", 50},     {"NODB1", 50}, {"UODB", 25},
                                        {"KODB", 6},  {"MODB", 20},     {"NIP_KRAJ", 2}, {"REGON", 13},
                                        {"TEL", 20},  {"E_MAIL", 40}};
  std::vector<xbase::DbfFieldDescriptor> fields;
  for (const Column& c : kColumns) fields.push_back({std::string(c.name), 'C', c.width, 0});
  fields.push_back({"SALDO", 'N', 15, 2});
  HURT_RETURN_IF_ERROR(xbase::Table::Create(env, working, fields));

  xbase::WorkAreas& areas = s.areas();
  const int area = areas.FirstFree(kScratchFirst, kScratchLast);
  if (area == 0) {
    (void)env.Remove(working);
    return Status::Busy("Brak wolnego obszaru roboczego");
  }
  xbase::AreaOpenOptions exclusive;
  exclusive.exclusive = true;
  auto opened = areas.Open(area, working, "EXCEL_ROB", exclusive);
  if (!opened.ok()) {
    (void)env.Remove(working);
    return opened.status();
  }
  xbase::WorkArea& to = **opened;
  Status st = to.BeginAppendBatch();
  {
    AreaKeep keep(book);  // the book's filter stays: the visible accounts are copied
    for (Status at = book.GoTop(); st.ok() && at.ok() && !book.eof(); at = book.Skip(1)) {
      st = to.Append();
      for (const Column& c : kColumns) {
        if (!st.ok()) break;
        st = to.Replace(c.name, xbase::Value(Left(FieldText(book, c.name), c.width)));
      }
      if (st.ok()) st = to.Replace("SALDO", xbase::Value(NewRound(SaldoDifference(AmountsOf(book)), 2)));
    }
  }
  const Status ended = to.EndAppendBatch();
  if (st.ok()) st = ended;
  const Status closed = areas.Close(area);
  if (st.ok()) st = closed;
  if (st.ok()) st = env.Rename(working, folder + "/" + name);
  if (!st.ok()) {
    (void)env.Remove(working);
    return st;
  }
  return name;
}

void WriteBalances(session::Session& s, session::ReportWriter& out) {
  out.Line(session::Centruj("SALDA NALEZNOSCI I ZOBOWIAZAN"));
  out.Line(session::Centruj(std::string("stan na dzień "_pl) + Dtoc(s.Today())));
  double all_wn = 0, all_ma = 0;
  for (int number = 1; number <= 4; ++number) {
    const BookInfo* book = Book(number);
    if (BookDenied(*book, s.op().prawa2)) continue;
    xbase::WorkArea* a = s.areas().Area(book->area);
    out.Line("");
    out.Line(AllTrim(book->title));
    if (a == nullptr) {
      out.Line("  (kartoteka " + std::string(book->alias) + " niedostepna)");
      continue;
    }
    out.Line("Kod      Nazwa                                                 Naleznosci  Zobowiazania");
    out.Line(std::string(86, '-'));
    AreaKeep keep(*a);
    keep.Unfiltered();
    double wn = 0, ma = 0;
    int accounts = 0;
    for (Status st = a->GoTop(); st.ok() && !a->eof(); st = a->Skip(1)) {
      const AccountAmounts m = AmountsOf(*a);
      if (SameAmount(SaldoDifference(m), 0, 2)) continue;
      wn += SaldoWn(m);
      ma += SaldoMa(m);
      ++accounts;
      out.Line(PadR(FieldText(*a, "ODB"), 8) + " " + PadR(Left(FieldText(*a, "NODB"), 50), 50) + " " +
               TransformNumber(SaldoWn(m), "@Z 99999999.99") + " " + TransformNumber(SaldoMa(m), "@Z 99999999.99"));
    }
    out.Line(std::string(86, '-'));
    out.Line(PadR("Razem (" + std::to_string(accounts) + " kont):", 60) + TransformNumber(NewRound(wn, 2), "99999999.99") +
             " " + TransformNumber(NewRound(ma, 2), "99999999.99"));
    all_wn += wn;
    all_ma += ma;
  }
  out.Line("");
  out.Line(PadR("Lacznie:", 60) + TransformNumber(NewRound(all_wn, 2), "99999999.99") + " " +
           TransformNumber(NewRound(all_ma, 2), "99999999.99"));
}

void SaldaNaleznosciZobowiazan(session::Session& s) {
  session::ViewDruk(s, [&s](session::ReportWriter& out) { WriteBalances(s, out); });
}

}  // namespace hurt::catalogues
