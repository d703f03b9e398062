// A single-line text editor that lives over a control's client area: the in-place editor of a
// cell. It is a child of its parent control's window, placed in the parent's client
// coordinates, created hidden. Text is Windows-1252.
#pragma once

#include "platform/Controls.h"

#include <memory>
#include <string>

// An event handed to an editor from outside, as its owner received it: a key press, or a
// character typed.
struct TEditMessage {
    enum TKind { KeyDown, Character };
    TKind Kind = KeyDown;
    uint16_t Key = 0;  // KeyDown: the virtual key
    TShiftState Shift = 0;
    char Char = 0;  // Character: the Windows-1252 byte
};

class TEditControl {
public:
    explicit TEditControl(TCustomControl& parent);
    virtual ~TEditControl();
    TEditControl(const TEditControl&) = delete;
    TEditControl& operator=(const TEditControl&) = delete;

    TCustomControl& Parent() const { return parent_; }

    // --- Text and caret --------------------------------------------------------------------
    std::string Text() const;
    // Replaces the text (Change follows); the text counts as not modified afterwards.
    void SetText(const std::string& text);
    // The same text as UTF-8 (the headless editor keeps Windows-1252: a character the code
    // page lacks comes back as '?').
    std::string TextUtf8() const;
    void SetTextUtf8(const std::string& text);
    // Whether the user changed the text since it was last set.
    bool Modified() const;
    void SelectAll();
    int SelStart() const;   // the caret when nothing is selected
    int SelLength() const;  // 0: nothing selected
    // Places the caret (no selection), clamped to the text.
    void SetSelStart(int position);

    // --- Look and place --------------------------------------------------------------------
    const TFont& Font() const { return font_; }
    void SetFont(const TFont& font);
    // The editor's rectangle in the parent's client coordinates.
    TRect BoundsRect() const;
    void SetBoundsRect(const TRect& r);
    // The room between the editor's edges and its text (the formatting rectangle).
    void SetTextMargins(int left, int top, int right, int bottom);
    TRect TextMargins() const;
    // A frame around the editor, or none.
    void SetFrame(bool frame);
    bool Frame() const;
    // Painting off while a change of size happens in steps.
    void SetRedraw(bool on);

    bool Visible() const;
    void Show();
    void Hide();
    void SetFocus();
    bool Focused() const;

    // Handles the event as if the user gave it to the editor (its own handlers first);
    // returns whether the editor used it.
    bool Perform(const TEditMessage& message);

    struct Impl;
    Impl& Internal() const { return *impl_; }

protected:
    // A key pressed in the editor before the editor's own handling: set it to 0 when used; a
    // different key replaces it (the editor handles that one instead).
    virtual void KeyDown(uint16_t& key, TShiftState shift);
    // A character about to be typed: set it to 0 to swallow it.
    virtual void KeyPress(char& key);
    // Whether the editor takes a navigation key (Tab) instead of the form.
    virtual bool WantKey(uint16_t key, TShiftState shift);
    // The text changed (typing or SetText).
    virtual void Change() {}
    // The focus left the editor; toParent when it went to the parent control.
    virtual void FocusLost(bool toParent);

private:
    friend struct EditControlAccess;  // the backends call the handlers above
    TCustomControl& parent_;
    TFont font_;
    std::unique_ptr<Impl> impl_;
};
