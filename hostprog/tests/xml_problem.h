// The pictures are checked with an XML parser (tinyxml2), not by eye.
#pragma once

#include <tinyxml2.h>

#include <string>

namespace tier::hostprog::testing {

// What the parser finds wrong with a document; empty when it is well-formed.
inline std::string XmlProblem(const std::string& document) {
  tinyxml2::XMLDocument parsed;
  if (parsed.Parse(document.c_str(), document.size()) == tinyxml2::XML_SUCCESS) return "";
  return parsed.ErrorStr();
}

}  // namespace tier::hostprog::testing
