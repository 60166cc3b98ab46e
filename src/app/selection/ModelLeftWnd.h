#pragma once
// The left pane of the model page: the chosen brand's header and the list of
// its models with the list's own scroll bar.
#include "BrandWnd.h"
#include "CarModelItemContainer.h"
#include "MyScrollBar.h"
#include "VehicleRecords.h"
#include "Wnd.h"

#include <memory>

class CModelLeftWnd : public Wnd {
public:
    static constexpr int kHeaderId = 1000;
    static constexpr int kListId = 1001;
    static constexpr int kScrollBarId = 16101;
    static constexpr int kHeaderHeight = 164;

    explicit CModelLeftWnd(const CBrand* brand);
    ~CModelLeftWnd() override;

    CBrandWnd* GetHeader() const { return m_pHeader.get(); }
    CCarModelItemContainer* GetList() const { return m_pList.get(); }
    CMyScrollBar* GetScrollBar() const { return m_pScrollBar.get(); }
    const CRect& GetListRect() const { return m_rcList; }

protected:
    int OnCreate() override;
    void OnDestroy() override;
    void OnPaint(Graphics& g) override;
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    const CBrand* m_pBrand;
    std::unique_ptr<CBrandWnd> m_pHeader;
    std::unique_ptr<CCarModelItemContainer> m_pList;
    std::unique_ptr<CMyScrollBar> m_pScrollBar;
    CRect m_rcList;
};
