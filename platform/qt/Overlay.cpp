// The overlay over Qt: a child of the control's host widget that paints its picture with its
// alpha over what lies beneath and lets the mouse through.
#include "platform/Overlay.h"

#include <QImage>
#include <QPainter>
#include <QPointer>
#include <QWidget>

#include "platform/qt/ControlHost.h"

namespace {

class OverlayWidget : public QWidget {
public:
    explicit OverlayWidget(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
        hide();
    }
    QImage picture;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.drawImage(0, 0, picture);
    }
};

}  // namespace

struct TOverlay::Impl {
    TCustomControl* control = nullptr;
    QPointer<OverlayWidget> widget;
    TPoint pos;
    bool visible = false;
};

TOverlay::TOverlay(TCustomControl& control) : impl_(std::make_unique<Impl>()) {
    impl_->control = &control;
    if (QWidget* host = HostWidget(control)) impl_->widget = new OverlayWidget(host);
}

TOverlay::~TOverlay() {
    delete impl_->widget.data();
}

void TOverlay::SetPicture(int width, int height, const uint32_t* pixels) {
    if (!impl_->widget) return;
    QImage image(std::max(0, width), std::max(0, height), QImage::Format_ARGB32);
    for (int y = 0; y < height && pixels; ++y)
        std::copy_n(pixels + size_t(y) * size_t(width), width,
                    reinterpret_cast<uint32_t*>(image.scanLine(y)));
    impl_->widget->picture = image;
    impl_->widget->resize(width, height);
    impl_->widget->update();
}

void TOverlay::MoveTo(TPoint clientPos) {
    impl_->pos = clientPos;
    if (!impl_->widget) return;
    const TRect client = impl_->control->ClientOrigin();
    impl_->widget->move(client.Left + clientPos.X, client.Top + clientPos.Y);
}

void TOverlay::SetVisible(bool visible) {
    impl_->visible = visible;
    if (!impl_->widget) return;
    impl_->widget->setVisible(visible);
    if (visible) impl_->widget->raise();
}

bool TOverlay::Visible() const {
    return impl_->visible;
}
TPoint TOverlay::Position() const {
    return impl_->pos;
}
int TOverlay::Width() const {
    return impl_->widget ? impl_->widget->picture.width() : 0;
}
int TOverlay::Height() const {
    return impl_->widget ? impl_->widget->picture.height() : 0;
}
uint32_t TOverlay::Pixel(int x, int y) const {
    if (!impl_->widget || !impl_->widget->picture.valid(x, y)) return 0;
    return impl_->widget->picture.pixel(x, y);
}
