// A small document of headings, paragraphs, lists and tables, written once
// and given out as Markdown (docs/routines.md) or as plain text wrapped for a
// text viewer (REFERENCE.txt of the release archive). In the text, `code` is
// written with backquotes and **words** with double stars; the plain text
// drops both marks.
#pragma once

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace tier::tools {

struct Block {
  enum class Type { Heading, Paragraph, Bullets, Table, MarkdownOnly, TextOnly, Code };
  Type type = Type::Paragraph;
  int level = 0;                               // a heading's: 1, 2 or 3
  std::string text;                            // a heading, a paragraph, Markdown only
  std::vector<std::string> items;              // a list's items, a table's header
  std::vector<std::vector<std::string>> rows;  // a table's rows
  std::string rightAligned;                    // a table's columns: 'r' right, else left
};

class Document {
 public:
  void Heading(int level, std::string text) {
    blocks_.push_back({.type = Block::Type::Heading, .level = level, .text = std::move(text)});
  }
  void Paragraph(std::string text) {
    blocks_.push_back({.type = Block::Type::Paragraph, .text = std::move(text)});
  }
  void Bullets(std::vector<std::string> items) {
    blocks_.push_back({.type = Block::Type::Bullets, .items = std::move(items)});
  }
  void Table(std::vector<std::string> header, std::vector<std::vector<std::string>> rows,
             std::string rightAligned = "") {
    blocks_.push_back({.type = Block::Type::Table,
                       .items = std::move(header),
                       .rows = std::move(rows),
                       .rightAligned = std::move(rightAligned)});
  }
  // Lines shown as they are, indented by four spaces: commands to type.
  void Code(std::string lines) {
    blocks_.push_back({.type = Block::Type::Code, .text = std::move(lines)});
  }
  // What only the Markdown page shows (links to pictures, a comment).
  void MarkdownOnly(std::string text) {
    blocks_.push_back({.type = Block::Type::MarkdownOnly, .text = std::move(text)});
  }
  // What only the plain text shows, as a paragraph (where the Markdown has a link).
  void TextOnly(std::string text) {
    blocks_.push_back({.type = Block::Type::TextOnly, .text = std::move(text)});
  }
  const std::vector<Block>& blocks() const { return blocks_; }

 private:
  std::vector<Block> blocks_;
};

inline bool RightAligned(const Block& table, std::size_t column) {
  return column < table.rightAligned.size() && table.rightAligned[column] == 'r';
}

// Each line of `lines` after four spaces, as Markdown shows code and a
// text viewer shows it alike.
inline std::string Indented(const std::string& lines) {
  std::string out;
  for (std::size_t at = 0; at < lines.size();) {
    const std::size_t end = std::min(lines.find('\n', at), lines.size());
    out += "    " + lines.substr(at, end - at) + "\n";
    at = end + 1;
  }
  return out;
}

inline std::string Markdown(const Document& document) {
  std::string out;
  for (const Block& block : document.blocks()) {
    switch (block.type) {
      case Block::Type::Heading:
        out += std::string(static_cast<std::size_t>(block.level), '#') + " " + block.text + "\n";
        break;
      case Block::Type::Paragraph:
      case Block::Type::MarkdownOnly:
        out += block.text + "\n";
        break;
      case Block::Type::Code:
        out += Indented(block.text);
        break;
      case Block::Type::TextOnly:
        continue;
      case Block::Type::Bullets:
        for (const std::string& item : block.items) out += "- " + item + "\n";
        break;
      case Block::Type::Table: {
        const auto row = [](const std::vector<std::string>& cells) {
          std::string line = "|";
          for (const std::string& cell : cells) line += " " + cell + " |";
          return line + "\n";
        };
        out += row(block.items) + "|";
        for (std::size_t c = 0; c < block.items.size(); ++c)
          out += RightAligned(block, c) ? "---:|" : "---|";
        out += "\n";
        for (const std::vector<std::string>& cells : block.rows) out += row(cells);
        break;
      }
    }
    out += "\n";
  }
  while (out.size() > 1 && out[out.size() - 2] == '\n') out.pop_back();
  return out;
}

// The text without its marks: `code` and **words** lose the backquotes and
// the stars.
inline std::string Unmarked(const std::string& text) {
  std::string plain;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '`') continue;
    if (text.compare(i, 2, "**") == 0) {
      ++i;
      continue;
    }
    plain += text[i];
  }
  return plain;
}

// The words of `text` in lines of at most `width` characters (a longer word
// stands alone), the first line after `first` and the others after `rest`.
inline std::string Wrapped(const std::string& text, std::size_t width, const std::string& first,
                           const std::string& rest) {
  std::string out;
  std::string line = first;
  bool lineEmpty = true;
  std::size_t at = 0;
  while (at < text.size()) {
    if (text[at] == '\n') {  // an explicit line break
      out += line + "\n";
      line = rest;
      lineEmpty = true;
      ++at;
      continue;
    }
    if (text[at] == ' ') {
      ++at;
      continue;
    }
    const std::size_t end = std::min(text.find_first_of(" \n", at), text.size());
    const std::string word = text.substr(at, end - at);
    if (!lineEmpty && line.size() + 1 + word.size() > width) {
      out += line + "\n";
      line = rest;
      lineEmpty = true;
    }
    line += (lineEmpty ? "" : " ") + word;
    lineEmpty = false;
    at = end;
  }
  return out + line + "\n";
}

// A table in aligned columns when it fits the width; otherwise each row as
// its first cell (and the second, after a short first) on a line and the
// others wrapped below, named by their headings when there are several.
inline std::string TextTable(const Block& table, std::size_t width) {
  std::vector<std::vector<std::string>> rows = {table.items};
  for (const auto& cells : table.rows) rows.push_back(cells);
  for (auto& cells : rows)
    for (std::string& cell : cells) cell = Unmarked(cell);
  std::vector<std::size_t> widths(table.items.size(), 0);
  for (const auto& cells : rows)
    for (std::size_t c = 0; c < cells.size() && c < widths.size(); ++c)
      widths[c] = std::max(widths[c], cells[c].size());
  std::size_t total = 0;
  for (const std::size_t w : widths) total += w + 2;
  std::string out;
  if (total <= width + 2) {
    const auto line = [&](const std::vector<std::string>& cells) {
      std::string text;
      for (std::size_t c = 0; c < widths.size(); ++c) {
        const std::string cell = c < cells.size() ? cells[c] : "";
        const std::string pad(widths[c] - cell.size(), ' ');
        text += (c ? "  " : "") + (RightAligned(table, c) ? pad + cell : cell + pad);
      }
      while (!text.empty() && text.back() == ' ') text.pop_back();
      return text + "\n";
    };
    out += line(rows[0]);
    std::vector<std::string> rules;
    for (const std::size_t w : widths) rules.push_back(std::string(w, '-'));
    out += line(rules);
    for (std::size_t r = 1; r < rows.size(); ++r) out += line(rows[r]);
    return out;
  }
  // A short first column (a code) shares its line with the second.
  const bool shortKey = widths[0] <= 6;
  const std::size_t firstOther = shortKey ? 2 : 1;
  const std::string indent(shortKey ? widths[0] + 2 : 4, ' ');
  for (std::size_t r = 1; r < rows.size(); ++r) {
    const auto& cells = rows[r];
    std::string head = cells.empty() ? "" : cells[0];
    if (shortKey) {
      const std::string pad(widths[0] - head.size(), ' ');
      head = RightAligned(table, 0) ? pad + head : head + pad;
      if (cells.size() > 1) head += "  " + cells[1];
    }
    out += head + "\n";
    std::string rest;
    const bool named = cells.size() > firstOther + 1;
    for (std::size_t c = firstOther; c < cells.size(); ++c) {
      std::string name = named ? rows[0][c] + ": " : "";
      if (!rest.empty() && !name.empty())
        name[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[0])));
      rest += (rest.empty() ? "" : "; ") + name + cells[c];
    }
    if (!rest.empty()) out += Wrapped(rest, width, indent, indent);
  }
  return out;
}

inline std::string PlainText(const Document& document, std::size_t width = 78) {
  std::string out;
  for (const Block& block : document.blocks()) {
    switch (block.type) {
      case Block::Type::Heading: {
        const std::string text = Unmarked(block.text);
        out += text + "\n";
        if (block.level < 3) out += std::string(text.size(), block.level == 1 ? '=' : '-') + "\n";
        break;
      }
      case Block::Type::Paragraph:
      case Block::Type::TextOnly:
        out += Wrapped(Unmarked(block.text), width, "", "");
        break;
      case Block::Type::Bullets:
        for (const std::string& item : block.items)
          out += Wrapped(Unmarked(item), width, "- ", "  ");
        break;
      case Block::Type::Table:
        out += TextTable(block, width);
        break;
      case Block::Type::Code:
        out += Indented(block.text);
        break;
      case Block::Type::MarkdownOnly:
        continue;
    }
    out += "\n";
  }
  while (out.size() > 1 && out[out.size() - 2] == '\n') out.pop_back();
  return out;
}

}  // namespace tier::tools
