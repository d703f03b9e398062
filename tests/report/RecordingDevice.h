// A printer for tests: 600 pixels per inch, Letter paper without unprintable margins, every
// byte 50 pixels wide, fixed font metrics; it records the document calls and every drawing
// call in device pixels.
#pragma once

#include <string>
#include <vector>

#include "RPDevice.h"

class TRecordingCanvas : public TPrintCanvas {
public:
    explicit TRecordingCanvas(std::vector<std::string>& log) : log_(log) {}

    void TextOut(int x, int y, std::string_view text) override;
    void TextRect(const TRect& r, int x, int y, std::string_view text) override;
    void Line(int x1, int y1, int x2, int y2) override;
    void Rectangle(const TRect& r) override;
    void Ellipse(const TRect& r) override;
    void RoundRect(const TRect& r, int cw, int ch) override;
    void ArcShape(TArcKind kind, const TRect& r, TPoint start, TPoint end) override;
    void Polygon(const std::vector<TPoint>& points) override;
    void Polyline(const std::vector<TPoint>& points) override;
    void FillRect(const TRect& r) override;
    void FrameRect(const TRect& r) override;
    void DrawFocusRect(const TRect& r) override;
    void StretchDraw(const TRect& dest, const TBitmap& bitmap) override;
    void Draw(int x, int y, double sx, double sy, const TBitmap& bitmap) override;
    int TextWidth(std::string_view text) override { return 50 * int(text.size()); }
    // Four fifths of the pixel height above the baseline, the rest below.
    TTextMetric TextMetrics() override;

    // "name height styles", e.g. "Arial -83 B".
    std::string FontText();
    std::string PenText();

    // The bitmap of the last StretchDraw.
    TBitmap LastStretched;

private:
    std::vector<std::string>& log_;
};

class TRecordingDevice : public TRPBaseDevice {
public:
    TRecordingDevice();

    std::vector<std::string> Log;
    // A document call whose name is here raises an exception.
    std::string FailOn;
    int PagesOut = 0;

    TPrintCanvas& Canvas() override { return canvas_; }
    int XDPI() override { return dpi_; }
    int YDPI() override { return dpi_; }
    // Another resolution for the same Letter paper.
    void SetDpi(int dpi);
    int MaxCopies() override { return 99; }
    int TextWidth(const std::string& text) override { return 50 * int(text.size()); }
    void SetOrientation(int code) override;
    void StartDoc() override;
    void EndDoc() override;
    void AbortDoc() override;
    void NewPage() override;
    void NewPageOutput(bool output) override;
    // Logs "PassThrough <count>".
    void PassThrough(const void* data, int count) override;
    bool HasPrinter() override { return true; }
    std::string DeviceName() override { return "Recorder"; }
    std::string DriverName() override { return "rec"; }
    std::string PortName() override { return "mem:"; }

    // The log entries that start with `prefix`.
    std::vector<std::string> Calls(const std::string& prefix) const;

private:
    void Maybe(const std::string& call);
    TRecordingCanvas canvas_;
    int dpi_ = 600;
};
