#pragma once
// The Brelk's firmware upgrade: the image "brelk.bin" of the packed catalog is
// written into the Brelk's loader block by block, and the upgrade counts as
// done only when the restarted Brelk answers with the version built into the
// client. A Brelk left half-written in its loader is a dead tool, so every
// answer is checked and every way out puts the window back.
//
// The exchange runs on a worker of its own; the UI thread waits for it with its
// events running, so the main window (disabled meanwhile) and the progress
// window keep drawing. Messages from the worker go through the windowing
// layer's thread rule. The loader's commands are the link's (BrelkLoader.h).
#include "SerialPort.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CBrelkUpgradeDlg;
class Wnd;

class CBrelkUpgrade {
public:
    // owner: the main window, disabled while the upgrade runs and owner of the
    // progress window and the messages.
    explicit CBrelkUpgrade(Wnd& owner);
    ~CBrelkUpgrade();
    CBrelkUpgrade(const CBrelkUpgrade&) = delete;
    CBrelkUpgrade& operator=(const CBrelkUpgrade&) = delete;

    // The catalog the image is read from: "catalog.data" in the program's folder.
    void SetCatalogPath(std::string path) { m_catalogPath = std::move(path); }

    // Reads the member "/vornix/composesource/" + name into the image; a
    // message and false when it can't.
    bool ReadCatalogFile(const std::wstring& name);
    // The whole upgrade, on the UI thread; 1 when the Brelk came back with the
    // built-in version, else 0 (a message said why).
    int UpgradeBrelk();
    // Sends every block with its header; 1 when the Brelk took them all.
    int SendUpgradeBlocks(const uint8_t* image, size_t size);

    bool IsRunning() const { return m_bRunning; }
    // The last upgrade broke off because the Brelk left the bus.
    bool WasUnplugged() const { return m_bUnplugged; }
    // The progress window while the upgrade runs, else nullptr.
    CBrelkUpgradeDlg* GetWindow() const { return m_pWindow.get(); }
    const std::vector<uint8_t>& GetImage() const { return m_image; }
    // What a request to close the program does while the upgrade runs.
    void RefuseClose() const;

private:
    // Steps from entering the loader to the version read after the restart, on the worker.
    int Transfer();
    // The steps of the transfer; each says its own failure to the user.
    bool RestartIntoLoader(const WakeEvent* stop);
    bool LoadImageIntoLoader(const WakeEvent* stop);
    // The Brelk restarted out of its loader answers with the client's version.
    bool RestartIntoFirmware();
    void ShowMessage(const std::wstring& text) const;
    // The upgrade ends without the Brelk: the progress window goes first,
    // then the user reads why (an unplug is named as such).
    void Fail(const std::wstring& text);
    void SetProgress(const std::wstring& text) const;
    void FreeImage();

    Wnd& m_owner;
    std::string m_catalogPath;
    std::vector<uint8_t> m_image;
    std::unique_ptr<CBrelkUpgradeDlg> m_pWindow;
    bool m_bRunning = false;
    std::atomic<bool> m_bUnplugged{false};
};
