#pragma once
// What the update server connection tells its owner, on the UI thread.
#include "SoftVersionInfo.h"

class CNetCtrlNotify {
public:
    virtual ~CNetCtrlNotify() = default;
    // The release the server offers; nullptr when it has no update information.
    virtual void OnVersionInfo(const tag_SoftVersionInfo* info) = 0;
    // The connection came up (true), or could not be made or was lost (false).
    virtual void OnConnectState(bool connected) = 0;
    // The server sent a reply larger than this program reads (too many tags
    // or tools); the connection has been closed.
    virtual void OnReplyRefused() = 0;
};
