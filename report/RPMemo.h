// A long text printed word-wrapped between two horizontal positions, line by line at the
// report's cursor, continuing across calls and pages. Formatting blocks are taken out of the
// text when it is set and put back per line, so wrapping measures visible characters only.
#pragma once

#include <string>
#include <vector>

#include "RPBase.h"
#include "RPRPTF.h"

class TStream;

class TBaseMemoBuf {
public:
    virtual ~TBaseMemoBuf() = default;
    // The next line for the width between PrintStart and PrintEnd; `endOfParagraph` tells
    // that it ends a paragraph (or the text).
    virtual std::string GetLine(bool& endOfParagraph) = 0;
    virtual int CountLines() = 0;
    // Prints `lines` lines (0: all that remain); returns the height printed in report units.
    virtual double PrintLines(int lines, bool printTabs) = 0;

    TBaseReport* BaseReport() const { return report_; }
    void SetBaseReport(TBaseReport* report) { report_ = report; }

protected:
    TBaseReport* report_ = nullptr;
};

class TMemoBuf : public TBaseMemoBuf {
public:
    uint8_t Justify = pjLeft;
    double PrintStart = 0;  // report units, like the report's X positions
    double PrintEnd = 0;
    double PrintHeight = 0;  // a height budget in report units; 0 for none
    bool NoNewLine = false;  // no NewLine after the last line
    bool StripCommands = true;
    bool RTFInput = false;  // the text is RTF, converted when set

    void SetText(const std::string& text);
    void SetData(const char* data, size_t length);
    void SetData(TStream& stream);
    void Clear();
    // The visible text and the read position in it.
    const std::string& Text() const { return buf_; }
    size_t Pos() const { return pos_; }
    bool Empty() const { return pos_ >= buf_.size(); }

    std::string GetLine(bool& endOfParagraph) override;
    int CountLines() override;
    double PrintLines(int lines, bool printTabs) override;

private:
    struct TItem {
        size_t Pos;
        std::string Commands;
    };
    struct TState {
        size_t pos;
        bool paraStart;
    };

    TBaseReport& Report();
    TRPTFItem FormatAt(size_t pos) const;
    // The bytes [from, to) with the blocks of positions in [blocksFrom, to) put back.
    std::string Slice(size_t from, size_t to, size_t blocksFrom) const;
    int Measure(const std::string& line);

    std::string buf_;
    size_t pos_ = 0;
    bool paraStart_ = true;
    std::vector<TItem> items_;
    double leftIndent_ = 0, rightIndent_ = 0;  // inches, of the last line taken
};
