// The routine catalogue's rows: every condition, action and expression the
// host can call, one row each, with every fact about it and the text game
// authors read about it. One row a routine: conditions, actions and
// expressions, each kind in the order of its codes, so that a row's place in
// its kind is its code. A row names the function that carries the routine's
// logic (in conditions/, order/ or expressions/, declared from this row by
// plugin/routines.h), then its display string id (conditions and actions),
// display string, parameters and the slots it searches, then any further
// columns: TwinOf (the fixed-value routine whose object form it is), Sorts,
// GivesText, Focus (the fuzzer's share) and Workload (the benchmarks'
// argument). An action made by ACTION_BY_OBJECT is the object form of the
// action it names second: the routine tables bind it as that action over the
// fixed value of each object parameter, and it has no function of its own.
// Last comes Says: what the routine does in one line (README.txt, the
// playground) and in full (the reference), in string literals alone.
//
// The build writes these rows without their Says into the header that
// plugin/catalogue.h reads (cmake/rows_without_text.cmake), and rewrites it
// only when a fact changes: editing a text rebuilds only what reads the
// text, through plugin/routine_text.h. The build stops on a row without its
// Says, or with Says anywhere but last. The column words are those of
// plugin/catalogue.h. To add a routine: its row here, its function.
#pragma once

// clang-format off
#define TIER_ROUTINE_ROWS_WITH_TEXT(CONDITION, ACTION, ACTION_BY_OBJECT, EXPRESSION) \
  CONDITION(CondAtBack, 6000, "%0 At Back?", {N(kTitleFixedValue)}, kNoSlots, \
            Says("True when the object's node is the back-most one, uncounted or not.", \
                 "True when the back-most node of the display order, uncounted or not, belongs " \
                 "to the object with this fixed value. No slot is searched: the fixed value is " \
                 "compared with that of the node's object, wherever it lies. False on an empty " \
                 "list and when the back-most node belongs to another object.")) \
  CONDITION(CondAtFront, 6010, "%0 At Front?", {N(kTitleFixedValue)}, kNoSlots, \
            Says("True when the object's node is the front-most one, uncounted or not.", \
                 "True when the front-most node of the display order, uncounted or not, " \
                 "belongs to the object with this fixed value. No slot is searched: the fixed " \
                 "value is compared with that of the node's object, wherever it lies. False on " \
                 "an empty list and when the front-most node belongs to another object.")) \
  CONDITION(CondAbove, 6020, "%0 Above %1?", {N(kTitleFixedValue), N(kTitleFixedValue)}, \
            kToObjectCount, Focus(1), \
            Says("True when the first object lies in front of the second.", \
                 "True when the first object's level is higher (nearer the front) than the " \
                 "second's. Both are looked for in slots 0 to objectCount; false when either " \
                 "is missing or has no display node, and when both name the same object.")) \
  CONDITION(CondBelow, 6030, "%0 Below %1?", {N(kTitleFixedValue), N(kTitleFixedValue)}, \
            kToObjectCount, Focus(1), \
            Says("True when the first object lies behind the second.", \
                 "True when the first object's level is lower (nearer the back) than the " \
                 "second's. Both are looked for in slots 0 to objectCount; false when either " \
                 "is missing or has no display node, and when both name the same object.")) \
  CONDITION(CondBetween, 6040, "%0 Between %1 and %2?", \
            {N(kTitleFixedValue), N(kTitleFixedValue), N(kTitleFixedValue)}, kToObjectCount, \
            Focus(1), \
            Says("True when the first object lies between the other two, in either order.", \
                 "True when the first object's level lies strictly between the levels of the " \
                 "second and the third, in either order. The three fixed values are fetched " \
                 "from the host one after another and looked for in slots 0 to objectCount. " \
                 "False when any of the three objects is missing or has no display node.")) \
  CONDITION(CondObjectAtBack, 6000, "%0 At Back?", {O(kTitleAnObject)}, kNoSlots, \
            TwinOf(CondAtBack), \
            Says("Narrows the selection to the instance at the back; true if it is one.", \
                 "Tests each instance of the object in scope (its current selection, or else " \
                 "all its instances) and keeps in the selection the one whose node is at the " \
                 "back of the display order. True when it is one of them. When none is, the " \
                 "selection is emptied but stays as current as it was: a selection that was " \
                 "current stays current and empty, one that was not current stays not current " \
                 "(so the next routine again sees every instance). False, with the selection " \
                 "untouched, when the object has no instance in scope. No slot is searched.")) \
  CONDITION(CondObjectAtFront, 6010, "%0 At Front?", {O(kTitleAnObject)}, kNoSlots, \
            TwinOf(CondAtFront), \
            Says("Narrows the selection to the instance at the front; true if it is one.", \
                 "Tests each instance of the object in scope (its current selection, or else " \
                 "all its instances) and keeps in the selection the one whose node is at the " \
                 "front of the display order. True when it is one of them. When none is, the " \
                 "selection is emptied but stays as current as it was: a selection that was " \
                 "current stays current and empty, one that was not current stays not current " \
                 "(so the next routine again sees every instance). False, with the selection " \
                 "untouched, when the object has no instance in scope. No slot is searched.")) \
  CONDITION(CondObjectAbove, 6020, "%0 Above %1?", {O(kTitleObjectA), O(kTitleObjectB)}, \
            kToObjectCount, TwinOf(CondAbove), Focus(1), \
            Says("Narrows A's selection to instances in front of an instance of B.", \
                 "Keeps in the selection of object A those of its instances in scope that lie " \
                 "above (in front of) at least one instance in scope of object B; true when " \
                 "one does. Each instance is looked for by its fixed value in slots 0 to " \
                 "objectCount, as \"%0 Above %1?\" with fixed values does. When none passes, " \
                 "A's selection is emptied but stays as current as it was: current and empty " \
                 "if it was current, still not current (every instance in scope again) if it " \
                 "was not. False, with A's selection untouched, when A or B has no instance in " \
                 "scope.")) \
  CONDITION(CondObjectBelow, 6030, "%0 Below %1?", {O(kTitleObjectA), O(kTitleObjectB)}, \
            kToObjectCount, TwinOf(CondBelow), Focus(1), \
            Says("Narrows A's selection to instances behind an instance of B.", \
                 "Keeps in the selection of object A those of its instances in scope that lie " \
                 "below (behind) at least one instance in scope of object B; true when one " \
                 "does. Each instance is looked for by its fixed value in slots 0 to " \
                 "objectCount, as \"%0 Below %1?\" with fixed values does. When none passes, " \
                 "A's selection is emptied but stays as current as it was: current and empty " \
                 "if it was current, still not current (every instance in scope again) if it " \
                 "was not. False, with A's selection untouched, when A or B has no instance in " \
                 "scope.")) \
  CONDITION(CondObjectBetween, 6040, "%0 Between %1 and %2?", \
            {O(kTitleObjectA), O(kTitleObjectB), O(kTitleObjectC)}, kToObjectCount, \
            TwinOf(CondBetween), Focus(2), \
            Says("Narrows A's selection to instances between instances of B and C.", \
                 "Keeps in A's selection its instances in scope that lie above an instance of " \
                 "B and below an instance of C, looked for by fixed value in slots 0 to " \
                 "objectCount; true when one does. When none does, A's selection is made not " \
                 "current and every instance of A's type is tried the other way round: below " \
                 "an instance of B and above one of C. The three objects are fetched from the " \
                 "host one after another. False when neither way finds an instance, or when an " \
                 "object has no instance in scope.\n\nOne exception, at the last value of the " \
                 "host's count of event passes, which grows by one each time the host runs " \
                 "through the events: when that count is 65535, the mark that makes a " \
                 "selection not current is 65535 too, so A's selection stays current, and the " \
                 "other way round starts from what the first way left in it instead of from " \
                 "every instance. Then the other way round is tried in full only when A's " \
                 "selection was not current on entry and no instance of A lay above an " \
                 "instance of B; otherwise the condition is false whenever the first way finds " \
                 "nothing.")) \
  ACTION(SendBackOne, 5000, "Send %0 Back One", {N(kTitleFixedValue)}, kToObjectLimit, \
         Says("Swaps the object with its neighbour behind it.", \
              "Swaps the object with its neighbour toward the back; both are redrawn. Nothing " \
              "happens when the object is already at the back, when no object in slots 0 to " \
              "objectLimit has the fixed value, or when it has no display node.")) \
  ACTION(BringForwardOne, 5010, "Bring %0 Forward One", {N(kTitleFixedValue)}, kToObjectLimit, \
         Says("Swaps the object with its neighbour in front of it.", \
              "Swaps the object with its neighbour toward the front; both are redrawn. Nothing " \
              "happens when the object is already at the front, when no object in slots 0 to " \
              "objectLimit has the fixed value, or when it has no display node.")) \
  ACTION(SwapPair, 5020, "Swap %0 and %1", {N(kTitleFixedValue), N(kTitleFixedValue)}, \
         kToObjectLimit, \
         Says("Exchanges the places of the two objects.", \
              "Exchanges the places (and levels) of two objects wherever they lie; both are " \
              "redrawn, the first one first. The same object twice stays put and is redrawn " \
              "twice. Nothing happens when either object cannot be found in slots 0 to " \
              "objectLimit.")) \
  ACTION(StoreFixedValue, 5030, "Store Fixed Value for %0", {O(kTitleObjectA)}, kNoSlots, \
         Says("Remembers the object's fixed value; a fixed value of 0 then means it.", \
              "Remembers the fixed value of the object's first instance in scope (the first of " \
              "its current selection, or else its first instance); from then on a fixed value " \
              "of 0 stands for it. Stores 0 when the object has no instance in scope. No slot " \
              "is searched.")) \
  ACTION(BringToFront, 5040, "Bring %0 to Front", {N(kTitleFixedValue)}, kToObjectLimit, \
         Says("Moves the object to the front of the order.", \
              "Moves the object to the front of the display order, one neighbour at a time, " \
              "and redraws it alone, also when it was already at the front. Nothing happens on " \
              "an empty list or when the object cannot be found in slots 0 to objectLimit.")) \
  ACTION(SendToBack, 5050, "Send %0 to Back", {N(kTitleFixedValue)}, kToObjectLimit, \
         Says("Moves the object to the back of the order.", \
              "Moves the object to the back of the display order, one neighbour at a time, and " \
              "redraws it alone, also when it was already at the back. Nothing happens on an " \
              "empty list or when the object cannot be found in slots 0 to objectLimit.")) \
  ACTION(SendBackN, 5060, "Send %0 Back %1", {N(kTitleFixedValue), N(kTitleHowMany)}, \
         kToObjectLimit, \
         Says("Moves the object back that many places, at most to the back.", \
              "Moves the object back by the given number of places, or until it is at the " \
              "back; each step redraws both nodes it swapped. Nothing happens for a count of 0 " \
              "or less or when the object cannot be found in slots 0 to objectLimit.")) \
  ACTION(BringForwardN, 5070, "Bring %0 Forward %1", {N(kTitleFixedValue), N(kTitleHowMany)}, \
         kToObjectLimit, \
         Says("Moves the object forward that many places, at most to the front.", \
              "Moves the object forward by the given number of places, or until it is at the " \
              "front; each step redraws both nodes it swapped. Nothing happens for a count of " \
              "0 or less or when the object cannot be found in slots 0 to objectLimit.")) \
  ACTION(ReverseAll, 5080, "Reverse all", {}, kNoSlots, \
         Says("Reverses the whole order: the back-most object comes to the front.", \
              "Reverses the whole display order by swapping the outermost pair, then the next " \
              "pair inward, and so on; both nodes of each pair are redrawn. Nothing happens on " \
              "an empty list; a single node is redrawn twice.")) \
  ACTION(MoveAbove, 5090, "Move %0 Above %1", {N(kTitleFixedValue), N(kTitleFixedValue)}, \
         kToObjectLimit, \
         Says("Moves the first object forward to just in front of the second.", \
              "Moves the first object forward until it lies directly in front of the second, " \
              "and redraws the first alone. Nothing happens when the first object's level is " \
              "already at or above the second's, or when either object cannot be found in " \
              "slots 0 to objectLimit.")) \
  ACTION(MoveBelow, 5100, "Move %0 Below %1", {N(kTitleFixedValue), N(kTitleFixedValue)}, \
         kToObjectLimit, \
         Says("Moves the first object back to just behind the second.", \
              "Moves the first object back until it lies directly behind the second, and " \
              "redraws the first alone. Nothing happens when the first object's level is " \
              "already at or below the second's, or when either object cannot be found in " \
              "slots 0 to objectLimit.")) \
  ACTION(MoveToLevel, 5110, "Move %0 to Level %1", {N(kTitleFixedValue), N(kTitleLevel)}, \
         kToObjectLimit, \
         Says("Moves the object to the given position, 1 being the back-most.", \
              "Moves the object to the given position, counted from 1 at the back over every " \
              "node, uncounted ones too; the nodes in between shift by one place. Only the " \
              "object is redrawn. Nothing happens for a position below 1 or beyond the last " \
              "node, when the object is already there, or when it cannot be found in slots 0 " \
              "to objectLimit. The Level parameter is a position, not the host's level number: " \
              "where the back-most node's level is 10, position 2 is level 11. Nor is it the " \
              "counted position that \"tirGetLevel(\" answers with: where uncounted objects " \
              "lie behind, that number is smaller, and the object lands further back.")) \
  ACTION(IncreasingXSort, 5120, "Increasing X Sort", {}, kNoSlots, Sorts(SortKey::X, true), \
         Says("Sorts all: largest X at the back (drawn first), smallest X at the front.", \
              "Sorts the whole display order by X position, X falling from the back to the " \
              "front: the object with the largest X goes to the back, drawn first and covered " \
              "by the others, and the one with the smallest X to the front, drawn last, on " \
              "top. Levels are renumbered from the old back-most level and every node is " \
              "redrawn. A list of fewer than two nodes is left alone.")) \
  ACTION(IncreasingYSort, 5130, "Increasing Y Sort", {}, kNoSlots, Sorts(SortKey::Y, true), \
         Says("Sorts all: largest Y at the back (drawn first), smallest Y at the front.", \
              "Sorts the whole display order by Y position, Y falling from the back to the " \
              "front: the object with the largest Y goes to the back, drawn first and covered " \
              "by the others, and the one with the smallest Y to the front, drawn last, on " \
              "top. Levels are renumbered from the old back-most level and every node is " \
              "redrawn. A list of fewer than two nodes is left alone.")) \
  ACTION(DecreasingXSort, 5140, "Decreasing X Sort", {}, kNoSlots, Sorts(SortKey::X, false), \
         Says("Sorts all: smallest X at the back (drawn first), largest X at the front.", \
              "Sorts the whole display order by X position, X rising from the back to the " \
              "front: the object with the smallest X goes to the back, drawn first and covered " \
              "by the others, and the one with the largest X to the front, drawn last, on top. " \
              "Levels are renumbered from the old back-most level and every node is redrawn. A " \
              "list of fewer than two nodes is left alone.")) \
  ACTION(DecreasingYSort, 5150, "Decreasing Y Sort", {}, kNoSlots, Sorts(SortKey::Y, false), \
         Says("Sorts all: smallest Y at the back (drawn first), largest Y at the front.", \
              "Sorts the whole display order by Y position, Y rising from the back to the " \
              "front: the object with the smallest Y goes to the back, drawn first and covered " \
              "by the others, and the one with the largest Y to the front, drawn last, on top. " \
              "Levels are renumbered from the old back-most level and every node is redrawn. A " \
              "list of fewer than two nodes is left alone.")) \
  ACTION_BY_OBJECT(SendBackOneByObject, SendBackOne, 5000, "Send %0 Back One", \
                   {O(kTitleAnObject)}, kToObjectLimit, \
                   Says("Swaps the first instance in scope with its neighbour behind it.", \
                        "As \"Send %0 Back One\" with a fixed value, on the fixed value of the " \
                        "object's first instance in scope, looked for in slots 0 to " \
                        "objectLimit. When the object has no instance in scope, it acts on the " \
                        "object of the stored fixed value.")) \
  ACTION_BY_OBJECT(BringForwardOneByObject, BringForwardOne, 5010, "Bring %0 Forward One", \
                   {O(kTitleAnObject)}, kToObjectLimit, \
                   Says("Swaps the first instance in scope with its neighbour in front.", \
                        "As \"Bring %0 Forward One\" with a fixed value, on the fixed value of " \
                        "the object's first instance in scope, looked for in slots 0 to " \
                        "objectLimit. When the object has no instance in scope, it acts on the " \
                        "object of the stored fixed value.")) \
  ACTION_BY_OBJECT(SwapPairByObject, SwapPair, 5020, "Swap %0 and %1", \
                   {O(kTitleObjectA), O(kTitleObjectB)}, kToObjectLimit, \
                   Says("Exchanges the places of the first instances in scope of A and B.", \
                        "As \"Swap %0 and %1\" with fixed values, on the fixed values of the " \
                        "first instances in scope of A and B, looked for in slots 0 to " \
                        "objectLimit. An object without an instance in scope stands for the " \
                        "stored fixed value. Two objects whose first instance is the same (as " \
                        "with the same type twice) swap that instance with itself: it stays " \
                        "put and is redrawn twice.")) \
  ACTION_BY_OBJECT(BringToFrontByObject, BringToFront, 5040, "Bring %0 to Front", \
                   {O(kTitleAnObject)}, kToObjectLimit, \
                   Says("Moves the first instance in scope to the front of the order.", \
                        "As \"Bring %0 to Front\" with a fixed value, on the fixed value of " \
                        "the object's first instance in scope, looked for in slots 0 to " \
                        "objectLimit. When the object has no instance in scope, it acts on the " \
                        "object of the stored fixed value.")) \
  ACTION_BY_OBJECT(SendToBackByObject, SendToBack, 5050, "Send %0 to Back", {O(kTitleAnObject)}, \
                   kToObjectLimit, \
                   Says("Moves the first instance in scope to the back of the order.", \
                        "As \"Send %0 to Back\" with a fixed value, on the fixed value of the " \
                        "object's first instance in scope, looked for in slots 0 to " \
                        "objectLimit. When the object has no instance in scope, it acts on the " \
                        "object of the stored fixed value.")) \
  ACTION_BY_OBJECT(SendBackNByObject, SendBackN, 5060, "Send %0 Back %1", \
                   {O(kTitleObjectA), N(kTitleHowMany)}, kToObjectLimit, \
                   Says("Moves the first instance in scope back that many places.", \
                        "As \"Send %0 Back %1\" with a fixed value, on the fixed value of the " \
                        "object's first instance in scope, looked for in slots 0 to " \
                        "objectLimit. When the object has no instance in scope, it acts on the " \
                        "object of the stored fixed value.")) \
  ACTION_BY_OBJECT(BringForwardNByObject, BringForwardN, 5070, "Bring %0 Forward %1", \
                   {O(kTitleObjectA), N(kTitleHowMany)}, kToObjectLimit, \
                   Says("Moves the first instance in scope forward that many places.", \
                        "As \"Bring %0 Forward %1\" with a fixed value, on the fixed value of " \
                        "the object's first instance in scope, looked for in slots 0 to " \
                        "objectLimit. When the object has no instance in scope, it acts on the " \
                        "object of the stored fixed value.")) \
  ACTION_BY_OBJECT(MoveAboveByObject, MoveAbove, 5090, "Move %0 Above %1", \
                   {O(kTitleObjectA), O(kTitleObjectB)}, kToObjectLimit, \
                   Says("Moves A's first instance in scope to just in front of B's.", \
                        "As \"Move %0 Above %1\" with fixed values, on the fixed values of the " \
                        "first instances in scope of A and B, looked for in slots 0 to " \
                        "objectLimit. An object without an instance in scope stands for the " \
                        "stored fixed value. Two objects whose first instance is the same (as " \
                        "with the same type twice) move and redraw nothing.")) \
  ACTION_BY_OBJECT(MoveBelowByObject, MoveBelow, 5100, "Move %0 Below %1", \
                   {O(kTitleObjectA), O(kTitleObjectB)}, kToObjectLimit, \
                   Says("Moves A's first instance in scope to just behind B's.", \
                        "As \"Move %0 Below %1\" with fixed values, on the fixed values of the " \
                        "first instances in scope of A and B, looked for in slots 0 to " \
                        "objectLimit. An object without an instance in scope stands for the " \
                        "stored fixed value. Two objects whose first instance is the same (as " \
                        "with the same type twice) move and redraw nothing.")) \
  ACTION_BY_OBJECT(MoveToLevelByObject, MoveToLevel, 5110, "Move %0 to Level %1", \
                   {O(kTitleObjectA), N(kTitleLevel)}, kToObjectLimit, \
                   Says("Moves the first instance in scope to the given position.", \
                        "As \"Move %0 to Level %1\" with a fixed value, on the fixed value of " \
                        "the object's first instance in scope, looked for in slots 0 to " \
                        "objectLimit. When the object has no instance in scope, it acts on the " \
                        "object of the stored fixed value.")) \
  ACTION(IncreasingSortByValue, 5260, "Increasing Sort by %0 : non-alts default to %1", \
         {A(kTitleAltValue), N(kTitleDefault)}, kNoSlots, Sorts(SortKey::AlterableValue, true), \
         Says("Sorts all by the value: largest at the back, smallest at the front.", \
              "Sorts the whole display order by the chosen alterable value, the value falling " \
              "from the back to the front: the object with the largest value goes to the back, " \
              "drawn first and covered by the others, and the one with the smallest value to " \
              "the front, drawn last, on top. An object without alterable values (a counter, a " \
              "string), or whose values do not reach the chosen index, sorts by the default " \
              "value. Levels are renumbered from the old back-most level and every node is " \
              "redrawn. A list of fewer than two nodes is left alone.")) \
  ACTION(DecreasingSortByValue, 5270, "Decreasing Sort by %0 : non-alts default to %1", \
         {A(kTitleAltValue), N(kTitleDefault)}, kNoSlots, Sorts(SortKey::AlterableValue, false), \
         Says("Sorts all by the value: smallest at the back, largest at the front.", \
              "Sorts the whole display order by the chosen alterable value, the value rising " \
              "from the back to the front: the object with the smallest value goes to the " \
              "back, drawn first and covered by the others, and the one with the largest value " \
              "to the front, drawn last, on top. An object without alterable values (a " \
              "counter, a string), or whose values do not reach the chosen index, sorts by the " \
              "default value. Levels are renumbered from the old back-most level and every " \
              "node is redrawn. A list of fewer than two nodes is left alone.")) \
  EXPRESSION(GetFixedValueByName, "tirGetFV(", kTextArgument, SlotBound::Both, Focus(1), \
             Says("Fixed value of the first counted instance with this object name.", \
                  "The fixed value of the instance with this object name (ASCII letters match " \
                  "in either case) in the lowest slot whose node is counted. The names are " \
                  "scanned in slots 0 to objectCount, and a match's node is looked for as the " \
                  "actions look for one, in slots 0 to objectLimit. An empty name gives the " \
                  "stored fixed value; 0 when no instance matches.")) \
  EXPRESSION(GetTopFixedValue, "tirGetTopFV(", kNoArgument, kNoSlots, \
             Says("Fixed value of the front-most counted object.", \
                  "The fixed value of the front-most counted node's object; 0 on an empty list " \
                  "or when every node is uncounted.")) \
  EXPRESSION(GetBottomFixedValue, "tirGetBottomFV(", kNoArgument, kNoSlots, \
             Says("Fixed value of the back-most counted object.", \
                  "The fixed value of the back-most counted node's object; 0 on an empty list " \
                  "or when every node is uncounted.")) \
  EXPRESSION(GetDescription, "tirGetDesc$(", kPositionArgument, kNoSlots, GivesText(), \
             Workload(WorkloadArgument::One), \
             Says("Text: a header and the counted object at this position: number, name, FV.", \
                  "A text table of the counted object at the given position: the header " \
                  "\"Lvl\\tName\\tFV\" and an empty line, then one line with the number, the " \
                  "object name and the fixed value, separated by tabs. Every node, uncounted " \
                  "ones too, counts toward the given position; when the node there is " \
                  "uncounted, the next counted node is listed under that number. A position of " \
                  "0 or less, or beyond the list, gives the header alone. The text is newly " \
                  "allocated for the host to release.")) \
  EXPRESSION(GetTenDescription, "tirGetTenDesc$(", kPositionArgument, kNoSlots, GivesText(), \
             Workload(WorkloadArgument::One), \
             Says("Text: a header and up to ten counted objects from this position on.", \
                  "As \"tirGetDesc$(\", listing up to ten counted objects from the given " \
                  "position on: every node, uncounted ones too, counts up to that position, " \
                  "and from there only counted nodes are listed, numbered on from it; the " \
                  "listing stops before the number start + 10. With a start of 0 or less, " \
                  "every listed object has its counted position as its number, from 1 at the " \
                  "back, and the same stop lists at most start + 9 of them: with 0, counted " \
                  "positions 1 to 9; with -6, counted positions 1 to 3, whatever uncounted " \
                  "nodes lie between; with -9 or less, the header alone. A start beyond the " \
                  "list gives the header alone.")) \
  EXPRESSION(GetLevelCount, "tirGetNumLvls(", kNoArgument, kNoSlots, \
             Says("Number of counted objects in the order.", \
                  "The number of counted nodes in the display order; 0 on an empty list.")) \
  EXPRESSION(GetLevel, "tirGetLevel(", kFixedValueArgument, kNoSlots, \
             Says("Counted position of the object, 1 at the back; 0 if it has none.", \
                  "The counted position of the object with this fixed value: its place among " \
                  "the counted nodes, 1 at the back. 0 stands for the stored fixed value. 0 " \
                  "when the object has no node in the list or its node is uncounted.\n\nIt is " \
                  "not a position: fed to \"Move %0 to Level %1\", whose Level counts every " \
                  "node, it puts the moved object one place further back for each uncounted " \
                  "object that lies behind the one measured.")) \
  EXPRESSION(GetLevelFixedValue, "tirGetLevelFV(", kPositionArgument, kNoSlots, \
             Says("Fixed value of the object at this position; 0 if none.", \
                  "The fixed value of the object at this position, counted from 1 at the back " \
                  "over every node, uncounted ones too; but when the node at the position is " \
                  "uncounted, the next counted node in front of it takes its number, and so " \
                  "answers for two numbers. 0 for a position of 0 or less, beyond the list, or " \
                  "on an empty list. So where an uncounted node lies behind an object, " \
                  "\"tirGetLevelFV(\" of the number that \"tirGetLevel(\" gives for it may " \
                  "name another object."))
// clang-format on
