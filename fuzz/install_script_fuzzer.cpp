// A whole installation of a valid package around an arbitrary install script, on a
// throw-away device with host execution of programs off. The package carries the files
// of an example product and a nested product, so that the script's file entries and
// actions have something to work on.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "driver/updater_main.h"
#include "fuzz_device.h"
#include "package/package_writer.h"

namespace {

// A small product to unpack from within the script ("Product.Unpack"), delivered as an
// entry of the outer package.
constexpr std::string_view kNestedScript =
    R"(<Installation><AppPath>{ProgramFiles}\Dictionary</AppPath></Installation>)"
    R"(<Files><File name="words.dat"/></Files><Actions>)"
    R"(<Action event="Install.After" type="Registry.WriteValue" key="HKLM\Software\Kelmora\)"
    R"(Dictionary" valueName="Words" dataType="dword" value="3"/></Actions>)";

std::string GzipOf(const std::string& data) {
  z_stream stream{};
  deflateInit2(&stream, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&stream, data.size()), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

const std::vector<pkg::EntrySource>& Files() {
  static const std::vector<pkg::EntrySource> files = [] {
    const std::string nested =
        pkg::BuildPackage("Dictionary", {{"InstallScript.xml", std::string(kNestedScript), false},
                                         {"words.dat", "apple\nbanana\ncherry\n", true}});
    return std::vector<pkg::EntrySource>{
        {"Notes.exe", "MZ notes", false},
        {"Help\\Notes.htm", "<html>Help</html>", true},
        {"Templates\\Letter.txt", "Dear ...", false},
        {"Dictionary.gz", GzipOf(nested), false},
    };
  }();
  return files;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FuzzDevice& device = fuzz::FuzzDevice::Get();
  device.Reset();
  std::vector<pkg::EntrySource> entries{
      {"InstallScript.xml", std::string(reinterpret_cast<const char*>(data), size), false}};
  entries.insert(entries.end(), Files().begin(), Files().end());
  // Delivered without compression: the expansion copies such a file unchanged.
  device.WriteFile(u"\\Temp\\Product.gz", pkg::BuildPackage("Product", entries));
  UpdaterMain(u"-unpackProduct \\Temp");
  device.CheckNothingOutside();
  return 0;
}
