#include "hostprog/call_reason.h"

#include <iterator>
#include <utility>

#include "hostprog/model_frame.h"
#include "model/reason.h"

namespace tier::hostprog {
namespace {

using model::Phrase;

// A phrase's words; each '%' takes the clause's next part.
std::string_view Pattern(Phrase phrase) {
  switch (phrase) {
    case Phrase::StoodIn:
      return "fixed value 0 stands for %";
    case Phrase::NoneInScopeTakes:
      return "%, so the action takes %";
    case Phrase::FirstInstanceStoodIn:
      return "%'s first instance in scope is slot %, whose fixed value 0 stands for %";
    case Phrase::NoSlotInReach:
      return "objectLimit is %, so the actions look up no object";
    case Phrase::NoHolder:
      return "no object has fixed value %";
    case Phrase::HolderBeyond:
      return "%%";
    case Phrase::NoNode:
      return "% has no display node";
    case Phrase::ListEmpty:
      return "the display list is empty";
    case Phrase::OneNode:
      return "the display list holds one node, which % leaves as it is";
    case Phrase::AlreadyAtEnd:
      return "% is already at the %";
    case Phrase::MoveOntoItself:
      return "both parameters name slot %, which cannot move % itself";
    case Phrase::SameLevelAsTarget:
      return "% and % have the same level %";
    case Phrase::AlreadyPlaced:
      return "% is already % % (level % against %)";
    case Phrase::LevelOutside:
      return "level % is outside the list, whose positions run from 1 to %";
    case Phrase::AlreadyAtPosition:
      return "% is already at position %";
    case Phrase::SameLevelAtPosition:
      return "% has the same level as slot % at position % (%)";
    case Phrase::DefaultKeysOnly:
      return "every key is the default value %, so the order stands";
    case Phrase::OneKey:
      return "every key (%) is %, so the order stands";
    case Phrase::InOrderByDefault:
      return "the objects already stand in this sort's order";
    case Phrase::InOrder:
      return "the objects already stand in this sort's order, the % key (%) at the back";
    case Phrase::StoredZero:
      return "%, so 0 is stored";
    case Phrase::CountBelowOne:
      return "a count of % moves nothing";
    case Phrase::SwapWithItself:
      return "both parameters name slot %, and a swap with itself moves nothing";
    case Phrase::EndOwnerless:
      return "the % node has no owner";
    case Phrase::NoHolderAtEnd:
      return "no object has fixed value %; the % node is slot %'s";
    case Phrase::NotAtEnd:
      return "slot % is not at the %: slot % is";
    case Phrase::ComparedWithItself:
      return "both parameters name slot %, which is neither above nor below itself";
    case Phrase::SameLevels:
      return "slots % and % have the same level %";
    case Phrase::LevelsTheOtherWay:
      return "slot % (level %) is % slot % (level %)";
    case Phrase::NotBetween:
      return "slot % (level %) is not strictly between slot % (level %) and slot % (level %)";
    case Phrase::NoInstance:
      return "%";
    case Phrase::NonePassed:
      return "no % lies % any %";
    case Phrase::UnseenByTest:
      return "% lies % %, but the test does not see it so";
    case Phrase::MisledByStored:
      return "slot %'s fixed value 0 stands for % in the test";
    case Phrase::MisledByEarlierHolder:
      return "the test finds slot %'s fixed value % first in slot %";
    case Phrase::EndNotCandidate:
      return "the % node is %, not one of %";
    case Phrase::EndStoodIn:
      return "% is %, but its fixed value 0 stands for % in the test";
    case Phrase::SomePassedNoneBeyond:
      return "%'s instances % some % (%) lie % no %";
    case Phrase::MarkLeavesCurrent:
      return "eventCount is 65535, so marking %'s selection not current leaves it current and "
             "empty, with no % to test";
    case Phrase::BetweenArrangements:
      return "above % and below %: %; below % and above %: %";
    case Phrase::NoteFellBack:
      return "% has no instance in scope, so the call acts on the stored fixed value %";
    case Phrase::NoteFellBackOn:
      return "% has no instance in scope, so the call acts on the stored fixed value % (% %)";
    case Phrase::NoteDefaultSort:
      return "alterable value % lies outside 0 to %, so every object sorts by the default value %";
  }
  return "!! a phrase without words";
}

std::string_view WordText(model::Word word) {
  static constexpr std::string_view kWords[] = {"front",  "back",     "front-most", "back-most",
                                                "above",  "below",    "largest",    "smallest",
                                                "a sort", "reversing"};
  static_assert(std::size(kWords) == static_cast<std::size_t>(model::Word::Reversing) + 1);
  return kWords[static_cast<int>(word)];
}

// Words the parts of clauses, naming types and slots from `frame`, the frame
// the call found.
class Words {
 public:
  explicit Words(const model::Frame& frame) : f_(frame) {}

  std::string Say(const model::Clause& clause) const {
    std::string out;
    std::size_t next = 0;
    for (const char c : Pattern(clause.phrase)) {
      if (c != '%')
        out += c;
      else
        out += next < clause.parts.size() ? std::visit(*this, clause.parts[next++]) : "!!";
    }
    // A clause with parts left over or missing is shown, never hidden.
    return next == clause.parts.size() ? out : out + " !!";
  }
  std::string Join(const std::vector<model::Clause>& clauses, std::string_view separator) const {
    std::string text;
    for (const model::Clause& clause : clauses)
      text += (text.empty() ? "" : std::string(separator)) + Say(clause);
    return text;
  }

  std::string operator()(std::int64_t number) const { return std::to_string(number); }
  std::string operator()(model::Word word) const { return std::string(WordText(word)); }
  std::string operator()(model::TypeNamed t) const { return PrintableName(f_.types[t.type].name); }
  std::string operator()(model::TypeOfSlot s) const { return (*this)(Type(s.slot)); }
  std::string operator()(model::SlotNamed s) const {
    return "slot " + std::to_string(s.slot) + " (" + (*this)(Type(s.slot)) + ")";
  }
  std::string operator()(const model::SlotList& list) const {
    constexpr std::size_t kShown = 8;
    std::string text = list.slots.size() == 1 ? "slot" : "slots";
    for (std::size_t i = 0; i < list.slots.size() && i < kShown; ++i)
      text += " " + std::to_string(list.slots[i]);
    if (list.slots.size() > kShown)
      text += " ... (" + std::to_string(list.slots.size()) + " in all)";
    return text;
  }
  std::string operator()(const model::InScope& s) const {
    return (*this)(model::TypeNamed{s.type}) + (s.wholeType ? " at all (" : " in scope (") +
           (*this)(model::SlotList{s.slots}) + ")";
  }
  std::string operator()(const model::NoInstanceIn& none) const {
    const model::ScopeStart& scope = none.scope;
    const std::string first = std::to_string(scope.first);
    const std::string why =
        scope.current ? (scope.first < 0 ? "its selection is current and empty"
                                         : "its current selection starts at free slot " + first)
                      : (scope.first < 0 ? "it has no objects"
                                         : "its first object's slot " + first + " is free");
    return (*this)(model::TypeNamed{scope.type}) + " has no instance in scope (" + why + ")";
  }
  std::string operator()(model::StoredValue stored) const {
    return stored.value == 0 ? "storedFixedValue, which is 0"
                             : "storedFixedValue " + std::to_string(stored.value);
  }
  // "slot 3", or for an object parameter's first instance in scope "A's first
  // instance in scope, slot 3," (without its comma at the end of a clause).
  std::string operator()(const model::Subject& s) const {
    std::string named = "slot " + std::to_string(s.slot);
    if (s.fixedValue) named += " (fixed value " + std::to_string(*s.fixedValue) + ")";
    if (s.type == model::kNone) return named;
    return (*this)(model::TypeNamed{s.type}) + "'s first instance in scope, " + named +
           (s.last ? "" : ",");
  }
  std::string operator()(model::Beyond beyond) const {
    const std::string last = std::to_string(beyond.lastSlot);
    return beyond.bound == model::SlotBound::ObjectCount
               ? " lies beyond objectCount " + last + ", the last slot the conditions look in"
               : " lies beyond objectLimit " + last + ", the last slot the actions look in";
  }
  std::string operator()(model::KeyNamed key) const {
    return key.key == model::SortKey::X   ? "X"
           : key.key == model::SortKey::Y ? "Y"
                                          : "alterable value " + std::to_string(key.valueIndex);
  }
  std::string operator()(const model::Clauses& clauses) const { return Join(clauses.list, ", "); }

 private:
  model::TypeNamed Type(int slot) const { return {f_.slots[slot].type}; }

  const model::Frame& f_;
};

}  // namespace

std::vector<std::string> ParameterNotes(const SceneCall& call) {
  std::vector<std::string> notes;
  for (const model::Clause& note : model::ParameterNotes(ModelCall(call)))
    notes.push_back(Words(model::Frame{}).Say(note));
  return notes;
}

Result<CallAccount> WordDecisions(const model::Frame& before, const model::Decisions& decisions,
                                  const SceneCall& call, bool didNothing) {
  const model::Explanation explained = model::Explain(ModelCall(call), decisions);
  if (explained.missing != nullptr)
    return Error{"the reference model recorded no " + std::string(explained.missing) +
                 " decision for " + std::string(call.routine->displayText)};
  const Words words(before);
  CallAccount account{{}, explained.named, std::nullopt};
  for (const model::Clause& note : explained.notes) account.notes.push_back(words.Say(note));
  if (didNothing && !explained.why.empty()) account.why = Reason{words.Join(explained.why, "; ")};
  return account;
}

CallAccount ReplayOnModel(const model::Frame& before, const SceneCall& call, bool didNothing) {
  model::Decisions decisions;
  model::Frame frame = before;
  if (model::Run(frame, ModelCall(call), &decisions).unmodelled) return {};
  Result<CallAccount> account = WordDecisions(before, decisions, call, didNothing);
  if (account) return std::move(*account);
  // Loud in the report, which the scene fuzzers reject.
  return {{"!! " + account.error()}, {}, std::nullopt};
}

}  // namespace tier::hostprog
