#include "reports/register_export.h"

#include <array>
#include <cstdio>

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/text.h"
#include "console/message_window.h"
#include "documents/header_rules.h"
#include "session/output/report_file.h"
#include "session/session.h"

namespace hurt::reports {

namespace {

constexpr std::array<std::string_view, 15> kProcedureMarks = {
    "SW", "EE", "TP", "TT_WNT", "TT_D", "MR_T", "MR_UZ", "I_42", "I_63", "B_SPV", "B_SPV_DOSTAWA", "B_MPV_PROWIZJA",
    "MPP", "KorektaPO", "IMP"};

std::string Money(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", NewRound(v, 2));
  return text;
}

// A field of the file: UTF-8, no tab or line break inside.
std::string Field(std::string_view cp852) {
  std::string out = Cp852ToUtf8(AllTrim(cp852));
  for (char& c : out) {
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  }
  return out;
}

std::string HeaderLine() {
  std::string h = "STRONA\tRD\tNRD\tDATA\tDATA_WYD\tODB\tNIP_KRAJ\tNIP\tNAZWA\tADRES\tBRUTTO\tNETTO\tVAT";
  for (int i = 0; i < kRateColumns; ++i) {
    const RateColumn c = static_cast<RateColumn>(i);
    std::string name = ColumnName(c);
    if (!name.empty() && name.back() == '%') name.pop_back();
    if (name == "??") name = "99";
    h += "\tN" + name;
    if (HasVat(c)) h += "\tV" + name;
  }
  return h + "\tZNACZNIKI\tTYP_DOK\tKSEF";
}

std::string DocumentLine(char side, const RegisterDocument& d) {
  std::string l(1, side);
  for (const std::string& f : {d.rd, d.nrd}) l += "\t" + Field(f);
  l += "\t" + (d.data == kEmptyDate ? std::string() : Dtos(d.data));
  l += "\t" + (d.data_wyd == kEmptyDate ? std::string() : Dtos(d.data_wyd));
  for (const std::string& f : {d.odb, d.nip_kraj, d.nip}) l += "\t" + Field(f);
  l += "\t" + Field(AllTrim(d.nodb) + " " + AllTrim(d.nodb1));
  l += "\t" + Field(AllTrim(d.modb) + " " + AllTrim(d.uodb));
  l += "\t" + Money(d.b.gross) + "\t" + Money(d.b.Net()) + "\t" + Money(d.b.Vat());
  for (int i = 0; i < kRateColumns; ++i) {
    l += "\t" + Money(d.b.net[static_cast<size_t>(i)]);
    if (HasVat(static_cast<RateColumn>(i))) l += "\t" + Money(d.b.vat[static_cast<size_t>(i)]);
  }
  return l + "\t" + JpkMarks(d) + "\t" + Field(d.typ_dok) + "\t" + Field(d.ksef);
}

}  // namespace

std::string JpkMarks(const RegisterDocument& d) {
  std::string out;
  for (size_t i = 0; i < d.gtu.size(); ++i) {
    if (d.gtu[i] == '1') {
      const size_t n = i + 1;
      out += "GTU_" + std::string(n < 10 ? "0" : "") + std::to_string(n) + ";";
    }
  }
  // From 2022 the tax file names the first two marks WSTO_EE and IED, as the marks screen does.
  const bool from_2022 = d.data != kEmptyDate && d.data >= JulianFromYmd(2022, 1, 1);
  for (size_t i = 0; i < kProcedureMarks.size() && i < d.jpk_xx.size(); ++i) {
    if (d.jpk_xx[i] != '1') continue;
    std::string_view name = kProcedureMarks[i];
    if (from_2022 && i == 0) name = "WSTO_EE";
    if (from_2022 && i == 1) name = "IED";
    out += std::string(name) + ";";
  }
  return out;
}

Result<ExportSummary> WriteRegisterExport(session::Session& s, JulianDay from, JulianDay to, const std::string& path) {
  const std::string aside = path + ".tmp";
  auto writer = session::ReportWriter::Open(s.env(), aside);
  HURT_RETURN_IF_ERROR(writer.status());
  session::ReportWriter& out = **writer;
  out.Line(HeaderLine());
  ExportSummary summary;
  summary.path = path;
  const std::string sales_kind = PadR(AllTrim(s.settings().Rd()).empty() ? std::string("FV") : AllTrim(s.settings().Rd()), 3);
  for (const auto& [side, rd] : {std::pair<char, std::string>{'S', sales_kind}, std::pair<char, std::string>{'Z', "PZ "}}) {
    RegisterRequest req;
    req.from = from;
    req.to = to;
    req.rd = rd;
    int& count = side == 'S' ? summary.sales : summary.purchases;
    auto done = ComputeRegister(s, req, [&](const RegisterDocument& d) {
      out.Line(DocumentLine(side, d));
      ++count;
    });
    if (!done.ok()) {
      (void)out.Close();
      (void)s.env().Remove(aside);
      return done.status();
    }
  }
  const Status closed = out.Close();
  if (!closed.ok()) {
    (void)s.env().Remove(aside);
    return closed;
  }
  if (s.env().Exists(path)) HURT_RETURN_IF_ERROR(s.env().Remove(path));
  HURT_RETURN_IF_ERROR(s.env().Rename(aside, path));
  return summary;
}

void ExportRejestru(session::Session& s) {
  const documents::Period period = documents::PeriodOfHh(s.InArchive() ? s.hh_arc() : s.hh());
  if (period.month < 1) return;
  const int year = period.year, month = period.month;
  std::string folder = AllTrim(s.settings().Text("J_CDN"));
  if (folder.empty()) folder = s.Path("vat");
  char name[40];
  std::snprintf(name, sizeof name, "/vat_r_%04d_%02d.txt", year, month);
  if (!console::Okno(s.con(), "Eksport rejestrow VAT " + std::string(month < 10 ? "0" : "") + std::to_string(month) + "." + std::to_string(year) + " do " + folder + " ?", "T")) {
    return;
  }
  if (!s.env().Exists(folder) && !s.env().CreateDirs(folder).ok()) {
    console::Okno_(s.con(), "Nie moge utworzyc katalogu " + folder + " (parametr J_CDN)", 5);
    return;
  }
  console::OknoNoWait(s.con(), "Prosze czekac - eksport rejestrow ...");
  auto done = WriteRegisterExport(s, period.First(), period.Last(), folder + name);
  if (!done.ok()) {
    console::Okno_(s.con(), "Blad zapisu eksportu - plik nie powstal", 5);
    return;
  }
  console::Okno_(s.con(), "Zapisano: sprzedaz " + std::to_string(done->sales) + ", zakupy " + std::to_string(done->purchases) +
                              " dowodow - " + done->path, 5);
}

}  // namespace hurt::reports
