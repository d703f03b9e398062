// Descriptor readiness over QSocketNotifier.
#include "platform/SocketNotifier.h"

#include <QSocketNotifier>

#include "SocketNotifierState.h"
#include "platform/qt/Application.h"

struct TSocketNotifier::Impl : TSocketNotifierState {
    QSocketNotifier* notifier = nullptr;
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
        impl->Activate([](const std::function<void()>& call) { CallGuarded(call); });
    });
}

TSocketNotifier::~TSocketNotifier() {
    QSocketNotifier* notifier = impl_->notifier;
    // Disabling unregisters the descriptor at once, so it may be closed right after.
    notifier->setEnabled(false);
    QObject::disconnect(notifier, nullptr, nullptr, nullptr);
    // The running callback's notifier goes once the callback has returned.
    if (impl_->Release())
        notifier->deleteLater();
    else
        delete notifier;
}

TSocketNotifierState& SocketNotifierState(const TSocketNotifier& notifier) {
    return *notifier.impl_;
}
bool TSocketNotifier::Enabled() const {
    return impl_->notifier->isEnabled();
}
void TSocketNotifier::SetEnabled(bool enabled) {
    impl_->notifier->setEnabled(enabled);
}
