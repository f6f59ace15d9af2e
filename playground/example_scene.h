// The playground's examples: for each routine of the catalogue a `call` line
// with sample parameters, and a small scene around it that shows what the
// routine does; and the address that opens a scene in the playground page
// (`tier-playground.html#scene=` and the scene's text in base64url). The page's
// routine menu inserts the call lines; the routine reference links the scenes.
#pragma once

#include <string>
#include <string_view>

#include "plugin/catalogue.h"
#include "plugin/routine_text.h"

namespace tier::playground {

// The example frame's object types, in the order that the object parameters
// A, B and C of a call take them.
inline constexpr std::string_view kExampleTypes[] = {"Ball", "Player", "Wall"};

// The frame every example runs on: four objects of three types, Ball's
// selection current, the back-most node uncounted.
inline constexpr std::string_view kExampleFrame =
    "eventCount 3\n"
    "type Ball selection current 1 3\n"
    "type Player\n"
    "type Wall\n"
    "object 0 Wall   creation 1 x 0  y 0  values 4\n"
    "object 1 Ball   creation 1 x 30 y 50 values 7\n"
    "object 2 Player creation 1 x 60 y 20 values 2\n"
    "object 3 Ball   creation 2 x 90 y 70 values 5\n"
    "order 0 uncounted, 1, 2, 3\n";

// Sample fixed values: the first, second and third fixed-value parameter name
// these slots, so that a call names three different objects.
inline constexpr int kExampleSlots[] = {1, 3, 2};

// A text in double quotes as a scene writes it; the catalogue's display
// strings are plain ASCII without quotes or backslashes.
inline std::string QuotedDisplay(std::string_view text) { return "\"" + std::string(text) + "\""; }

// One parameter's sample as a scene writes it.
inline std::string ExampleArgument(const plugin::RoutineInfo& row, int index) {
  const plugin::ParameterInfo parameter = row.parameters[index];
  using plugin::ParamRole;
  switch (parameter.role) {
    case ParamRole::Text:
      return "\"ball\"";
    case ParamRole::Object: {
      const int which = parameter.titleId == plugin::kTitleObjectB   ? 1
                        : parameter.titleId == plugin::kTitleObjectC ? 2
                                                                     : 0;
      return "object " + std::string(kExampleTypes[which]);
    }
    case ParamRole::AltValue:
      return "alt 0";
    case ParamRole::Count:
    case ParamRole::Level:
    case ParamRole::Position:
      return "2";
    case ParamRole::Default:
      return "0";
    case ParamRole::FixedValue:
    case ParamRole::None:
      break;
  }
  return "fv(slot " + std::to_string(kExampleSlots[index]) + ")";
}

// `call "Bring %0 Forward %1" fv(slot 1), 2`
inline std::string ExampleCall(const plugin::RoutineInfo& row) {
  std::string line = "call " + QuotedDisplay(row.displayText);
  for (int i = 0; i < row.parameterCount; ++i)
    line += (i == 0 ? " " : ", ") + ExampleArgument(row, i);
  return line;
}

// A whole scene that runs the routine's example call on the example frame.
inline std::string ExampleScene(const plugin::RoutineInfo& row) {
  return "# " + std::string(plugin::TextOf(row).summary) + "\n" + std::string(kExampleFrame) +
         ExampleCall(row) + "\n";
}

// Base64url (RFC 4648, section 5) without padding: what a scene becomes in an
// address.
inline std::string Base64Url(std::string_view bytes) {
  static constexpr char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
  std::string out;
  std::size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const unsigned word = static_cast<unsigned char>(bytes[i]) << 16 |
                          static_cast<unsigned char>(bytes[i + 1]) << 8 |
                          static_cast<unsigned char>(bytes[i + 2]);
    for (int shift = 18; shift >= 0; shift -= 6) out += kDigits[(word >> shift) & 63];
  }
  const std::size_t rest = bytes.size() - i;
  if (rest > 0) {
    unsigned word = static_cast<unsigned char>(bytes[i]) << 16;
    if (rest == 2) word |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    out += kDigits[(word >> 18) & 63];
    out += kDigits[(word >> 12) & 63];
    if (rest == 2) out += kDigits[(word >> 6) & 63];
  }
  return out;
}

// The page's file name, as it lies in the release folder.
inline constexpr std::string_view kPageName = "tier-playground.html";

// The address that opens `scene` in the page, relative to the folder the page
// lies in, or under `folder`.
inline std::string PlaygroundLink(std::string_view scene, std::string_view folder = "") {
  return std::string(folder) + std::string(kPageName) + "#scene=" + Base64Url(scene);
}

// Where the routine reference of a checkout, docs/routines.md, finds the page
// that the wasm preset builds.
inline constexpr std::string_view kBuiltPageFolder = "../build/wasm/";

// The short address part that opens a routine's example scene in the page,
// which makes the scene itself: "try=action-7".
inline std::string TryFragment(const plugin::RoutineInfo& row) {
  return "try=" + std::string(plugin::KindWord(row.kind)) + "-" + std::to_string(row.code);
}

}  // namespace tier::playground
