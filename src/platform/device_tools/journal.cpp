#include "journal.h"

#include "code_page.h"
#include "json_text.h"

namespace emu {
namespace {

// Appends `,"name":` and the column as a string, or null when it is NULL.
void AppendStringField(std::string& out, const char* name, const sql::Statement& row, int column) {
  out += ",\"";
  out += name;
  out += "\":";
  if (row.IsNull(column)) {
    out += "null";
  } else {
    AppendJsonString(out, row.Text(column));
  }
}

}  // namespace

Status ReadJournal(Device& device, std::string* lines) {
  std::string out;
  const Status status = device.Read([&](sql::Database& db) {
    sql::Statement select = db.Prepare(
        "SELECT seq, kind, application, command_line, started, hwnd, title, message, name, "
        "wparam, lparam FROM events ORDER BY seq");
    for (bool row = true;;) {
      if (Status status = select.Step(&row); !status.ok()) return status;
      if (!row) break;
      const std::string kind = select.Text(1);
      out += "{\"seq\":" + std::to_string(select.Int(0)) + ",\"kind\":";
      AppendJsonString(out, kind);
      if (kind == "process") {
        AppendStringField(out, "application", select, 2);
        AppendStringField(out, "commandLine", select, 3);
        out += select.Int(4) != 0 ? ",\"started\":true" : ",\"started\":false";
      } else {
        out += ",\"hwnd\":" + std::to_string(select.Int(5));
        if (!select.IsNull(6)) AppendStringField(out, "title", select, 6);
        out += ",\"message\":" + std::to_string(select.Int(7));
        if (!select.IsNull(8)) AppendStringField(out, "name", select, 8);
        out += ",\"wParam\":" + std::to_string(static_cast<std::uint64_t>(select.Int(9)));
        out += ",\"lParam\":" + std::to_string(select.Int(10));
      }
      out += "}\n";
    }
    return Status::Ok();
  });
  lines->clear();
  if (status.ok()) *lines = std::move(out);
  return status;
}

Status ReadEvents(Device& device, std::int64_t afterSeq, std::vector<JournalEvent>* events) {
  std::vector<JournalEvent> read;
  const auto optionalText = [](const sql::Statement& row,
                               int column) -> std::optional<std::u16string> {
    if (row.IsNull(column)) return std::nullopt;
    return Utf8ToUtf16(row.Text(column));
  };
  const Status status = device.Read([&](sql::Database& db) {
    sql::Statement select = db.Prepare(
        "SELECT seq, kind, application, command_line, started, hwnd, title, message, name, "
        "wparam, lparam FROM events WHERE seq > ?1 ORDER BY seq");
    select.Bind(1, afterSeq);
    for (bool row = true;;) {
      if (Status status = select.Step(&row); !status.ok()) return status;
      if (!row) break;
      JournalEvent event;
      event.seq = select.Int(0);
      if (select.Text(1) == "process") {
        event.process =
            ProcessEvent{optionalText(select, 2), optionalText(select, 3), select.Int(4) != 0};
      } else {
        MessageEvent message;
        message.hwnd = select.Int(5);
        message.title = optionalText(select, 6);
        message.message = static_cast<UINT>(select.Int(7));
        message.name = optionalText(select, 8);
        message.wParam = static_cast<WPARAM>(select.Int(9));
        message.lParam = static_cast<LPARAM>(select.Int(10));
        event.message = message;
      }
      read.push_back(std::move(event));
    }
    return Status::Ok();
  });
  events->clear();
  if (status.ok()) *events = std::move(read);
  return status;
}

Status ClearJournal(Device& device) {
  return device.Write([](sql::Database& db) { return db.Execute("DELETE FROM events"); });
}

}  // namespace emu
