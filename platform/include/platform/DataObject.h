// Data offered to the clipboard or to a drag: a list of formats whose bytes are made only when a
// consumer asks for them. Text formats carry UTF-8 without a terminating NUL.
#pragma once

#include "platform/ClipboardFormats.h"

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class TDataObject {
public:
    virtual ~TDataObject() = default;
    // The formats offered, the preferred first.
    virtual std::vector<TClipFormat> Formats() const = 0;
    bool HasFormat(TClipFormat format) const;
    // The bytes of an offered format, made now; nullopt when the format is not offered or
    // nothing can be made of it.
    virtual std::optional<std::string> GetData(TClipFormat format) = 0;
    // Called once when the clipboard lets go of the object: another owner took the clipboard,
    // or it was emptied or replaced.
    virtual void ClipboardReleased() {}
};
using PDataObject = std::shared_ptr<TDataObject>;

// A data object over bytes given beforehand: what another program put on the clipboard.
class TMemoryDataObject : public TDataObject {
public:
    // Adds the format or replaces its bytes.
    void SetData(TClipFormat format, std::string bytes);
    std::vector<TClipFormat> Formats() const override;
    std::optional<std::string> GetData(TClipFormat format) override;

private:
    std::vector<std::pair<TClipFormat, std::string>> data_;
};
