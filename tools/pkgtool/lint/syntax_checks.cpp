// Attribute syntax that the parser reads otherwise than XML does.
#include <string_view>

#include "lint/script_checks.h"

namespace pkgtool {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string Quoted(std::string_view narrow) { return "\"" + Display(narrow) + "\""; }

// An attribute with a value whose "=" is not followed by its opening quote: the parser
// took the value from the next double quote, wherever it stands.
void CheckSkippedText(ParsedScript& script, const NameValuePair& attribute, Findings& findings) {
  const std::string& text = script.text();
  const std::int32_t equals = script.EndOfName(attribute);
  if (equals < 0 || static_cast<std::size_t>(equals) >= text.size() || text[equals] != '=') return;
  const std::size_t quote = text.find('"', equals + 1);
  if (quote == std::string::npos) return;
  const std::string_view skipped = std::string_view(text).substr(equals + 1, quote - equals - 1);
  std::size_t first = 0;
  while (first < skipped.size() && IsSpace(skipped[first])) ++first;
  if (first == skipped.size()) return;  // x= "1" reads as x="1"
  const bool single = skipped[first] == '\'';
  const Finding at = script.At(static_cast<std::int32_t>(quote), Severity::kNote, "", "");
  findings.Add(script.At(
      attribute, Severity::kError, single ? "attribute-single-quotes" : "attribute-unquoted",
      (single ? "single quotes do not delimit values: " : "values must stand in double quotes: ") +
          Display(TextOf(attribute.name)) + " takes the value " +
          Quoted(std::string_view(attribute.value.data, attribute.value.length)) +
          " of the next double quote, at line " + std::to_string(at.line) +
          ", and what stands between is lost"));
}

// An attribute without a value: written so, cut off, or the first of `x = "1"`.
// Returns how many of the following attributes belong to the same mistake.
int CheckValueless(ParsedScript& script, XmlNode& element, std::int32_t index, Findings& findings) {
  const NameValuePair& attribute = *element.attributes.ItemAt(index);
  const std::string_view name = TextOf(attribute.name);
  const NameValuePair* next = element.attributes.ItemAt(index + 1);
  if (next != nullptr && TextOf(next->name).starts_with("=")) {
    findings.Add(
        script.At(attribute, Severity::kError, "attribute-spaces",
                  "no space may stand around \"=\": " + Display(name) +
                      " is read as an attribute without a value, so it counts as absent; write " +
                      Display(name) + "=\"...\""));
    const NameValuePair* third = element.attributes.ItemAt(index + 2);
    return TextOf(next->name) == "=" && third != nullptr ? 2 : 1;
  }
  if (name.starts_with("=")) {
    findings.Add(script.At(attribute, Severity::kError, "attribute-spaces",
                           "no space may stand before \"=\": this is read as an attribute named " +
                               Quoted(name) + " without a value"));
    return 0;
  }
  const std::string& text = script.text();
  const std::int32_t end = script.EndOfName(attribute);
  if (end >= 0 && static_cast<std::size_t>(end) < text.size() && text[end] == '=') {
    const bool anyQuote = text.find('"', end + 1) != std::string::npos;
    findings.Add(script.At(
        attribute, Severity::kError, anyQuote ? "attribute-unclosed" : "attribute-unquoted",
        Display(name) +
            (anyQuote ? "'s value has no closing double quote" : " has no double-quoted value") +
            ": the parser reads nothing of the script after it"));
    return 0;
  }
  findings.Add(script.At(attribute, Severity::kWarning, "attribute-no-value",
                         Display(name) + " has no value, so it counts as absent; write " +
                             Display(name) + "=\"...\""));
  return 0;
}

}  // namespace

void CheckAttributeSyntax(ParsedScript& script, Findings& findings) {
  for (XmlNode* element : ElementsBelow(script.root())) {
    // Comments and declarations are read as elements whose words are attributes.
    if (IsMarkup(*element)) continue;
    for (std::int32_t i = 0; i < element->attributes.Count(); ++i) {
      const NameValuePair& attribute = *element->attributes.ItemAt(i);
      if (attribute.value.data == nullptr) {
        i += CheckValueless(script, *element, i, findings);
      } else {
        CheckSkippedText(script, attribute, findings);
      }
    }
  }
}

}  // namespace pkgtool
