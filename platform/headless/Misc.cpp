// The headless backend's small pieces: screen text measuring, image lists, popup menus, the
// folder dialog and the special folders.
#include <algorithm>
#include <cstdlib>
#include <map>
#include <tuple>

#include "HeadlessCanvas.h"
#include "HeadlessLoop.h"
#include "ImageCodec.h"
#include "ImageListState.h"
#include "platform/Codec.h"
#include "platform/Cursors.h"
#include "platform/FolderPicker.h"
#include "platform/ImageList.h"
#include "platform/Menus.h"
#include "platform/TextMetrics.h"

// --- Text measuring ----------------------------------------------------------------------------

namespace {

class TBoxFont : public TMeasuredFont {
public:
    explicit TBoxFont(const headless::FontModel& m) {
        advances_.fill(m.advance);
        metric_ = m.metric;
    }
};

class TBoxMeasurer : public TTextMeasurer {
public:
    std::shared_ptr<const TMeasuredFont> Font(const TFont& font, TFontStyles style) override {
        auto key = std::make_tuple(font.Height(), int(style & fsBold));
        auto it = cache_.find(key);
        if (it != cache_.end()) return it->second;
        auto measured = std::make_shared<TBoxFont>(headless::ModelOf(font, style));
        cache_.emplace(key, measured);
        return measured;
    }

private:
    std::map<std::tuple<int, int>, std::shared_ptr<const TMeasuredFont>> cache_;
};

}  // namespace

// The box fonts the headless canvas draws with.
std::unique_ptr<TTextMeasurer> CreateScreenTextMeasurer() {
    return std::make_unique<TBoxMeasurer>();
}

// --- Image lists -------------------------------------------------------------------------------

namespace {

struct THeadlessListImage : TListImage {
    TBitmap pixels;
    std::vector<bool> opaque;
};

}  // namespace

int TCustomImageList::Add(const TBitmap& bitmap, TColor transparent) {
    if (bitmap.Empty()) return -1;
    int first = Count(), pieces = StripPieces(bitmap.Width(), width_);
    TColor key = transparent == clNone ? clNone : ColorToRGB(transparent);
    for (int i = 0; i < pieces; ++i) {
        auto image = std::make_unique<THeadlessListImage>();
        image->pixels.SetSize(width_, height_);
        image->opaque.assign(size_t(width_) * size_t(height_), false);
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) {
                TColor c = bitmap.Pixel(i * width_ + x, y);
                if (c == clNone || c == key) continue;
                image->pixels.Internal().At(x, y) = c;
                image->opaque[size_t(y) * size_t(width_) + size_t(x)] = true;
            }
        impl_->images.push_back(std::move(image));
    }
    Change();
    return first;
}

int TCustomImageList::AddFromData(const void* data, size_t size, TColor transparent) {
    headless::DecodedImage decoded;
    if (!headless::DecodeImage(data, size, decoded)) return -1;
    // The image's own transparency counts as well as the transparent colour.
    TBitmap bitmap(decoded.width, decoded.height);
    for (int y = 0; y < decoded.height; ++y)
        for (int x = 0; x < decoded.width; ++x) {
            size_t at = size_t(y) * size_t(decoded.width) + size_t(x);
            bitmap.Internal().At(x, y) = decoded.alpha[at] < 128 ? clNone : decoded.pixels[at];
        }
    return Add(bitmap, transparent);
}

void TCustomImageList::Draw(TCanvas& canvas, int x, int y, int index, bool enabled) const {
    if (index < 0 || index >= Count()) return;
    const auto& image = static_cast<const THeadlessListImage&>(*impl_->images[size_t(index)]);
    for (int yy = 0; yy < height_; ++yy)
        for (int xx = 0; xx < width_; ++xx) {
            if (!image.opaque[size_t(yy) * size_t(width_) + size_t(xx)]) continue;
            TColor c = image.pixels.Pixel(xx, yy);
            if (!enabled) c = DisabledImageColor(c);
            canvas.SetPixel(x + xx, y + yy, c);
        }
}

// --- Popup menus -------------------------------------------------------------------------------

// A menu "shows" by being marked popped up; a test chooses an item with TMenuItem::Click.
struct TPopupMenu::Impl {
    bool shown = false;
};

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner), impl_(std::make_unique<Impl>()) {}
TPopupMenu::~TPopupMenu() = default;

void TPopupMenu::Popup(int, int) {
    CloseMenu();
    if (OnPopup) OnPopup(this);
    impl_->shown = true;
}

void TPopupMenu::CloseMenu() {
    impl_->shown = false;
}
bool TPopupMenu::IsPoppedUp() const {
    return impl_->shown;
}

// --- Folders -----------------------------------------------------------------------------------

namespace {

class NoDialogPicker : public FolderPicker {
public:
    bool Pick(const TFolderPickRequest&, std::string& folder) override {
        folder.clear();
        return false;
    }
};

}  // namespace

// Without a desktop there is no dialog: every request is cancelled.
FolderPicker& DesktopFolderPicker() {
    static NoDialogPicker picker;
    return picker;
}

// Every special folder is the home folder.
std::string SpecialFolderPath(int) {
    const char* home = std::getenv("HOME");
    return home && *home ? Utf8ToAnsi(home) : "/";
}

// --- The global cursor -------------------------------------------------------------------------

namespace {
bool globalCursorSet = false;
}  // namespace

void SetHeadlessGlobalCursor(bool set) {
    globalCursorSet = set;
}

bool GlobalCursorSet() {
    return globalCursorSet;
}
