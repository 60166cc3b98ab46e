#pragma once
// A progress sink that keeps every percent it is given, in order.
#include "ProgressSink.h"

#include <vector>

class ProgressRecorder : public IProgressSink {
public:
    explicit ProgressRecorder(std::vector<int>& seen) : m_seen(seen) {}
    void OnProgress(uint8_t percent) override { m_seen.push_back(percent); }

private:
    std::vector<int>& m_seen;
};
