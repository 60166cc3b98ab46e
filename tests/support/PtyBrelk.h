#pragma once
// Serves a BrelkSimulator on a pseudo-terminal: the client opens the slave side
// through the real termios path. The host keeps its own slave descriptor open
// so the client can close and reopen the port, and can publish the slave as
// "comN" in a links folder.
#include "BrelkSimulator.h"

#include <atomic>
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
    void Stop();
    // Called on the serving thread right after the last byte of an answer was
    // written (a benchmark times the client from there). Set before Start.
    void SetAnswerObserver(std::function<void()> observer) { m_answerObserver = std::move(observer); }

    const std::string& SlavePath() const { return m_slavePath; }
    const std::string& Error() const { return m_error; }

private:
    void Serve();

    BrelkSimulator& m_sim;
    int m_master = -1;
    int m_slave = -1;
    int m_wake[2] = {-1, -1};
    std::string m_slavePath;
    std::string m_linkPath;
    std::string m_error;
    std::atomic<bool> m_stop{false};
    std::function<void()> m_answerObserver;
    std::thread m_thread;
};
