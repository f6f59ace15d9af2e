// Why a call did nothing, as the model settles it: from the decisions a call
// recorded, the clauses that explain it, each a phrase and the facts it
// carries, in the order they are said. The host program gives each phrase its
// words and names what the parts point at; it decides nothing.
#pragma once

#include <cstdint>
#include <variant>
#include <vector>

#include "model/model.h"

namespace tier::model {

enum class Phrase {
  StoodIn,               // a look-up took the stored value for 0
  NoneInScopeTakes,      // an object parameter with nothing in scope took the stored value
  FirstInstanceStoodIn,  // its first instance's own fixed value was 0
  NoSlotInReach,         // objectLimit below 0
  NoHolder,              // no slot holds the fixed value
  HolderBeyond,          // the holder lies past the slots looked in
  NoNode,
  ListEmpty,
  OneNode,
  AlreadyAtEnd,
  MoveOntoItself,
  SameLevelAsTarget,
  AlreadyPlaced,
  LevelOutside,
  AlreadyAtPosition,
  SameLevelAtPosition,
  DefaultKeysOnly,
  OneKey,
  InOrderByDefault,
  InOrder,
  StoredZero,
  CountBelowOne,
  SwapWithItself,
  EndOwnerless,
  NoHolderAtEnd,
  NotAtEnd,
  ComparedWithItself,
  SameLevels,
  LevelsTheOtherWay,
  NotBetween,
  NoInstance,
  NonePassed,
  UnseenByTest,
  MisledByStored,
  MisledByEarlierHolder,
  EndNotCandidate,
  EndStoodIn,
  SomePassedNoneBeyond,
  MarkLeavesCurrent,
  BetweenArrangements,
  // Notes, said whatever the call did.
  NoteFellBack,
  NoteFellBackOn,
  NoteDefaultSort,
};

struct Clause;

// The parts a clause carries, each worded by its kind.
enum class Word {
  Front,
  Back,
  FrontMost,
  BackMost,
  Above,
  Below,
  Largest,
  Smallest,
  ASort,
  Reversing
};
struct TypeNamed {
  int type = 0;
};
struct TypeOfSlot {
  int slot = 0;
};
struct SlotNamed {  // a slot with its type
  int slot = 0;
};
struct SlotList {
  std::vector<int> slots;
};
struct InScope {  // a type's instances in scope, or with `wholeType` its whole chain
  int type = 0;
  std::vector<int> slots;
  bool wholeType = false;
};
struct NoInstanceIn {
  ScopeStart scope;
};
struct StoredValue {
  std::int32_t value = 0;
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
