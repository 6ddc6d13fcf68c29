#include "window_table.h"

#include "code_page.h"
#include "journal_events.h"
#include "name_compare.h"

namespace emu {
namespace {
constexpr std::int64_t kFirstMessage = 0xC000;
constexpr std::int64_t kLastMessage = 0xFFFF;
}  // namespace

Status FindTopWindow(Device& device, const std::optional<std::u16string>& className,
                     const std::optional<std::u16string>& title, std::int64_t* handle) {
  *handle = 0;
  return device.Read([&](sql::Database& db) {
    sql::Statement select = db.Prepare(
        "SELECT handle FROM windows WHERE (?1 IS NULL OR class_folded = ?1) "
        "AND (?2 IS NULL OR title_folded = ?2) ORDER BY handle LIMIT 1");
    select.BindOptional(1, className ? std::optional(FoldedKey(*className)) : std::nullopt);
    select.BindOptional(2, title ? std::optional(FoldedKey(*title)) : std::nullopt);
    bool row = false;
    if (Status status = select.Step(&row); !status.ok()) return status;
    if (row) *handle = select.Int(0);
    return Status::Ok();
  });
}

Status RegisterMessage(Device& device, std::u16string_view name, UINT* message) {
  // The unique folded name keeps the first number given to a name.
  return device.Write([&](sql::Database& db) {
    sql::Statement insert = db.Prepare(
        "INSERT OR IGNORE INTO window_messages(id, name, folded) "
        "SELECT COALESCE(MAX(id) + 1, ?1), ?2, ?3 FROM window_messages");
    insert.Bind(1, kFirstMessage).Bind(2, Utf16ToUtf8(name)).Bind(3, FoldedKey(name));
    if (Status status = insert.Run(); !status.ok()) return status;
    sql::Statement select = db.Prepare("SELECT id FROM window_messages WHERE folded = ?1");
    select.Bind(1, FoldedKey(name));
    bool row = false;
    if (Status status = select.Step(&row); !status.ok()) return status;
    if (!row || select.Int(0) > kLastMessage) {
      return Status::Error(ERROR_NOT_ENOUGH_MEMORY, "no registered message numbers left");
    }
    *message = static_cast<UINT>(select.Int(0));
    return Status::Ok();
  });
}

Status DeliverMessage(Device& device, std::int64_t hwnd, UINT message, WPARAM wParam,
                      LPARAM lParam) {
  return device.Write([&](sql::Database& db) {
    MessageEvent event{hwnd, std::nullopt, message, std::nullopt, wParam, lParam};
    if (hwnd != kBroadcastHandle) {
      sql::Statement window = db.Prepare("SELECT title FROM windows WHERE handle = ?1");
      window.Bind(1, hwnd);
      bool row = false;
      if (Status status = window.Step(&row); !status.ok()) return status;
      if (!row) {
        return Status::Error(ERROR_INVALID_WINDOW_HANDLE,
                             "no window with handle " + std::to_string(hwnd));
      }
      event.title = Utf8ToUtf16(window.Text(0));
    }
    if (message >= kFirstMessage && message <= kLastMessage) {
      sql::Statement registered = db.Prepare("SELECT name FROM window_messages WHERE id = ?1");
      registered.Bind(1, std::int64_t{message});
      bool row = false;
      if (Status status = registered.Step(&row); !status.ok()) return status;
      if (row) event.name = Utf8ToUtf16(registered.Text(0));
    }
    return AppendMessageEvent(db, event);
  });
}

}  // namespace emu
