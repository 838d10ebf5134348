#include "support/station_road.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <fstream>
#include <sstream>
#include <thread>

#include "base/cp852.h"
#include "base/text.h"
#include "shell/settings_fields.h"
#include "support/hurt_data.h"
#include "support/temp_dir.h"
#include "xbase/env.h"
#include "xbase/work_area.h"

namespace hurt::testing {

std::string TodayAt9() {
  const std::time_t now = std::time(nullptr);
  std::tm t{};
  localtime_r(&now, &t);
  char text[64];
  std::strftime(text, sizeof text, "%Y-%m-%d 09:00:00", &t);
  return text;
}

std::vector<std::map<std::string, std::string>> Records(const std::string& dbf) {
  std::vector<std::map<std::string, std::string>> out;
  xbase::WorkAreas areas(xbase::RealEnv());
  auto a = areas.Open(1, dbf, "t", xbase::AreaOpenOptions{.exclusive = false, .read_only = true});
  if (!a.ok()) {
    ADD_FAILURE() << dbf << ": " << a.status().ToString();
    return out;
  }
  for (Status st = (*a)->GoTop(); st.ok() && !(*a)->eof(); st = (*a)->Skip()) {
    std::map<std::string, std::string> r;
    for (int i = 0; i < (*a)->field_count(); ++i) r[(*a)->field(i).name] = Cp852ToUtf8(AllTrim((*a)->FieldBytes(i)));
    out.push_back(std::move(r));
  }
  return out;
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string WaitForInFile(const std::string& path, std::string_view text, int timeout_ms, std::string_view what) {
  for (int waited = 0; waited < timeout_ms; waited += 10) {
    const std::string now = Slurp(path);
    if (now.find(text) != std::string::npos) return now;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ADD_FAILURE() << "the " << what << " never said \"" << text << "\":\n" << Slurp(path);
  return Slurp(path);
}

void Step(HurtStation& s, std::initializer_list<std::string_view> keys, std::string_view expect,
          std::string_view without) {
  for (std::string_view k : keys) s.Send(k);
  const bool seen = without.empty() ? s.WaitForScreen(expect) : s.WaitForScreen(expect, without);
  if (!seen) {
    ADD_FAILURE() << "waiting for \"" << expect << "\":\n" << s.Screen();
    s.Kill(SIGKILL);
  }
}

void StepSeen(HurtStation& s, std::initializer_list<std::string_view> keys, std::string_view shown) {
  for (std::string_view k : keys) s.Send(k);
  if (!s.WaitForLog(shown)) {
    ADD_FAILURE() << "waiting for \"" << shown << "\":\n" << s.Screen();
    s.Kill(SIGKILL);
  }
}

std::string MakeDemoCompany(const std::string& data_dir) {
  const ProcessResult demo = RunProcess({BuiltProgram("hurt-demo"), data_dir});
  EXPECT_TRUE(demo.Succeeded()) << demo.out << demo.err;
  const std::string bmr = ReadField(data_dir + "/firma.dbf", "BMR");  // "mm.yy"
  EXPECT_EQ(bmr.size(), 5u);
  return bmr.size() == 5 ? bmr.substr(3, 2) + "/" + bmr.substr(0, 2) : std::string();
}

std::unique_ptr<HurtStation> StartInDowody(const std::string& data_dir, const std::string& work_dir,
                                           const std::string& name, StationOptions options) {
  options.clock = TodayAt9();
  auto s = std::make_unique<HurtStation>(data_dir, work_dir, name, options);
  EXPECT_TRUE(s->WaitForScreen(kOperatorList)) << name << ":\n" << s->Screen() << s->result().err;
  s->Send("Enter");
  EXPECT_TRUE(s->WaitForScreen(kMainMenu, kOperatorList)) << name << ":\n" << s->Screen();
  s->Send("Enter");
  EXPECT_TRUE(s->WaitForScreen(kDowody)) << name << ":\n" << s->Screen();
  return s;
}

int SettingsFieldPosition(int page, std::string_view name) {
  int i = page == 1 ? 1 : 0;
  for (const shell::SettingField& f : shell::UserPage(page).fields) {
    if (f.name == name) return i;
    ++i;
  }
  ADD_FAILURE() << name << " is not on page " << page;
  return 0;
}

void Leave(HurtStation& s) {
  Step(s, {"Esc"}, "CZY CHCESZ ZAKONCZYC PRACE");
  s.Send("text:T");
  EXPECT_EQ(s.WaitExit(), 0) << s.Screen();
}

std::unique_ptr<ChildProcess> HoldRecord(const std::string& data_dir, const std::string& table, int recno) {
  ProcessOptions options;
  options.cwd = data_dir;
  auto holder = std::make_unique<ChildProcess>(
      std::vector<std::string>{BuiltProgram("hurt-dbf"), "lock", table, std::to_string(recno), "120"}, options);
  for (int i = 0; i < 300 && holder->OutputSoFar().find("locked") == std::string::npos; ++i) ::usleep(20'000);
  EXPECT_NE(holder->OutputSoFar().find("locked"), std::string::npos);
  return holder;
}

void InvoiceForSmakosz(HurtStation& s, const std::string& quantity) { DocumentForSmakosz(s, "FV ", quantity); }

void DocumentForSmakosz(HurtStation& s, const std::string& kind, const std::string& quantity) {
  if (kind.rfind("FZ", 0) == 0) {
    // The advance invoice warns first and waits for a key.
    Step(s, {"Home", "text:" + kind, "Enter"}, "FAKTURA ZALICZKOWA ?");
    Step(s, {"Enter"}, "Rd:" + kind, "FAKTURA ZALICZKOWA ?");
  } else {
    Step(s, {"Home", "text:" + kind, "Enter"}, "Rd:" + kind);
  }
  for (int field = 0; field < 4; ++field) s.Send("Enter");  // date, payment, term, warehouse
  Step(s, {"text:SMAKOSZ", "Enter"}, "Odbiorca ma spz.P, termin 14 dni");
  Step(s, {"Enter"}, "Zmieniam termin zaplaty P14");
  Step(s, {"Enter", "Enter", "Enter", "Enter"}, "F2-Rabat");  // the name and two remark rows
  Step(s, {"text:10001", "Enter"}, "Dostepne:");
  s.Send("text:" + quantity);
  for (int field = 0; field < 3; ++field) s.Send("Enter");  // quantity, price, percent
  Step(s, {"Esc"}, "Adres dostawy");
  Step(s, {"Enter"}, "CZY SKONCZYŁES EDYCJE DOWODU ?");
  Step(s, {"text:T"}, "Rd:FV");
}

void ExpectVerifyFindsNothing(const std::string& data_dir) {
  const ProcessResult r = RunProcess({BuiltProgram("hurt-dbf"), "verify", data_dir});
  EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
}

}  // namespace hurt::testing
