// The viewer's work with tables: Alt+B copies the current work area to a new table or to a
// CSV file for a spreadsheet, Alt+E reads the mail account from the mailer settings table.
#include "base/text.h"
#include "session/output/mail_password.h"
#include "session/output/report_copy.h"
#include "store/csv_table.h"
#include "session/area_fields.h"
#include "session/blat_table.h"
#include "session/output/report_paths.h"
#include "session/session.h"
#include "session/viewer_internal.h"
#include "xbase/dbt.h"
#include "xbase/table.h"

namespace hurt::session::viewer {

namespace {

// Work areas for short-lived tables of the viewer, away from the fixed ones (and from
// 149, the single-instance lock).
constexpr int kScratchFirst = 240;
constexpr int kScratchLast = 250;

// Puts an area's order and record back as they were when it was made.
class AreaPosition {
 public:
  explicit AreaPosition(xbase::WorkArea& area) : area_(area), order_(area.order()), recno_(area.recno()) {}
  ~AreaPosition() {
    (void)area_.SetOrder(order_);
    (void)area_.GoTo(recno_);
  }
  AreaPosition(const AreaPosition&) = delete;
  AreaPosition& operator=(const AreaPosition&) = delete;

 private:
  xbase::WorkArea& area_;
  int order_;
  uint32_t recno_;
};

// Copies the visible, undeleted records of `from` onto new records of `to`.
Status CopyRecords(xbase::WorkArea& from, xbase::WorkArea& to, uint32_t* copied) {
  HURT_RETURN_IF_ERROR(from.SetOrder(0));
  HURT_RETURN_IF_ERROR(from.GoTop());
  HURT_RETURN_IF_ERROR(to.BeginAppendBatch());
  Status status;
  for (; status.ok() && !from.eof(); status = from.Skip()) {
    if (from.deleted()) continue;
    status = to.Append();
    for (int i = 0; status.ok() && i < from.field_count(); ++i) {
      if (from.field(i).type == 'M') {
        auto memo = from.Get(i);  // the text, written into the new table's own memo file
        status = memo.ok() ? to.Replace(i, *memo) : memo.status();
      } else {
        status = to.ReplaceBytes(i, from.FieldBytes(i));
      }
    }
    if (status.ok()) ++*copied;
  }
  Status ended = to.EndAppendBatch();
  return status.ok() ? ended : status;
}

}  // namespace

Result<uint32_t> CopyCurrentAreaToTable(Session& session, const std::string& target) {
  xbase::WorkAreas& areas = session.areas();
  xbase::WorkArea* from = areas.Current();
  if (from == nullptr) return Status::Invalid("Brak bazy");
  if (target == from->path()) return Status::Busy("Nie kopiuje - to ta sama baza");
  xbase::Env& env = session.env();
  // A table somebody has open is not replaced under them (Busy); a file that is no table
  // may be replaced.
  if (env.Exists(target)) {
    auto probe = xbase::Table::Open(env, target, xbase::TableMode::Exclusive());
    if (!probe.ok() && probe.status().IsBusy()) return probe.status();
  }
  // Built whole under "<target>.tmp" (and its memo file), then renamed into place.
  const std::string temp = target + ".tmp";
  const std::string temp_memo = xbase::MemoPathFor(temp);
  auto remove_temp = [&] {
    (void)env.Remove(temp);
    if (env.Exists(temp_memo)) (void)env.Remove(temp_memo);
  };
  if (Status created = xbase::Table::Create(env, temp, from->table().fields()); !created.ok()) {
    remove_temp();
    return created;
  }
  const int area = areas.FirstFree(kScratchFirst, kScratchLast);
  if (area == 0) {
    remove_temp();
    return Status::Busy("Brak wolnego obszaru roboczego");
  }
  xbase::AreaOpenOptions exclusive;
  exclusive.exclusive = true;
  auto to = areas.Open(area, temp, "KOPIA_DBF", exclusive);
  if (!to.ok()) {
    remove_temp();
    return to.status();
  }
  uint32_t copied = 0;
  Status status;
  {
    AreaPosition keep(*from);
    status = CopyRecords(*from, **to, &copied);
  }
  Status closed = areas.Close(area);
  if (status.ok()) status = closed;
  if (status.ok() && env.Exists(temp_memo)) status = env.Rename(temp_memo, xbase::MemoPathFor(target));
  if (status.ok()) status = env.Rename(temp, target);
  if (!status.ok()) {
    remove_temp();
    return Status::IoError("Nie moge zapisac pliku " + target + " (" + status.message() + ")");
  }
  return copied;
}

Result<uint32_t> CopyCurrentAreaToCsv(Session& session, const std::string& target, CsvEncoding encoding) {
  xbase::WorkArea* from = session.areas().Current();
  if (from == nullptr) return Status::Invalid("Brak bazy");
  const CsvDialect dialect = CsvDialect::Spreadsheet(encoding);
  uint32_t copied = 0;
  AreaPosition keep(*from);
  Status status = WriteReplacing(session.env(), target, [&](xbase::File& out) -> Status {
    std::string block(CsvFileStart(dialect.encoding));
    block += store::CsvHeaderRow(from->table().schema(), dialect);
    uint64_t offset = 0;
    auto write = [&]() -> Status {
      HURT_RETURN_IF_ERROR(out.WriteAt(offset, block));
      offset += block.size();
      block.clear();
      return Status::Ok();
    };
    HURT_RETURN_IF_ERROR(from->SetOrder(0));
    HURT_RETURN_IF_ERROR(from->GoTop());
    while (!from->eof()) {
      if (!from->deleted()) {
        HURT_RETURN_IF_ERROR(store::AppendCsvRow(from->record(), dialect, &block));
        ++copied;
        if (block.size() >= 64 * 1024) HURT_RETURN_IF_ERROR(write());
      }
      HURT_RETURN_IF_ERROR(from->Skip());
    }
    return write();
  });
  if (!status.ok()) return status;
  return copied;
}

MailAccount ReadMailAccount(Session& session) {
  MailAccount account;
  const std::string table = FindBlatTable(session);
  if (!table.empty()) {
    xbase::WorkAreas& areas = session.areas();
    const int area = areas.FirstFree(kScratchFirst, kScratchLast);
    xbase::AreaOpenOptions read_only;
    read_only.read_only = true;
    if (area != 0) {
      if (auto blat = areas.Open(area, table, "BLAT_POCZTA", read_only); blat.ok()) {
        xbase::WorkArea& b = **blat;
        if (b.GoTop().ok() && !b.eof()) {
          account.server = AllTrim(FieldText(b, "SMTP"));
          account.port = AllTrim(FieldText(b, "PORT"));
          account.login = AllTrim(FieldText(b, "E_MAIL_Z"));
          account.sender = account.login;
          account.password = AllTrim(RevealMailPassword(FieldText(b, "HASLO")));  // kept hidden in the table
          // Missing in tables from before these settings: the safe answers then.
          account.plain_login_allowed = Upper(AllTrim(FieldText(b, "BEZ_TLS"))) == "T";
          account.check_certificate = Upper(AllTrim(FieldText(b, "BEZ_CERT"))) != "T";
        }
        (void)areas.Close(area);
      }
    }
  }
  const std::string m_smtp = AllTrim(session.vars().Text("M_SMTP"));
  if (!m_smtp.empty()) account.server = m_smtp;
  return account;
}

}  // namespace hurt::session::viewer
