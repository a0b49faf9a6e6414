#include "excreport/dialog/rtf_to_html.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <vector>

#include "excreport/report/utf8_text.h"

namespace kestrova {
namespace {

struct Rgb {
  int Red = 0;
  int Green = 0;
  int Blue = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

struct TextStyle {
  std::optional<Rgb> Color;
  bool Bold = false;
  friend bool operator==(const TextStyle&, const TextStyle&) = default;
};

enum class Destination { Text, ColorTable, Skipped };

// What a group inherits from its parent and gives back on "}".
struct GroupState {
  Destination Dest = Destination::Text;
  int ColorIndex = 0;
  bool Bold = false;
};

// Groups whose contents are not document text.
constexpr std::array<std::string_view, 12> SkippedGroups = {
    "fonttbl", "filetbl", "stylesheet", "listtable", "listoverridetable", "revtbl", "info",
    "pict",    "object",  "header",     "footer",    "footnote"};

// Code page 1252 at 0x80..0x9F; the five unassigned bytes give the replacement character.
constexpr std::array<char32_t, 32> Cp1252High = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

char32_t FromCp1252(std::uint8_t Byte) {
  return Byte >= 0x80 && Byte < 0xA0 ? Cp1252High[Byte - 0x80] : Byte;
}

void AppendUtf8(std::string& Out, char32_t C) {
  if (C < 0x80) {
    Out += static_cast<char>(C);
  } else if (C < 0x800) {
    Out += static_cast<char>(0xC0 | (C >> 6));
    Out += static_cast<char>(0x80 | (C & 0x3F));
  } else {
    Out += static_cast<char>(0xE0 | (C >> 12));
    Out += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
    Out += static_cast<char>(0x80 | (C & 0x3F));
  }
}

bool IsLetter(char C) { return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z'); }
bool IsDigit(char C) { return C >= '0' && C <= '9'; }

int HexValue(char C) {
  if (IsDigit(C)) return C - '0';
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  return -1;
}

class RtfConverter final {
 public:
  explicit RtfConverter(std::string_view Rtf) : in_(Rtf) {}

  std::string Convert() {
    out_ = "<pre>";
    while (pos_ < in_.size()) {
      const char c = in_[pos_++];
      if (c == '{') {
        groups_.push_back(state_);
      } else if (c == '}') {
        if (!groups_.empty()) {
          state_ = groups_.back();
          groups_.pop_back();
        }
      } else if (c == '\\') {
        ReadControl();
      } else if (c != '\r' && c != '\n') {
        RawByte(c);
      }
    }
    SetStyle(TextStyle{});
    out_ += "</pre>";
    return std::move(out_);
  }

 private:
  void ReadControl() {
    if (pos_ >= in_.size()) return;
    if (!IsLetter(in_[pos_])) {
      ControlSymbol(in_[pos_++]);
      return;
    }
    const std::size_t start = pos_;
    while (pos_ < in_.size() && IsLetter(in_[pos_])) ++pos_;
    const std::string_view word = in_.substr(start, pos_ - start);

    std::optional<long> parameter;
    const bool negative = pos_ + 1 < in_.size() && in_[pos_] == '-' && IsDigit(in_[pos_ + 1]);
    if (negative) ++pos_;
    if (pos_ < in_.size() && IsDigit(in_[pos_])) {
      long value = 0;
      for (; pos_ < in_.size() && IsDigit(in_[pos_]); ++pos_) {
        value = std::min(value * 10 + (in_[pos_] - '0'), 1'000'000'000L);  // no overflow
      }
      parameter = negative ? -value : value;
    }
    if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;  // the delimiter belongs to the word
    ControlWord(word, parameter);
  }

  void ControlSymbol(char Symbol) {
    switch (Symbol) {
      case '\\':
      case '{':
      case '}':
        Character(static_cast<std::uint8_t>(Symbol));
        break;
      case '\'':
        if (pos_ + 1 < in_.size() && HexValue(in_[pos_]) >= 0 && HexValue(in_[pos_ + 1]) >= 0) {
          Character(FromCp1252(
              static_cast<std::uint8_t>(HexValue(in_[pos_]) * 16 + HexValue(in_[pos_ + 1]))));
          pos_ += 2;
        }
        break;
      case '*':
        state_.Dest = Destination::Skipped;
        break;
      case '~':
        Character(0x00A0);
        break;
      case '_':
        Character('-');
        break;
      case '\r':
      case '\n':
        Text("\n");
        break;
      default:
        break;
    }
  }

  void ControlWord(std::string_view Word, std::optional<long> Parameter) {
    if (Word == "par" || Word == "line") {
      Text("\n");
    } else if (Word == "tab") {
      Text("\t");
    } else if (Word == "cf") {
      state_.ColorIndex = static_cast<int>(Parameter.value_or(0));
    } else if (Word == "b") {
      state_.Bold = Parameter.value_or(1) != 0;
    } else if (Word == "plain") {
      state_.ColorIndex = 0;
      state_.Bold = false;
    } else if (Word == "colortbl") {
      if (state_.Dest != Destination::Skipped) state_.Dest = Destination::ColorTable;
      pendingColor_.reset();
    } else if (Word == "red" || Word == "green" || Word == "blue") {
      if (state_.Dest != Destination::ColorTable) return;
      Rgb& color = pendingColor_.emplace(pendingColor_.value_or(Rgb{}));
      const int value = static_cast<int>(std::clamp(Parameter.value_or(0), 0L, 255L));
      (Word == "red" ? color.Red : Word == "green" ? color.Green : color.Blue) = value;
    } else if (std::find(SkippedGroups.begin(), SkippedGroups.end(), Word) != SkippedGroups.end()) {
      state_.Dest = Destination::Skipped;
    }
  }

  // A byte of plain text: part of a UTF-8 sequence, else a code page 1252 character.
  void RawByte(char C) {
    const auto byte = static_cast<std::uint8_t>(C);
    if (state_.Dest == Destination::ColorTable && C == ';') {
      colors_.push_back(pendingColor_);
      pendingColor_.reset();
      return;
    }
    if (byte < 0x80) {
      Character(byte);
      return;
    }
    const std::size_t length = Utf8SequenceLength(in_.substr(pos_ - 1));
    if (length == 0) {
      Character(FromCp1252(byte));
      return;
    }
    Text(in_.substr(pos_ - 1, length));
    pos_ += length - 1;
  }

  void Character(char32_t C) {
    switch (C) {
      case '&':
        Text("&amp;");
        break;
      case '<':
        Text("&lt;");
        break;
      case '>':
        Text("&gt;");
        break;
      case '"':
        Text("&quot;");
        break;
      case '\t':
        Text("\t");
        break;
      default:
        if (C < 0x20 || C == 0x7F) return;  // control characters have no place in the page
        std::string utf8;
        AppendUtf8(utf8, C);
        Text(utf8);
    }
  }

  // Text already in HTML form, written in the current group's style.
  void Text(std::string_view Html) {
    if (state_.Dest != Destination::Text) return;
    SetStyle(CurrentStyle());
    out_ += Html;
  }

  TextStyle CurrentStyle() const {
    TextStyle style;
    style.Bold = state_.Bold;
    if (state_.ColorIndex > 0 && static_cast<std::size_t>(state_.ColorIndex) < colors_.size()) {
      style.Color = colors_[static_cast<std::size_t>(state_.ColorIndex)];
    }
    return style;
  }

  void SetStyle(const TextStyle& Style) {
    if (Style == written_) return;
    if (written_ != TextStyle{}) out_ += "</span>";
    written_ = Style;
    if (Style == TextStyle{}) return;
    std::string css;
    if (Style.Color) {
      char color[8];
      std::snprintf(color, sizeof color, "#%02x%02x%02x", Style.Color->Red, Style.Color->Green,
                    Style.Color->Blue);
      css += "color:";
      css += color;
    }
    if (Style.Bold) css += css.empty() ? "font-weight:bold" : ";font-weight:bold";
    out_ += "<span style=\"" + css + "\">";
  }

  std::string_view in_;
  std::size_t pos_ = 0;
  std::string out_;
  GroupState state_;
  std::vector<GroupState> groups_;
  // Entry 0 is the "auto" colour of "{\colortbl ;...}": an entry without components.
  std::vector<std::optional<Rgb>> colors_;
  std::optional<Rgb> pendingColor_;
  TextStyle written_;
};

}  // namespace

std::string RtfToHtml(std::string_view Rtf) { return RtfConverter(Rtf).Convert(); }

}  // namespace kestrova
