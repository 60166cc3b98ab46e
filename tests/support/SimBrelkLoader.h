#pragma once
// The firmware loader of the simulated Brelk: the commands that bring the
// Brelk's own firmware to another version, block by block, and the faults a
// test injects into them.
//
//   AA 55 CF                   enter the loader             B4 96 80
//   AA 55 C9                   identify                     "BRELK\0" (loader only)
//   AA 55 C0 01 02 03 04 05    exchange                     B4 96 81
//   AA 55 C2 00 40 00 08 76    prepare (erases the flash)   B4 96 83
//   AA 55 C1 addr32 len16 FF   block header                 B4 96 82, then len bytes of data frame
//   data frame                 block, sum32, 00, index      B4 96 84 when whole, B4 96 E4 when not
//   AA 55 C3                   finish                       B4 96 85 when every block came, else B4 96 E0
//   AA 55 C4                   restart                      none; runs the new firmware when finished
//
// Replies are six bytes: B4 96, the code, 00 00 FF. In the loader the version
// query goes unanswered. Written from the command table alone: it shares no
// code with the client's upgrade.
#include "BrelkSimulator.h"

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

class SimBrelkLoader {
public:
    static constexpr uint32_t kFlashBase = 0x08004000;
    static constexpr uint32_t kBlockSize = 0x800;

    // Takes over the loader commands and the version query of the simulator.
    explicit SimBrelkLoader(BrelkSimulator& sim);
    SimBrelkLoader(const SimBrelkLoader&) = delete;
    SimBrelkLoader& operator=(const SimBrelkLoader&) = delete;

    // The version the Brelk runs after a finished transfer and C4 ("V6.11").
    void SetFirmwareVersion(const std::string& version);
    // Starts in the loader, as a Brelk left half-written does.
    void StartInLoader();
    bool InLoader() const;

    // When the Brelk leaves the application for the loader (CF) and the
    // loader for the application (C4): a real one goes off the bus and comes
    // back. Called on the thread that feeds the simulator.
    enum class Restart { IntoLoader, IntoFirmware };
    void SetRestartObserver(std::function<void(Restart)> observer);

    // Faults.
    // The data frame of `block` is answered B4 96 E4 the first `times` times.
    void FailBlockData(int block, int times);
    // Every header is answered B4 96 `code` (0: as it should).
    void SetHeaderReply(uint8_t code);
    // The finish is answered B4 96 `code` (0: as the transfer went).
    void SetFinishReply(uint8_t code);
    // Every loader reply comes in two reads: three bytes, a pause, three bytes.
    void SplitReplies(bool split);
    // After C4 the Brelk answers nothing at all.
    void SetSilentAfterRestart(bool silent);
    // Runs when the header of `block` has been taken (an unplug, a look at the client).
    void OnBlock(int block, std::function<void()> action);

    // What came.
    struct Header {
        uint32_t address;
        uint16_t frameLength;
    };
    std::vector<Header> Headers() const;
    // The flash from the base: every byte a data frame wrote.
    std::vector<uint8_t> Flash() const;
    int DataFramesRefused() const;

private:
    enum class Mode { Firmware, Loader, Silent };

    int OnVersionQuery(const uint8_t* data, size_t length, std::vector<uint8_t>& reply);
    int OnHeader(BrelkSimulator& sim, const uint8_t* data, size_t length, std::vector<uint8_t>& reply);
    void OnDataFrame(const Header& header, const std::vector<uint8_t>& frame, std::vector<uint8_t>& reply);
    // Appends B4 96 code 00 00 FF, in two parts when replies are split.
    void Answer(uint8_t code, std::vector<uint8_t>& reply);
    void Restarted(Restart restart);
    // Every block from the first to the last written came, each whole.
    bool TransferComplete() const;

    BrelkSimulator& m_sim;
    mutable std::mutex m_mutex;
    Mode m_mode = Mode::Firmware;
    std::string m_firmwareVersion = "V6.11";
    std::function<void(Restart)> m_restartObserver;
    std::map<int, int> m_failBlockData;
    uint8_t m_headerReply = 0;
    uint8_t m_finishReply = 0;
    bool m_split = false;
    bool m_silentAfterRestart = false;
    std::map<int, std::function<void()>> m_blockActions;
    std::vector<Header> m_headers;
    std::vector<uint8_t> m_flash;
    std::map<int, bool> m_blocksWritten; // block -> a full block (not the last, shorter one)
    bool m_finished = false;
    int m_refused = 0;
};
