#include "hostprog/scene_picture.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "host/records.h"

namespace tier::scene {
namespace {

// Sizes in picture units. Positions are whole numbers throughout, so the
// document is the same bytes on every platform.
constexpr int kBoxWidth = 76, kBoxHeight = 30;        // an object on the stage
constexpr int kStageWidth = 300, kStageHeight = 170;  // the room for positions
constexpr int kMaxScale = 4;
constexpr int kChipWidth = 36, kChipHeight = 20, kChipGap = 4;  // a slot in the strip
constexpr int kPad = 12, kCaptionHeight = 40, kStripHeight = 44;
constexpr std::size_t kCaptionCharacters = 64;

constexpr std::array<const char*, 10> kTypeColours = {"#8ecae6", "#90be6d", "#f28482", "#b5a0e8",
                                                      "#84a59d", "#c9ada7", "#a3c4f3", "#e5989b",
                                                      "#cdb4db", "#bde0fe"};
constexpr const char* kMovedColour = "#ffd60a";

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

std::string Cut(const std::string& text, std::size_t length) {
  return text.size() <= length ? text : text.substr(0, length - 3) + "...";
}

std::string N(std::int64_t value) { return std::to_string(value); }

std::string Text(std::int64_t x, std::int64_t y, int size, const std::string& text,
                 const char* extra = "") {
  return "<text x=\"" + N(x) + "\" y=\"" + N(y) + "\" font-size=\"" + N(size) + "\"" + extra + ">" +
         Escaped(text) + "</text>\n";
}

// A node's rectangle with its marks: a highlight behind a moved one, a heavy
// outline for a redrawn one, a dashed one for an uncounted one.
std::string Box(const NodeView& node, std::int64_t x, std::int64_t y, int width, int height) {
  std::string out;
  if (node.moved)
    out += "<rect x=\"" + N(x - 4) + "\" y=\"" + N(y - 4) + "\" width=\"" + N(width + 8) +
           "\" height=\"" + N(height + 8) + "\" rx=\"6\" fill=\"" + kMovedColour + "\"/>\n";
  out += "<rect x=\"" + N(x) + "\" y=\"" + N(y) + "\" width=\"" + N(width) + "\" height=\"" +
         N(height) + "\" rx=\"3\" fill=\"" +
         kTypeColours[static_cast<std::size_t>(node.type) % kTypeColours.size()] + "\" stroke=\"" +
         (node.redrawn ? "#111111\" stroke-width=\"3\"" : "#555555\" stroke-width=\"1\"") +
         ((node.flags & host::kUncounted) ? " stroke-dasharray=\"5 3\"" : "") + "/>\n";
  if (node.selected)
    out += "<circle cx=\"" + N(x + width - 6) + "\" cy=\"" + N(y + 6) +
           "\" r=\"3\" fill=\"#222222\"/>\n";
  return out;
}

struct Layout {
  std::int64_t minX = 0, minY = 0;
  std::int64_t scaleNumerator = 1, scaleDenominator = 1;
  int stageWidth = 0, stageHeight = 0;
  int panelWidth = 0, panelHeight = 0;
  std::size_t captionCharacters = kCaptionCharacters;  // as many as the panel holds

  std::int64_t X(std::int64_t x) const { return (x - minX) * scaleNumerator / scaleDenominator; }
  std::int64_t Y(std::int64_t y) const { return (y - minY) * scaleNumerator / scaleDenominator; }
};

Layout Measure(const std::vector<SceneStep>& steps) {
  Layout layout;
  std::int64_t maxX = 0, maxY = 0;
  bool first = true;
  std::size_t widest = 0;
  for (const SceneStep& step : steps) {
    widest = std::max(widest, step.frame.nodes.size());
    for (const NodeView& node : step.frame.nodes) {
      if (!node.known) continue;
      if (first || node.x < layout.minX) layout.minX = node.x;
      if (first || node.y < layout.minY) layout.minY = node.y;
      if (first || node.x > maxX) maxX = node.x;
      if (first || node.y > maxY) maxY = node.y;
      first = false;
    }
  }
  // One scale for both axes: the largest that fits the stage, at most kMaxScale.
  const std::int64_t rangeX = maxX - layout.minX, rangeY = maxY - layout.minY;
  layout.scaleNumerator = kMaxScale;
  layout.scaleDenominator = 1;
  const auto fit = [&layout](std::int64_t room, std::int64_t range) {
    if (range > 0 && room * layout.scaleDenominator < layout.scaleNumerator * range) {
      layout.scaleNumerator = room;
      layout.scaleDenominator = range;
    }
  };
  fit(kStageWidth, rangeX);
  fit(kStageHeight, rangeY);
  layout.stageWidth = static_cast<int>(layout.X(maxX)) + kBoxWidth;
  layout.stageHeight = static_cast<int>(layout.Y(maxY)) + kBoxHeight;
  const int stripWidth = static_cast<int>(widest) * (kChipWidth + kChipGap) + 80;
  layout.panelWidth =
      std::max({layout.stageWidth, stripWidth, static_cast<int>(kCaptionCharacters) * 7}) +
      2 * kPad;
  layout.panelHeight = kCaptionHeight + layout.stageHeight + kStripHeight + 2 * kPad;
  layout.captionCharacters = static_cast<std::size_t>(layout.panelWidth - 2 * kPad) / 7;
  return layout;
}

std::string Panel(const SceneFile& scene, const SceneStep& step, const Layout& layout,
                  std::int64_t left, std::int64_t top) {
  std::string out = "<g>\n";
  out += "<rect x=\"" + N(left) + "\" y=\"" + N(top) + "\" width=\"" + N(layout.panelWidth) +
         "\" height=\"" + N(layout.panelHeight) +
         "\" fill=\"#ffffff\" stroke=\"#999999\" stroke-width=\"1\"/>\n";
  const std::string title = step.number == 0
                                ? "the frame before the first call"
                                : "call " + std::to_string(step.number) + ": " + step.label;
  out += Text(left + kPad, top + kPad + 10, 11, Cut(title, layout.captionCharacters),
              " font-weight=\"bold\"");
  const std::string outcome = OutcomeLine(step);
  if (!outcome.empty())
    out += Text(left + kPad, top + kPad + 26, 10, Cut(outcome, layout.captionCharacters));

  // The stage: back to front, so later nodes cover earlier ones as on screen.
  const std::int64_t stageLeft = left + kPad, stageTop = top + kPad + kCaptionHeight;
  out += "<rect x=\"" + N(stageLeft) + "\" y=\"" + N(stageTop) + "\" width=\"" +
         N(layout.stageWidth) + "\" height=\"" + N(layout.stageHeight) + "\" fill=\"#f4f4f4\"/>\n";
  for (const NodeView& node : step.frame.nodes) {
    if (!node.known) continue;
    const std::int64_t x = stageLeft + layout.X(node.x), y = stageTop + layout.Y(node.y);
    out += Box(node, x, y, kBoxWidth, kBoxHeight);
    out +=
        Text(x + 4, y + 12, 10,
             Cut(std::to_string(node.slot) + " " + PrintableName(scene.scene.types[node.type].name),
                 12));
    std::string marks;
    if (node.flags & host::kUncounted) marks += "uncounted ";
    if (node.flags & host::kNoRefresh) marks += "noRefresh";
    if (!marks.empty()) out += Text(x + 4, y + 25, 8, marks);
  }

  // The strip: the order back to front, one chip per node.
  const std::int64_t stripTop = stageTop + layout.stageHeight + 12;
  out += Text(left + kPad, stripTop + 14, 9, "back");
  std::int64_t x = left + kPad + 32;
  for (const NodeView& node : step.frame.nodes) {
    if (!node.known) continue;
    out += Box(node, x, stripTop, kChipWidth, kChipHeight);
    std::string label = std::to_string(node.slot);
    if (node.flags & host::kUncounted) label += "u";
    if (node.flags & host::kNoRefresh) label += "n";
    out += Text(x + 3, stripTop + 14, 10, label);
    x += kChipWidth + kChipGap;
  }
  if (step.frame.nodes.empty()) out += Text(x, stripTop + 14, 9, "(empty list)");
  out += Text(x + 2, stripTop + 14, 9, step.frame.nodes.empty() ? "" : "front");
  return out + "</g>\n";
}

std::string Legend(const SceneFile& scene, std::int64_t& height) {
  std::string out = Text(kPad, 20, 14, "Stacking order after each call, drawn back to front",
                         " font-weight=\"bold\"");
  std::int64_t x = kPad;
  std::int64_t y = 34;
  for (std::size_t t = 0; t < scene.scene.types.size() && t < 40; ++t) {
    NodeView sample;
    sample.type = static_cast<int>(t);
    out += Box(sample, x, y, 14, 14);
    const std::string name = Cut(PrintableName(scene.scene.types[t].name), 20);
    out += Text(x + 18, y + 11, 10, name);
    x += 28 + 7 * static_cast<std::int64_t>(name.size());
    if (x > 900) {
      x = kPad;
      y += 20;
    }
  }
  y += 20;
  NodeView moved, redrawn, uncounted;
  moved.moved = true;
  redrawn.redrawn = true;
  uncounted.flags = host::kUncounted;
  out += Box(moved, kPad, y, 14, 14) + Text(kPad + 18, y + 11, 10, "moved");
  out += Box(redrawn, kPad + 80, y, 14, 14) + Text(kPad + 98, y + 11, 10, "redrawn");
  out += Box(uncounted, kPad + 170, y, 14, 14) + Text(kPad + 188, y + 11, 10, "uncounted (u)");
  out += Text(kPad + 300, y + 11, 10, "noRefresh (n)");
  NodeView selected;
  selected.selected = true;
  out += Box(selected, kPad + 410, y, 14, 14) + Text(kPad + 428, y + 11, 10, "selected");
  out += Text(kPad + 520, y + 11, 10, "stage: each object at its x, y; strip: the order");
  height = y + 30;
  return out;
}

bool TooManyNodes(std::size_t drawn, std::string& error) {
  if (drawn <= kMaxPictureNodes) return false;
  error = "the picture would draw " + std::to_string(drawn) + " nodes (at most " +
          std::to_string(kMaxPictureNodes) + "); draw a scene with fewer calls or objects";
  return true;
}

}  // namespace

bool PictureFits(const SceneFile& scene, std::string& error) {
  return !TooManyNodes((scene.calls.size() + 1) * scene.scene.order.size(), error);
}

bool ScenePicture(const SceneFile& scene, const std::vector<SceneStep>& steps, std::string& picture,
                  std::string& error) {
  std::size_t drawn = 0;
  for (const SceneStep& step : steps) drawn += step.frame.nodeCount;
  if (TooManyNodes(drawn, error)) return false;
  const Layout layout = Measure(steps);
  const int columns = std::max(
      1, std::min<int>({3, static_cast<int>(steps.size()), 1400 / std::max(1, layout.panelWidth)}));
  std::int64_t legendHeight = 0;
  const std::string legend = Legend(scene, legendHeight);
  const std::size_t rows = (steps.size() + columns - 1) / columns;
  const std::int64_t width = kPad + columns * static_cast<std::int64_t>(layout.panelWidth + kPad);
  const std::int64_t height =
      legendHeight + static_cast<std::int64_t>(rows) * (layout.panelHeight + kPad) + kPad;

  picture = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
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
    picture += Panel(scene, steps[i], layout, left, top);
  }
  picture += "</svg>\n";
  return true;
}

}  // namespace tier::scene
