// Changing records through a work area: replaces under locks, key maintenance of every
// open order, appends (one at a time and in batches), two stations on the same files, and
// orders whose key expression does not compile.
#include "xbase/fault_env.h"
#include "xbase/lock_layout.h"
#include "xbase/work_area_fixture.h"

namespace hurt::xbase::wa_test {
namespace {

void ExpectAllOrdersMatch(Env& env, WorkArea& a) {
  for (int n = 1; n <= a.order_count(); ++n) ExpectOrderMatchesTable(env, a, n);
}

TEST_F(WorkAreaTest, ReplaceNeedsTheLockAndRefusesValuesThatDoNotFit) {
  WorkArea& a = OpenDow(areas_);
  HURT_ASSERT_OK(AddLine(a, {.nrd = Nrd(1), .indeks = "A"}));
  HURT_ASSERT_OK(a.GoTop());
  EXPECT_FALSE(a.IsLocked());
  Status s = a.Replace("NAZWA", "x");
  EXPECT_EQ(s.code(), StatusCode::kInvalid);
  EXPECT_NE(s.message().find("not locked"), std::string::npos) << s.message();
  EXPECT_EQ(a.Delete().code(), StatusCode::kInvalid);

  HURT_ASSERT_OK(a.LockRecord());
  EXPECT_TRUE(a.IsLocked());
  EXPECT_EQ(a.Replace("ILOSC", 1234567.0).code(), StatusCode::kInvalid) << "10,3 holds at most 999999.999";
  EXPECT_EQ(Text(a.Get("ILOSC")).size(), 0u);
  EXPECT_EQ(a.Get("ILOSC")->AsNumber(), 1.0) << "a refused value leaves the field";
  EXPECT_EQ(a.Replace("ILOSC", "12").code(), StatusCode::kInvalid);
  EXPECT_EQ(a.Replace("NOSUCH", "12").code(), StatusCode::kNotFound);
  HURT_ASSERT_OK(a.Replace("ILOSC", 999999.999));
  EXPECT_TRUE(a.pending());
  HURT_ASSERT_OK(a.Unlock());
  EXPECT_FALSE(a.pending());
  HURT_ASSERT_OK(a.GoTo(1));
  EXPECT_DOUBLE_EQ(a.Get("ILOSC")->AsNumber(), 999999.999);

  HURT_ASSERT_OK(a.GoTo(2));  // EOF
  HURT_ASSERT_OK(a.LockFile());
  EXPECT_EQ(a.Replace("NAZWA", "x").code(), StatusCode::kInvalid) << "nothing to change at EOF";
  HURT_ASSERT_OK(a.Unlock());
}

TEST_F(WorkAreaTest, KeyChangesMoveEntriesInEveryOrder) {
  WorkArea& a = OpenDowWithOrders(areas_);
  for (int i = 1; i <= 40; ++i) {
    HURT_ASSERT_OK(AddLine(a, {.rd = i % 3 ? "FV " : "PZ ", .nrd = Nrd(i / 3), .lp = "  " + std::to_string(i % 3 + 1),
                               .data = JulianFromYmd(2026, 3, 1 + i % 7), .indeks = "I" + std::to_string(i),
                               .r_p = i % 3 ? "R" : "P"}));
  }
  ExpectAllOrdersMatch(env_, a);

  HURT_ASSERT_OK(a.SetOrder(1));
  auto found = a.Seek("PZ " + Nrd(4));
  ASSERT_TRUE(found.ok() && *found);
  const uint32_t recno = a.recno();
  HURT_ASSERT_OK(a.LockRecord());
  HURT_ASSERT_OK(a.Replace("RD", "KOR"));                        // dow1 and dow2
  HURT_ASSERT_OK(a.Replace("DATA", Date{JulianFromYmd(2026, 4, 1)}));  // dow2 and dow3
  HURT_ASSERT_OK(a.Replace("INDEKS", "NEW"));                    // dow3
  HURT_ASSERT_OK(a.Replace("R_P", "P"));
  HURT_ASSERT_OK(a.Unlock());
  EXPECT_EQ(a.recno(), recno) << "the record stays current after its key moved";

  // Old keys gone, new keys there.
  found = a.Seek("PZ " + Nrd(4) + "  1");
  ASSERT_TRUE(found.ok());
  EXPECT_FALSE(*found);
  found = a.Seek("KOR" + Nrd(4));
  ASSERT_TRUE(found.ok() && *found);
  EXPECT_EQ(a.recno(), recno);
  HURT_ASSERT_OK(a.SetOrder(3));
  found = a.Seek("20260401" "1" "NEW");
  ASSERT_TRUE(found.ok() && *found);
  EXPECT_EQ(a.recno(), recno);
  HURT_ASSERT_OK(a.SetOrder(2));
  found = a.Seek("20260401AS");  // receipts sort as "A"
  ASSERT_TRUE(found.ok() && *found);
  EXPECT_EQ(a.recno(), recno);
  ExpectAllOrdersMatch(env_, a);

  // The current record moved to the end of order 1; skipping goes on from its new place.
  HURT_ASSERT_OK(a.SetOrder(1));
  HURT_ASSERT_OK(a.GoTop());
  HURT_ASSERT_OK(a.LockRecord());
  HURT_ASSERT_OK(a.Replace("RD", "ZZZ"));
  HURT_ASSERT_OK(a.Skip(1));
  EXPECT_TRUE(a.eof()) << "after ZZZ there is nothing";
  HURT_ASSERT_OK(a.Unlock());

  // A change of a field no key reads writes no index entry.
  const uint64_t before = a.stats().key_changes;
  HURT_ASSERT_OK(a.GoTop());
  HURT_ASSERT_OK(a.LockRecord());
  HURT_ASSERT_OK(a.Replace("NAZWA", "no key"));
  HURT_ASSERT_OK(a.Unlock());
  EXPECT_EQ(a.stats().key_changes, before);
  ExpectAllOrdersMatch(env_, a);
}

TEST_F(WorkAreaTest, AppendedRecordsGetTheirKeysOnceWritten) {
  WorkArea& a = OpenDowWithOrders(areas_);
  HURT_ASSERT_OK(a.SetOrder(1));
  HURT_ASSERT_OK(a.Append());
  EXPECT_TRUE(a.IsLocked()) << "ADD_REC leaves the new record locked";
  EXPECT_EQ(a.recno(), 1u);
  EXPECT_FALSE(a.eof());
  HURT_ASSERT_OK(a.Replace("RD", "FV "));
  HURT_ASSERT_OK(a.Replace("NRD", Nrd(5)));
  // Seeking writes the record first, so it is found by its new key.
  auto found = a.Seek("FV " + Nrd(5));
  ASSERT_TRUE(found.ok() && *found);
  EXPECT_EQ(a.stats().key_changes, 3u) << "one insertion per order, no blank key first";
  // A record appended and left blank gets the blank key.
  HURT_ASSERT_OK(a.Append());
  HURT_ASSERT_OK(a.Unlock());
  HURT_ASSERT_OK(a.GoTop());
  EXPECT_EQ(a.recno(), 2u);
  ExpectAllOrdersMatch(env_, a);
}

TEST_F(WorkAreaTest, AppendBatchInsertsKeysInBulk) {
  WorkArea& a = OpenDowWithOrders(areas_);
  HURT_ASSERT_OK(AddLine(a, {.nrd = Nrd(0), .indeks = "before"}));
  HURT_ASSERT_OK(a.BeginAppendBatch());
  EXPECT_TRUE(a.in_append_batch());
  for (int i = 1; i <= 20000; ++i) {  // crosses the point where collected keys are handed over
    HURT_ASSERT_OK(a.Append());
    HURT_ASSERT_OK(a.Replace("RD", i % 2 ? "FV " : "WZ "));
    HURT_ASSERT_OK(a.Replace("NRD", Nrd(20000 - i)));
    HURT_ASSERT_OK(a.Replace("DATA", Date{JulianFromYmd(2026, 1, 1) + i % 90}));
    HURT_ASSERT_OK(a.Replace("INDEKS", "I" + std::to_string(i % 977)));
  }
  // An order move in the middle of a batch sees the batch's records.
  HURT_ASSERT_OK(a.SetOrder(1));
  auto found = a.Seek("WZ " + Nrd(0));
  ASSERT_TRUE(found.ok() && *found);
  EXPECT_EQ(a.recno(), 20001u);
  HURT_ASSERT_OK(a.EndAppendBatch());
  EXPECT_FALSE(a.in_append_batch());
  ExpectAllOrdersMatch(env_, a);
}

TEST_F(WorkAreaTest, IndexBatchKeepsOrdersRightAndEndsWithTheFileLock) {
  WorkArea& a = OpenDowWithOrders(areas_);
  for (int i = 1; i <= 300; ++i) HURT_ASSERT_OK(AddLine(a, {.nrd = Nrd(i), .indeks = "I" + std::to_string(i)}));
  EXPECT_EQ(a.BeginIndexBatch().code(), StatusCode::kInvalid) << "a shared table needs its file lock first";
  WorkAreas station2(env_);
  auto opened = station2.Open(5, "dow.dbf", "dow");
  ASSERT_TRUE(opened.ok());
  WorkArea& b = **opened;
  for (const char* ntx : {"dow1.ntx", "dow2.ntx", "dow3.ntx"}) ASSERT_TRUE(b.AttachOrder(ntx).ok());
  HURT_ASSERT_OK(b.SetOrder(1));

  HURT_ASSERT_OK(a.LockFile());
  HURT_ASSERT_OK(a.BeginIndexBatch());
  EXPECT_TRUE(a.in_index_batch());
  EXPECT_EQ(a.BeginIndexBatch().code(), StatusCode::kInvalid);
  for (uint32_t r = 1; r <= 300; r += 2) {
    HURT_ASSERT_OK(a.GoTo(r));
    HURT_ASSERT_OK(a.Replace("NRD", Nrd(1000 + static_cast<int>(r))));
    HURT_ASSERT_OK(a.Replace("DATA", Date{JulianFromYmd(2026, 5, 1 + static_cast<int>(r % 28))}));
  }
  // Seeks inside the batch see its changes.
  HURT_ASSERT_OK(a.SetOrder(1));
  auto found = a.Seek("FV " + Nrd(1007));
  ASSERT_TRUE(found.ok() && *found);
  EXPECT_EQ(a.recno(), 7u);

  // Another station cannot read the orders meanwhile, and sees everything afterwards.
  EXPECT_TRUE(b.Seek("FV " + Nrd(1007)).status().IsBusy());
  HURT_ASSERT_OK(a.Unlock());  // ends the batch
  EXPECT_FALSE(a.in_index_batch());
  found = b.Seek("FV " + Nrd(1299));
  ASSERT_TRUE(found.ok() && *found);
  EXPECT_EQ(b.recno(), 299u);
  found = b.Seek("FV " + Nrd(3));
  ASSERT_TRUE(found.ok());
  EXPECT_FALSE(*found);
  ExpectAllOrdersMatch(env_, a);
}

// Changes inside an index batch wait and go in sorted by key: a record changed several
// times (even back to its first key), records appended meanwhile and a seek in the middle
// must all end as if each change had gone in at once.
TEST_F(WorkAreaTest, IndexBatchChangesAppliedSortedEndAsAppliedOneByOne) {
  WorkArea& a = OpenDowWithOrders(areas_);
  for (int i = 1; i <= 400; ++i) HURT_ASSERT_OK(AddLine(a, {.nrd = Nrd(i), .indeks = "I" + std::to_string(i % 50)}));
  HURT_ASSERT_OK(a.LockFile());
  HURT_ASSERT_OK(a.BeginIndexBatch());
  for (int round = 0; round < 3; ++round) {
    for (uint32_t r = 1; r <= 400; r += 1 + static_cast<uint32_t>(round)) {
      HURT_ASSERT_OK(a.GoTo(r));
      const int nrd = round == 2 ? static_cast<int>(r) : 5000 + static_cast<int>((r * 7 + static_cast<uint32_t>(round) * 13) % 900);
      HURT_ASSERT_OK(a.Replace("NRD", Nrd(nrd)));
      HURT_ASSERT_OK(a.Replace("INDEKS", "J" + std::to_string((r + static_cast<uint32_t>(round)) % 30)));
    }
    if (round == 1) {
      HURT_ASSERT_OK(a.SetOrder(1));
      auto found = a.Seek("FV " + Nrd(3));
      ASSERT_TRUE(found.ok());
      HURT_ASSERT_OK(a.Append());
      HURT_ASSERT_OK(a.Replace("RD", "FV "));
      HURT_ASSERT_OK(a.Replace("NRD", Nrd(9999)));
    }
  }
  HURT_ASSERT_OK(a.Unlock());
  ExpectAllOrdersMatch(env_, a);
  HURT_ASSERT_OK(a.SetOrder(1));
  auto found = a.Seek("FV " + Nrd(9999));
  ASSERT_TRUE(found.ok() && *found);
  EXPECT_EQ(a.recno(), 401u);
}

TEST_F(WorkAreaTest, AnotherStationSeesAppendsAndChangesWithoutReopening) {
  WorkArea& a = OpenDowWithOrders(areas_);
  WorkAreas station2(env_);
  auto opened = station2.Open(5, "dow.dbf", "dow");
  ASSERT_TRUE(opened.ok());
  WorkArea& b = **opened;
  for (const char* ntx : {"dow1.ntx", "dow2.ntx", "dow3.ntx"}) ASSERT_TRUE(b.AttachOrder(ntx).ok());
  HURT_ASSERT_OK(b.SetOrder(1));
  HURT_ASSERT_OK(a.SetOrder(1));

  HURT_ASSERT_OK(AddLine(a, {.nrd = Nrd(1), .indeks = "A"}));
  HURT_ASSERT_OK(AddLine(a, {.nrd = Nrd(2), .indeks = "B"}));
  auto found = b.Seek("FV " + Nrd(2));
  ASSERT_TRUE(found.ok() && *found);
  EXPECT_EQ(b.recno(), 2u);
  EXPECT_EQ(Text(b.Get("INDEKS")), "B       ");

  // Station 2 changes a key; station 1 finds the record by the new key only.
  HURT_ASSERT_OK(b.LockRecord());
  HURT_ASSERT_OK(b.Replace("NRD", Nrd(9)));
  HURT_ASSERT_OK(b.Unlock());
  found = a.Seek("FV " + Nrd(2));
  ASSERT_TRUE(found.ok());
  EXPECT_FALSE(*found);
  found = a.Seek("FV " + Nrd(9));
  ASSERT_TRUE(found.ok() && *found);
  EXPECT_EQ(a.recno(), 2u);

  // Locks conflict between the stations.
  HURT_ASSERT_OK(a.LockRecord());
  HURT_ASSERT_OK(b.GoTo(2));
  EXPECT_TRUE(b.LockRecord().IsBusy());
  EXPECT_TRUE(b.LockFile().IsBusy());
  EXPECT_TRUE(b.Append().ok()) << "appending needs only the new record";
  HURT_ASSERT_OK(b.Unlock());
  HURT_ASSERT_OK(a.Unlock());
  HURT_ASSERT_OK(a.LockFile());
  EXPECT_TRUE(b.Append().IsBusy()) << "no appends under another station's file lock";
  HURT_ASSERT_OK(a.Unlock());
  ExpectAllOrdersMatch(env_, a);
}

TEST_F(WorkAreaTest, WritesLayChangesOverWhatIsOnFile) {
  WorkArea& a = OpenDowWithOrders(areas_);
  HURT_ASSERT_OK(AddLine(a, {.nrd = Nrd(1), .indeks = "A"}));
  WorkAreas station2(env_);
  auto opened = station2.Open(5, "dow.dbf", "dow");
  ASSERT_TRUE(opened.ok());
  WorkArea& b = **opened;
  for (const char* ntx : {"dow1.ntx", "dow2.ntx", "dow3.ntx"}) ASSERT_TRUE(b.AttachOrder(ntx).ok());

  // Station 1 has read the record (no lock). Station 2 changes a key field.
  HURT_ASSERT_OK(a.GoTo(1));
  HURT_ASSERT_OK(b.GoTo(1));
  HURT_ASSERT_OK(b.LockRecord());
  HURT_ASSERT_OK(b.Replace("NRD", Nrd(2)));
  HURT_ASSERT_OK(b.Unlock());

  // REC_LOCK re-reads: station 1 sees station 2's number.
  HURT_ASSERT_OK(a.LockRecord());
  EXPECT_EQ(Text(a.Get("NRD")), Nrd(2));
  HURT_ASSERT_OK(a.Unlock());

  // Station 1 takes the lock behind the work area's back (through the table), so its copy
  // of the record is older than the file. Its write must still take the old keys from
  // the file and keep station 2's field.
  HURT_ASSERT_OK(b.LockRecord());
  HURT_ASSERT_OK(b.Replace("NRD", Nrd(3)));
  HURT_ASSERT_OK(b.Replace("INDEKS", "B"));
  HURT_ASSERT_OK(b.Unlock());
  HURT_ASSERT_OK(a.table().LockRecord(1));
  EXPECT_EQ(Text(a.Get("NRD")), Nrd(2)) << "the stale copy";
  HURT_ASSERT_OK(a.Replace("LP", "  7"));
  HURT_ASSERT_OK(a.Replace("INDEKS", "C"));
  HURT_ASSERT_OK(a.Unlock());
  HURT_ASSERT_OK(a.GoTo(1));
  EXPECT_EQ(Text(a.Get("NRD")), Nrd(3)) << "station 2's change survives";
  EXPECT_EQ(Text(a.Get("LP")), "  7");
  EXPECT_EQ(Text(a.Get("INDEKS")), "C       ");
  ExpectAllOrdersMatch(env_, a);
}

TEST_F(WorkAreaTest, ChangesAreWrittenWhenTheAreaMovesOrCommits) {
  WorkArea& a = OpenDowWithOrders(areas_);
  HURT_ASSERT_OK(AddLine(a, {.nrd = Nrd(1), .indeks = "A"}));
  HURT_ASSERT_OK(AddLine(a, {.nrd = Nrd(2), .indeks = "B"}));
  WorkAreas station2(env_);
  auto b = station2.Open(5, "dow.dbf", "dow", {.read_only = true});
  ASSERT_TRUE(b.ok());

  HURT_ASSERT_OK(a.GoTo(1));
  HURT_ASSERT_OK(a.LockRecord());
  HURT_ASSERT_OK(a.Replace("NAZWA", "first"));
  HURT_ASSERT_OK((*b)->GoTo(1));
  EXPECT_EQ(Text((*b)->Get("NAZWA")), std::string(20, ' ')) << "not written yet";
  HURT_ASSERT_OK(a.Skip());
  HURT_ASSERT_OK((*b)->GoTo(1));
  EXPECT_EQ(Text((*b)->Get("NAZWA")).substr(0, 5), "first");

  HURT_ASSERT_OK(a.LockRecord());
  HURT_ASSERT_OK(a.Replace("NAZWA", "second"));
  HURT_ASSERT_OK(a.Commit());
  HURT_ASSERT_OK((*b)->GoTo(2));
  EXPECT_EQ(Text((*b)->Get("NAZWA")).substr(0, 6), "second");
  EXPECT_TRUE(a.IsLocked()) << "commit keeps the lock";

  // Unlocking through the table loses the right to write: the change is dropped with an
  // error rather than written without the lock.
  HURT_ASSERT_OK(a.Replace("NAZWA", "third"));
  HURT_ASSERT_OK(a.table().UnlockAll());
  EXPECT_EQ(a.Flush().code(), StatusCode::kInvalid);
  HURT_ASSERT_OK((*b)->GoTo(2));
  EXPECT_EQ(Text((*b)->Get("NAZWA")).substr(0, 6), "second");
}

// A change of several fields of which one is refused is given up whole: nothing of it
// reaches the file or the orders, neither on the record nor on one just appended.
TEST_F(WorkAreaTest, DiscardedChangesNeverReachTheFile) {
  WorkArea& a = OpenDowWithOrders(areas_);
  HURT_ASSERT_OK(AddLine(a, {.nrd = Nrd(1), .indeks = "A", .ilosc = 5}));
  WorkAreas station2(env_);
  auto b = station2.Open(5, "dow.dbf", "dow", {.read_only = true});
  ASSERT_TRUE(b.ok());

  HURT_ASSERT_OK(a.GoTo(1));
  HURT_ASSERT_OK(a.LockRecord());
  HURT_ASSERT_OK(a.Replace("INDEKS", "CHANGED"));  // a key field of dow3
  HURT_ASSERT_OK(a.Replace("NAZWA", "changed"));
  EXPECT_EQ(a.Replace("ILOSC", 1234567.0).code(), StatusCode::kInvalid);
  a.DiscardChanges();
  EXPECT_FALSE(a.pending());
  EXPECT_EQ(Text(a.Get("INDEKS")), "A       ") << "the area shows the record as on file";
  HURT_ASSERT_OK(a.Skip(0));
  HURT_ASSERT_OK(a.Unlock());
  HURT_ASSERT_OK((*b)->GoTo(1));
  EXPECT_EQ(Text((*b)->Get("INDEKS")), "A       ");
  EXPECT_EQ(Text((*b)->Get("NAZWA")), std::string(20, ' '));
  EXPECT_DOUBLE_EQ((*b)->Get("ILOSC")->AsNumber(), 5.0);

  // Another station's change read under the lock stays: only this area's changes go.
  WorkAreas station3(env_);
  auto c = station3.Open(5, "dow.dbf", "dow");
  ASSERT_TRUE(c.ok());
  for (const char* ntx : {"dow1.ntx", "dow2.ntx", "dow3.ntx"}) ASSERT_TRUE((*c)->AttachOrder(ntx).ok());
  HURT_ASSERT_OK((*c)->GoTo(1));
  HURT_ASSERT_OK((*c)->LockRecord());
  HURT_ASSERT_OK((*c)->Replace("NAZWA", "station 3"));
  HURT_ASSERT_OK((*c)->Unlock());
  HURT_ASSERT_OK(a.LockRecord());
  HURT_ASSERT_OK(a.Replace("LP", "  9"));
  a.DiscardChanges();
  HURT_ASSERT_OK(a.Unlock());
  EXPECT_EQ(Text(a.Get("NAZWA")).substr(0, 9), "station 3");
  EXPECT_EQ(Text(a.Get("LP")), "  1");

  // A record just appended stays blank and still gets its (blank) keys.
  HURT_ASSERT_OK(a.Append());
  HURT_ASSERT_OK(a.Replace("RD", "PZ "));
  HURT_ASSERT_OK(a.Replace("NRD", Nrd(7)));
  a.DiscardChanges();
  EXPECT_TRUE(a.pending()) << "the blank record's keys are still to be inserted";
  HURT_ASSERT_OK(a.Unlock());
  HURT_ASSERT_OK((*b)->GoTo(2));
  EXPECT_EQ(Text((*b)->Get("RD")), "   ");
  EXPECT_EQ(Text((*b)->Get("NRD")), std::string(8, ' '));
  ExpectAllOrdersMatch(env_, a);
}

TEST_F(WorkAreaTest, OrderWhoseKeyDoesNotCompileNamesTheFile) {
  NtxCreateOptions bad;
  bad.key_expression = "rd+nosuchfield";
  bad.key_length = 10;
  HURT_ASSERT_OK(NtxIndex::Create(env_, "bad.ntx", bad));
  NtxCreateOptions bad_for;
  bad_for.key_expression = "rd";
  bad_for.key_length = 3;
  bad_for.for_expression = "ilosc >";
  HURT_ASSERT_OK(NtxIndex::Create(env_, "badfor.ntx", bad_for));
  WorkArea& a = OpenDow(areas_);
  auto attached = a.AttachOrder("bad.ntx");
  ASSERT_FALSE(attached.ok());
  EXPECT_EQ(attached.status().code(), StatusCode::kInvalid);
  EXPECT_NE(attached.status().message().find("bad.ntx"), std::string::npos) << attached.status().message();
  EXPECT_NE(attached.status().message().find("rd+nosuchfield"), std::string::npos);
  attached = a.AttachOrder("badfor.ntx");
  ASSERT_FALSE(attached.ok());
  EXPECT_NE(attached.status().message().find("badfor.ntx"), std::string::npos);
  EXPECT_EQ(a.order_count(), 0);
  EXPECT_EQ(a.AttachOrder("missing.ntx").status().code(), StatusCode::kNotFound);

  HURT_ASSERT_OK(a.LockFile());
  auto created = a.CreateOrder("new.ntx", "rd+");
  ASSERT_FALSE(created.ok());
  EXPECT_NE(created.status().message().find("new.ntx"), std::string::npos);
  EXPECT_FALSE(env_.Exists("new.ntx"));
}

TEST_F(WorkAreaTest, BuildingAnOrderNeedsTheTableToItself) {
  WorkArea& a = OpenDow(areas_);
  HURT_ASSERT_OK(AddLine(a, {.nrd = Nrd(1), .indeks = "A"}));
  EXPECT_EQ(a.CreateOrder("dow1.ntx", kDow1).status().code(), StatusCode::kInvalid);
  HURT_ASSERT_OK(a.LockFile());
  ASSERT_TRUE(a.CreateOrder("dow1.ntx", kDow1).ok());
  EXPECT_EQ(a.CreateOrder("dow1.ntx", kDow1).status().code(), StatusCode::kInvalid) << "attached already";
  HURT_ASSERT_OK(a.Unlock());

  // Reindex rebuilds from the table: an index that lost entries is whole again.
  HURT_ASSERT_OK(a.LockFile());
  HURT_ASSERT_OK(a.OrderIndex(1)->Remove("FV " + Nrd(1) + "  1", 1));
  HURT_ASSERT_OK(a.SetOrder(1));
  HURT_ASSERT_OK(a.Reindex());
  EXPECT_EQ(a.order(), 1);
  EXPECT_EQ(a.recno(), 1u);
  HURT_ASSERT_OK(a.Unlock());
  ExpectAllOrdersMatch(env_, a);
}

TEST_F(WorkAreaTest, ExclusiveUseAndReadOnlyUse) {
  WorkAreas station2(env_);
  WorkArea& a = OpenDow(areas_, /*exclusive=*/true);
  EXPECT_TRUE(station2.Open(5, "dow.dbf", "dow").status().IsBusy());
  HURT_ASSERT_OK(a.Append());
  HURT_ASSERT_OK(a.Replace("RD", "FV "));
  ASSERT_TRUE(a.CreateOrder("dow1.ntx", kDow1).ok()) << "exclusive use needs no file lock";
  HURT_ASSERT_OK(areas_.Close(5));

  auto ro = station2.Open(5, "dow.dbf", "dow", {.read_only = true});
  ASSERT_TRUE(ro.ok());
  ASSERT_TRUE((*ro)->AttachOrder("dow1.ntx").ok());
  HURT_ASSERT_OK((*ro)->GoTop());
  EXPECT_EQ(Text((*ro)->Get("RD")), "FV ");
  EXPECT_EQ((*ro)->Append().code(), StatusCode::kInvalid);
  EXPECT_EQ((*ro)->Replace("RD", "x").code(), StatusCode::kInvalid);
}

TEST_F(WorkAreaTest, FailedIndexWriteIsReportedAndReindexRepairs) {
  FaultEnv faulty(env_);
  WorkAreas areas(faulty);
  auto opened = areas.Open(5, "dow.dbf", "dow");
  ASSERT_TRUE(opened.ok());
  WorkArea& a = **opened;
  HURT_ASSERT_OK(a.LockFile());
  ASSERT_TRUE(a.CreateOrders(std::vector<OrderDefinition>{{"dow1.ntx", kDow1, {}}, {"dow3.ntx", kDow3, {}}}).ok());
  HURT_ASSERT_OK(a.Unlock());
  HURT_ASSERT_OK(AddLine(a, {.nrd = Nrd(1), .indeks = "A"}));
  HURT_ASSERT_OK(a.GoTo(1));
  HURT_ASSERT_OK(a.LockRecord());
  HURT_ASSERT_OK(a.Replace("NRD", Nrd(2)));
  faulty.FailWrite(1, "dow1.ntx");
  Status s = a.Unlock();
  EXPECT_EQ(s.code(), StatusCode::kIoError) << s.ToString();
  // The record and the other order were written.
  HURT_ASSERT_OK(a.GoTo(1));
  EXPECT_EQ(Text(a.Get("NRD")), Nrd(2));
  ExpectOrderMatchesTable(faulty, a, 2);
  HURT_ASSERT_OK(a.LockFile());
  HURT_ASSERT_OK(a.Reindex());
  HURT_ASSERT_OK(a.Unlock());
  ExpectAllOrdersMatch(faulty, a);
}

}  // namespace
}  // namespace hurt::xbase::wa_test
