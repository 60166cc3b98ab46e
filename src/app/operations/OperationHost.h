#pragma once
// What the sensor operations ask of the window they run in: the pages it
// made, the current operation page's status line, the navigation, a worker
// thread, the last confirmed result and the owner of their message boxes.
// The main dialog implements it.
#include "OperationPage.h"
#include "OperationResult.h"

#include <functional>

class CBasePage;
class Wnd;

class IOperationHost {
public:
    virtual ~IOperationHost() = default;
    // The window message boxes are shown over.
    virtual Wnd* MessageOwner() = 0;
    // The page of that id made so far, or null.
    virtual CBasePage* FindPage(int pageId) const = 0;
    // The status line of the current operation page; nothing on other pages. Any thread.
    virtual void SetOperationStatus(const StatusText& text, COLORREF colour) = 0;
    // The top pane's navigation controls off while an operation runs. Any thread.
    virtual void LockNavigation(bool locked) = 0;
    // Runs the procedure on a worker thread of its own. Any thread.
    virtual void BeginWorker(std::function<void()> procedure) = 0;
    // The last operation that succeeded, for a label (UI thread).
    virtual void SetLastResult(const OperationResult& result) = 0;
    virtual void ClearLastResult() = 0;
};
