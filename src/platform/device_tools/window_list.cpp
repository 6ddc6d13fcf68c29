#include "window_list.h"

#include "code_page.h"
#include "name_compare.h"

namespace emu {
namespace {
constexpr std::int64_t kFirstHandle = 0x10001;
}  // namespace

Status AddWindow(Device& device, std::u16string_view title, std::u16string_view className,
                 std::int64_t* handle) {
  return device.Write([&](sql::Database& db) {
    sql::Statement insert = db.Prepare(
        "INSERT INTO windows(handle, class, class_folded, title, title_folded) "
        "VALUES((SELECT COALESCE(MAX(handle) + 1, ?1) FROM windows), ?2, ?3, ?4, ?5)");
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
    sql::Statement select = db.Prepare("SELECT handle, class, title FROM windows ORDER BY handle");
    for (bool row = true;;) {
      if (Status status = select.Step(&row); !status.ok()) return status;
      if (!row) break;
      windows->push_back(
          Window{select.Int(0), Utf8ToUtf16(select.Text(1)), Utf8ToUtf16(select.Text(2))});
    }
    return Status::Ok();
  });
}

}  // namespace emu
