// Descriptor readiness over QSocketNotifier.
#include "platform/SocketNotifier.h"

#include <QSocketNotifier>

#include "platform/qt/Application.h"

struct TSocketNotifier::Impl {
    QSocketNotifier* notifier = nullptr;
    int descriptor = -1;
    TSocketNotifierType type = TSocketNotifierType::sntRead;
    TActivated onActivated;
    // Points at the running callback's flag while it runs (see ~TSocketNotifier).
    bool* destroyed = nullptr;
};

namespace {

QSocketNotifier::Type QtType(TSocketNotifierType type) {
    switch (type) {
        case TSocketNotifierType::sntRead:
            return QSocketNotifier::Read;
        case TSocketNotifierType::sntWrite:
            return QSocketNotifier::Write;
        case TSocketNotifierType::sntException:
            return QSocketNotifier::Exception;
    }
    return QSocketNotifier::Read;
}

}  // namespace

TSocketNotifier::TSocketNotifier(int descriptor, TSocketNotifierType type, TActivated onActivated)
    : impl_(std::make_unique<Impl>()) {
    impl_->descriptor = descriptor;
    impl_->type = type;
    impl_->onActivated = std::move(onActivated);
    impl_->notifier = new QSocketNotifier(qintptr(descriptor), QtType(type));
    QObject::connect(impl_->notifier, &QSocketNotifier::activated, [impl = impl_.get()] {
        // Nested event loops inside the callback must not run it again for the same news.
        if (impl->destroyed || !impl->onActivated) return;
        TActivated callback = impl->onActivated;
        bool destroyed = false;
        impl->destroyed = &destroyed;
        CallGuarded([&] { callback(impl->descriptor); });
        if (!destroyed) impl->destroyed = nullptr;
    });
}

TSocketNotifier::~TSocketNotifier() {
    QSocketNotifier* notifier = impl_->notifier;
    // Disabling unregisters the descriptor at once, so it may be closed right after.
    notifier->setEnabled(false);
    QObject::disconnect(notifier, nullptr, nullptr, nullptr);
    if (impl_->destroyed) {
        *impl_->destroyed = true;
        notifier->deleteLater();
    } else {
        delete notifier;
    }
}

int TSocketNotifier::Descriptor() const {
    return impl_->descriptor;
}
TSocketNotifierType TSocketNotifier::Type() const {
    return impl_->type;
}
bool TSocketNotifier::Enabled() const {
    return impl_->notifier->isEnabled();
}
void TSocketNotifier::SetEnabled(bool enabled) {
    impl_->notifier->setEnabled(enabled);
}
