// The code-driven report engine: a job of pages with margins, units, page selection and a
// status line (the job level), and a cursor that prints lines of text, tabs, boxes and memo
// buffers in report units (the line level). Positions are kept in inches from the paper's
// top-left corner and converted with UnitsFactor on the way in and out.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "RPDefine.h"
#include "RPDevice.h"
#include "platform/DateTime.h"

enum TLineHeightMethod { lhmLinesPerInch, lhmFont, lhmUser };
enum TPrintUnits { unInch, unMM, unCM, unPoint, unUser };
enum TBKMode { bkTransparent, bkOpaque };
enum TOrientation { poPortrait, poLandScape, poDefault };
enum TPrintJustify : uint8_t { pjCenter = 0, pjLeft = 1, pjRight = 2, pjBlock = 3, pjNone = 4 };

// The report's font: what the font setters change; the canvas font follows it.
struct TReportFont {
    std::string Name = "Arial";
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool Strikeout = false;
    double Size = 10;           // points, as asked for
    double Height = 10.0 / 72;  // inches
    int Rotation = 0;           // degrees, 0 to 359
    bool Subscript = false;
    bool Superscript = false;
    uint8_t Charset = 1;
    uint8_t TextVPos = 0;  // 0 baseline, 1 top, 2 bottom
    TColor Color = clBlack;
    TFontPitch Pitch = TFontPitch::fpDefault;
    double Ascent = 5.0 / 72;  // inches above and below the baseline
    double Descent = 5.0 / 72;
};

// One tab stop (inches). Boxes: left, top, right, bottom sides drawn with the current pen.
struct TTabStop {
    double Pos = 0;
    uint8_t Justify = pjLeft;
    double Width = 0;
    double Margin = 0;
    uint8_t Shade = 0;
    std::array<bool, 4> Box{};
};

class TBaseMemoBuf;
class TBaseReport;

using TReportEvent = std::function<void(TBaseReport&)>;
using TPrintPageEvent = std::function<bool(TBaseReport&, int& pageNum)>;
using TPageHook = std::function<void(TBaseReport&)>;

inline constexpr int TabNone = -32768;  // a Tab argument that takes the stop's own setting

class TBaseReport : public TRPBaseComponent {
public:
    explicit TBaseReport(TComponent* owner = nullptr);
    ~TBaseReport() override;

    // ---- published properties ----
    int FirstPage = 1;
    int LastPage = 9999;
    // Receives the expanded status text (the caption of a status label).
    std::function<void(const std::string&)> StatusLabel;
    std::string StatusFormat;
    std::vector<std::string> StatusText;
    std::string Title = "Print Report";
    std::string Selection;

    TLineHeightMethod LineHeightMethod() const { return lineHeightMethod_; }
    void SetLineHeightMethod(TLineHeightMethod m);
    int LinesPerInch() const { return linesPerInch_; }
    void SetLinesPerInch(int lpi);
    TPrintUnits Units() const { return units_; }
    void SetUnits(TPrintUnits u);
    double UnitsFactor() const { return unitsFactor_; }
    void SetUnitsFactor(double f);
    int TabShade() const { return tabShade_; }
    void SetTabShade(int shade) { tabShade_ = shade > 99 ? 100 : shade < 1 ? 0 : shade; }
    TBKMode TextBKMode() const { return bkMode_; }
    virtual void SetTextBKMode(TBKMode mode) { bkMode_ = mode; }
    int Copies() const { return copies_; }
    void SetCopies(int copies);
    TOrientation Orientation() const { return wantedOrientation_; }
    virtual void SetOrientation(TOrientation o);
    double ScaleX() const { return scaleX_; }
    double ScaleY() const { return scaleY_; }
    virtual void SetScaleX(double v) {
        if (v > 0) scaleX_ = v;
    }
    virtual void SetScaleY(double v) {
        if (v > 0) scaleY_ = v;
    }

    TReportEvent OnPrint, OnBeforePrint, OnAfterPrint, OnNewPage, OnNewColumn, OnPrintHeader,
        OnPrintFooter, OnEndOfSection;
    TPrintPageEvent OnPrintPage;

    // ---- job ----
    int CurrentPage() const { return currentPage_; }
    bool Printing() const { return printing_; }
    bool NoOutput() const { return noOutput_; }
    // Whether drawing on the current page reaches the printer.
    bool PageIsOutput() const { return !noOutput_ && (outputDest_ & 1); }
    void Execute();
    // Opens the job; false when there is no printer (after telling the user once).
    virtual bool Start() = 0;
    virtual void Finish() = 0;
    virtual void NewPage();
    void AbortPage();
    bool PageInSelection(int page) const;
    std::string ExpandStatusFormat();
    void AddPageHook(int kind, TPageHook hook);
    void RecalcPage();
    double PageWidth();
    double PageHeight();
    void SetMarginLeft(double v);
    void SetMarginRight(double v);
    void SetMarginTop(double v);
    void SetMarginBottom(double v);
    double GetMarginLeft() const { return marginLeft_ * unitsFactor_; }
    double GetMarginRight() const { return marginRight_ * unitsFactor_; }
    double GetMarginTop() const { return marginTop_ * unitsFactor_; }
    double GetMarginBottom() const { return marginBottom_ * unitsFactor_; }
    // Bit 0 of the destination set is the printer, bit 1 the other destination.
    void OutputPrinterOnly() { outputDest_ = uint8_t((outputDest_ & ~2) | 1); }
    void OutputOtherOnly() { outputDest_ = uint8_t((outputDest_ & ~1) | 2); }
    void OutputBoth() { outputDest_ |= 3; }
    virtual uint8_t DestinationCode() { return 0; }
    TPrintCanvas& Canvas();
    TRPBaseDevice& Device() { return GlobalDevice(); }

    // ---- cursor and lines ----
    double XPos() const { return x_ * unitsFactor_; }
    void SetXPos(double v) { x_ = v / unitsFactor_; }
    double YPos() const { return y_ * unitsFactor_; }
    void SetYPos(double v) { y_ = v / unitsFactor_; }
    double LineTop() const { return (y_ - font_.Ascent) * unitsFactor_; }
    double LineBottom() const { return (y_ + font_.Descent) * unitsFactor_; }
    double LineHeight() const { return lineHeight_ * unitsFactor_; }
    void SetLineHeight(double v);
    void SetLineTop(double v);
    int LineNum() const { return lineNum_; }
    int CurrentColumn() const { return column_; }
    // The left edge of the current column in report units.
    double ColumnLeft() const { return ColumnX(column_) * unitsFactor_; }
    int Columns() const { return columns_; }
    double SectionLeft() const { return sL_ * unitsFactor_; }
    double SectionRight() const { return sR_ * unitsFactor_; }
    double SectionBottom() const { return sB_ * unitsFactor_; }
    void GotoLine(int n);
    void SetColumn(int n);
    // Splits the section into `count` columns `spacing` report units apart.
    void SetColumns(int count, double spacing);
    void Home();
    void NewLine();
    int LinesLeft();
    void Print(const std::string& text);
    void PrintLn(const std::string& text);
    virtual void Tab(int left, int right, int top, int bottom, int shade);
    void TabPrint(const std::string& text);
    virtual double TextWidth(const std::string& text);
    // Unscaled device pixels of plain text in the current font (at least 1).
    int TextWidthPixels(const std::string& text);
    // Width and height in device pixels; 0 x 0 for empty text.
    virtual TSize TextExtent(const std::string& text);
    // Default tab spacing in report units.
    double DefaultTabSpacing() const { return 0.5; }
    virtual void PrintMemo(TBaseMemoBuf& memo, int lines, bool printTail);
    virtual bool SelectBin(const std::string& name) { return Device().SelectBin(name, false); }
    virtual void UpdateLineHeight();

    // Tab stops (report units).
    void SetTab(double pos, TPrintJustify justify, double width, double margin, int boxes,
                int shade);
    void ResetTabs();  // no stop current
    const std::vector<TTabStop>& Tabs() const { return tabs_; }
    uint8_t TabJustify = pjNone;

    // Device coordinates of report positions.
    int XD(double x) const;
    int YD(double y) const;
    int XDI(double inches) const;  // inches including the origin offsets
    int YDI(double inches) const;
    double XDPI() const { return xdpi_; }
    double YDPI() const { return ydpi_; }

    // ---- fonts, pen and brush ----
    const TReportFont& BaseFont() const { return font_; }
    void ApplyFont(const TReportFont& font);
    void SetFont(const std::string& name, double size);
    void SetFontName(const std::string& name);
    void SetFontSize(double points);
    void SetFontHeight(double height);
    void SetFontColor(TColor color);
    void SetFontPitch(TFontPitch pitch);
    void SetFontCharset(uint8_t charset);
    void SetFontRotation(int degrees);
    void SetBold(bool on);
    void SetItalic(bool on);
    void SetUnderline(bool on);
    void SetStrikeout(bool on);
    void SetSubscript(bool on);
    void SetSuperscript(bool on);
    void SetTextVPos(uint8_t pos);
    bool SaveFont(int slot);
    bool RestoreFont(int slot);
    void PushFont();
    bool PopFont();
    void PushPos();
    bool PopPos();
    virtual void SetPen(TColor color, TPenStyle style, TPenMode mode, int width);
    virtual void SetBrush(TColor color, TBrushStyle style, const TBitmap* bitmap);
    int PenPixels(int width) const;
    // Selects the report font on the canvas (and realises its line metrics once changed).
    void SelectFont();
    virtual void SetBKColor(TColor color);
    virtual void SetFrameMode(uint8_t mode) { frameMode_ = mode; }

    // ---- text and drawing, supplied by the canvas layer ----
    virtual void PrintCenter(const std::string& text, double x) = 0;
    virtual void PrintLeft(const std::string& text, double x) = 0;
    virtual void PrintRight(const std::string& text, double x) = 0;
    virtual void PrintBlock(const std::string& text, double x, double width) = 0;
    // Prints in a cell: x and width in report units.
    void PrintJustify(const std::string& text, double x, uint8_t justify, double width,
                      double margin);
    virtual void MoveTo(double x, double y) = 0;
    virtual void LineTo(double x, double y) = 0;
    virtual void TabRectangle(double x1, double y1, double x2, double y2) = 0;

protected:
    virtual void DoPrint() {
        if (OnPrint) OnPrint(*this);
    }
    virtual bool DoPrintPage();
    virtual void DoBeforePrint();
    virtual void DoAfterPrint() {
        if (OnAfterPrint) OnAfterPrint(*this);
    }
    virtual void DoNewPage() {
        if (OnNewPage) OnNewPage(*this);
    }
    virtual void DoNewColumn() {
        if (OnNewColumn) OnNewColumn(*this);
    }
    virtual void DoPrintHeader() {
        if (OnPrintHeader) OnPrintHeader(*this);
    }
    virtual void DoPrintFooter() {
        if (OnPrintFooter) OnPrintFooter(*this);
    }
    virtual void DoEndOfSection() {
        if (OnEndOfSection) OnEndOfSection(*this);
    }
    virtual void AfterNewLine() {}
    virtual void FontChanged();
    // Sets one field of the report font, then FontChanged.
    template <class Field, class Value>
    void ChangeFont(Field TReportFont::*field, Value value) {
        font_.*field = value;
        FontChanged();
    }
    virtual void AttachFont() {}
    virtual void DetachFont() {}

    void RequirePrinting() const;
    void RequireNotPrinting() const;
    bool HasPrinter() { return Device().HasPrinter(); }
    void RefreshGeometry();
    void ApplyOrientation();
    void RunHooks(int kind);
    // Puts cursor, tabs, columns, origin and pen back for a new job.
    void ResetState();
    // Frees the realised fonts and the position and tab stacks at the end of a job.
    virtual void FreeJobState();
    // Ends a failed job: the device document is dropped and the engine can print again. The
    // device's complaint about the abort itself (a job it could not drop), or nothing.
    virtual std::string AbortJob();
    double ColumnX(int column) const {
        return sL_ + (column - 1) * (columnWidth_ + columnSpacing_);
    }
    void TextCore(const std::string& text);
    void ApplyFontToCanvas(TPrintCanvas& canvas);

    // Job state.
    int currentPage_ = 0;
    bool printing_ = false;
    bool noOutput_ = false;
    TDateTime startTime_ = 0;
    uint8_t outputDest_ = 0x1F;
    uint8_t frameMode_ = 0;

    // Geometry (inches).
    double xdpi_ = 96, ydpi_ = 96;
    double uLeft_ = 0, uRight_ = 0, uTop_ = 0, uBottom_ = 0;
    double marginLeft_ = 0, marginRight_ = 0, marginTop_ = 0, marginBottom_ = 0;
    double pageLeft_ = 0, pageRight_ = 8.5, pageTop_ = 0, pageBottom_ = 11;
    double sL_ = 0, sR_ = 8.5, sT_ = 0, sB_ = 11;
    double x_ = 0, y_ = 0;
    double originX_ = 0, originY_ = 0;
    double zoom_ = 100;
    int devOffX_ = 0, devOffY_ = 0;

    // Lines and columns.
    double lineHeight_ = 1.0 / 6;
    int lineNum_ = 1;
    int columns_ = 1;
    int column_ = 1;
    double columnWidth_ = 8.5;
    double columnSpacing_ = 0;

    // Fonts.
    TReportFont font_;
    bool fontRealised_ = false;
    bool fontSuspended_ = false;
    std::array<TReportFont, 10> fontSlots_;
    std::vector<TReportFont> fontStack_;
    std::vector<std::pair<double, double>> posStack_;

    // Tabs.
    std::vector<TTabStop> tabs_;
    int tabIndex_ = -1;
    bool tabReached_ = false;

    std::vector<TPageHook> pageStartHooks_, pageEndHooks_;

private:
    TLineHeightMethod lineHeightMethod_ = lhmLinesPerInch;
    int linesPerInch_ = 6;
    TPrintUnits units_ = unInch;
    double unitsFactor_ = 1.0;
    int tabShade_ = 0;
    TBKMode bkMode_ = bkTransparent;
    int copies_ = 1;
    TOrientation currentOrientation_ = poDefault;
    TOrientation wantedOrientation_ = poPortrait;
    double scaleX_ = 100, scaleY_ = 100;
};
