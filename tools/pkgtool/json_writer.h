// JsonWriter: builds one JSON document as text, with the commas and escapes in place.
//
// Calls must nest properly (a Key before every value inside an object); the writer does
// not check. Strings are UTF-8 and written as they are, but for the escapes JSON needs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pkgtool {

class JsonWriter {
 public:
  JsonWriter& BeginObject();
  JsonWriter& EndObject();
  JsonWriter& BeginArray();
  JsonWriter& EndArray();
  JsonWriter& Key(std::string_view name);
  JsonWriter& String(std::string_view text);
  JsonWriter& Number(std::int64_t value);
  JsonWriter& Bool(bool value);
  JsonWriter& Null();

  // The document so far.
  const std::string& text() const { return text_; }

 private:
  // Writes the comma that a value or key needs before it.
  void BeforeValue();
  void AppendString(std::string_view text);

  std::string text_;
  std::vector<bool> empty_;  // per open object or array: nothing in it yet
  bool afterKey_ = false;
};

}  // namespace pkgtool
