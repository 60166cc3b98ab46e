#pragma once
// A model's tile in the model list: a car icon and the model's name, with a
// rule below. A press selects it in its list and makes its model the main
// window's chosen model.
#include "Graphics.h"
#include "VehicleRecords.h"
#include "Wnd.h"

class CCarModelItem : public Wnd {
public:
    static constexpr int kStateNormal = 0;
    static constexpr int kStateSelected = 3;

    CCarModelItem(const CModel* model, bool separator);

    const CModel* GetModel() const { return m_pModel; }
    bool HasSeparator() const { return m_bSeparator; }
    int GetState() const { return m_nState; }
    // The list sets it; the caller repaints.
    void SetState(int state) { m_nState = state; }

protected:
    void OnPaint(Graphics& g) override;
    void OnLButtonDown(UINT flags, CPoint point) override;

private:
    const CModel* m_pModel;
    RectF m_iconRect;
    PointF m_textPoint;
    bool m_bSeparator;
    int m_nState = kStateNormal;
};
