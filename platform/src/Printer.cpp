// The printer factory and the release list: plain registries, free of the display toolkit.
#include "platform/Printer.h"

#include <utility>

namespace {

TPrinterFactory& Factory() {
    static TPrinterFactory factory;
    return factory;
}

std::vector<std::function<void()>>& Releases() {
    static std::vector<std::function<void()>> releases;
    return releases;
}

}  // namespace

void SetPrinterFactory(TPrinterFactory factory) {
    Factory() = std::move(factory);
}

std::unique_ptr<TPrinter> CreatePrinter() {
    return Factory() ? Factory()() : nullptr;
}

void AddPrinterRelease(std::function<void()> release) {
    Releases().push_back(std::move(release));
}

void ReleasePrinters() {
    auto releases = std::move(Releases());
    Releases().clear();
    for (auto it = releases.rbegin(); it != releases.rend(); ++it)
        if (*it) (*it)();
}
