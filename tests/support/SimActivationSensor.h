#pragma once
// A fitted sensor for the test run: it wakes up on the LF trigger of one
// "Active.tab" protocol, sent with that protocol's LF and RF settings, and
// answers with its telegram, the check field filled in with the protocol's
// verify type, line-coded with the protocol's code type.
//
// Written from the record and wire layouts alone: it reads the protocol's
// input forms itself and shares only the line coder and the check routines
// with the client.
#include "ActivationTables.h"
#include "SimSensor.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

// One protocol record of "Active.tab" as the simulated sensor reads it: the
// record the writers write, and the trigger it answers.
struct SimActivationProtocol : ActivationRecord {
    // The trigger data: the LF bytes behind the first 11.
    std::vector<uint8_t> Trigger() const;
};

class SimActivationSensor : public SimSensor {
public:
    explicit SimActivationSensor(SimActivationProtocol protocol);

    // The telegrams it sends, before their check field is filled in: the
    // n-th matching trigger gets the n-th one, every later trigger the last.
    void SetTelegrams(std::vector<std::vector<uint8_t>> telegrams);
    void SetTelegram(std::vector<uint8_t> telegram) { SetTelegrams({std::move(telegram)}); }
    // Sends a check value one off, which the client's check refuses.
    void CorruptCheck(bool corrupt);
    // The status byte of its reply frames (1: the line was high before the frame).
    void SetStatus(uint8_t status);

    void OnRequest(const SimRequest& request, std::vector<SimRfFrame>& answers) override;

    int Triggers() const; // matching triggers
    int Answers() const;  // telegrams sent
    int OtherRequests() const;

    // True when the request carries the protocol's trigger with its settings;
    // otherwise why not.
    static bool Matches(const SimActivationProtocol& protocol, const SimRequest& request, std::string& why);
    // The telegram with the protocol's check value in its check field: the
    // verify type over the bits before the field, written most significant
    // bit first. The telegram grows to hold the field.
    static std::vector<uint8_t> WithCheck(const std::vector<uint8_t>& rf, std::vector<uint8_t> telegram);

private:
    SimActivationProtocol m_protocol;
    mutable std::mutex m_mutex;
    std::vector<std::vector<uint8_t>> m_telegrams;
    bool m_corrupt = false;
    uint8_t m_status = 0;
    int m_triggers = 0;
    int m_answers = 0;
    int m_others = 0;
};
