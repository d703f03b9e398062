// Helpers for the memo tests: a scripted window, text snapshots and record checks.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "MarkMemo.h"
#include "platform/Streams.h"
#include "platform/TextMetrics.h"

// A window that exists, measures every byte 10 pixels wide and runs posted work on demand.
class TestWindow : public TMarkMemoHost {
public:
    explicit TestWindow(int width = 120, int height = 160)
        : width_(width), height_(height), measurer_(CreateFixedTextMeasurer(10, 16, 4)) {}
    // Hosts `memo` with this window's client size.
    void Attach(TMarkMemo& memo) {
        memo_ = &memo;
        memo.SetClientSize(width_, height_);
        memo.SetHost(this);
    }
    bool WindowExists() const override { return exists; }
    TTextMeasurer* Measurer() override { return measurer_.get(); }
    void Post(std::function<void()> work) override { posted.push_back(std::move(work)); }
    // Runs the posted work, including what it posts in turn; returns how many ran.
    int RunPosted() {
        int count = 0;
        while (!posted.empty()) {
            auto work = std::move(posted.front());
            posted.pop_front();
            work();
            ++count;
        }
        return count;
    }
    void SetWidth(int width) {
        width_ = width;
        if (memo_) memo_->SetClientSize(width_, height_);
    }

    bool exists = true;
    std::deque<std::function<void()>> posted;

private:
    int width_, height_;
    std::unique_ptr<TTextMeasurer> measurer_;
    TMarkMemo* memo_ = nullptr;
};

// The plain text as SaveToStream writes it.
inline std::string SavedText(TMarkMemo& memo) {
    TMemoryStream stream;
    memo.SaveToStream(stream);
    return std::string(stream.Bytes().begin(), stream.Bytes().end());
}

inline std::string BinaryImage(TMarkMemo& memo) {
    TMemoryStream stream;
    memo.SaveBinary(stream);
    return std::string(stream.Bytes().begin(), stream.Bytes().end());
}

inline void LoadImage(TMarkMemo& memo, const std::string& image, bool relayout = false) {
    TMemoryStream stream;
    stream.WriteBuffer(image.data(), int64_t(image.size()));
    stream.SetPosition(0);
    memo.LoadBinary(stream, relayout);
}

// Reaches into the store past its edits, for tests that set up states no edit makes (a
// damaged store, a start state at the deepest level).
inline TParagraphRec& StoreRecord(TMarkMemo& memo, int index) {
    return const_cast<TParagraphRec&>(memo.Paragraph(index));
}

inline std::vector<std::string> ParagraphTexts(const TMarkMemo& memo) {
    std::vector<std::string> out;
    for (int i = 0; i < memo.ParagraphCount(); ++i) out.push_back(memo.Paragraph(i).Text);
    return out;
}

// Checks what the consistency check does not: record order and bounds, nesting, line tiling.
inline std::string StoreProblem(const TMarkMemo& memo) {
    for (int i = 0; i < memo.ParagraphCount(); ++i) {
        const TParagraphRec& par = memo.Paragraph(i);
        if (!par.StartState) return "no start state in " + std::to_string(i);
        int32_t previous = 0;
        for (const TAttributeRec& a : par.Attrs) {
            if (a.Offset < previous || a.Offset > par.Length())
                return "record out of order in " + std::to_string(i);
            if (a.Level < -1 || a.Level > MaxNestingLevel)
                return "level out of range in " + std::to_string(i);
            previous = a.Offset;
        }
        const TParagraphLines& lines = memo.ParagraphLines(i);
        for (int l = 0; l < lines.LineCount(); ++l)
            if (lines.Line(l).EndOffset < lines.Line(l).StartOffset)
                return "backward line in " + std::to_string(i);
    }
    try {
        memo.CheckLines();
    } catch (const Exception& e) {
        return e.Message;
    }
    return {};
}

// The lines of every paragraph as layout defines them (offsets, blanks, styles).
struct LineShape {
    int32_t Start, End, Width, FullWidth, SpaceCount, JustifyFrom;
    uint8_t StartStyle;
    friend bool operator==(const LineShape&, const LineShape&) = default;
};

inline std::vector<std::vector<LineShape>> LineShapes(const TMarkMemo& memo) {
    std::vector<std::vector<LineShape>> out;
    for (int i = 0; i < memo.ParagraphCount(); ++i) {
        const TParagraphLines& par = memo.ParagraphLines(i);
        std::vector<LineShape> lines;
        for (int l = 0; l < par.LineCount(); ++l) {
            const TLineRec& r = par.Line(l);
            lines.push_back({r.StartOffset, r.EndOffset, r.Width, r.FullWidth, r.SpaceCount,
                             r.JustifyFrom, r.StartStyle});
        }
        out.push_back(lines);
    }
    return out;
}
