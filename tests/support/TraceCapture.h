#pragma once
// Collects every debug trace line (the protocol log's lines among them) while
// it lives. One at a time: the trace has one sink.
#include <string>
#include <vector>

class TraceCapture {
public:
    TraceCapture();
    ~TraceCapture();
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    std::vector<std::string> Lines() const;
    // True when some line contains every one of the texts.
    bool Contains(const std::vector<std::string>& texts) const;
    void Clear();
};
