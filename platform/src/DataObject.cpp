// Data objects over stored bytes.
#include "platform/DataObject.h"

#include <algorithm>

bool TDataObject::HasFormat(TClipFormat format) const {
    const std::vector<TClipFormat> formats = Formats();
    return format != 0 && std::find(formats.begin(), formats.end(), format) != formats.end();
}

void TMemoryDataObject::SetData(TClipFormat format, std::string bytes) {
    for (auto& entry : data_)
        if (entry.first == format) {
            entry.second = std::move(bytes);
            return;
        }
    data_.emplace_back(format, std::move(bytes));
}

std::vector<TClipFormat> TMemoryDataObject::Formats() const {
    std::vector<TClipFormat> formats;
    for (const auto& entry : data_) formats.push_back(entry.first);
    return formats;
}

std::optional<std::string> TMemoryDataObject::GetData(TClipFormat format) {
    for (const auto& entry : data_)
        if (entry.first == format) return entry.second;
    return std::nullopt;
}
