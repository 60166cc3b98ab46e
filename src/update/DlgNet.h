#pragma once
// The hidden window that the update server connection reports to. Its worker
// threads never wait for it: they post what they have, tagged with the number
// of the connection it belongs to, and the window turns the messages into the
// three operations below on the UI thread.
#include "NetRecvQueue.h"
#include "Wnd.h"

#include <cstdint>
#include <memory>
#include <string>

// Sent by nobody; answered 0.
constexpr UINT WM_NET_UNUSED = WM_USER + 4097;
// One received message: wParam its byte count, lParam a NetRecvData.
constexpr UINT WM_NET_RECV_DATA = WM_USER + 4098;
// The connection's state: wParam kNetConnected or kNetLost, lParam the
// connection's number.
constexpr UINT WM_NET_STATE = WM_USER + 4099;

constexpr int kNetConnected = 0;
constexpr int kNetLost = -1; // failed to connect, or lost

// lParam of WM_NET_RECV_DATA: the payload, owned by the message.
// While it lives it holds its place in the connection's queue.
struct NetRecvData {
    uint32_t session = 0;
    std::string bytes;
    std::unique_ptr<NetRecvQueue::Ticket> ticket;
};

class CDlgNet : public Wnd {
public:
    // Creates the hidden top-level window; false when it cannot be made.
    bool CreateHidden();

protected:
    virtual LRESULT OnMsgUnused(WPARAM wParam, LPARAM lParam) = 0;
    virtual LRESULT OnRecvData(WPARAM wParam, LPARAM lParam) = 0;
    virtual LRESULT OnNetState(WPARAM wParam, LPARAM lParam) = 0;

    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
};
