// What the print system knows of a queue beyond Qt: its paper sources and its default paper
// (from its printer description, PPD), the outcome of the last job; and a file's paper.
#include <unistd.h>

#include <algorithm>

#include <QLocale>
#include <QPrinterInfo>

#include "platform/Codec.h"
#include "platform/qt/QtPrinter.h"

// The PPD functions are marked as superseded; they are still the way to a queue's input sources
// on the print systems in use.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <cups/cups.h>
#include <cups/ppd.h>

std::vector<TInputSlot> ReadPpdInputSlots(const std::string& ppdPath) {
    std::vector<TInputSlot> sources;
    ppd_file_t* ppd = ppdOpenFile(ppdPath.c_str());
    if (!ppd) return sources;
    if (ppd_option_t* option = ppdFindOption(ppd, "InputSlot"))
        for (int i = 0; i < option->num_choices; ++i) {
            const ppd_choice_t& choice = option->choices[i];
            if (!choice.choice[0]) continue;
            sources.push_back(
                {choice.choice, Utf8ToAnsi(choice.text[0] ? choice.text : choice.choice)});
        }
    ppdClose(ppd);
    return sources;
}

std::optional<QPageSize> ReadPpdDefaultPaper(const std::string& ppdPath) {
    ppd_file_t* ppd = ppdOpenFile(ppdPath.c_str());
    if (!ppd) return std::nullopt;
    ppdMarkDefaults(ppd);
    std::optional<QPageSize> paper;
    if (ppd_size_t* size = ppdPageSize(ppd, nullptr); size && size->width > 0 && size->length > 0)
        paper = QPageSize(QSizeF(size->width, size->length), QPageSize::Point,
                          QString::fromUtf8(size->name), QPageSize::FuzzyMatch);
    ppdClose(ppd);
    return paper;
}

double ReadPpdLargestMargin(const std::string& ppdPath) {
    ppd_file_t* ppd = ppdOpenFile(ppdPath.c_str());
    if (!ppd) return 0;
    double largest = 0;
    for (int i = 0; i < ppd->num_sizes; ++i) {
        const ppd_size_t& size = ppd->sizes[i];
        if (size.width <= 0 || size.length <= 0) continue;  // the entry for sizes of one's own
        largest = std::max({largest, double(size.left), double(size.bottom),
                            double(size.width - size.right), double(size.length - size.top)});
    }
    if (ppd->variable_sizes)
        for (float margin : ppd->custom_margins) largest = std::max(largest, double(margin));
    ppdClose(ppd);
    return largest;
}

namespace {
// What `read` takes from the queue's printer description, fetched into a file removed after.
template <class Result>
Result ReadQueuePpd(const std::string& queueName, Result (*read)(const std::string&)) {
    if (queueName.empty()) return {};
    const char* ppd = cupsGetPPD(queueName.c_str());
    if (!ppd) return {};
    const std::string path = ppd;
    Result result = read(path);
    unlink(path.c_str());
    return result;
}
}  // namespace

std::optional<QPageSize> QueueDefaultPaper(const std::string& queueName) {
    if (queueName.empty()) return std::nullopt;
    if (std::optional<QPageSize> paper = ReadQueuePpd(queueName, ReadPpdDefaultPaper)) return paper;
    const QPrinterInfo info = QPrinterInfo::printerInfo(QString::fromStdString(queueName));
    if (info.isNull() || !info.defaultPageSize().isValid()) return std::nullopt;
    return info.defaultPageSize();
}

QPageSize LocaleDefaultPaper() {
    const QLocale::Territory where = QLocale().territory();
    return QPageSize(where == QLocale::UnitedStates || where == QLocale::Canada ? QPageSize::Letter
                                                                                : QPageSize::A4);
}

std::vector<TInputSlot> QueueInputSlots(const std::string& queueName) {
    return ReadQueuePpd(queueName, ReadPpdInputSlots);
}

double QueueLargestMargin(const std::string& queueName) {
    return ReadQueuePpd(queueName, ReadPpdLargestMargin);
}

std::optional<std::string> CancelHeldJob(const std::string& queueName, const std::string& title) {
    // Which job, on which queue, and the print system's reason.
    const auto left = [&](const std::string& job, const char* stays) {
        const char* reason = cupsLastErrorString();
        return "The aborted job " + job + " on the queue " + Utf8ToAnsi(queueName) + stays +
               Utf8ToAnsi(reason ? reason : "");
    };
    cups_job_t* jobs = nullptr;
    const int count =
        cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queueName.c_str(), 1, CUPS_WHICHJOBS_ACTIVE);
    if (count < 0) return left("\"" + title + "\"", " may stay held: ");
    int id = 0;
    for (int i = 0; i < count; ++i)
        if (jobs[i].title && title == jobs[i].title) id = std::max(id, jobs[i].id);
    cupsFreeJobs(count, jobs);
    if (id == 0 || cupsCancelJob2(CUPS_HTTP_DEFAULT, queueName.c_str(), id, 0) == IPP_STATUS_OK)
        return std::nullopt;
    return left(std::to_string(id) + " (\"" + title + "\")", " stays held: ");
}

void LastPrintSystemAnswer(int& status, std::string& message) {
    status = int(cupsLastError());
    const char* text = cupsLastErrorString();
    message = text ? text : "";
}

#pragma GCC diagnostic pop
