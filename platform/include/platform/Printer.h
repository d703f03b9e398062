// Printers for code that must not see the display toolkit: a drawing surface in printer pixels
// and one printer (a system print queue or a PDF file) with its settings and its document.
#pragma once

#include "platform/Canvas.h"
#include "platform/Graphics.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// A page's drawing surface in printer pixels. Pen, brush and font are read at every call.
// Text is drawn at the reference point TextAlign names; the caller aligns text itself, so
// only TA_LEFT with TA_BASELINE, TA_TOP or TA_BOTTOM is honoured horizontally as left.
class TPrintCanvas {
public:
    virtual ~TPrintCanvas() = default;

    TPen& Pen() { return pen_; }
    TBrush& Brush() { return brush_; }
    TFont& Font() { return font_; }
    // Counter-clockwise text angle in degrees, 0 to 359.
    int FontRotation() const { return rotation_; }
    void SetFontRotation(int degrees) { rotation_ = ((degrees % 360) + 360) % 360; }
    unsigned TextAlign() const { return textAlign_; }
    void SetTextAlign(unsigned align) { textAlign_ = align; }
    // An opaque text background fills each text's cell with BkColor first.
    bool BkOpaque() const { return bkOpaque_; }
    void SetBkOpaque(bool opaque) { bkOpaque_ = opaque; }
    TColor BkColor() const { return bkColor_; }
    void SetBkColor(TColor color) { bkColor_ = color; }

    TPoint PenPos() const { return penPos_; }
    void MoveTo(int x, int y) { penPos_ = {x, y}; }
    void LineTo(int x, int y) {
        Line(penPos_.X, penPos_.Y, x, y);
        penPos_ = {x, y};
    }

    virtual void TextOut(int x, int y, std::string_view text) = 0;
    // Text clipped to r; an opaque background fills r.
    virtual void TextRect(const TRect& r, int x, int y, std::string_view text) = 0;
    virtual void Line(int x1, int y1, int x2, int y2) = 0;
    // Outlined with the pen inside r, filled with the brush unless it is clear.
    virtual void Rectangle(const TRect& r) = 0;
    virtual void Ellipse(const TRect& r) = 0;
    virtual void RoundRect(const TRect& r, int cornerWidth, int cornerHeight) = 0;
    // The arc of the ellipse in r from the ray towards `start` counter-clockwise to the ray
    // towards `end`: an open arc, a chord (closed by a line) or a pie (closed by the radii).
    enum class TArcKind { Arc, Chord, Pie };
    virtual void ArcShape(TArcKind kind, const TRect& r, TPoint start, TPoint end) = 0;
    virtual void Polygon(const std::vector<TPoint>& points) = 0;
    virtual void Polyline(const std::vector<TPoint>& points) = 0;
    virtual void FillRect(const TRect& r) = 0;
    virtual void FrameRect(const TRect& r) = 0;
    virtual void DrawFocusRect(const TRect& r) = 0;
    virtual void StretchDraw(const TRect& dest, const TBitmap& bitmap) = 0;
    // The bitmap at (x, y), its pixel size multiplied by the two factors.
    virtual void Draw(int x, int y, double scaleX, double scaleY, const TBitmap& bitmap) = 0;

    // Measures in the current font; both work with no page begun.
    virtual int TextWidth(std::string_view text) = 0;
    virtual TTextMetric TextMetrics() = 0;

private:
    TPen pen_;
    TBrush brush_;
    TFont font_;
    int rotation_ = 0;
    unsigned textAlign_ = TA_LEFT | TA_TOP;
    bool bkOpaque_ = false;
    TColor bkColor_ = clWhite;
    TPoint penPos_;
};

// A surface that draws nothing and measures every text as 0: a document's stand-in without a
// printer, and a base for surfaces that record only some calls.
class TNullPrintCanvas : public TPrintCanvas {
public:
    void TextOut(int, int, std::string_view) override {}
    void TextRect(const TRect&, int, int, std::string_view) override {}
    void Line(int, int, int, int) override {}
    void Rectangle(const TRect&) override {}
    void Ellipse(const TRect&) override {}
    void RoundRect(const TRect&, int, int) override {}
    void ArcShape(TArcKind, const TRect&, TPoint, TPoint) override {}
    void Polygon(const std::vector<TPoint>&) override {}
    void Polyline(const std::vector<TPoint>&) override {}
    void FillRect(const TRect&) override {}
    void FrameRect(const TRect&) override {}
    void DrawFocusRect(const TRect&) override {}
    void StretchDraw(const TRect&, const TBitmap&) override {}
    void Draw(int, int, double, double, const TBitmap&) override {}
    int TextWidth(std::string_view) override { return 0; }
    TTextMetric TextMetrics() override { return {}; }
};

// A paper the printer offers: its name and its Windows paper number (1 = Letter, 9 = A4); or a
// paper source (bin): its name and its number.
struct TPrinterPaper {
    std::string Name;
    int Number = 0;
};

// One printer: a queue of the print system, or a PDF file when an output file is set (with or
// without queues). Pages have no unprintable margins; sizes are in printer pixels.
class TPrinter {
public:
    virtual ~TPrinter() = default;

    virtual std::vector<std::string> PrinterNames() = 0;
    virtual std::string DefaultPrinterName() = 0;
    // Chooses a queue by name; false when it cannot be used (the settings are then neutral).
    virtual bool SetPrinterName(const std::string& name) = 0;
    virtual std::string PrinterName() = 0;
    // Whether the printer's settings can be read and changed.
    virtual bool IsValid() = 0;
    // A non-empty name prints to that PDF file instead of the queue.
    virtual void SetOutputFileName(const std::string& fileName) = 0;
    virtual std::string OutputFileName() = 0;

    virtual int Resolution() = 0;
    virtual TSize PageSizePixels() = 0;
    virtual bool Landscape() = 0;
    virtual void SetLandscape(bool landscape) = 0;
    virtual bool SupportsMultipleCopies() = 0;
    virtual int CopyCount() = 0;
    virtual void SetCopyCount(int copies) = 0;
    // 0 one-sided, 1 long side, 2 short side.
    virtual bool SupportsDuplex() = 0;
    virtual int Duplex() = 0;
    virtual void SetDuplex(int code) = 0;
    virtual bool Collate() = 0;
    virtual void SetCollate(bool collate) = 0;
    virtual std::vector<TPrinterPaper> Papers() = 0;
    virtual int PaperNumber() = 0;  // 256 for a size of the caller's own
    virtual TSize PaperTenthsMm() = 0;
    virtual bool SetPaperNumber(int number) = 0;
    virtual bool SupportsCustomPaper() = 0;
    // Smallest and largest paper in tenths of a millimetre.
    virtual void PaperExtents(TSize& minimum, TSize& maximum) = 0;
    virtual bool SetCustomPaper(int widthTenthsMm, int lengthTenthsMm) = 0;
    virtual std::vector<std::string> Fonts() = 0;
    // The settings were changed outside this interface (the print dialog): another queue or a
    // file chosen there takes its default paper, unless a paper was chosen there too (even the
    // one the dialog first showed).
    virtual void SetupChanged() {}
    // The paper sources (input slots) the queue offers, numbered from 256 in their order; none
    // for a PDF file or a queue that names none. Bin 0 is the printer's own choice.
    virtual std::vector<TPrinterPaper> Bins() = 0;
    virtual int BinNumber() = 0;
    // False for a number the printer does not offer; the choice holds for the next document.
    virtual bool SetBinNumber(int number) = 0;

    // The document. BeginDocument opens page 1; NewPage closes a page and opens the next
    // with the settings now in force; EndDocument finishes the output and hands it to the
    // print system; AbortDocument drops it. A false answer means the output is lost: the
    // print system refused the job, or the file could not be written; ErrorText says why
    // when Qt or the print system tells. After AbortDocument, ErrorText tells what it could
    // not drop (a queue's job the print system would not cancel), and is empty otherwise.
    virtual void SetDocName(const std::string& name) = 0;
    virtual bool BeginDocument() = 0;
    virtual bool NewPage() = 0;
    virtual bool EndDocument() = 0;
    virtual void AbortDocument() = 0;
    virtual std::string ErrorText() = 0;
    // Draws on the open page; measures in printer pixels at any time.
    virtual TPrintCanvas& Canvas() = 0;
};

// The system's printers are reached through a factory the display layer installs when the
// application starts; without one there are no printers (headless programs, tests).
using TPrinterFactory = std::function<std::unique_ptr<TPrinter>()>;
void SetPrinterFactory(TPrinterFactory factory);
std::unique_ptr<TPrinter> CreatePrinter();

// Owners of printers register a release so that every printer goes before the display layer
// ends; ReleasePrinters calls them once, newest first.
void AddPrinterRelease(std::function<void()> release);
void ReleasePrinters();

// The printer of the display layer (print queues and PDF files); the application installs it
// as the factory. Needs the GUI application object to exist.
std::unique_ptr<TPrinter> CreateSystemPrinter();
