#include "diff/script_diff.h"

#include <deque>
#include <map>
#include <span>

#include "install/script_words.h"
#include "lint/parsed_script.h"
#include "xml/xml_parser.h"

namespace pkgtool {

namespace {

namespace words = script_words;

// What identifies an action of each type besides its event and type: what it acts on.
struct ActionIdentity {
  std::string_view type;
  std::span<const std::string_view> attributes;
};
constexpr std::string_view kTargetIdentity[] = {words::kTarget};
constexpr std::string_view kWindowIdentity[] = {words::kWindowTitle};
constexpr std::string_view kProductIdentity[] = {words::kId};
constexpr std::string_view kShortcutIdentity[] = {words::kShortcutFilename};
constexpr std::string_view kRegistryIdentity[] = {words::kKey, words::kValueName};
constexpr std::string_view kUnpackIdentity[] = {words::kFilename};
constexpr ActionIdentity kActionIdentities[] = {
    {words::kAppRun, kTargetIdentity},
    {words::kAppClose, kWindowIdentity},
    {words::kProductRun, kProductIdentity},
    {words::kShortcutCreate, kShortcutIdentity},
    {words::kRegistryWriteValue, kRegistryIdentity},
    {words::kProductUnpack, kUnpackIdentity},
};
constexpr std::string_view kFileEntryIdentity[] = {words::kName, words::kDestination};
constexpr std::string_view kActionCommonIdentity[] = {words::kEvent, words::kType};

// Paths are shown whole up to this depth, else their first and last segments.
constexpr std::size_t kShownDepth = 16;
constexpr std::size_t kShownHead = 4;
constexpr std::size_t kShownTail = 8;

AttributeValue ValueOf(const NameValuePair* pair) {
  if (pair == nullptr) return {};
  if (pair->value.data == nullptr) return {AttributeValue::State::kWithoutValue, {}};
  return {AttributeValue::State::kText, Display(TextOf(pair->value))};
}

std::optional<std::string> TextValue(const XmlNode& element) {
  if (element.text.data == nullptr) return std::nullopt;
  return Display(TextOf(element.text));
}

// The attributes that identify `child` among the children of `parent`.
std::vector<std::string_view> IdentityOf(XmlNode& parent, XmlNode& child) {
  const std::string_view section = TextOf(parent.name);
  if (section == words::kFiles)
    return {std::begin(kFileEntryIdentity), std::end(kFileEntryIdentity)};
  if (section != words::kActions) return {};
  std::vector<std::string_view> identity(std::begin(kActionCommonIdentity),
                                         std::end(kActionCommonIdentity));
  const char* type = child.GetAttribute(words::kType);
  for (const ActionIdentity& action : kActionIdentities) {
    if (type != nullptr && action.type == type) {
      identity.insert(identity.end(), action.attributes.begin(), action.attributes.end());
    }
  }
  return identity;
}

// One child of an element: how it is matched and how its path shows it.
struct Sibling {
  XmlNode* node = nullptr;
  std::string key;      // name and identity, then the occurrence of that pair
  std::string segment;  // "File[name="a.txt"]", "[N]" added for look-alikes
  std::vector<std::string_view> identity;
};

std::vector<Sibling> SiblingsOf(XmlNode& parent) {
  std::vector<Sibling> siblings;
  std::map<std::string, int> counts;
  for (std::int32_t i = 0; i < parent.children.Count(); ++i) {
    Sibling sibling;
    sibling.node = parent.children.ItemAt(i);
    sibling.identity = IdentityOf(parent, *sibling.node);
    sibling.key = std::string(TextOf(sibling.node->name));
    std::string shown;
    for (const std::string_view name : sibling.identity) {
      const AttributeValue value = ValueOf(FindAttribute(*sibling.node, name));
      sibling.key += '\0';
      sibling.key += name;
      sibling.key += static_cast<char>('0' + static_cast<int>(value.state));
      sibling.key += value.text;
      if (value.state == AttributeValue::State::kAbsent) continue;
      if (!shown.empty()) shown += ' ';
      shown += Display(name);
      if (value.state == AttributeValue::State::kText) shown += "=\"" + value.text + "\"";
    }
    sibling.segment = Display(TextOf(sibling.node->name));
    if (!shown.empty()) sibling.segment += "[" + shown + "]";
    ++counts[sibling.key];
    siblings.push_back(std::move(sibling));
  }
  std::map<std::string, int> seen;
  for (Sibling& sibling : siblings) {
    const int occurrence = ++seen[sibling.key];
    if (counts[sibling.key] > 1) sibling.segment += "[" + std::to_string(occurrence) + "]";
    sibling.key += '\0' + std::to_string(occurrence);
  }
  return siblings;
}

// The attributes of an element in order, a repeated name's later ones as "name[N]".
std::vector<std::pair<std::string, AttributeValue>> AttributesOf(XmlNode& element) {
  std::vector<std::pair<std::string, AttributeValue>> attributes;
  std::map<std::string, int> seen;
  for (std::int32_t i = 0; i < element.attributes.Count(); ++i) {
    const NameValuePair* pair = element.attributes.ItemAt(i);
    std::string name = Display(TextOf(pair->name));
    const int occurrence = ++seen[name];
    if (occurrence > 1) name += "[" + std::to_string(occurrence) + "]";
    attributes.emplace_back(std::move(name), ValueOf(pair));
  }
  return attributes;
}

class ScriptComparer {
 public:
  std::vector<ElementChange> Compare(XmlNode& oldRoot, XmlNode& newRoot) {
    stack_.push_back({&oldRoot, &newRoot, nullptr, {}});
    while (!stack_.empty()) {
      const Work work = std::move(stack_.back());
      stack_.pop_back();
      if (work.before != nullptr && work.after != nullptr) {
        ComparePair(work);
      } else {
        ReportSubtree(work);
      }
    }
    return std::move(changes_);
  }

 private:
  struct PathNode {
    const PathNode* parent;
    std::string segment;
    std::size_t depth;
    const PathNode* head;  // the ancestor (or this) at most kShownHead deep
  };
  // One element to compare (both sides) or to report added (no `before`) or removed (no
  // `after`) with its subtree.
  struct Work {
    XmlNode* before;
    XmlNode* after;
    const PathNode* path;  // null for the document
    std::vector<std::string_view> identity;
  };

  const PathNode* Child(const PathNode* parent, std::string segment) {
    const std::size_t depth = parent == nullptr ? 1 : parent->depth + 1;
    paths_.push_back({parent, std::move(segment), depth, nullptr});
    PathNode& path = paths_.back();
    path.head = depth <= kShownHead ? &path : parent->head;
    return &path;
  }

  // The segments from `path` up `count` levels, joined from the top down.
  static std::string Join(const PathNode* path, std::size_t count) {
    std::vector<const std::string*> segments;
    for (; path != nullptr && segments.size() < count; path = path->parent) {
      segments.push_back(&path->segment);
    }
    std::string text;
    for (auto segment = segments.rbegin(); segment != segments.rend(); ++segment) {
      if (!text.empty()) text += '/';
      text += **segment;
    }
    return text;
  }

  // Deep paths lose their middle: the text stays short whatever the depth.
  static std::string Render(const PathNode* path) {
    if (path == nullptr) return "(document)";
    if (path->depth <= kShownDepth) return Join(path, kShownDepth);
    return Join(path->head, kShownHead) + "/.../" + Join(path, kShownTail);
  }

  // Schedules `works`, in order, before everything already scheduled.
  void Schedule(std::vector<Work>& works) {
    for (auto work = works.rbegin(); work != works.rend(); ++work)
      stack_.push_back(std::move(*work));
  }

  void ComparePair(const Work& work) {
    ElementChange change;
    change.change = Change::kChanged;
    const auto before = AttributesOf(*work.before);
    const auto after = AttributesOf(*work.after);
    std::map<std::string, const AttributeValue*> afterByName;
    for (const auto& [name, value] : after) afterByName.emplace(name, &value);
    for (const auto& [name, value] : before) {
      const auto found = afterByName.find(name);
      const AttributeValue now = found == afterByName.end() ? AttributeValue{} : *found->second;
      if (now != value) change.attributes.push_back({name, value, now});
    }
    std::map<std::string, bool> beforeNames;
    for (const auto& [name, value] : before) beforeNames.emplace(name, true);
    for (const auto& [name, value] : after) {
      if (beforeNames.count(name) == 0) change.attributes.push_back({name, {}, value});
    }
    const char* oldText = work.before->text.data;
    const char* newText = work.after->text.data;
    change.textChanged = (oldText == nullptr) != (newText == nullptr) ||
                         TextOf(work.before->text) != TextOf(work.after->text);
    if (change.textChanged) {
      change.oldText = TextValue(*work.before);
      change.newText = TextValue(*work.after);
    }

    std::vector<Work> children = MatchChildren(work, &change.reordered);
    if (!change.attributes.empty() || change.textChanged || change.reordered) {
      change.path = Render(work.path);
      changes_.push_back(std::move(change));
    }
    Schedule(children);
  }

  // The children of both sides in the new document's order, each removed one before
  // the first later matched child of its old place.
  std::vector<Work> MatchChildren(const Work& work, bool* reordered) {
    const std::vector<Sibling> olds = SiblingsOf(*work.before);
    const std::vector<Sibling> news = SiblingsOf(*work.after);
    std::map<std::string, std::size_t> oldByKey;
    for (std::size_t i = 0; i < olds.size(); ++i) oldByKey.emplace(olds[i].key, i);
    std::vector<bool> oldMatched(olds.size(), false);
    std::vector<std::ptrdiff_t> match(news.size(), -1);
    for (std::size_t j = 0; j < news.size(); ++j) {
      const auto found = oldByKey.find(news[j].key);
      if (found == oldByKey.end()) continue;
      match[j] = static_cast<std::ptrdiff_t>(found->second);
      oldMatched[found->second] = true;
    }
    std::vector<Work> works;
    std::size_t nextOld = 0;
    std::ptrdiff_t lastMatched = -1;
    const auto removeUpTo = [&](std::size_t end) {
      for (; nextOld < end; ++nextOld) {
        if (oldMatched[nextOld]) continue;
        const Sibling& old = olds[nextOld];
        works.push_back({old.node, nullptr, Child(work.path, old.segment), old.identity});
      }
    };
    for (std::size_t j = 0; j < news.size(); ++j) {
      const Sibling& now = news[j];
      if (match[j] < 0) {
        works.push_back({nullptr, now.node, Child(work.path, now.segment), now.identity});
        continue;
      }
      removeUpTo(static_cast<std::size_t>(match[j]));
      if (match[j] < lastMatched) *reordered = true;
      lastMatched = match[j];
      works.push_back({olds[static_cast<std::size_t>(match[j])].node, now.node,
                       Child(work.path, now.segment), now.identity});
    }
    removeUpTo(olds.size());
    return works;
  }

  void ReportSubtree(const Work& work) {
    const bool added = work.before == nullptr;
    XmlNode& element = added ? *work.after : *work.before;
    ElementChange change;
    change.change = added ? Change::kAdded : Change::kRemoved;
    change.path = Render(work.path);
    for (auto& [name, value] : AttributesOf(element)) {
      AttributeChange attribute{name, {}, {}, false};
      for (const std::string_view identity : work.identity) attribute.inPath |= identity == name;
      (added ? attribute.after : attribute.before) = std::move(value);
      change.attributes.push_back(std::move(attribute));
    }
    (added ? change.newText : change.oldText) = TextValue(element);
    change.textChanged = TextValue(element).has_value();
    changes_.push_back(std::move(change));

    std::vector<Work> children;
    for (const Sibling& child : SiblingsOf(element)) {
      const PathNode* path = Child(work.path, child.segment);
      children.push_back(added ? Work{nullptr, child.node, path, child.identity}
                               : Work{child.node, nullptr, path, child.identity});
    }
    Schedule(children);
  }

  std::vector<Work> stack_;
  std::deque<PathNode> paths_;
  std::vector<ElementChange> changes_;
};

// The tree the updater's parser makes of `text`; false when it could not make all of it.
bool Parse(std::string_view text, XmlNode& root) {
  AnsiString narrow;
  narrow.Assign(text.data(), static_cast<std::int32_t>(text.size()));
  XmlParser parser;
  parser.Parse(narrow, root);
  return !parser.ranOutOfMemory();
}

}  // namespace

std::vector<ElementChange> DiffScripts(std::string_view oldText, std::string_view newText,
                                       bool* complete) {
  XmlNode oldRoot(nullptr);
  XmlNode newRoot(nullptr);
  *complete = Parse(oldText, oldRoot);
  *complete = Parse(newText, newRoot) && *complete;
  return ScriptComparer().Compare(oldRoot, newRoot);
}

}  // namespace pkgtool
