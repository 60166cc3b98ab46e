#include "SimBrelkLoader.h"

namespace {

constexpr uint8_t kReplyLoader = 0x80;
constexpr uint8_t kReplyExchange = 0x81;
constexpr uint8_t kReplyHeader = 0x82;
constexpr uint8_t kReplyPrepare = 0x83;
constexpr uint8_t kReplyData = 0x84;
constexpr uint8_t kReplyFinished = 0x85;
constexpr uint8_t kReplyFinishFailed = 0xE0;
constexpr uint8_t kReplyDataFailed = 0xE4;

constexpr size_t kHeaderLength = 10;
constexpr size_t kSixByteCommand = 8; // AA 55 cmd and five bytes
constexpr size_t kVersionQueryLength = 7;
// Behind the block's bytes: the 32-bit sum, a zero and the index's low byte.
constexpr size_t kFrameTail = 6;
const char kIdentity[] = "BRELK"; // sent with its terminator

uint32_t Le32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

} // namespace

SimBrelkLoader::SimBrelkLoader(BrelkSimulator& sim) : m_sim(sim)
{
    using Reply = std::vector<uint8_t>;
    sim.SetHandler(0xC8, [this](BrelkSimulator&, const uint8_t* data, size_t length, Reply& reply) {
        return OnVersionQuery(data, length, reply);
    });
    sim.SetHandler(0xCF, [this](BrelkSimulator&, const uint8_t*, size_t, Reply& reply) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_mode == Mode::Silent)
                return 3;
            m_mode = Mode::Loader;
            m_finished = false;
        }
        Answer(kReplyLoader, reply);
        Restarted(Restart::IntoLoader);
        return 3;
    });
    sim.SetHandler(0xC9, [this](BrelkSimulator&, const uint8_t*, size_t, Reply& reply) {
        if (InLoader())
            reply.insert(reply.end(), kIdentity, kIdentity + sizeof kIdentity);
        return 3;
    });
    sim.SetHandler(0xC0, [this](BrelkSimulator&, const uint8_t*, size_t length, Reply& reply) {
        if (length < kSixByteCommand)
            return 0;
        if (InLoader())
            Answer(kReplyExchange, reply);
        return static_cast<int>(kSixByteCommand);
    });
    sim.SetHandler(0xC2, [this](BrelkSimulator&, const uint8_t*, size_t length, Reply& reply) {
        if (length < kSixByteCommand)
            return 0;
        if (!InLoader())
            return static_cast<int>(kSixByteCommand);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_flash.clear();
            m_blocksWritten.clear();
        }
        Answer(kReplyPrepare, reply);
        return static_cast<int>(kSixByteCommand);
    });
    sim.SetHandler(0xC1, [this](BrelkSimulator& s, const uint8_t* data, size_t length, Reply& reply) {
        return OnHeader(s, data, length, reply);
    });
    sim.SetHandler(0xC3, [this](BrelkSimulator&, const uint8_t*, size_t, Reply& reply) {
        if (!InLoader())
            return 3;
        uint8_t code;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_finished = TransferComplete();
            code = m_finished ? kReplyFinished : kReplyFinishFailed;
            if (m_finishReply) {
                code = m_finishReply;
                m_finished = m_finished && code != kReplyFinishFailed;
            }
        }
        Answer(code, reply);
        return 3;
    });
    sim.SetHandler(0xC4, [this](BrelkSimulator&, const uint8_t*, size_t, Reply&) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_mode != Mode::Loader)
                return 3;
            if (m_silentAfterRestart)
                m_mode = Mode::Silent;
            else if (m_finished) {
                m_mode = Mode::Firmware;
                m_sim.SetVersion(m_firmwareVersion + std::string(1, '\0'));
            }
        }
        Restarted(Restart::IntoFirmware);
        return 3;
    });
}

void SimBrelkLoader::SetFirmwareVersion(const std::string& version)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_firmwareVersion = version;
}

void SimBrelkLoader::StartInLoader()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_mode = Mode::Loader;
}

bool SimBrelkLoader::InLoader() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_mode == Mode::Loader;
}

void SimBrelkLoader::SetRestartObserver(std::function<void(Restart)> observer)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_restartObserver = std::move(observer);
}

void SimBrelkLoader::FailBlockData(int block, int times)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_failBlockData[block] = times;
}

void SimBrelkLoader::SetHeaderReply(uint8_t code)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_headerReply = code;
}

void SimBrelkLoader::SetFinishReply(uint8_t code)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_finishReply = code;
}

void SimBrelkLoader::SplitReplies(bool split)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_split = split;
}

void SimBrelkLoader::SetSilentAfterRestart(bool silent)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_silentAfterRestart = silent;
}

void SimBrelkLoader::OnBlock(int block, std::function<void()> action)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_blockActions[block] = std::move(action);
}

std::vector<SimBrelkLoader::Header> SimBrelkLoader::Headers() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_headers;
}

std::vector<uint8_t> SimBrelkLoader::Flash() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_flash;
}

int SimBrelkLoader::DataFramesRefused() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_refused;
}

int SimBrelkLoader::OnVersionQuery(const uint8_t*, size_t length, std::vector<uint8_t>& reply)
{
    if (length < kVersionQueryLength)
        return 0;
    // The loader knows no version; only the firmware answers.
    bool firmware;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        firmware = m_mode == Mode::Firmware;
    }
    if (firmware) {
        const std::string version = m_sim.Version();
        reply.insert(reply.end(), version.begin(), version.end());
    }
    return static_cast<int>(kVersionQueryLength);
}

int SimBrelkLoader::OnHeader(BrelkSimulator& sim, const uint8_t* data, size_t length, std::vector<uint8_t>& reply)
{
    if (length < kHeaderLength)
        return 0;
    if (!InLoader())
        return static_cast<int>(kHeaderLength);
    const Header header{Le32(data + 3), static_cast<uint16_t>(data[7] | (data[8] << 8))};
    std::function<void()> action;
    uint8_t code = kReplyHeader;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_headers.push_back(header);
        const uint32_t offset = header.address - kFlashBase;
        auto it = m_blockActions.find(static_cast<int>(offset / kBlockSize));
        if (it != m_blockActions.end()) {
            action = std::move(it->second);
            m_blockActions.erase(it);
        }
        if (m_headerReply)
            code = m_headerReply;
    }
    const bool sane = data[9] == 0xFF && header.address >= kFlashBase &&
                      (header.address - kFlashBase) % kBlockSize == 0 && header.frameLength > kFrameTail &&
                      header.frameLength <= kBlockSize + kFrameTail;
    if (!sane)
        code = kReplyDataFailed;
    Answer(code, reply);
    // A refused header is followed by no data frame.
    if (code == kReplyHeader)
        sim.ExpectRaw(header.frameLength,
                      [this, header](BrelkSimulator&, const std::vector<uint8_t>& frame, std::vector<uint8_t>& out) {
                          OnDataFrame(header, frame, out);
                      });
    // Last, so that an unplug here loses the awaited data frame too.
    if (action)
        action();
    return static_cast<int>(kHeaderLength);
}

void SimBrelkLoader::OnDataFrame(const Header& header, const std::vector<uint8_t>& frame, std::vector<uint8_t>& reply)
{
    const size_t blockLength = frame.size() - kFrameTail;
    const uint32_t offset = header.address - kFlashBase;
    const int block = static_cast<int>(offset / kBlockSize);
    uint32_t sum = 0;
    for (size_t i = 0; i < blockLength; ++i)
        sum += frame[i];
    bool whole = Le32(frame.data() + blockLength) == sum && frame[blockLength + 4] == 0x00 &&
                 frame[blockLength + 5] == static_cast<uint8_t>(block);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto fail = m_failBlockData.find(block);
        if (fail != m_failBlockData.end() && fail->second > 0) {
            --fail->second;
            whole = false;
        }
        if (whole) {
            if (m_flash.size() < offset + blockLength)
                m_flash.resize(offset + blockLength, 0xFF);
            std::copy(frame.begin(), frame.begin() + static_cast<long>(blockLength),
                      m_flash.begin() + static_cast<long>(offset));
            m_blocksWritten[block] = blockLength == kBlockSize;
        } else {
            ++m_refused;
        }
    }
    Answer(whole ? kReplyData : kReplyDataFailed, reply);
}

void SimBrelkLoader::Answer(uint8_t code, std::vector<uint8_t>& reply)
{
    bool split;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        split = m_split;
    }
    reply.insert(reply.end(), {0xB4, 0x96, code});
    if (split)
        m_sim.PauseReply(reply);
    reply.insert(reply.end(), {0x00, 0x00, 0xFF});
}

void SimBrelkLoader::Restarted(Restart restart)
{
    std::function<void(Restart)> observer;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        observer = m_restartObserver;
    }
    if (observer)
        observer(restart);
}

bool SimBrelkLoader::TransferComplete() const
{
    if (m_blocksWritten.empty())
        return false;
    int expected = 0;
    for (const auto& [block, full] : m_blocksWritten) {
        if (block != expected++)
            return false;
        // Only the last block may be shorter.
        if (!full && block != m_blocksWritten.rbegin()->first)
            return false;
    }
    return true;
}
