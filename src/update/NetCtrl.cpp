#include "NetCtrl.h"

#include "CodePage.h"
#include "DebugTrace.h"
#include "Params.h"
#include "ProductStrings.h"
#include "SharedHelpers.h"

#include <cstdio>

namespace {

constexpr const char* kProductSoftSn = "Teskaro_Brelk";
constexpr const char* kProductLanguage = "en";

// The text of a reply key, empty when the reply lacks it.
std::string Text(const vornix_data_def::Params& reply, const char* format, int index)
{
    char key[64];
    std::snprintf(key, sizeof key, format, index);
    const char* value = reply.GetParamString(key);
    return value ? value : "";
}

} // namespace

CNetCtrl::CNetCtrl() { LoadServerConfig(); }

CNetCtrl::~CNetCtrl() { Shutdown(); }

void CNetCtrl::LoadServerConfig()
{
    m_settings.path = GetDataFolder() + L"Setup.ini";
    m_host = WideToUtf8(m_settings.ReadStringAlloc(L"config", L"ServerIP"));
    m_port = m_settings.ReadInt(L"config", L"ServerPort");
    if (m_host.empty())
        m_host = kDefaultServerHost;
    if (m_port == 0)
        m_port = kDefaultServerPort;
}

bool CNetCtrl::StartConnect()
{
    if (m_host.empty() || m_busy)
        return false;
    if (m_connectWorker.joinable())
        m_connectWorker.join(); // ended with the connection before
    m_newest = tag_SoftVersionInfo();
    m_busy = true;
    m_connectWorker = std::thread(ConnectThreadProc, this);
    return true;
}

unsigned int CNetCtrl::ConnectThreadProc(CNetCtrl* self)
{
    if (self->m_host.empty())
        return 1;
    return self->m_client.Connect(self->m_host, self->GetPort(), self->GetSafeHwnd()) ? 0 : 1;
}

void CNetCtrl::SendVersionQuery()
{
    vornix_data_def::Params query;
    query.AddParam("product_soft_sn", kProductSoftSn);
    query.AddParam("product_version", g_productStrings[kSoftwareVersionIndex].c_str());
    query.AddParam("product_language", kProductLanguage);
    const NetResult sent = m_client.Send(kVersionQueryCommand, kVersionMessageType, query.ToXml());
    if (sent == NetResult::Ok)
        return;
    DebugTrace("server: the version query could not be sent\n");
    // The receive thread stops without a word of its own; the loss comes as
    // a message, after what the caller shows for the connection.
    m_client.Stop(-1);
    PostMessage(WM_NET_STATE, kNetLost, m_client.GetSession());
}

void CNetCtrl::ParseVersionReply(const vornix_data_def::Params& reply)
{
    if (!reply.GetParamBool("result")) {
        ReportVersion(nullptr);
        return;
    }
    int count = reply.GetParamInt("solid_tool_count");
    const bool over = reply.GetParamBool("isOver");
    if (count > kMaxToolCount) {
        RefuseReply();
        return;
    }
    if (count < 0)
        count = 0;
    for (int i = 0; i < count; ++i) {
        tag_SoftVersionInfo tool{Text(reply, "tool_name_%d", i), Text(reply, "last_version_%d", i),
                                 Text(reply, "release_date_%d", i), Text(reply, "download_path_%d", i)};
        // The last tool whose version differs is the one offered.
        if (tool.lastVersion != m_newest.lastVersion)
            m_newest = std::move(tool);
    }
    if (over)
        ReportVersion(&m_newest);
}

void CNetCtrl::ReportVersion(const tag_SoftVersionInfo* info)
{
    // The reply is complete: the connection has done its work.
    CloseConnection();
    if (m_notify)
        m_notify->OnVersionInfo(info);
}

void CNetCtrl::RefuseReply()
{
    DebugTrace("server: a reply too large to read\n");
    CloseConnection();
    if (m_notify)
        m_notify->OnReplyRefused();
}

void CNetCtrl::CloseConnection()
{
    m_client.Abort();
    if (m_connectWorker.joinable())
        m_connectWorker.join();
    m_client.Disconnect();
    m_busy = false;
}

void CNetCtrl::Shutdown()
{
    m_notify = nullptr;
    CloseConnection();
    DestroyWindow();
}

LRESULT CNetCtrl::OnMsgUnused(WPARAM, LPARAM) { return 0; }

LRESULT CNetCtrl::OnRecvData(WPARAM, LPARAM lParam)
{
    const NetRecvData* data = lParam.As<const NetRecvData>();
    if (!data || !m_busy || data->session != m_client.GetSession())
        return 0;
    vornix_data_def::Params reply;
    reply.FromXml(data->bytes.c_str());
    // Waiting for another reply would only end in the silence time-out.
    if (reply.WasTooLarge())
        RefuseReply();
    else if (reply.GetTypeInt() == static_cast<int>(kVersionMessageType))
        ParseVersionReply(reply);
    return 0;
}

LRESULT CNetCtrl::OnNetState(WPARAM wParam, LPARAM lParam)
{
    if (!m_busy || static_cast<uint32_t>(lParam.Value()) != m_client.GetSession())
        return 0;
    const bool connected = wParam.Int() == kNetConnected;
    if (!connected)
        CloseConnection();
    if (m_notify)
        m_notify->OnConnectState(connected);
    return 0;
}

void CNetCtrl::OnClose() { PostQuitMessage(0); }
