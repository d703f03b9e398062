// The image list over QImage, with its change links.
#include "platform/ImageList.h"

#include "ImageListState.h"
#include "QtCanvas.h"
#include "platform/qt/QtColors.h"

namespace {

struct TQtListImage : TListImage {
    explicit TQtListImage(QImage image) : image(std::move(image)) {}
    QImage image;
};

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

int AddStrip(std::vector<std::unique_ptr<TListImage>>& images, const QImage& source, int width,
             int height, TColor transparent) {
    if (source.isNull()) return -1;
    int first = int(images.size());
    for (int i = 0, pieces = StripPieces(source.width(), width); i < pieces; ++i)
        images.push_back(std::make_unique<TQtListImage>(
            CutImage(source, i * width, width, height, transparent)));
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

void TCustomImageList::Draw(TCanvas& canvas, int x, int y, int index, bool enabled) const {
    if (index < 0 || index >= Count()) return;
    const QImage& image = static_cast<const TQtListImage&>(*impl_->images[size_t(index)]).image;
    QPainter& p = canvas.Internal().P();
    if (enabled) {
        p.drawImage(QPoint(x, y), image);
        return;
    }
    QImage grey = image.convertToFormat(QImage::Format_ARGB32);
    for (int yy = 0; yy < grey.height(); ++yy) {
        auto* line = reinterpret_cast<QRgb*>(grey.scanLine(yy));
        for (int xx = 0; xx < grey.width(); ++xx) {
            const TColor c =
                DisabledImageColor(RGBColor(qRed(line[xx]), qGreen(line[xx]), qBlue(line[xx])));
            line[xx] = qRgba(GetRValue(c), GetGValue(c), GetBValue(c), qAlpha(line[xx]));
        }
    }
    p.drawImage(QPoint(x, y), grey);
}
