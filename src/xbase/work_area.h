// Work areas: what the application uses every day to read and change tables.
//
// A WorkArea joins one open table (Table) with its open NTX orders and their compiled key
// expressions, a controlling order, a current record, a filter, the SET DELETED switch and
// relations to other areas. WorkAreas holds the numbered areas 1..250 of one session (one
// station), the current area, and answers expressions across areas (alias->field).
//
//   WorkAreas areas(env, &session_variables);
//   auto dow = areas.Open(5, "24/03/dow.dbf", "dow");          // shared; Busy on conflict
//   HURT_RETURN_IF_ERROR(dow.status());
//   WorkArea& a = **dow;
//   HURT_RETURN_IF_ERROR(a.AttachOrder("24/03/dow1.ntx").status());
//   HURT_RETURN_IF_ERROR(a.SetOrder(1));
//   auto found = a.Seek("FV 00000012");                       // prefix seek in order 1
//   while (found.ok() && !a.eof() && ...) { ...a.Get("ILOSC")...; HURT_RETURN_IF_ERROR(a.Skip()); }
//
// Positions, as xBase defines them:
//   - EOF: the area stands on the phantom record RecCount()+1, whose fields are all blank.
//     It is reached by skipping past the last visible record, an exact seek that fails, a
//     soft seek above every key, GoTo of a record number that does not exist, GoTop /
//     GoBottom when no record is visible, and an empty table.
//   - BOF: set when a skip tried to move before the first visible record; the area then
//     stands on that first visible record (or at EOF when nothing is visible). An empty
//     table (or one with nothing visible) has EOF and BOF after GoTop.
//   - Skipping backwards from EOF lands on the last visible record. Skip(0) re-reads the
//     current record from the file.
//   - Found(): the result of the last Seek (false after any other movement).
//   - Visible records: with SET DELETED ON (the default, deleted_hidden()) deleted records
//     are skipped over; with a filter, records for which it is not true are skipped over.
//     Skip, GoTop, GoBottom and Seek never stop on an invisible record; GoTo goes to the
//     record it is given even when it is invisible (as xBase's GOTO does).
//   - Orders: with order n > 0 the area moves in the key order of that NTX file (equal keys
//     by record number); with order 0 in record-number (natural) order.
//
// Changes, locks and key maintenance:
//   - Replace changes a field of the current record in memory; the record is written when
//     the area leaves it (any movement), on Flush, Commit, Unlock*, Close, SetOrder and
//     before Append. Replace refuses (Invalid) unless the record is locked by this station
//     (its record lock, the file lock, an append batch's range, or exclusive use): the
//     write must not fail later for a missing lock.
//   - Writing a record: the record is read again from the file under the lock (another
//     station may have changed other fields since it was read), the fields replaced here
//     are laid over it, it is written, and then for every open order whose key bytes
//     changed the old entry (the key of the record as read from the file) is removed and
//     the new one inserted, both under one index update lock per order.
//   - Append (ADD_REC): writes pending changes, appends a blank record, which becomes
//     current and stays locked (the table's record lock). Its index entries are inserted
//     when the record is written (so a line appended and filled in costs one insert per
//     order, not an insert of the blank key and a change).
//   - LockRecord re-reads the record once it is locked, so what the caller sees is what is
//     on file while it holds the lock.
//   - Delete/Recall set the deleted flag of the current record (locks as for Replace).
//   - Numeric values that do not fit their field are refused with Invalid (never stored as
//     asterisks or cut).
//
// Coherence with other stations: the record count is read again when the area moves past
// the last record it knew (and on GoBottom, GoTo beyond it, Append, RecCount()); index
// changes made elsewhere are picked up by the index layer on each operation (ntx.h); the
// current record is read from the file on every movement. Two WorkAreas objects (two
// stations) on the same files see each other's appends and written changes without
// reopening.
//
// Errors: every call that touches a file returns a Status (or Result); on an error the
// position is left as it was when that can be done, otherwise at EOF. A damaged index
// gives Corruption naming the file. Nothing throws.
//
// Not thread-safe: one WorkAreas is one station, used by one thread.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "xbase/env.h"
#include "xbase/expr.h"
#include "xbase/expr_key.h"
#include "xbase/ntx.h"
#include "xbase/record.h"
#include "xbase/table.h"
#include "xbase/value.h"

namespace hurt::xbase {

class WorkAreas;

// The session's variables (M_KTO, J_VAT, ...) as expressions see them. Supplied by the
// caller; WorkAreas only reads through it.
class Variables {
 public:
  virtual ~Variables() = default;
  // The variable `name` (always upper case, e.g. "M_KTO"); nullptr when it does not
  // exist. Asked when an expression is compiled (to resolve the name) and again at every
  // evaluation; the pointer must stay valid until that evaluation returns.
  virtual const Value* Find(std::string_view name) const = 0;
};

struct AreaOpenOptions {
  bool exclusive = false;  // exclusive use (else shared)
  bool read_only = false;  // no changes, no locks
  // Index files opened by AttachOrder follow the table's mode; these tune them.
  size_t index_cache_pages = 2048;
};

struct OrderCreateOptions {
  bool unique = false;        // keep only the first record of each key
  std::string for_condition;  // "" = every record; else only records where it is true
};

// One order to build (CreateOrders).
struct OrderDefinition {
  std::string path;            // the .ntx file to write
  std::string key_expression;  // compiled against the area
  OrderCreateOptions options;
};

// One open order of an area (read-only facts).
struct OrderInfo {
  std::string path;            // the .ntx file
  std::string key_expression;  // as stored in the file
  std::string for_condition;   // "" = none
  KeyShape shape;              // type, length and decimals of the keys
  bool unique = false;
};

// One table open in a numbered work area. Made and owned by WorkAreas.
class WorkArea {
 public:
  ~WorkArea();
  WorkArea(const WorkArea&) = delete;
  WorkArea& operator=(const WorkArea&) = delete;

  // ---- identity --------------------------------------------------------------------------
  int number() const { return number_; }
  const std::string& alias() const { return alias_; }  // as given at open (compare ignoring case)
  Table& table() { return *table_; }
  const Table& table() const { return *table_; }
  const std::string& path() const { return table_->path(); }
  bool exclusive() const { return table_->exclusive(); }
  bool read_only() const { return table_->read_only(); }

  // ---- orders ----------------------------------------------------------------------------
  // Opens an existing NTX file as the next order (numbered from 1 in attach order). Its key
  // (and FOR) expression is compiled against this area; one that does not compile gives
  // Invalid naming the file and the expression. Busy when the file's open mode conflicts.
  // Does not change the controlling order. Returns the order number.
  Result<int> AttachOrder(const std::string& ntx_path);
  // Builds a new index file (replacing one of that name) from every record of the table
  // and attaches it as the next order. The key shape comes from evaluating the key on a
  // blank record. Needs exclusive use or the file lock in shared mode (Invalid otherwise),
  // since records written meanwhile by others would be missed. Returns the order number.
  Result<int> CreateOrder(const std::string& ntx_path, std::string_view key_expression,
                          const OrderCreateOptions& options = {});
  // Builds several orders in one pass over the table (faster than one CreateOrder each)
  // and attaches them in the order given. Returns the number of the first one.
  Result<int> CreateOrders(std::span<const OrderDefinition> definitions);
  // Rebuilds every attached order from the table in one pass (same lock rule as
  // CreateOrder); the controlling order stays, the area goes to the top.
  Status Reindex();
  // Closes every order (the controlling order becomes 0).
  Status CloseOrders();
  int order_count() const { return static_cast<int>(orders_.size()); }
  // SET ORDER TO n: 0 = natural order; Invalid when n is not an attached order. Writes
  // pending changes first; the current record stays current.
  Status SetOrder(int n);
  int order() const { return order_; }
  // Facts of order n (1-based); nullptr when there is no such order.
  const OrderInfo* Order(int n) const;
  // The index of order n, for tools and tests (Verify); nullptr when none.
  NtxIndex* OrderIndex(int n);
  // The file of the first order whose index has met damage (NtxIndex::damaged): its
  // entries are not to be trusted until it is rebuilt. "" when none has.
  std::string DamagedOrder() const;
  // The key of the current record in order n (n = 0: the controlling order), as stored.
  Result<std::string> KeyOf(int n = 0);

  // ---- position --------------------------------------------------------------------------
  bool eof() const { return eof_; }
  bool bof() const { return bof_; }
  bool found() const { return found_; }
  // RECNO(): the current record number; RecCount()+1 at EOF.
  uint32_t recno() const { return recno_; }
  // LASTREC(): the record count, read again from the file (shared mode).
  Result<uint32_t> RecCount();
  // The record count last seen, without reading the file.
  uint32_t known_count() const { return table_->RecordCount(); }
  // DELETED() of the current record (false at EOF).
  bool deleted() const { return !eof_ && record_.deleted(); }

  Status GoTop();
  Status GoBottom();
  // GOTO: onto record recno whether visible or not; EOF when it does not exist.
  Status GoTo(uint32_t recno);
  // SKIP n (negative: backwards) over visible records in the controlling order.
  Status Skip(long n = 1);
  // SEEK in the controlling order (Invalid in natural order). The value is turned into a
  // key of the order's type (Invalid on a type mismatch); a character value shorter than
  // the key seeks the first key that begins with it. Exact: found → on the first visible
  // record with such a key; else EOF. Soft: on the first visible record whose key is not
  // below the value (EOF when none); true only when its key begins with the value. Sets
  // found() to the result.
  Result<bool> Seek(const Value& value, bool soft = false);
  // The same with key bytes (a prefix of a key or a whole key).
  Result<bool> SeekKey(std::string_view key, bool soft = false);
  // A report that seeks this area in step with another one it walks (a header per group
  // of lines) may let seeks serve records from blocks read ahead, as skips do (at most
  // TableMode::read_ahead_ms old). Off by default: a seek reads the file as it is now.
  void SetSeeksReadAhead(bool on) { seeks_read_ahead_ = on; }

  // ---- visibility ------------------------------------------------------------------------
  // SET DELETED ON (true, the default) hides deleted records; OFF shows them.
  void SetDeletedHidden(bool hidden) { deleted_hidden_ = hidden; }
  bool deleted_hidden() const { return deleted_hidden_; }
  // SET FILTER TO condition: a logical expression compiled against this area (and the
  // session's areas and variables); "" clears it. Invalid when it does not compile or is
  // not logical. Does not move: call GoTop as xBase programs do.
  Status SetFilter(std::string_view condition);
  const std::string& filter() const;
  // True when the current record is visible (not at EOF, not hidden by the deleted
  // switch, the filter true). A filter that fails to evaluate counts as false.
  Result<bool> Visible();

  // ---- relations -------------------------------------------------------------------------
  // SET RELATION TO key INTO child: after every movement of this area the child area is
  // positioned by evaluating `key_expression` here and seeking it (exactly) in the child's
  // controlling order; a child in natural order goes to the record number the (numeric)
  // key gives. Several relations may be set; a child moving moves its own children.
  // Invalid when the child is this area or not open, or the key does not compile.
  Status SetRelation(int child_area, std::string_view key_expression);
  // Removes every relation of this area.
  void ClearRelations();
  // Positions the children again from the current record (after the child's order changed).
  Status SyncRelations();

  // ---- fields ----------------------------------------------------------------------------
  int field_count() const { return table_->schema().field_count(); }
  const DbfFieldDescriptor& field(int i) const { return table_->schema().field(i); }
  // FIELDPOS: 0-based index ignoring case; -1 when absent.
  int FieldIndex(std::string_view name) const { return table_->FieldIndex(name); }
  // The value of field i of the current record (blank at EOF); NotFound for a bad index or
  // name; memo fields read their text.
  Result<Value> Get(int i) const;
  Result<Value> Get(std::string_view name) const;
  // The raw bytes of field i of the current record (empty for a bad index).
  std::string_view FieldBytes(int i) const { return record_.FieldBytes(i); }
  // The current record as this area holds it (pending replaces included).
  const Record& record() const { return record_; }

  // ---- changes ---------------------------------------------------------------------------
  // REPLACE field WITH value on the current record (see "Changes" above). Invalid at EOF,
  // without the lock, on a type mismatch or a number too wide for its field; NotFound for
  // an unknown field. The record is unchanged on an error.
  Status Replace(int i, const Value& value);
  Status Replace(std::string_view name, const Value& value);
  // Replaces the raw bytes of field i (blank-padded or cut to the width), unchecked: for
  // copying fields between tables of the same layout.
  Status ReplaceBytes(int i, std::string_view raw);
  // Writes the pending changes of the current record (and its index entries) now.
  Status Flush();
  // True when the current record has changes not yet written.
  bool pending() const { return dirty_ || new_record_; }
  // Gives up the changes of the current record that are not written yet, writing nothing:
  // the record is again as last read from the file (a record just appended is blank again
  // and is still written, with its index entries, when the area leaves it). A change made
  // of several replaces of which one was refused thus leaves the file as it was; Skip(0)
  // would write the replaces made before the refusal.
  void DiscardChanges();
  // ADD_REC: appends a blank record that becomes current and locked (see above). Busy when
  // another station holds the file lock. Clears EOF/BOF/found.
  Status Append();
  // For bulk loading: holds the table's append lock from Begin to End so that appends cost
  // a memory copy (Table::BeginAppendBatch); index entries of the new records are collected
  // and inserted in key order at End (or when many have gathered), under one index lock
  // per order. Other stations' appends wait meanwhile: one bulk operation, never across
  // user input.
  Status BeginAppendBatch();
  Status EndAppendBatch();
  bool in_append_batch() const { return table_->InAppendBatch(); }
  // For bulk changes under the file lock (or exclusive use): every order keeps its index
  // update lock from Begin to End (NtxIndex::BeginBatch), so that a record's key changes
  // cost work in memory and the changed index pages are written together (at End, and
  // every few thousand pages). Other stations' reads of these orders wait meanwhile: one
  // bulk operation, never across user input. Invalid without the file lock in shared mode.
  // Unlock, Commit, CloseOrders and Close end it too.
  Status BeginIndexBatch();
  Status EndIndexBatch();
  bool in_index_batch() const { return index_batch_; }
  // DELETE / RECALL the current record (Invalid at EOF or without the lock).
  Status Delete();
  Status Recall();

  // ---- locks (passed through to the table; retrying is the caller's) ----------------------
  // RLOCK of the current record (Invalid at EOF): Busy when another station holds it or the
  // file lock. Other record locks of this area stay held. On success the record is read
  // again from the file (pending changes of this area are kept over it).
  Status LockRecord();
  // Locks record recno without moving.
  Status LockRecord(uint32_t recno);
  // Writes pending changes, then releases one record lock.
  Status UnlockRecord(uint32_t recno);
  // FLOCK: Busy when another station holds any lock of the table.
  Status LockFile();
  // UNLOCK: writes pending changes, then releases the file lock and every record lock.
  Status Unlock();
  // Whether this station holds a lock covering the current record (always when exclusive).
  bool IsLocked() const { return !eof_ && table_->IsRecordLocked(recno_); }

  // ---- commit and close ------------------------------------------------------------------
  // DBCOMMIT: writes pending changes, then makes the table and every order durable.
  Status Commit();
  // Writes pending changes and closes the orders and the table (dropping every lock). The
  // area object is destroyed by WorkAreas::Close afterwards.
  Status Close();

  // ---- statistics for tests and the benchmark --------------------------------------------
  struct Stats {
    uint64_t records_read = 0;   // record reads from the table
    uint64_t records_written = 0;
    uint64_t key_changes = 0;    // index entries removed or inserted
  };
  const Stats& stats() const { return stats_; }

 private:
  friend class WorkAreas;
  struct OrderState;
  struct RelationState;
  class RecordContext;

  WorkArea(WorkAreas& owner, int number, std::string alias, std::unique_ptr<Table> table,
           const AreaOpenOptions& options);

  // Reading records and positions (work_area.cpp).
  // Reads recno into record_ (NotFound past the end); `near` for sequential movement,
  // which may be served by the table's read-ahead (Table::ReadNear).
  Status Load(uint32_t recno, bool near);
  void SetEof();
  Result<bool> CurrentVisible();
  Status NaturalTop();
  Status NaturalBottom();
  Status NaturalSkip(long n);
  Status OrderTop();
  Status OrderBottom();
  Status OrderSkip(long n);
  // Moves the controlling order's cursor onto the current record.
  Status SyncCursor();
  // From the cursor's entry on, onto the first visible record in direction dir (+1/-1);
  // *hit false when the order ran out.
  Status SettleOnCursor(int dir, bool near, bool* hit);
  Result<bool> SeekBytes(std::string_view key, bool soft);
  Status AfterMove();  // children of relations follow
  Status RefreshCurrent();  // re-read the current record keeping pending changes
  void OverlayChanges(const Record& fresh);

  // Orders and keys (work_area_orders.cpp).
  Result<std::unique_ptr<OrderState>> OpenOrder(const std::string& ntx_path);
  Status ComputeKey(OrderState& order, const Record& rec, std::string* key, bool* has_key);
  Status BuildOrders(std::span<const OrderDefinition> definitions);
  Status WriteCurrent();
  Status ApplyBatchKeys();
  Status CheckBuildLock() const;

  WorkAreas& owner_;
  int number_;
  std::string alias_;
  std::unique_ptr<Table> table_;
  AreaOpenOptions options_;

  std::vector<std::unique_ptr<OrderState>> orders_;
  int order_ = 0;
  std::vector<std::unique_ptr<RelationState>> relations_;
  std::unique_ptr<Expression> filter_;
  std::string filter_text_;
  bool filter_reads_other_areas_ = false;
  bool deleted_hidden_ = true;
  bool seeks_read_ahead_ = false;

  // Position.
  uint32_t recno_ = 1;
  bool eof_ = true;
  bool bof_ = true;
  bool found_ = false;
  Record record_;  // the current record (blank at EOF), pending changes included
  Record base_;    // the current record as last read from the file
  Record scratch_;
  std::string encoded_;  // a field's bytes being replaced
  bool base_fresh_ = false;     // base_ was read while this station held the record's lock
  bool cursor_synced_ = false;  // the controlling order's cursor stands on recno_

  // Pending changes of the current record.
  bool dirty_ = false;
  bool new_record_ = false;          // appended; its index entries are not in the orders yet
  std::vector<char> changed_;        // [0] deleted flag, [i + 1] field i
  bool batch_pending_ = false;       // batch keys wait in the orders
  bool index_batch_ = false;         // the orders' update locks are held (BeginIndexBatch)

  Stats stats_;
  int relation_depth_ = 0;
};

// The work areas of one session.
//
// Areas are numbered 1..kMaxArea. Aliases are unique among the open areas and compared
// ignoring ASCII case. There is always a current area (initially 1), open or not.
//
// WorkAreas implements the expression interfaces: names resolve against the current area
// at compile time (or the area given to Compile), alias->field against the named area,
// other names against the Variables given; DATE() is the Env clock's today.
class WorkAreas final : public ExprScope, public ExprContext {
 public:
  static constexpr int kMaxArea = 250;

  // `variables` may be null (no variables) and must outlive this object.
  explicit WorkAreas(Env& env, Variables* variables = nullptr);
  ~WorkAreas() override;  // closes every area, ignoring errors
  WorkAreas(const WorkAreas&) = delete;
  WorkAreas& operator=(const WorkAreas&) = delete;

  Env& env() { return env_; }
  void set_variables(Variables* variables) { variables_ = variables; }

  // USE: opens the table `dbf_path` in area `area` under `alias` ("" = the file name
  // without folder and extension, upper case), closing what the area held. Selects
  // nothing. Busy when the open mode conflicts with another station, NotFound when the
  // file is missing, Invalid for a bad area number or an alias another area uses,
  // Corruption for a damaged table. On an error the area is left closed.
  Result<WorkArea*> Open(int area, const std::string& dbf_path, std::string_view alias = {},
                         const AreaOpenOptions& options = {});
  // Closes one area (OK when it is not open). Errors of writing pending changes are
  // reported, the area is closed anyway.
  Status Close(int area);
  // Closes every open area except those listed (e.g. {149}); the first error is reported.
  Status CloseAll(std::span<const int> keep = {});

  // The area by number or alias; nullptr when none is open there.
  WorkArea* Area(int area);
  const WorkArea* Area(int area) const;
  WorkArea* Find(std::string_view alias);
  const WorkArea* Find(std::string_view alias) const;
  // The lowest area in [first, last] with nothing open; 0 when none.
  int FirstFree(int first = 1, int last = kMaxArea) const;

  // SELECT: by number (Invalid outside 1..kMaxArea; an empty area may be selected) or by
  // alias (NotFound when no open area has it).
  Status Select(int area);
  Status Select(std::string_view alias);
  int current() const { return current_; }
  // The open area that is current; nullptr when the current area is empty.
  WorkArea* Current() { return Area(current_); }

  // Compiles an expression with `area` (default: the current one) as the area of its bare
  // names. Invalid with the text and position when it does not compile.
  Result<Expression> Compile(std::string_view text);
  Result<Expression> Compile(int area, std::string_view text);
  // Evaluates against the current records of every area.
  Result<Value> Evaluate(Expression& expr);
  Result<bool> EvaluateLogical(Expression& expr);

  // ---- ExprScope --------------------------------------------------------------------------
  int CurrentArea() const override { return current_; }
  std::optional<int> FindArea(std::string_view alias) const override;
  std::optional<FieldInfo> FindField(int area, std::string_view name) const override;
  std::optional<int> FindVariable(std::string_view name) const override;

  // ---- ExprContext ------------------------------------------------------------------------
  std::string_view FieldBytes(FieldRef field) const override;
  Status AppendMemo(FieldRef field, std::string* out) const override;
  const Value* Variable(int variable) const override;
  uint32_t RecNo(int area) const override;
  bool Deleted(int area) const override;
  JulianDay Today() const override;

 private:
  friend class WorkArea;
  Env& env_;
  Variables* variables_;
  std::vector<std::unique_ptr<WorkArea>> areas_;  // index = area number (0 unused)
  int current_ = 1;
  // Variable names handed out by FindVariable (the handle is the position).
  mutable std::vector<std::string> variable_names_;
};

}  // namespace hurt::xbase
