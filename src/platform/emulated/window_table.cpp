#include "window_table.h"

#include "code_page.h"
#include "journal.h"
#include "name_compare.h"

namespace emu {
namespace {
constexpr std::int64_t kFirstHandle = 0x10001;
constexpr std::int64_t kFirstMessage = 0xC000;
constexpr std::int64_t kLastMessage = 0xFFFF;
}  // namespace

Status AddWindow(Device& device, std::u16string_view title, std::u16string_view className,
                 std::int64_t* handle) {
  return device.Write([&](sql::Database& db) {
    sql::Statement insert;
    if (Status status = db.Prepare(
            "INSERT INTO windows(handle, class, class_folded, title, title_folded) "
            "VALUES((SELECT COALESCE(MAX(handle) + 1, ?1) FROM windows), ?2, ?3, ?4, ?5)",
            &insert);
        !status.ok()) {
      return status;
    }
    insert.Bind(1, kFirstHandle).Bind(2, Utf16ToUtf8(className)).Bind(3, FoldedKey(className));
    insert.Bind(4, Utf16ToUtf8(title)).Bind(5, FoldedKey(title));
    if (Status status = insert.Run(); !status.ok()) return status;
    *handle = db.LastInsertRowId();
    return Status::Ok();
  });
}

Status ListWindows(Device& device, std::vector<Window>* windows) {
  windows->clear();
  return device.Read([&](sql::Database& db) {
    sql::Statement select;
    if (Status status = db.Prepare("SELECT handle, class, title FROM windows ORDER BY handle",
                                   &select);
        !status.ok()) {
      return status;
    }
    for (bool row = true;;) {
      if (Status status = select.Step(&row); !status.ok()) return status;
      if (!row) break;
      windows->push_back(
          Window{select.Int(0), Utf8ToUtf16(select.Text(1)), Utf8ToUtf16(select.Text(2))});
    }
    return Status::Ok();
  });
}

Status FindTopWindow(Device& device, const std::optional<std::u16string>& className,
                     const std::optional<std::u16string>& title, std::int64_t* handle) {
  *handle = 0;
  return device.Read([&](sql::Database& db) {
    sql::Statement select;
    if (Status status = db.Prepare(
            "SELECT handle FROM windows WHERE (?1 IS NULL OR class_folded = ?1) "
            "AND (?2 IS NULL OR title_folded = ?2) ORDER BY handle LIMIT 1",
            &select);
        !status.ok()) {
      return status;
    }
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
    sql::Statement insert;
    if (Status status = db.Prepare(
            "INSERT OR IGNORE INTO window_messages(id, name, folded) "
            "SELECT COALESCE(MAX(id) + 1, ?1), ?2, ?3 FROM window_messages",
            &insert);
        !status.ok()) {
      return status;
    }
    insert.Bind(1, kFirstMessage).Bind(2, Utf16ToUtf8(name)).Bind(3, FoldedKey(name));
    if (Status status = insert.Run(); !status.ok()) return status;
    sql::Statement select;
    if (Status status = db.Prepare("SELECT id FROM window_messages WHERE folded = ?1", &select);
        !status.ok()) {
      return status;
    }
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
      sql::Statement window;
      if (Status status = db.Prepare("SELECT title FROM windows WHERE handle = ?1", &window);
          !status.ok()) {
        return status;
      }
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
      sql::Statement registered;
      if (Status status =
              db.Prepare("SELECT name FROM window_messages WHERE id = ?1", &registered);
          !status.ok()) {
        return status;
      }
      registered.Bind(1, std::int64_t{message});
      bool row = false;
      if (Status status = registered.Step(&row); !status.ok()) return status;
      if (row) event.name = Utf8ToUtf16(registered.Text(0));
    }
    return AppendMessageEvent(db, event);
  });
}

}  // namespace emu
