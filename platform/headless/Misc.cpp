// The headless backend's small pieces: screen text measuring, the image list's pixels, popup
// menus, the folder dialog and the special folders.
#include <algorithm>
#include <cstdlib>
#include <map>
#include <tuple>

#include "HeadlessCanvas.h"
#include "HeadlessLoop.h"
#include "ImageCodec.h"
#include "ImagePixels.h"
#include "platform/Codec.h"
#include "platform/Cursors.h"
#include "platform/FolderPicker.h"
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

// --- Image pixels ------------------------------------------------------------------------------

bool DecodeArgbImage(const void* data, size_t size, TArgbImage& image) {
    headless::DecodedImage decoded;
    if (!headless::DecodeImage(data, size, decoded)) return false;
    image.Width = decoded.width;
    image.Height = decoded.height;
    image.Pixels.resize(decoded.pixels.size());
    for (size_t i = 0; i < decoded.pixels.size(); ++i) {
        const TColor c = decoded.pixels[i];
        image.Pixels[i] = uint32_t(decoded.alpha[i]) << 24 | (c & 0xFFu) << 16 | (c & 0xFF00u) |
                          (c >> 16 & 0xFFu);
    }
    return true;
}

// Each target pixel takes the image's pixel at the same place (nearest); pixels less than half
// opaque leave the canvas as it was.
void DrawArgbImage(TCanvas& canvas, const TRect& dest, const TArgbImage& image) {
    const int w = dest.Width(), h = dest.Height();
    if (w <= 0 || h <= 0 || image.Width <= 0 || image.Height <= 0) return;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t p = image.At(x * image.Width / w, y * image.Height / h);
            if ((p >> 24) < 128) continue;
            canvas.SetPixel(dest.Left + x, dest.Top + y,
                            RGBColor(uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)));
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
