#include "show.h"

#include <cstdio>

#include "delivered_name.h"
#include "flags.h"
#include "install/script_words.h"

namespace pkgtool {

std::optional<std::string> ScriptText(PackageView& view) {
  System::IO::ResourcePackage& package = view.package();
  if (package.FindEntry(script_words::kScriptEntry) == nullptr) return std::nullopt;
  const AnsiString text = package.ReadEntry(script_words::kScriptEntry);
  if (text.data == nullptr) return std::string();
  return std::string(text.data, static_cast<std::size_t>(text.length));
}

int RunShow(const tool::Invocation& invocation) {
  tool::Flags flags({"--as"}, {});
  std::string error;
  if (!flags.Parse(invocation.args, &error)) return tool::UsageError(invocation, error);
  if (flags.arguments().size() != 1) {
    return tool::UsageError(invocation, "one package file to show");
  }
  const std::string& file = flags.arguments().front();
  auto view = OpenDecoded(file, flags.Value("--as"), &error);
  if (view == nullptr) {
    return tool::Fail(invocation.tool.name, tool::kExitUnreadableInput, error);
  }
  const std::optional<std::string> script = ScriptText(*view);
  if (!script) {
    return tool::Fail(
        invocation.tool.name, tool::kExitUnreadableInput,
        file + ": the package has no " + std::string(script_words::kScriptEntry) + " entry");
  }
  std::fwrite(script->data(), 1, script->size(), stdout);
  return tool::kExitSuccess;
}

}  // namespace pkgtool
