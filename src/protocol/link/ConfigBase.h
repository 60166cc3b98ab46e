#pragma once
// A settings record that travels to the Brelk in every command frame: given as
// compact big-endian bytes, sent in the Brelk's little-endian wire form.
#include "Binary.h"

class CConfigBase {
public:
    virtual ~CConfigBase() = default;
    // Parses the input form; false (and the failure logged) when it is unusable.
    virtual bool Init(const CBinary& config) = 0;
    // The wire form.
    virtual CBinary ToToolData() const = 0;
};
