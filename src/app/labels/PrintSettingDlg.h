#pragma once
// The print settings dialog: the label printer, the paper's width and height
// in millimetres, the label's title and its date format, with a live preview
// of a sample label drawn by the label drawer at its true size (smaller when
// the paper does not fit the preview frame). OK writes the edited settings
// into the caller's record; Close leaves it as it was.
#include "BackBuffer.h"
#include "Button.h"
#include "ComboBox.h"
#include "Dialog.h"
#include "Edit.h"
#include "GroupBox.h"
#include "PrintSettingInfo.h"
#include "Static.h"
#include "TPMSPrintInfo.h"

#include <string>
#include <vector>

class CPrintSettingDlg : public Dialog {
public:
    // Control ids.
    static constexpr int kPrinterCombo = 1023;
    static constexpr int kWidthEdit = 1024;
    static constexpr int kHeightEdit = 1025;
    static constexpr int kPrinterLabel = 1026;
    static constexpr int kOkButton = 1027;
    static constexpr int kCloseButton = 1028;
    static constexpr int kWidthLabel = 1029;
    static constexpr int kHeightLabel = 1030;
    static constexpr int kMessage = 1031;
    static constexpr int kPaperGroup = 1032;
    static constexpr int kLogoTitleEdit = 1033;
    static constexpr int kDateCombo = 1034;
    static constexpr int kPreviewFrame = 1035;
    static constexpr int kLogoTitleLabel = 1036;
    static constexpr int kDateLabel = 1037;
    static constexpr int kLogoTitleLimit = 20;

    // One line of the date combo box.
    struct DateFormatEntry {
        int id = 0;
        std::wstring text;
        int type = 0;
    };

    // Run it with DoModal(owner).
    CPrintSettingDlg();
    ~CPrintSettingDlg() override;

    // The record the dialog edits (the caller keeps it); the sample label
    // takes its title and date format.
    void SetSettings(_tagPrintSettingInfo* settings);

    // What the dialog holds now (tests look).
    const _tagPrintSettingInfo& GetEditedSettings() const { return m_edited; }
    const _tagTPMSPrintInfo& GetSampleLabel() const { return m_sample; }
    const CBackBuffer& GetBackBuffer() const { return m_backBuffer; }
    // The preview in the frame's client coordinates, right and bottom inclusive.
    const CRect& GetPreviewRect() const { return m_previewRect; }

protected:
    int OnCreate() override;
    bool OnInitDialog() override;
    void OnDestroy() override;
    void OnOK() override;
    // The Close button, and the window's own close: the dialog ends without saving.
    void OnClose() override;
    bool OnEraseBkgnd(Graphics& g) override;
    void OnPaint(Graphics& g) override;
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    // The preview frame: a group box that shows the back buffer once the
    // dialog is ready.
    class PreviewFrame : public GroupBox {
    public:
        explicit PreviewFrame(const CPrintSettingDlg& owner) : m_owner(owner) {}

    protected:
        void OnPaint(Graphics& g) override;

    private:
        const CPrintSettingDlg& m_owner;
    };

    void FillControls();
    void UpdatePreview();
    void OnPrinterChanged();
    void OnDateFormatChanged();
    void OnLogoTitleChanged();
    void OnWidthChanged();
    void OnHeightChanged();
    // A size of 1 to 500 mm typed in the edit becomes the paper's size.
    void OnPaperSizeChanged(const Edit& edit, float& size);
    // "<ERROR text>:<text of key>" in the message line.
    void ShowError(const wchar_t* key);
    // The edit's size, or false with the error shown and the edit's text
    // selected for retyping.
    bool ReadPaperSize(Edit& edit, const wchar_t* key, float& value);

    ComboBox m_printerCombo;
    ComboBox m_dateCombo;
    Edit m_logoTitle;
    PreviewFrame m_previewFrame;
    Edit m_widthEdit;
    Edit m_heightEdit;
    Static m_printerLabel, m_widthLabel, m_heightLabel, m_widthUnit, m_heightUnit, m_logoTitleLabel, m_dateLabel;
    Static m_message;
    GroupBox m_paperGroup;
    Button m_okButton;
    Button m_closeButton;

    _tagPrintSettingInfo* m_pSettings = nullptr;
    _tagPrintSettingInfo m_edited;
    std::vector<DateFormatEntry> m_dateFormats;
    CBackBuffer m_backBuffer;
    _tagTPMSPrintInfo m_sample;
    CRect m_previewRect;
    bool m_bReady = false;
};
