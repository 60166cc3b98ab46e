#pragma once
// The model page: the chosen brand with its models on the left and the
// chosen model's years on the right. The search text filters the years by
// the start of their names. The years scroll with the page's own scroll bar;
// the page itself never scrolls, so the main window's bar stays hidden.
#include "BasePage.h"
#include "ModelLeftWnd.h"
#include "ModelRightWnd.h"
#include "MyScrollBar.h"
#include "VehicleRecords.h"

#include <memory>

class CPageModel : public CBasePage {
public:
    static constexpr int kPageType = 6;
    static constexpr int kLeftPaneId = 1000;
    static constexpr int kYearPaneId = 1009;
    static constexpr int kScrollBarId = 16101;

    CPageModel();
    ~CPageModel() override;

    // The brand whose models the page shows at its next rebuild.
    void SetBrand(const CBrand* brand) { m_pBrand = brand; }
    const CBrand* GetBrand() const { return m_pBrand; }
    const CModel* GetModel() const { return m_pModel; }
    CModelLeftWnd* GetLeftPane() const { return m_pLeftPane.get(); }
    CModelRightWnd* GetYearPane() const { return m_pYearPane.get(); }
    CMyScrollBar* GetScrollBar() const { return m_pScrollBar.get(); }
    const CRect& GetLeftRect() const { return m_rcLeft; }
    const CRect& GetYearRect() const { return m_rcYears; }
    int GetYearThumbOffset() const { return m_nYearThumbOffset; }

    int GetPageType() override;
    void RefreshLanguage() override;
    void SetFilterText(std::wstring text) override;
    int ShowPage(bool rebuild, int restoreTabs) override;
    // The main window's bar never moves this page.
    void OnScrollBarPos(const ScrollBarPos& pos) override;
    int FocusPage() override;

protected:
    int OnCreate() override;
    void OnDestroy() override;
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    LRESULT OnModelSelected(const CModel* model);
    void DestroyPanes();
    // A new year pane filled with the model's years.
    void MakeYearPane(const CModel* model, const std::wstring& filter);
    // Fills the year pane and fits the page's bar to it.
    void FillYears(const CModel* model, const std::wstring& filter);

    const CBrand* m_pBrand = nullptr;
    const CModel* m_pModel = nullptr;
    int m_nLeftWidth;
    std::unique_ptr<CMyScrollBar> m_pScrollBar;
    std::unique_ptr<CModelLeftWnd> m_pLeftPane;
    std::unique_ptr<CModelRightWnd> m_pYearPane;
    CRect m_rcLeft;
    CRect m_rcYears;
    int m_nYearThumbOffset = 0;
};
