#include "devices/pending_receipt.h"

#include "base/numeric.h"
#include "base/text.h"
#include "devices/note_lines.h"
#include "xbase/file_util.h"

namespace hurt::devices {
namespace {

constexpr std::string_view kWaiting = "czeka";
constexpr std::string_view kLines = "wiersze";
constexpr std::string_view kClosing = "zamkniecie";

}  // namespace

std::string EncodePendingReceipt(const PendingReceipt& p) {
  std::string_view stage = kWaiting;
  if (p.stage == PendingReceipt::Stage::kLines) stage = kLines;
  if (p.stage == PendingReceipt::Stage::kClosing) stage = kClosing;
  return "rd=" + RTrim(p.rd) + "\nnrd=" + p.nrd + "\npart=" + std::to_string(p.part) + "\nstage=" + std::string(stage) +
         "\n";
}

std::optional<PendingReceipt> DecodePendingReceipt(std::string_view text) {
  PendingReceipt p;
  bool rd = false, nrd = false, stage = false;
  ForEachNoteLine(text, [&](std::string_view key, std::string_view value) {
    if (key == "rd") {
      p.rd = PadR(value, 3);
      rd = !IsBlank(value);
    } else if (key == "nrd") {
      p.nrd = PadL(AllTrim(value), 8);
      nrd = !IsBlank(value);
    } else if (key == "part") {
      p.part = static_cast<int>(Val(value));
    } else if (key == "stage") {
      stage = value == kWaiting || value == kLines || value == kClosing;
      p.stage = value == kClosing ? PendingReceipt::Stage::kClosing
                : value == kLines ? PendingReceipt::Stage::kLines
                                  : PendingReceipt::Stage::kWaiting;
    }
  });
  if (!rd || !nrd || !stage || p.part < 1) return std::nullopt;
  return p;
}

Status WritePendingReceipt(xbase::Env& env, const std::string& path, const PendingReceipt& p) {
  return xbase::ReplaceWholeFile(env, path, EncodePendingReceipt(p));
}

Result<std::optional<PendingReceipt>> ReadPendingReceipt(xbase::Env& env, const std::string& path) {
  if (!env.Exists(path)) return std::optional<PendingReceipt>();
  auto text = xbase::ReadWholeFile(env, path);
  if (!text.ok()) return text.status();
  auto p = DecodePendingReceipt(*text);
  if (!p) return Status::Corruption(path + ": to nie jest zapis paragonu w drodze");
  return std::optional<PendingReceipt>(*p);
}

Status RemovePendingReceipt(xbase::Env& env, const std::string& path) {
  if (!env.Exists(path)) return Status::Ok();
  return env.Remove(path);
}

}  // namespace hurt::devices
