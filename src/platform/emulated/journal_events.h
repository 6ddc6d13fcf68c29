// The event journal in the device database: what the device's programs did that has no
// other visible trace (programs started, messages sent). Appends happen inside the
// caller's write transaction; events get sequence numbers 1, 2, ... in commit order.
// Tools and tests read the journal back through journal.h.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/ce.h"
#include "sqlite_db.h"
#include "status.h"

namespace emu {

struct ProcessEvent {
  std::optional<std::u16string> application;  // as given; nullopt for a null pointer
  std::optional<std::u16string> commandLine;
  bool started = false;
};

struct MessageEvent {
  std::int64_t hwnd = 0;                // 65535 for a broadcast
  std::optional<std::u16string> title;  // the window's title; none for a broadcast
  UINT message = 0;
  std::optional<std::u16string> name;  // the registered name of a registered message
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

Status AppendProcessEvent(sql::Database& db, const ProcessEvent& event);
Status AppendMessageEvent(sql::Database& db, const MessageEvent& event);

// One event as read back (journal.h): `process` is set for a process event,
// `message` otherwise.
struct JournalEvent {
  std::int64_t seq = 0;
  std::optional<ProcessEvent> process;
  std::optional<MessageEvent> message;
};

}  // namespace emu
