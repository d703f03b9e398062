// The built-in image lists, drawn in code: check boxes, radio buttons and push buttons in six
// looks, and the header's utility images. All but the XP look take their colours from the
// desktop's palette and are drawn again when it changes.
#include "VirtualTreesDrawing.h"

#include "platform/ThemeServices.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <mutex>

namespace {

constexpr int ImageSize = 16;
constexpr int CheckImageCount = 25;
constexpr int UtilityImageCount = 9;
constexpr TColor Transparent = clFuchsia;

// Drawing into one image of a strip: coordinates are the image's 16 x 16 logical pixels from
// its corner, each edge put on the nearest device pixel at `scale` device pixels to a logical
// one. Lines are a whole number of device pixels thick, so a fractional scale keeps them even.
class TPainter {
public:
    TPainter(TCanvas& canvas, int image, double scale)
        : canvas_(canvas),
          scale_(scale),
          line_(std::max(1, int(scale))),
          dx_(Device(image * ImageSize)) {}
    double Scale() const { return scale_; }
    void Fill(int l, int t, int r, int b, TColor color) { FillDevice(Scaled(l, t, r, b), color); }
    void Dot(int x, int y, TColor color) { Fill(x, y, x + 1, y + 1, color); }
    void Frame(int l, int t, int r, int b, TColor color) {
        const TRect d = Scaled(l, t, r, b);
        FillDevice({d.Left, d.Top, d.Right, d.Top + line_}, color);
        FillDevice({d.Left, d.Bottom - line_, d.Right, d.Bottom}, color);
        FillDevice({d.Left, d.Top, d.Left + line_, d.Bottom}, color);
        FillDevice({d.Right - line_, d.Top, d.Right, d.Bottom}, color);
    }
    void Ellipse(int l, int t, int r, int b, TColor pen, TColor brush) {
        canvas_.Pen().SetColor(pen);
        canvas_.Pen().SetStyle(TPenStyle::psSolid);
        canvas_.Pen().SetWidth(line_);
        canvas_.Brush().SetStyle(TBrushStyle::bsSolid);
        canvas_.Brush().SetColor(brush);
        canvas_.Ellipse(Scaled(l, t, r, b));
        canvas_.Pen().SetWidth(1);
    }
    // A filled shape through logical points given in tenths of a pixel.
    void Shape(const std::vector<TPoint>& tenths, TColor color) {
        std::vector<TPoint> points;
        for (TPoint p : tenths)
            points.push_back({dx_ + int(p.X * scale_ / 10), int(p.Y * scale_ / 10)});
        canvas_.Pen().SetColor(color);
        canvas_.Pen().SetStyle(TPenStyle::psSolid);
        canvas_.Brush().SetStyle(TBrushStyle::bsSolid);
        canvas_.Brush().SetColor(color);
        canvas_.Polygon(points);
    }
    void Edge(int l, int t, int r, int b, unsigned edge, unsigned flags, TColor face) {
        // The outer and the inner line each a line's device pixels thick.
        TRect rect = Scaled(l, t, r, b);
        for (unsigned part : {BDR_RAISEDOUTER | BDR_SUNKENOUTER, BDR_RAISEDINNER | BDR_SUNKENINNER})
            for (int i = 0; i < line_; ++i)
                DrawEdge(canvas_, rect, edge & part, (flags & ~BF_MIDDLE) | BF_ADJUST, face);
        if ((flags & BF_MIDDLE) && !rect.IsEmpty()) FillDevice(rect, face);
    }

private:
    int Device(int logical) const { return int(std::lround(logical * scale_)); }
    TRect Scaled(int l, int t, int r, int b) const {
        return {dx_ + Device(l), Device(t), dx_ + Device(r), Device(b)};
    }
    void FillDevice(const TRect& r, TColor color) {
        canvas_.Brush().SetStyle(TBrushStyle::bsSolid);
        canvas_.Brush().SetColor(color);
        canvas_.FillRect(r);
    }
    TCanvas& canvas_;
    double scale_;
    int line_;
    int dx_;
};

// The colours and shapes of one check look.
struct TCheckLook {
    TColor face;  // inside of a box or circle
    TColor pressedFace;
    TColor disabledFace;
    TColor border;       // outer line
    TColor innerBorder;  // second line (clNone: none)
    TColor hotBorder;
    TColor mark;
    TColor disabledMark;
    bool tick;  // a tick instead of a check mark
};

enum TCheckStateImage { ciUnchecked, ciChecked, ciMixed };
enum TCheckLookState { clsNormal, clsHot, clsPressed, clsDisabled };

void DrawMark(TPainter& p, const TCheckLook& look, TCheckStateImage state, TColor color) {
    if (state == ciMixed) {
        p.Fill(5, 5, 11, 11, color);
        return;
    }
    if (state != ciChecked) return;
    // With device pixels to spare the marks are drawn as shapes, smoother than their dots.
    if (p.Scale() > 1) {
        if (look.tick)
            p.Shape({{30, 70}, {70, 110}, {150, 25}, {150, 40}, {70, 130}, {30, 90}}, color);
        else
            p.Shape({{40, 60}, {65, 85}, {105, 45}, {105, 75}, {65, 115}, {40, 90}}, color);
        return;
    }
    if (look.tick) {
        // A long, slanted tick, two pixels thick, reaching out of the box's top-right corner.
        for (int i = 0; i < 2; ++i) {
            for (int x = 3; x <= 6; ++x) p.Dot(x, 7 + (x - 3) + i, color);
            for (int x = 7; x <= 14; ++x) p.Dot(x, 9 - (x - 7) * 8 / 7 + i, color);
        }
        return;
    }
    // A check mark, three pixels thick.
    for (int i = 0; i < 3; ++i) {
        for (int x = 4; x <= 6; ++x) p.Dot(x, 6 + (x - 4) + i, color);
        for (int x = 7; x <= 10; ++x) p.Dot(x, 7 - (x - 6) + i, color);
    }
}

void DrawCheckBox(TPainter& p, const TCheckLook& look, TCheckStateImage state,
                  TCheckLookState lookState) {
    const TColor face = lookState == clsPressed    ? look.pressedFace
                        : lookState == clsDisabled ? look.disabledFace
                                                   : look.face;
    p.Fill(1, 1, 14, 14, face);
    p.Frame(1, 1, 14, 14, lookState == clsHot ? look.hotBorder : look.border);
    if (look.innerBorder != clNone) p.Frame(2, 2, 13, 13, look.innerBorder);
    DrawMark(p, look, state, lookState == clsDisabled ? look.disabledMark : look.mark);
}

void DrawRadioButton(TPainter& p, const TCheckLook& look, bool checked, TCheckLookState lookState) {
    const TColor face = lookState == clsPressed    ? look.pressedFace
                        : lookState == clsDisabled ? look.disabledFace
                                                   : look.face;
    p.Ellipse(1, 1, 14, 14, lookState == clsHot ? look.hotBorder : look.border, face);
    if (checked) {
        const TColor mark = lookState == clsDisabled ? look.disabledMark : look.mark;
        p.Ellipse(5, 5, 10, 10, mark, mark);
    }
}

void DrawPushButton(TPainter& p, const TCheckLook& look, TCheckLookState lookState) {
    if (lookState == clsPressed) {
        p.Edge(1, 1, 15, 15, EDGE_SUNKEN, BF_RECT | BF_MIDDLE, clBtnFace);
        return;
    }
    p.Edge(1, 1, 15, 15, EDGE_RAISED, BF_RECT | BF_MIDDLE, clBtnFace);
    if (lookState == clsHot) p.Frame(1, 1, 15, 15, look.hotBorder);
    if (lookState == clsDisabled) p.Fill(6, 6, 10, 10, look.disabledMark);
}

TCheckLook LookFor(TBuiltInImages which) {
    switch (which) {
        case biCheckDark:
            return {clBtnFace,   clBtnShadow,  clBtnFace,   clBtnShadow, cl3DDkShadow,
                    clHighlight, clWindowText, clBtnShadow, false};
        case biTickLight:
            return {clWindow,    clBtnFace,    clBtnFace,   clBtnShadow, cl3DDkShadow,
                    clHighlight, clWindowText, clBtnShadow, true};
        case biTickDark:
            return {clBtnFace,   clBtnShadow,  clBtnFace,   clBtnShadow, cl3DDkShadow,
                    clHighlight, clWindowText, clBtnShadow, true};
        case biFlat:
            return {clWindow,    clBtnFace,    clBtnFace,   clBtnShadow, clNone,
                    clHighlight, clWindowText, clBtnShadow, false};
        case biXP:
            // Fixed colours, not taken from the desktop.
            return {RGBColor(244, 244, 240),
                    RGBColor(178, 178, 164),
                    RGBColor(240, 240, 234),
                    RGBColor(28, 81, 128),
                    clNone,
                    RGBColor(248, 179, 48),
                    RGBColor(33, 161, 33),
                    RGBColor(202, 200, 187),
                    false};
        default:
            return {clWindow,    clBtnFace,    clBtnFace,   clBtnShadow, cl3DDkShadow,
                    clHighlight, clWindowText, clBtnShadow, false};
    }
}

void DrawCheckStrip(TCanvas& canvas, TBuiltInImages which, double scale) {
    const TCheckLook look = LookFor(which);
    const TCheckLookState states[] = {clsNormal, clsHot, clsPressed, clsDisabled};
    int image = 1;  // index 0 stays empty
    for (bool checked : {false, true})
        for (TCheckLookState state : states) {
            TPainter p(canvas, image++, scale);
            DrawRadioButton(p, look, checked, state);
        }
    for (TCheckStateImage mark : {ciUnchecked, ciChecked, ciMixed})
        for (TCheckLookState state : states) {
            TPainter p(canvas, image++, scale);
            DrawCheckBox(p, look, mark, state);
        }
    for (TCheckLookState state : states) {
        TPainter p(canvas, image++, scale);
        DrawPushButton(p, look, state);
    }
}

void DrawTriangle(TPainter& p, bool up, TColor color) {
    // Rows of 9, 7, 5, 3 and 1 pixels, centred on x = 8.
    for (int row = 0; row < 5; ++row) {
        const int half = 4 - row;
        const int y = up ? 10 - row : 6 + row;
        p.Fill(8 - half, y, 8 + half + 1, y + 1, color);
    }
}

void DrawUtilityStrip(TCanvas& canvas, double scale) {
    {
        TPainter p(canvas, uiDropMarkLeft, scale);
        p.Fill(0, 0, 2, ImageSize, clWindowText);
        for (int i = 0; i < 3; ++i) {
            p.Fill(2, i, 5 - i, i + 1, clWindowText);
            p.Fill(2, ImageSize - 1 - i, 5 - i, ImageSize - i, clWindowText);
        }
    }
    {
        TPainter p(canvas, uiDropMarkRight, scale);
        p.Fill(ImageSize - 2, 0, ImageSize, ImageSize, clWindowText);
        for (int i = 0; i < 3; ++i) {
            p.Fill(ImageSize - 5 + i, i, ImageSize - 2, i + 1, clWindowText);
            p.Fill(ImageSize - 5 + i, ImageSize - 1 - i, ImageSize - 2, ImageSize - i,
                   clWindowText);
        }
    }
    {
        TPainter p(canvas, uiSortDescending, scale);
        DrawTriangle(p, false, clBtnShadow);
    }
    {
        TPainter p(canvas, uiSortAscending, scale);
        DrawTriangle(p, true, clBtnShadow);
    }
    {
        TPainter p(canvas, uiThemedSortDescending, scale);
        DrawTriangle(p, false, clWindowText);
    }
    {
        TPainter p(canvas, uiThemedSortAscending, scale);
        DrawTriangle(p, true, clWindowText);
    }
    // The hot XP header: an orange band along the bottom, rounded at the ends.
    const TColor band[3] = {RGBColor(255, 199, 60), RGBColor(248, 179, 48), RGBColor(229, 151, 0)};
    for (int image : {uiXPHotLeft, uiXPHotMiddle, uiXPHotRight}) {
        TPainter p(canvas, image, scale);
        for (int i = 0; i < 3; ++i) {
            const int inset = image == uiXPHotMiddle ? 0 : 2 - i;
            const int left = image == uiXPHotLeft ? inset : 0;
            const int right = image == uiXPHotRight ? ImageSize - inset : ImageSize;
            p.Fill(left, ImageSize - 3 + i, right, ImageSize - 2 + i, band[i]);
        }
    }
}

// The built-in images are drawn with the screen's own pixels (24 for 16 at a scale of 1.5), so
// that a scaled screen shows them sharp.
double BuiltInScale() {
    return DevicePixels(ImageSize, ScreenPixelRatio()) / double(ImageSize);
}

void FillList(TCustomImageList& list, TBuiltInImages which) {
    const double scale = BuiltInScale();
    const int count = which == biUtilities ? UtilityImageCount : CheckImageCount;
    const int size = int(std::lround(ImageSize * scale));  // the screen's whole pixels
    TBitmap strip(count * size, size);
    TCanvas& canvas = strip.Canvas();
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    canvas.Brush().SetColor(Transparent);
    canvas.FillRect({0, 0, count * size, size});
    if (which == biUtilities)
        DrawUtilityStrip(canvas, scale);
    else
        DrawCheckStrip(canvas, which, scale);
    list.BeginUpdate();
    list.Clear();
    list.SetDevicePixelRatio(scale);
    list.Add(strip, Transparent);
    list.EndUpdate();
}

struct TLibrary {
    std::mutex lock;
    std::array<std::unique_ptr<TCustomImageList>, BuiltInImagesCount> lists;
    int generation = 0;
};

TLibrary& Library() {
    static TLibrary library;
    return library;
}

std::once_flag started;

void Start() {
    TLibrary& library = Library();
    std::lock_guard<std::mutex> guard(library.lock);
    for (int i = 0; i < BuiltInImagesCount; ++i) {
        library.lists[size_t(i)] =
            std::make_unique<TCustomImageList>(nullptr, ImageSize, ImageSize);
        FillList(*library.lists[size_t(i)], TBuiltInImages(i));
    }
    ++library.generation;
}

}  // namespace

void InitializeTreeLibrary() {
    std::call_once(started, Start);
}

TCustomImageList& BuiltInImageList(TBuiltInImages which) {
    InitializeTreeLibrary();
    VT_ASSERT(which >= 0 && which < BuiltInImagesCount, "No such built-in image list.");
    return *Library().lists[size_t(which)];
}

TCustomImageList* CheckImagesFor(TCheckImageKind kind) {
    switch (kind) {
        case ckLightCheck:
            return &BuiltInImageList(biCheckLight);
        case ckDarkCheck:
            return &BuiltInImageList(biCheckDark);
        case ckLightTick:
            return &BuiltInImageList(biTickLight);
        case ckDarkTick:
            return &BuiltInImageList(biTickDark);
        case ckFlat:
            return &BuiltInImageList(biFlat);
        case ckXP:
            return &BuiltInImageList(biXP);
        default:
            return nullptr;
    }
}

void RebuildBuiltInImages() {
    InitializeTreeLibrary();
    TLibrary& library = Library();
    std::lock_guard<std::mutex> guard(library.lock);
    // The XP look has fixed colours: only a new screen scale redraws it.
    for (int i = 0; i < BuiltInImagesCount; ++i)
        if (i != biXP || library.lists[size_t(i)]->DevicePixelRatio() != BuiltInScale())
            FillList(*library.lists[size_t(i)], TBuiltInImages(i));
    ++library.generation;
}

int BuiltInImagesGeneration() {
    TLibrary& library = Library();
    std::lock_guard<std::mutex> guard(library.lock);
    return library.generation;
}
