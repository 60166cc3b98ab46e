#pragma once
// A brand's panel: in mode 0 a cell of the brand grid, a clickable logo with
// the name under it, which reports the brand to the main window as
// WM_PAGE_ACTION (the name, 4); in mode 1 the chosen brand's header on the
// model page, logo and name on a lighter face with a rule below.
#include "BrandBtn.h"
#include "Image.h"
#include "Wnd.h"

#include <memory>
#include <string>

class CBrandWnd : public Wnd {
public:
    static constexpr int kModeGrid = 0;
    static constexpr int kModeHeader = 1;

    CBrandWnd(std::wstring brandName, int mode, int width, int height, int fontSize);
    ~CBrandWnd() override;

    const std::wstring& GetBrandName() const { return m_strName; }
    int GetMode() const { return m_nMode; }
    const CRect& GetLogoRect() const { return m_rcLogo; }
    CBrandBtn* GetButton() const { return m_pButton.get(); }

protected:
    int OnCreate() override;
    void OnDestroy() override;
    bool OnEraseBkgnd(Graphics& g) override;
    void OnPaint(Graphics& g) override;
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    std::unique_ptr<CBrandBtn> m_pButton; // mode 0 only
    CRect m_rcLogo;
    int m_nWidth;
    int m_nHeight;
    std::wstring m_strName;
    int m_nFontSize;
    int m_nMode;
    std::unique_ptr<Image> m_logo; // the header's logo, loaded once
};
