// The socket components: timer, seconds count-down and the socket classes down to the client.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "Mswsock.h"
#include "platform/Classes.h"
#include "platform/Timer.h"

// Messages of a socket component's message window.
inline constexpr uint32_t msSocketMessage = 2146;  // socket notifications
inline constexpr uint32_t msLookupMessage = 2147;  // the end of a name look-up

// Read 1 + write 2 + out-of-band 4 + connect 16 + close 32.
inline constexpr long msSelectEvents = 55;

// A timer ticking every Interval milliseconds while Enabled and OnTimer is assigned.
class TmsTimer : public TObject {
public:
    TmsTimer();

    unsigned Interval() const { return interval_; }
    void SetInterval(unsigned milliseconds);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);  // updates the timer only when the value changes
    const TNotifyEvent& OnTimer() const { return onTimer_; }
    void SetOnTimer(TNotifyEvent handler);
    // Stops the timer and, when it should run, starts its period afresh.
    void UpdateTimer();
    bool Ticking() const { return timer_.Active(); }

private:
    unsigned interval_ = 1000;
    bool enabled_ = true;
    TNotifyEvent onTimer_;
    TTimer timer_;
};

// Counts seconds down from StartValue on a one-second timer.
class TmsTimeCounter : public TObject {
public:
    TmsTimeCounter();

    void Start();  // Count := StartValue; the timer runs (a running one is not restarted)
    void Stop();
    void Reset();  // Count := StartValue; TimedOut := false; the timer runs
    // One second gone; the timer keeps running after the time-out until stopped.
    void Tick();
    TmsTimer& Timer() { return timer_; }

    int Count = 0;
    int StartValue = 60;
    bool TimedOut = false;
    // Called by the tick that sets TimedOut.
    TNotifyEvent OnTimedOut;

private:
    TmsTimer timer_;
};

// A socket handle with a message window for its notifications, a time-out and its counter.
class TmsSocketBase : public TComponent {
public:
    explicit TmsSocketBase(TComponent* owner = nullptr);
    ~TmsSocketBase() override;

    std::string Version() const { return "2.02"; }
    void SetVersion(const std::string&) {}  // read-only; assigning does nothing

    int TimeOut() const { return timeOut_; }
    void SetTimeOut(int seconds);  // also the counter's StartValue
    bool Blocking() const { return blocking_; }
    // On an open socket, switches its mode (blocking mode ends the notifications); the counter
    // exists only in non-blocking mode.
    void SetBlocking(bool value);
    TSocket SocketHandle() const { return socket_; }
    TmsTimeCounter* TimeCounter() const { return counter_.get(); }

    // The counter's operations; nothing (false) without a counter.
    void StartTimeCounter();
    void StopTimeCounter();
    void ResetTimeCounter();
    bool TimedOut() const;

    int LastResult = 0;      // of the last connect or close
    uint16_t LastError = 0;  // carried by the last notification; 0 = none
    // How often waits have asked whether they may end: few, because they sleep on events.
    int WaitChecks() const { return waitChecks_; }

protected:
    virtual void WndProc(TWindowMessage& message) = 0;
    TWindowHandle Window() { return &window_; }
    [[noreturn]] void RaiseLastError();
    // The counter's time-out, from its tick.
    virtual void CounterTimedOut() {}
    // Processes events, sleeping between them, until `ready` or the counter's time-out; false
    // on time-out. Raises the silent EAbort when the component is freed meanwhile.
    bool WaitFor(const std::function<bool()>& ready);

    TSocket socket_ = wsINVALID_SOCKET;
    // False once the component is freed: lets code that ran the event loop see it.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);

private:
    void MakeCounter();

    class TMessageWindow : public TMessageTarget {
    public:
        explicit TMessageWindow(TmsSocketBase* owner) : owner_(owner) {}
        void Perform(TWindowMessage& message) override { owner_->WndProc(message); }

    private:
        TmsSocketBase* owner_;
    };

    TMessageWindow window_{this};
    int timeOut_ = 60;
    bool blocking_ = false;
    std::unique_ptr<TmsTimeCounter> counter_;
    int waitChecks_ = 0;
};

// A stream socket with connect and close events.
class TmsSocket : public TmsSocketBase {
public:
    explicit TmsSocket(TComponent* owner = nullptr);
    ~TmsSocket() override;  // closes a socket still open, without events

    virtual void Reset();
    void SetLinger();
    void AsyncSelect();
    // Ends the connection: the socket is closed even when the shutdown fails; a failing close
    // raises after that.
    void Disconnect();

    TNotifyEvent OnConnected;
    TNotifyEvent OnDisconnected;
    // Data notifications; reading the data is the handler's part.
    TNotifyEvent OnRead;
    TNotifyEvent OnWrite;
    TNotifyEvent OnOutOfBand;

    int SocketType = wsSOCK_STREAM;
    int Protocol = 0;
    bool Connected = false;
    bool Closed = false;
    TStringList Lines;  // received lines
    uint16_t LingerOn = 0;
    uint16_t LingerTime = 0;

protected:
    // Socket notifications of the current socket; those of an earlier socket are ignored.
    void WndProc(TWindowMessage& message) override;
    // Closes the socket without events or errors: for clean-up after a failure.
    void CloseSocket();
    // Disconnect has closed the socket (and fired OnDisconnected).
    virtual void AfterDisconnect() {}
};

using TmsProgressEvent =
    std::function<void(TObject* sender, int perc, int byteCount, int lineCount)>;
// A connect that failed, with the text Connect raises ("[10061] Connection refused",
// "Operation timed out", ...).
using TmsErrorEvent = std::function<void(TObject* sender, const std::string& message)>;

// The client side: connects to Host:Port (or to the proxy) and waits for the outcome.
class TmsClientSocket : public TmsSocket {
public:
    explicit TmsClientSocket(TComponent* owner = nullptr);

    const std::string& Host() const { return host_; }
    // "host:port" sets both unless a proxy is set; a port that is not a number gives the
    // default port, one outside 0..65535 gives 0, which no connect accepts. IPv6 literals may
    // stand bare or in brackets ("[::1]:8080").
    void SetHost(std::string value);  // a copy: SetHost(Host()) is legal
    uint16_t Port() const { return port_; }
    void SetPort(uint16_t value) { port_ = value; }
    const std::string& Proxy() const { return proxy_; }
    uint16_t ProxyPort() const { return proxyPort_; }
    uint16_t DefaultPort() const { return defaultPort_; }

    // Opens a socket and connects; in non-blocking mode waits, processing events, until the
    // connection is made (OnConnected has fired), fails (EWinsockError) or TimeOut seconds
    // have passed (EmsTimedOutError), a name look-up included. Refused while one is waiting.
    // A connect cancelled from inside the wait ends with the silent EAbort.
    virtual void Connect();
    // Connect without the wait: resets, looks the name up on a worker and starts the connect,
    // then returns. The outcome comes later, from the event loop: OnConnected, or
    // OnConnectError with the text Connect would raise (the counter's time-out included). What
    // fails before it returns is raised, as by Connect; a connect already under way is refused
    // ("[10037] ..."). In blocking mode the connection is made (OnConnected fired) on return.
    void StartConnect();
    // Ends a connect under way at once: the look-up is dropped, the socket closed, the counter
    // stopped; nothing is reported.
    void CancelConnect();
    // A connect is under way (started and not yet connected, failed or cancelled).
    bool Connecting() const { return connecting_ || waiting_; }

    TNotifyEvent OnConnecting;
    TmsErrorEvent OnConnectError;
    TmsProgressEvent OnTransferProgress;

    ~TmsClientSocket() override;

protected:
    void WndProc(TWindowMessage& message) override;
    void CounterTimedOut() override;
    void AfterDisconnect() override;
    // The port in `text`; `fallback` when it is not a number, 0 when out of range.
    static uint16_t ParsePort(std::string_view text, uint16_t fallback);
    static std::string Limit255(std::string_view text);

    std::string host_;
    uint16_t port_ = 0;
    std::string proxy_;
    uint16_t proxyPort_ = 0;
    uint16_t defaultPort_ = 0;

private:
    enum TConnectPhase { cpIdle, cpLookingUp, cpConnecting };

    // Steps 2, 4 and 5: the socket, its mode and the connect call. `lookedUp`: the counter has
    // been running since the reset, for the look-up.
    void OpenAndConnect(const TmsSockAddr& address, bool lookedUp);
    void LookUpDone(int error);
    // The connect is over: no look-up, no counter; the socket stays open when `keepSocket`.
    void Settle(bool keepSocket);
    // Settles with the socket closed and reports the failure.
    void Fail(std::exception_ptr failure);

    bool connecting_ = false;
    bool waiting_ = false;  // inside Connect's wait
    TConnectPhase phase_ = cpIdle;
    TAsyncHandle lookup_ = 0;
    THostEnt found_;  // written by the look-up until it ends or is cancelled
    uint16_t lookupPort_ = 0;
    std::exception_ptr failure_;  // the last failure reported, for Connect
};
