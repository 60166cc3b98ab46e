#include "TsF7V4Program.h"

#include "FamilyTable.h"
#include "TsLog.h"
#include "TsSnData.h"
#include "TsVerify.h"

CTsF7V4Program::CTsF7V4Program(uint8_t multiSensor, uint8_t freqSelector)
    : CTsF7V4Program(multiSensor, freqSelector, TS_TYPE_F7V4)
{
}

CTsF7V4Program::CTsF7V4Program(uint8_t multiSensor, uint8_t freqSelector, int type)
    : CTsV4Program(multiSensor, freqSelector, type)
{
}

const V4Layout& CTsF7V4Program::Layout() const { return *FindFamily(TS_TYPE_F7V4)->layout; }

bool CTsF7V4Program::ReadPsn(CBinaryGroup& records) { return ReadPsnRecords(records, nullptr); }

bool CTsF7V4Program::ReadPsnByAddr(CBinaryGroup& records)
{
    SensorIdSet found;
    SearchSensorCount(found);
    bool result = false;
    if (!found.empty()) {
        CBinary bytes;
        if (ReadMemory(*found.begin(), F7_CONFIG_BLOCK, V4_RECORD_READ, "PSN", bytes)) {
            records.Add(bytes);
            result = true;
        }
    }
    EndLink(found);
    return result;
}

bool CTsF7V4Program::ExchangeFrames()
{
    CTsNetlayer& link = *m_pNetLayer;
    uint32_t id = 0;
    bool answered = false;
    for (int attempt = 0; attempt < V4_SENSOR_ATTEMPTS && !answered; ++attempt) {
        link.m_nRecvFrames = 1;
        link.m_LfConfig.Times = 1;
        link.m_LfConfig.LfSpaceTm = 0;
        link.m_LfConfig.DurationTm = V4_EXCHANGE_DURATION;
        for (const CTsFrame& frame : SendRecv(Bytes({V4_CMD_SEARCH}), V4_BROADCAST_ID)) {
            if (frame.m_nCommand != V4_NEGATIVE_ANSWER) {
                id = frame.m_nSensorId;
                answered = true;
                break;
            }
        }
    }
    if (!answered)
        return false;
    const bool read = SendRecvSensor(id, Bytes({V4_CMD_SEARCH_STEP, m_nV4SearchStep, 0x00}), V4_WAIT_SEARCH_STEP) &&
                      SendRecvSensor(id, Bytes({V4_CMD_READ_INFO}), V4_WAIT_EXCHANGE_INFO) &&
                      SendRecvSensor(id, ReadRequest(F7_CONFIG_BLOCK), V4_WAIT_READ_MEMORY);
    EndLink(SensorIdSet{id});
    return read;
}

bool CTsF7V4Program::WriteSensorFlashCrc(const SensorIdSet& ids, CTsSnData* image, uint8_t startPercent)
{
    CTsLog& log = CTsLog::GetInstance();
    if (!StartFlashWrite(image, startPercent))
        return false;
    const std::vector<uint32_t>& crcs = image->GetTrailerValues();
    if (!WriteImageSkipping(ids, *image, startPercent, crcs.size() == F7_FLASH_BLOCKS, Layout().flash))
        return false;
    if (crcs.size() == F7_FLASH_BLOCKS) {
        const CBinary table = image->GetHeaderBlock();
        if (table.IsEmpty()) {
            log.Error("Bin file Error CRC32");
            return false;
        }
        const uint8_t length = static_cast<uint8_t>(table.GetSize());
        if (!SendRecvMulti(CommandWords(V4_CMD_ANNOUNCE_WRITE, {length, F7_CRC_TABLE}), V4_WAIT_ANNOUNCE, nullptr,
                           &ids)) {
            log.Error("Req Write Error!");
            return false;
        }
        CBinary write = WriteRequest(0, length, F7_CRC_TABLE);
        write.Append(table);
        if (!SendRecvMulti(write, V4_WAIT_WRITE_CRC_TABLE, nullptr, &ids)) {
            log.Error("Write Data Error");
            return false;
        }
        const uint16_t crc = CTsVerify::GetInstance().Crc16(table, V4_WRITE_CRC_INIT, V4_WRITE_CRC_POLY);
        if (!CheckWritten(ids, crc, V4_WAIT_CHECK_CRC_TABLE))
            return false;
    }
    m_nErrorCode = TS_ERR_OK;
    return true;
}
