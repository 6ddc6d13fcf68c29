// RegistryValue data read back from the line a .reg export writes for it (see
// device_tools/reg_file.h), for the structured registry changes of `pkgtool try --json`.
//
// As JSON a value has "type" - REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_MULTI_SZ
// and the other standard names, "hex(N)" for a type without one - and "data": a string
// for REG_SZ and REG_EXPAND_SZ, a number for a 4-byte REG_DWORD, an array of strings for
// REG_MULTI_SZ (up to its terminating empty string), and lowercase hex digits, two a
// byte, for everything else (REG_BINARY, data of an unexpected size).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "json_writer.h"

namespace pkgtool {

struct ExportedValue {
  std::string name;      // unescaped, UTF-8; empty for the default value ("@")
  bool deleted = false;  // the line is `"name"=-`
  std::uint32_t type = 0;
  std::vector<std::uint8_t> bytes;  // the data as the registry holds it
};

// Reads one value line of an export, continuation lines joined with line breaks as in
// DeviceSnapshot. False when the line is not one the export writes.
bool ParseExportedValue(std::string_view line, ExportedValue* value);

// Writes the "type" and "data" members of `value`.
void WriteTypeAndData(JsonWriter& json, const ExportedValue& value);

}  // namespace pkgtool
