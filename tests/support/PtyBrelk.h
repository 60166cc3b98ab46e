#pragma once
// Serves a BrelkSimulator on a pseudo-terminal: the client opens the slave side
// through the real termios path. The host keeps its own slave descriptor open
// so the client can close and reopen the port, and can publish the slave as
// "comN" in a links folder.
//
// It can also leave the bus and come back as a USB Brelk does when it is
// unplugged and plugged in, or when it restarts into its loader: the link goes
// and the terminal hangs up under the client; on the way back a new terminal
// (another device node) is opened and the link written again.
#include "BrelkSimulator.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

class PtyBrelk {
public:
    explicit PtyBrelk(BrelkSimulator& sim);
    ~PtyBrelk();
    PtyBrelk(const PtyBrelk&) = delete;
    PtyBrelk& operator=(const PtyBrelk&) = delete;

    // Opens the pair; false with a reason in Error() when it can't.
    bool Open();
    // Writes the link folder/comN -> slave; false when it can't.
    bool Publish(const std::string& linksFolder, int comNumber);
    // Answers on a thread of its own until Stop.
    void Start();
    // Answers on the calling thread until stopped from a signal handler or Stop.
    void Run();
    // Any thread, and safe in a signal handler.
    void Stop();
    // Unplugs or plugs in again at once. Any thread, and safe in a signal handler.
    void Unplug();
    void Replug();
    // Leaves the bus after goneAfterMs and comes back after backAfterMs (a
    // restart). Any thread, the serving one included.
    void Reenumerate(uint32_t goneAfterMs, uint32_t backAfterMs);
    bool Plugged() const { return m_plugged; }
    // Called on the serving thread right after the last byte of an answer was
    // written (a benchmark times the client from there). Set before Start.
    void SetAnswerObserver(std::function<void()> observer) { m_answerObserver = std::move(observer); }
    // Called on the serving thread after the bytes of each read were taken
    // and answered (the simulator writes its record there). Set before Start.
    void SetExchangeObserver(std::function<void()> observer) { m_exchangeObserver = std::move(observer); }
    // Poke runs the observer on the serving thread (the simulator's bench is
    // changed there). Poke: any thread, and safe in a signal handler.
    void SetPokeObserver(std::function<void()> observer) { m_pokeObserver = std::move(observer); }
    void Poke();
    // Paces both directions as a serial line of that many baud would (ten
    // bits a byte): the bytes the client wrote are taken when the last of
    // them would have arrived, and the answer leaves no faster than the line
    // carries it. 0, the default, passes bytes at once. Set before Start.
    void SetLineRate(unsigned baud) { m_baud = baud; }

    const std::string& SlavePath() const { return m_slavePath; }
    const std::string& Error() const { return m_error; }

private:
    bool OpenTerminal();
    void CloseTerminal();
    void Wake(char request);
    void Serve();
    void Answer(const std::vector<std::vector<uint8_t>>& parts);
    // With a line rate: waits until `bytes` more bytes would have crossed the
    // line that is free from `freeAt` on (steady-clock microseconds), or from
    // now when it has been idle since; `continuing` bytes follow the last
    // ones without a gap.
    void PaceLine(int64_t& freeAt, size_t bytes, bool continuing = false) const;
    void WritePaced(const uint8_t* data, size_t length);

    BrelkSimulator& m_sim;
    int m_master = -1;
    int m_slave = -1;
    int m_wake[2] = {-1, -1};
    std::string m_slavePath;
    std::string m_linksFolder;
    int m_comNumber = 0;
    std::string m_linkPath;
    std::string m_error;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_plugged{false};
    // Steady-clock milliseconds of a pending leave and return, 0 for none.
    std::atomic<int64_t> m_goneAt{0};
    std::atomic<int64_t> m_backAt{0};
    std::function<void()> m_answerObserver;
    std::function<void()> m_exchangeObserver;
    std::function<void()> m_pokeObserver;
    unsigned m_baud = 0;
    int64_t m_inFreeAtUs = 0;
    int64_t m_outFreeAtUs = 0;
    std::thread m_thread;
};
