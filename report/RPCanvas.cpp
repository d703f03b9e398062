#include "RPCanvas.h"

#include <algorithm>
#include <cmath>

#include "RPRPTF.h"
#include "platform/Streams.h"

namespace {

constexpr double kSame = 0.0001;  // inches: line ends this close meet
constexpr int kLeft = 0, kRight = 1, kCenter = 2;

// The pixels of `source` inside the bitmap as a bitmap of their own.
TBitmap PartOf(const TBitmap& bitmap, const TRect& source) {
    TBitmap part(std::max(source.Width(), 0), std::max(source.Height(), 0));
    if (!part.Empty()) part.Canvas().CopyRect({0, 0, part.Width(), part.Height()}, bitmap, source);
    return part;
}

}  // namespace

TCanvasReport::TCanvasReport(TComponent* owner) : TBaseReport(owner) {
    AddPageHook(1, [this](TBaseReport&) { DrawSegments(); });
}

bool TCanvasReport::Drawing() {
    RequirePrinting();
    return PageIsOutput();
}

void TCanvasReport::FreeJobState() {
    TBaseReport::FreeJobState();
    hLines_.clear();
    vLines_.clear();
}

// ---- text ----

void TCanvasReport::TextOut(const std::string& text, double x, int mode) {
    int wpx = text.empty() ? 0 : TextWidthPixels(text);
    if (Drawing() && !text.empty()) {
        TPrintCanvas& c = Canvas();
        SelectFont();
        c.SetBkOpaque(TextBKMode() == bkOpaque);
        unsigned saved = c.TextAlign();
        const TReportFont& f = BaseFont();
        unsigned vert;
        int yd;
        if (f.Superscript) {
            vert = TA_TOP;
            yd = YD((LineTop() + LineBottom() - LineHeight()) / 2);
        } else if (f.Subscript || f.TextVPos == 2) {
            vert = TA_BOTTOM;
            yd = YD(LineBottom()) + 1;
        } else if (f.TextVPos == 1) {
            vert = TA_TOP;
            yd = YD(LineTop());
        } else {
            vert = TA_BASELINE;
            yd = YD(YPos()) + 1;
        }
        int xd = XD(x);
        int left = mode == kRight ? xd - wpx : mode == kCenter ? xd - wpx / 2 : xd;
        c.SetTextAlign(TA_LEFT | vert);
        c.TextOut(left, yd, text);
        c.SetTextAlign(saved);
    }
    double advance = wpx / xdpi_ * 10000 / (ScaleX() * zoom_);  // inches
    double angle = BaseFont().Rotation * M_PI / 180;
    double start = x / UnitsFactor();
    if (mode == kRight) {
        x_ = start;
        return;
    }
    if (mode == kCenter) advance /= 2;
    x_ = start + advance * std::cos(angle);
    y_ -= advance * std::sin(angle);
}

void TCanvasReport::PrintLeft(const std::string& text, double x) {
    RequirePrinting();
    bool rptf = !NoRPTF && text.find(RPTFPrefix) != std::string::npos;
    if (!rptf && text.find('\t') == std::string::npos) {
        TextOut(text, x, kLeft);
        return;
    }
    // Segment by segment; a tab moves on to the next multiple of the default spacing from x.
    double origin = x;
    double spacing = DefaultTabSpacing();
    double xi = x;
    size_t pos = 0;
    std::string visible, commands;
    bool any = false;
    while (rptf ? NextRPTFSegment(text, pos, visible, commands) : !any) {
        if (!rptf) visible = text;
        any = true;
        if (!commands.empty()) ApplyRPTFToReport(*this, commands);
        size_t start = 0;
        while (true) {
            size_t t = visible.find('\t', start);
            std::string piece =
                visible.substr(start, t == std::string::npos ? std::string::npos : t - start);
            if (!piece.empty()) {
                TextOut(piece, xi, kLeft);
                xi = XPos();
            }
            if (t == std::string::npos) break;
            xi = origin + (std::floor((xi - origin) / spacing + 1e-9) + 1) * spacing;
            SetXPos(xi);
            start = t + 1;
        }
    }
}

void TCanvasReport::PrintCenter(const std::string& text, double x) {
    RequirePrinting();
    if (!NoRPTF && text.find(RPTFPrefix) != std::string::npos) {
        double w = RPTFTextWidth(*this, text) / (xdpi_ * ScaleX() / 100) * UnitsFactor();
        PrintLeft(text, x - w / 2);
        return;
    }
    TextOut(text, x, kCenter);
}

void TCanvasReport::PrintRight(const std::string& text, double x) {
    RequirePrinting();
    if (!NoRPTF && text.find(RPTFPrefix) != std::string::npos) {
        double w = RPTFTextWidth(*this, text) / (xdpi_ * ScaleX() / 100) * UnitsFactor();
        PrintLeft(text, x - w);
        SetXPos(x);
        return;
    }
    TextOut(text, x, kRight);
}

void TCanvasReport::PrintBlock(const std::string& text, double x, double width) {
    RequirePrinting();
    // Words are split at blanks outside command blocks.
    std::vector<std::string> words(1);
    int gaps = 0;
    bool inBlock = false;
    for (char c : text) {
        if (c == RPTFPrefix) inBlock = true;
        if (c == RPTFSuffix) inBlock = false;
        if (c == ' ' && !inBlock) {
            ++gaps;
            words.emplace_back();
        } else {
            words.back() += c;
        }
    }
    double spare = width * ScaleX() * zoom_ / 10000 - TextWidth(text);
    if (spare < 0 || gaps == 0) {
        PrintLeft(text, x);
        return;
    }
    double space = TextWidth(" ") * 100 / ScaleX();
    double extra = spare / gaps * 100 / ScaleX();
    double xi = x;
    for (size_t i = 0; i < words.size(); ++i) {
        if (!words[i].empty()) {
            PrintLeft(words[i], xi);
            xi = XPos();
        }
        if (i + 1 < words.size()) xi += space + extra;
    }
    SetXPos(xi);
}

void TCanvasReport::TextRect(const TRect& r, double x, double y, const std::string& text) {
    if (!Drawing()) return;
    TPrintCanvas& c = Canvas();
    SelectFont();
    unsigned saved = c.TextAlign();
    bool opaque = c.BkOpaque();
    TColor bk = c.BkColor();
    c.SetTextAlign(TA_LEFT | TA_BASELINE);
    c.SetBkOpaque(c.Brush().Style() != TBrushStyle::bsClear);
    c.SetBkColor(c.Brush().Color());
    c.TextRect(r, XD(x), YD(y), text);
    c.SetTextAlign(saved);
    c.SetBkOpaque(opaque);
    c.SetBkColor(bk);
}

void TCanvasReport::PassThrough(const std::string& text) {
    if (Drawing()) Device().PassThrough(text.data(), int(text.size()));
}

void TCanvasReport::PassThroughStream(TStream& stream, int64_t count) {
    if (!Drawing()) return;
    if (count <= 0) count = stream.Size() - stream.Position();
    char buf[4096];
    while (count > 0) {
        int64_t got = stream.Read(buf, std::min<int64_t>(count, sizeof buf));
        if (got <= 0) break;
        Device().PassThrough(buf, int(got));
        count -= got;
    }
}

// ---- lines ----

void TCanvasReport::MoveTo(double x, double y) {
    RequirePrinting();
    penX_ = x / UnitsFactor() + originX_;
    penY_ = y / UnitsFactor() + originY_;
    if (directLines_ && PageIsOutput()) Canvas().MoveTo(XDI(penX_), YDI(penY_));
}

void TCanvasReport::LineTo(double x, double y) {
    bool drawing = Drawing();
    double nx = x / UnitsFactor() + originX_, ny = y / UnitsFactor() + originY_;
    if (drawing) {
        if (directLines_) {
            Canvas().LineTo(XDI(nx), YDI(ny));
        } else if (std::fabs(nx - penX_) < kSame) {
            AddSegment(vLines_, nx, penY_, ny);
        } else if (std::fabs(ny - penY_) < kSame) {
            AddSegment(hLines_, ny, penX_, nx);
        } else {
            TPrintCanvas& c = Canvas();
            c.MoveTo(XDI(penX_), YDI(penY_));
            c.LineTo(XDI(nx), YDI(ny));
        }
    }
    penX_ = nx;
    penY_ = ny;
}

void TCanvasReport::AddSegment(std::vector<TSegment>& list, double fixed, double a, double b) {
    const TPen& pen = Canvas().Pen();
    TSegment s{fixed,      std::min(a, b), std::max(a, b), pen.Color(),
               pen.Mode(), pen.Style(),    pen.Width()};
    for (size_t i = 0; i < list.size();) {
        const TSegment& o = list[i];
        bool same = std::fabs(o.Fixed - s.Fixed) < kSame && o.Color == s.Color &&
                    o.Mode == s.Mode && o.Style == s.Style && o.Width == s.Width;
        if (!same) {
            ++i;
            continue;
        }
        bool coversLow = o.Low <= s.Low + kSame && o.High >= s.Low - kSame;
        bool coversHigh = o.Low <= s.High + kSame && o.High >= s.High - kSame;
        if (coversLow && coversHigh) return;  // already drawn
        if (coversLow) {
            s.Low = o.Low;
        } else if (coversHigh) {
            s.High = o.High;
        } else if (!(o.Low >= s.Low - kSame && o.High <= s.High + kSame)) {
            ++i;
            continue;
        }
        list.erase(list.begin() + std::ptrdiff_t(i));
    }
    list.push_back(s);
}

void TCanvasReport::DrawSegments() {
    if (hLines_.empty() && vLines_.empty()) return;
    if (!Device().Printing()) {
        hLines_.clear();
        vLines_.clear();
        return;
    }
    TPrintCanvas& c = Canvas();
    TPen pen = c.Pen();
    TBrush brush = c.Brush();
    auto draw = [&](const std::vector<TSegment>& list, bool horizontal) {
        for (const TSegment& s : list) {
            c.Pen().SetColor(s.Color);
            c.Pen().SetMode(s.Mode);
            c.Pen().SetStyle(s.Style);
            c.Pen().SetWidth(s.Width);
            if (horizontal)
                c.Line(XDI(s.Low), YDI(s.Fixed), XDI(s.High), YDI(s.Fixed));
            else
                c.Line(XDI(s.Fixed), YDI(s.Low), XDI(s.Fixed), YDI(s.High));
        }
    };
    draw(hLines_, true);
    draw(vLines_, false);
    hLines_.clear();
    vLines_.clear();
    c.Pen() = pen;
    c.Brush() = brush;
}

// ---- shapes ----

TRect TCanvasReport::DeviceRect(double x1, double y1, double x2, double y2) {
    int a = XD(x1), b = YD(y1), c = XD(x2), d = YD(y2);
    return {std::min(a, c), std::min(b, d), std::max(a, c), std::max(b, d)};
}

void TCanvasReport::TabRectangle(double x1, double y1, double x2, double y2) {
    if (!Drawing()) return;
    TRect r = DeviceRect(x1, y1, x2, y2);
    ++r.Right;
    ++r.Bottom;
    Canvas().Rectangle(r);
}

namespace {

// Places a pen's width on a shape's bounds: clear pens and inside frames stay within them.
TRect FramedRect(TRect r, const TPen& pen, uint8_t frameMode) {
    if (pen.Style() == TPenStyle::psClear || pen.Style() == TPenStyle::psInsideFrame ||
        frameMode == 1)
        return r;
    int w = pen.Width(), half = w / 2;
    int nearOut = frameMode == 0 ? half : w - half, farOut = w - nearOut;
    return {r.Left - nearOut, r.Top - nearOut, r.Right + farOut, r.Bottom + farOut};
}

}  // namespace

void TCanvasReport::Rectangle(double x1, double y1, double x2, double y2) {
    if (!Drawing()) return;
    Canvas().Rectangle(FramedRect(DeviceRect(x1, y1, x2, y2), Canvas().Pen(), frameMode_));
}

void TCanvasReport::Ellipse(double x1, double y1, double x2, double y2) {
    if (!Drawing()) return;
    Canvas().Ellipse(FramedRect(DeviceRect(x1, y1, x2, y2), Canvas().Pen(), frameMode_));
}

void TCanvasReport::RoundRect(double x1, double y1, double x2, double y2, double x3, double y3) {
    if (!Drawing()) return;
    int rw = RoundToDevice(x3 / UnitsFactor() * ScaleX() * zoom_ / 10000 * xdpi_);
    int rh = RoundToDevice(y3 / UnitsFactor() * ScaleY() * zoom_ / 10000 * ydpi_);
    Canvas().RoundRect(DeviceRect(x1, y1, x2, y2), rw, rh);
}

void TCanvasReport::Arc(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                        double y4) {
    if (!Drawing()) return;
    Canvas().ArcShape(TPrintCanvas::TArcKind::Arc, DeviceRect(x1, y1, x2, y2), {XD(x3), YD(y3)},
                      {XD(x4), YD(y4)});
}

void TCanvasReport::Chord(double x1, double y1, double x2, double y2, double x3, double y3,
                          double x4, double y4) {
    if (!Drawing()) return;
    Canvas().ArcShape(TPrintCanvas::TArcKind::Chord, DeviceRect(x1, y1, x2, y2), {XD(x3), YD(y3)},
                      {XD(x4), YD(y4)});
}

void TCanvasReport::Pie(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                        double y4) {
    if (!Drawing()) return;
    Canvas().ArcShape(TPrintCanvas::TArcKind::Pie, DeviceRect(x1, y1, x2, y2), {XD(x3), YD(y3)},
                      {XD(x4), YD(y4)});
}

void TCanvasReport::Polygon(const std::vector<std::pair<double, double>>& points) {
    if (!Drawing()) return;
    std::vector<TPoint> d;
    for (const auto& p : points) d.push_back({XD(p.first), YD(p.second)});
    Canvas().Polygon(d);
}

void TCanvasReport::Polyline(const std::vector<std::pair<double, double>>& points) {
    if (!Drawing()) return;
    std::vector<TPoint> d;
    for (const auto& p : points) d.push_back({XD(p.first), YD(p.second)});
    Canvas().Polyline(d);
}

void TCanvasReport::FillRect(double x1, double y1, double x2, double y2) {
    if (Drawing()) Canvas().FillRect(DeviceRect(x1, y1, x2, y2));
}

void TCanvasReport::FrameRect(double x1, double y1, double x2, double y2) {
    if (Drawing()) Canvas().FrameRect(DeviceRect(x1, y1, x2, y2));
}

void TCanvasReport::DrawFocusRect(double x1, double y1, double x2, double y2) {
    if (Drawing()) Canvas().DrawFocusRect(DeviceRect(x1, y1, x2, y2));
}

void TCanvasReport::Draw(double x, double y, const TBitmap& bitmap) {
    PrintBitmap(x, y, 1, 1, bitmap);
}

void TCanvasReport::StretchDraw(double x1, double y1, double x2, double y2, const TBitmap& bitmap) {
    PrintBitmapRect(x1, y1, x2, y2, bitmap);
}

void TCanvasReport::BrushCopy(double x1, double y1, double x2, double y2, const TBitmap& bitmap,
                              const TRect& source, TColor color) {
    if (!Drawing()) return;
    TBitmap part = PartOf(bitmap, source);
    const TColor brush = ColorToRGB(Canvas().Brush().Color()), replaced = ColorToRGB(color);
    for (int y = 0; y < part.Height(); ++y)
        for (int x = 0; x < part.Width(); ++x)
            if (part.Pixel(x, y) == replaced) part.Canvas().SetPixel(x, y, brush);
    Canvas().StretchDraw(DeviceRect(x1, y1, x2, y2), part);
}

void TCanvasReport::CopyRect(double x1, double y1, double x2, double y2, const TBitmap& bitmap,
                             const TRect& source) {
    if (Drawing()) Canvas().StretchDraw(DeviceRect(x1, y1, x2, y2), PartOf(bitmap, source));
}

void TCanvasReport::PrintBitmap(double x, double y, double scaleX, double scaleY,
                                const TBitmap& bitmap) {
    if (!Drawing()) return;
    // Bitmaps are taken at 96 pixels per inch.
    double fx = scaleX * xdpi_ / 96 * ScaleX() * zoom_ / 10000;
    double fy = scaleY * ydpi_ / 96 * ScaleY() * zoom_ / 10000;
    Canvas().Draw(XD(x), YD(y), fx, fy, bitmap);
}

void TCanvasReport::PrintBitmapRect(double x1, double y1, double x2, double y2,
                                    const TBitmap& bitmap) {
    if (Drawing()) Canvas().StretchDraw(DeviceRect(x1, y1, x2, y2), bitmap);
}

void TCanvasReport::PrintImageRect(double x1, double y1, double x2, double y2,
                                   const std::vector<uint8_t>& data, const std::string& imageType) {
    if (!Drawing() || !OnDecodeImage) return;
    std::shared_ptr<TBitmap> bitmap = OnDecodeImage(*this, data, imageType);
    if (bitmap) PrintBitmapRect(x1, y1, x2, y2, *bitmap);
}

void TCanvasReport::NewPage() {
    TBaseReport::NewPage();
    Device().NewPageOutput(!noOutput_);
    RefreshGeometry();
}
