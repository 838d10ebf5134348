// What the benchmarks share: a station on a data folder with a fixed clock, and filling a
// table in bulk.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/result.h"
#include "console/console.h"
#include "console/headless.h"
#include "session/session.h"
#include "shell/headless_run.h"
#include "store/net_ui.h"
#include "store/schema.h"
#include "xbase/env.h"

namespace bench {

using hurt::Status;

// The moment a station's clocks stand at.
struct BenchTime {
  int year = 2026, month = 3, day = 14, hour = 9;
};

struct BenchStation {
  BenchStation(const std::string& dir, int number, BenchTime t = {})
      : clock(hurt::shell::ClockStart{t.year, t.month, t.day, t.hour, 0, 0}),
        env(hurt::xbase::RealEnv(), clock),
        console_clock(t.year, t.month, t.day, t.hour, 0, 0),
        backend(console_clock),
        con(backend, console_clock),
        ui(clock) {
    hurt::session::SessionOptions o;
    o.data_dir = dir;
    session = std::make_unique<hurt::session::Session>(env, con, o);
    session->set_stacja(number);
    // A station without its life lock would look gone to the others, who would take its
    // postings back while it writes them.
    if (!session->HoldStationLock().ok()) std::fprintf(stderr, "station %d: life lock not taken\n", number);
    session->op().nr = "1";
  }
  hurt::xbase::WorkArea& Area(hurt::store::TableId id) {
    return *session->areas().Area(hurt::store::Table(id).area);
  }

  hurt::shell::ScriptClock clock;
  hurt::shell::ClockedEnv env;
  hurt::FakeClock console_clock;
  hurt::console::HeadlessBackend backend;
  hurt::console::Console con;
  hurt::store::NoScreenUi ui;
  std::unique_ptr<hurt::session::Session> session;
};

inline bool Fail(const char* what, const Status& st) {
  std::fprintf(stderr, "%s: %s\n", what, st.ToString().c_str());
  return false;
}

// Fills a table in bulk: its orders closed, `count` records appended in one append batch
// (`fill` writes record i), then the orders attached again and rebuilt in one pass under
// the file lock.
template <typename Fill>
bool BulkFill(hurt::xbase::WorkArea& a, long count, Fill fill) {
  std::vector<std::string> orders;
  for (int n = 1; n <= a.order_count(); ++n) orders.push_back(a.Order(n)->path);
  if (Status st = a.CloseOrders(); !st.ok()) return Fail("close orders", st);
  if (Status st = a.BeginAppendBatch(); !st.ok()) return Fail("append batch", st);
  for (long i = 0; i < count; ++i) {
    if (Status st = a.Append(); !st.ok()) return Fail("append", st);
    fill(a, i);
  }
  if (Status st = a.EndAppendBatch(); !st.ok()) return Fail("end append batch", st);
  for (const std::string& path : orders) {
    if (auto n = a.AttachOrder(path); !n.ok()) return Fail("attach order", n.status());
  }
  if (Status st = a.LockFile(); !st.ok()) return Fail("file lock", st);
  if (Status st = a.Reindex(); !st.ok()) return Fail("reindex", st);
  if (!orders.empty()) (void)a.SetOrder(1);
  (void)a.Unlock();
  return a.Commit().ok();
}

}  // namespace bench
