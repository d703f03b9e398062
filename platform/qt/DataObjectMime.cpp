#include "DataObjectMime.h"

#include <optional>
#include <string>

#include "platform/ClipboardFormats.h"
#include "platform/qt/Application.h"

TDataObjectMimeData::TDataObjectMimeData(PDataObject object) : object_(std::move(object)) {
    for (TClipFormat format : object_->Formats())
        for (const std::string& type : ClipboardFormatMimeTypes(format)) {
            const QString mime = QString::fromStdString(type);
            if (!types_.contains(mime)) {
                types_.append(mime);
                formatOf_.append(format);
            }
        }
}

QVariant TDataObjectMimeData::retrieveData(const QString& mimeType, QMetaType) const {
    const qsizetype index = types_.indexOf(mimeType);
    if (index < 0) return {};
    std::optional<std::string> bytes;
    CallGuarded([&] { bytes = object_->GetData(formatOf_[index]); });
    if (!bytes) return {};
    return QByteArray(bytes->data(), qsizetype(bytes->size()));
}
