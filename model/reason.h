// Why a call did nothing, as the model settles it: from the decisions a call
// recorded, the clauses that explain it, each a phrase and the facts it
// carries, in the order they are said. The host program gives each phrase its
// words and names what the parts point at; it decides nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

#include "model/model.h"

namespace tier::model {

// Each phrase one way a decision explains a call, in the order the routines
// meet them: look-ups, the list, moves, sorts, the conditions with fixed
// values, the conditions on objects; then the notes said whatever the call did.
// clang-format off
enum class Phrase {
  StoodIn, NoneInScopeTakes, FirstInstanceStoodIn, NoSlotInReach, NoHolder, HolderBeyond, NoNode,
  ListEmpty, OneNode,
  AlreadyAtEnd, MoveOntoItself, SameLevelAsTarget, AlreadyPlaced, LevelOutside, AlreadyAtPosition,
  SameLevelAtPosition, StoredZero, CountBelowOne, SwapWithItself,
  DefaultKeysOnly, OneKey, InOrderByDefault, InOrder,
  EndOwnerless, NoHolderAtEnd, NotAtEnd, ComparedWithItself, SameLevels, LevelsTheOtherWay,
  NotBetween,
  NoInstance, NonePassed, UnseenByTest, MisledByStored, MisledByEarlierHolder, EndNotCandidate,
  EndStoodIn, SomePassedNoneBeyond, MarkLeavesCurrent, BetweenArrangements,
  NoteFellBack, NoteFellBackOn, NoteDefaultSort,
};

struct Clause;

// The parts a clause carries, each worded by its kind.
enum class Word {
  Front, Back, FrontMost, BackMost, Above, Below, Largest, Smallest, ASort, Reversing,
};
struct TypeNamed { int type = 0; };
struct TypeOfSlot { int slot = 0; };         // the type of the object in a slot
struct SlotNamed { int slot = 0; };          // a slot with its type
struct SlotList { std::vector<int> slots; };
struct NoInstanceIn { ScopeStart scope; };   // why a type has no instance in scope
struct StoredValue { std::int32_t value = 0; };
// clang-format on
struct InScope {  // a type's instances in scope, or with `wholeType` its whole chain
  int type = 0;
  std::vector<int> slots;
  bool wholeType = false;
};
// A slot a look-up reached; with `type` (not kNone), an object parameter's
// first instance in scope of that type. `fixedValue` when the clause gives
// it, `last` at the end of a clause.
struct Subject {
  int slot = kNone;
  int type = kNone;
  std::optional<std::int32_t> fixedValue;
  bool last = false;
};
struct Beyond {
  SlotBound bound = SlotBound::ObjectLimit;
  int lastSlot = 0;
};
struct KeyNamed {
  SortKey key = SortKey::X;
  std::int32_t valueIndex = 0;
};
struct Clauses {  // said one after another
  std::vector<Clause> list;
};
using Part = std::variant<std::int64_t, Word, TypeNamed, TypeOfSlot, SlotNamed, SlotList, InScope,
                          NoInstanceIn, StoredValue, Subject, Beyond, KeyNamed, Clauses>;

struct Clause {
  Phrase phrase;
  std::vector<Part> parts;
};

struct Explanation {
  std::vector<Clause> why;  // empty: no plain reason is known
  std::vector<Clause> notes;
  std::vector<int> named;  // slots an object form reached through the stored value
  // The first decision the explanation needs that the record lacks (its
  // type's name); then nothing else is to be trusted.
  const char* missing = nullptr;
};

// Explains `call` from `decisions`, those it recorded running: each decision
// is looked up by its type and, where a routine takes several of one type,
// by its parameter or arrangement.
Explanation Explain(const Call& call, const Decisions& decisions);

// Notes that the call's parameters alone give.
std::vector<Clause> ParameterNotes(const Call& call);

}  // namespace tier::model
