#include "TsNetlayer.h"

#include "Clock.h"
#include "SerialPort.h"
#include "TsEnDecode.h"
#include "TsLog.h"

#include <algorithm>

CBinary BuildToolCommand(const CBinary& data, const CTsNetlayerBase& link)
{
    const CRFConfig& rf = link.m_RfConfig;
    const CBinary sh = rf.GetShData();
    CTsLog::GetInstance().HexDump(sh, "SH Data:");

    const int syncLength = sh.GetSize();
    const int taken = std::min(syncLength, SYNC_HEADER_MAX_SENT);
    const uint8_t* shBytes = sh.GetBuffer();
    const uint8_t* sent = shBytes ? shBytes + (syncLength - taken) : nullptr;
    const bool complemented = rf.CodeType == 2 || rf.CodeType == 3;

    CBinary body;
    const CBinary lfWire = link.m_LfConfig.ToToolData();
    const CBinary rfWire = rf.ToToolData();
    const int bodySize = lfWire.GetSize() + 2 + data.GetSize() + rfWire.GetSize() + 2 + 2 * taken;
    if (bodySize + COMMAND_FRAME_OVERHEAD > BINARY_MAX_SIZE || body.Reserve(bodySize) != BINARY_OK) {
        CTsLog::GetInstance().Error("BuildToolCommand Error. Data(%d) too long.", data.GetSize());
        return CBinary();
    }
    body.Append(lfWire);
    AppendLe16(body, static_cast<uint16_t>(data.GetSize()));
    body.Append(data);
    body.Append(rfWire);
    body.Add(syncLength > SYNC_HEADER_MAX_SENT ? 8 * SYNC_HEADER_MAX_SENT : static_cast<uint8_t>(rf.SHSize));
    // The length byte gives the full header length; a header of more than 255
    // bytes is not one a Brelk takes, so it is not wrapped to a short one.
    body.Add(static_cast<uint8_t>(std::min(syncLength, 255)));
    body.Append(sent, taken);
    for (int i = 0; i < taken; ++i)
        body.Add(complemented ? static_cast<uint8_t>(sent[i] ^ 0xFF) : sent[i]);

    uint32_t sum = 0;
    for (int i = 0; i < body.GetSize(); ++i)
        sum += body.GetBuffer()[i];

    CBinary frame;
    frame.Reserve(body.GetSize() + COMMAND_FRAME_OVERHEAD);
    frame.Append(BRELK_COMMAND_HEAD, sizeof BRELK_COMMAND_HEAD);
    frame.Add(BRELK_KIND_EXCHANGE);
    AppendLe16(frame, static_cast<uint16_t>(body.GetSize()));
    frame.Append(body);
    AppendLe32(frame, sum);
    frame.Add(BRELK_FRAME_END);
    return frame;
}

CTsNetlayer::~CTsNetlayer() { SerialClose(); }

CBinary CTsNetlayer::BuildToolData(const CBinary& data) const
{
    const CLFConfig& lf = m_LfConfig;
    if (lf.LfMode < 8)
        return BuildToolCommand(data, *this);
    // A preamble of AA bytes ending in AB, the sync bytes 8B 32, then the
    // line-coded data; only the data is coded.
    const int preamble = (lf.LfMode * 125) >> 7;
    CBinary field;
    for (int i = 0; i < preamble; ++i)
        field.Add(i + 1 < preamble ? LF_PREAMBLE_BYTE : LF_PREAMBLE_LAST);
    field.Append(LF_SYNC, sizeof LF_SYNC);
    if (field.Append(CTsEnDecode::GetInstance().Encode(data, lf.LfCodeType)) != BINARY_OK)
        return CBinary();
    return BuildToolCommand(field, *this);
}

bool CTsNetlayer::WriteToPort(const CBinary& bytes)
{
    if (!g_bSerialOpen && !SerialOpen(g_nBrelkPort))
        return false;
    // A Stop ends the wait of a stalled line for room; what went out counts.
    return SerialWrite(bytes.GetBuffer(), bytes.GetSize(), &g_bAbort) > 0;
}

bool CTsNetlayer::Send(const CBinary& data)
{
    if (g_bAbort.IsSet())
        return false;
    CBinary frame = BuildToolData(data);
    CTsLog::GetInstance().HexDump(frame, "Send CommData: ");
    // A reply is taken only after its own request went out.
    SerialDropStale();
    return WriteToPort(frame);
}

void CTsNetlayer::Recv(CTsReceive& recv)
{
    recv.clear();
    if (!g_bSerialOpen) {
        if (!SerialOpen(g_nBrelkPort)) {
            g_bAbort.Set();
            return;
        }
        g_bAbort.Clear();
    }
    CBinary bytes = RecvFrames(m_LfConfig.DurationTm);
    CTsLog::GetInstance().HexDump(bytes, "Recv CommData: ");
    recv.Parse(bytes);
}

void CTsNetlayer::SendRecv(CTsReceive& recv, const CBinary& data)
{
    // Send refuses while the flag is set, so after a send that went out the flag
    // can only hold a Stop that came during the write: keep it, don't clear it.
    if (!Send(data))
        g_bAbort.Set();
    Recv(recv);
}

bool CTsNetlayer::Reset()
{
    const uint8_t reset[] = {BRELK_COMMAND_HEAD[0], BRELK_COMMAND_HEAD[1], BRELK_KIND_RESET, BRELK_FRAME_END};
    const bool written = WriteToPort(CBinary(reset, sizeof reset));
    Sleep(BRELK_RESET_SETTLE_MS);
    uint8_t discard[RECV_READ_CHUNK];
    SerialRead(discard, RECV_READ_CHUNK);
    if (written)
        g_bAbort.Clear();
    else
        g_bAbort.Set();
    return written;
}

CBinary CTsNetlayer::RecvFrames(uint32_t timeoutWord)
{
    CBinary collected;
    const int expected = m_nRecvFrames;
    if (expected == 0)
        return collected;
    const bool counting = (timeoutWord & RECV_WAIT_WHOLE_TIMEOUT) == 0;
    const uint32_t timeout = timeoutWord & ~RECV_WAIT_WHOLE_TIMEOUT;
    CTsLog::GetInstance().Debug("Need to Recv %d frame from comm,TimeOut:%d", expected, static_cast<int>(timeout));
    const uint32_t start = GetTickCount();
    if (g_bAbort.IsSet())
        return collected;

    uint8_t chunk[RECV_READ_CHUNK];
    for (;;) {
        const int room = std::min(RECV_READ_CHUNK, BINARY_MAX_SIZE - collected.GetSize());
        const int n = SerialRead(chunk, room);
        if (n < 0)
            break; // the port is gone: no more bytes will come
        if (n > 0) {
            collected.Append(chunk, n);
            if (counting) {
                const int count = CTsReceive::CountFrames(collected.GetBuffer(), collected.GetSize());
                if (count == expected) {
                    CTsLog::GetInstance().Debug("FrameCnt:%d", count);
                    break;
                }
            }
        }
        // Elapsed time modulo 2^32, so a wrap of the tick counter during the
        // receive neither ends it early nor makes it wait forever.
        const uint32_t elapsed = TicksSince(start, GetTickCount());
        if (elapsed > timeout) {
            CTsLog::GetInstance().Record("-------------TimeOut:%d------------", static_cast<int>(timeout));
            break;
        }
        if (g_bAbort.IsSet())
            break;
        if (collected.GetSize() >= BINARY_MAX_SIZE)
            break; // a buffer holds no more
        // Asleep until a byte comes, the time-out passes or a Stop is set.
        if (SerialWaitReadable(timeout - elapsed + 1, &g_bAbort) == DeviceWait::Woken)
            break;
    }
    return collected;
}
