#include "journal_events.h"

#include "code_page.h"

namespace emu {
namespace {

std::optional<std::string> Utf8(const std::optional<std::u16string>& text) {
  if (!text) return std::nullopt;
  return Utf16ToUtf8(*text);
}

}  // namespace

Status AppendProcessEvent(sql::Database& db, const ProcessEvent& event) {
  sql::Statement insert = db.Prepare(
      "INSERT INTO events(kind, application, command_line, started) "
      "VALUES('process', ?1, ?2, ?3)");
  insert.BindOptional(1, Utf8(event.application)).BindOptional(2, Utf8(event.commandLine));
  insert.Bind(3, std::int64_t{event.started ? 1 : 0});
  return insert.Run();
}

Status AppendMessageEvent(sql::Database& db, const MessageEvent& event) {
  sql::Statement insert = db.Prepare(
      "INSERT INTO events(kind, hwnd, title, message, name, wparam, lparam) "
      "VALUES('message', ?1, ?2, ?3, ?4, ?5, ?6)");
  insert.Bind(1, event.hwnd).BindOptional(2, Utf8(event.title));
  insert.Bind(3, std::int64_t{event.message}).BindOptional(4, Utf8(event.name));
  // WPARAM is unsigned: its bits are kept and read back as unsigned.
  insert.Bind(5, static_cast<std::int64_t>(event.wParam)).Bind(6, std::int64_t{event.lParam});
  return insert.Run();
}

}  // namespace emu
