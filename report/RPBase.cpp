#include "RPBase.h"

#include <algorithm>
#include <cmath>

#include "RPMemo.h"
#include "RPRPTF.h"
#include "platform/Messages.h"
#include "platform/SysUtils.h"

namespace {

constexpr double kEpsilon = 1e-6;  // inches: positions this close count as equal
constexpr int MaxFontPixels = 32767;

}  // namespace

TBaseReport::TBaseReport(TComponent* owner) : TRPBaseComponent(owner) {
    StatusFormat = Trans(SStatusFormat);
    fontSlots_.fill(font_);
    RefreshGeometry();
    SetMarginLeft(0);
    SetMarginTop(0);
    SetMarginRight(0);
    SetMarginBottom(0);
    columnWidth_ = sR_ - sL_;
    SetOrientation(poPortrait);
}

TBaseReport::~TBaseReport() = default;

// ---- properties ----

void TBaseReport::SetLineHeightMethod(TLineHeightMethod m) {
    lineHeightMethod_ = m;
    UpdateLineHeight();
}

void TBaseReport::SetLinesPerInch(int lpi) {
    if (lpi <= 0) return;
    linesPerInch_ = lpi;
    UpdateLineHeight();
}

void TBaseReport::SetUnits(TPrintUnits u) {
    units_ = u;
    switch (u) {
        case unInch:
            unitsFactor_ = 1.0;
            break;
        case unMM:
            unitsFactor_ = 25.4;
            break;
        case unCM:
            unitsFactor_ = 2.54;
            break;
        case unPoint:
            unitsFactor_ = 72.0;
            break;
        case unUser:
            break;
    }
}

void TBaseReport::SetUnitsFactor(double f) {
    if (f <= 0) return;
    unitsFactor_ = f;
    units_ = f == 1.0 ? unInch : f == 25.4 ? unMM : f == 2.54 ? unCM : f == 72.0 ? unPoint : unUser;
}

void TBaseReport::SetCopies(int copies) {
    if (printing_) RaiseError(Trans(SReportPrinting));
    if (HasPrinter() && copies > 0) Device().SetCopies(copies);
    copies_ = copies;
}

void TBaseReport::SetOrientation(TOrientation o) {
    wantedOrientation_ = o;
    if (!printing_) ApplyOrientation();
}

void TBaseReport::ApplyOrientation() {
    if (HasPrinter() && wantedOrientation_ != poDefault) {
        Device().SetOrientation(int(wantedOrientation_));
        RefreshGeometry();
        // The paper turned: margins keep their distances from the new edges.
        SetMarginRight(GetMarginRight());
        SetMarginBottom(GetMarginBottom());
    }
    currentOrientation_ = wantedOrientation_;
}

// ---- job ----

void TBaseReport::RequirePrinting() const {
    if (!printing_) RaiseError(Trans(SReportNotPrinting));
}

void TBaseReport::RequireNotPrinting() const {
    if (printing_) RaiseError(Trans(SReportPrinting));
}

TPrintCanvas& TBaseReport::Canvas() {
    if (!Device().Printing()) RaiseError(Trans(SCanvasNotActive));
    return Device().Canvas();
}

bool TBaseReport::DoPrintPage() {
    if (!OnPrintPage) return false;
    return OnPrintPage(*this, currentPage_);
}

void TBaseReport::DoBeforePrint() {
    if (OnBeforePrint) OnBeforePrint(*this);
    if (!(currentOrientation_ == poDefault && wantedOrientation_ == poDefault)) ApplyOrientation();
}

void TBaseReport::Execute() {
    try {
        ApplyOrientation();
        if (!Start()) return;
        if (!OnPrint && OnPrintPage) {
            while (DoPrintPage()) NewPage();
        } else {
            DoPrint();
        }
        Finish();
    } catch (Exception& failure) {
        // What the abort could not drop (a queue's job left held) is told after the failure.
        if (const std::string left = AbortJob(); !left.empty()) failure.Message += "\r" + left;
        throw;
    } catch (...) {
        AbortJob();
        throw;
    }
}

std::string TBaseReport::AbortJob() {
    std::string left;
    if (Device().Printing()) {
        try {
            Device().AbortDoc();
        } catch (const std::exception& e) {
            left = e.what();
        } catch (...) {
            // The job's own failure is the one to report.
        }
    }
    FreeJobState();
    printing_ = false;
    return left;
}

void TBaseReport::FreeJobState() {
    fontStack_.clear();
    posStack_.clear();
    fontRealised_ = false;
}

void TBaseReport::NewPage() {
    ApplyOrientation();
    RequirePrinting();
    ++currentPage_;
    ExpandStatusFormat();
    noOutput_ = !PageInSelection(currentPage_);
    originX_ = originY_ = 0;
    ResetTabs();
    SetMarginBottom(GetMarginBottom());
    SetMarginRight(GetMarginRight());
    sL_ = pageLeft_;
    sR_ = pageRight_;
    sT_ = pageTop_;
    sB_ = pageBottom_;
    if (columns_ <= 1) columnWidth_ = sR_ - sL_;
    Home();
}

void TBaseReport::AbortPage() {
    RequirePrinting();
    if (!noOutput_) {
        noOutput_ = true;
        --currentPage_;
    }
}

bool TBaseReport::PageInSelection(int page) const {
    if (Selection.empty()) return page >= FirstPage && page <= LastPage;
    std::string item;
    bool haveStart = false;
    int start = 0;
    bool result = false;
    std::string text = Selection + ",";
    for (char c : text) {
        if (c == '-') {
            start = item.empty() ? 1 : StrToInt(item);
            haveStart = true;
            item.clear();
        } else if (c == ',') {
            std::string u = UpperCase(Trim(item));
            item.clear();
            if (u == "E" || u == "EVEN") {
                result = page % 2 == 0;
            } else if (u == "O" || u == "ODD") {
                result = page % 2 != 0;
            } else if (u == "R") {
            } else if (u == "A" || u == "ALL") {
                result = true;
            } else if (u.empty()) {
                if (haveStart) result = page >= start;
            } else {
                int n = StrToInt(u);
                result = haveStart ? (page >= start && page <= n) : page == n;
            }
            haveStart = false;
            if (result) return true;
        } else {
            item += c;
        }
    }
    return result;
}

std::string TBaseReport::ExpandStatusFormat() {
    if (!StatusLabel) return {};
    std::string s = StatusFormat;
    size_t i = s.find('%');
    while (i != std::string::npos && i + 1 < s.size()) {
        char c = UpCase(s[i + 1]);
        std::string r;
        switch (c) {
            case '%':
                r = "%";
                break;
            case 'P':
                r = IntToStr(currentPage_);
                break;
            case 'F':
                r = IntToStr(FirstPage);
                break;
            case 'L':
                r = IntToStr(LastPage);
                break;
            case 'C':
            case 'S':
                r = "1";
                break;
            case 'D':
                r = Device().DeviceName();
                break;
            case 'R':
                r = Device().DriverName();
                break;
            case 'T':
                r = Device().PortName();
                break;
            case 'N':
                r = "\r";
                break;
            default:
                if (c >= '0' && c <= '9') {
                    size_t line = size_t(c - '0');
                    if (line < StatusText.size()) r = StatusText[line];
                } else {
                    r = std::string("<ERROR-%") + c + ">";
                }
        }
        s.replace(i, 2, r);
        i = s.find('%', i + r.size());
    }
    StatusLabel(s);
    return s;
}

void TBaseReport::AddPageHook(int kind, TPageHook hook) {
    auto& list = kind == 0 ? pageStartHooks_ : pageEndHooks_;
    list.insert(list.begin(), std::move(hook));
}

void TBaseReport::RunHooks(int kind) {
    auto hooks = kind == 0 ? pageStartHooks_ : pageEndHooks_;
    for (auto& hook : hooks) hook(*this);
}

void TBaseReport::RefreshGeometry() {
    uLeft_ = uRight_ = uTop_ = uBottom_ = 0;
    TRPBaseDevice& d = Device();
    if (HasPrinter()) {
        d.ApplyPendingChanges();
        xdpi_ = d.XDPI();
        ydpi_ = d.YDPI();
        int l, t, r, b;
        d.GetUnprintableMargins(l, t, r, b);
        uLeft_ = l / xdpi_;
        uRight_ = r / xdpi_;
        uTop_ = t / ydpi_;
        uBottom_ = b / ydpi_;
    } else {
        xdpi_ = d.XDPI();
        ydpi_ = d.YDPI();
    }
    if (xdpi_ <= 0) xdpi_ = 96;
    if (ydpi_ <= 0) ydpi_ = 96;
}

void TBaseReport::RecalcPage() {
    RequireNotPrinting();
    RefreshGeometry();
    SetMarginLeft(GetMarginLeft());
    SetMarginRight(GetMarginRight());
    SetMarginTop(GetMarginTop());
    SetMarginBottom(GetMarginBottom());
    sL_ = pageLeft_;
    sR_ = pageRight_;
    sT_ = pageTop_;
    sB_ = pageBottom_;
}

double TBaseReport::PageWidth() {
    if (!HasPrinter()) return 8.5 * unitsFactor_;
    return (Device().PageWidth() / xdpi_ + uLeft_ + uRight_) * unitsFactor_;
}

double TBaseReport::PageHeight() {
    if (!HasPrinter()) return 11.0 * unitsFactor_;
    return (Device().PageHeight() / ydpi_ + uTop_ + uBottom_) * unitsFactor_;
}

void TBaseReport::SetMarginLeft(double v) {
    double w = v / unitsFactor_;
    pageLeft_ = sL_ = w;
    if (x_ < w) x_ = w;
    marginLeft_ = w;
}

void TBaseReport::SetMarginTop(double v) {
    double w = v / unitsFactor_;
    pageTop_ = sT_ = w;
    if (y_ < w) y_ = w;
    marginTop_ = w;
}

void TBaseReport::SetMarginRight(double v) {
    double w = v / unitsFactor_;
    pageRight_ = sR_ = PageWidth() / unitsFactor_ - w;
    if (x_ > sR_) x_ = sR_;
    marginRight_ = w;
}

void TBaseReport::SetMarginBottom(double v) {
    double w = v / unitsFactor_;
    pageBottom_ = sB_ = PageHeight() / unitsFactor_ - w;
    if (y_ > sB_) y_ = sB_;
    marginBottom_ = w;
}

void TBaseReport::ResetState() {
    TPrintCanvas& c = Canvas();
    c.Brush().SetColor(clBlack);
    c.Brush().SetStyle(TBrushStyle::bsClear);
    c.Pen().SetColor(clBlack);
    c.Pen().SetStyle(TPenStyle::psSolid);
    c.Pen().SetMode(TPenMode::pmCopy);
    c.Pen().SetWidth(1);
    originX_ = originY_ = 0;
    columns_ = 1;
    column_ = 1;
    columnSpacing_ = 0;
    sL_ = pageLeft_;
    sR_ = pageRight_;
    sT_ = pageTop_;
    sB_ = pageBottom_;
    columnWidth_ = sR_ - sL_;
    ResetTabs();
    posStack_.clear();
    x_ = sL_;
    y_ = sT_;
    fontRealised_ = false;
    Home();
}

// ---- cursor and lines ----

int TBaseReport::XDI(double inches) const {
    return RoundToDevice((inches * scaleX_ * zoom_ / 10000 - uLeft_) * xdpi_) + devOffX_;
}

int TBaseReport::YDI(double inches) const {
    return RoundToDevice((inches * scaleY_ * zoom_ / 10000 - uTop_) * ydpi_) + devOffY_;
}

int TBaseReport::XD(double x) const {
    return XDI(x / unitsFactor_ + originX_);
}

int TBaseReport::YD(double y) const {
    return YDI(y / unitsFactor_ + originY_);
}

void TBaseReport::SetLineHeight(double v) {
    if (v <= 0) return;
    lineHeight_ = v / unitsFactor_;
}

void TBaseReport::SetLineTop(double v) {
    y_ = v / unitsFactor_ + lineHeight_ - font_.Descent;
}

void TBaseReport::GotoLine(int n) {
    lineNum_ = n;
    UpdateLineHeight();
    ResetTabs();
    x_ = ColumnX(column_);
    y_ = n * lineHeight_ + sT_ - font_.Descent;
}

void TBaseReport::SetColumn(int n) {
    column_ = n;
    x_ = ColumnX(n);
    ResetTabs();
}

void TBaseReport::SetColumns(int count, double spacing) {
    if (count < 1) count = 1;
    columns_ = count;
    columnSpacing_ = spacing / unitsFactor_;
    columnWidth_ = (sR_ - sL_ - (count - 1) * columnSpacing_) / count;
    SetColumn(1);
}

void TBaseReport::Home() {
    SetColumn(1);
    GotoLine(1);
}

void TBaseReport::UpdateLineHeight() {
    if (!printing_) return;
    if (!fontRealised_) SelectFont();
    switch (lineHeightMethod_) {
        case lhmLinesPerInch:
            lineHeight_ = 1.0 / linesPerInch_;
            break;
        case lhmFont:
            lineHeight_ = font_.Size / 60.0;
            break;
        case lhmUser:
            break;
    }
}

void TBaseReport::NewLine() {
    if (column_ < columns_ && LinesLeft() < 2) {
        GotoLine(1);
        SetColumn(column_ + 1);
        DoNewColumn();
    } else {
        x_ = ColumnX(column_);
        UpdateLineHeight();
        ++lineNum_;
        y_ += lineHeight_;
    }
    ResetTabs();
    if (y_ + font_.Descent >= sB_ - kEpsilon) DoEndOfSection();
    AfterNewLine();
}

int TBaseReport::LinesLeft() {
    double b = y_ + font_.Descent;
    if (b > sB_ + kEpsilon) return 0;
    if (lineHeight_ <= 0) return 1;
    return int(std::trunc((sB_ - b + kEpsilon) / lineHeight_)) + 1;
}

void TBaseReport::Print(const std::string& text) {
    if (text.find('\t') == std::string::npos) {
        TextCore(text);
        return;
    }
    std::string rest = text;
    size_t tab;
    while ((tab = rest.find('\t')) != std::string::npos) {
        if (tab > 0) TextCore(rest.substr(0, tab));
        rest.erase(0, tab + 1);
        Tab(TabNone, TabNone, TabNone, TabNone, TabNone);
    }
    TextCore(rest);
}

void TBaseReport::PrintLn(const std::string& text) {
    Print(text);
    NewLine();
}

void TBaseReport::TextCore(const std::string& text) {
    if (tabReached_ && tabIndex_ >= 0 && tabIndex_ < int(tabs_.size())) {
        const TTabStop& stop = tabs_[size_t(tabIndex_)];
        double x = (column_ - 1) * (columnWidth_ + columnSpacing_) + stop.Pos;
        uint8_t j = TabJustify != pjNone ? TabJustify : stop.Justify;
        tabReached_ = false;
        PrintJustify(text, x * unitsFactor_, j, stop.Width * unitsFactor_,
                     stop.Margin * unitsFactor_);
        return;
    }
    PrintLeft(text, XPos());
}

void TBaseReport::PrintJustify(const std::string& text, double x, uint8_t justify, double width,
                               double margin) {
    switch (justify) {
        case pjCenter:
            PrintCenter(text, x + width / 2);
            break;
        case pjRight:
            PrintRight(text, x + width - margin);
            break;
        case pjBlock:
            PrintBlock(text, x + margin, width - 2 * margin);
            break;
        default:
            PrintLeft(text, x + margin);
            break;
    }
}

void TBaseReport::ResetTabs() {
    tabIndex_ = -1;
    tabReached_ = false;
}

void TBaseReport::SetTab(double pos, TPrintJustify justify, double width, double margin, int boxes,
                         int shade) {
    TTabStop t;
    t.Pos = pos / unitsFactor_;
    t.Justify = justify;
    t.Width = width / unitsFactor_;
    t.Margin = margin / unitsFactor_;
    t.Shade = uint8_t(shade < 0 ? 0 : shade > 100 ? 100 : shade);
    for (int i = 0; i < 4; ++i) t.Box[size_t(i)] = (boxes >> i) & 1;
    tabs_.push_back(t);
}

void TBaseReport::Tab(int left, int right, int top, int bottom, int shade) {
    RequirePrinting();
    if (tabs_.empty()) {
        // No stops: the next multiple of the default spacing from the section's left.
        double sp = DefaultTabSpacing() / unitsFactor_;
        double n = std::floor((x_ - sL_) / sp + kEpsilon) + 1;
        x_ = sL_ + n * sp;
        return;
    }
    ++tabIndex_;
    if (tabIndex_ >= int(tabs_.size())) {
        tabIndex_ = -1;
        tabReached_ = false;
        return;
    }
    tabReached_ = true;
    const TTabStop& stop = tabs_[size_t(tabIndex_)];
    double cellX = (column_ - 1) * (columnWidth_ + columnSpacing_) + stop.Pos;
    x_ = cellX + stop.Margin;
    if (stop.Width <= 0 || !PageIsOutput()) return;
    double uf = unitsFactor_;
    double x1 = cellX * uf, x2 = (cellX + stop.Width) * uf;
    double yTop = LineTop(), bot = LineBottom();
    int s = shade != TabNone ? shade : stop.Shade != 0 ? stop.Shade : tabShade_;
    if (s != 0) {
        TPrintCanvas& c = Canvas();
        TPen pen = c.Pen();
        TBrush brush = c.Brush();
        c.Brush().SetColor(ShadeColor(brush.Color(), s));
        c.Brush().SetStyle(TBrushStyle::bsSolid);
        c.Pen().SetStyle(TPenStyle::psClear);
        TabRectangle(x1, yTop, x2, bot);
        c.Pen() = pen;
        c.Brush() = brush;
    }
    // Sides: left, right, top, bottom.
    const int args[4] = {left, right, top, bottom};
    const bool own[4] = {stop.Box[0], stop.Box[2], stop.Box[1], stop.Box[3]};
    for (int side = 0; side < 4; ++side) {
        int a = args[side];
        if (a == 0 || (a == TabNone && !own[side])) continue;
        TPrintCanvas& c = Canvas();
        TPen saved = c.Pen();
        if (a != TabNone) c.Pen().SetWidth(PenPixels(a));
        switch (side) {
            case 0:
                MoveTo(x1, yTop);
                LineTo(x1, bot);
                break;
            case 1:
                MoveTo(x2, yTop);
                LineTo(x2, bot);
                break;
            case 2:
                MoveTo(x1, yTop);
                LineTo(x2, yTop);
                break;
            default:
                MoveTo(x1, bot);
                LineTo(x2, bot);
                break;
        }
        c.Pen() = saved;
    }
}

void TBaseReport::TabPrint(const std::string& text) {
    Tab(TabNone, TabNone, TabNone, TabNone, TabNone);
    std::string s = text;
    if (tabIndex_ >= 0) {
        const TTabStop& stop = tabs_[size_t(tabIndex_)];
        double room = (stop.Width - 2 * stop.Margin) * unitsFactor_;
        while (!s.empty() && TextWidth(s) > room + kEpsilon) s.pop_back();
    }
    Print(s);
}

int TBaseReport::TextWidthPixels(const std::string& text) {
    if (text.empty()) return 1;
    SelectFont();
    int w = Device().TextWidth(text);
    return w > 0 ? w : 1;
}

TSize TBaseReport::TextExtent(const std::string& text) {
    if (text.empty()) return {};
    SelectFont();
    return {Device().Canvas().TextWidth(text), Device().Canvas().TextMetrics().Height};
}

double TBaseReport::TextWidth(const std::string& text) {
    int px =
        text.find('\x01') != std::string::npos ? RPTFTextWidth(*this, text) : TextWidthPixels(text);
    return px * scaleX_ / (xdpi_ * 100) * unitsFactor_;
}

void TBaseReport::PrintMemo(TBaseMemoBuf& memo, int lines, bool printTail) {
    RequirePrinting();
    memo.SetBaseReport(this);
    memo.PrintLines(lines, printTail);
}

// ---- fonts ----

void TBaseReport::ApplyFontToCanvas(TPrintCanvas& c) {
    TFont& f = c.Font();
    f.SetName(font_.Name);
    double px = ydpi_ * font_.Size / 72 * scaleY_ * zoom_ / 10000;
    if (font_.Subscript || font_.Superscript) px = px * 2 / 3;
    // From one pixel to the tallest glyph a font engine draws (a page at any resolution is
    // smaller): an RTF size of billions of points gets the largest font, never a wrapped one.
    f.SetHeight(-std::clamp(RoundToDevice(px), 1, MaxFontPixels));
    TFontStyles s = 0;
    if (font_.Bold) s |= fsBold;
    if (font_.Italic) s |= fsItalic;
    if (font_.Underline) s |= fsUnderline;
    if (font_.Strikeout) s |= fsStrikeOut;
    f.SetStyle(s);
    f.SetColor(font_.Color);
    f.SetPitch(font_.Pitch);
    f.SetCharset(font_.Charset);
    c.SetFontRotation(font_.Rotation);
}

void TBaseReport::SelectFont() {
    TPrintCanvas& c = Device().Canvas();
    ApplyFontToCanvas(c);
    if (fontRealised_) return;
    fontRealised_ = true;
    TTextMetric m = c.TextMetrics();
    double k = 10000.0 / (ydpi_ * scaleY_ * zoom_);
    if (m.Ascent + m.Descent > 0) {
        font_.Ascent = m.Ascent * k;
        font_.Descent = m.Descent * k;
    } else {
        font_.Ascent = font_.Descent = font_.Height / 2;
    }
    if (font_.Subscript || font_.Superscript) {
        font_.Ascent /= 2;
        font_.Descent /= 2;
    }
}

void TBaseReport::FontChanged() {
    if (fontSuspended_) return;
    fontRealised_ = false;
    if (!printing_) {
        font_.Ascent = font_.Descent = font_.Height / 2;
        return;
    }
    // The baseline stays: text of several sizes on one line shares it.
    UpdateLineHeight();
}

void TBaseReport::ApplyFont(const TReportFont& font) {
    double ascent = font_.Ascent, descent = font_.Descent;
    font_ = font;
    font_.Ascent = ascent;
    font_.Descent = descent;
    FontChanged();
}

void TBaseReport::SetFont(const std::string& name, double size) {
    if (size <= 0) return;
    fontSuspended_ = true;
    font_.Name = name.substr(0, 63);
    font_.Color = clBlack;
    font_.Pitch = TFontPitch::fpDefault;
    font_.Charset = 1;
    font_.Size = size;
    font_.Height = size / 72;
    font_.Bold = font_.Italic = font_.Underline = font_.Strikeout = false;
    font_.Subscript = font_.Superscript = false;
    font_.Rotation = 0;
    font_.TextVPos = 0;
    fontSuspended_ = false;
    FontChanged();
}

void TBaseReport::SetFontName(const std::string& name) {
    font_.Name = name.substr(0, 63);
    FontChanged();
}

void TBaseReport::SetFontSize(double points) {
    if (points <= 0) return;
    font_.Size = points;
    font_.Height = points / 72;
    FontChanged();
}

void TBaseReport::SetFontHeight(double height) {
    if (height <= 0) return;
    SetFontSize(height / unitsFactor_ * 72);
}

void TBaseReport::SetFontColor(TColor color) {
    ChangeFont(&TReportFont::Color, color);
}

void TBaseReport::SetFontPitch(TFontPitch pitch) {
    ChangeFont(&TReportFont::Pitch, pitch);
}

void TBaseReport::SetFontCharset(uint8_t charset) {
    ChangeFont(&TReportFont::Charset, charset);
}

void TBaseReport::SetFontRotation(int degrees) {
    ChangeFont(&TReportFont::Rotation, ((degrees % 360) + 360) % 360);
}

void TBaseReport::SetBold(bool on) {
    ChangeFont(&TReportFont::Bold, on);
}

void TBaseReport::SetItalic(bool on) {
    ChangeFont(&TReportFont::Italic, on);
}

void TBaseReport::SetUnderline(bool on) {
    ChangeFont(&TReportFont::Underline, on);
}

void TBaseReport::SetStrikeout(bool on) {
    ChangeFont(&TReportFont::Strikeout, on);
}

void TBaseReport::SetSubscript(bool on) {
    font_.Subscript = on;
    if (on) font_.Superscript = false;
    FontChanged();
}

void TBaseReport::SetSuperscript(bool on) {
    font_.Superscript = on;
    if (on) font_.Subscript = false;
    FontChanged();
}

void TBaseReport::SetTextVPos(uint8_t pos) {
    font_.TextVPos = pos > 2 ? 0 : pos;
    FontChanged();
}

bool TBaseReport::SaveFont(int slot) {
    if (slot < 1 || slot > 10) return false;
    fontSlots_[size_t(slot - 1)] = font_;
    return true;
}

bool TBaseReport::RestoreFont(int slot) {
    if (slot < 1 || slot > 10) return false;
    ApplyFont(fontSlots_[size_t(slot - 1)]);
    return true;
}

void TBaseReport::PushFont() {
    fontStack_.push_back(font_);
}

bool TBaseReport::PopFont() {
    if (fontStack_.empty()) return false;
    TReportFont f = fontStack_.back();
    fontStack_.pop_back();
    ApplyFont(f);
    return true;
}

void TBaseReport::PushPos() {
    posStack_.emplace_back(x_, y_);
}

bool TBaseReport::PopPos() {
    if (posStack_.empty()) return false;
    x_ = posStack_.back().first;
    y_ = posStack_.back().second;
    posStack_.pop_back();
    return true;
}

int TBaseReport::PenPixels(int width) const {
    if (width >= 0) return width;
    double inches = width >= -10000 ? -width / 100.0 : (-width - 10000) / 10000.0;
    int px = RoundToDevice(inches * xdpi_ * scaleX_ * zoom_ / 10000);
    return px < 1 ? 1 : px;
}

void TBaseReport::SetPen(TColor color, TPenStyle style, TPenMode mode, int width) {
    TPrintCanvas& c = Canvas();
    c.Pen().SetColor(color);
    c.Pen().SetStyle(style);
    c.Pen().SetMode(mode);
    c.Pen().SetWidth(PenPixels(width));
}

void TBaseReport::SetBrush(TColor color, TBrushStyle style, const TBitmap*) {
    TPrintCanvas& c = Canvas();
    c.Brush().SetColor(color);
    c.Brush().SetStyle(style);
}

void TBaseReport::SetBKColor(TColor color) {
    RequirePrinting();
    Canvas().SetBkColor(color);
}
