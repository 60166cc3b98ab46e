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
// layer's thread rule.
#include "SerialPort.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CBrelkUpgradeDlg;
class Wnd;

// The flash layout of the Brelk's firmware.
inline constexpr uint32_t kBrelkFlashBase = 0x08004000;
inline constexpr size_t kBrelkBlockSize = 0x800;

// A block of the image: where it goes and how many bytes it holds.
struct UpgradeBlock {
    uint32_t address;
    size_t offset;
    size_t length;
};
// The blocks of an image of `size` bytes: size / 2048, and one more for a rest.
std::vector<UpgradeBlock> SplitIntoBlocks(size_t size);
// AA 55 C1, the address (32-bit LE), the data frame's length (16-bit LE), FF.
std::vector<uint8_t> BuildBlockHeader(const UpgradeBlock& block);
// The block's bytes, their 32-bit LE sum, 00, the low byte of the block index.
std::vector<uint8_t> BuildBlockFrame(const uint8_t* image, const UpgradeBlock& block, size_t index);

// True when the Brelk answers the loader's identify command with "BRELK":
// it sits in its loader (an upgrade broke off) and needs the firmware again.
bool BrelkIsInLoader(const SerialErrorTarget& window);

// The loader's steps around the blocks, each its command and the check of its
// reply (B4 96 and a code), waited for in one poll on the port and `stop`.
// Enter the loader (CF): true when it answers 80.
bool EnterLoader(const SerialErrorTarget& window, const WakeEvent* stop);
// Identify (C9): true when what is there at once reads "BRELK".
bool LoaderIdentifies(const SerialErrorTarget& window);
// The C0 exchange: true when it answers 81.
bool LoaderExchange(const SerialErrorTarget& window, const WakeEvent* stop);
// Prepare the flash (C2): true when it answers 83.
bool LoaderPrepare(const SerialErrorTarget& window, const WakeEvent* stop);
// Finish (C3): true when the loader refuses the image (E0); any other answer,
// or none, is taken.
bool LoaderFinishRefused(const SerialErrorTarget& window, const WakeEvent* stop);

class CBrelkUpgrade {
public:
    // owner: the main window, disabled while the upgrade runs and owner of the
    // progress window and the messages.
    CBrelkUpgrade(Wnd& owner, SerialErrorTarget window);
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
    void SetProgress(const std::wstring& text) const;
    void FreeImage();

    Wnd& m_owner;
    SerialErrorTarget m_window;
    std::string m_catalogPath;
    std::vector<uint8_t> m_image;
    std::unique_ptr<CBrelkUpgradeDlg> m_pWindow;
    bool m_bRunning = false;
};
