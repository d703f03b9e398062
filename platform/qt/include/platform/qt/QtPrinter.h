// The Qt printer behind the system printer, for the printer set-up dialog: the dialog works on
// the very printer that prints (then TRPPrinterDevice::PrinterSetupChanged takes the choice over).
// Also what the system printer asks of the print system beyond Qt, and its seam for tests.
#pragma once

#include <QPageSize>
#include <QPrinter>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Printer.h"

class QDialog;
class QPainter;

// Null for printers that are not the system printer. The printer comes readied for the dialog:
// with margins that let the dialog's page set-up hand any queue the paper picked there.
QPrinter* QtPrinterOf(TPrinter& printer);
// Makes the paper picked on the properties page of a print dialog (made on QtPrinterOf's
// printer, before it is shown) go with the job after a change of queue, also where it is the
// paper the first queue had. Nothing for printers that are not the system printer.
void FollowPrintDialog(QDialog& dialog, TPrinter& printer);

// A paper source of a print queue: the keyword a job names it by and the text shown for it
// (Windows-1252).
struct TInputSlot {
    std::string Keyword;
    std::string Text;
};
// The choices of the InputSlot option of a printer description (PPD) file, in its order;
// none when the file cannot be read as one or offers no such option.
std::vector<TInputSlot> ReadPpdInputSlots(const std::string& ppdPath);
// The paper sources of a queue (its name in UTF-8), from the printer description the print
// system holds for it.
std::vector<TInputSlot> QueueInputSlots(const std::string& queueName);

// The paper a printer description (PPD) names as its default; none when the file cannot be read
// as one or names no size.
std::optional<QPageSize> ReadPpdDefaultPaper(const std::string& ppdPath);
// The default paper of a queue (its name in UTF-8): its printer description's, else what Qt
// knows of the queue; none for an unknown queue.
std::optional<QPageSize> QueueDefaultPaper(const std::string& queueName);
// The widest unprintable edge, in points, of any paper a printer description (PPD) offers, on
// any side; 0 when the file cannot be read as one.
double ReadPpdLargestMargin(const std::string& ppdPath);
// The same for a queue (its name in UTF-8), from the printer description the print system holds.
double QueueLargestMargin(const std::string& queueName);
// The paper a PDF file takes: Letter in the United States and Canada, A4 elsewhere, by the
// territory of the locale in force (QLocale()).
QPageSize LocaleDefaultPaper();

// Cancels the job this user last sent to a queue (its name in UTF-8) under `title`, held or
// not yet printed. Nothing when it is cancelled or the queue has no such job (it was never
// taken); else which job is left on which queue, and the print system's reason (Windows-1252).
std::optional<std::string> CancelHeldJob(const std::string& queueName, const std::string& title);
// The print system's answer to this thread's last request: its IPP status code and message.
void LastPrintSystemAnswer(int& status, std::string& message);
// Why a finished job is lost, or nothing when it went through: the painter could not end, the
// printer reports an error, or the print system answered the job with an error status (0x400
// and above; its message is the cause). A failure without a known cause is an empty text.
std::optional<std::string> PrintJobFailure(bool painterEnded, bool printerError,
                                           int printSystemStatus,
                                           const std::string& printSystemMessage);

// The last step of a document: ends the painter (which hands a queue's output to the print
// system) and answers as PrintJobFailure does.
using TPrintJobEnd = std::function<std::optional<std::string>(QPainter&, QPrinter&)>;
std::optional<std::string> EndPrintJob(QPainter& painter, QPrinter& printer);
// The system printer with another last step (tests: a job the print system refuses).
std::unique_ptr<TPrinter> CreateSystemPrinter(TPrintJobEnd end);
