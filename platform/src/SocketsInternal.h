// What the parts of the sockets module share among themselves.
#pragma once

#include "platform/Sockets.h"

namespace sockets_internal {

// The calling thread's last error, as "WSAGetLastError" reports it.
void SetLastError(int error);
int LastError();

// The sockets module's export of that name as it stands now (a test may have replaced it).
TProc Export(std::string_view name);

// Tell the asynchronous selections that a non-blocking connect has begun on `s` (its outcome
// is reported as a connect event), or that `s` is about to be closed.
void ConnectStarted(TSocket s);
void SocketClosing(TSocket s);

// The asynchronous exports.
int AsyncSelect(TSocket s, TWindowHandle window, uint32_t message, long events);
TAsyncHandle AsyncGetHostByName(TWindowHandle window, uint32_t message, const char* name,
                                THostEnt* result);
int CancelAsyncRequest(TAsyncHandle request);

}  // namespace sockets_internal
