#include "RecordingDevice.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>

#include "platform/SysUtils.h"

namespace {

std::string Pt(int x, int y) {
    return IntToStr(x) + "," + IntToStr(y);
}
std::string R(const TRect& r) {
    return Pt(r.Left, r.Top) + "-" + Pt(r.Right, r.Bottom);
}

std::string Align(unsigned a) {
    unsigned v = a & 24;
    return v == TA_BASELINE ? "base" : v == TA_BOTTOM ? "bottom" : "top";
}

}  // namespace

std::string TRecordingCanvas::FontText() {
    TFont& f = Font();
    std::string s = f.Name() + " " + IntToStr(f.Height());
    std::string st;
    if (f.Style() & fsBold) st += "B";
    if (f.Style() & fsItalic) st += "I";
    if (f.Style() & fsUnderline) st += "U";
    if (f.Style() & fsStrikeOut) st += "K";
    if (!st.empty()) s += " " + st;
    if (f.Color() != clBlack) s += " c" + IntToStr(f.Color());
    if (FontRotation() != 0) s += " r" + IntToStr(FontRotation());
    return s;
}

std::string TRecordingCanvas::PenText() {
    return "pen " + IntToStr(Pen().Width()) + " c" + IntToStr(Pen().Color()) + " s" +
           IntToStr(int(Pen().Style()));
}

void TRecordingCanvas::TextOut(int x, int y, std::string_view text) {
    log_.push_back("Text " + Pt(x, y) + " " + Align(TextAlign()) + " [" + std::string(text) + "] " +
                   FontText() + (BkOpaque() ? " opaque" : ""));
}

void TRecordingCanvas::TextRect(const TRect& r, int x, int y, std::string_view text) {
    log_.push_back("TextRect " + R(r) + " " + Pt(x, y) + " [" + std::string(text) + "]");
}

void TRecordingCanvas::Line(int x1, int y1, int x2, int y2) {
    log_.push_back("Line " + Pt(x1, y1) + " " + Pt(x2, y2) + " " + PenText());
}

void TRecordingCanvas::Rectangle(const TRect& r) {
    log_.push_back("Rectangle " + R(r) + " " + PenText() + " brush c" + IntToStr(Brush().Color()) +
                   (Brush().Style() == TBrushStyle::bsClear ? " clear" : ""));
}

void TRecordingCanvas::Ellipse(const TRect& r) {
    log_.push_back("Ellipse " + R(r));
}

void TRecordingCanvas::RoundRect(const TRect& r, int cw, int ch) {
    log_.push_back("RoundRect " + R(r) + " " + Pt(cw, ch));
}

void TRecordingCanvas::ArcShape(TArcKind kind, const TRect& r, TPoint start, TPoint end) {
    log_.push_back("Arc" + IntToStr(int(kind)) + " " + R(r) + " " + Pt(start.X, start.Y) + " " +
                   Pt(end.X, end.Y));
}

void TRecordingCanvas::Polygon(const std::vector<TPoint>& points) {
    log_.push_back("Polygon " + IntToStr(int64_t(points.size())));
}

void TRecordingCanvas::Polyline(const std::vector<TPoint>& points) {
    log_.push_back("Polyline " + IntToStr(int64_t(points.size())));
}

void TRecordingCanvas::FillRect(const TRect& r) {
    log_.push_back("FillRect " + R(r));
}
void TRecordingCanvas::FrameRect(const TRect& r) {
    log_.push_back("FrameRect " + R(r));
}
void TRecordingCanvas::DrawFocusRect(const TRect& r) {
    log_.push_back("FocusRect " + R(r));
}
void TRecordingCanvas::StretchDraw(const TRect& dest, const TBitmap& bitmap) {
    log_.push_back("StretchDraw " + R(dest) + " " + std::to_string(bitmap.Width()) + "x" +
                   std::to_string(bitmap.Height()));
    LastStretched = bitmap;
}

void TRecordingCanvas::Draw(int x, int y, double sx, double sy, const TBitmap&) {
    log_.push_back("Draw " + Pt(x, y) + " " + FloatToStr(sx) + " " + FloatToStr(sy));
}

TTextMetric TRecordingCanvas::TextMetrics() {
    // In 64 bits: a size read from a document may ask for any height up to the int range.
    const int64_t h = std::min<int64_t>(std::abs(int64_t(Font().Height())), INT32_MAX);
    TTextMetric m;
    m.Ascent = int(h * 4 / 5);
    m.Descent = int(h) - m.Ascent;
    m.Height = int(h);
    m.AveCharWidth = m.MaxCharWidth = 50;
    m.FixedPitch = true;
    return m;
}

TRecordingDevice::TRecordingDevice() : canvas_(Log) {
    pageWidth_ = 5100;
    pageHeight_ = 6600;
    orientation_ = 0;
}

void TRecordingDevice::SetDpi(int dpi) {
    dpi_ = dpi;
    pageWidth_ = dpi * 17 / 2;
    pageHeight_ = dpi * 11;
    if (orientation_ == 1) std::swap(pageWidth_, pageHeight_);
}

void TRecordingDevice::Maybe(const std::string& call) {
    Log.push_back(call);
    if (!FailOn.empty() && call.rfind(FailOn, 0) == 0)
        throw std::runtime_error("device failure: " + call);
}

void TRecordingDevice::SetOrientation(int code) {
    if (code != 0 && code != 1) return;
    if (code != orientation_) std::swap(pageWidth_, pageHeight_);
    orientation_ = code;
}

void TRecordingDevice::StartDoc() {
    if (printing_) RaiseError(Trans(SDevicePrinting));
    Maybe("StartDoc " + Title);
    printing_ = true;
    aborted_ = false;
}

void TRecordingDevice::EndDoc() {
    if (!printing_) RaiseError(Trans(SDeviceNotPrinting));
    printing_ = false;
    Maybe("EndDoc");
}

void TRecordingDevice::AbortDoc() {
    if (!printing_) RaiseError(Trans(SDeviceNotPrinting));
    aborted_ = true;
    printing_ = false;
    Maybe("AbortDoc");
}

void TRecordingDevice::NewPage() {
    if (!printing_) RaiseError(Trans(SDeviceNotPrinting));
    ++PagesOut;
    Maybe("NewPage");
}

void TRecordingDevice::NewPageOutput(bool output) {
    if (!printing_) RaiseError(Trans(SDeviceNotPrinting));
    if (output) ++PagesOut;
    Maybe(output ? "NewPageOutput 1" : "NewPageOutput 0");
}

void TRecordingDevice::PassThrough(const void*, int count) {
    Log.push_back("PassThrough " + IntToStr(count));
}

std::vector<std::string> TRecordingDevice::Calls(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& s : Log)
        if (s.rfind(prefix, 0) == 0) out.push_back(s);
    return out;
}
