// What each routine takes as its two parameter words, and choices of
// parameter values that reach every branch: fixed values that exist, are
// missing or are 0; counts and levels around the ends of the list and at the
// ends of the 32-bit range; names that match in other cases or not at all.
#pragma once

#include <climits>
#include <optional>
#include <string>
#include <vector>

#include "plugin/catalogue.h"
#include "testkit/fuzz/cases.h"

namespace tier::testkit::fuzz {

enum class Param {
  Unused,
  FixedValue,
  Count,
  Level,
  Default,
  Object,
  AltValue,
  NextFixedValues,
  NextObjects
};

struct ParameterKinds {
  Param first, second;
};

// The routine's catalogue row.
inline const plugin::RoutineInfo& RowOf(model::Kind kind, int code) {
  const plugin::RoutineKind routineKind =
      kind == model::Kind::Condition ? plugin::RoutineKind::Condition
      : kind == model::Kind::Action  ? plugin::RoutineKind::Action
                                     : plugin::RoutineKind::Expression;
  return *plugin::RowOf(routineKind, code);
}

// The model's kind of a catalogue row.
inline model::Kind ModelKind(const plugin::RoutineInfo& row) {
  return row.kind == plugin::RoutineKind::Condition ? model::Kind::Condition
         : row.kind == plugin::RoutineKind::Action  ? model::Kind::Action
                                                    : model::Kind::Expression;
}

// What parameter `index` of a condition or an action is, by its row's role.
inline Param ParamOf(const plugin::RoutineInfo& row, int index) {
  if (index >= row.parameterCount) return Param::Unused;
  switch (row.parameters[index].role) {
    case plugin::ParamRole::Object:
      return Param::Object;
    case plugin::ParamRole::AltValue:
      return Param::AltValue;
    case plugin::ParamRole::Count:
      return Param::Count;
    case plugin::ParamRole::Level:
    case plugin::ParamRole::Position:
      return Param::Level;
    case plugin::ParamRole::Default:
      return Param::Default;
    default:
      return Param::FixedValue;
  }
}

// The two argument words; a three-parameter condition fetches all three
// parameters from the host instead.
inline ParameterKinds KindsOf(model::Kind kind, int code) {
  if (kind == model::Kind::Expression) return {Param::Unused, Param::Unused};
  const plugin::RoutineInfo& row = RowOf(kind, code);
  if (row.parameterCount == 3)
    return {ParamOf(row, 0) == Param::Object ? Param::NextObjects : Param::NextFixedValues,
            Param::Unused};
  return {ParamOf(row, 0), ParamOf(row, 1)};
}

struct ParameterPicker {
  Source& s;
  const FrameRecipe& f;

  std::int32_t FixedValueOf(const ObjectRecipe& o) const { return fuzz::FixedValueOf(o); }
  int NodeCount() const { return static_cast<int>(f.order.size()); }

  std::int32_t FixedValue() {
    const int choice = s.Below(10);
    if (choice < 4 && !f.order.empty()) {  // an object with a node
      const int slot = f.order[s.Below(NodeCount())].slot;
      for (const ObjectRecipe& o : f.objects)
        if (o.slot == slot) return FixedValueOf(o);
    }
    if (choice < 6 && !f.objects.empty())
      return FixedValueOf(f.objects[s.Below(static_cast<int>(f.objects.size()))]);
    if (choice < 8) return 0;  // the stored one
    return s.Pick<std::int32_t>({f.storedFixedValue, -1, INT32_MIN, INT32_MAX, 65536, s.Word()});
  }

  std::int32_t Count() {
    const int n = NodeCount();
    return s.Pick<std::int32_t>(
        {-3, -1, 0, 1, 1, 2, 3, 5, n, n + 3, s.Below(n + 2), INT32_MIN, INT32_MAX, s.Word()});
  }

  std::int32_t Level() {
    const int n = NodeCount();
    return s.Pick<std::int32_t>({0, 1, 2, n, n + 1, -1, -3, 1 + s.Below(std::max(n, 1)),
                                 1 + s.Below(std::max(n, 1)), INT32_MIN, INT32_MAX, INT32_MAX - 5,
                                 INT32_MIN + 5, s.Word()});
  }

  // Mostly a type with objects, so that object forms reach past their early exits.
  int Type() {
    std::vector<int> populated;
    for (std::size_t t = 0; t < f.types.size(); ++t)
      if (!f.types[t].chain.empty()) populated.push_back(static_cast<int>(t));
    if (!populated.empty() && s.Chance(80))
      return populated[s.Below(static_cast<int>(populated.size()))];
    return s.Below(static_cast<int>(f.types.size()));
  }

  std::optional<std::string> Name() {
    const int choice = s.Below(10);
    if (choice == 0) return std::nullopt;
    if (choice == 1) return std::string();
    if (choice == 2) return std::string("nothing by that name");
    std::string name = f.types[Type()].name;
    if (choice < 6) {  // another case of ASCII letters, or a change that must not match
      for (char& ch : name) {
        if (ch >= 'a' && ch <= 'z')
          ch = static_cast<char>(ch - 'a' + 'A');
        else if (ch >= 'A' && ch <= 'Z' && s.Chance(50))
          ch = static_cast<char>(ch - 'A' + 'a');
      }
    } else if (choice == 6 && !name.empty()) {
      name[s.Below(static_cast<int>(name.size()))] ^=
          s.Pick<char>({0x20, 0x01, static_cast<char>(0x80)});
    } else if (choice == 7) {
      name += s.Pick<std::string>({"x", " "});
    }
    return name;
  }
};

}  // namespace tier::testkit::fuzz
