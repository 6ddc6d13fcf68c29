#include "try/nested_products.h"

#include <map>
#include <memory>
#include <set>
#include <string_view>

#include "code_page.h"
#include "lint/parsed_script.h"
#include "lint/vocabulary.h"

namespace pkgtool {

namespace {

constexpr int kMaxNesting = 16;

std::set<std::u16string> Canonical(const DeviceSnapshot& snapshot) {
  std::set<std::u16string> paths;
  for (const auto& [path, state] : snapshot.files)
    paths.insert(CanonicalPath(emu::Utf8ToUtf16(path)));
  return paths;
}

// The walk through one run: what the Files passes so far have written, and which
// delivered files were installed (and so deleted).
class RunWalk {
 public:
  RunWalk(const DeviceSnapshot& before, const DeviceSnapshot& after)
      : before_(Canonical(before)), after_(Canonical(after)) {}
  RunWalk(const RunWalk&) = delete;
  RunWalk& operator=(const RunWalk&) = delete;
  ~RunWalk() {
    // Each view made its scratch device current: they end in the reverse order.
    while (!views_.empty()) views_.pop_back();
  }

  void Product(PackageView& view, int depth) {
    const AnsiString text = view.package().ReadEntry(std::string(kScriptEntry).c_str());
    ParsedScript script(
        std::string(text.data == nullptr ? "" : text.data, static_cast<std::size_t>(text.length)));
    Unpacks(script, "Install.Before", depth);
    if (XmlNode* files = script.files()) {
      for (std::int32_t i = 0; i < files->children.Count(); ++i) {
        XmlNode& entry = *files->children.ItemAt(i);
        const char* name = entry.GetAttribute("name");
        if (name == nullptr || view.package().FindEntry(name) == nullptr) continue;
        const std::u16string target = CanonicalPath(script.FileTarget(entry));
        written_[target] = {&view, name};
      }
    }
    Unpacks(script, "Install.After", depth);
  }

  std::vector<NestedInstall> installs;

 private:
  struct Source {
    PackageView* view;
    std::string entryName;
  };

  void Unpacks(ParsedScript& script, std::string_view event, int depth) {
    XmlNode* actions = script.actions();
    if (actions == nullptr) return;
    for (std::int32_t i = 0; i < actions->children.Count(); ++i) {
      XmlNode& action = *actions->children.ItemAt(i);
      const char* actionEvent = action.GetAttribute("event");
      const char* type = action.GetAttribute("type");
      const char* filename = action.GetAttribute("filename");
      if (actionEvent == nullptr || event != actionEvent || type == nullptr ||
          std::string_view(type) != "Product.Unpack" || filename == nullptr || *filename == 0) {
        continue;
      }
      Unpack(script.ExpandPath(emu::AnsiToUtf16(filename)), depth);
    }
  }

  void Unpack(const std::u16string& path, int depth) {
    NestedInstall install;
    install.path = emu::Utf16ToUtf8(path);
    install.depth = depth + 1;
    const std::u16string key = CanonicalPath(path);
    const auto fromPackage = written_.find(key);
    const bool there =
        consumed_.count(key) == 0 && (before_.count(key) != 0 || fromPackage != written_.end());
    if (!there) {
      install.note = "no such file when the action ran: nothing installed";
    } else if (after_.count(key) != 0) {
      install.note = "still there after the run: it could not be expanded, nothing installed";
    } else if (after_.count(key + u".try1") != 0) {
      install.note = "its files could not all be put in place: not completed, kept as " +
                     install.path + ".try1 for one more attempt";
    } else {
      install.installed = true;
      consumed_.insert(key);
      if (fromPackage == written_.end()) {
        install.note = "from the device";
      } else {
        const Source source = fromPackage->second;
        written_.erase(fromPackage);
        install.note =
            "from the entry '" + emu::Utf16ToUtf8(emu::AnsiToUtf16(source.entryName)) + "'";
        installs.push_back(install);
        Follow(source, path, depth + 1);
        return;
      }
    }
    installs.push_back(install);
  }

  void Follow(const Source& source, const std::u16string& path, int depth) {
    if (depth >= kMaxNesting) return;
    std::string error;
    const std::size_t slash = path.rfind(u'\\');
    const std::string fileName =
        emu::Utf16ToUtf8(slash == std::u16string::npos ? path : path.substr(slash + 1));
    auto view = source.view->OpenEntry(source.entryName, OpeningName(fileName), &error);
    if (view == nullptr) return;  // the entry reads as no package: its own changes show anyway
    views_.push_back(std::move(view));
    Product(*views_.back(), depth);
  }

  const std::set<std::u16string> before_;
  const std::set<std::u16string> after_;
  std::map<std::u16string, Source> written_;
  std::set<std::u16string> consumed_;
  std::vector<std::unique_ptr<PackageView>> views_;
};

}  // namespace

std::vector<NestedInstall> FindNestedInstalls(PackageView& product, const DeviceSnapshot& before,
                                              const DeviceSnapshot& after) {
  RunWalk walk(before, after);
  walk.Product(product, 0);
  return std::move(walk.installs);
}

}  // namespace pkgtool
