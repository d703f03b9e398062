// The image list over QImage, with its change links.
#include "platform/ImageList.h"

#include "QtCanvas.h"
#include "platform/qt/QtColors.h"

#include <algorithm>

struct TCustomImageList::Impl {
    std::vector<QImage> images;
};

TCustomImageList::TCustomImageList(TComponent* owner, int width, int height)
    : TComponent(owner),
      impl_(std::make_unique<Impl>()),
      width_(std::max(1, width)),
      height_(std::max(1, height)) {}

TCustomImageList::~TCustomImageList() {
    ReleaseLinks();
}

int TCustomImageList::Count() const {
    return int(impl_->images.size());
}

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
    if (!data || size == 0 ||
        !loaded.loadFromData(static_cast<const uchar*>(data), qsizetype(size)))
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
