#include "orders/order_number.h"

#include <cstdio>

#include "base/numeric.h"
#include "base/text.h"
#include "orders/order_rules.h"
#include "store/init_tables_layout.h"
#include "store/net_files.h"
#include "store/net_use.h"
#include "store/schema.h"
#include "xbase/table.h"
#include "xbase/work_area.h"

namespace hurt::orders {

std::string_view SideFolder(OrderSide side) { return side == OrderSide::kCustomers ? "zamo" : "zamd"; }

std::string OrderFilePath(std::string_view root, OrderSide side, std::string_view number) {
  return store::InRoot(root, std::string(SideFolder(side)) + "/" + Lower(number) + ".dbf");
}

namespace {

std::string TwoDigits(int n) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02d", n % 100);
  return buf;
}

// The highest sequence among the month's order files of the folder (0 when none).
int HighestSequence(xbase::Env& env, const std::string& folder, int month) {
  auto names = env.ListDir(folder);
  if (!names.ok()) return 0;
  int highest = 0;
  for (const std::string& name : *names) highest = std::max(highest, SequenceOfOrderFile(name, month));
  return highest;
}

// The counter's three digits; 0 when the file is empty or holds no sequence.
Result<int> ReadCounter(xbase::File& f) {
  char buf[8] = {};
  size_t got = 0;
  HURT_RETURN_IF_ERROR(f.ReadAt(0, 3, buf, &got));
  if (got != 3) return 0;
  int n = 0;
  for (size_t i = 0; i < 3; ++i) {
    if (buf[i] < '0' || buf[i] > '9') return 0;
    n = n * 10 + (buf[i] - '0');
  }
  return n;
}

}  // namespace

Result<std::string> TakeOrderNumber(xbase::Env& env, std::string_view root, OrderSide side, int month,
                                    store::StoreUi& ui, double wait) {
  const std::string folder = store::InRoot(root, SideFolder(side));
  const std::string counter_name = std::string(SideFolder(side)) + "/nr_" + TwoDigits(month) + ".lic";
  const std::string counter = store::InRoot(root, counter_name);
  if (!env.IsDir(folder)) {
    if (Status made = env.CreateDirs(folder); !made.ok())
      return Status::IoError("Nie moge utworzyc katalogu " + std::string(SideFolder(side)));
  }
  auto file = env.Open(counter, {.write = true, .create = true});
  if (!file.ok()) return Status::IoError("Plik " + counter_name + " niedostepny");
  xbase::File& f = **file;
  Status locked = store::Retry(ui, store::RetryRule::kPauseBefore, wait, [&] {
    return f.Lock(kOrderCounterLock, 1, xbase::LockKind::kExclusive, false);
  });
  if (!locked.ok()) {
    if (locked.code() == StatusCode::kBusy) return Status::Busy("Plik " + counter_name + " zajety");
    return Status::IoError("Plik " + counter_name + " niedostepny");
  }
  Result<std::string> out = Status::IoError("Plik " + counter_name + " niedostepny");
  auto last = ReadCounter(f);
  if (last.ok()) {
    const int from = *last > 0 ? *last : HighestSequence(env, folder, month);
    const int next = NextOrderSequence(from);
    char digits[8];
    std::snprintf(digits, sizeof digits, "%03d", next);
    Status written = f.WriteAt(0, digits);
    if (written.ok()) written = f.Truncate(3);
    if (written.ok()) written = f.Sync();
    if (written.ok()) out = OrderNumber(month, next);
  }
  (void)f.Unlock(kOrderCounterLock, 1);
  return out;
}

Status SaveOrderFile(xbase::Env& env, const std::string& dbf_path, const OrderFileContent& content, int station) {
  const store::TableDef& def = store::Table(store::TableId::kZamowienie);
  const store::Markers markers = content.with_price ? store::Markers::Of({"ZAM_UZG.TXT"}) : store::Markers();
  std::vector<xbase::DbfFieldDescriptor> fields;
  for (const store::Field& f : store::ResolveFields(def, markers)) fields.push_back(store::DescriptorOf(f));

  const size_t slash = dbf_path.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : dbf_path.substr(0, slash + 1);
  const std::string base = dbf_path.substr(folder.size());
  const std::string temp = folder + "t" + TwoDigits(station) + "_" + Lower(Left(base, base.size() - 4)) + ".dbf";
  const std::string shown = std::string(base);
  if (env.Exists(temp)) (void)env.Remove(temp);
  if (!xbase::Table::Create(env, temp, fields).ok()) return Status::IoError("Nie moge utworzyc pliku " + shown);
  Status st = Status::Ok();
  {
    xbase::WorkAreas scratch(env);
    auto a = scratch.Open(1, temp, "ZAMOWIENIE", {.exclusive = true});
    if (!a.ok()) {
      st = a.status();
    } else {
      xbase::WorkArea& w = **a;
      const bool price = w.FieldIndex("CENA0_AS") >= 0;
      for (const OrderFileRow& r : content.rows) {
        if (st.ok()) st = w.Append();
        if (st.ok()) st = w.Replace("ODB", xbase::Value(content.odb));
        if (st.ok()) st = w.Replace("MAG", xbase::Value(r.mag));
        if (st.ok()) st = w.Replace("INDEKS", xbase::Value(r.indeks));
        if (st.ok()) st = w.Replace("NAZWA", xbase::Value(r.nazwa));
        if (st.ok()) st = w.Replace("JM", xbase::Value(r.jm));
        if (st.ok()) st = w.Replace("ZAMAWIAM", xbase::Value(NewRound(r.zamawiam, 0)));
        if (st.ok() && price) st = w.Replace("CENA0_AS", xbase::Value(r.cena0_as));
        if (st.ok()) st = w.Replace("DOST", xbase::Value(r.dost));
        if (st.ok()) st = w.Replace("KOD13", xbase::Value(r.kod13));
        if (st.ok()) st = w.Replace("OPERATOR", xbase::Value(content.operator_nr));
        if (st.ok()) st = w.Replace("UWAGI", xbase::Value(content.uwagi));
        if (!st.ok()) break;
      }
      if (st.ok()) st = w.Commit();
      const Status closed = w.Close();
      if (st.ok()) st = closed;
    }
  }
  if (st.ok()) st = env.Rename(temp, dbf_path);
  if (!st.ok()) {
    (void)env.Remove(temp);
    return Status::IoError("Blad zapisu pliku " + shown + " - zamowienie nie zapisane");
  }
  return Status::Ok();
}

}  // namespace hurt::orders
