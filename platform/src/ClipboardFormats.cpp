// Clipboard format numbers, names and MIME types.

#include "platform/ClipboardFormats.h"

#include "platform/SysUtils.h"

#include <mutex>

namespace {

constexpr const char* StandardNames[] = {"Plain text",
                                         "Windows bitmap",
                                         "Windows metafile",
                                         "Symbolic link",
                                         "Data interchange format",
                                         "Tiff image",
                                         "OEM text",
                                         "DIB image",
                                         "Palette data",
                                         "Pen data",
                                         "Riff audio data",
                                         "Wav audio data",
                                         "Unicode text",
                                         "Enhanced metafile image",
                                         "File name(s)",
                                         "Locale descriptor"};

struct TMimeEntry {
    const char* name;
    const char* mimeTypes[2];
};
constexpr TMimeEntry MimeTable[] = {
    {"Virtual Tree Data", {"application/x-lorvane-tree-data", nullptr}},
    {"Virtual Tree Reference", {"application/x-lorvane-tree-reference", nullptr}},
    {"HTML Format", {"text/html", nullptr}},
    {"Rich Text Format", {"text/rtf", "application/rtf"}},
    {"Rich Text Format Without Objects", {"application/x-lorvane-rtf-no-objects", nullptr}},
    {"CSV", {"text/csv", nullptr}},
};

std::mutex& RegistryMutex() {
    static std::mutex mutex;
    return mutex;
}
// Registered names; entry k has the number FirstRegisteredClipFormat + k.
std::vector<std::string>& RegisteredNames() {
    static std::vector<std::string> names;
    return names;
}

}  // namespace

std::string StandardClipboardFormatName(TClipFormat format) {
    return format >= 1 && format <= 16 ? StandardNames[format - 1] : "";
}

TClipFormat RegisterClipboardFormatName(std::string_view name) {
    if (name.empty()) return 0;
    for (TClipFormat f = 1; f <= 16; ++f)
        if (SameText(name, StandardNames[f - 1])) return f;
    std::lock_guard lock(RegistryMutex());
    std::vector<std::string>& names = RegisteredNames();
    for (size_t k = 0; k < names.size(); ++k)
        if (SameText(names[k], name)) return TClipFormat(FirstRegisteredClipFormat + k);
    if (names.size() >= size_t(0x10000 - FirstRegisteredClipFormat)) return 0;
    names.emplace_back(name);
    return TClipFormat(FirstRegisteredClipFormat + names.size() - 1);
}

std::string ClipboardFormatName(TClipFormat format) {
    if (format < FirstRegisteredClipFormat) return StandardClipboardFormatName(format);
    std::lock_guard lock(RegistryMutex());
    const std::vector<std::string>& names = RegisteredNames();
    const size_t k = format - FirstRegisteredClipFormat;
    return k < names.size() ? names[k] : "";
}

std::vector<std::string> ClipboardFormatMimeTypes(TClipFormat format) {
    if (format == StandardFormatText || format == StandardFormatUnicodeText) return {"text/plain"};
    const std::string name = ClipboardFormatName(format);
    if (format < FirstRegisteredClipFormat || name.empty()) return {};
    for (const TMimeEntry& entry : MimeTable) {
        if (!SameText(name, entry.name)) continue;
        std::vector<std::string> result;
        for (const char* type : entry.mimeTypes)
            if (type) result.emplace_back(type);
        return result;
    }
    return {};
}

TClipFormat ClipboardFormatOfMimeType(std::string_view mimeType) {
    if (SameText(mimeType, "text/plain")) return StandardFormatUnicodeText;
    for (const TMimeEntry& entry : MimeTable)
        for (const char* type : entry.mimeTypes)
            if (type && SameText(mimeType, type)) return RegisterClipboardFormatName(entry.name);
    return 0;
}
