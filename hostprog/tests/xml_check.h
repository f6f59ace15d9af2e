// A small XML well-formedness check for the pictures: one root element, tags
// that nest and close, attributes quoted, only the five predefined entities
// and character references, no '<' in text or attribute values. Returns an
// empty string when the document is well-formed, else what is wrong and where.
#pragma once

#include <cctype>
#include <string>
#include <vector>

namespace tier::scene::testing {

inline bool IsNameCharacter(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == ':' ||
         c == '.';
}

// Checks text between markup: '&' must start a known entity.
inline std::string CheckCharacterData(const std::string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '<') return "'<' in character data";
    if (text[i] != '&') continue;
    const std::size_t end = text.find(';', i);
    if (end == std::string::npos) return "'&' without ';'";
    const std::string entity = text.substr(i + 1, end - i - 1);
    const bool known = entity == "amp" || entity == "lt" || entity == "gt" || entity == "quot" ||
                       entity == "apos" ||
                       (entity.size() > 1 && entity[0] == '#' &&
                        entity.find_first_not_of("0123456789", 1) == std::string::npos);
    if (!known) return "unknown entity &" + entity + ";";
  }
  return "";
}

inline std::string CheckXml(const std::string& document) {
  std::size_t at = 0;
  if (document.compare(0, 5, "<?xml") == 0) {
    at = document.find("?>");
    if (at == std::string::npos) return "unfinished XML declaration";
    at += 2;
  }
  std::vector<std::string> open;
  bool rootSeen = false;
  while (at < document.size()) {
    const std::size_t tag = document.find('<', at);
    const std::string text =
        document.substr(at, tag == std::string::npos ? std::string::npos : tag - at);
    if (open.empty() && text.find_first_not_of(" \t\r\n") != std::string::npos)
      return "text outside the root element at byte " + std::to_string(at);
    if (std::string problem = CheckCharacterData(text); !problem.empty())
      return problem + " at byte " + std::to_string(at);
    if (tag == std::string::npos) break;
    std::size_t i = tag + 1;
    const bool closing = i < document.size() && document[i] == '/';
    if (closing) ++i;
    const std::size_t nameStart = i;
    while (i < document.size() && IsNameCharacter(document[i])) ++i;
    const std::string name = document.substr(nameStart, i - nameStart);
    if (name.empty()) return "a tag without a name at byte " + std::to_string(tag);
    if (closing) {
      if (open.empty() || open.back() != name) return "</" + name + "> closes nothing open";
      open.pop_back();
      while (i < document.size() && std::isspace(static_cast<unsigned char>(document[i]))) ++i;
      if (i >= document.size() || document[i] != '>') return "unfinished </" + name + ">";
      at = i + 1;
      continue;
    }
    if (open.empty() && rootSeen) return "a second root element <" + name + ">";
    rootSeen = true;
    std::vector<std::string> attributes;
    while (true) {
      while (i < document.size() && std::isspace(static_cast<unsigned char>(document[i]))) ++i;
      if (i >= document.size()) return "unfinished <" + name + ">";
      if (document[i] == '>' || document.compare(i, 2, "/>") == 0) break;
      const std::size_t attributeStart = i;
      while (i < document.size() && IsNameCharacter(document[i])) ++i;
      const std::string attribute = document.substr(attributeStart, i - attributeStart);
      if (attribute.empty() || i + 1 >= document.size() || document[i] != '=' ||
          (document[i + 1] != '"' && document[i + 1] != '\''))
        return "a malformed attribute in <" + name + "> at byte " + std::to_string(i);
      for (const std::string& seen : attributes)
        if (seen == attribute) return "attribute " + attribute + " twice in <" + name + ">";
      attributes.push_back(attribute);
      const char quote = document[i + 1];
      const std::size_t end = document.find(quote, i + 2);
      if (end == std::string::npos) return "an unfinished attribute value in <" + name + ">";
      if (std::string problem = CheckCharacterData(document.substr(i + 2, end - i - 2));
          !problem.empty())
        return problem + " in an attribute of <" + name + ">";
      i = end + 1;
    }
    if (document[i] == '>') {
      open.push_back(name);
      at = i + 1;
    } else {
      at = i + 2;
    }
  }
  if (!rootSeen) return "no root element";
  if (!open.empty()) return "<" + open.back() + "> is never closed";
  return "";
}

}  // namespace tier::scene::testing
