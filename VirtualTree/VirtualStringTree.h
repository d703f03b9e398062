// The string tree: a tree whose cells show text that the application supplies through
// OnGetText each time it is needed. It measures texts (keeping the main column's width per
// node), draws them with colours, shortening and a static text beside them, and lets a cell's
// text run over the empty cells that follow it.
#pragma once

#include "VirtualTrees.h"

#include <functional>
#include <string>
#include <string_view>

enum TVSTTextType { ttNormal, ttStatic };

using TVSTGetTextEvent =
    std::function<void(TBaseVirtualTree* sender, PVirtualNode node, TColumnIndex column,
                       TVSTTextType textType, std::string& cellText)>;
using TVTPaintText =
    std::function<void(TBaseVirtualTree* sender, TCanvas& targetCanvas, PVirtualNode node,
                       TColumnIndex column, TVSTTextType textType)>;
using TVSTNewTextEvent = std::function<void(TBaseVirtualTree* sender, PVirtualNode node,
                                            TColumnIndex column, const std::string& newText)>;
using TVSTShortenStringEvent = std::function<void(
    TBaseVirtualTree* sender, TCanvas& targetCanvas, PVirtualNode node, TColumnIndex column,
    const std::string& s, int textSpace, bool rightToLeft, std::string& result, bool& done)>;

// --- Text routines shared with hints ---------------------------------------------------------
// Texts here are UTF-8: the cells of a string tree hold Unicode.

// Texts are measured no wider than this, which is wider than any screen: a wider text counts
// as this wide in node widths, and so in auto-fitted columns, the scroll width and hint boxes.
inline constexpr int TextWidthLimit = 30000;
// The text's width in the canvas's font, at most TextWidthLimit; a longer text is measured
// only as far as the limit.
int LimitedTextWidth(const TCanvas& canvas, std::string_view text);

// The longest prefix P of s (whole characters) with measure(P) + ellipsisWidth < space,
// followed by "..."; empty
// when s is empty or space is not wider than the ellipsis. Prefixes are measured only a little
// beyond what fits, so a long s costs no more than a short one; a byte is taken to be at least
// a pixel wide, so at most space bytes are kept.
std::string ShortenWithEllipsis(const std::string& s, int space, int ellipsisWidth,
                                const std::function<int(std::string_view)>& measure);

// Format flags of the text drawer.
enum : unsigned {
    DT_LEFT = 0x0,
    DT_CENTER = 0x1,
    DT_RIGHT = 0x2,
    DT_VCENTER = 0x4,
    DT_SINGLELINE = 0x20,
    DT_NOCLIP = 0x100,
    DT_CALCRECT = 0x400,
    DT_RTLREADING = 0x20000,
};
// Draws text into r with the canvas's font and brush (a clear brush draws transparently).
// Without DT_SINGLELINE lines end at NUL, LF or CR (CR LF counts once) and are drawn from r's
// top down until r is full. With DT_CALCRECT nothing is drawn: r's bottom becomes where the
// next line would start and, with adjustRight, its right edge fits the widest line (lines
// measured up to TextWidthLimit). Long lines cost what shows of them, not their length.
void DrawTextLines(TCanvas& canvas, std::string_view text, TRect& r, unsigned format,
                   bool adjustRight = false);

// --- The string tree -------------------------------------------------------------------------

class TCustomVirtualStringTree : public TBaseVirtualTree {
public:
    explicit TCustomVirtualStringTree(TComponent* owner = nullptr);
    ~TCustomVirtualStringTree() override;

    // The cell's text: DefaultText as OnGetText leaves it. The node is initialised first.
    std::string Text(PVirtualNode node, TColumnIndex column);
    const std::string& DefaultText() const { return defaultText_; }
    void SetDefaultText(const std::string& value);
    TVTStringOptions StringOptions();
    void SetStringOptions(TVTStringOptions value);
    // The string tree also offers the text formats.
    bool AcceptsClipboardFormat(const std::string& name) const override;
    // The string tree's formats; its text formats render the cut/copy set (clipboard) or the
    // selection (drag) through the content export.
    std::vector<TClipFormat> GetNativeClipboardFormats() override;
    bool RenderOLEData(TClipFormat format, bool forClipboard, std::string& data) override;

    // 2 x TextMargin plus the text's width in the font OnPaintText gives it.
    virtual int CalculateTextWidth(TCanvas& canvas, PVirtualNode node, const std::string& text,
                                   TColumnIndex column);
    // Where an editor for the cell goes: font (the one OnPaintText picks), rectangle (the text's
    // display rectangle, centred on one line's height) and text.
    virtual void GetTextInfo(PVirtualNode node, TColumnIndex column, TFont& font, TRect& r,
                             std::string& text);
    // The font's line height and the ellipsis width, as the width cache measures them.
    int TextHeight() const { return textHeight_; }
    int EllipsisWidth() const { return ellipsisWidth_; }
    // The cached main-column text width of a node (0: not measured).
    uint32_t CachedWidth(PVirtualNode node) const;

    void InvalidateNode(PVirtualNode node) override;
    void ReinitNode(PVirtualNode node, bool recursive) override;

    TVSTGetTextEvent OnGetText;
    TVSTGetTextEvent OnGetHint;
    TVTPaintText OnPaintText;
    TVSTNewTextEvent OnNewText;
    TVSTShortenStringEvent OnShortenString;

protected:
    virtual void DoGetText(PVirtualNode node, TColumnIndex column, TVSTTextType textType,
                           std::string& text);
    virtual void DoNewText(PVirtualNode node, TColumnIndex column, const std::string& text);
    virtual void DoPaintText(PVirtualNode node, TCanvas& canvas, TColumnIndex column,
                             TVSTTextType textType);
    virtual std::string DoShortenString(TCanvas& canvas, PVirtualNode node, TColumnIndex column,
                                        const std::string& s, int width, bool rightToLeft,
                                        int ellipsisWidth);

    void DoPaintNode(TCanvas& canvas, PVirtualNode node, TColumnIndex column,
                     const TRect& cellRect) override;
    int DoGetNodeWidth(PVirtualNode node, TColumnIndex column) override;
    bool ColumnIsEmpty(PVirtualNode node, TColumnIndex column) override;
    std::string DoGetNodeHint(PVirtualNode node, TColumnIndex column) override;
    std::string DoGetNodeTooltip(PVirtualNode node, TColumnIndex column) override;
    bool DoCancelEdit() override;
    // Without an OnCreateEditor handler the string tree edits with a TStringEditLink.
    PVTEditLink DoCreateEditor(PVirtualNode node, TColumnIndex column) override;
    // The caption chunk (type 3): the main column's text as UTF-16, after the base chunks.
    void WriteChunks(TStream& stream, PVirtualNode node) override;
    bool ReadChunk(TStream& stream, int version, PVirtualNode node, uint32_t chunkType,
                   int64_t chunkEnd) override;
    std::unique_ptr<TCustomVirtualTreeOptions> CreateOptions() override;

    // The tree's font changed: line height and ellipsis are measured again, widths forgotten.
    void FontChanged();
    void ClearWidthCaches();

private:
    friend class TStringEditLink;  // writes an edited text back through DoNewText
    // The font a cell's text starts with: the tree's, with the hot look (normal text only)
    // and the colours of a selected node or drop target.
    void InitialTextColors(TCanvas& canvas, PVirtualNode node, TColumnIndex column,
                           TVSTTextType textType);
    uint32_t* WidthSlot(PVirtualNode node) const;
    // Keeps a text's memory for the next text asked for, when it is the largest yet: painting
    // and measuring hand their texts back, so a long text is not allocated anew each time.
    void ReuseTextBuffer(std::string&& text);
    TCanvas& MeasureCanvas();

    std::string defaultText_ = "Node";
    uint32_t widthOffset_ = 0;
    int textHeight_ = 0;
    int ellipsisWidth_ = 0;
    std::unique_ptr<TBitmap> measure_;
    std::string spare_;
    // The last text measured and its font: painting a cell measures it for the layout and
    // again for the text, and shaping is the costliest part of a paint.
    std::string measuredText_;
    TFont measuredFont_;
    int measuredWidth_ = -1;
};

class TVirtualStringTree : public TCustomVirtualStringTree {
public:
    using TCustomVirtualStringTree::TCustomVirtualStringTree;
    TStringTreeOptions& TreeOptions();
    void SetTreeOptions(const TCustomVirtualTreeOptions& source) { TreeOptions().Assign(source); }

protected:
    std::unique_ptr<TCustomVirtualTreeOptions> CreateOptions() override;
};
