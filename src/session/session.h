// The session of one station: everything a business routine works with.
//
// One Session object exists per running program (and per simulated station in tests).
// It holds the data directory, the Env (files, locks, clock), the console, the stored
// settings (J_...), the per-run variables (M_..., HH, STACJA ...), the work areas with the
// open tables, the logged-in operator and the station number. Business routines are
// ordinary functions taking a Session&; nothing else is global.
//
// Paths: the data directory is the root of every relative path the program uses
// ("firma.dbf", "26/12/as.dbf", "rob/d01.dbf"). Names are lower case on disk; FileX finds
// a name in upper or lower case (the rule of marker files).
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "base/clock.h"
#include "base/date.h"
#include "session/kalk.h"
#include "session/settings.h"
#include "xbase/env.h"
#include "xbase/value.h"
#include "xbase/work_area.h"

// Held by reference or returned whole: their headers are included where they are used.
namespace hurt::console {
class Console;
}
namespace hurt::store {
class Markers;
}

namespace hurt::session {

class Session;

// The per-run variables (M_RD, M_ODB, HH, WWW ...) by name, visible to expressions
// ("kto+odb=M_kto+M_odb"). Names are kept in upper case. Values keep their address while
// the variable exists, as the work areas require.
class SessionVariables final : public xbase::Variables {
 public:
  const xbase::Value* Find(std::string_view name) const override;

  bool Has(std::string_view name) const { return Find(name) != nullptr; }
  // Declares the variable when it does not exist, then sets it.
  void Set(std::string_view name, xbase::Value value);
  // The value, NIL when the variable does not exist.
  const xbase::Value& Get(std::string_view name) const;
  const std::string& Text(std::string_view name) const { return Get(name).AsString(); }
  double Number(std::string_view name) const { return Get(name).AsNumber(); }
  bool Logical(std::string_view name) const { return Get(name).AsLogical(); }
  JulianDay Date(std::string_view name) const { return Get(name).AsDate().day; }
  void Release(std::string_view name);

 private:
  std::map<std::string, xbase::Value, std::less<>> vars_;
};

// The logged-in operator and the rights strings that decide what they may do.
struct OperatorRights {
  std::string nr = " ";                    // M_NR: one character, " " = nobody logged in
  std::string nazwisko = std::string(30, ' ');  // M_NAZWISKO
  std::string prawa = std::string(20, ' ');     // M_PRAWA: right n granted unless char n is "N"
  std::string prawa1 = std::string(20, 'N');    // M_PRAWA1: restriction n applies when char n is "T"
  std::string prawa2;                           // M_PRAWA2: refusal tokens of menu items ("-M03 -D*")

  // PRAWA(n): character n of M_PRAWA is not "N" (a string shorter than n grants it).
  bool Prawa(int n) const;
  // PRAWA1(n): character n of M_PRAWA1 is "T".
  bool Prawa1(int n) const;
};

struct SessionOptions {
  std::string data_dir = ".";  // the data directory (the program's current directory)
  std::string argument;        // the one start-up argument (WWW), as given
  // The station's own local folder that stands for "C:\VAT_ROB" (single-instance lock).
  std::string local_dir;
};

// What the document screens ask of the floors above them, installed by the program that
// composes the session (main): F5 in a document's line grid prints the document and may
// hand back a follow-up (a similar document to enter) that runs once the grid has closed.
// A card payment asked for by document commit.
struct CardPayment {
  std::string rd;
  std::string odb;
  char r_p = 'R';       // 'R' a sale, 'K' a correction: a refund
  double value = 0;     // the document's gross value (its absolute value goes)
};
enum class CardPaymentResult { kNoTerminal, kApproved, kNotPaid };

struct DocumentActions {
  std::function<std::function<void()>(Session& session, xbase::WorkArea& lines)> print_document;
  // After a document rd+nrd has been posted whole (its electronic invoice, when the
  // installation sends them); what fails there is told and leaves the posting as it is.
  std::function<void(Session& session, std::string_view rd, std::string_view nrd)> after_posting;
  // The fiscal printer of the station (installed with the printer's layer): opening its
  // cash drawer, and a fiscal receipt of one amount at one VAT rate for a cash receipt.
  // false when the printer did not take it.
  std::function<void(Session& session)> open_cash_drawer;
  std::function<bool(Session& session, double kwota, std::string_view stawka, std::string_view tekst)> fiscal_receipt;
  // Whether a document of kind rd goes to the station's fiscal printer once it is posted
  // (the kind is in J_DF or tagged "[FISK]", and the station has a fiscal printer).
  std::function<bool(Session& session, std::string_view rd)> goes_to_fiscal_printer;
  // The posted document rd+nrd on the fiscal printer: its receipts or its fiscal invoice.
  // What fails there is told; the posted document stays as it is.
  std::function<void(Session& session, std::string_view rd, std::string_view nrd)> fiscal_document;
  // The card terminal (installed with the device layer): the card payment, or for a
  // correction the refund, of a new sale paid "C", made before it is posted. kNoTerminal
  // when the station has none; kApproved when the terminal approved it (now, or in an
  // earlier attempt at the same document), and the document is then posted as paid.
  std::function<CardPaymentResult(Session& session, const CardPayment& payment)> card_payment;
  // The document of that payment was posted (or dropped): the station's note of the
  // payment in flight goes.
  std::function<void(Session& session, bool posted)> card_payment_closed;
};

// What a floor above keeps open for the whole run of the station (the device layer's
// ports and connections): made by that floor on first use, ended with the session.
class RunState {
 public:
  virtual ~RunState() = default;
};

class Session {
 public:
  Session(xbase::Env& env, console::Console& con, SessionOptions options);
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  xbase::Env& env() { return env_; }
  Clock& clock() { return env_.clock(); }
  console::Console& con() { return con_; }
  Settings& settings() { return settings_; }
  SessionVariables& vars() { return vars_; }
  xbase::WorkAreas& areas() { return areas_; }
  KalkState& kalk() { return kalk_; }
  OperatorRights& op() { return op_; }
  const OperatorRights& op() const { return op_; }

  DocumentActions& document_actions() { return document_actions_; }
  std::unique_ptr<RunState>& device_state() { return device_state_; }

  const SessionOptions& options() const { return options_; }
  // The data directory, without a trailing "/".
  const std::string& root() const { return root_; }
  // A path inside the data directory: Path("26/12/as.dbf"). Backslashes become "/", the
  // name is lower-cased and blanks are removed, as every name the program creates.
  std::string Path(std::string_view relative) const;
  // FILE_X: the file exists under its name in upper or in lower case (blanks removed),
  // relative to the data directory unless it is absolute.
  bool FileX(std::string_view name) const;
  // The marker files of the data directory, for the table catalogue.
  store::Markers Markers() const;

  // ---- station and period ----
  int stacja() const { return stacja_; }
  void set_stacja(int n) { stacja_ = n; }
  // STR2(STACJA): "01".."99".
  std::string StationText() const;
  // Takes the life lock of the station's slot (store/station_files.h), held until the
  // session ends or the lock is taken for another slot. Busy when a running program holds
  // that slot's lock.
  Status HoldStationLock();
  bool holds_station_lock() const { return station_lock_ != nullptr; }
  // HH: the period folder "yy/mm" of the current month (from firma->BMR).
  const std::string& hh() const { return hh_; }
  void set_hh(std::string hh) { hh_ = std::move(hh); }
  // A path in the current period folder: PeriodPath("as.dbf") = "<root>/26/12/as.dbf".
  std::string PeriodPath(std::string_view name) const;
  // HH_ARC: the archive period being viewed; empty when working on the current month.
  const std::string& hh_arc() const { return hh_arc_; }
  void set_hh_arc(std::string hh) { hh_arc_ = std::move(hh); }
  bool InArchive() const { return !hh_arc_.empty(); }
  // WWW: the start-up argument ("" when none; one beginning with "cd" becomes "CD").
  const std::string& www() const { return www_; }

  // Today as the session's clock says.
  JulianDay Today() { return clock().Today(); }

 private:
  xbase::Env& env_;
  console::Console& con_;
  SessionOptions options_;
  std::string root_;
  Settings settings_;
  SessionVariables vars_;
  xbase::WorkAreas areas_;
  KalkState kalk_;
  OperatorRights op_;
  DocumentActions document_actions_;
  std::unique_ptr<RunState> device_state_;
  int stacja_ = 1;
  std::unique_ptr<xbase::File> station_lock_;
  std::string hh_;
  std::string hh_arc_;
  std::string www_;
};

}  // namespace hurt::session
