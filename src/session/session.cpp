#include "session/session.h"

#include "base/text.h"
#include "console/console.h"
#include "store/schema.h"
#include "store/station_files.h"

namespace hurt::session {

const xbase::Value* SessionVariables::Find(std::string_view name) const {
  auto it = vars_.find(Upper(name));
  return it == vars_.end() ? nullptr : &it->second;
}

void SessionVariables::Set(std::string_view name, xbase::Value value) {
  std::string key = Upper(name);
  auto it = vars_.find(key);
  if (it == vars_.end()) {
    vars_.emplace(std::move(key), std::move(value));
  } else {
    it->second = std::move(value);
  }
}

const xbase::Value& SessionVariables::Get(std::string_view name) const {
  static const xbase::Value kNil;
  const xbase::Value* v = Find(name);
  return v ? *v : kNil;
}

void SessionVariables::Release(std::string_view name) {
  auto it = vars_.find(Upper(name));
  if (it != vars_.end()) vars_.erase(it);
}

bool OperatorRights::Prawa(int n) const {
  if (n < 1 || static_cast<size_t>(n) > prawa.size()) return true;
  return prawa[static_cast<size_t>(n - 1)] != 'N';
}

bool OperatorRights::Prawa1(int n) const {
  if (n < 1 || static_cast<size_t>(n) > prawa1.size()) return false;
  return prawa1[static_cast<size_t>(n - 1)] == 'T';
}

namespace {
std::string NormaliseRoot(std::string dir) {
  if (dir.empty()) dir = ".";
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir;
}

// Backslashes to slashes, blanks removed: the spelling every stored name gets.
std::string CleanName(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (char c : name) {
    if (c == ' ') continue;
    out += c == '\\' ? '/' : c;
  }
  return out;
}
}  // namespace

Session::Session(xbase::Env& env, console::Console& con, SessionOptions options)
    : env_(env),
      con_(con),
      options_(std::move(options)),
      root_(NormaliseRoot(options_.data_dir)),
      settings_(env),
      areas_(env, &vars_) {
  www_ = options_.argument;
  if (Lower(Left(www_, 2)) == "cd") www_ = "CD" + www_.substr(2);
}

std::string Session::Path(std::string_view relative) const {
  std::string name = Lower(CleanName(relative));
  if (!name.empty() && name.front() == '/') return name;
  return root_ + "/" + name;
}

bool Session::FileX(std::string_view name) const {
  std::string clean = CleanName(name);
  auto full = [&](const std::string& n) { return (!n.empty() && n.front() == '/') ? n : root_ + "/" + n; };
  return env_.Exists(full(Upper(clean))) || env_.Exists(full(Lower(clean)));
}

store::Markers Session::Markers() const {
  return store::Markers([this](std::string_view name) { return FileX(name); });
}

std::string Session::StationText() const {
  if (stacja_ <= 0 || stacja_ > 99) return "00";
  return std::string(1, static_cast<char>('0' + stacja_ / 10)) + static_cast<char>('0' + stacja_ % 10);
}

Status Session::HoldStationLock() {
  station_lock_.reset();
  auto lock = store::TakeOwnStationLock(env_, root_, stacja_);
  HURT_RETURN_IF_ERROR(lock.status());
  station_lock_ = std::move(*lock);
  return Status::Ok();
}

std::string Session::PeriodPath(std::string_view name) const {
  return Path(hh_ + "/" + std::string(name));
}

}  // namespace hurt::session
