// The clipboard's break conversion and the memory store.
#include "platform/Clipboard.h"

#include "platform/Codec.h"

#include <map>

namespace {

class TMemoryClipboard : public TClipboardStore {
public:
    bool HasText() const override {
        if (object_)
            return object_->HasFormat(StandardFormatUnicodeText) ||
                   object_->HasFormat(StandardFormatText);
        return hasText_;
    }
    std::string Text() const override {
        if (object_) {
            std::optional<std::string> text = object_->GetData(StandardFormatUnicodeText);
            if (!text) text = object_->GetData(StandardFormatText);
            return text ? Utf8ToAnsi(*text) : std::string();
        }
        return text_;
    }
    bool HasFormat(std::string_view format) const override {
        if (object_) return ObjectFormat(format) != 0;
        return formats_.count(std::string(format)) != 0;
    }
    std::string Data(std::string_view format) const override {
        if (object_) {
            const TClipFormat f = ObjectFormat(format);
            std::optional<std::string> data = f ? object_->GetData(f) : std::nullopt;
            return data ? *data : std::string();
        }
        auto it = formats_.find(std::string(format));
        return it == formats_.end() ? std::string() : it->second;
    }
    void Set(std::string_view text, std::string_view format, std::string_view data) override {
        PDataObject released = std::move(object_);
        object_.reset();
        text_.assign(text);
        hasText_ = true;
        formats_.clear();
        if (!format.empty()) formats_[std::string(format)] = std::string(data);
        if (released) released->ClipboardReleased();
    }
    bool SetDataObject(PDataObject object) override {
        if (!object) return false;
        PDataObject released = std::move(object_);
        object_ = std::move(object);
        hasText_ = false;
        text_.clear();
        formats_.clear();
        if (released && released != object_) released->ClipboardReleased();
        return true;
    }
    PDataObject DataObject() override {
        if (object_) return object_;
        auto copy = std::make_shared<TMemoryDataObject>();
        if (hasText_) copy->SetData(StandardFormatUnicodeText, AnsiToUtf8(text_));
        for (const auto& [mime, bytes] : formats_)
            if (TClipFormat f = ClipboardFormatOfMimeType(mime); f && !copy->HasFormat(f))
                copy->SetData(f, bytes);
        return copy;
    }
    void Clear() override {
        PDataObject released = std::move(object_);
        object_.reset();
        hasText_ = false;
        text_.clear();
        formats_.clear();
        if (released) released->ClipboardReleased();
    }

private:
    // The held object's format that a MIME type stands for, 0 when it offers none.
    TClipFormat ObjectFormat(std::string_view mime) const {
        for (TClipFormat f : object_->Formats())
            for (const std::string& type : ClipboardFormatMimeTypes(f))
                if (type == mime) return f;
        return 0;
    }

    bool hasText_ = false;
    std::string text_;
    std::map<std::string, std::string> formats_;
    PDataObject object_;  // a data object in place of the text and formats
};

TClipboardStore* installed = nullptr;

std::string ToOutside(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out += text[i] == '\r' ? '\n' : text[i];
    }
    return out;
}

std::string ToInside(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            out += "\r\n";
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

std::unique_ptr<TClipboardStore> CreateMemoryClipboard() {
    return std::make_unique<TMemoryClipboard>();
}

TClipboardStore& ClipboardStore() {
    static TMemoryClipboard memory;
    return installed ? *installed : memory;
}

void SetClipboardStore(TClipboardStore* store) {
    installed = store;
}

bool ClipboardHasText() {
    return ClipboardStore().HasText();
}

std::string ClipboardText() {
    return ToInside(ClipboardStore().Text());
}

void SetClipboardText(std::string_view text) {
    ClipboardStore().Set(ToOutside(text), {}, {});
}

void SetClipboardTextAndData(std::string_view text, std::string_view format,
                             std::string_view data) {
    ClipboardStore().Set(ToOutside(text), format, data);
}

bool ClipboardHasFormat(std::string_view format) {
    return ClipboardStore().HasFormat(format);
}

std::string ClipboardData(std::string_view format) {
    return ClipboardStore().Data(format);
}

bool SetClipboardDataObject(PDataObject object) {
    return ClipboardStore().SetDataObject(std::move(object));
}

PDataObject ClipboardDataObject() {
    return ClipboardStore().DataObject();
}

void ClearClipboard() {
    ClipboardStore().Clear();
}
