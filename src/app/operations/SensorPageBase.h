#pragma once
// What the Test, Copy and Create Sensor pages share: their layout, their
// buttons, status line, results pane and (copy and create) progress bar and
// identifier edit, the drawing of the sensor picture and the selection
// block, and the page side of the operations (IOperationPage). Which
// actions are allowed is decided when the page is prepared or shown, and
// when an operation gives them back; painting only paints.
#include "BasePage.h"
#include "ColorStatic.h"
#include "CustButton.h"
#include "Image.h"
#include "MyEditCtrl.h"
#include "OperationPage.h"
#include "OperationPageLayout.h"
#include "ProgressBar.h"
#include "TestSensorRightPane.h"

#include <memory>
#include <optional>
#include <string>

class IPageHost;
class Font;
class Graphics;

// The text as it fits `width` in that face: whole, or cut and ended with "...".
std::wstring FitText(Graphics& g, const std::wstring& text, const Font& font, float width);
// The face, made smaller step by step down to leastPoints, in which the text
// fits `width` on one line (the smallest when none does).
Font FitFont(Graphics& g, const std::wstring& text, const Font& font, float width, float leastPoints);

class CSensorPageBase : public CBasePage, public IOperationPage {
public:
    // The page type (10, 11, 12) picks the layout and the pictures.
    explicit CSensorPageBase(int pageType);
    ~CSensorPageBase() override;

    int GetPageType() override { return m_nPageType; }
    void RefreshLanguage() override;
    int ShowPage(bool rebuild, int restoreTabs) override;
    void EnableActions(bool enable) override;

    // IOperationPage.
    void SetStatus(const std::wstring& text, COLORREF colour) override;
    void SetStatusText(const StatusText& text, COLORREF colour) override;
    void AppendStatusText(const StatusText& more, COLORREF colour) override;
    std::wstring GetStatus() const override;
    void ShowProgress(int percent) override;
    CTestSensorRightPane* GetResultPane() override { return &m_pane; }
    std::wstring GetIdText() const override;
    void SetIdText(const std::wstring& text) override;
    void EnablePrint(bool enable) override;
    void PrepareForSelection(bool supported) override;

    // What the page shows of its state (for tests and the label print).
    const OperationPageLayout& GetLayout() const { return m_layout; }
    bool IsPrepared() const { return m_bPrepared; }
    bool IsSupported() const { return m_bSupported; }
    CCustButton* GetButton(int id) const;
    CColorStatic* GetStatusText() const { return m_pStatus.get(); }
    ProgressBar* GetProgressBar() const { return m_pProgress.get(); }
    CColorStatic* GetPercentText() const { return m_pPercent.get(); }
    CMyEditCtrl* GetEdit() const { return m_pEdit.get(); }

    // The texts of the selection block as the page draws them.
    SelectionLines ComposeLines() const;
    // The support line: the prompt with the frequency, or the text saying
    // the sensor cannot be programmed (in red).
    std::wstring SupportText(bool* blocked = nullptr) const;

protected:
    int OnCreate() override;
    void OnDestroy() override;
    void OnPaint(Graphics& g) override;

    // Whether the sensor can be programmed here: it has a parameter record
    // and the selection's programming flag is set.
    bool IsProgrammable() const;
    // Every control set both ways for the page's flags; enable false takes
    // every action away (an operation runs).
    virtual void ApplyControls(bool enable);
    // Creates a page button of kind 6 at rect.
    std::unique_ptr<CCustButton> MakeButton(const wchar_t* key, const CRect& rect, int id);
    // The page's two action buttons, Print, Stop and (copy and create) the
    // hidden stop button, in that order.
    void CreateButtons();
    virtual void CreateControls() = 0;
    // The identifier edit (copy and create pages) in its face.
    void CreateEdit(bool readOnly);
    virtual void ReloadCaptions();
    // The main window the page is shown in, or null.
    IPageHost* Host() const;
    // Its selection's sensor record, or null.
    const CSensorParam* SensorRecord() const;

    int m_nPageType;
    OperationPageLayout m_layout;
    bool m_bPrepared = false;
    bool m_bSupported = true;
    bool m_bPrintable = false;
    std::unique_ptr<CCustButton> m_pFirst;
    std::unique_ptr<CCustButton> m_pSecond;
    std::unique_ptr<CCustButton> m_pPrint;
    std::unique_ptr<CCustButton> m_pStop;
    std::unique_ptr<CCustButton> m_pHiddenStop;
    std::unique_ptr<CMyEditCtrl> m_pEdit;
    std::unique_ptr<CColorStatic> m_pStatus;
    std::unique_ptr<ProgressBar> m_pProgress;
    std::unique_ptr<CColorStatic> m_pPercent;
    CTestSensorRightPane m_pane;
    // How the status line's text is made again in a new language; empty for
    // a text given as it is.
    StatusText m_statusText;
    const wchar_t* m_firstKey = L"BTN_TEST";
    const wchar_t* m_secondKey = L"BTN_PROGRAM";

private:
    void ShowStatus(const std::wstring& text, COLORREF colour);
    void DrawSelection(Graphics& g);
    void LoadPicture(int frequency);

    std::unique_ptr<Image> m_picture;
    int m_nPictureFrequency = -1;
    std::unique_ptr<Image> m_strip; // picture 240 of the copy and create pages
};
