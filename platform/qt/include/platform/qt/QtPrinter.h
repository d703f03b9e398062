// The Qt printer behind the system printer, for the printer set-up dialog: the dialog works on
// the very printer that prints (then TRPPrinterDevice::PrinterSetupChanged takes the choice over).
#pragma once

#include <QPrinter>

#include "platform/Printer.h"

// Null for printers that are not the system printer.
QPrinter* QtPrinterOf(TPrinter& printer);
