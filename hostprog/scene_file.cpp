#include "hostprog/scene_file.h"

#include <algorithm>
#include <cstddef>
#include <map>
#include <optional>
#include <set>

#include "hostprog/input_file.h"
#include "hostprog/routine_names.h"
#include "support/hex.h"

namespace tier::hostprog {
namespace {

using plugin::KindWord;
using plugin::RoutineInfo;
using plugin::RoutineKind;

// What is wrong on a line, "LINE: message"; ParseScene puts the file's name
// in front.
Error LineError(int line, const std::string& message) {
  return Error{std::to_string(line) + ": " + message};
}

struct Token {
  enum class Kind { kWord, kText, kOpen, kClose, kComma, kEnd };
  Kind kind = Kind::kEnd;
  std::string text;  // a word as written, a text unescaped
};

// A word or text as a message shows it: in quotes, and cut short when long, so
// that a message stays one readable line.
constexpr std::size_t kShownLength = 40;

std::string Cut(const std::string& text, char quote) {
  const std::string cut = CutShort(text, kShownLength);
  std::string shown = quote == '"' ? Quote(cut) : "'" + cut + "'";
  if (text.size() > kShownLength) shown += " (" + std::to_string(text.size()) + " characters)";
  return shown;
}

std::string Quoted(const std::string& text) { return Cut(text, '"'); }

std::string Describe(const Token& token) {
  switch (token.kind) {
    case Token::Kind::kWord:
      return Cut(token.text, '\'');
    case Token::Kind::kText:
      return Quoted(token.text);
    case Token::Kind::kOpen:
      return "'('";
    case Token::Kind::kClose:
      return "')'";
    case Token::Kind::kComma:
      return "','";
    case Token::Kind::kEnd:
      return "the end of the line";
  }
  return "";
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Splits one line into tokens; '#' outside a text starts a comment.
Result<std::vector<Token>> Tokenize(std::string_view line, int number) {
  std::vector<Token> tokens;
  std::size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    if (IsBlank(c)) {
      ++i;
    } else if (c == '#') {
      break;
    } else if (c == '(' || c == ')' || c == ',') {
      tokens.push_back({c == '('   ? Token::Kind::kOpen
                        : c == ')' ? Token::Kind::kClose
                                   : Token::Kind::kComma,
                        std::string(1, c)});
      ++i;
    } else if (c == '"') {
      std::string text;
      ++i;
      while (true) {
        if (i >= line.size())
          return LineError(number, "expected a closing '\"' before the end of the line");
        const char t = line[i++];
        if (t == '"') break;
        if (t != '\\') {
          if (static_cast<unsigned char>(t) < 0x20 && t != '\t')
            return LineError(number,
                             "a text may not hold control characters; use \\t, \\n or \\xHH");
          text += t;
          continue;
        }
        const char e = i < line.size() ? line[i++] : '\0';
        if (e == '\\' || e == '"') {
          text += e;
        } else if (e == 't') {
          text += '\t';
        } else if (e == 'n') {
          text += '\n';
        } else if (e == 'x' && i + 1 < line.size() && HexDigit(line[i]) >= 0 &&
                   HexDigit(line[i + 1]) >= 0) {
          const int value = HexDigit(line[i]) * 16 + HexDigit(line[i + 1]);
          if (value == 0) return LineError(number, "a text may not hold \\x00");
          text += static_cast<char>(value);
          i += 2;
        } else {
          return LineError(number, "expected an escape \\\\, \\\", \\t, \\n or \\xHH in a text");
        }
      }
      tokens.push_back({Token::Kind::kText, std::move(text)});
    } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      return LineError(number,
                       "unexpected control character " + Hex(static_cast<unsigned char>(c), 2));
    } else {
      const std::size_t start = i;
      while (i < line.size() && !IsBlank(line[i]) && line[i] != '#' && line[i] != '(' &&
             line[i] != ')' && line[i] != ',' && line[i] != '"' &&
             static_cast<unsigned char>(line[i]) >= 0x20 && line[i] != 0x7F)
        ++i;
      tokens.push_back({Token::Kind::kWord, std::string(line.substr(start, i - start))});
    }
  }
  return tokens;
}

// A decimal or 0x-hexadecimal integer with an optional sign; false when the
// word is none or has more digits than any field takes.
bool ParseInteger(std::string_view word, std::int64_t& value) {
  std::size_t i = 0;
  bool negative = false;
  if (i < word.size() && (word[i] == '-' || word[i] == '+')) negative = word[i++] == '-';
  int base = 10;
  if (word.size() - i > 2 && word[i] == '0' && (word[i + 1] == 'x' || word[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i == word.size() || word.size() - i > 12) return false;
  std::int64_t magnitude = 0;
  for (; i < word.size(); ++i) {
    const int digit = HexDigit(word[i]);
    if (digit < 0 || digit >= base) return false;
    magnitude = magnitude * base + digit;
  }
  value = negative ? -magnitude : magnitude;
  return true;
}

// The tokens of one line and a cursor over them.
class LineReader {
 public:
  LineReader(std::vector<Token> tokens, int number) : tokens_(std::move(tokens)), line_(number) {}

  int line() const { return line_; }
  const Token& Peek() const { return at_ < tokens_.size() ? tokens_[at_] : end_; }
  bool AtEnd() const { return at_ >= tokens_.size(); }
  Token Next() { return at_ < tokens_.size() ? tokens_[at_++] : end_; }
  bool PeekWord(std::string_view word) const {
    return Peek().kind == Token::Kind::kWord && Peek().text == word;
  }
  bool PeekNumber() const {
    std::int64_t ignored;
    return Peek().kind == Token::Kind::kWord && ParseInteger(Peek().text, ignored);
  }
  bool SkipComma() {
    if (Peek().kind != Token::Kind::kComma) return false;
    ++at_;
    return true;
  }

  Error Fail(const std::string& message) const { return LineError(line_, message); }
  Error Expected(const std::string& what) const {
    return Fail("expected " + what + ", found " + Describe(Peek()));
  }

  Result<std::int64_t> Number(const std::string& what, std::int64_t low, std::int64_t high) {
    std::int64_t value = 0;
    if (Peek().kind != Token::Kind::kWord || !ParseInteger(Peek().text, value))
      return Expected(what + " (a number from " + std::to_string(low) + " to " +
                      std::to_string(high) + ")");
    if (value < low || value > high)
      return Fail(what + " " + Peek().text + " is out of range (" + std::to_string(low) + " to " +
                  std::to_string(high) + ")");
    ++at_;
    return value;
  }

  // A bare word or a text in quotes.
  Result<std::string> Name(const std::string& what) {
    if (Peek().kind != Token::Kind::kWord && Peek().kind != Token::Kind::kText)
      return Expected(what);
    return Next().text;
  }

  Status Expect(Token::Kind kind, const std::string& what) {
    if (Peek().kind != kind) return Expected(what);
    ++at_;
    return Ok();
  }

  Status ExpectWord(std::string_view word) {
    if (!PeekWord(word)) return Expected("'" + std::string(word) + "'");
    ++at_;
    return Ok();
  }

  Status ExpectEnd() const {
    if (!AtEnd()) return Expected("the end of the line");
    return Ok();
  }

 private:
  std::vector<Token> tokens_;
  std::size_t at_ = 0;
  int line_;
  Token end_;
};

constexpr std::int64_t kInt16Min = -32768, kInt16Max = 32767;
constexpr std::int64_t kInt32Min = -2147483648LL, kInt32Max = 2147483647LL;

struct PendingSlot {
  int slot;
  int line;
};

// What a routine parameter accepts, as the error messages name it.
std::string FormName(const RoutineInfo& routine, int index) {
  return std::string(plugin::ParameterWord(routine, index));
}

std::string ArgumentFormName(const CallArgument& argument) {
  switch (argument.form) {
    case CallArgument::Form::kNumber:
    case CallArgument::Form::kFixedValueOf:
      return "number";
    case CallArgument::Form::kObject:
      return "object";
    case CallArgument::Form::kAltValue:
      return "alterable value";
    case CallArgument::Form::kText:
      return "text";
  }
  return "";
}

std::string FormList(const std::vector<std::string>& forms) {
  std::string list = "(";
  for (std::size_t i = 0; i < forms.size(); ++i) list += (i ? ", " : "") + forms[i];
  return list + ")";
}

bool Accepts(const RoutineInfo& routine, const std::vector<CallArgument>& arguments) {
  if (arguments.size() != routine.parameterCount) return false;
  for (std::size_t i = 0; i < arguments.size(); ++i)
    if (FormName(routine, static_cast<int>(i)) != ArgumentFormName(arguments[i])) return false;
  return true;
}

// A failed step's error, for a step that gives back something else.
template <typename T>
Error ErrorOf(const Result<T>& failed) {
  return Error{failed.error()};
}

class SceneParser {
 public:
  Result<SceneFile> Parse(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // an editor's byte-order mark
    int number = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
      std::size_t end = text.find('\n', start);
      if (end == std::string_view::npos) end = text.size();
      std::string_view line = text.substr(start, end - start);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      ++number;
      if (line.size() > kMaxLineLength)
        return LineError(number,
                         "a line may be at most " + std::to_string(kMaxLineLength) + " characters");
      Result<std::vector<Token>> tokens = Tokenize(line, number);
      if (!tokens) return ErrorOf(tokens);
      LineReader reader(std::move(*tokens), number);
      if (!reader.AtEnd()) {
        if (const Status said = Statement(reader); !said) return ErrorOf(said);
        ++result_.statements;
      }
      start = end + 1;
    }
    if (const Status finished = Finish(); !finished) return ErrorOf(finished);
    return std::move(result_);
  }

 private:
  Status Statement(LineReader& line) {
    const Token keyword = line.Next();
    const std::string& word = keyword.text;
    if (keyword.kind == Token::Kind::kWord && word == "call") return Call(line);
    if (keyword.kind == Token::Kind::kWord && !result_.calls.empty() &&
        (word == "type" || word == "object" || word == "order" || IsSetting(word)))
      return line.Fail("the frame must be described before the first call (line " +
                       std::to_string(result_.calls.front().line) + ")");
    if (keyword.kind != Token::Kind::kWord) {
      return line.Fail(
          "expected a line starting with type, object, order, call or a frame setting, "
          "found " +
          Describe(keyword));
    }
    if (word == "type") return Type(line);
    if (word == "object") return Object(line);
    if (word == "order") return Order(line);
    if (IsSetting(word)) return Setting(line, word);
    return line.Fail(
        "expected a line starting with type, object, order, call, eventCount, objectCount, "
        "objectLimit, firstLevel or storedFixedValue, found " +
        Describe(keyword));
  }

  static bool IsSetting(const std::string& word) {
    return word == "eventCount" || word == "objectCount" || word == "objectLimit" ||
           word == "firstLevel" || word == "storedFixedValue";
  }

  Status Setting(LineReader& line, const std::string& name) {
    const auto [seen, inserted] = settingLines_.emplace(name, line.line());
    if (!inserted)
      return line.Fail(name + " is given twice (first on line " + std::to_string(seen->second) +
                       ")");
    sim::SceneSpec& scene = result_.scene;
    if (line.PeekWord("fv") && name == "storedFixedValue") {
      const Result<int> slot = FixedValueSlot(line);
      if (!slot) return ErrorOf(slot);
      storedSlot_ = PendingSlot{*slot, line.line()};
      return line.ExpectEnd();
    }
    Result<std::int64_t> value = std::int64_t{0};
    if (name == "eventCount" || name == "objectCount" || name == "firstLevel")
      value = line.Number(name, 0, 65535);
    else if (name == "objectLimit")
      value = line.Number(name, kInt16Min, kInt16Max);
    else
      value = line.Number("storedFixedValue (or fv(slot N))", kInt32Min, kInt32Max);
    if (!value) return ErrorOf(value);
    if (name == "eventCount") {
      scene.eventCount = static_cast<std::uint16_t>(*value);
    } else if (name == "objectCount") {
      scene.objectCount = static_cast<std::uint16_t>(*value);
    } else if (name == "objectLimit") {
      scene.objectLimit = static_cast<std::int16_t>(*value);
    } else if (name == "firstLevel") {
      scene.firstLevel = static_cast<std::uint16_t>(*value);
    } else {
      scene.storedFixedValue = static_cast<std::int32_t>(*value);
    }
    return line.ExpectEnd();
  }

  // type NAME [selection current|stale [SLOT ...]]
  Status Type(LineReader& line) {
    sim::TypeSpec type;
    Result<std::string> name = line.Name("an object name after 'type'");
    if (!name) return ErrorOf(name);
    type.name = std::move(*name);
    if (type.name.empty()) return line.Fail("an object name may not be empty");
    if (type.name.size() > kMaxNameLength)
      return line.Fail("an object name may be at most " + std::to_string(kMaxNameLength) +
                       " characters");
    if (typeIndex_.count(type.name))
      return line.Fail("object type " + Quoted(type.name) + " is declared twice");
    std::vector<PendingSlot> selected;
    if (!line.AtEnd()) {
      if (const Status word = line.ExpectWord("selection"); !word) return word;
      if (line.PeekWord("current")) {
        type.selectionCurrent = true;
      } else if (!line.PeekWord("stale")) {
        return line.Expected("'current' or 'stale' after 'selection'");
      }
      line.Next();
      while (!line.AtEnd()) {
        if (line.SkipComma()) continue;
        const Result<std::int64_t> slot = line.Number("a selected slot", 0, kMaxSlot);
        if (!slot) return ErrorOf(slot);
        selected.push_back({static_cast<int>(*slot), line.line()});
      }
    }
    typeIndex_[type.name] = static_cast<int>(result_.scene.types.size());
    typeLines_.push_back(line.line());
    selections_.push_back(std::move(selected));
    result_.scene.types.push_back(std::move(type));
    return Ok();
  }

  // object SLOT TYPE [creation N] [x N] [y N] [values none | values N ...] [block yes|none]
  Status Object(LineReader& line) {
    sim::ObjectSpec object;
    const Result<std::int64_t> slot = line.Number("an object slot", 0, kMaxSlot);
    if (!slot) return ErrorOf(slot);
    object.slot = static_cast<int>(*slot);
    if (const auto seen = objectLines_.find(object.slot); seen != objectLines_.end())
      return line.Fail("slot " + std::to_string(object.slot) + " already holds an object (line " +
                       std::to_string(seen->second) + ")");
    const Result<std::string> typeName = line.Name("the object's type name");
    if (!typeName) return ErrorOf(typeName);
    const auto type = typeIndex_.find(*typeName);
    if (type == typeIndex_.end())
      return line.Fail("unknown object type " + Quoted(*typeName) +
                       " (declare it on a type line first)");
    object.type = type->second;
    object.creationCount = 1;
    std::set<std::string> given;
    while (!line.AtEnd()) {
      const std::string key = line.Peek().kind == Token::Kind::kWord ? line.Peek().text : "";
      if (key != "creation" && key != "x" && key != "y" && key != "values" && key != "block")
        return line.Expected("creation, x, y, values or block");
      if (!given.insert(key).second) return line.Fail("'" + key + "' is given twice");
      line.Next();
      if (key == "creation" || key == "x" || key == "y") {
        // Each a signed 16-bit number.
        std::int16_t& field = key == "creation" ? object.creationCount
                              : key == "x"      ? object.x
                                                : object.y;
        const Result<std::int64_t> value = line.Number(key == "creation" ? "a creation count"
                                                       : key == "x"      ? "an X position"
                                                                         : "a Y position",
                                                       kInt16Min, kInt16Max);
        if (!value) return ErrorOf(value);
        field = static_cast<std::int16_t>(*value);
      } else if (key == "block") {
        if (!line.PeekWord("none") && !line.PeekWord("yes"))
          return line.Expected("'yes' or 'none' after 'block'");
        object.hasDisplayBlock = line.Next().text == "yes";
      } else if (line.PeekWord("none")) {
        line.Next();
        object.hasValues = false;
      } else {
        do {
          if (object.values.size() == static_cast<std::size_t>(host::kAlterableValueCount))
            return line.Fail("an object holds at most " +
                             std::to_string(host::kAlterableValueCount) + " alterable values");
          const Result<std::int64_t> value =
              line.Number("an alterable value", kInt32Min, kInt32Max);
          if (!value) return ErrorOf(value);
          object.values.push_back(static_cast<std::int32_t>(*value));
          line.SkipComma();
        } while (line.PeekNumber());
      }
    }
    objectLines_[object.slot] = line.line();
    objectTypes_[object.slot] = object.type;
    creationCounts_[object.slot] = object.creationCount;
    result_.scene.objects.push_back(std::move(object));
    return Ok();
  }

  // order SLOT [uncounted] [noRefresh] [, SLOT ...]: the commas are optional,
  // as between the slots of a selection and the alterable values.
  Status Order(LineReader& line) {
    bool haveNode = false;  // flags follow a slot given on the same line
    while (!line.AtEnd()) {
      if (line.SkipComma()) continue;
      if (line.PeekWord("uncounted") || line.PeekWord("noRefresh")) {
        if (!haveNode)
          return line.Fail("'" + line.Peek().text + "' must follow the slot of a node");
        const bool uncounted = line.Next().text == "uncounted";
        result_.scene.order.back().flags |= uncounted ? host::kUncounted : host::kNoRefresh;
        continue;
      }
      if (!line.PeekNumber())
        return line.Expected("the slot of a node, 'uncounted' or 'noRefresh'");
      const Result<std::int64_t> slot = line.Number("the slot of a node", 0, kMaxSlot);
      if (!slot) return ErrorOf(slot);
      result_.scene.order.push_back({static_cast<int>(*slot), 0});
      orderLines_.push_back(line.line());
      haveNode = true;
    }
    return Ok();
  }

  // fv(slot N): the slot; checked once all objects are known.
  static Result<int> FixedValueSlot(LineReader& line) {
    if (const Status word = line.ExpectWord("fv"); !word) return ErrorOf(word);
    if (const Status open = line.Expect(Token::Kind::kOpen, "'(' after 'fv'"); !open)
      return ErrorOf(open);
    if (const Status word = line.ExpectWord("slot"); !word) return ErrorOf(word);
    const Result<std::int64_t> slot = line.Number("a slot", 0, kMaxSlot);
    if (!slot) return ErrorOf(slot);
    if (const Status close = line.Expect(Token::Kind::kClose, "')' after the slot"); !close)
      return ErrorOf(close);
    return static_cast<int>(*slot);
  }

  Result<std::int32_t> FixedValueOf(int slot, int lineNumber) const {
    const auto creation = creationCounts_.find(slot);
    if (creation == creationCounts_.end())
      return LineError(lineNumber, "fv(slot " + std::to_string(slot) + ") names a free slot");
    return host::MakeFixedValue(static_cast<std::int16_t>(slot), creation->second);
  }

  Result<CallArgument> Argument(LineReader& line) {
    CallArgument argument;
    if (line.Peek().kind == Token::Kind::kText) {
      argument.form = CallArgument::Form::kText;
      argument.text = line.Next().text;
      if (argument.text.size() > kMaxTextLength)
        return line.Fail("a text argument may be at most " + std::to_string(kMaxTextLength) +
                         " characters");
    } else if (line.PeekWord("fv")) {
      argument.form = CallArgument::Form::kFixedValueOf;
      const Result<int> slot = FixedValueSlot(line);
      if (!slot) return ErrorOf(slot);
      const Result<std::int32_t> value = FixedValueOf(*slot, line.line());
      if (!value) return ErrorOf(value);
      argument.slot = *slot;
      argument.value = *value;
    } else if (line.PeekWord("object")) {
      line.Next();
      argument.form = CallArgument::Form::kObject;
      Result<std::string> name = line.Name("an object name after 'object'");
      if (!name) return ErrorOf(name);
      argument.text = std::move(*name);
      const auto type = typeIndex_.find(argument.text);
      if (type == typeIndex_.end())
        return line.Fail("unknown object type " + Quoted(argument.text));
      argument.type = type->second;
    } else if (line.PeekWord("alt")) {
      line.Next();
      argument.form = CallArgument::Form::kAltValue;
      const Result<std::int64_t> index =
          line.Number("an alterable value index", kInt16Min, kInt16Max);
      if (!index) return ErrorOf(index);
      argument.value = static_cast<std::int32_t>(*index);
    } else if (line.PeekNumber()) {
      const Result<std::int64_t> value = line.Number("a number", kInt32Min, kInt32Max);
      if (!value) return ErrorOf(value);
      argument.value = static_cast<std::int32_t>(*value);
    } else {
      return line.Expected("a parameter (a number, fv(slot N), object NAME, alt N or \"text\")");
    }
    return argument;
  }

  // call "DISPLAY STRING" [PARAMETER, ...]   or   call KIND CODE [PARAMETER, ...]
  Status Call(LineReader& line) {
    if (result_.calls.size() == kMaxCalls)
      return line.Fail("a scene holds at most " + std::to_string(kMaxCalls) + " calls");
    std::vector<const RoutineInfo*> candidates;
    std::string named;
    if (line.Peek().kind == Token::Kind::kText) {
      const std::string display = line.Next().text;
      named = Quoted(display);
      for (const RoutineInfo& row : plugin::kCatalogue)
        if (row.displayText == display) candidates.push_back(&row);
      if (candidates.empty()) {
        std::string hint;
        for (const std::string_view near : NearestDisplayStrings(display))
          hint += (hint.empty() ? "; did you mean " : " or ") + Quote(near);
        return line.Fail("no routine has the display string " + named +
                         (hint.empty() ? "" : hint + "?") +
                         " (tier_host_program --list shows them all)");
      }
    } else {
      RoutineKind kind = RoutineKind::Action;
      std::int64_t count = plugin::kActionCount;
      if (line.PeekWord("condition")) {
        kind = RoutineKind::Condition;
        count = plugin::kConditionCount;
      } else if (line.PeekWord("expression")) {
        kind = RoutineKind::Expression;
        count = plugin::kExpressionCount;
      } else if (!line.PeekWord("action")) {
        return line.Expected(
            "a display string in quotes, or condition, action or expression and a code");
      }
      line.Next();
      const Result<std::int64_t> code =
          line.Number(std::string(KindWord(kind)) + " code", 0, count - 1);
      if (!code) return ErrorOf(code);
      candidates.push_back(plugin::FindRoutine(kind, static_cast<std::uint16_t>(*code)));
      named = RoutineLabel(*candidates.front());
    }
    SceneCall call;
    call.line = line.line();
    while (!line.AtEnd()) {
      if (!call.arguments.empty()) {
        if (const Status comma = line.Expect(Token::Kind::kComma, "',' between parameters"); !comma)
          return comma;
      }
      Result<CallArgument> argument = Argument(line);
      if (!argument) return ErrorOf(argument);
      call.arguments.push_back(std::move(*argument));
    }
    std::string takes;
    for (const RoutineInfo* candidate : candidates) {
      if (Accepts(*candidate, call.arguments)) call.routine = candidate;
      std::vector<std::string> forms;
      for (int i = 0; i < candidate->parameterCount; ++i) forms.push_back(FormName(*candidate, i));
      takes += (takes.empty() ? "" : " or ") + FormList(forms);
    }
    if (call.routine == nullptr) {
      std::vector<std::string> given;
      for (const CallArgument& argument : call.arguments)
        given.push_back(ArgumentFormName(argument));
      return line.Fail(named + " takes " + takes + ", found " + FormList(given));
    }
    result_.calls.push_back(std::move(call));
    return Ok();
  }

  // Checks that need the whole frame: slots named before their objects, and
  // what the simulated host would refuse.
  Status Finish() {
    sim::SceneSpec& scene = result_.scene;
    if (storedSlot_) {
      const Result<std::int32_t> stored = FixedValueOf(storedSlot_->slot, storedSlot_->line);
      if (!stored) return ErrorOf(stored);
      scene.storedFixedValue = *stored;
    }

    for (std::size_t t = 0; t < scene.types.size(); ++t) {
      std::set<int> seen;
      for (const PendingSlot& pending : selections_[t]) {
        const auto type = objectTypes_.find(pending.slot);
        if (type == objectTypes_.end())
          return LineError(pending.line, "the selection names slot " +
                                             std::to_string(pending.slot) + ", which is free");
        if (type->second != static_cast<int>(t))
          return LineError(pending.line, "the selection of " + Quoted(scene.types[t].name) +
                                             " names slot " + std::to_string(pending.slot) +
                                             ", an object of another type");
        if (!seen.insert(pending.slot).second)
          return LineError(pending.line,
                           "the selection names slot " + std::to_string(pending.slot) + " twice");
        scene.types[t].selected.push_back(pending.slot);
      }
    }

    // Object parameters reach a type entry by a signed 16-bit offset from the
    // first one, so all entries must lie within 32767 bytes of it. Each entry
    // takes its name plus 0x47 bytes, and the address space keeps a gap of at
    // most 32 bytes (alignment included) between records.
    std::size_t typeArea = 0;
    for (std::size_t t = 0; t + 1 < scene.types.size(); ++t) {
      typeArea += offsetof(host::ObjectTypeEntry, name) + scene.types[t].name.size() + 1 + 32;
      if (typeArea > 32767)
        return LineError(typeLines_[t + 1],
                         "too many object types, or names too long: the "
                         "type entries must fit in 32767 bytes");
    }

    std::map<int, int> nodeLines;
    for (std::size_t i = 0; i < scene.order.size(); ++i) {
      const int slot = scene.order[i].slot;
      if (!objectTypes_.count(slot))
        return LineError(orderLines_[i],
                         "the order names slot " + std::to_string(slot) + ", which is free");
      const auto [seen, inserted] = nodeLines.emplace(slot, orderLines_[i]);
      if (!inserted)
        return LineError(orderLines_[i], "slot " + std::to_string(slot) +
                                             " already has a node in the order (line " +
                                             std::to_string(seen->second) + ")");
    }
    // Levels rise by one along the list and are 16-bit.
    if (!scene.order.empty() && scene.firstLevel + scene.order.size() - 1 > 65535)
      return LineError(
          settingLines_.count("firstLevel") ? settingLines_["firstLevel"] : orderLines_.back(),
          "the levels would pass 65535: firstLevel " + std::to_string(scene.firstLevel) + " with " +
              std::to_string(scene.order.size()) + " nodes");

    // Room for what the calls hand over: parameter records and texts.
    for (const SceneCall& call : result_.calls)
      for (const CallArgument& argument : call.arguments)
        scene.parameterBytes += 256 + argument.text.size();
    return Ok();
  }

  SceneFile result_;
  std::map<std::string, int> settingLines_;
  std::map<std::string, int> typeIndex_;
  std::vector<int> typeLines_;
  std::vector<std::vector<PendingSlot>> selections_;
  std::map<int, int> objectLines_, objectTypes_;
  std::map<int, std::int16_t> creationCounts_;
  std::vector<int> orderLines_;
  std::optional<PendingSlot> storedSlot_;
};

}  // namespace

std::string CutShort(const std::string& text, std::size_t length) {
  return text.size() <= length ? text : text.substr(0, length) + "...";
}

std::string PrintableName(const std::string& name) {
  const bool plain = !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
    return static_cast<unsigned char>(c) > 0x20 && static_cast<unsigned char>(c) < 0x7F;
  });
  return plain ? name : Quote(name);
}

std::string RoutineLabel(const RoutineInfo& routine) {
  return std::string(KindWord(routine.kind)) + " " + std::to_string(routine.code) + " " +
         Quote(routine.displayText);
}

Result<SceneFile> ParseScene(std::string_view text, std::string_view fileName) {
  // Only the standard library throws here, when memory runs out.
  try {
    Result<SceneFile> parsed = SceneParser().Parse(text);
    if (!parsed) return Error{std::string(fileName) + ":" + parsed.error()};
    return parsed;
  } catch (const std::exception& failure) {
    return Error{std::string(fileName) + ": cannot be read: " + failure.what()};
  }
}

Result<SceneFile> LoadScene(const std::string& path) {
  const Result<std::string> text = ReadInputFile(path);
  if (!text) return Error{text.error()};
  return ParseScene(*text, InputName(path));
}

}  // namespace tier::hostprog
