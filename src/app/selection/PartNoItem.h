#pragma once
// A sensor part number on the part-number page, five a row. Its release
// reports the part number to the main window as WM_PAGE_ACTION (the record, 7).
#include "SelectionItem.h"
#include "VehicleRecords.h"

class CPartNoItem : public CSelectionItem {
public:
    static constexpr int kFirstId = 15100;
    static constexpr int kPerRow = 5;

    // No part number makes an empty cell.
    CPartNoItem(const CPartNo* partNo, bool rightBorder, bool bottomBorder);

    bool HasRecord() const override { return m_pPartNo != nullptr; }
    const CPartNo* GetPartNo() const { return m_pPartNo; }
    // Shows another record (none: an empty cell) with these borders.
    void Rebind(const CPartNo* partNo, bool rightBorder, bool bottomBorder);

protected:
    std::wstring GetText() const override;
    const Image* GetPicture(Picture which) override;
    void SendSelection() override;

private:
    const CPartNo* m_pPartNo;
};
