// A list of equally sized images that controls draw from, with change notification.
#pragma once

#include "platform/Canvas.h"
#include "platform/Classes.h"

#include <functional>
#include <memory>
#include <vector>

class TCustomImageList;

// A control's subscription to an image list: told of every change and of the list's end.
class TChangeLink {
public:
    TChangeLink() = default;
    ~TChangeLink();
    TChangeLink(const TChangeLink&) = delete;
    TChangeLink& operator=(const TChangeLink&) = delete;

    TCustomImageList* Sender() const { return sender_; }
    // Registers with the list (nullptr: with none), leaving the previous one.
    void SetSender(TCustomImageList* list);

    std::function<void(TChangeLink*)> OnChange;
    // The list is being destroyed; Sender() is nullptr afterwards.
    std::function<void(TChangeLink*)> OnRemove;

private:
    friend class TCustomImageList;
    TCustomImageList* sender_ = nullptr;
};

// The images are Width x Height logical pixels, each held with DevicePixelRatio times as many
// pixels across and down, so that a screen scaled up shows them sharp.
class TCustomImageList : public TComponent {
public:
    explicit TCustomImageList(TComponent* owner = nullptr, int width = 16, int height = 16);
    ~TCustomImageList() override;

    int Width() const { return width_; }
    int Height() const { return height_; }
    // Changing the size empties the list.
    void SetSize(int width, int height);
    double DevicePixelRatio() const { return pixelRatio_; }
    // Changing the ratio empties the list; values below 1 count as 1.
    void SetDevicePixelRatio(double ratio);
    // An image's size in its own pixels.
    int PixelWidth() const;
    int PixelHeight() const;
    int Count() const;

    // Adds a bitmap of images PixelWidth x PixelHeight; a wider bitmap is cut into as many
    // images as fit. Pixels of the transparent colour (clNone: none) become see-through.
    // Returns the index of the first image added, -1 when nothing was added.
    int Add(const TBitmap& bitmap, TColor transparent = clNone);
    // Adds images decoded from PNG, BMP, ... bytes (their own transparency kept), cut like
    // Add; -1 when the bytes are no image.
    int AddFromData(const void* data, size_t size, TColor transparent = clNone);
    void Delete(int index);
    void Clear();
    // Draws image index at (x, y) in Width x Height logical pixels; a disabled image is drawn
    // greyed.
    void Draw(TCanvas& canvas, int x, int y, int index, bool enabled = true) const;
    // The image on a background colour.
    bool GetBitmap(int index, TBitmap& bitmap, TColor background = clWhite) const;

    void RegisterChanges(TChangeLink* link);
    void UnRegisterChanges(TChangeLink* link);
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();

    TNotifyEvent OnChange;

    struct Impl;
    Impl& Internal() const { return *impl_; }

protected:
    void Change();

private:
    void ReleaseLinks();  // tells every link the list is going and forgets them
    int AddImages(const struct TArgbImage& strip, TColor transparent);
    std::unique_ptr<Impl> impl_;
    int width_;
    int height_;
    double pixelRatio_ = 1.0;
    int updateCount_ = 0;
    bool changed_ = false;
    std::vector<TChangeLink*> links_;
};

using TImageList = TCustomImageList;

// The whole device pixels that `logical` pixels cover at a screen scale of `ratio` (kept within
// 1 to 4): an image drawn with that many pixels is shown sharp, where one of more pixels would be
// scaled down, and soft.
int DevicePixels(int logical, double ratio);
