// One station of start-up tests inside the test process: a headless console on a fake
// clock, the real file system of a temporary data directory (on the same clock) and a
// session. Two such stations on one directory behave as two workstations: their opens and
// locks conflict as between processes.
#pragma once

#include <memory>
#include <string>

#include "shell/headless_run.h"
#include "shell/session.h"
#include "support/screen_driver.h"

namespace hurt::shell {

struct TestStation {
  explicit TestStation(const std::string& data_dir, std::string argument = "", std::string local_dir = "")
      : env(xbase::RealEnv(), d.clock),
        session(env, d.con, Options(data_dir, std::move(argument), std::move(local_dir))) {
    d.clock.Set(2026, 12, 8, 8, 0, 0);
  }

  static SessionOptions Options(const std::string& data_dir, std::string argument, std::string local_dir) {
    SessionOptions o;
    o.data_dir = data_dir;
    o.argument = std::move(argument);
    o.local_dir = local_dir.empty() ? data_dir + "/.local" : std::move(local_dir);
    return o;
  }

  testing::ScreenDriver d;
  ClockedEnv env;
  Session session;
};

}  // namespace hurt::shell
