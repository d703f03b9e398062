// The image list over QImage, with its change links.
#include "platform/ImageList.h"

#include "QtCanvas.h"
#include "platform/qt/QtColors.h"

#include <algorithm>

struct TCustomImageList::Impl {
    std::vector<QImage> images;
};

TChangeLink::~TChangeLink() { SetSender(nullptr); }

void TChangeLink::SetSender(TCustomImageList* list) {
    if (list == sender_) return;
    if (sender_) sender_->UnRegisterChanges(this);
    if (list) list->RegisterChanges(this);
}

TCustomImageList::TCustomImageList(TComponent* owner, int width, int height)
    : TComponent(owner), impl_(std::make_unique<Impl>()), width_(std::max(1, width)),
      height_(std::max(1, height)) {}

TCustomImageList::~TCustomImageList() {
    // Links learn of the end first, so a control forgets the list before it is gone.
    std::vector<TChangeLink*> links = links_;
    links_.clear();
    for (TChangeLink* link : links) {
        link->sender_ = nullptr;
        if (link->OnRemove) link->OnRemove(link);
    }
}

void TCustomImageList::SetSize(int width, int height) {
    width = std::max(1, width);
    height = std::max(1, height);
    if (width == width_ && height == height_) return;
    width_ = width;
    height_ = height;
    impl_->images.clear();
    Change();
}

int TCustomImageList::Count() const { return int(impl_->images.size()); }

namespace {
QImage CutImage(const QImage& source, int x, int width, int height, TColor transparent) {
    QImage piece = source.copy(x, 0, width, height).convertToFormat(QImage::Format_ARGB32);
    if (transparent != clNone) {
        QRgb key = ToQColor(transparent).rgb() & 0xFFFFFFu;
        for (int yy = 0; yy < piece.height(); ++yy) {
            auto* line = reinterpret_cast<QRgb*>(piece.scanLine(yy));
            for (int xx = 0; xx < piece.width(); ++xx)
                if ((line[xx] & 0xFFFFFFu) == key) line[xx] = 0;
        }
    }
    return piece;
}

int AddStrip(std::vector<QImage>& images, const QImage& source, int width, int height,
             TColor transparent) {
    if (source.isNull()) return -1;
    int first = int(images.size());
    int pieces = std::max(1, source.width() / width);
    for (int i = 0; i < pieces; ++i)
        images.push_back(CutImage(source, i * width, width, height, transparent));
    return first;
}
}  // namespace

int TCustomImageList::Add(const TBitmap& bitmap, TColor transparent) {
    int first = AddStrip(impl_->images, BitmapImage(bitmap), width_, height_, transparent);
    if (first >= 0) Change();
    return first;
}

int TCustomImageList::AddFromData(const void* data, size_t size, TColor transparent) {
    QImage loaded;
    if (!data || size == 0 || !loaded.loadFromData(static_cast<const uchar*>(data), qsizetype(size)))
        return -1;
    int first = AddStrip(impl_->images, loaded.convertToFormat(QImage::Format_ARGB32), width_,
                         height_, transparent);
    if (first >= 0) Change();
    return first;
}

void TCustomImageList::Delete(int index) {
    if (index < 0 || index >= Count()) return;
    impl_->images.erase(impl_->images.begin() + index);
    Change();
}

void TCustomImageList::Clear() {
    if (impl_->images.empty()) return;
    impl_->images.clear();
    Change();
}

void TCustomImageList::Draw(TCanvas& canvas, int x, int y, int index, bool enabled) const {
    if (index < 0 || index >= Count()) return;
    const QImage& image = impl_->images[size_t(index)];
    QPainter& p = canvas.Internal().P();
    if (enabled) {
        p.drawImage(QPoint(x, y), image);
        return;
    }
    QImage grey = image.convertToFormat(QImage::Format_ARGB32);
    for (int yy = 0; yy < grey.height(); ++yy) {
        auto* line = reinterpret_cast<QRgb*>(grey.scanLine(yy));
        for (int xx = 0; xx < grey.width(); ++xx) {
            int g = (qGray(line[xx]) + 255 * 2) / 3;  // lightened grey, as disabled images look
            line[xx] = qRgba(g, g, g, qAlpha(line[xx]));
        }
    }
    p.drawImage(QPoint(x, y), grey);
}

bool TCustomImageList::GetBitmap(int index, TBitmap& bitmap, TColor background) const {
    if (index < 0 || index >= Count()) return false;
    bitmap.SetSize(width_, height_);
    TCanvas& canvas = bitmap.Canvas();
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    canvas.Brush().SetColor(background);
    canvas.FillRect({0, 0, width_, height_});
    Draw(canvas, 0, 0, index);
    return true;
}

void TCustomImageList::RegisterChanges(TChangeLink* link) {
    if (!link || link->sender_ == this) return;
    if (link->sender_) link->sender_->UnRegisterChanges(link);
    links_.push_back(link);
    link->sender_ = this;
}

void TCustomImageList::UnRegisterChanges(TChangeLink* link) {
    auto it = std::find(links_.begin(), links_.end(), link);
    if (it == links_.end()) return;
    links_.erase(it);
    link->sender_ = nullptr;
}

void TCustomImageList::EndUpdate() {
    if (updateCount_ > 0) --updateCount_;
    if (updateCount_ == 0 && changed_) Change();
}

void TCustomImageList::Change() {
    if (updateCount_ > 0) {
        changed_ = true;
        return;
    }
    changed_ = false;
    // A link's handler may unregister links; walk a copy and skip the ones gone meanwhile.
    std::vector<TChangeLink*> links = links_;
    for (TChangeLink* link : links)
        if (std::find(links_.begin(), links_.end(), link) != links_.end() && link->OnChange)
            link->OnChange(link);
    if (OnChange) OnChange(this);
}
