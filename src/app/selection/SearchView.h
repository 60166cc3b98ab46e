#pragma once
// The top pane's search box: a rounded field (picture 141) holding the search
// edit.
#include "Image.h"
#include "SearchEdit.h"
#include "Wnd.h"

#include <memory>

class CSearchView : public Wnd {
public:
    static constexpr int kEditId = 12000;

    CSearchView();
    ~CSearchView() override;

    // Shows or hides the box and remembers which.
    void ShowView(bool show);
    bool IsShown() const { return m_bVisible; }
    CSearchEdit& GetEdit() { return m_edit; }

protected:
    int OnCreate() override;
    bool OnEraseBkgnd(Graphics& g) override;
    void OnPaint(Graphics& g) override;
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    CRect m_rcEdit;
    bool m_bVisible = false;
    CSearchEdit m_edit;
    std::unique_ptr<Image> m_field; // PNG 141
};
