#pragma once
// The identifier edit: black text on the edit pattern (picture 196), with an
// input filter. Mode 1 takes hexadecimal digits (0-9, A-F, a-f), mode 2
// decimal digits; both take Backspace. Any other mode takes everything. The
// filter holds for pasted text as for typed text.
#include "Edit.h"
#include "Image.h"

#include <atomic>
#include <memory>

class CMyEditCtrl : public Edit {
public:
    static constexpr int kModeAny = 0;
    static constexpr int kModeHex = 1;
    static constexpr int kModeDecimal = 2;

    CMyEditCtrl() = default;

    void SetInputMode(int mode) { m_nMode.store(mode); }
    int GetInputMode() const { return m_nMode.load(); }

    bool FilterChar(wchar_t ch) override;

protected:
    int OnCreate() override;

private:
    std::atomic<int> m_nMode{kModeAny};
    std::unique_ptr<Image> m_pattern;
};
