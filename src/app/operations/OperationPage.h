#pragma once
// What the sensor operations need of the page they run on: the Test, Copy
// and Create Sensor pages implement it. The operations call it on the UI
// thread only (a worker goes through the windowing layer's thread rule), and
// collect everything they read from it before their worker starts.
#include "Color.h"
#include "Language.h"
#include "SensorIdentifiers.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class CTestSensorRightPane;

// A status text made of language texts: made when shown and again after every
// language change, so the status line always reads in the language in use.
using StatusText = std::function<std::wstring()>;

// The text of a language key, in the language of the moment.
inline StatusText StatusOfKey(std::wstring key)
{
    return [key = std::move(key)] { return GetLanguageManager().GetText(key); };
}

class IOperationPage {
public:
    virtual ~IOperationPage() = default;

    // The status line: text and colour (COLORREF: 0xFF0000 blue for progress
    // and success, 0x0000FF red for failures), repainted.
    virtual void SetStatus(const std::wstring& text, COLORREF colour) = 0;
    virtual std::wstring GetStatus() const = 0;
    // The status line from language texts: shown now, and made again in the
    // new language after a language change. Here: shown as it reads now.
    virtual void SetStatusText(const StatusText& text, COLORREF colour) { SetStatus(text(), colour); }
    // More text after what the status line says, in the same way.
    virtual void AppendStatusText(const StatusText& more, COLORREF colour) { SetStatus(GetStatus() + more(), colour); }
    // The progress bar with its percent text: 0..100 shows it at that place,
    // 255 hides it. Only the copy and create pages have one.
    virtual void ShowProgress(int percent) { (void)percent; }
    // The results pane.
    virtual CTestSensorRightPane* GetResultPane() = 0;

    // The identifier edit of the copy and create pages.
    virtual std::wstring GetIdText() const { return {}; }
    virtual void SetIdText(const std::wstring& text) { (void)text; }
    // The create page's number base: true hexadecimal.
    virtual bool IsHexMode() const { return false; }
    // The identifier the copy page's last test read; the page shows it in the
    // format of the moment, and "Copy Sensor" programs this value, never a
    // text read back in another base. Nothing after a failed test.
    virtual void SetCopiedId(std::optional<uint32_t> id) { (void)id; }
    virtual std::optional<uint32_t> GetCopiedId() const { return std::nullopt; }
    // The create page's identifier digits: its edit's length limits.
    virtual void SetIdDigits(const IdDigits& digits) { (void)digits; }

    // Print allowed: after a successful operation, not while one runs or
    // after a failed one.
    virtual void EnablePrint(bool enable) { (void)enable; }
    // A new vehicle or part number was chosen: the page is prepared, its
    // results, lists and identifier emptied, its status "READY"; supported
    // tells whether the sensor has a parameter record.
    virtual void PrepareForSelection(bool supported) = 0;
};
