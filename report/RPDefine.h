// The report library's groundwork: its exception, the message hook, colour shading and the
// component base that carries the library's version.
#pragma once

#include <functional>
#include <string>

#include "platform/Classes.h"
#include "platform/Exceptions.h"
#include "platform/Graphics.h"

LORVANE_EXCEPTION(EPrintReport, Exception);

// Every message of the library passes through TranslateHook before it is raised or shown.
using TTranslateHook = std::function<std::string(const std::string&)>;
std::string DefaultTranslate(const std::string& text);
extern TTranslateHook TranslateHook;
std::string Trans(const std::string& text);
[[noreturn]] void RaiseError(const std::string& message);

// The library's message texts.
inline constexpr const char* SDeviceNotPrinting = "Invalid method call.  Device is not printing.";
inline constexpr const char* SDevicePrinting = "Invalid method call.  Device already printing.";
inline constexpr const char* SReportNotPrinting =
    "Invalid method call.  PrintReport is not printing.";
inline constexpr const char* SReportPrinting =
    "Invalid method call.  PrintReport already printing.";
inline constexpr const char* SCanvasNotActive = "Error!  Canvas not yet active.";
inline constexpr const char* SNoPrinters = "No printers are defined, aborting print job.";
inline constexpr const char* SInvalidPrinter = "Invalid Printer - %0:s on %1:s (%2:s)";
inline constexpr const char* SStatusFormat = "Printing page %p";
inline constexpr const char* SMemoNoReport = "TMemoBuf.BaseReport not assigned.";
inline constexpr const char* SMemoPrintEnd =
    "TMemoBuf.PrintEnd must be greater than TMemoBuf.PrintStart";

// Lightens `color` towards white: 100 percent keeps it, 0 gives white.
TColor ShadeColor(TColor color, int percent);

// The nearest whole number of device units, held within int's range: sizes and positions
// scaled from a report's text (an RTF font size of billions) never wrap round.
int RoundToDevice(double v);

// Base of the library's components.
class TRPComponent : public TComponent {
public:
    explicit TRPComponent(TComponent* owner = nullptr);
    const std::string& Version() const { return version_; }
    void SetVersion(const std::string&) {}

private:
    std::string version_;
};

class TRPBaseComponent : public TRPComponent {
public:
    using TRPComponent::TRPComponent;
};
