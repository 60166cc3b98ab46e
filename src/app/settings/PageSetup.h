#pragma once
// The settings page (10203): the interface language, the identifier base, the
// temperature and pressure units and the region, each written to "Setup.ini"
// as soon as it is chosen; the print settings and the self-update buttons; the
// software, Brelk and vehicle-data versions; and the self-update's progress.
//
// The self-update reports from its worker threads through UpgradeReports(),
// which acts on the settings page the main dialog registered, on the UI
// thread, and only while that page is there: a page that goes takes its
// registration with it.
#include "BasePage.h"
#include "ColorStatic.h"
#include "CustButton.h"
#include "Font.h"
#include "Image.h"
#include "Language.h"
#include "MyComboBox.h"
#include "ProgressBar.h"
#include "UpgradePage.h"

#include <memory>
#include <string>
#include <vector>

class CPageSetup : public CBasePage {
public:
    static constexpr int kPageType = 8;
    // Control ids.
    static constexpr int kLanguageBoxId = 10115;
    static constexpr int kIdFormatBoxId = 10116;
    static constexpr int kTemperatureBoxId = 10117;
    static constexpr int kPressureBoxId = 10118;
    static constexpr int kProgramWayBoxId = 10120;
    static constexpr int kRegionBoxId = 10220;
    static constexpr int kPrintSettingId = 10302;
    static constexpr int kUpgradeId = 10210;
    static constexpr int kProgressBarId = 1014;
    static constexpr int kStatusTextId = 1015;
    static constexpr int kPercentTextId = 1016;
    // The Brelk's version until the main dialog gives the one it read.
    static constexpr const wchar_t* kDefaultBrelkVersion = L"V1.1";
    // How long "Completed" stays before the progress goes.
    static constexpr uint32_t kCompletedShowMs = 500;

    CPageSetup();
    ~CPageSetup() override;

    int GetPageType() override;
    void RefreshLanguage() override;
    int ShowPage(bool rebuild, int restoreTabs) override;

    // Refills every box from the language list, the settings file and the
    // region in use.
    void LoadSettings();
    // The Brelk's version as the Brelk reported it.
    void SetVersionText(const std::wstring& text);
    const std::wstring& GetVersionText() const { return m_strBrelkVersion; }

    // The page the self-update reports to (UI thread); null for none.
    static void Register(CPageSetup* page);
    static CPageSetup* Registered();
    // What the self-update reports through: any thread, acts on the
    // registered page (nothing when none is). At 100 % the progress shows
    // "Completed" and the calling thread waits before it goes.
    static IUpgradePage& UpgradeReports();

    // The upgrade status text (the key's text, "..." after "BTN_UPGRADE") and
    // the key remembered for a language change. UI thread.
    void ShowUpgradeStatus(const std::wstring& key);
    void SetUpgradeStatusColor(COLORREF color);
    void SetUpgradeButtonState(int state, bool enabled);
    // Steps of a progress report on the UI thread; true when the report was
    // the last one (100 %) and "Completed" shows.
    bool ShowUpgradeProgress(int stage, int percent);
    // "Completed" has been seen: the bar and both texts go.
    void EndUpgradeProgress();

    // The page's controls (tests look at them).
    CMyComboBox* GetBox(int id) const;
    CCustButton* GetPrintSettingButton() const { return m_pBtnPrintSetting.get(); }
    CCustButton* GetUpgradeButton() const { return m_pBtnUpgrade.get(); }
    ProgressBar* GetProgressBar() const { return m_pProgress.get(); }
    CColorStatic* GetStatusText() const { return m_pStatus.get(); }
    CColorStatic* GetPercentText() const { return m_pPercent.get(); }
    const std::wstring& GetStatusKey() const { return m_strStatusKey; }
    // The texts drawn: the five labels, then the three version lines' captions.
    std::vector<std::wstring> GetLabels() const;
    // The label rectangles and the version panel, in page coordinates.
    static CRect LabelRect(int index);
    static CRect VersionPanelRect();

protected:
    int OnCreate() override;
    void OnDestroy() override;
    bool OnEraseBkgnd(Graphics& g) override;
    void OnPaint(Graphics& g) override;
    void OnShowWindow(bool show) override;
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void CreateBox(std::unique_ptr<CMyComboBox>& box, int id, const CRect& design, bool visible);
    void FillRegionBox();
    // The item of the language in use.
    void SelectLanguageItem();
    void OnBoxChanged(int id);
    void OnLanguageChosen();
    void OnRegionChosen();
    void ReloadLabels();
    void DrawVersionPanel(Graphics& g);

    std::unique_ptr<CMyComboBox> m_pLanguageBox;
    std::unique_ptr<CMyComboBox> m_pIdFormatBox;
    std::unique_ptr<CMyComboBox> m_pTemperatureBox;
    std::unique_ptr<CMyComboBox> m_pPressureBox;
    std::unique_ptr<CMyComboBox> m_pProgramWayBox;
    std::unique_ptr<CMyComboBox> m_pRegionBox;
    std::unique_ptr<CCustButton> m_pBtnPrintSetting;
    std::unique_ptr<CCustButton> m_pBtnUpgrade;
    std::unique_ptr<ProgressBar> m_pProgress;
    std::unique_ptr<CColorStatic> m_pStatus;
    std::unique_ptr<CColorStatic> m_pPercent;

    // The languages the language box lists, item for item.
    std::vector<_tagLangItem> m_languages;
    // Labels in drawing order: language, ID format, pressure, temperature,
    // region; then the two version captions.
    std::vector<std::wstring> m_labels;
    std::wstring m_strSoftwareCaption;
    std::wstring m_strBrelkCaption;
    std::wstring m_strSensorCaption;
    std::wstring m_strBrelkVersion = kDefaultBrelkVersion;
    std::wstring m_strStatusKey;
    int m_nLastPercent = -1;
    bool m_bStatusChanged = true;

    Font m_labelFont;
    Font m_versionFont;
    std::unique_ptr<Image> m_versionPanel; // loaded on first drawing
};
