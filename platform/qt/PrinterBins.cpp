// What the print system knows of a queue beyond Qt: its paper sources (the choices of the
// InputSlot option of its printer description, PPD) and the outcome of the last job.
#include <unistd.h>

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

std::vector<TInputSlot> QueueInputSlots(const std::string& queueName) {
    if (queueName.empty()) return {};
    const char* ppd = cupsGetPPD(queueName.c_str());
    if (!ppd) return {};
    const std::string path = ppd;
    std::vector<TInputSlot> sources = ReadPpdInputSlots(path);
    unlink(path.c_str());
    return sources;
}

void LastPrintSystemAnswer(int& status, std::string& message) {
    status = int(cupsLastError());
    const char* text = cupsLastErrorString();
    message = text ? text : "";
}

#pragma GCC diagnostic pop
