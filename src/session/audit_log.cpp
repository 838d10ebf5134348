#include "session/audit_log.h"

#include "base/text.h"
#include "session/session.h"
#include "store/net_files.h"

namespace hurt::session {

std::string AuditLogLine(JulianDay today, std::string_view time, std::string_view station, std::string_view op,
                         std::string_view rd, std::string_view nrd, std::string_view text) {
  return Dtoc(today) + " " + std::string(time) + " st." + std::string(station) + " op." + std::string(op) + " " +
         RTrim(rd) + "-" + AllTrim(nrd) + " " + std::string(text);
}

Status AuditLog(Session& s, std::string_view rd, std::string_view nrd, std::string_view text) {
  const std::string line = AuditLogLine(s.Today(), s.clock().TimeText(), s.StationText(), s.op().nr, rd, nrd, text);
  return store::DoklejTxt(s.env(), s.Path("kanty.txt"), line);
}

}  // namespace hurt::session
