#include "hostprog/scene_picture.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstdlib>

#include "host/records.h"

namespace tier::hostprog {
namespace {

// Sizes in picture units. Positions are whole numbers throughout, so the
// document is the same bytes on every platform.
constexpr int kBoxWidth = 76, kBoxHeight = 30;        // an object on the stage
constexpr int kStageWidth = 300, kStageHeight = 170;  // the room for positions
constexpr int kMaxScale = 4;
constexpr int kChipWidth = 36, kChipHeight = 20, kChipGap = 4;  // a slot in the strip
constexpr int kPad = 12, kStripHeight = 44;
constexpr int kLineHeight = 14;                 // a caption line
constexpr std::size_t kCaptionCharacters = 64;  // at the least
constexpr std::size_t kMaxCaptionLines = 24;    // a caption longer than this ends in "..."
constexpr int kFanX = 12, kFanY = 16;           // one card's step when objects overlap
constexpr std::size_t kMaxFannedNodes = 400;    // more on a stage are drawn where they are
constexpr char kArrowMark = '\x01';             // stands for the arrow in caption texts
constexpr const char* kArrow = "&#8594;";       // the arrow, the document staying ASCII

// Types named after a colour are drawn in it, light enough for black labels.
struct NamedColour {
  const char* name;
  const char* colour;
};
constexpr NamedColour kNamedColours[] = {
    {"red", "#ef5350"},    {"green", "#66bb6a"},  {"blue", "#64b5f6"},    {"yellow", "#ffee58"},
    {"orange", "#ffa726"}, {"purple", "#ab47bc"}, {"violet", "#b39ddb"},  {"pink", "#f48fb1"},
    {"brown", "#a1887f"},  {"grey", "#bdbdbd"},   {"gray", "#bdbdbd"},    {"black", "#757575"},
    {"white", "#ffffff"},  {"cyan", "#4dd0e1"},   {"magenta", "#e040fb"}, {"teal", "#4db6ac"},
    {"lime", "#d4e157"},   {"gold", "#ffd54f"},   {"silver", "#e0e0e0"},  {"navy", "#5c6bc0"},
};
constexpr const char* kMovedColour = "#ffd60a";
constexpr const char* kNamedColour = "#1d4ed8";
constexpr const char* kReadColour = "#15803d";  // the objects an expression's answer names
constexpr int kResultLineHeight = 13;           // a line of an expression's result

std::string Escaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      default:
        // Control characters have no place in XML text; the labels are ASCII.
        out += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
    }
  }
  return out;
}

// A label of at most `width` characters, the dots of a cut included.
std::string Fitted(const std::string& label, std::size_t width) {
  return label.size() <= width ? label : CutShort(label, width - 3);
}

// Lines of at most `width` characters, broken after a blank where one is near.
std::vector<std::string> Wrap(const std::string& text, std::size_t width) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = std::min(text.size(), at + width);
    if (end < text.size()) {
      const std::size_t blank = text.rfind(' ', end);
      if (blank != std::string::npos && blank > at + width / 2) end = blank + 1;
    }
    lines.push_back(text.substr(at, end - at));
    at = end;
  }
  return lines;
}

std::string N(std::int64_t value) { return std::to_string(value); }

// A text element; `markup` is written as it is (already escaped).
std::string Markup(std::int64_t x, std::int64_t y, int size, const std::string& markup,
                   const char* extra = "") {
  return "<text x=\"" + N(x) + "\" y=\"" + N(y) + "\" font-size=\"" + N(size) + "\"" + extra + ">" +
         markup + "</text>\n";
}
std::string Text(std::int64_t x, std::int64_t y, int size, const std::string& text,
                 const char* extra = "") {
  return Markup(x, y, size, Escaped(text), extra);
}

// The other types take the palette's colours in turn, passing over those
// that look like a colour some type is named after.
struct PaletteColour {
  const char* colour;
  const char* lookalikes;  // the named colours it could be taken for, each in blanks
};
constexpr PaletteColour kPalette[] = {
    {"#8ecae6", " blue "},   {"#90be6d", " green "},    {"#f28482", " red pink orange "},
    {"#b5a0e8", " purple "}, {"#84a59d", " teal "},     {"#c9ada7", " brown "},
    {"#a3c4f3", " blue "},   {"#e5989b", " pink red "}, {"#cdb4db", " violet "},
    {"#bde0fe", " blue "},
};

// The fill of each type: the colour it is named after, or the palette's next.
std::vector<std::string> TypeColours(const SceneFile& scene) {
  std::vector<const char*> named;  // per type, none when its name is no colour
  for (const sim::TypeSpec& type : scene.scene.types) {
    std::string lower;
    for (const char c : type.name)
      lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const auto found = std::find_if(std::begin(kNamedColours), std::end(kNamedColours),
                                    [&](const NamedColour& c) { return lower == c.name; });
    named.push_back(found != std::end(kNamedColours) ? found->name : nullptr);
  }
  std::vector<const char*> palette;
  for (const PaletteColour& entry : kPalette)
    if (std::none_of(named.begin(), named.end(), [&](const char* name) {
          return name != nullptr &&
                 std::string(entry.lookalikes).find(" " + std::string(name) + " ") !=
                     std::string::npos;
        }))
      palette.push_back(entry.colour);
  if (palette.empty()) palette.push_back(kPalette[0].colour);
  std::vector<std::string> colours;
  std::size_t next = 0;
  for (std::size_t t = 0; t < named.size(); ++t) {
    const auto colour = std::find_if(std::begin(kNamedColours), std::end(kNamedColours),
                                     [&](const NamedColour& c) { return named[t] == c.name; });
    colours.push_back(named[t] != nullptr ? colour->colour : palette[next++ % palette.size()]);
  }
  return colours;
}

// A node's rectangle with its marks: a highlight behind a moved one, a ring
// around one the call named (or, for an expression, one its answer names), a
// heavy outline for a redrawn one, a dashed one for an uncounted one, a dot
// for a selected one.
std::string Box(const NodeView& node, const char* ring, const std::string& fill, std::int64_t x,
                std::int64_t y, int width, int height) {
  std::string out;
  if (node.moved)
    out += "<rect x=\"" + N(x - 4) + "\" y=\"" + N(y - 4) + "\" width=\"" + N(width + 8) +
           "\" height=\"" + N(height + 8) + "\" rx=\"6\" fill=\"" + kMovedColour + "\"/>\n";
  if (ring != nullptr)
    out += "<rect x=\"" + N(x - 3) + "\" y=\"" + N(y - 3) + "\" width=\"" + N(width + 6) +
           "\" height=\"" + N(height + 6) + "\" rx=\"5\" fill=\"none\" stroke=\"" + ring +
           "\" stroke-width=\"2\"/>\n";
  out += "<rect x=\"" + N(x) + "\" y=\"" + N(y) + "\" width=\"" + N(width) + "\" height=\"" +
         N(height) + "\" rx=\"3\" fill=\"" + fill + "\" stroke=\"" +
         (node.redrawn ? "#111111\" stroke-width=\"3\"" : "#555555\" stroke-width=\"1\"") +
         ((node.flags & host::kUncounted) ? " stroke-dasharray=\"5 3\"" : "") + "/>\n";
  if (node.selected)
    out += "<circle cx=\"" + N(x + width - 6) + "\" cy=\"" + N(y + 6) +
           "\" r=\"3\" fill=\"#222222\"/>\n";
  return out;
}

struct Point {
  std::int64_t x = 0, y = 0;
};

// The scale from positions to the stage.
struct Scale {
  std::int64_t minX = 0, minY = 0;
  std::int64_t numerator = 1, denominator = 1;
  std::int64_t X(std::int64_t x) const { return (x - minX) * numerator / denominator; }
  std::int64_t Y(std::int64_t y) const { return (y - minY) * numerator / denominator; }
};

// The height at the top of a box that holds its text: the label, and the
// flags or the sort key under it when it has any.
int TextBand(const NodeView& node, bool keyed) {
  return keyed || (node.flags & (host::kUncounted | host::kNoRefresh)) ? 28 : 15;
}

// Where each node's box goes, back to front. Boxes that would cover the
// text of a box drawn before them move down and right by one card's step
// until they do not, like a fanned stack of cards: the stacking shows and
// every label stays readable.
std::vector<Point> Place(const std::vector<NodeView>& nodes, const Scale& scale, bool keyed) {
  std::vector<Point> placed;
  std::vector<std::size_t> known;
  for (std::size_t i = 0; i < nodes.size(); ++i)
    if (nodes[i].known) known.push_back(i);
  const bool fan = known.size() <= kMaxFannedNodes;
  std::vector<Point> points(nodes.size());
  for (std::size_t k = 0; k < known.size(); ++k) {
    const NodeView& node = nodes[known[k]];
    Point at{scale.X(node.x), scale.Y(node.y)};
    for (std::size_t step = 0; fan && step < kMaxFannedNodes; ++step) {
      const bool covers = std::any_of(known.begin(), known.begin() + k, [&](std::size_t j) {
        const Point& p = points[j];
        return at.x < p.x + kBoxWidth && p.x < at.x + kBoxWidth &&
               at.y < p.y + TextBand(nodes[j], keyed) && p.y < at.y + kBoxHeight;
      });
      if (!covers) break;
      at.x += kFanX;
      at.y += kFanY;
    }
    points[known[k]] = at;
  }
  return points;
}

bool SortsByValue(const SceneStep& step) {
  return step.call != nullptr &&
         plugin::SortOf(*step.call->routine).key == plugin::SortKey::AlterableValue;
}

bool IsExpression(const SceneStep& step) {
  return step.call != nullptr && step.call->routine->kind == plugin::RoutineKind::Expression;
}

// The object of each slot as the scene describes it; none for a free slot.
std::vector<const sim::ObjectSpec*> ObjectsBySlot(const SceneFile& scene) {
  std::vector<const sim::ObjectSpec*> objects;
  for (const sim::ObjectSpec& object : scene.scene.objects) {
    if (static_cast<std::size_t>(object.slot) >= objects.size())
      objects.resize(static_cast<std::size_t>(object.slot) + 1, nullptr);
    objects[object.slot] = &object;
  }
  return objects;
}

// What a sort by an alterable value sorted the object by: "value 7", or
// "default 5" for an object without values or an index outside them. No
// routine writes alterable values, so the scene's are the ones sorted by.
std::string SortKeyLabel(const SceneStep& step, const sim::ObjectSpec* object) {
  const int index = static_cast<std::int16_t>(step.call->arguments[0].value);
  if (object != nullptr && object->hasValues && index >= 0 && index < host::kAlterableValueCount)
    return "value " + N(static_cast<std::size_t>(index) < object->values.size()
                            ? object->values[static_cast<std::size_t>(index)]
                            : 0);
  return "default " + N(step.call->arguments[1].value);
}

// A description's rows (level, name, fixed value), when the text is one;
// false for any other text.
bool DescriptionRows(const SceneStep& step, std::vector<std::array<std::string, 3>>& rows) {
  rows.clear();
  const std::string header = "Lvl\tName\tFV\n\n";
  if (!step.answer.isText || !step.answer.text || step.answer.text->rfind(header, 0) != 0)
    return false;
  const std::string& text = *step.answer.text;
  for (std::size_t at = header.size(); at < text.size();) {
    const std::size_t end = text.find('\n', at);
    if (end == std::string::npos) return false;
    const std::string line = text.substr(at, end - at);
    const std::size_t first = line.find('\t'), last = line.rfind('\t');
    if (first == std::string::npos || first == last) return false;
    rows.push_back(
        {line.substr(0, first), line.substr(first + 1, last - first - 1), line.substr(last + 1)});
    at = end + 1;
  }
  return true;
}

// What a panel says above its stage, one line each before wrapping: the
// call, its outcome, its notes, why it did nothing, and what it changed besides the
// order (a condition's selections before and after, the stored fixed value).
struct Caption {
  std::string title;
  std::vector<std::string> lines;  // plain text; kArrowMark for the arrow
};

// The selection and whether it is current, which decides what the next call
// on the type sees: "none (current)", "1 4 (current)", "not current".
std::string SelectionShort(const SelectionView& selection) {
  if (!selection.current) return "not current";
  std::string text;
  for (const int slot : selection.chain) text += (text.empty() ? "" : " ") + std::to_string(slot);
  return (text.empty() ? "none" : text) + " (current)";
}

Caption CaptionOf(const SceneFile& scene, const SceneStep& step, const SceneStep* previous) {
  Caption caption;
  if (step.call == nullptr) {
    caption.title = "the frame before the first call";
    return caption;
  }
  caption.title = "call " + std::to_string(step.number) + ": " + step.label;
  caption.lines.push_back(OutcomeLine(step));
  for (const std::string& note : step.notes) caption.lines.push_back("note: " + note);
  if (step.reason) caption.lines.push_back("why: " + step.reason->text);
  const std::string arrow = std::string(" ") + kArrowMark + " ";
  if (previous == nullptr) return caption;
  const bool condition = step.call->routine->kind == plugin::RoutineKind::Condition;
  for (std::size_t t = 0; t < step.frame.selections.size(); ++t) {
    const SelectionView& before = previous->frame.selections[t];
    const SelectionView& after = step.frame.selections[t];
    bool given = false;
    for (const CallArgument& argument : step.call->arguments)
      given = given || (argument.form == CallArgument::Form::kObject &&
                        argument.type == static_cast<int>(t));
    if (!(condition && given) && before == after) continue;
    caption.lines.push_back("selection " + PrintableName(scene.scene.types[t].name) + ": " +
                            SelectionShort(before) + arrow + SelectionShort(after));
  }
  if (previous->frame.storedFixedValue != step.frame.storedFixedValue)
    caption.lines.push_back("storedFixedValue " + N(previous->frame.storedFixedValue) + arrow +
                            N(step.frame.storedFixedValue));
  return caption;
}

struct Layout {
  Scale scale;
  std::vector<std::vector<Point>> places;  // per step, per node
  std::vector<Caption> captions;
  int stageWidth = 0, stageHeight = 0;
  int panelWidth = 0, panelHeight = 0, captionHeight = 0;
  std::size_t captionCharacters = kCaptionCharacters;  // as many as the panel holds
};

// The caption's lines, wrapped to `width` characters and escaped.
std::vector<std::string> CaptionLines(const Caption& caption, std::size_t width) {
  std::vector<std::string> lines;
  for (const std::string& line : Wrap(caption.title, width)) lines.push_back(Escaped(line));
  for (const std::string& text : caption.lines)
    for (const std::string& line : Wrap(text, width)) {
      std::string markup;
      for (const char c : line) markup += c == kArrowMark ? kArrow : Escaped(std::string(1, c));
      lines.push_back(markup);
    }
  if (lines.size() > kMaxCaptionLines) {
    lines.resize(kMaxCaptionLines);
    lines.back() = "...";
  }
  return lines;
}

Layout Measure(const SceneFile& scene, const std::vector<SceneStep>& steps) {
  Layout layout;
  std::int64_t maxX = 0, maxY = 0;
  bool first = true;
  std::size_t widest = 0;
  for (const SceneStep& step : steps) {
    widest = std::max(widest, step.frame.nodes.size());
    for (const NodeView& node : step.frame.nodes) {
      if (!node.known) continue;
      if (first || node.x < layout.scale.minX) layout.scale.minX = node.x;
      if (first || node.y < layout.scale.minY) layout.scale.minY = node.y;
      if (first || node.x > maxX) maxX = node.x;
      if (first || node.y > maxY) maxY = node.y;
      first = false;
    }
  }
  // One scale for both axes: the largest that fits the stage, at most kMaxScale.
  Scale& scale = layout.scale;
  const std::int64_t rangeX = maxX - scale.minX, rangeY = maxY - scale.minY;
  scale.numerator = kMaxScale;
  scale.denominator = 1;
  const auto fit = [&scale](std::int64_t room, std::int64_t range) {
    if (range > 0 && room * scale.denominator < scale.numerator * range) {
      scale.numerator = room;
      scale.denominator = range;
    }
  };
  fit(kStageWidth, rangeX);
  fit(kStageHeight, rangeY);
  std::int64_t right = 0, bottom = 0;
  for (const SceneStep& step : steps) {
    layout.places.push_back(Place(step.frame.nodes, scale, SortsByValue(step)));
    for (std::size_t i = 0; i < step.frame.nodes.size(); ++i) {
      if (!step.frame.nodes[i].known) continue;
      right = std::max(right, layout.places.back()[i].x);
      bottom = std::max(bottom, layout.places.back()[i].y);
    }
  }
  layout.stageWidth = static_cast<int>(right) + kBoxWidth;
  layout.stageHeight = static_cast<int>(bottom) + kBoxHeight;
  // An expression's panel shows its answer where the stage would be: a line,
  // or a description's table of up to ten rows under its header.
  std::vector<std::array<std::string, 3>> rows;
  for (const SceneStep& step : steps) {
    if (!IsExpression(step)) continue;
    const std::size_t lines = DescriptionRows(step, rows) ? rows.size() + 3 : 3;
    layout.stageHeight = std::max(layout.stageHeight,
                                  static_cast<int>(lines) * kResultLineHeight + kResultLineHeight);
    layout.stageWidth = std::max(layout.stageWidth, 300);
  }
  const int stripWidth = static_cast<int>(widest) * (kChipWidth + kChipGap) + 80;
  layout.panelWidth =
      std::max({layout.stageWidth, stripWidth, static_cast<int>(kCaptionCharacters) * 7}) +
      2 * kPad;
  layout.captionCharacters = static_cast<std::size_t>(layout.panelWidth - 2 * kPad) / 7;
  std::size_t captionLines = 1;
  for (std::size_t i = 0; i < steps.size(); ++i) {
    layout.captions.push_back(CaptionOf(scene, steps[i], i > 0 ? &steps[i - 1] : nullptr));
    captionLines = std::max(captionLines,
                            CaptionLines(layout.captions.back(), layout.captionCharacters).size());
  }
  layout.captionHeight = static_cast<int>(captionLines) * kLineHeight + 8;
  layout.panelHeight = layout.captionHeight + layout.stageHeight + kStripHeight + 2 * kPad;
  return layout;
}

// The fixed values an expression's answer names: a numeric answer, or the
// objects a description lists.
std::vector<std::int32_t> ReadFixedValues(const SceneStep& step) {
  std::vector<std::int32_t> values;
  std::vector<std::array<std::string, 3>> rows;
  if (!step.answer.isText) {
    if (step.answer.result != 0) values.push_back(step.answer.result);
  } else if (DescriptionRows(step, rows)) {
    for (const auto& row : rows)
      values.push_back(static_cast<std::int32_t>(std::atoll(row[2].c_str())));
  }
  return values;
}

// An expression's answer: its value, with the object it is the fixed value
// of, or a description as a table of level, name and fixed value.
std::string Answer(const SceneFile& scene, const SceneStep& step, std::int64_t x, std::int64_t y) {
  std::string out = Text(x, y, 10, "the expression reads the frame and changes nothing; it gives",
                         " fill=\"#555555\"");
  y += kResultLineHeight + 4;
  std::vector<std::array<std::string, 3>> rows;
  if (DescriptionRows(step, rows)) {
    out += Text(x, y, 10, "Lvl", " font-weight=\"bold\"") +
           Text(x + 40, y, 10, "Name", " font-weight=\"bold\"") +
           Text(x + 190, y, 10, "FV", " font-weight=\"bold\"");
    if (rows.empty()) out += Text(x, y + kResultLineHeight, 10, "(the header alone: no row)");
    for (const auto& row : rows) {
      y += kResultLineHeight;
      out += Text(x, y, 10, Fitted(row[0], 6)) +
             Text(x + 40, y, 10, Fitted(PrintableName(row[1]), 24)) +
             Text(x + 190, y, 10, Fitted(row[2], 12));
    }
    return out;
  }
  if (step.answer.isText) {
    return out + Text(x, y, 11,
                      step.answer.text ? Fitted(Quote(*step.answer.text), 48) : std::string("null"),
                      " font-weight=\"bold\"");
  }
  std::string line = "value " + N(step.answer.result);
  for (const NodeView& node : step.frame.nodes)
    if (node.known && step.answer.result != 0 && node.fixedValue == step.answer.result) {
      line += ": slot " + N(node.slot) + " " + PrintableName(scene.scene.types[node.type].name);
      break;
    }
  return out + Text(x, y, 11, Fitted(line, 48), " font-weight=\"bold\"");
}

std::string Panel(const SceneFile& scene, const std::vector<std::string>& colours,
                  const std::vector<const sim::ObjectSpec*>& objects, const SceneStep& step,
                  std::size_t index, const Layout& layout, std::int64_t left, std::int64_t top) {
  std::string out = "<g>\n";
  out += "<rect x=\"" + N(left) + "\" y=\"" + N(top) + "\" width=\"" + N(layout.panelWidth) +
         "\" height=\"" + N(layout.panelHeight) +
         "\" fill=\"#ffffff\" stroke=\"#999999\" stroke-width=\"1\"/>\n";
  const Caption& caption = layout.captions[index];
  const std::size_t titleLines = Wrap(caption.title, layout.captionCharacters).size();
  const std::vector<std::string> lines = CaptionLines(caption, layout.captionCharacters);
  for (std::size_t i = 0; i < lines.size(); ++i)
    out +=
        Markup(left + kPad, top + kPad + 10 + static_cast<std::int64_t>(i) * kLineHeight,
               i < titleLines ? 11 : 10, lines[i], i < titleLines ? " font-weight=\"bold\"" : "");

  // The stage: back to front, so later nodes cover earlier ones as on screen.
  // An expression only reads the frame: its panel shows the answer instead of
  // the same stage again, and rings what the answer names.
  const std::int64_t stageLeft = left + kPad, stageTop = top + kPad + layout.captionHeight;
  out += "<rect x=\"" + N(stageLeft) + "\" y=\"" + N(stageTop) + "\" width=\"" +
         N(layout.stageWidth) + "\" height=\"" + N(layout.stageHeight) + "\" fill=\"#f4f4f4\"/>\n";
  const std::vector<NodeView>& nodes = step.frame.nodes;
  const bool expression = IsExpression(step);
  const std::vector<std::int32_t> read =
      expression ? ReadFixedValues(step) : std::vector<std::int32_t>();
  const auto ring = [&](const NodeView& node) -> const char* {
    if (std::find(step.named.begin(), step.named.end(), node.slot) != step.named.end())
      return kNamedColour;
    if (std::find(read.begin(), read.end(), node.fixedValue) != read.end()) return kReadColour;
    return nullptr;
  };
  if (expression) {
    out += Answer(scene, step, stageLeft + 8, stageTop + kResultLineHeight + 2);
  } else {
    const bool keyed = SortsByValue(step);
    for (std::size_t i = 0; i < nodes.size(); ++i) {
      const NodeView& node = nodes[i];
      if (!node.known) continue;
      const std::int64_t x = stageLeft + layout.places[index][i].x;
      const std::int64_t y = stageTop + layout.places[index][i].y;
      out += Box(node, ring(node), colours[node.type], x, y, kBoxWidth, kBoxHeight);
      out += Text(
          x + 4, y + 12, 10,
          Fitted(std::to_string(node.slot) + " " + PrintableName(scene.scene.types[node.type].name),
                 12));
      std::string marks;
      if (keyed) {
        // The key the sort put the object in its place by; the strip keeps the flags.
        marks = SortKeyLabel(step, static_cast<std::size_t>(node.slot) < objects.size()
                                       ? objects[node.slot]
                                       : nullptr);
      } else {
        if (node.flags & host::kUncounted) marks += "uncounted ";
        if (node.flags & host::kNoRefresh) marks += "noRefresh";
      }
      if (!marks.empty()) out += Text(x + 4, y + 25, 8, Fitted(marks, 18));
    }
  }

  // The strip: the order back to front, one chip per node.
  const std::int64_t stripTop = stageTop + layout.stageHeight + 12;
  out += Text(left + kPad, stripTop + 14, 9, "back");
  std::int64_t x = left + kPad + 32;
  for (const NodeView& node : nodes) {
    if (!node.known) continue;
    out += Box(node, ring(node), colours[node.type], x, stripTop, kChipWidth, kChipHeight);
    std::string label = std::to_string(node.slot);
    if (node.flags & host::kUncounted) label += "u";
    if (node.flags & host::kNoRefresh) label += "n";
    out += Text(x + 3, stripTop + 14, 10, label);
    x += kChipWidth + kChipGap;
  }
  if (nodes.empty()) out += Text(x, stripTop + 14, 9, "(empty list)");
  out += Text(x + 2, stripTop + 14, 9, nodes.empty() ? "" : "front");
  return out + "</g>\n";
}

std::string Legend(const SceneFile& scene, const std::vector<std::string>& colours,
                   std::int64_t& height) {
  std::string out = Text(kPad, 20, 14, "Stacking order after each call, drawn back to front",
                         " font-weight=\"bold\"");
  std::int64_t x = kPad;
  std::int64_t y = 34;
  for (std::size_t t = 0; t < scene.scene.types.size() && t < 40; ++t) {
    const std::string name = Fitted(PrintableName(scene.scene.types[t].name), 20);
    out += Box(NodeView(), nullptr, colours[t], x, y, 14, 14) + Text(x + 18, y + 11, 10, name);
    x += 28 + 7 * static_cast<std::int64_t>(name.size());
    if (x > 900) {
      x = kPad;
      y += 20;
    }
  }
  y += 20;
  NodeView moved, redrawn, uncounted, selected;
  moved.moved = true;
  redrawn.redrawn = true;
  uncounted.flags = host::kUncounted;
  selected.selected = true;
  const std::string plain = "#eeeeee";
  out += Box(moved, nullptr, plain, kPad, y, 14, 14) + Text(kPad + 18, y + 11, 10, "moved (*)");
  out += Box(redrawn, nullptr, plain, kPad + 110, y, 14, 14) +
         Text(kPad + 128, y + 11, 10, "redrawn (+)");
  out += Box(NodeView(), kNamedColour, plain, kPad + 230, y, 14, 14) +
         Text(kPad + 248, y + 11, 10, "named by the call");
  out += Box(uncounted, nullptr, plain, kPad + 380, y, 14, 14) +
         Text(kPad + 398, y + 11, 10, "uncounted (u)");
  out += Text(kPad + 500, y + 11, 10, "noRefresh (n)");
  out += Box(selected, nullptr, plain, kPad + 600, y, 14, 14) +
         Text(kPad + 618, y + 11, 10, "selected");
  out += Box(NodeView(), kReadColour, plain, kPad + 690, y, 14, 14) +
         Text(kPad + 708, y + 11, 10, "named by the answer");
  y += 20;
  out += Text(kPad, y + 11, 10,
              "stage: each object at its x, y, overlapping ones fanned out in drawing order; "
              "after a sort by value, each with its key");
  y += 14;
  out += Text(kPad, y + 11, 10,
              "strip: the order; in the order line, 2* moved and 2+ redrawn; an expression's "
              "panel shows its answer");
  height = y + 30;
  return out;
}

Status Drawable(std::size_t drawn) {
  if (drawn <= kMaxPictureNodes) return Ok();
  return Error{"the picture would draw " + std::to_string(drawn) + " nodes (at most " +
               std::to_string(kMaxPictureNodes) + "); draw a scene with fewer calls or objects"};
}

}  // namespace

Status PictureFits(const SceneFile& scene) {
  return Drawable((scene.calls.size() + 1) * scene.scene.order.size());
}

Result<std::string> ScenePicture(const SceneFile& scene, const std::vector<SceneStep>& steps) {
  std::size_t drawn = 0;
  for (const SceneStep& step : steps) drawn += step.frame.nodeCount;
  if (const Status fits = Drawable(drawn); !fits) return Error{fits.error()};
  const Layout layout = Measure(scene, steps);
  const std::vector<std::string> colours = TypeColours(scene);
  const std::vector<const sim::ObjectSpec*> objects = ObjectsBySlot(scene);
  const int columns = std::max(
      1, std::min<int>({3, static_cast<int>(steps.size()), 1400 / std::max(1, layout.panelWidth)}));
  std::int64_t legendHeight = 0;
  const std::string legend = Legend(scene, colours, legendHeight);
  const std::size_t rows = (steps.size() + columns - 1) / columns;
  const std::int64_t width = kPad + columns * static_cast<std::int64_t>(layout.panelWidth + kPad);
  const std::int64_t height =
      legendHeight + static_cast<std::int64_t>(rows) * (layout.panelHeight + kPad) + kPad;

  std::string picture = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  picture += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + N(width) + "\" height=\"" +
             N(height) + "\" viewBox=\"0 0 " + N(width) + " " + N(height) +
             "\" font-family=\"monospace\">\n";
  picture += "<rect x=\"0\" y=\"0\" width=\"" + N(width) + "\" height=\"" + N(height) +
             "\" fill=\"#fafafa\"/>\n";
  picture += legend;
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const std::int64_t left =
        kPad + static_cast<std::int64_t>(i % columns) * (layout.panelWidth + kPad);
    const std::int64_t top =
        legendHeight + static_cast<std::int64_t>(i / columns) * (layout.panelHeight + kPad);
    picture += Panel(scene, colours, objects, steps[i], i, layout, left, top);
  }
  picture += "</svg>\n";
  return picture;
}

}  // namespace tier::hostprog
