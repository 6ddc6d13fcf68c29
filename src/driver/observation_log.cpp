#include "driver/observation_log.h"

#include <cstring>
#include <new>
#include <string>

namespace {

String Widened(const char* text) {
  String wide;
  wide.AssignFromAnsi(text, text == nullptr ? 0 : static_cast<std::int32_t>(std::strlen(text)));
  return wide;
}

String Number(int value) {
  const std::string digits = std::to_string(value);
  return Widened(digits.c_str());
}

}  // namespace

std::unique_ptr<ObservationLog> ObservationLog::Create(const String& path) {
  AnsiString narrowPath;
  narrowPath.AssignFromWide(path.data, path.length);
  if (narrowPath.length <= 0) return nullptr;
  ce::FILE* const file = ce::fopen(narrowPath.data, "wb");
  if (file == nullptr) return nullptr;
  return std::unique_ptr<ObservationLog>(new ObservationLog(file));
}

ObservationLog::~ObservationLog() { ce::fclose(file_); }

void ObservationLog::InstallationBegun(const String& deliveredPath, int depth) {
  Write({String(TEXT("begin")), Number(depth), deliveredPath});
}

void ObservationLog::FileEntry(const AnsiString& entryName, const String& target,
                               FileOutcome outcome) {
  String name;
  name.AssignFromAnsi(entryName.data, entryName.length);
  Write({String(TEXT("file")), Widened(NameOf(outcome)), name, target});
}

void ObservationLog::ProductStarted(const String& program, bool started) {
  Write({String(TEXT("start")), String(started ? TEXT("started") : TEXT("failed")), program});
}

void ObservationLog::ActionPerformed(const char* event, const char* type, ActionOutcome outcome) {
  Write({String(TEXT("action")), Widened(NameOf(outcome)), Widened(event), Widened(type)});
}

void ObservationLog::InstallationEnded(InstallOutcome outcome) {
  Write({String(TEXT("end")), Widened(NameOf(outcome))});
}

void ObservationLog::Write(std::initializer_list<String> fields) noexcept {
  try {
    std::u16string line;
    for (const String& field : fields) {
      if (!line.empty()) line += static_cast<char16_t>(kSeparator);
      for (std::int32_t i = 0; i < field.length; ++i) {
        const auto unit = static_cast<char16_t>(field.data[i]);
        if (unit >= 0x20 && unit != kEscape) {
          line += unit;
          continue;
        }
        constexpr char kHex[] = "0123456789ABCDEF";
        line += static_cast<char16_t>(kEscape);
        line += static_cast<char16_t>(kHex[unit >> 4]);
        line += static_cast<char16_t>(kHex[unit & 0xF]);
      }
    }
    line += u'\n';
    // Little-endian whatever the host: the reader takes the bytes as they are written.
    std::string bytes;
    for (const char16_t unit : line) {
      bytes += static_cast<char>(unit & 0xFF);
      bytes += static_cast<char>(unit >> 8);
    }
    ce::fwrite(bytes.data(), 1, bytes.size(), file_);
  } catch (const std::bad_alloc&) {
    // The account loses a line; the installation is not held up by it.
  }
}
