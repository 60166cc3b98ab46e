#include "TsN8V4Program.h"

#include "FamilyTable.h"
#include "ScopeGuard.h"
#include "TsLog.h"
#include "TsSnData.h"
#include "TsVerify.h"

CTsN8V4Program::CTsN8V4Program(uint8_t multiSensor, uint8_t freqSelector)
    : CTsF7V4Program(multiSensor, freqSelector, TS_TYPE_N8V4)
{
}

const V4Layout& CTsN8V4Program::Layout() const { return *FindFamily(TS_TYPE_N8V4)->layout; }

bool CTsN8V4Program::ReadPsn(CBinaryGroup& records) { return ReadPsnRecords(records, &N8_RECORDS); }

bool CTsN8V4Program::WriteSensorFlashCrc(const SensorIdSet& ids, CTsSnData* image, uint8_t startPercent)
{
    const uint8_t savedMode = m_nMode;
    const ScopeGuard restoreMode([this, savedMode] { m_nMode = savedMode; });
    if (m_nBootVersion > N8_BOOT_MODE_A_ABOVE)
        m_nMode = N8_FLASH_MODE;

    if (!StartFlashWrite(image, startPercent))
        return false;
    // The image's trailer gives 20 block CRCs; the first 17 cover the area.
    const bool withTable = image->GetTrailerValues().size() >= static_cast<size_t>(N8_COMPARED_CRCS);
    if (!WriteImageSkipping(ids, *image, startPercent, withTable, Layout().flash))
        return false;
    if (withTable && !WriteCrcTable(ids, *image))
        return false;
    m_nErrorCode = TS_ERR_OK;
    return true;
}

bool CTsN8V4Program::WriteCrcTable(const SensorIdSet& ids, const CTsSnData& image)
{
    CTsLog& log = CTsLog::GetInstance();
    const CBinary table = image.GetHeaderBlock();
    if (table.GetSize() != N8_CRC_TABLE_BYTES) {
        log.Error("Bin file Error CRC32");
        return false;
    }
    if (!SendRecvMulti(CommandWords(V4_CMD_ANNOUNCE_WRITE, {N8_CRC_TABLE_BYTES, N8_CRC_TABLE}), N8_WAIT_ANNOUNCE,
                       nullptr, &ids)) {
        log.Error("Req Write Error!");
        return false;
    }
    // 64 bytes at E370, then the last 16 at E3B0 as the second block.
    const uint16_t tailAddress = N8_CRC_TABLE + V4_CONFIG_BYTES;
    CBinary head = WriteRequest(0, V4_CONFIG_BYTES, N8_CRC_TABLE);
    head.Append(table.GetBuffer(), V4_CONFIG_BYTES);
    CBinary tail = WriteRequest(1, N8_CRC_TABLE_TAIL, tailAddress);
    tail.Append(table.GetBuffer() + V4_CONFIG_BYTES, N8_CRC_TABLE_TAIL);
    for (const CBinary* write : {&head, &tail}) {
        if (!SendRecvMulti(*write, V4_WAIT_WRITE_CRC_TABLE, nullptr, &ids)) {
            log.Error("Write Data Error");
            return false;
        }
    }
    // The CRC-16 over the 64 bytes, continued over the 16: the whole table.
    const uint16_t crc = CTsVerify::GetInstance().Crc16(table, V4_WRITE_CRC_INIT, V4_WRITE_CRC_POLY);
    return CheckWritten(ids, crc, V4_WAIT_CHECK_CRC_TABLE);
}
