// The drawing half of the report engine: text in four alignments (formatting codes included),
// shapes, lines and bitmaps on the device's canvas in device pixels. Horizontal and vertical
// lines are collected during the page and drawn, merged, when the page ends.
#pragma once

#include <memory>
#include <vector>

#include "RPBase.h"

class TStream;

class TCanvasReport : public TBaseReport {
public:
    explicit TCanvasReport(TComponent* owner = nullptr);

    // Prints text holding formatting codes as plain text.
    bool NoRPTF = false;
    // Turns image data into a bitmap; none leaves the image out.
    std::function<std::shared_ptr<TBitmap>(TBaseReport&, const std::vector<uint8_t>& data,
                                           const std::string& imageType)>
        OnDecodeImage;

    void PrintCenter(const std::string& text, double x) override;
    void PrintLeft(const std::string& text, double x) override;
    void PrintRight(const std::string& text, double x) override;
    void PrintBlock(const std::string& text, double x, double width) override;

    void MoveTo(double x, double y) override;
    void LineTo(double x, double y) override;
    void TabRectangle(double x1, double y1, double x2, double y2) override;
    void Rectangle(double x1, double y1, double x2, double y2);
    void Ellipse(double x1, double y1, double x2, double y2);
    void RoundRect(double x1, double y1, double x2, double y2, double x3, double y3);
    void Arc(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
             double y4);
    void Chord(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
               double y4);
    void Pie(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
             double y4);
    void Polygon(const std::vector<std::pair<double, double>>& points);
    void Polyline(const std::vector<std::pair<double, double>>& points);
    void FillRect(double x1, double y1, double x2, double y2);
    void FrameRect(double x1, double y1, double x2, double y2);
    void DrawFocusRect(double x1, double y1, double x2, double y2);
    // Requires a job but draws nothing: a page description has no pixels to fill from.
    void FloodFill(double, double, TColor, int) { Drawing(); }
    // The part `source` (bitmap pixels) of the bitmap stretched into the rectangle, its pixels
    // of `color` in the brush's colour.
    void BrushCopy(double x1, double y1, double x2, double y2, const TBitmap& bitmap,
                   const TRect& source, TColor color);
    // The part `source` (bitmap pixels) of the bitmap stretched into the rectangle.
    void CopyRect(double x1, double y1, double x2, double y2, const TBitmap& bitmap,
                  const TRect& source);
    void Draw(double x, double y, const TBitmap& bitmap);
    void StretchDraw(double x1, double y1, double x2, double y2, const TBitmap& bitmap);
    void PrintBitmap(double x, double y, double scaleX, double scaleY, const TBitmap& bitmap);
    void PrintBitmapRect(double x1, double y1, double x2, double y2, const TBitmap& bitmap);
    void PrintImageRect(double x1, double y1, double x2, double y2,
                        const std::vector<uint8_t>& data, const std::string& imageType);
    void TextRect(const TRect& r, double x, double y, const std::string& text);
    // Raw printer data has no way to the print system here: accepted and dropped.
    void PassThrough(const std::string& text);
    // `count` bytes of the stream (0: the rest) in chunks of 4096.
    void PassThroughStream(TStream& stream, int64_t count);

    void NewPage() override;

    struct TSegment {
        double Fixed, Low, High;  // inches, origin included
        TColor Color;
        TPenMode Mode;
        TPenStyle Style;
        int Width;
    };
    const std::vector<TSegment>& HorizontalLines() const { return hLines_; }

protected:
    void FreeJobState() override;
    // Whether the next drawing reaches the paper (requires a job).
    bool Drawing();
    void TextOut(const std::string& text, double x, int mode);
    void AddSegment(std::vector<TSegment>& list, double fixed, double a, double b);
    void DrawSegments();
    TRect DeviceRect(double x1, double y1, double x2, double y2);

    std::vector<TSegment> hLines_, vLines_;
    bool directLines_ = false;
    double penX_ = 0, penY_ = 0;  // inches, origin included
};
