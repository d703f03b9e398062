// Readiness of a descriptor, reported from inside the event loop of the thread that made it.
#pragma once

#include <functional>
#include <memory>

enum class TSocketNotifierType { sntRead, sntWrite, sntException };

struct TSocketNotifierState;

// Calls back while the descriptor is ready for its kind of use and the notifier is enabled.
// The readiness is level-triggered: a callback that leaves the condition in place is called
// again, so disable the notifier once its news has been handled. The notifier may be destroyed
// from inside its own callback. An exception escaping the callback is handed to the
// application's exception boundary, never to the event loop. Needs the event loop of the
// calling thread; the descriptor must stay open while the notifier exists.
class TSocketNotifier {
public:
    using TActivated = std::function<void(int descriptor)>;

    TSocketNotifier(int descriptor, TSocketNotifierType type, TActivated onActivated);
    ~TSocketNotifier();
    TSocketNotifier(const TSocketNotifier&) = delete;
    TSocketNotifier& operator=(const TSocketNotifier&) = delete;

    int Descriptor() const;
    TSocketNotifierType Type() const;
    bool Enabled() const;
    void SetEnabled(bool enabled);

    struct Impl;

private:
    friend TSocketNotifierState& SocketNotifierState(const TSocketNotifier& notifier);
    std::unique_ptr<Impl> impl_;
};
