#pragma once
// The clickable logo of a brand panel. Brand logos are image files beside the
// program in "pic/car/", named after the brand; the chosen (and hovered) look
// is the same name with "_s". A click goes to the panel as WM_PAGE_ACTION
// (control id, 4).
#include "HoverPress.h"
#include "Image.h"
#include "Wnd.h"

#include <memory>
#include <string>

// The logo file of a brand: the first file that exists among the folder plus
// the name, the name with '-' read as ' ', the trimmed name and the trimmed
// name's first word, each with the extension; else "undefined" with the
// extension. File names are looked up without regard to letter case. A suffix
// then replaces the extension ("_s.png" for the chosen look), looked up the
// same way.
std::wstring BuildBrandImagePath(const std::wstring& folder, const std::wstring& name, const std::wstring& extension,
                                 const std::wstring& suffix);
// The logo name of a brand: "Opel/Vauxhall" has its logo under "Opel".
std::wstring BrandImageName(const std::wstring& brandName);
// The program's logo folder, "pic/car/" beside the program.
std::wstring BrandImageFolder();

class CBrandBtn : public Wnd {
public:
    static constexpr int kStateNormal = 0;
    static constexpr int kStateSelected = 1;
    static constexpr int kStateHover = 5;

    CBrandBtn();
    ~CBrandBtn() override;

    // Takes the brand's logo name and creates the button, shown.
    bool CreateForBrand(const std::wstring& brandName, const CRect& rect, Wnd* parent, int id);

    int GetState() const { return m_mouse.State(); }
    const std::wstring& GetImageName() const { return m_strImageName; }
    // The files the two looks are drawn from.
    std::wstring GetNormalImagePath() const;
    std::wstring GetSelectedImagePath() const;

protected:
    bool OnEraseBkgnd(Graphics& g) override;
    void OnPaint(Graphics& g) override;
    void OnMouseMove(UINT flags, CPoint point) override;
    void OnMouseLeave() override;
    void OnLButtonDown(UINT flags, CPoint point) override;
    void OnLButtonUp(UINT flags, CPoint point) override;

private:
    void RepaintNow();

    std::wstring m_strImageFolder;
    CHoverPress m_mouse{kStateNormal}; // the saved state, the state, the press and the visit
    std::wstring m_strImageName;
    std::unique_ptr<Image> m_normalImage;
    std::unique_ptr<Image> m_selectedImage;
};
