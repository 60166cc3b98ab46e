// Arbitrary bytes as what the update server sends: the stream is split into
// messages, each read as a parameter message and, when it is a version
// reply, taken by the connection. Reading must stay in bounds, and a release
// is only ever reported whole.
#include "NetCtrl.h"
#include "NetFrameReader.h"
#include "Params.h"
#include "TempFolder.h"
#include "TsLog.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace {

class Sink : public CNetCtrlNotify {
public:
    void OnVersionInfo(const tag_SoftVersionInfo* info) override
    {
        if (info && info->lastVersion.size() > kNetMaxPayload)
            __builtin_trap();
    }
    void OnConnectState(bool) override {}
    void OnReplyRefused() override {}
};

std::unique_ptr<TempFolder> g_data;
std::unique_ptr<CNetCtrl> g_net;
Sink g_sink;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    CTsLog::GetInstance().m_bWriteFile = false;
    g_data = std::make_unique<TempFolder>();
    setenv("BRELK_DATA_DIR", g_data->Path().c_str(), 1);
    g_net = std::make_unique<CNetCtrl>();
    g_net->SetNotify(&g_sink);
    std::atexit([] {
        g_net.reset();
        g_data.reset();
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    NetFrameReader reader;
    reader.Append(reinterpret_cast<const char*>(data), size);
    uint32_t command = 0, type = 0;
    std::string payload;
    while (reader.Take(command, type, payload) == NetFrameReader::Result::Message) {
        if (payload.size() > kNetMaxPayload)
            __builtin_trap();
        vornix_data_def::Params reply;
        reply.FromXml(payload.c_str());
        if (reply.GetTypeInt() == static_cast<int>(CNetCtrl::kVersionMessageType))
            g_net->ParseVersionReply(reply);
    }
    return 0;
}
