// The image list's pixels over QImage: decoding with transparency, and drawing scaled (an
// image of twice the pixels drawn into its logical size is sharp on a screen scaled twice).
#include "ImagePixels.h"

#include "QtCanvas.h"

#include <cstring>

bool DecodeArgbImage(const void* data, size_t size, TArgbImage& image) {
    QImage loaded;
    if (!loaded.loadFromData(static_cast<const uchar*>(data), qsizetype(size))) return false;
    loaded = loaded.convertToFormat(QImage::Format_ARGB32);
    image.Width = loaded.width();
    image.Height = loaded.height();
    image.Pixels.resize(size_t(image.Width) * size_t(image.Height));
    for (int y = 0; y < image.Height; ++y)
        std::memcpy(&image.At(0, y), loaded.constScanLine(y), size_t(image.Width) * 4);
    return true;
}

void DrawArgbImage(TCanvas& canvas, const TRect& dest, const TArgbImage& image) {
    if (dest.IsEmpty() || image.Width <= 0 || image.Height <= 0) return;
    const QImage pixels(reinterpret_cast<const uchar*>(image.Pixels.data()), image.Width,
                        image.Height, image.Width * 4, QImage::Format_ARGB32);
    QPainter& p = canvas.Internal().P();
    const bool scaled = dest.Width() != image.Width || dest.Height() != image.Height;
    const bool smooth = p.testRenderHint(QPainter::SmoothPixmapTransform);
    if (scaled) p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.drawImage(QRect(dest.Left, dest.Top, dest.Width(), dest.Height()), pixels);
    if (scaled) p.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
}
