// The session floor's main classes by name, for headers that only pass them on.
#pragma once

namespace hurt::session {
class Session;
class Settings;
}  // namespace hurt::session
