// The clipboard's break conversion and the memory store.
#include "platform/Clipboard.h"

#include <map>

namespace {

class TMemoryClipboard : public TClipboardStore {
public:
    bool HasText() const override { return hasText_; }
    std::string Text() const override { return text_; }
    bool HasFormat(std::string_view format) const override {
        return formats_.count(std::string(format)) != 0;
    }
    std::string Data(std::string_view format) const override {
        auto it = formats_.find(std::string(format));
        return it == formats_.end() ? std::string() : it->second;
    }
    void Set(std::string_view text, std::string_view format, std::string_view data) override {
        text_.assign(text);
        hasText_ = true;
        formats_.clear();
        if (!format.empty()) formats_[std::string(format)] = std::string(data);
    }

private:
    bool hasText_ = false;
    std::string text_;
    std::map<std::string, std::string> formats_;
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
