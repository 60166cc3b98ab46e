#pragma once
// Where things are in the client's window. The twin is the program's own main
// window, made in this process without a display, with the same program
// folder and the same screen size as the client under test: the client lays
// its windows out by the same code, so a rectangle in the twin's window is
// the same rectangle in the client's. The twin is moved along as the client
// is (the same clicks on the selection pages), and only told where things
// are; what the client does is read from the client.
#include "Rect.h"

#include <memory>
#include <string>

class CBRELK2Dlg;
class Image;
class Wnd;

class LayoutTwin {
public:
    // The screen the client is shown on. The program folder (BRELK_PROGRAM_DIR)
    // is the client's, the data folder (BRELK_DATA_DIR) the twin's own.
    LayoutTwin(int screenWidth, int screenHeight);
    ~LayoutTwin();
    LayoutTwin(const LayoutTwin&) = delete;
    LayoutTwin& operator=(const LayoutTwin&) = delete;

    CBRELK2Dlg& Dialog() { return *m_dlg; }
    // A click in the twin, at a point of its window.
    void Click(CPoint point);
    // The region chosen in the region box (1 to 5), as the user's choice.
    void ChooseRegion(int region);
    // Text typed into the search box, as the user types it there.
    void TypeSearch(const std::wstring& text);

    // Rectangles in the window's client coordinates; empty when the thing is
    // not on what the twin shows now.
    CRect Of(Wnd* wnd) const;
    CRect MainTab(int index) const; // 0 car model, 1 part number, 2 settings
    CRect SensorTab(int pageId) const;
    CRect RegionBox() const;
    CRect BackButton() const;
    CRect SearchEdit() const;
    CRect ConnectionView() const;
    CRect Brand(const std::wstring& name) const; // on the car page shown
    CRect Model(const std::wstring& name) const; // on the model page shown
    CRect Year(const std::wstring& name) const;
    CRect PartNumber(const std::wstring& name) const; // on the part-number page shown
    // A control of the operation page or the settings page shown, by its id.
    CRect PageControl(int id) const;
    CRect Page() const; // the page area

    // What the twin shows.
    std::unique_ptr<Image> Grab() const;

private:
    std::unique_ptr<CBRELK2Dlg> m_dlg;
};
