#include "reports/missing_numbers.h"

#include <cstdint>
#include <optional>
#include <vector>

#include "base/date.h"
#include "base/numeric.h"
#include "base/text.h"
#include "session/area_fields.h"
#include "session/helpers.h"
#include "session/session.h"
#include "store/schema.h"
#include "xbase/work_area.h"

namespace hurt::reports {

namespace {

using session::FieldDate;
using session::FieldNumber;
using session::FieldText;

// Puts back the order, position and deleted switch of a shared area.
class KeepArea {
 public:
  explicit KeepArea(xbase::WorkArea& a)
      : a_(a), order_(a.order()), recno_(a.recno()), hidden_(a.deleted_hidden()) {}
  ~KeepArea() {
    a_.SetDeletedHidden(hidden_);
    (void)a_.SetOrder(order_);
    (void)a_.GoTo(recno_);
  }
  KeepArea(const KeepArea&) = delete;
  KeepArea& operator=(const KeepArea&) = delete;

 private:
  xbase::WorkArea& a_;
  int order_;
  uint32_t recno_;
  bool hidden_;
};

// The number of a document when it is a whole number of up to 8 digits.
std::optional<long> WholeNumber(std::string_view nrd) {
  const std::string t = AllTrim(nrd);
  if (t.empty() || t.size() > 8) return std::nullopt;
  long n = 0;
  for (char c : t) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  return n;
}

// A number of one kind, with what its headers say.
struct NumberGroup {
  long number = -1;
  bool live = false;
  std::string deleted_line;  // the line of its last deleted header
};

class KindGaps {
 public:
  KindGaps(std::string rd, const std::function<void(const std::string&)>& line) : rd_(std::move(rd)), line_(line) {}

  void Header(xbase::WorkArea& dowod, long number) {
    if (number != group_.number) {
      Finish();
      group_ = NumberGroup{};
      group_.number = number;
    }
    if (!dowod.deleted()) {
      group_.live = true;
      return;
    }
    JulianDay when = FieldDate(dowod, "R_DATA");
    if (when == kEmptyDate) when = FieldDate(dowod, "DATA");
    group_.deleted_line = rd_ + std::string(dowod.FieldBytes(dowod.FieldIndex("NRD"))) +
                          " odb: " + AllTrim(FieldText(dowod, "ODB")) +
                          ", brutto:" + Str(FieldNumber(dowod, "NETTO") + FieldNumber(dowod, "VAT"), 8, 2) +
                          ", operator:" + AllTrim(FieldText(dowod, "OPERATOR")) + ", " + Dtoc(when) + " " +
                          Left(FieldText(dowod, "R_CZAS"), 5) + " w poprawie lub skasowany";
  }
  // The last number of the kind is read: what follows the last issued number is not a gap.
  void Finish() {
    if (group_.number < 0) return;
    if (group_.live) {
      if (last_issued_ >= 0) Gap(group_.number);
      last_issued_ = group_.number;
      deleted_.clear();
    } else if (last_issued_ >= 0) {
      deleted_.push_back({group_.number, group_.deleted_line});
    }
    group_ = NumberGroup{};
  }

 private:
  // The numbers between the last issued one and `next`.
  void Gap(long next) {
    const long count = next - last_issued_ - 1;
    if (count <= 0) return;
    if (count > kLongGap) {
      for (const auto& d : deleted_) line_(d.second);
      line_(rd_ + Str(static_cast<double>(last_issued_ + 1), 8) + "-" + AllTrim(Str(static_cast<double>(next - 1), 8)) +
            " brak " + AllTrim(Str(static_cast<double>(count - static_cast<long>(deleted_.size())), 8)) + " numerow");
      return;
    }
    size_t d = 0;
    for (long n = last_issued_ + 1; n < next; ++n) {
      if (d < deleted_.size() && deleted_[d].first == n) {
        line_(deleted_[d++].second);
      } else {
        line_(rd_ + Str(static_cast<double>(n), 8) + " brak numeru");
      }
    }
  }

  std::string rd_;
  const std::function<void(const std::string&)>& line_;
  NumberGroup group_;
  long last_issued_ = -1;
  std::vector<std::pair<long, std::string>> deleted_;  // deleted-only numbers after the last issued one
};

Status KindNumbers(xbase::WorkArea& dowod, const std::string& rd, const std::function<void(const std::string&)>& line) {
  const int rd_at = dowod.FieldIndex("RD"), nrd_at = dowod.FieldIndex("NRD");
  if (rd_at < 0 || nrd_at < 0) return Status::Invalid("Plik dowod bez pol RD, NRD");
  auto found = dowod.SeekKey(rd, true);
  HURT_RETURN_IF_ERROR(found.status());
  KindGaps gaps(rd, line);
  while (!dowod.eof() && dowod.FieldBytes(rd_at) == rd) {
    const auto number = WholeNumber(dowod.FieldBytes(nrd_at));
    if (number) gaps.Header(dowod, *number);
    HURT_RETURN_IF_ERROR(dowod.Skip(1));
  }
  gaps.Finish();
  return Status::Ok();
}

}  // namespace

Status MissingNumbers(session::Session& s, const std::function<void(const std::string&)>& line) {
  xbase::WorkArea* slow = s.areas().Area(store::Table(store::TableId::kSlow).area);
  xbase::WorkArea* dowod = s.areas().Area(store::Table(store::TableId::kDowod).area);
  if (slow == nullptr || dowod == nullptr || dowod->order_count() < 1) return Status::NotFound("Plik dowod niedostepny");
  const std::string& hh = s.InArchive() ? s.hh_arc() : s.hh();  // "yy/mm", the month viewed
  const std::string month = hh.size() >= 5 ? AllTrim(session::Miesiac(hh.substr(3, 2), hh.substr(0, 2))) : std::string();
  line(month + " - brakujace numery dow. sprzedazy i dow. zakupu:");
  // The sales and purchase kinds, in the dictionary's order.
  std::vector<std::string> kinds;
  {
    KeepArea keep(*slow);
    const int rd_at = slow->FieldIndex("RD"), s_z_at = slow->FieldIndex("S_Z");
    if (rd_at < 0 || s_z_at < 0) return Status::Invalid("Plik slow bez pol RD, S_Z");
    if (slow->order_count() >= 1) HURT_RETURN_IF_ERROR(slow->SetOrder(1));
    for (Status st = slow->GoTop(); !slow->eof() && kinds.size() < static_cast<size_t>(kMaxKinds); st = slow->Skip(1)) {
      HURT_RETURN_IF_ERROR(st);
      const std::string_view s_z = slow->FieldBytes(s_z_at);
      if (s_z == "S" || s_z == "Z") kinds.emplace_back(slow->FieldBytes(rd_at));
    }
  }
  KeepArea keep(*dowod);
  HURT_RETURN_IF_ERROR(dowod->SetOrder(1));
  dowod->SetDeletedHidden(false);
  for (const std::string& rd : kinds) HURT_RETURN_IF_ERROR(KindNumbers(*dowod, rd, line));
  line("Koniec");
  return Status::Ok();
}

}  // namespace hurt::reports
