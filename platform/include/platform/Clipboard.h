// The clipboard as the Qt-free code sees it: Windows-1252 text with CR LF breaks inside the
// program and LF breaks outside it, and private formats beside the text.
#pragma once

#include "platform/DataObject.h"

#include <memory>
#include <string>
#include <string_view>

// What holds the clipboard's contents: the desktop's clipboard in the program, a plain memory
// copy in tests and tools. Text here is Windows-1252 as it is held outside (LF breaks).
class TClipboardStore {
public:
    virtual ~TClipboardStore() = default;
    virtual bool HasText() const = 0;
    virtual std::string Text() const = 0;
    virtual bool HasFormat(std::string_view format) const = 0;
    virtual std::string Data(std::string_view format) const = 0;
    // Replaces the contents by the text and, when `format` is not empty, `data` in that format,
    // in one change.
    virtual void Set(std::string_view text, std::string_view format, std::string_view data) = 0;
    // Replaces the contents by a data object whose formats are rendered when asked for; false
    // when the clipboard refused it. The object learns through ClipboardReleased when the
    // clipboard lets go of it.
    virtual bool SetDataObject(PDataObject object) = 0;
    // The contents as a data object: the one set, while it is still there, else a copy of the
    // formats the program knows. nullptr when the clipboard cannot be read.
    virtual PDataObject DataObject() = 0;
    virtual void Clear() = 0;
};

// The store in use: the one installed, else a memory store of the process.
TClipboardStore& ClipboardStore();
// Installs a store (nullptr: back to the memory store); the caller keeps it alive.
void SetClipboardStore(TClipboardStore* store);
std::unique_ptr<TClipboardStore> CreateMemoryClipboard();
// The desktop's clipboard (needs the GUI application object).
std::unique_ptr<TClipboardStore> CreateSystemClipboard();

// Text with CR LF breaks inside: written with LF, read back with CR LF (a lone CR or LF and
// CR LF all become CR LF).
bool ClipboardHasText();
std::string ClipboardText();
void SetClipboardText(std::string_view text);
// The text and, beside it, the same or other bytes in a private format.
void SetClipboardTextAndData(std::string_view text, std::string_view format, std::string_view data);
bool ClipboardHasFormat(std::string_view format);
std::string ClipboardData(std::string_view format);

// Data objects on the clipboard (see TClipboardStore).
bool SetClipboardDataObject(PDataObject object);
PDataObject ClipboardDataObject();
void ClearClipboard();
