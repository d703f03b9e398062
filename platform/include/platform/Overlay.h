// A picture laid over a control (its client area and header strip), blended by its alpha with
// what lies beneath, that the mouse passes through: what an in-window drag shows under the
// cursor. It is a child of the control's window, so it needs no compositor.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/Controls.h"

class TOverlay {
public:
    explicit TOverlay(TCustomControl& control);
    ~TOverlay();
    TOverlay(const TOverlay&) = delete;
    TOverlay& operator=(const TOverlay&) = delete;

    // The picture: 0xAARRGGBB pixels (not premultiplied), rows from the top; copied.
    void SetPicture(int width, int height, const uint32_t* pixels);
    // The picture's top-left corner in the control's client coordinates (negative y over the
    // header strip).
    void MoveTo(TPoint clientPos);
    void SetVisible(bool visible);
    bool Visible() const;
    TPoint Position() const;
    int Width() const;
    int Height() const;
    // A pixel of the picture as given (0 outside it).
    uint32_t Pixel(int x, int y) const;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};
