#pragma once
// Where a programming object reports its progress: 0 to 100, and 255 to mark
// a restart. It is called from the thread the object runs on.
#include <cstdint>

class IProgressSink {
public:
    virtual ~IProgressSink() = default;
    virtual void OnProgress(uint8_t percent) = 0;
};
