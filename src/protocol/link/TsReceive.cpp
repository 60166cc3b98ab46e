#include "TsReceive.h"

#include "TsLog.h"

namespace {

// True when a reply frame starts at i and all of its bytes are there. The
// length is taken as N + 10 without wrapping at 8 bits, so a long N never
// passes on a short buffer.
bool FrameAt(const uint8_t* b, int size, int i, int& frameLength)
{
    if (i + 3 >= size || b[i] != BRELK_REPLY_HEAD[0] || b[i + 1] != BRELK_REPLY_HEAD[1] ||
        b[i + 2] != BRELK_KIND_EXCHANGE)
        return false;
    frameLength = b[i + 3] + REPLY_FRAME_OVERHEAD;
    return i + frameLength <= size;
}

} // namespace

int CTsReceive::CountFrames(const uint8_t* bytes, int size)
{
    int count = 0;
    int frameLength = 0;
    for (int p = 0; p + 3 < size; ++p)
        if (FrameAt(bytes, size, p, frameLength))
            ++count;
    return count;
}

void CTsReceive::Parse(const CBinary& received)
{
    clear();
    const int size = received.GetSize();
    if (size < 8)
        return;
    const uint8_t* b = received.GetBuffer();
    std::vector<CBinary> bodies;
    int i = 0;
    while (i < size) {
        int frameLength = 0;
        if (FrameAt(b, size, i, frameLength) && b[i + 3] != 0) {
            // The body with three of the checksum bytes, as the Brelk's own
            // reader takes it; the RF byte count is bounded by it below.
            bodies.emplace_back(b + i + 5, b[i + 3] + 3);
            CTsLog::GetInstance().Debug("i = %d,iFrameLen = %d", i, frameLength);
            i += frameLength;
        } else {
            ++i;
        }
    }
    for (const CBinary& body : bodies) {
        const uint8_t* p = body.GetBuffer();
        m_status = p[0];
        int count = p[1];
        if (count > body.GetSize() - 2)
            count = body.GetSize() - 2;
        emplace_back(p + 2, count);
    }
}
