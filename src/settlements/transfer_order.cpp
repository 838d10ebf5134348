#include "settlements/transfer_order.h"

#include <vector>

#include "base/numeric.h"
#include "base/picture.h"
#include "base/text.h"
#include "session/output/report_paths.h"
#include "session/session.h"
#include "store/init_tables_layout.h"
#include "store/net_use.h"
#include "store/schema.h"
#include "xbase/table.h"
#include "xbase/value.h"

namespace hurt::settlements {

namespace {

constexpr double kAppendWait = 15.0;

// Closes the scratch area on every way out.
class ScratchArea {
 public:
  ScratchArea(xbase::WorkAreas& areas, int area) : areas_(areas), area_(area) {}
  ~ScratchArea() { (void)areas_.Close(area_); }
  ScratchArea(const ScratchArea&) = delete;
  ScratchArea& operator=(const ScratchArea&) = delete;

 private:
  xbase::WorkAreas& areas_;
  int area_;
};

std::string DigitsOf(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c >= '0' && c <= '9') out += c;
  }
  return out;
}

// The path of pp.dbf, made when missing.
Result<std::string> PpTable(session::Session& s) {
  std::string path = session::FindFileAnyCase(s.env(), s.root(), "pp.dbf");
  if (!path.empty()) return path;
  path = s.Path("pp.dbf");
  std::vector<xbase::DbfFieldDescriptor> fields;
  for (const store::Field& f : store::ResolveFields(store::Table(store::TableId::kPp), s.Markers())) {
    fields.push_back(store::DescriptorOf(f));
  }
  HURT_RETURN_IF_ERROR(xbase::Table::Create(s.env(), path, fields));
  return path;
}

}  // namespace

AccountParts SplitAccount(std::string_view konto) {
  const std::string digits = DigitsOf(konto);
  if (digits.size() == 26) return {digits.substr(0, 2), digits.substr(2, 8), digits.substr(10)};
  const std::string text = AllTrim(konto);
  return {"", Left(text, 8), text.size() > 8 ? Left(text.substr(8), 17) : std::string()};
}

Status ZapiszDoZbioruPp(session::Session& s, store::StoreUi& ui, const TransferOrder& order) {
  auto path = PpTable(s);
  HURT_RETURN_IF_ERROR(path.status());
  const int area = s.areas().FirstFree(200, 250);
  if (area == 0) return Status::Busy("Brak wolnego obszaru dla pp.dbf");
  auto opened = s.areas().Open(area, *path, "pp_dbf");
  HURT_RETURN_IF_ERROR(opened.status());
  ScratchArea close_it(s.areas(), area);
  xbase::WorkArea& pp = **opened;
  HURT_RETURN_IF_ERROR(store::Retry(ui, store::RetryRule::kPauseAfter, kAppendWait, [&] { return pp.Append(); }));
  const AccountParts o = SplitAccount(order.o_konto);
  const std::string tytul = PadR(order.tytul, 54);
  const std::vector<std::pair<std::string_view, xbase::Value>> fields = {
      {"ODB", xbase::Value(order.odb)},
      {"O_NODB", xbase::Value(order.o_nodb)},
      {"O_NODB1", xbase::Value(order.o_nodb1)},
      {"O_LK", xbase::Value(o.lk)},
      {"O_NRBO", xbase::Value(o.nrbo)},
      {"O_NRBO1", xbase::Value(o.nrbo1)},
      {"Z_NODB", xbase::Value(order.z_nodb)},
      {"Z_NODB1", xbase::Value(order.z_nodb1)},
      {"Z_NRBO", xbase::Value(DigitsOf(order.z_konto).empty() ? AllTrim(order.z_konto) : DigitsOf(order.z_konto))},
      {"TYTUL", xbase::Value(RTrim(tytul.substr(0, 27)))},
      {"TYTUL1", xbase::Value(RTrim(tytul.substr(27)))},
      {"WALUTA", xbase::Value(order.waluta)},
      {"WALUTA_X", xbase::Value(order.waluta.empty() ? std::string(" ") : std::string("X"))},
      {"KWOTA", xbase::Value(TransformNumber(NewRound(order.kwota, 2), "999999999.99"))},
      {"DATA", xbase::Value(xbase::Date{order.data})},
      {"CZAS", xbase::Value(s.clock().TimeText())},
      {"OPERATOR", xbase::Value(s.op().nr)},
  };
  for (const auto& [f, v] : fields) {
    if (pp.FieldIndex(f) >= 0) HURT_RETURN_IF_ERROR(pp.Replace(f, v));
  }
  return pp.Commit();
}

}  // namespace hurt::settlements
