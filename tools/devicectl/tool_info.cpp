// devicectl's command table: every command with its arguments and options.
#include "commands.h"
#include "version.h"

namespace devicectl {
namespace {

constexpr tool::Option kHelpOptions[] = {
    {"COMMAND", "", "the command to describe, e.g. 'reg import'; none lists every command"},
};
constexpr tool::Option kRegExportOptions[] = {
    {"KEY", "",
     "the key whose subtree to print, with its root's full name, e.g. "
     "HKEY_LOCAL_MACHINE\\Software; the whole registry when left out"},
};
constexpr tool::Option kRegImportOptions[] = {
    {"FILE|-", "",
     "the .reg file to apply, or - for standard input: REGEDIT4 or version 5.00, UTF-16LE "
     "with a byte-order mark or UTF-8; nothing of it is applied when a line is malformed"},
};
constexpr tool::Option kWindowAddOptions[] = {
    {"TITLE", "", "the window's title"},
    {"--class", "NAME", "the window's class name (empty when left out)"},
};
constexpr tool::Option kEventsOptions[] = {
    {"--clear", "", "empties the journal instead of printing it"},
};
constexpr tool::Option kAttribOptions[] = {
    {"+h|-h", "", "+h sets the hidden attribute, -h clears it"},
    {"PATH", "", "the file or folder on the device, e.g. \\Temp\\a.txt"},
};
constexpr tool::Option kLsOptions[] = {
    {"PATH", "",
     "the folder (or file, or pattern with * and ?) on the device; the root folder when "
     "left out"},
    {"-R", "",
     "lists every folder below as well, each followed by its content, names as paths "
     "below PATH (Windows\\Start Menu)"},
    {"--json", "",
     "prints a JSON array instead, one object an entry: name, attributes, folder (true or "
     "false) and size"},
};
constexpr tool::Option kPushOptions[] = {
    {"HOSTFILE", "", "the file on the host to copy, or - for standard input"},
    {"CEPATH", "",
     "where on the device: a file, made or replaced, or a folder to copy into under "
     "HOSTFILE's name; names ignore case, as on the device"},
};
constexpr tool::Option kPullOptions[] = {
    {"CEPATH", "", "the file on the device to copy"},
    {"HOSTFILE", "",
     "where on the host: a file, made or replaced, a folder to copy into under CEPATH's "
     "name, or - for standard output"},
};

constexpr tool::Command kCommands[] = {
    {"help", "[COMMAND]", "lists the commands, or describes one command", tool::RunHelpCommand,
     kHelpOptions},
    {"init", "", "makes the device (keeps what exists)", RunInit},
    {"reg export", "[KEY]", "prints the registry, or the subtree of KEY, as a .reg file",
     RunRegExport, kRegExportOptions},
    {"reg import", "FILE|-", "applies a .reg file (- for standard input), all or nothing",
     RunRegImport, kRegImportOptions},
    {"window add", "TITLE [--class NAME]", "adds a top-level window and prints its handle",
     RunWindowAdd, kWindowAddOptions},
    {"window list", "", "lists the windows: handle, class and title, tab-separated", RunWindowList},
    {"events", "[--clear]", "prints the event journal as JSON lines, or empties it", RunEvents,
     kEventsOptions},
    {"attrib", "+h|-h PATH", "sets or clears the hidden attribute of a file or folder", RunAttrib,
     kAttribOptions},
    {"ls", "[-R] [--json] [PATH]", "lists a folder as the device sees it: attributes, size, name",
     RunLs, kLsOptions},
    {"push", "HOSTFILE CEPATH",
     "copies a host file to the device, whole or not at all (written under a temporary name, "
     "then renamed)",
     RunPush, kPushOptions},
    {"pull", "CEPATH HOSTFILE",
     "copies a device file to the host, whole or not at all (written under a temporary name, "
     "then renamed)",
     RunPull, kPullOptions},
};

constexpr tool::Option kToolOptions[] = {
    {"--device", "DIR",
     "the device's folder on the host; without it $CE_DEVICE, else "
     "$XDG_DATA_HOME/ce-device (~/.local/share/ce-device)"},
};

}  // namespace

const tool::ToolInfo kTool{"devicectl", kToolOptions, kCommands, tool::kVersion};

}  // namespace devicectl
