// The socket components: timer, time counter, and the socket classes with the connect wait.
#include "Mssocket.h"

#include <algorithm>
#include <chrono>

#include "platform/EventLoop.h"
#include "platform/SysUtils.h"

// ---- TmsTimer ----

TmsTimer::TmsTimer() {
    timer_.SetEnabled(false);
    timer_.SetOnTimer([this](TObject*) {
        TNotifyEvent handler = onTimer_;
        if (handler) handler(this);
    });
}

void TmsTimer::SetInterval(unsigned milliseconds) {
    if (milliseconds == interval_) return;
    interval_ = milliseconds;
    UpdateTimer();
}

void TmsTimer::SetEnabled(bool value) {
    if (value == enabled_) return;
    enabled_ = value;
    UpdateTimer();
}

void TmsTimer::SetOnTimer(TNotifyEvent handler) {
    onTimer_ = std::move(handler);
    UpdateTimer();
}

void TmsTimer::UpdateTimer() {
    timer_.SetEnabled(false);
    timer_.SetInterval(interval_);
    if (interval_ != 0 && enabled_ && onTimer_) timer_.SetEnabled(true);
}

// ---- TmsTimeCounter ----

TmsTimeCounter::TmsTimeCounter() {
    timer_.SetEnabled(false);
    timer_.SetOnTimer([this](TObject*) { Tick(); });
}

void TmsTimeCounter::Start() {
    Count = StartValue;
    timer_.SetEnabled(true);
}

void TmsTimeCounter::Stop() {
    timer_.SetEnabled(false);
}

void TmsTimeCounter::Reset() {
    Count = StartValue;
    TimedOut = false;
    if (!timer_.Enabled()) timer_.SetEnabled(true);
}

void TmsTimeCounter::Tick() {
    --Count;
    if (Count >= 1) return;
    const bool first = !TimedOut;
    TimedOut = true;
    if (first && OnTimedOut) OnTimedOut(this);
}

// ---- TmsSocketBase ----

TmsSocketBase::TmsSocketBase(TComponent* owner) : TComponent(owner) {
    MakeCounter();
}

void TmsSocketBase::MakeCounter() {
    counter_ = std::make_unique<TmsTimeCounter>();
    counter_->StartValue = timeOut_;
    counter_->OnTimedOut = [this](TObject*) { CounterTimedOut(); };
}

TmsSocketBase::~TmsSocketBase() {
    *alive_ = false;
}

void TmsSocketBase::SetTimeOut(int seconds) {
    timeOut_ = seconds;
    if (counter_) counter_->StartValue = seconds;
}

void TmsSocketBase::SetBlocking(bool value) {
    if (socket_ != wsINVALID_SOCKET) {
        if (value &&
            Winsock.WSAAsyncSelect(socket_, Window(), msSocketMessage, 0) == wsSOCKET_ERROR)
            RaiseLastError();
        uint32_t nonBlocking = value ? 0 : 1;
        if (Winsock.ioctlsocket(socket_, wsFIONBIO, &nonBlocking) == wsSOCKET_ERROR)
            RaiseLastError();
    }
    if (value) {
        counter_.reset();
    } else if (!counter_) {
        MakeCounter();
    }
    blocking_ = value;
}

void TmsSocketBase::StartTimeCounter() {
    if (counter_) counter_->Start();
}

void TmsSocketBase::StopTimeCounter() {
    if (counter_) counter_->Stop();
}

void TmsSocketBase::ResetTimeCounter() {
    if (counter_) counter_->Reset();
}

bool TmsSocketBase::TimedOut() const {
    return counter_ && counter_->TimedOut;
}

void TmsSocketBase::RaiseLastError() {
    Winsock.RaiseLastError();
}

bool TmsSocketBase::WaitFor(const std::function<bool()>& ready) {
    struct Context {
        TmsSocketBase* self;
        const std::function<bool()>* ready;
        std::shared_ptr<bool> alive;
    } context{this, &ready, alive_};
    auto done = [](void* p) {
        auto* c = static_cast<Context*>(p);
        if (!*c->alive) return true;
        ++c->self->waitChecks_;
        return (*c->ready)() || c->self->TimedOut();
    };
    // Only for a counter that cannot tick (no event loop): the time-out and a margin.
    auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(std::max(timeOut_, 0) + 2);
    for (;;) {
        ProcessMessagesUntil(1000, done, &context);
        if (!*context.alive) Abort();
        if (ready()) return true;
        if (TimedOut() || std::chrono::steady_clock::now() >= deadline) return false;
    }
}

// ---- TmsSocket ----

TmsSocket::TmsSocket(TComponent* owner) : TmsSocketBase(owner) {}

TmsSocket::~TmsSocket() {
    if (socket_ != wsINVALID_SOCKET) CloseSocket();
}

void TmsSocket::Reset() {
    Connected = false;
    Closed = false;
    LastError = 0;
    ResetTimeCounter();
}

void TmsSocket::SetLinger() {
    TLinger linger{LingerOn, LingerTime};
    if (Winsock.setsockopt(socket_, wsSOL_SOCKET, wsSO_LINGER, &linger, int(sizeof linger)) ==
        wsSOCKET_ERROR)
        RaiseLastError();
}

void TmsSocket::AsyncSelect() {
    if (Blocking()) return;
    if (Winsock.WSAAsyncSelect(socket_, Window(), msSocketMessage, msSelectEvents) ==
        wsSOCKET_ERROR)
        RaiseLastError();
}

void TmsSocket::Disconnect() {
    if (socket_ == wsINVALID_SOCKET) return;
    TSocket s = socket_;
    // A peer that has reset the connection makes the shutdown fail (not connected); the
    // socket must be closed all the same.
    Winsock.shutdown(s, wsSD_SEND);
    socket_ = wsINVALID_SOCKET;
    LastResult = Winsock.closesocket(s);
    if (LastResult == wsSOCKET_ERROR) {
        const int code = Winsock.WSAGetLastError();
        AfterDisconnect();
        Winsock.RaiseWinsockError(code);
    }
    std::shared_ptr<bool> alive = alive_;
    if (OnDisconnected) OnDisconnected(this);
    if (*alive) AfterDisconnect();
}

void TmsSocket::CloseSocket() {
    if (socket_ == wsINVALID_SOCKET) return;
    TSocket s = socket_;
    socket_ = wsINVALID_SOCKET;
    try {
        Winsock.closesocket(s);
    } catch (const EWinsockError&) {
        // Only a library without closesocket gets here; nothing is left to do.
    }
}

void TmsSocket::WndProc(TWindowMessage& message) {
    if (message.Msg != msSocketMessage) return;
    message.Result = 0;
    // A late notification of a socket closed since must not decide the fate of this one.
    if (socket_ == wsINVALID_SOCKET || TSocket(message.WParam) != socket_) return;
    LastError = TmsWinsock::SelectError(message.LParam);
    if (LastError != 0) return;
    switch (TmsWinsock::SelectEvent(message.LParam)) {
        case wsFD_CONNECT:
            Connected = true;
            if (OnConnected) OnConnected(this);
            break;
        case wsFD_CLOSE:
            Closed = true;
            if (OnDisconnected) OnDisconnected(this);
            break;
        case wsFD_READ:
            if (OnRead) OnRead(this);
            break;
        case wsFD_WRITE:
            if (OnWrite) OnWrite(this);
            break;
        case wsFD_OOB:
            if (OnOutOfBand) OnOutOfBand(this);
            break;
        default:
            break;
    }
}

// ---- TmsClientSocket ----

TmsClientSocket::TmsClientSocket(TComponent* owner) : TmsSocket(owner) {}

std::string TmsClientSocket::Limit255(std::string_view text) {
    return std::string(text.substr(0, std::min<size_t>(text.size(), 255)));
}

uint16_t TmsClientSocket::ParsePort(std::string_view text, uint16_t fallback) {
    int32_t value = 0;
    if (ValInt(text, value) == 0) return value >= 0 && value <= 65535 ? uint16_t(value) : 0;
    // A decimal number too long for 32 bits is out of range too, not "no number".
    bool digits = !text.empty() && std::all_of(text.begin(), text.end(),
                                               [](char c) { return c >= '0' && c <= '9'; });
    return digits ? 0 : fallback;
}

void TmsClientSocket::SetHost(std::string value) {
    size_t colon = value.find(':');
    if (colon == std::string::npos || !proxy_.empty()) {
        host_ = Limit255(value);
        if (defaultPort_ > 0) port_ = defaultPort_;
        return;
    }
    size_t close = value.find(']');
    if (value.front() == '[' && close != std::string::npos) {
        // A bracketed IPv6 literal, perhaps with a port after it.
        host_ = Limit255(std::string_view(value).substr(1, close - 1));
        std::string_view rest = std::string_view(value).substr(close + 1);
        if (!rest.empty() && rest.front() == ':')
            port_ = ParsePort(rest.substr(1), defaultPort_);
        else if (defaultPort_ > 0)
            port_ = defaultPort_;
        return;
    }
    if (value.find(':', colon + 1) != std::string::npos) {
        // More than one colon: a bare IPv6 literal, which cannot carry a port.
        host_ = Limit255(value);
        if (defaultPort_ > 0) port_ = defaultPort_;
        return;
    }
    host_ = Limit255(std::string_view(value).substr(0, colon));
    port_ = ParsePort(std::string_view(value).substr(colon + 1), defaultPort_);
}

namespace {

std::exception_ptr WinsockFailure(int code) {
    try {
        Winsock.RaiseWinsockError(code);
    } catch (...) {
        return std::current_exception();
    }
    return nullptr;
}

std::string MessageOf(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const Exception& e) {
        return e.Message;
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return std::string();
    }
}

}  // namespace

TmsClientSocket::~TmsClientSocket() {
    // The look-up writes into a member: it must end before the members do.
    Settle(true);
}

void TmsClientSocket::WndProc(TWindowMessage& message) {
    if (message.Msg == msLookupMessage) {
        message.Result = 0;
        if (lookup_ == 0 || message.WParam != lookup_) return;
        lookup_ = 0;
        LookUpDone(TmsWinsock::SelectError(message.LParam));
        return;
    }
    if (message.Msg == msSocketMessage && phase_ == cpConnecting && socket_ != wsINVALID_SOCKET &&
        TSocket(message.WParam) == socket_) {
        const uint16_t error = TmsWinsock::SelectError(message.LParam);
        if (error != 0) {
            message.Result = 0;
            LastError = error;
            Fail(WinsockFailure(error));
            return;
        }
        // Settled before OnConnected, so that its handler may start the next connect.
        if (TmsWinsock::SelectEvent(message.LParam) == wsFD_CONNECT) Settle(true);
    }
    TmsSocket::WndProc(message);
}

void TmsClientSocket::CounterTimedOut() {
    if (phase_ != cpIdle) Fail(std::make_exception_ptr(EmsTimedOutError("Operation timed out")));
}

void TmsClientSocket::AfterDisconnect() {
    // Disconnected before the connection was made.
    if (phase_ == cpConnecting) Fail(WinsockFailure(WSAECONNABORTED));
}

void TmsClientSocket::Settle(bool keepSocket) {
    if (lookup_ != 0) {
        const TAsyncHandle handle = lookup_;
        lookup_ = 0;
        try {
            Winsock.WSACancelAsyncRequest(handle);  // `found_` is not written after this
        } catch (const EWinsockError&) {
            // Only a library without the function gets here; it started no look-up either.
        }
    }
    phase_ = cpIdle;
    connecting_ = false;
    StopTimeCounter();
    if (!keepSocket) CloseSocket();
}

void TmsClientSocket::Fail(std::exception_ptr failure) {
    Settle(false);
    failure_ = failure;
    if (OnConnectError) OnConnectError(this, MessageOf(failure));
}

void TmsClientSocket::StartConnect() {
    // A second connect would take over the socket of the first.
    if (connecting_ || waiting_) Winsock.RaiseWinsockError(WSAEALREADY);
    std::shared_ptr<bool> alive = alive_;
    connecting_ = true;
    failure_ = nullptr;
    try {
        // A socket left open by an earlier connect goes first: its notifications (a reset,
        // say) would otherwise arrive while this one is under way and fail it.
        CloseSocket();
        Reset();  // the counter runs from here
        if (OnConnecting) OnConnecting(this);
        const bool viaProxy = !proxy_.empty();
        const std::string host = viaProxy ? proxy_ : host_;
        const uint16_t port = viaProxy ? proxyPort_ : port_;
        if (Blocking() || Winsock.IsAddress(host)) {
            OpenAndConnect(Winsock.SockAddrOf(Winsock.Resolve(host), port), false);
            return;
        }
        if (host.find('\0') != std::string::npos) Winsock.RaiseWinsockError(WSAHOST_NOT_FOUND);
        found_ = THostEnt();
        const TAsyncHandle handle =
            Winsock.WSAAsyncGetHostByName(Window(), msLookupMessage, host.c_str(), &found_);
        if (handle == 0) RaiseLastError();
        lookup_ = handle;
        lookupPort_ = port;
        phase_ = cpLookingUp;
    } catch (...) {
        if (*alive) Settle(false);
        throw;
    }
}

void TmsClientSocket::LookUpDone(int error) {
    std::shared_ptr<bool> alive = alive_;
    try {
        if (error != 0) Winsock.RaiseWinsockError(error);
        OpenAndConnect(Winsock.SockAddrOf(Winsock.HostAddressText(found_), lookupPort_), true);
    } catch (...) {
        if (*alive) Fail(std::current_exception());
    }
}

void TmsClientSocket::OpenAndConnect(const TmsSockAddr& address, bool lookedUp) {
    socket_ = Winsock.socket(address.Family, SocketType, Protocol);
    if (socket_ == wsINVALID_SOCKET) RaiseLastError();
    if (Protocol == 0) SetLinger();
    SetBlocking(Blocking());
    AsyncSelect();
    LastResult = Winsock.connect(socket_, address.Data(), address.Length());
    if (LastResult == wsSOCKET_ERROR) {
        const int code = Winsock.WSAGetLastError();
        const bool underWay = !Blocking() && (code == WSAEWOULDBLOCK || code == WSAEINPROGRESS);
        if (!underWay) Winsock.RaiseWinsockError(code);
    }
    if (Blocking()) {
        Settle(true);
        Connected = true;
        if (OnConnected) OnConnected(this);
        return;
    }
    if (SocketType != wsSOCK_STREAM || Protocol != 0) {
        Settle(true);  // no connect event to wait for
        return;
    }
    // After a look-up the counter has run since the reset: its time counts against the
    // time-out.
    if (!lookedUp) StartTimeCounter();
    phase_ = cpConnecting;
}

void TmsClientSocket::CancelConnect() {
    if (connecting_) Settle(false);
}

void TmsClientSocket::Connect() {
    if (connecting_ || waiting_) Winsock.RaiseWinsockError(WSAEALREADY);
    std::shared_ptr<bool> alive = alive_;
    StartConnect();
    if (!connecting_) return;  // blocking mode, or nothing to wait for
    waiting_ = true;
    struct Leave {
        TmsClientSocket* self;
        std::shared_ptr<bool> alive;
        ~Leave() {
            if (*alive) self->waiting_ = false;
        }
    } leave{this, alive};
    // Raises the silent EAbort when the component is freed meanwhile.
    const bool over = WaitFor([this] { return !connecting_; });
    if (!over) {
        // Only a counter that could not tick gets here.
        CancelConnect();
        throw EmsTimedOutError("Operation timed out");
    }
    if (failure_) {
        std::exception_ptr failure = failure_;
        failure_ = nullptr;
        std::rethrow_exception(failure);
    }
    if (!Connected) Abort();  // cancelled from inside the wait
}
