// The string tree: texts through events, the width cache, drawing of normal and static text,
// the ellipsis shortener and the text drawer.
#include "VirtualStringTree.h"

#include "VirtualTreesEditing.h"

#include "VirtualTreesClipboard.h"

#include "platform/Codec.h"
#include "platform/TextFit.h"

#include <algorithm>
#include <vector>

// --- Text routines ---------------------------------------------------------------------------

namespace {
constexpr size_t kMeasuredTextBytes = 1024;  // longer texts are measured each time
}  // namespace

int LimitedTextWidth(const TCanvas& canvas, std::string_view text) {
    int width = 0;
    return TextFitUtf8(canvas, text, TextWidthLimit, &width) == text.size() ? width
                                                                            : TextWidthLimit;
}

std::string ShortenWithEllipsis(const std::string& s, int space, int ellipsisWidth,
                                const std::function<int(std::string_view)>& measure) {
    if (s.empty() || space <= 0 || space <= ellipsisWidth) return {};
    const std::string_view text(s);
    // Prefixes end between characters.
    auto fits = [&](size_t n) {
        return measure(text.substr(0, Utf8CharStart(text, n))) + ellipsisWidth < space;
    };
    // Widths grow with the prefix: double a prefix while it fits, then find the longest prefix
    // that still leaves the ellipsis room between the last that fitted and the first that did not.
    const size_t most = std::min(s.size(), size_t(space));
    size_t low = 0, high = std::min<size_t>(16, most);
    while (high < most && fits(high)) {
        low = high;
        high = std::min(2 * high, most);
    }
    while (low < high) {
        const size_t middle = (low + high + 1) / 2;
        if (fits(middle))
            low = middle;
        else
            high = middle - 1;
    }
    return s.substr(0, Utf8CharStart(text, low)) + "...";
}

void DrawTextLines(TCanvas& canvas, std::string_view text, TRect& r, unsigned format,
                   bool adjustRight) {
    const int lineHeight = canvas.TextMetrics().Height;
    const bool calculate = format & DT_CALCRECT;
    const TRect bounds = r;
    // The canvas places a line by its alignment and draws only what shows of it.
    auto place = [&](std::string_view line, int top) {
        const unsigned align = format & DT_RIGHT    ? TA_RIGHT
                               : format & DT_CENTER ? TA_CENTER
                                                    : TA_LEFT;
        const int x = align == TA_RIGHT    ? bounds.Right
                      : align == TA_CENTER ? (bounds.Left + bounds.Right) / 2
                                           : bounds.Left;
        canvas.SetTextAlign(align | TA_TOP);
        if (format & DT_NOCLIP)
            canvas.TextOutUtf8(x, top, line);
        else
            canvas.ExtTextOutUtf8(x, top, ETO_CLIPPED, &bounds, line);
        canvas.SetTextAlign(TA_LEFT | TA_TOP);
    };
    if (format & DT_SINGLELINE) {
        const size_t end = text.find('\0');
        std::string_view line = end == std::string_view::npos ? text : text.substr(0, end);
        if (calculate) {
            if (adjustRight) r.Right = r.Left + LimitedTextWidth(canvas, line);
            r.Bottom = r.Top + lineHeight;
            return;
        }
        int top = bounds.Top;
        if (format & DT_VCENTER) top = (bounds.Top + bounds.Bottom - lineHeight) / 2;
        place(line, top);
        return;
    }
    int top = bounds.Top;
    int widest = 0;
    size_t start = 0;
    while (start <= text.size()) {
        if (!calculate && top >= bounds.Bottom) break;
        size_t end = start;
        while (end < text.size() && text[end] != '\0' && text[end] != '\n' && text[end] != '\r')
            ++end;
        const std::string_view line = text.substr(start, end - start);
        if (calculate)
            widest = std::max(widest, LimitedTextWidth(canvas, line));
        else
            place(line, top);
        top += lineHeight;
        if (end >= text.size() || text[end] == '\0') break;
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
        if (start == text.size()) break;
    }
    if (calculate) {
        if (adjustRight) r.Right = r.Left + widest;
        r.Bottom = top;
    }
}

// --- Construction ----------------------------------------------------------------------------

TCustomVirtualStringTree::TCustomVirtualStringTree(TComponent* owner) : TBaseVirtualTree(owner) {
    widthOffset_ = AllocateInternalDataArea(sizeof(uint32_t));
    auto previous = Font().OnChange;
    Font().OnChange = [this, previous](TFont* font) {
        if (previous) previous(font);
        FontChanged();
    };
    FontChanged();
}

TCustomVirtualStringTree::~TCustomVirtualStringTree() = default;

std::unique_ptr<TCustomVirtualTreeOptions> TCustomVirtualStringTree::CreateOptions() {
    return std::make_unique<TCustomStringTreeOptions>(this);
}

std::unique_ptr<TCustomVirtualTreeOptions> TVirtualStringTree::CreateOptions() {
    return std::make_unique<TStringTreeOptions>(this);
}

TStringTreeOptions& TVirtualStringTree::TreeOptions() {
    return static_cast<TStringTreeOptions&>(TBaseVirtualTree::TreeOptions());
}

TVTStringOptions TCustomVirtualStringTree::StringOptions() {
    auto* options = dynamic_cast<TCustomStringTreeOptions*>(&TreeOptions());
    return options ? options->StringOptions() : DefaultStringOptions;
}

void TCustomVirtualStringTree::SetStringOptions(TVTStringOptions value) {
    if (auto* options = dynamic_cast<TCustomStringTreeOptions*>(&TreeOptions()))
        options->SetStringOptions(value);
}

void TCustomVirtualStringTree::SetDefaultText(const std::string& value) {
    if (value == defaultText_) return;
    defaultText_ = value;
    if (!Loading() && HandleAllocated()) Invalidate();
}

TCanvas& TCustomVirtualStringTree::MeasureCanvas() {
    if (!measure_) measure_ = std::make_unique<TBitmap>(1, 1);
    return measure_->Canvas();
}

void TCustomVirtualStringTree::FontChanged() {
    TCanvas& canvas = MeasureCanvas();
    canvas.Font().Assign(Font());
    textHeight_ = canvas.TextMetrics().Height;
    ellipsisWidth_ = canvas.TextWidthUtf8("...");
    ClearWidthCaches();
}

// --- Width cache -----------------------------------------------------------------------------

uint32_t* TCustomVirtualStringTree::WidthSlot(PVirtualNode node) const {
    if (!node || node == RootNode()) return nullptr;
    return reinterpret_cast<uint32_t*>(reinterpret_cast<char*>(node) + widthOffset_);
}

uint32_t TCustomVirtualStringTree::CachedWidth(PVirtualNode node) const {
    const uint32_t* slot = WidthSlot(node);
    return slot ? *slot : 0;
}

void TCustomVirtualStringTree::ClearWidthCaches() {
    for (PVirtualNode node = GetFirstNoInit(); node; node = GetNextNoInit(node))
        *WidthSlot(node) = 0;
}

void TCustomVirtualStringTree::InvalidateNode(PVirtualNode node) {
    TBaseVirtualTree::InvalidateNode(node);
    if (uint32_t* slot = WidthSlot(node)) *slot = 0;
}

void TCustomVirtualStringTree::ReinitNode(PVirtualNode node, bool recursive) {
    TBaseVirtualTree::ReinitNode(node, recursive);
    if (uint32_t* slot = WidthSlot(node)) *slot = 0;
}

bool TCustomVirtualStringTree::DoCancelEdit() {
    const bool cancelled = TBaseVirtualTree::DoCancelEdit();
    // Only a real cancel can leave texts changed; adding nodes must stay cheap.
    if (cancelled) ClearWidthCaches();
    return cancelled;
}

PVTEditLink TCustomVirtualStringTree::DoCreateEditor(PVirtualNode node, TColumnIndex column) {
    if (OnCreateEditor) return TBaseVirtualTree::DoCreateEditor(node, column);
    return std::make_shared<TStringEditLink>();
}

int TCustomVirtualStringTree::CalculateTextWidth(TCanvas& canvas, PVirtualNode node,
                                                 const std::string& text, TColumnIndex column) {
    int width = 2 * TextMargin();
    if (!text.empty()) {
        canvas.Font().Assign(Font());
        DoPaintText(node, canvas, column, ttNormal);
        const TFont& font = canvas.Font();
        if (text.size() > kMeasuredTextBytes) {  // not kept: copying it would cost memory
            width += LimitedTextWidth(canvas, text);
        } else {
            if (measuredWidth_ < 0 || text != measuredText_ || !font.SameAs(measuredFont_) ||
                font.PixelsPerInch() != measuredFont_.PixelsPerInch()) {
                measuredWidth_ = LimitedTextWidth(canvas, text);
                measuredText_ = text;
                measuredFont_.Assign(font);
            }
            width += measuredWidth_;
        }
    }
    return width;
}

int TCustomVirtualStringTree::DoGetNodeWidth(PVirtualNode node, TColumnIndex column) {
    TCanvas& canvas = MeasureCanvas();
    uint32_t* slot = column == Header().MainColumn() ? WidthSlot(node) : nullptr;
    if (slot && *slot != 0) return int(*slot);
    std::string text = Text(node, column);
    const int width = CalculateTextWidth(canvas, node, text, column);
    ReuseTextBuffer(std::move(text));
    if (slot) *slot = uint32_t(std::max(width, 0));
    return width;
}

// --- Texts and events ------------------------------------------------------------------------

std::string TCustomVirtualStringTree::Text(PVirtualNode node, TColumnIndex column) {
    VT_ASSERT(node, "Node must not be nil.");
    if (node != RootNode() && !HasState(node, vsInitialized)) InitNode(node);
    // The buffer of the last long text painted or measured: a handler's copy lands in memory
    // that is already there.
    std::string text = std::move(spare_);
    text.assign(defaultText_);
    DoGetText(node, column, ttNormal, text);
    return text;
}

void TCustomVirtualStringTree::ReuseTextBuffer(std::string&& text) {
    if (text.capacity() > spare_.capacity()) spare_ = std::move(text);
}

void TCustomVirtualStringTree::DoGetText(PVirtualNode node, TColumnIndex column,
                                         TVSTTextType textType, std::string& text) {
    if (OnGetText) OnGetText(this, node, column, textType, text);
}

void TCustomVirtualStringTree::DoNewText(PVirtualNode node, TColumnIndex column,
                                         const std::string& text) {
    if (OnNewText) OnNewText(this, node, column, text);
}

void TCustomVirtualStringTree::DoPaintText(PVirtualNode node, TCanvas& canvas, TColumnIndex column,
                                           TVSTTextType textType) {
    if (OnPaintText) OnPaintText(this, canvas, node, column, textType);
}

std::string TCustomVirtualStringTree::DoShortenString(TCanvas& canvas, PVirtualNode node,
                                                      TColumnIndex column, const std::string& s,
                                                      int width, bool rightToLeft,
                                                      int ellipsisWidth) {
    bool done = false;
    std::string result;
    if (OnShortenString)
        OnShortenString(this, canvas, node, column, s, width, rightToLeft, result, done);
    if (done) return result;
    if (ellipsisWidth == 0) ellipsisWidth = canvas.TextWidthUtf8("...");
    return ShortenWithEllipsis(s, width, ellipsisWidth, [&canvas](std::string_view part) {
        return canvas.TextWidthUtf8(part);
    });
}

bool TCustomVirtualStringTree::ColumnIsEmpty(PVirtualNode node, TColumnIndex column) {
    std::string text = Text(node, column);
    const bool empty = text.empty();
    ReuseTextBuffer(std::move(text));
    return empty;
}

std::string TCustomVirtualStringTree::DoGetNodeHint(PVirtualNode node, TColumnIndex column) {
    std::string hint = TBaseVirtualTree::DoGetNodeHint(node, column);
    if (OnGetHint) OnGetHint(this, node, column, ttNormal, hint);
    return hint;
}

std::string TCustomVirtualStringTree::DoGetNodeTooltip(PVirtualNode node, TColumnIndex column) {
    return Text(node, column);
}

// --- Drawing ---------------------------------------------------------------------------------

void TCustomVirtualStringTree::InitialTextColors(TCanvas& canvas, PVirtualNode node,
                                                 TColumnIndex column, TVSTTextType textType) {
    canvas.Font().Assign(Font());
    const TCustomVirtualTreeOptions& options = TreeOptions();
    const bool normal = textType == ttNormal;
    if (normal && options.PaintOptions().Contains(toHotTrack) && node == HotNode()) {
        canvas.Font().SetStyle(canvas.Font().Style() | fsUnderline);
        canvas.Font().SetColor(Colors().Color(TVTColors::HotColor));
    }
    // The static text takes the selection's colours only with full-row selection.
    const bool fullRow = options.SelectionOptions().Contains(toFullRowSelect);
    if (!fullRow && (!normal || column != FocusedColumn())) return;
    if (node == DropTargetNode()) {
        // A drop target that is dropped on or selected stands on the drop-target fill and
        // shows the highlight text.
        const bool filled = LastDropMode() == dmOnNode || Selected(node);
        canvas.Font().SetColor(filled ? clHighlightText : Font().Color());
    } else if (Selected(node)) {
        const bool focusedLook = Focused() || options.PaintOptions().Contains(toPopupMode);
        canvas.Font().SetColor(focusedLook ? clHighlightText : Font().Color());
    }
}

void TCustomVirtualStringTree::DoPaintNode(TCanvas& canvas, PVirtualNode node, TColumnIndex column,
                                           const TRect& cellRect) {
    TVTHeader& header = Header();
    const bool realColumn = column > NoColumn && header.IsValidColumn(column);
    const TAlignment alignment = realColumn ? header.ColumnAlignment(column) : Alignment();
    const bool rightToLeft =
        realColumn ? header.ColumnIsRightToLeft(column) : BiDiMode() != bdLeftToRight;
    const bool disabled = HasState(node, vsDisabled) || !Enabled();
    int nodeWidth = DoGetNodeWidth(node, column);

    std::string s = Text(node, column);
    if (!s.empty()) {
        InitialTextColors(canvas, node, column, ttNormal);
        const TFont before = canvas.Font();
        int ellipsis = ellipsisWidth_;
        DoPaintText(node, canvas, column, ttNormal);
        if (!canvas.Font().SameAs(before) || canvas.Font().Color() != before.Color()) {
            ellipsis = 0;
            nodeWidth = 2 * TextMargin() + LimitedTextWidth(canvas, s);
        }
        if (disabled) canvas.Font().SetColor(Colors().Color(TVTColors::DisabledColor));
        TRect r = cellRect;
        r.Left += TextMargin();
        r.Right -= TextMargin();
        unsigned format = DT_SINGLELINE | DT_VCENTER;
        if (rightToLeft) format |= DT_RTLREADING;
        std::string shortened;
        std::string_view shown = s;
        if (realColumn && nodeWidth - 2 * TextMargin() > r.Width()) {
            shortened = DoShortenString(canvas, node, column, s, r.Width(), rightToLeft, ellipsis);
            shown = shortened;
            format |= alignment == taRightJustify ? DT_RIGHT : DT_LEFT;
        } else {
            format |= alignment == taRightJustify ? DT_RIGHT
                      : alignment == taCenter     ? DT_CENTER
                                                  : DT_LEFT;
        }
        canvas.Brush().SetStyle(TBrushStyle::bsClear);
        DrawTextLines(canvas, shown, r, format);
        canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    }
    ReuseTextBuffer(std::move(s));

    if (Alignment() != taCenter && StringOptions().Contains(toShowStaticText)) {
        std::string staticText;
        DoGetText(node, column, ttStatic, staticText);
        if (!staticText.empty()) {
            InitialTextColors(canvas, node, column, ttStatic);
            DoPaintText(node, canvas, column, ttStatic);
            if (disabled) canvas.Font().SetColor(Colors().Color(TVTColors::DisabledColor));
            TRect r = cellRect;
            if (alignment == taRightJustify)
                r.Right -= nodeWidth + TextMargin();
            else
                r.Left += nodeWidth + TextMargin();
            canvas.Brush().SetStyle(TBrushStyle::bsClear);
            DrawTextLines(canvas, staticText, r, DT_SINGLELINE | DT_VCENTER);
            canvas.Brush().SetStyle(TBrushStyle::bsSolid);
        }
    }
}

void TCustomVirtualStringTree::GetTextInfo(PVirtualNode node, TColumnIndex column, TFont& font,
                                           TRect& r, std::string& text) {
    TCanvas& canvas = MeasureCanvas();
    canvas.Font().Assign(font);
    const TFont before = canvas.Font();
    DoPaintText(node, canvas, column, ttNormal);
    int lineHeight = textHeight_;
    if (!canvas.Font().SameAs(before)) {
        font.Assign(canvas.Font());
        lineHeight = canvas.TextMetrics().Height;
    }
    text = Text(node, column);
    r = GetDisplayRect(node, column, true, true);
    if (TreeOptions().PaintOptions().Contains(toShowHorzGridLines)) --r.Bottom;
    const int grow = (lineHeight - r.Height()) / 2;
    r.Top -= grow;
    r.Bottom += grow;
}

// --- Caption chunk ---------------------------------------------------------------------------

void TCustomVirtualStringTree::WriteChunks(TStream& stream, PVirtualNode node) {
    TBaseVirtualTree::WriteChunks(stream, node);
    if (!StringOptions().Contains(toSaveCaptions) || node == RootNode() ||
        !HasState(node, vsInitialized))
        return;
    const std::u16string text = Utf8ToUtf16(Text(node, Header().MainColumn()));
    if (text.empty()) return;
    std::vector<uint8_t> bytes;
    bytes.reserve(8 + 2 * text.size());
    auto u32 = [&bytes](uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(v >> (8 * i)));
    };
    u32(3);
    u32(uint32_t(2 * text.size()));
    for (char16_t u : text) {
        bytes.push_back(uint8_t(u));
        bytes.push_back(uint8_t(u >> 8));
    }
    stream.WriteBuffer(bytes.data(), int64_t(bytes.size()));
}

bool TCustomVirtualStringTree::ReadChunk(TStream& stream, int version, PVirtualNode node,
                                         uint32_t chunkType, int64_t chunkEnd) {
    if (chunkType != 3)
        return TBaseVirtualTree::ReadChunk(stream, version, node, chunkType, chunkEnd);
    const int64_t size = chunkEnd - stream.Position();
    std::vector<uint8_t> bytes(size_t(std::max<int64_t>(0, size)));
    if (stream.Read(bytes.data(), int64_t(bytes.size())) != int64_t(bytes.size())) return false;
    // An odd last byte is no character; the reader goes on at the chunk's end.
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        units.push_back(char16_t(bytes[i] | bytes[i + 1] << 8));
    DoNewText(node, Header().MainColumn(), Utf16ToUtf8(units));
    return true;
}

bool TCustomVirtualStringTree::AcceptsClipboardFormat(const std::string& name) const {
    return ClassOffersClipboardFormat(VirtualStringTreeClass, name);
}
