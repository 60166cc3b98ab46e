#pragma once
// The results panel on the right of the three sensor operation pages: one
// sensor's identifier, temperature, pressure and battery (and its versions,
// area number, PSN and PV/PT after a full read), or the sensors one
// programming run programmed when it programmed two or more. The operations
// fill it from their worker: every public method runs on the UI thread, the
// caller waiting, so the texts are never read while they are written.
#include "SensorReadout.h"
#include "Wnd.h"

#include <array>
#include <functional>
#include <list>
#include <string>
#include <utility>

struct Selection;

class CTestSensorRightPane : public Wnd {
public:
    using Row = std::pair<std::wstring, std::wstring>; // identifier text, PSN text
    static constexpr int kLines = 9;

    // The selection gives the sensor (for the background picture).
    explicit CTestSensorRightPane(const Selection* selection = nullptr);

    // Reloads the eight label texts.
    virtual void RefreshLanguage();

    void SetSensorInfo(const _SensorInfo& info);
    void SetFirstValues(const std::wstring& id, const std::wstring& temperature, const std::wstring& pressure,
                        const std::wstring& voltage);
    // Every value the same text (emptied with "", "NA" after a failed read).
    void SetAllValues(const std::wstring& text);
    // Nothing shown: values empty, no full reading, no list (an operation
    // starts, a new sensor is chosen).
    void Clear();
    // How the texts are made again from what was read, in the settings of the
    // moment: given with them, run whenever the page shows (Remake), so the
    // pane never shows an identifier or unit the settings no longer say.
    void SetRemake(std::function<void()> remake);
    void Remake();
    std::array<std::wstring, kLines> GetValues() const;
    // The label of line k (0 to 8) as the pane draws it.
    std::wstring GetLabel(int line) const;

    // Lines 4 to 8 are shown after a full read.
    void SetReadingShown(bool shown);
    bool IsReadingShown() const;
    // The programmed sensors are listed (with two or more of them).
    void SetProgrammedList(const std::list<Row>& rows);
    void ClearProgrammedList();
    void SetProgrammedListShown(bool shown);
    bool IsProgrammedListShown() const;
    // A copy of the programmed sensors, in list order.
    std::list<Row> CollectRows() const;
    // Whether the list is what the pane shows now.
    bool ShowsProgrammedList() const;

    // The height its texts take, in its own pixels (taller than the pane
    // when a long list scrolls).
    int GetContentHeight() const;

protected:
    int OnCreate() override;
    bool OnEraseBkgnd(Graphics& g) override;
    void OnPaint(Graphics& g) override;
    bool OnMouseWheel(UINT flags, short delta, CPoint point) override;

private:
    void Changed();
    int Frequency() const;
    std::wstring LabelOf(int line) const;

    const Selection* m_pSelection;
    std::array<std::wstring, kLines> m_values;
    std::array<std::wstring, kLines - 1> m_labels;
    bool m_bReadingShown = false;
    bool m_bProgrammedList = false;
    std::list<Row> m_rows;
    std::function<void()> m_remake;
};
