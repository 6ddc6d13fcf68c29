#include "catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>

#include "code_page.h"
#include "deliveries.h"
#include "testing/gzip_bytes.h"

namespace hostile {

namespace {

using namespace std::string_literals;
using namespace std::string_view_literals;

constexpr std::int64_t kMiB = 1024 * 1024;

// The file most hostile products carry.
pkg::EntrySource Data() { return {"data.txt", "hostile data", false}; }

std::string WriteValue(std::string_view name, std::string_view value,
                       std::string_view key = "HKLM\\Software\\Hostile") {
  return R"(<Action event="Install.Before" type="Registry.WriteValue" key=")" + std::string(key) +
         R"(" valueName=")" + std::string(name) + R"(" value=")" + std::string(value) + R"("/>)";
}

// An install script with the application folder \Program Files\Hostile, then `body`.
std::string Script(std::string_view body) {
  return "<Installation><AppPath>{ProgramFiles}\\Hostile</AppPath></Installation>" +
         std::string(body);
}

// What most hostile products would install if they were read: Data() below the
// application folder \Program Files\Hostile, and a registry value.
std::string InstallsSomething() {
  return Script(R"(<Files><File name="data.txt"/></Files><Actions>)" +
                WriteValue("Installed", "yes") + "</Actions>");
}

// InstallsSomething() with `count` empty attributes before the file entry's name.
std::string WithManyAttributes(std::size_t count) {
  return Script(R"(<Files><File )" + Repeat("a ", count) + R"(name="data.txt"/></Files><Actions>)" +
                WriteValue("Installed", "yes") + "</Actions>");
}

// InstallsSomething() with `count` empty elements before the file entry.
std::string WithManyFileEntries(std::size_t count) {
  return Script("<Files>" + Repeat("<F/>", count) + R"(<File name="data.txt"/></Files><Actions>)" +
                WriteValue("Installed", "yes") + "</Actions>");
}

void DeliverProduct(const Scene& scene, const std::string& script,
                    const std::vector<pkg::EntrySource>& files = {Data()},
                    std::string_view name = "Hostile.gz") {
  scene.Deliver(emu::Utf8ToUtf16(std::string(name)), Product(name, script, files));
}

// A package of two records, the install script of InstallsSomething() and then
// `second`, as raw bytes for "Hostile", gzip-compressed.
std::string WithSecondRecord(const std::string& second, std::uint32_t count = 2) {
  RawPackage package("Hostile");
  package.Word(0).Word(count).Entry("InstallScript.xml", InstallsSomething()).Bytes(second);
  return test::GzipBytes(package.bytes);
}

std::string Record(std::uint32_t nameLength, std::string_view name) {
  RawPackage record("Hostile");
  record.Word(nameLength).Name(name);
  return record.bytes;
}

std::string Words(std::initializer_list<std::uint32_t> values) {
  RawPackage words("Hostile");
  for (const std::uint32_t value : values) words.Word(value);
  return words.bytes;
}

void ExpectDeliveryKept(const Scene& scene, std::u16string_view name = u"Hostile") {
  EXPECT_TRUE(scene.Exists(u"\\Temp\\" + std::u16string(name) + u".gz")) << "the delivery is gone";
  EXPECT_FALSE(scene.Exists(u"\\Temp\\" + std::u16string(name))) << "a package file stayed";
}

void ExpectDeliveryGone(const Scene& scene, std::u16string_view name = u"Hostile") {
  const std::u16string delivered = u"\\Temp\\" + std::u16string(name) + u".gz";
  EXPECT_FALSE(scene.Exists(delivered)) << "the delivery stayed";
  EXPECT_FALSE(scene.Exists(delivered + u".try1")) << "the delivery stayed set aside";
  EXPECT_FALSE(scene.Exists(delivered + u".try2")) << "the delivery stayed set aside";
  EXPECT_FALSE(scene.Exists(u"\\Temp\\" + std::u16string(name))) << "a package file stayed";
}

// A product whose files could not all be put in place: nothing of it was written, and
// its delivery is set aside for one more attempt.
void ExpectKeptForAnotherAttempt(const Scene& scene, std::u16string_view name = u"Hostile") {
  const std::u16string delivered = u"\\Temp\\" + std::u16string(name) + u".gz";
  EXPECT_EQ(scene.InstalledFiles(), std::vector<std::string>{"\\Program Files\\Next\\next.txt"});
  EXPECT_FALSE(scene.Exists(delivered));
  EXPECT_TRUE(scene.Exists(delivered + u".try1")) << "the delivery is gone";
  EXPECT_FALSE(scene.Exists(u"\\Temp\\" + std::u16string(name))) << "a package file stayed";
}

// Only the next product's file and value are on the device, and nothing was started.
void ExpectNothingInstalled(const Scene& scene) {
  EXPECT_EQ(scene.InstalledFiles(), std::vector<std::string>{"\\Program Files\\Next\\next.txt"});
  EXPECT_EQ(scene.Registry().find("Hostile"), std::string::npos) << scene.Registry();
  EXPECT_EQ(scene.Journal(), "");
}

// What InstallsSomething() installs.
void ExpectInstalled(const Scene& scene) {
  EXPECT_TRUE(scene.Exists(u"\\Program Files\\Hostile\\data.txt"));
  if (scene.Exists(u"\\Program Files\\Hostile\\data.txt")) {
    EXPECT_EQ(scene.Read(u"\\Program Files\\Hostile\\data.txt"), "hostile data");
  }
  EXPECT_EQ(scene.RegistryText(HKEY_LOCAL_MACHINE, u"Software\\Hostile", u"Installed"), "yes");
}

std::optional<std::string> HostileValue(const Scene& scene, std::u16string_view name,
                                        std::u16string_view key = u"Software\\Hostile") {
  return scene.RegistryText(HKEY_LOCAL_MACHINE, key, name);
}

std::vector<std::string> With(std::vector<std::string> files) {
  files.push_back("\\Program Files\\Next\\next.txt");
  std::sort(files.begin(), files.end());
  return files;
}

// The chain of nested products: level k writes its value, carries level k + 1 and
// unpacks it after its own files.
std::string ChainLevel(int level, int levels) {
  const std::string name = "Chain" + std::to_string(level);
  std::string script = "<Installation><AppPath>{ProgramFiles}\\Hostile\\" + name +
                       "</AppPath></Installation><Actions>" +
                       WriteValue("Level" + std::to_string(level), "yes");
  std::vector<pkg::EntrySource> files;
  if (level + 1 < levels) {
    const std::string next = "Chain" + std::to_string(level + 1) + ".gz";
    script = R"(<Files><File name=")" + next + R"("/></Files>)" + script +
             R"(<Action event="Install.After" type="Product.Unpack" filename="%AppPath%\)" + next +
             R"("/>)";
    files.push_back({next, ChainLevel(level + 1, levels), false});
  }
  return Product(name + ".gz", script + "</Actions>", files);
}

// ---- Gzip data ---------------------------------------------------------------------------
void AddGzipDataCases(std::vector<Case>& cases) {
  // A delivery that cannot be expanded is kept for a later run, and nothing of it is
  // installed; no partial package file stays.
  cases.push_back({
      .name = "GzipCutInHalf",
      .deliver =
          [](const Scene& scene) {
            const std::string product = Product("Hostile.gz", InstallsSomething(), {Data()});
            scene.Deliver(u"Hostile.gz", product.substr(0, product.size() / 2));
          },
      .check =
          [](const Scene& scene) {
            ExpectDeliveryKept(scene);
            ExpectNothingInstalled(scene);
          },
  });
  cases.push_back({
      .name = "GzipDeflateDataCorrupted",
      .deliver =
          [](const Scene& scene) {
            std::string product = Product("Hostile.gz", InstallsSomething(), {Data()});
            for (std::size_t i = product.size() / 2; i < product.size() / 2 + 8; ++i)
              product[i] ^= 0x55;
            scene.Deliver(u"Hostile.gz", product);
          },
      .check =
          [](const Scene& scene) {
            ExpectDeliveryKept(scene);
            ExpectNothingInstalled(scene);
          },
  });
  cases.push_back({
      .name = "GzipChecksumWrong",
      .deliver =
          [](const Scene& scene) {
            std::string product = Product("Hostile.gz", InstallsSomething(), {Data()});
            product[product.size() - 8] ^= 0x01;  // the CRC-32 of the trailer
            scene.Deliver(u"Hostile.gz", product);
          },
      .check =
          [](const Scene& scene) {
            ExpectDeliveryKept(scene);
            ExpectNothingInstalled(scene);
          },
  });
  cases.push_back({
      .name = "GzipHeaderOnly",
      .deliver =
          [](const Scene& scene) {
            scene.Deliver(u"Hostile.gz", Product("Hostile.gz", InstallsSomething()).substr(0, 10));
          },
      .check =
          [](const Scene& scene) {
            ExpectDeliveryKept(scene);
            ExpectNothingInstalled(scene);
          },
  });
  // Bytes without the gzip signature are copied as they are: here they make no package.
  cases.push_back({
      .name = "NotGzipAtAll",
      .deliver =
          [](const Scene& scene) {
            std::string bytes = test::RandomBytes(4096, 9);
            bytes[0] = 'R';
            scene.Deliver(u"Hostile.gz", bytes);
          },
      .check =
          [](const Scene& scene) {
            ExpectDeliveryGone(scene);
            ExpectNothingInstalled(scene);
          },
  });
  // 4 MiB that expand to 4 GiB. The expansion streams through one 16 KiB block, so memory
  // stays flat; the disk fills up to what the device has (here 64 MiB), the write fails,
  // the partial package is deleted and the delivery kept.
  cases.push_back({
      .name = "GzipBombOfFourGibibytes",
      .deliver = [](const Scene& scene) { scene.Deliver(u"Hostile.gz", GzipBomb(kMiB, 4096)); },
      .check =
          [](const Scene& scene) {
            ExpectDeliveryKept(scene);
            ExpectNothingInstalled(scene);
          },
      .maxFileBytes = 64 * kMiB,
  });
  // zlib stops at data after a member that is no gzip member, as at the end of the file.
  cases.push_back({
      .name = "GzipMemberFollowedByGarbage",
      .deliver =
          [](const Scene& scene) {
            scene.Deliver(u"Hostile.gz", Product("Hostile.gz", InstallsSomething(), {Data()}) +
                                             "garbage after the member");
          },
      .check =
          [](const Scene& scene) {
            ExpectDeliveryGone(scene);
            ExpectInstalled(scene);
          },
  });
}

// ---- Package headers and records ------------------------------------------------------
void AddPackageCases(std::vector<Case>& cases) {
  // A package whose header or records do not make sense has no entries: nothing is
  // installed, and both files are deleted. Each one holds a valid install script first.
  const auto nothingFrom = [](std::function<std::string()> bytes) {
    return std::pair{[bytes](const Scene& scene) { scene.Deliver(u"Hostile.gz", bytes()); },
                     [](const Scene& scene) {
                       ExpectDeliveryGone(scene);
                       ExpectNothingInstalled(scene);
                     }};
  };
  const auto addNothingFrom = [&](const char* name, std::function<std::string()> bytes) {
    auto [deliver, check] = nothingFrom(std::move(bytes));
    cases.push_back({.name = name, .deliver = deliver, .check = check});
  };
  addNothingFrom("PackageEmpty", [] { return test::GzipBytes(""); });
  addNothingFrom("PackageHeaderCutShort", [] { return test::GzipBytes(Words({0}) + "\x01\x00"s); });
  addNothingFrom("PackageEntryCountNegative", [] {
    return test::GzipBytes(RawPackage("Hostile")
                               .Word(0)
                               .Word(0xFFFFFFFF)
                               .Entry("InstallScript.xml", InstallsSomething())
                               .bytes);
  });
  addNothingFrom("PackageEntryCountHuge", [] { return WithSecondRecord("", 0x7FFFFFFF); });
  addNothingFrom("PackageEntryCountBeyondRecords", [] { return WithSecondRecord("", 3); });
  // Two million real records after the script: an entry table beyond its memory bound.
  addNothingFrom("PackageOfTwoMillionEntries", [] {
    RawPackage package("Hostile");
    package.Word(0).Word(2'000'001).Entry("InstallScript.xml", InstallsSomething());
    const std::string record = RawPackage("Hostile").Word(1).Name("e").Word(0).Word(0).bytes;
    package.Bytes(Repeat(record, 2'000'000));
    return test::GzipBytes(package.bytes);
  });
  addNothingFrom("PackageNameLengthNegative", [] {
    return WithSecondRecord(Record(0xFFFFFFFF, "data.txt") + Words({12, 0}) + "hostile data");
  });
  addNothingFrom("PackageNameLengthOverLimit", [] {
    return WithSecondRecord(Record(68, std::string(68, 'n')) + Words({12, 0}) + "hostile data");
  });
  addNothingFrom("PackageNameCutShort", [] { return WithSecondRecord(Record(40, "data")); });
  addNothingFrom("PackageSizeNegative", [] {
    return WithSecondRecord(Record(8, "data.txt") + Words({0xFFFFFFFB, 0}));
  });
  addNothingFrom("PackageSizePastTheEnd", [] {
    return WithSecondRecord(Record(8, "data.txt") + Words({1000, 0}) + "short");
  });
  addNothingFrom("PackageRecordWithoutSizeWords",
                 [] { return WithSecondRecord(Record(8, "data.txt")); });
  addNothingFrom("PackageMadeForAnotherName", [] {
    return test::GzipBytes(
        pkg::BuildPackage("Other", {{"InstallScript.xml", InstallsSomething(), false}, Data()}));
  });
  // A decoded zero ends a name for lookups.
  cases.push_back({
      .name = "PackageNameWithADecodedZero",
      .deliver =
          [](const Scene& scene) {
            RawPackage package("Hostile");
            package.Word(0).Word(2).Entry("InstallScript.xml\0junk"sv, InstallsSomething());
            package.Entry("data.txt", "hostile data");
            scene.Deliver(u"Hostile.gz", test::GzipBytes(package.bytes));
          },
      .check =
          [](const Scene& scene) {
            ExpectDeliveryGone(scene);
            ExpectInstalled(scene);
          },
  });
  cases.push_back({
      .name = "PackageWithGarbageAfterTheEntries",
      .deliver =
          [](const Scene& scene) {
            const std::string package = pkg::BuildPackage(
                "Hostile", {{"InstallScript.xml", InstallsSomething(), false}, Data()});
            scene.Deliver(u"Hostile.gz", test::GzipBytes(package + test::RandomBytes(1000, 3)));
          },
      .check =
          [](const Scene& scene) {
            ExpectDeliveryGone(scene);
            ExpectInstalled(scene);
          },
  });
  // The first of two entries of one name is the one read.
  cases.push_back({
      .name = "PackageWithTwoScripts",
      .deliver =
          [](const Scene& scene) {
            const std::string second =
                Script("<Actions>" + WriteValue("Second", "yes") + "</Actions>");
            DeliverProduct(scene, InstallsSomething(),
                           {{"InstallScript.xml", second, false}, Data()});
          },
      .check =
          [](const Scene& scene) {
            ExpectInstalled(scene);
            EXPECT_EQ(HostileValue(scene, u"Second"), std::nullopt);
          },
  });
}

// ---- Names -------------------------------------------------------------------------------
void AddNameCases(std::vector<Case>& cases) {
  // ".." never climbs above the device's root: what aims above it lands in "\".
  cases.push_back({
      .name = "NamesClimbingWithDotDot",
      .deliver =
          [](const Scene& scene) {
            const std::string up = R"(..\..\..\..\..\..\)";
            DeliverProduct(
                scene,
                Script(R"(<Files><File name=")" + up + R"(hostile-escape.txt"/>)" +
                       R"(<File name="hostile-escape-2.txt" destination=")" + up +
                       R"("/></Files>)" +
                       R"(<Actions><Action event="Install.After" type="Shortcut.Create" )" +
                       R"(target="\Windows\x.exe" shortcutFilename="%AppPath%\)" + up +
                       R"(hostile-escape.lnk"/></Actions>)"),
                {{up + "hostile-escape.txt", "one", false},
                 {"hostile-escape-2.txt", "two", false}});
          },
      .check =
          [](const Scene& scene) {
            EXPECT_EQ(
                scene.InstalledFiles(),
                With({"\\hostile-escape-2.txt", "\\hostile-escape.lnk", "\\hostile-escape.txt"}));
            EXPECT_EQ(scene.Read(u"\\hostile-escape.txt"), "one");
            EXPECT_EQ(scene.Read(u"\\hostile-escape.lnk"), "16#\"\\Windows\\x.exe\"");
          },
  });
  // The device takes "/" as a separator too, but the folders of a target are made at
  // backslashes only: a name holding "/" below a missing folder cannot be written, so
  // nothing of the product is (a destination whose levels before the last exist would
  // get its last level made).
  cases.push_back({
      .name = "NamesWithForwardSlashes",
      .deliver =
          [](const Scene& scene) {
            DeliverProduct(
                scene,
                Script(R"(<Files><File name="sub/slash.txt"/><File name="plain.txt"/>)"
                       R"(<File name="plain.txt" destination="{ProgramFiles}/Hostile/up"/>)"
                       R"(<File name="plain.txt" destination="{ProgramFiles}/None/up"/>)"
                       R"(</Files>)"),
                {{"sub/slash.txt", "slash", false}, {"plain.txt", "plain", false}});
          },
      .check = [](const Scene& scene) { ExpectKeptForAnotherAttempt(scene); },
  });
  // A name with a control byte, a wildcard or a character that names may not hold is
  // refused by the device: such a product is not installed at all.
  cases.push_back({
      .name = "NamesWithControlBytes",
      .deliver =
          [](const Scene& scene) {
            std::string files = "<Files>";
            std::vector<pkg::EntrySource> entries;
            for (const std::string& name :
                 {"ctl\x01.txt"s, "tab\t.txt"s, "line\n.txt"s, "del\x7f.txt"s, "plain.txt"s}) {
              files += R"(<File name=")" + name + R"("/>)";
              entries.push_back({name, "bytes", false});
            }
            DeliverProduct(scene, Script(files + "</Files>"), entries);
          },
      .check = [](const Scene& scene) { ExpectKeptForAnotherAttempt(scene); },
  });
  cases.push_back({
      .name = "NamesWithWildcardsAndReservedCharacters",
      .deliver =
          [](const Scene& scene) {
            std::string files = "<Files>";
            std::vector<pkg::EntrySource> entries;
            for (const char* name :
                 {"a*b.txt", "a?b.txt", "a<b.txt", "a>b.txt", "a:b.txt", "a|b.txt", "plain.txt"}) {
              files += R"(<File name=")" + std::string(name) + R"("/>)";
              entries.push_back({name, "bytes", false});
            }
            DeliverProduct(scene, Script(files + "</Files>"), entries);
          },
      .check = [](const Scene& scene) { ExpectKeptForAnotherAttempt(scene); },
  });
  // Names are bytes of the device code page: bytes it leaves undefined, and UTF-8
  // sequences, become one character each.
  cases.push_back({
      .name = "NamesWithBytesOutsideTheCodePage",
      .deliver =
          [](const Scene& scene) {
            const std::string undefined = "\x81\x8d\x8f\x90\x9d\xff.txt";
            const std::string utf8 = "\xc3\xa9t\xc3\xa9.txt";
            DeliverProduct(scene,
                           Script(R"(<Files><File name=")" + undefined + R"("/><File name=")" +
                                  utf8 + R"("/></Files>)"),
                           {{undefined, "undefined", false}, {utf8, "utf8", false}});
          },
      .check =
          [](const Scene& scene) {
            EXPECT_EQ(scene.InstalledFiles(),
                      With({"\\Program Files\\Hostile\\" +
                                emu::Utf16ToUtf8(u"\u0081\u008d\u008f\u0090\u009d\u00ff.txt"),
                            "\\Program Files\\Hostile\\" +
                                emu::Utf16ToUtf8(u"\u00c3\u00a9t\u00c3\u00a9.txt")}));
          },
  });
  // The longest entry name (67 bytes) is written, and so is a path of 259 characters
  // (staged under a short name where the usual staging name would not fit); a product
  // with a path of 260 (MAX_PATH) is not installed.
  cases.push_back({
      .name = "NamesAndPathsAtTheLengthLimits",
      .deliver =
          [](const Scene& scene) {
            const std::string longest(67, 'n');
            DeliverProduct(scene,
                           Script(R"(<Files><File name=")" + longest + R"("/>)" +
                                  R"(<File name="n.txt" destination="\)" + std::string(252, 'd') +
                                  R"("/></Files>)"),
                           {{longest, "longest", false}, {"n.txt", "n", false}});
            DeliverProduct(scene,
                           Script(R"(<Files><File name="n.txt" destination="\)" +
                                  std::string(253, 'e') + R"("/></Files>)"),
                           {{"n.txt", "n", false}}, "TooLong.gz");
          },
      .check =
          [](const Scene& scene) {
            EXPECT_EQ(scene.InstalledFiles(),
                      With({"\\Program Files\\Hostile\\" + std::string(67, 'n'),
                            "\\" + std::string(252, 'd') + "\\n.txt"}));
            ExpectDeliveryGone(scene);
            EXPECT_TRUE(scene.Exists(u"\\Temp\\TooLong.gz.try1"));
          },
  });
}

// ---- Script shapes -----------------------------------------------------------------------
void AddScriptShapeCases(std::vector<Case>& cases) {
  // A script over 16 MiB is not read, whatever it holds: the product installs nothing.
  cases.push_back({
      .name = "ScriptOverSixteenMiB",
      .deliver =
          [](const Scene& scene) {
            DeliverProduct(scene, Repeat("<a>", 6'000'000) + InstallsSomething());
          },
      .check =
          [](const Scene& scene) {
            ExpectDeliveryGone(scene);
            ExpectNothingInstalled(scene);
          },
  });
  // 16 MiB of empty elements, a few kilobytes delivered: its tree would take a gigabyte,
  // so the script is measured and not read.
  cases.push_back({
      .name = "ScriptOfSixteenMiBOfEmptyElements",
      .deliver = [](const Scene& scene) { DeliverProduct(scene, Repeat("<a/>", 4'194'304)); },
      .check =
          [](const Scene& scene) {
            ExpectDeliveryGone(scene);
            ExpectNothingInstalled(scene);
          },
  });
  // A script whose tree would not fit the bound on its own is not read, whatever its
  // text's size: a million levels, attributes or entries cost the memory of their text
  // and no more, and the product is not installed.
  cases.push_back({
      .name = "ScriptNestedAMillionLevels",
      .deliver =
          [](const Scene& scene) {
            DeliverProduct(scene, Repeat("<a>", 1'000'000) + InstallsSomething());
          },
      .check =
          [](const Scene& scene) {
            ExpectDeliveryGone(scene);
            ExpectNothingInstalled(scene);
          },
  });
  cases.push_back({
      .name = "ScriptWithAMillionAttributes",
      .deliver = [](const Scene& scene) { DeliverProduct(scene, WithManyAttributes(1'000'000)); },
      .check =
          [](const Scene& scene) {
            ExpectDeliveryGone(scene);
            ExpectNothingInstalled(scene);
          },
  });
  cases.push_back({
      .name = "ScriptWithAMillionFileEntries",
      .deliver = [](const Scene& scene) { DeliverProduct(scene, WithManyFileEntries(1'000'000)); },
      .check =
          [](const Scene& scene) {
            ExpectDeliveryGone(scene);
            ExpectNothingInstalled(scene);
          },
  });
  // Within the bound, depth, width and stray end tags cost memory in proportion and no
  // stack: the sections are found and the product is installed.
  cases.push_back({
      .name = "ScriptNestedEightyThousandLevels",
      .deliver =
          [](const Scene& scene) {
            DeliverProduct(scene, Repeat("<a>", 80'000) + InstallsSomething());
          },
      .check = ExpectInstalled,
      .memoryAllowanceKb = 40 * 1024,
  });
  cases.push_back({
      .name = "ScriptWithAHundredThousandAttributes",
      .deliver = [](const Scene& scene) { DeliverProduct(scene, WithManyAttributes(100'000)); },
      .check = ExpectInstalled,
      .memoryAllowanceKb = 24 * 1024,
  });
  cases.push_back({
      .name = "ScriptWithTwentyThousandFileEntries",
      .deliver = [](const Scene& scene) { DeliverProduct(scene, WithManyFileEntries(20'000)); },
      .check = ExpectInstalled,
  });
  cases.push_back({
      .name = "EndTagsMatchingNothing",
      .deliver =
          [](const Scene& scene) {
            DeliverProduct(scene, Repeat("</nothing>", 20'000) + InstallsSomething() +
                                      Repeat("</Actions></Installation>", 1000));
          },
      .check = ExpectInstalled,
  });
  // Text cut off inside markup: what was complete before the cut counts.
  cases.push_back({
      .name = "UnterminatedTag",
      .deliver =
          [](const Scene& scene) {
            DeliverProduct(scene, Script(R"(<Files><File name="data.txt"/></Files><Actions>)" +
                                         WriteValue("Installed", "yes") + "<Acti"));
          },
      .check = ExpectInstalled,
  });
  cases.push_back({
      .name = "UnterminatedAttributeValue",
      .deliver =
          [](const Scene& scene) {
            DeliverProduct(
                scene,
                Script(R"(<Files><File name="data.txt"/></Files><Actions>)" +
                       WriteValue("Installed", "yes") +
                       R"(<Action event="Install.Before" type="Registry.WriteValue" )"
                       R"(key="HKLM\Software\Hostile" valueName="Cut" value="never closed)"));
          },
      .check =
          [](const Scene& scene) {
            ExpectInstalled(scene);
            EXPECT_EQ(HostileValue(scene, u"Cut"), "");  // the value without its quote is none
          },
  });
  // A comment is an element that stays open and takes in the actions after it; a CDATA
  // section without "]]" at the end empties its element's text (here: no product start).
  cases.push_back({
      .name = "UnterminatedCommentAndCData",
      .deliver =
          [](const Scene& scene) {
            DeliverProduct(scene, R"(<Files><File name="data.txt"/></Files><Actions>)" +
                                      WriteValue("Installed", "yes") + "<!-- a comment -->" +
                                      WriteValue("Second", "yes") +
                                      R"(</Actions><Installation><AppPath>{ProgramFiles}\Hostile)"
                                      R"(</AppPath><Exe>a.exe<![CDATA[never closed)");
          },
      .check =
          [](const Scene& scene) {
            ExpectInstalled(scene);
            EXPECT_EQ(HostileValue(scene, u"Second"), std::nullopt);
            EXPECT_EQ(scene.Journal(), "");
          },
  });
  // Numeric references give the low 8 bits of a number that saturates; others give nothing.
  cases.push_back({
      .name = "ReferencesOutOfRange",
      .deliver =
          [](const Scene& scene) {
            DeliverProduct(scene,
                           "<Installation><AppPath>{ProgramFiles}\\Host&#99999999999999;ile&#-5;"
                           "&#;&#x41;&#0;&#</AppPath></Installation>"
                           R"(<Files><File name="data.txt"/></Files>)");
          },
      .check =
          [](const Scene& scene) {
            EXPECT_EQ(
                scene.InstalledFiles(),
                With({"\\Program Files\\" + emu::Utf16ToUtf8(u"Host\u00ffile") + "\\data.txt"}));
          },
  });
}

// ---- Nested installations --------------------------------------------------------------
void AddNestedInstallationCases(std::vector<Case>& cases) {
  // Each level unpacks the next from within its script: 16 nested levels below the
  // delivered product are installed, the 17th is not unpacked and its delivery stays.
  cases.push_back({
      .name = "UnpackChainTwentyDeep",
      .deliver = [](const Scene& scene) { scene.Deliver(u"Chain0.gz", ChainLevel(0, 20)); },
      .check =
          [](const Scene& scene) {
            for (int level = 0; level < 20; ++level) {
              const std::u16string name = emu::Utf8ToUtf16("Level" + std::to_string(level));
              EXPECT_EQ(HostileValue(scene, name),
                        level <= 16 ? std::optional<std::string>("yes") : std::nullopt)
                  << "level " << level;
            }
            EXPECT_TRUE(scene.Exists(u"\\Program Files\\Hostile\\Chain16\\Chain17.gz"));
            ExpectDeliveryGone(scene, u"Chain0");
          },
  });
  // A unpacks B, which names A again: A's delivery is gone by then, so each is installed
  // once, and the listed B is gone when its turn comes.
  cases.push_back({
      .name = "UnpackCycleBetweenTwoDeliveries",
      .deliver =
          [](const Scene& scene) {
            const auto script = [](const char* other, const char* program) {
              return R"(<Actions><Action event="Install.Before" type="Product.Unpack" filename="\Temp\)" +
                     std::string(other) +
                     R"(.gz"/><Action event="Install.After" type="App.Run" target="\Windows\)" +
                     program + R"("/></Actions>)";
            };
            DeliverProduct(scene, script("CycleB", "a.exe"), {}, "CycleA.gz");
            DeliverProduct(scene, script("CycleA", "b.exe"), {}, "CycleB.gz");
          },
      .check =
          [](const Scene& scene) {
            EXPECT_EQ(
                scene.Journal(),
                R"({"seq":1,"kind":"process","application":"\\Windows\\b.exe","commandLine":"","started":false})"
                "\n"
                R"({"seq":2,"kind":"process","application":"\\Windows\\a.exe","commandLine":"","started":false})"
                "\n");
            ExpectDeliveryGone(scene, u"CycleA");
            ExpectDeliveryGone(scene, u"CycleB");
          },
  });
  // A script that unpacks its own package file: under its own name the package would be
  // expanded onto itself, which is refused; the package stays whole for the Files pass
  // (its data is larger than any read-ahead buffer).
  cases.push_back({
      .name = "UnpackOwnPackageFile",
      .deliver =
          [](const Scene& scene) {
            DeliverProduct(
                scene,
                Script(
                    R"(<Files><File name="big.dat"/></Files><Actions>)"
                    R"(<Action event="Install.Before" type="Product.Unpack" filename="\Temp\Hostile"/>)"
                    R"(<Action event="Install.Before" type="Product.Unpack" filename="\Temp\Hostile.gz"/>)" +
                    WriteValue("Installed", "yes") + "</Actions>"),
                {{"big.dat", Repeat("0123456789abcdef", 8192), false}});
          },
      .check =
          [](const Scene& scene) {
            EXPECT_TRUE(scene.Read(u"\\Program Files\\Hostile\\big.dat") ==
                        Repeat("0123456789abcdef", 8192));
            EXPECT_EQ(HostileValue(scene, u"Installed"), "yes");
            ExpectDeliveryGone(scene);
          },
  });
  // Under a spelling that resolves to it ("\Temp\Hostile\."), the expansion cannot open
  // the running package for writing, which the updater itself holds open: the package
  // stays whole and the run goes on.
  cases.push_back({
      .name = "UnpackOwnPackageFileUnderAnotherSpelling",
      .deliver =
          [](const Scene& scene) {
            DeliverProduct(
                scene,
                Script(
                    R"(<Files><File name="big.dat"/></Files><Actions>)"
                    R"(<Action event="Install.Before" type="Product.Unpack" filename="\Temp\Hostile\."/>)" +
                    WriteValue("Installed", "yes") + "</Actions>"),
                {{"big.dat", Repeat("0123456789abcdef", 8192), false}});
          },
      .check =
          [](const Scene& scene) {
            EXPECT_TRUE(scene.Read(u"\\Program Files\\Hostile\\big.dat") ==
                        Repeat("0123456789abcdef", 8192));
            EXPECT_EQ(HostileValue(scene, u"Installed"), "yes");
            ExpectDeliveryGone(scene);
          },
  });
}

// ---- Registry ----------------------------------------------------------------------------
void AddRegistryCases(std::vector<Case>& cases) {
  cases.push_back({
      .name = "RegistryNamesAtTheLimit",
      .deliver =
          [](const Scene& scene) {
            DeliverProduct(scene,
                           Script("<Actions>" +
                                  WriteValue(std::string(255, 'v'), "at the limit",
                                             "HKLM\\Software\\Hostile\\" + std::string(255, 'k')) +
                                  "</Actions>"));
          },
      .check =
          [](const Scene& scene) {
            EXPECT_EQ(HostileValue(scene, std::u16string(255, u'v'),
                                   u"Software\\Hostile\\" + std::u16string(255, u'k')),
                      "at the limit");
          },
  });
  // Beyond the platform's limits nothing is written; the other actions are.
  cases.push_back({
      .name = "RegistryNamesBeyondTheLimit",
      .deliver =
          [](const Scene& scene) {
            DeliverProduct(scene,
                           Script("<Actions>" +
                                  WriteValue("Long key", "no",
                                             "HKLM\\Software\\Hostile\\" + std::string(256, 'k')) +
                                  WriteValue(std::string(256, 'v'), "no") +
                                  WriteValue("Installed", "yes") + "</Actions>"));
          },
      .check =
          [](const Scene& scene) {
            EXPECT_EQ(HostileValue(scene, u"Installed"), "yes");
            EXPECT_EQ(scene.Registry().find("kkkkk"), std::string::npos);
            EXPECT_EQ(scene.Registry().find("vvvvv"), std::string::npos);
          },
  });
  cases.push_back({
      .name = "RegistryKeysSixteenAndSeventeenLevelsDeep",
      .deliver =
          [](const Scene& scene) {
            std::string sixteen = "HKCU";
            for (int level = 1; level <= 16; ++level) sixteen += "\\L" + std::to_string(level);
            DeliverProduct(scene, Script("<Actions>" + WriteValue("Deep", "16", sixteen) +
                                         WriteValue("Deeper", "17", sixteen + "\\L17") +
                                         WriteValue("Installed", "yes") + "</Actions>"));
          },
      .check =
          [](const Scene& scene) {
            std::u16string sixteen = u"L1";
            for (int level = 2; level <= 16; ++level)
              sixteen += emu::Utf8ToUtf16("\\L" + std::to_string(level));
            EXPECT_EQ(scene.RegistryText(HKEY_CURRENT_USER, sixteen, u"Deep"), "16");
            EXPECT_EQ(scene.RegistryText(HKEY_CURRENT_USER, sixteen + u"\\L17", u"Deeper"),
                      std::nullopt);
            EXPECT_EQ(HostileValue(scene, u"Installed"), "yes");
          },
  });
  cases.push_back({
      .name = "RegistryHugeTextValue",
      .deliver =
          [](const Scene& scene) {
            DeliverProduct(
                scene,
                Script("<Actions>" + WriteValue("Huge", std::string(100'000, 'x')) + "</Actions>"));
          },
      .check =
          [](const Scene& scene) {
            EXPECT_EQ(HostileValue(scene, u"Huge"), std::string(100'000, 'x'));
          },
  });
  // Key paths are names, not file paths: ".." is a name; empty levels are passed over;
  // control bytes are kept; "HKLM" and a backslash alone name the root.
  cases.push_back({
      .name = "RegistryKeysWithOddNames",
      .deliver =
          [](const Scene& scene) {
            DeliverProduct(
                scene,
                Script("<Actions>" + WriteValue("Dots", "1", "HKLM\\Software\\Hostile\\..\\..") +
                       WriteValue("Empty", "2", "HKLM\\\\\\Software\\\\Hostile\\\\") +
                       WriteValue("Ctl\x01", "3", "HKLM\\Software\\Hostile\\\x02\t") +
                       WriteValue("Root", "4", "HKLM\\") + "</Actions>"));
          },
      .check =
          [](const Scene& scene) {
            EXPECT_EQ(HostileValue(scene, u"Dots", u"Software\\Hostile\\..\\.."), "1");
            EXPECT_EQ(HostileValue(scene, u"Empty"), "2");
            EXPECT_EQ(HostileValue(scene, u"Ctl\x01", u"Software\\Hostile\\\x02\t"), "3");
            EXPECT_EQ(scene.RegistryText(HKEY_LOCAL_MACHINE, u"", u"Root"), "4");
          },
  });
}

// ---- Long paths and command lines ------------------------------------------------------
void AddLongPathAndCommandLineCases(std::vector<Case>& cases) {
  // A path beyond MAX_PATH names no file: the product's file cannot be written, so it is
  // not started either.
  cases.push_back({
      .name = "VeryLongAppPath",
      .deliver =
          [](const Scene& scene) {
            DeliverProduct(scene, "<Installation><AppPath>{ProgramFiles}\\" +
                                      std::string(1000, 'a') +
                                      "</AppPath><Exe>a.exe</Exe></Installation>"
                                      R"(<Files><File name="data.txt"/></Files>)");
          },
      .check =
          [](const Scene& scene) {
            ExpectKeptForAnotherAttempt(scene);
            EXPECT_EQ(scene.Journal(), "");
          },
  });
  cases.push_back({
      .name = "VeryLongProgramCommandLine",
      .deliver =
          [](const Scene& scene) {
            DeliverProduct(
                scene,
                Script(
                    R"(<Files><File name="tool.exe" destination="{Windows}"/></Files><Actions>)"
                    R"(<Action event="Install.After" type="App.Run" target="{Windows}\tool.exe" args=")" +
                    std::string(100'000, 'x') + R"("/></Actions>)"),
                {{"tool.exe", "MZ", false}});
          },
      .check =
          [](const Scene& scene) {
            EXPECT_EQ(
                scene.Journal(),
                R"({"seq":1,"kind":"process","application":"\\Windows\\tool.exe","commandLine":")" +
                    std::string(100'000, 'x') +
                    R"(","started":true})"
                    "\n");
          },
  });
  cases.push_back({
      .name = "VeryLongUpdaterCommandLine",
      .deliver = [](const Scene& scene) { DeliverProduct(scene, InstallsSomething()); },
      .check = ExpectInstalled,
      .arguments =
          [] {
            std::vector<std::string> arguments(2000, "-createShortcut");
            arguments.push_back(std::string(100'000, '"'));
            arguments.push_back("-unpackProduct");
            arguments.push_back("\\Temp");
            arguments.push_back(std::string(100'000, ' '));
            return arguments;
          }(),
  });
  cases.push_back({
      .name = "VeryLongUnpackFolder",
      .deliver = [](const Scene& scene) { DeliverProduct(scene, InstallsSomething()); },
      .check =
          [](const Scene& scene) {
            EXPECT_TRUE(scene.Exists(u"\\Temp\\Hostile.gz"));
            EXPECT_EQ(scene.InstalledFiles(), std::vector<std::string>{});
          },
      .arguments = {"-unpackProduct", "\\Temp\\" + std::string(5000, 'd')},
      .nextInstalled = false,
  });
  cases.push_back({
      .name = "VeryLongShortcutPaths",
      .deliver =
          [](const Scene& scene) {
            const std::string target = "\\Windows\\" + std::string(1000, 't') + ".exe";
            DeliverProduct(
                scene,
                Script(
                    R"(<Actions><Action event="Install.After" type="Shortcut.Create" target=")" +
                    target +
                    R"(" shortcutFilename="{Programs}\Long.lnk"/>)"
                    R"(<Action event="Install.After" type="Shortcut.Create" target="\Windows\a.exe")"
                    R"( shortcutFilename="{Programs}\)" +
                    std::string(300, 's') + R"(.lnk"/></Actions>)"));
          },
      .check =
          [](const Scene& scene) {
            EXPECT_EQ(scene.InstalledFiles(), With({"\\Windows\\Start Menu\\Programs\\Long.lnk"}));
            EXPECT_EQ(scene.Read(u"\\Windows\\Start Menu\\Programs\\Long.lnk"),
                      "1015#\"\\Windows\\" + std::string(1000, 't') + ".exe\"");
          },
  });
}

std::vector<Case> MakeCatalogue() {
  std::vector<Case> cases;
  AddGzipDataCases(cases);
  AddPackageCases(cases);
  AddNameCases(cases);
  AddScriptShapeCases(cases);
  AddNestedInstallationCases(cases);
  AddRegistryCases(cases);
  AddLongPathAndCommandLineCases(cases);
  return cases;
}

}  // namespace

void PrintTo(const Case& hostileCase, std::ostream* out) { *out << hostileCase.name; }

const std::vector<Case>& Catalogue() {
  static const std::vector<Case> cases = MakeCatalogue();
  return cases;
}

}  // namespace hostile
