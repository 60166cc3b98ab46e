#pragma once
// A model year on the model page's year pane, three a row. Its release
// reports the year to the main window as WM_PAGE_ACTION (the year, 5).
#include "SelectionItem.h"
#include "VehicleRecords.h"

class CYearItem : public CSelectionItem {
public:
    static constexpr int kFirstId = 15000;
    static constexpr int kPerRow = 3;

    // No year makes an empty cell.
    CYearItem(const CYear* year, bool rightBorder, bool bottomBorder);

    bool HasRecord() const override { return m_pYear != nullptr; }
    const CYear* GetYear() const { return m_pYear; }

protected:
    std::wstring GetText() const override;
    const Image* GetPicture(Picture which) override;
    void SendSelection() override;
    // The pane takes the focus first, so the wheel scrolls it afterwards.
    void OnPressing() override;

private:
    const CYear* m_pYear;
};
