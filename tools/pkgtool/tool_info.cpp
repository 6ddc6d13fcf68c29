// pkgtool's command table: every command with its arguments and options.
#include "commands.h"
#include "version.h"

namespace pkgtool {
namespace {

constexpr tool::Option kHelpOptions[] = {
    {"COMMAND", "", "the command to describe; none lists every command"},
};
constexpr tool::Option kAsOption = {
    "--as", "NAME",
    "reads the package as if it were delivered as NAME, with or without .gz (the entry "
    "names are scrambled with a key made from that name); by default the file's own name"};
constexpr tool::Option kPackOptions[] = {
    {"DIR", "",
     "the product's folder: InstallScript.xml and the files it installs; every file below "
     "it becomes an entry named by its path with backslashes"},
    {"-o", "OUT",
     "the package to write; its file name is the name it is made for (Notes.gz can only "
     "be read as Notes.gz); gzip-compressed when OUT ends in .gz"},
    {"--scramble-data", "",
     "scrambles the data of InstallScript.xml as well as the names; the other files stay "
     "plain, for the updater installs them as stored"},
    {"--level", "N", "the gzip compression level, 0 (none) to 9 (smallest); 6 by default"},
    {"--allow-no-script", "", "packs a folder without InstallScript.xml"},
    {"--lint", "",
     "lints the finished package, findings on standard error, and does not write it when "
     "there is an error"},
    {"--force", "", "with --lint, writes the package in spite of errors"},
};
constexpr tool::Option kListOptions[] = {
    {"FILE", "", "the package, gzip-compressed or not"},
    kAsOption,
    {"--json", "",
     "prints one JSON document: the package, the name it is opened by, and the entries with "
     "their name, size and whether their data is scrambled"},
};
constexpr tool::Option kExtractOptions[] = {
    {"FILE", "", "the package, gzip-compressed or not"},
    {"-C", "DIR", "the folder to write the entries below (made when missing)"},
    kAsOption,
    {"--force", "", "overwrites files that exist; without it nothing is written when one does"},
};
constexpr tool::Option kShowOptions[] = {
    {"FILE", "", "the package, gzip-compressed or not"},
    kAsOption,
};
constexpr tool::Option kDiffOptions[] = {
    {"OLD", "", "the package of the version before, gzip-compressed or not"},
    {"NEW", "", "the package of the new version"},
    {"--as", "NAME",
     "reads both packages as if they were delivered as NAME.gz; by default each file's own "
     "name"},
    {"--as-old", "NAME", "reads OLD as if it were delivered as NAME.gz, whatever --as says"},
    {"--as-new", "NAME", "reads NEW as if it were delivered as NAME.gz, whatever --as says"},
    {"--json", "", "prints the differences as one JSON document"},
};
constexpr tool::Option kLintOptions[] = {
    {"PRODUCT|FOLDER...", "",
     "the packages to check, e.g. Notes.gz; a delivery folder stands for its *.gz, taken "
     "as the updater takes them; each package is reported under its name, then a total"},
    {"--as", "NAME",
     "with one package only: reads it as if it were delivered as NAME.gz (the entry names "
     "are scrambled with a key made from that name); by default the file's own name"},
    {"--severity", "LEVEL",
     "error, warning or note (the default): shows that level and the more severe ones, "
     "and counts only those; the exit code still follows the errors"},
    {"--json", "", "prints one JSON document instead of one finding a line"},
};
constexpr tool::Option kTryOptions[] = {
    {"PRODUCT|FOLDER...", "",
     "the packages to install, e.g. Notes.gz, or a delivery folder's *.gz: all delivered "
     "together and installed by one run of the updater, as a device installs them"},
    {"--device", "DIR",
     "tries on a copy of the device folder DIR (only read) instead of a fresh device"},
    {"--as", "NAME",
     "with one product only: delivers it as NAME.gz; by default under its file's own name"},
    {"--json", "", "prints the report as one JSON document"},
    {"--updater", "PATH",
     "the updater to run; else $PKGTOOL_UPDATER, else updater beside pkgtool, else the "
     "first updater on PATH"},
    {"--timeout", "SECONDS",
     "ends the updater and what it started after this many seconds, 1 to 86400 (60)"},
};

constexpr tool::Command kCommands[] = {
    {"help", "[COMMAND]", "lists the commands, or describes one command", tool::RunHelpCommand,
     kHelpOptions},
    {"pack", "DIR -o OUT [--scramble-data] [--level N] [--allow-no-script] [--lint [--force]]",
     "packs the files below DIR into the package OUT (gzip-compressed when OUT ends in .gz); "
     "with --lint, not when lint finds errors",
     RunPack, kPackOptions},
    {"list", "FILE [--as NAME] [--json]",
     "lists the entries of a package: size, data, name; refuses a package cut short or made "
     "for another file name",
     RunList, kListOptions},
    {"extract", "FILE -C DIR [--as NAME] [--force]",
     "writes every entry of a package, decoded, below DIR; refuses what list refuses, and "
     "writes nothing when an entry is refused or a file exists",
     RunExtract, kExtractOptions},
    {"show", "FILE [--as NAME]", "prints the install script of a package, as stored", RunShow,
     kShowOptions},
    {"diff", "OLD NEW [--as NAME] [--as-old NAME] [--as-new NAME] [--json]",
     "tells what the package NEW changes against OLD: entries added, removed or changed, and "
     "the script's elements and attributes; exit 0 whether or not they differ",
     RunDiff, kDiffOptions},
    {"lint", "PRODUCT|FOLDER... [--as NAME] [--severity LEVEL] [--json]",
     "tells what in packages the updater would ignore or misread: one, several, or the *.gz "
     "of a delivery folder; exit 3 when a package cannot be read, else 1 when one has an "
     "error",
     RunLint, kLintOptions},
    {"try",
     "PRODUCT|FOLDER... [--device DIR] [--as NAME] [--json] [--updater PATH] "
     "[--timeout SECONDS]",
     "installs products (one, several, or the *.gz of a delivery folder) with one run of the "
     "updater on a throw-away device, fresh or a copy of DIR, and reports each product's "
     "outcome and what changed; exit 1 when a product was not completely installed, a "
     "program start failed, the updater ran out of time or a product's names do not decode "
     "under its file name (the updater installs nothing of it)",
     RunTry, kTryOptions},
};

}  // namespace

const tool::ToolInfo kTool{"pkgtool", {}, kCommands, tool::kVersion};

}  // namespace pkgtool
