// The "STR0" message-table reader: validation on open, binary search on lookup.
#include "StSrMgr.h"

#include <platform/Codec.h>

namespace {

constexpr size_t HeaderSize = 8;
constexpr size_t RecordSize = 12;

int32_t ReadInt32(const uint8_t* p) {
    return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                   uint32_t(p[3]) << 24);
}

const char* BuiltInErrorText(TStStringResource::ErrorTextId id) {
    switch (id) {
        case TStStringResource::StringNotFound:
            return "String not found: %d";
        case TStStringResource::CannotLock:
            return "Cannot lock resource";
        case TStStringResource::ResourceNotFound:
            return "String resource not found: %s";
        case TStStringResource::CannotOpen:
            return "Unable to open string resource: %s";
        case TStStringResource::InvalidResource:
            return "Invalid string resource";
    }
    return "";
}

// Count, the record array and every text must lie inside the blob.
bool IsValidTable(const ResourceBlob& blob, int32_t& count) {
    if (blob.Size < HeaderSize ||
        std::string_view(reinterpret_cast<const char*>(blob.Data), 4) != "STR0")
        return false;
    count = ReadInt32(blob.Data + 4);
    if (count < 0 || HeaderSize + RecordSize * uint64_t(count) > blob.Size) return false;
    for (int32_t k = 0; k < count; ++k) {
        const uint8_t* record = blob.Data + HeaderSize + RecordSize * size_t(k);
        const int32_t offset = ReadInt32(record + 4);
        const int32_t length = ReadInt32(record + 8);
        if (offset < 0 || length < 0 || uint64_t(offset) + 2 * uint64_t(length) > blob.Size)
            return false;
    }
    return true;
}

}  // namespace

TStStringResource::TStStringResource(std::string_view resourceName,
                                     const TStStringResource* errorTexts)
    : errorTexts_(errorTexts) {
    if (resourceName.empty()) return;
    const ResourceBlob blob = FindResourceBlob(resourceName);
    if (!blob) Fail(ResourceNotFound, {resourceName});
    int32_t count = 0;
    if (!IsValidTable(blob, count)) Fail(InvalidResource);
    blob_ = blob;
    count_ = count;
}

std::string TStStringResource::GetString(int32_t id) const {
    if (!blob_) Fail(CannotLock);
    int32_t low = 0;
    int32_t high = count_ - 1;
    while (low <= high) {
        const int32_t mid = int32_t((uint32_t(low) + uint32_t(high)) / 2);
        const uint8_t* record = blob_.Data + HeaderSize + RecordSize * size_t(mid);
        const int32_t recordId = ReadInt32(record);
        if (recordId == id) {
            const size_t offset = size_t(ReadInt32(record + 4));
            const size_t length = size_t(ReadInt32(record + 8));
            std::u16string text(length, u'\0');
            for (size_t k = 0; k < length; ++k) {
                const uint8_t* unit = blob_.Data + offset + 2 * k;
                text[k] = char16_t(unit[0] | unit[1] << 8);
            }
            return Utf16ToAnsi(text);
        }
        if (recordId < id)
            low = mid + 1;
        else
            high = mid - 1;
    }
    if (ReportError) Fail(StringNotFound, {id});
    return {};
}

std::string TStStringResource::ErrorText(ErrorTextId id) const {
    // The error table may be missing or broken; the reader must still be able to report.
    if (errorTexts_ && errorTexts_->IsOpen()) {
        std::string text = errorTexts_->GetString(id);
        if (!text.empty()) return text;
    }
    return BuiltInErrorText(id);
}

void TStStringResource::Fail(ErrorTextId id, std::initializer_list<FmtArg> args) const {
    throw EStringResourceError(FormatMsg(ErrorText(id), args));
}
