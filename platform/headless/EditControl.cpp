// The headless in-place editor: the text, caret and selection as state; keys and typing come
// from tests (HeadlessEdit.h); the focus is shared with the controls.
#include "platform/EditControl.h"
#include "platform/Codec.h"

#include <algorithm>

#include "HeadlessFocus.h"
#include "HeadlessLoop.h"
#include "platform/headless/HeadlessEdit.h"

struct TEditControl::Impl {
    std::string text;
    int selStart = 0;
    int selLength = 0;
    bool modified = false;
    bool visible = false;
    bool frame = true;
    bool redraw = true;
    TRect bounds;
    TRect margins;
};

struct EditControlAccess {
    static void KeyDown(TEditControl& e, uint16_t& k, TShiftState s) {
        headless::Guarded([&] { e.KeyDown(k, s); });
    }
    static void KeyPress(TEditControl& e, char& k) {
        headless::Guarded([&] { e.KeyPress(k); });
    }
    static bool WantKey(TEditControl& e, uint16_t k, TShiftState s) {
        bool want = false;
        headless::Guarded([&] { want = e.WantKey(k, s); });
        return want;
    }
    static void Change(TEditControl& e) {
        headless::Guarded([&] { e.Change(); });
    }
    static void FocusLost(TEditControl& e, bool toParent) {
        headless::Guarded([&] { e.FocusLost(toParent); });
    }
};
using EA = EditControlAccess;

namespace {

TEditControl* focusedEditor = nullptr;

// Replaces the selection by `insert` as typing does: modified, Change.
void ReplaceSelection(TEditControl& edit, const std::string& insert) {
    TEditControl::Impl& d = edit.Internal();
    d.text.replace(size_t(d.selStart), size_t(d.selLength), insert);
    d.selStart += int(insert.size());
    d.selLength = 0;
    d.modified = true;
    EA::Change(edit);
}

}  // namespace

void headless::EditorFocusLeaves(TCustomControl* next) {
    TEditControl* editor = focusedEditor;
    if (!editor) return;
    focusedEditor = nullptr;
    EA::FocusLost(*editor, next == &editor->Parent());
}

TEditControl::TEditControl(TCustomControl& parent)
    : parent_(parent), impl_(std::make_unique<Impl>()) {}

TEditControl::~TEditControl() {
    if (focusedEditor == this) focusedEditor = nullptr;
}

std::string TEditControl::Text() const {
    return impl_->text;
}
void TEditControl::SetText(const std::string& text) {
    impl_->text = text;
    impl_->selStart = int(text.size());
    impl_->selLength = 0;
    impl_->modified = false;
    EA::Change(*this);
}
std::string TEditControl::TextUtf8() const {
    return AnsiToUtf8(impl_->text);
}
void TEditControl::SetTextUtf8(const std::string& text) {
    SetText(Utf8ToAnsi(text));
}
bool TEditControl::Modified() const {
    return impl_->modified;
}
void TEditControl::SelectAll() {
    impl_->selStart = 0;
    impl_->selLength = int(impl_->text.size());
}
int TEditControl::SelStart() const {
    return impl_->selStart;
}
int TEditControl::SelLength() const {
    return impl_->selLength;
}
void TEditControl::SetSelStart(int position) {
    impl_->selStart = std::clamp(position, 0, int(impl_->text.size()));
    impl_->selLength = 0;
}

void TEditControl::SetFont(const TFont& font) {
    font_.Assign(font);
}
TRect TEditControl::BoundsRect() const {
    return impl_->bounds;
}
void TEditControl::SetBoundsRect(const TRect& r) {
    impl_->bounds = r;
}
void TEditControl::SetTextMargins(int left, int top, int right, int bottom) {
    impl_->margins = {left, top, right, bottom};
}
TRect TEditControl::TextMargins() const {
    return impl_->margins;
}
void TEditControl::SetFrame(bool frame) {
    impl_->frame = frame;
}
bool TEditControl::Frame() const {
    return impl_->frame;
}
void TEditControl::SetRedraw(bool on) {
    impl_->redraw = on;
}

bool TEditControl::Visible() const {
    return impl_->visible;
}
void TEditControl::Show() {
    impl_->visible = true;
}
void TEditControl::Hide() {
    impl_->visible = false;
    if (focusedEditor == this) {
        focusedEditor = nullptr;
        EA::FocusLost(*this, false);
    }
}
void TEditControl::SetFocus() {
    if (!impl_->visible || focusedEditor == this) return;
    headless::EditorFocusLeaves(nullptr);
    headless::FocusAwayFromControls();
    focusedEditor = this;
}
bool TEditControl::Focused() const {
    return focusedEditor == this;
}

void TEditControl::KeyDown(uint16_t&, TShiftState) {}
void TEditControl::KeyPress(char&) {}
bool TEditControl::WantKey(uint16_t, TShiftState) {
    return false;
}
void TEditControl::FocusLost(bool) {}

// --- Driving it from tests ---------------------------------------------------------------------

bool HeadlessEditKey(TEditControl& edit, uint16_t key, TShiftState shift) {
    if (key == VK_TAB && !EA::WantKey(edit, key, shift)) return false;
    EA::KeyDown(edit, key, shift);
    TEditControl::Impl& d = edit.Internal();
    const int length = int(d.text.size());
    switch (key) {
        case 0:
            return true;
        case VK_LEFT:
            d.selStart = d.selLength > 0 ? d.selStart : std::max(0, d.selStart - 1);
            d.selLength = 0;
            return true;
        case VK_RIGHT:
            d.selStart =
                d.selLength > 0 ? d.selStart + d.selLength : std::min(length, d.selStart + 1);
            d.selLength = 0;
            return true;
        case VK_HOME:
            d.selStart = d.selLength = 0;
            return true;
        case VK_END:
            d.selStart = length;
            d.selLength = 0;
            return true;
        case VK_BACK:
            if (d.selLength == 0 && d.selStart > 0) {
                --d.selStart;
                d.selLength = 1;
            }
            if (d.selLength > 0) ReplaceSelection(edit, "");
            return true;
        case VK_DELETE:
            if (d.selLength == 0 && d.selStart < length) d.selLength = 1;
            if (d.selLength > 0) ReplaceSelection(edit, "");
            return true;
        case VK_TAB:
            return true;
        default:
            return false;
    }
}

void HeadlessEditType(TEditControl& edit, const std::string& text) {
    for (char c : text) {
        EA::KeyPress(edit, c);
        if (c != 0 && static_cast<unsigned char>(c) >= 32)
            ReplaceSelection(edit, std::string(1, c));
    }
}

bool TEditControl::Perform(const TEditMessage& message) {
    if (message.Kind == TEditMessage::KeyDown)
        return HeadlessEditKey(*this, message.Key, message.Shift);
    HeadlessEditType(*this, std::string(1, message.Char));
    return true;
}

void HeadlessFocusElsewhere() {
    headless::EditorFocusLeaves(nullptr);
    headless::FocusAwayFromControls();
}
