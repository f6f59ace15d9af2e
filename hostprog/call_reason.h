// What a call did, in words, from the reference model: the host program
// replays the call on the model's copy of the frame as the call found it; the
// model settles from the decisions it recorded which clauses explain the call
// (model/reason.h), and this gives each its words. Notes say how the call
// read a parameter that an author may not expect (an object form that fell
// back on the stored fixed value, an alterable value index outside the
// values); the reason says why an action changed no node or a condition was
// false, and is given only where the decisions name a plain one.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "hostprog/scene_file.h"
#include "model/model.h"
#include "support/result.h"

namespace tier::hostprog {

struct Reason {
  std::string text;  // one line, without the report's "why: "
};

struct CallAccount {
  std::vector<std::string> notes;  // one line each, without the report's "note: "
  std::vector<int> named;          // slots an object form reached through the stored value
  std::optional<Reason> why;       // asked for with `didNothing` only
};

// Notes that the call's parameters alone give.
std::vector<std::string> ParameterNotes(const SceneCall& call);

// Words what `decisions` explain, those the model took running `call` on
// `before`, the frame as the call found it (which names the types and slots);
// `didNothing` asks for the reason too. An error names a decision the
// explanation needs that the record lacks.
Result<CallAccount> WordDecisions(const model::Frame& before, const model::Decisions& decisions,
                                  const SceneCall& call, bool didNothing);

// Replays `call` on `before` and words the model's decisions. Nothing is said
// of records the model cannot run; a record short of a decision gives a note
// marked "!!" instead of a reason.
CallAccount ReplayOnModel(const model::Frame& before, const SceneCall& call, bool didNothing);

}  // namespace tier::hostprog
