#pragma once
// The update server connection: asks the server which release of this
// software it offers. The owner starts a connection with StartConnect; the
// connect worker resolves the host and connects, the receive thread posts
// what arrives, and everything is reported to the owner on the UI thread
// through CNetCtrlNotify. A connection ends when its reply is complete or it
// fails; a message still on its way from an ended connection changes nothing.
#include "DlgNet.h"
#include "Ini.h"
#include "NetCtrlNotify.h"
#include "SoftVersionInfo.h"
#include "TcpClient.h"

#include <string>
#include <thread>

#include "Params.h"

class CNetCtrl : public CDlgNet {
public:
    // The version query and its reply.
    static constexpr uint32_t kVersionQueryCommand = 0x107;
    static constexpr uint32_t kVersionMessageType = 0x60000009;
    // Where the server is when the settings do not say.
    static constexpr const char* kDefaultServerHost = "update.vornix.com";
    static constexpr int kDefaultServerPort = 9600;
    // More tools than this in one reply are taken for a broken reply. The
    // reply must also fit the parameter message's tag bound: each tool is
    // four tags beside the reply's own (the declaration, root and its end,
    // type, result, count, isOver).
    static constexpr int kMaxToolCount = 1000;
    static constexpr size_t kReplyOwnTags = 7;
    static constexpr size_t kTagsPerTool = 4;
    static_assert(kReplyOwnTags + kTagsPerTool * kMaxToolCount <= vornix_data_def::Params::kMaxXmlTags,
                  "a reply of kMaxToolCount tools must be within the tag bound");

    // Reads the server's address from the settings.
    CNetCtrl();
    ~CNetCtrl() override;

    // [config] ServerIP and ServerPort of the data folder's "Setup.ini": an
    // empty host is the default server, port 0 is 9600.
    void LoadServerConfig();
    // Starts the connect worker for a new connection; false when the host is
    // empty or a connection is still under way.
    bool StartConnect();
    // The connect worker's body: 0 when it connected, 1 when not.
    static unsigned int ConnectThreadProc(CNetCtrl* self);
    // Sends the version query (UI thread). When it cannot be sent the loss is
    // posted, so it is reported after whatever the caller shows now.
    void SendVersionQuery();
    // Takes one reply: collects the offered releases and reports once the
    // server says it is over.
    void ParseVersionReply(const vornix_data_def::Params& reply);
    // Ends the connection (UI thread). Waits only for threads that never wait
    // for the UI.
    void CloseConnection();
    // Ends everything and destroys the window; for the program's end.
    void Shutdown();

    void SetNotify(CNetCtrlNotify* notify) { m_notify = notify; }
    const std::string& GetHost() const { return m_host; }
    uint16_t GetPort() const { return static_cast<uint16_t>(m_port & 0xFFFF); }
    bool IsBusy() const { return m_busy; }
    TcpClient& GetClient() { return m_client; }

protected:
    LRESULT OnMsgUnused(WPARAM wParam, LPARAM lParam) override;
    LRESULT OnRecvData(WPARAM wParam, LPARAM lParam) override;
    LRESULT OnNetState(WPARAM wParam, LPARAM lParam) override;
    // Posted by the update controller once the update program runs: the
    // program ends.
    void OnClose() override;

private:
    void ReportVersion(const tag_SoftVersionInfo* info);
    // Ends the connection over a reply too large to read, and says so.
    void RefuseReply();

    TcpClient m_client;
    std::string m_host;
    int m_port = 0;
    tag_SoftVersionInfo m_newest;
    CNetCtrlNotify* m_notify = nullptr;
    CIni m_settings;
    std::thread m_connectWorker;
    bool m_busy = false; // from StartConnect until the connection ends
};
