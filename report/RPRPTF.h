// Formatting codes inside report text: byte 1 opens a command block, byte 2 separates its
// commands, byte 4 closes it and byte 3 inside a value is skipped. A command is one letter and
// its value (B bold, I italic, U underline, K strike-out, S subscript, P superscript, C colour,
// N name, Z size, H pitch, J justification, F/L/G indents, R reset, r reset styles).
#pragma once

#include <string>

#include "RPBase.h"

inline constexpr char RPTFPrefix = '\x01';
inline constexpr char RPTFSeparator = '\x02';
inline constexpr char RPTFIgnore = '\x03';
inline constexpr char RPTFSuffix = '\x04';

// A paragraph's format.
struct TRPTFItem {
    std::string FontName = "Arial";
    double Size = 12;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool Strikeout = false;
    bool Subscript = false;
    bool Superscript = false;
    uint8_t Pitch = 0;  // 0 default, 1 variable, 2 fixed
    int32_t Color = 0;
    uint8_t Justify = pjLeft;
    double FirstIndent = 0;  // inches
    double LeftIndent = 0;
    double RightIndent = 0;
    int32_t Reserved1 = 0;
    int32_t Reserved2 = 0;
};

// Reads the command at `pos` (0-based; the position of a byte 1 or 2, or before one): its
// letter (blank at the end) and value; `pos` is left on the closing byte 2 or 4.
void ParseRPTFCommand(const std::string& text, size_t& pos, char& letter, std::string& value);
// The next segment from `pos`: the commands that precede it (a whole block, 1 to 4) and its
// visible text. False at the end of the text.
bool NextRPTFSegment(const std::string& text, size_t& pos, std::string& visible,
                     std::string& commands);
void ApplyRPTFToReport(TBaseReport& report, const std::string& commands);
bool ApplyRPTFSegment(TBaseReport& report, const std::string& text, size_t& pos,
                      std::string& visible);
void ApplyRPTFToItem(TRPTFItem& item, const std::string& commands);
// Appends the commands that turn `oldItem` into `newItem`; the block is left open.
void BuildRPTF(std::string& text, const TRPTFItem& oldItem, const TRPTFItem& newItem);
// A closed block that brings any format to `item`.
std::string ResetRPTF(const TRPTFItem& item);
int VisibleLength(const std::string& text);
int VisibleLength(const char* data, size_t length);
// The text without its command blocks.
std::string StripRPTF(const std::string& text);
// Device pixels of the visible text, each segment in its own font; at least 1.
int RPTFTextWidth(TBaseReport& report, const std::string& text);
// The largest font height (report units) the text's commands select.
double RPTFMaxFontHeight(TBaseReport& report, const std::string& text);
uint8_t RPTFJustify(const std::string& text, uint8_t fallback);

// RTF to RPTF: fonts and colours from their tables, character formats, paragraph formats,
// paragraphs as CR LF, tabs and typographic quotes and dashes as their Windows-1252 bytes.
// Bytes 1 to 4 of the RTF's text (raw or written "\'01".."\'04") are dropped, so text never
// becomes codes; every block written is closed. Groups nest to any depth in bounded memory
// (beyond 256 levels, inner groups keep their formats until the outer one ends).
std::string RTFToRPTF(const std::string& rtf);
