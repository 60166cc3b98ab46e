#pragma once
// The program's own window messages, all sent with SendMessage between its
// windows. wParam and lParam as each line says.
#include "SerialPort.h" // WM_SERIAL_ERROR, the Brelk link's error text; nobody handles it
#include "WinDefs.h"

// wParam: a command or page id, or the item; lParam: the action kind (below).
// A scroll bar sends a ScrollBarPos by value as wParam (see MyScrollBar.h).
constexpr UINT WM_PAGE_ACTION = WM_USER + 1;
// The search text changed; 0, 0.
constexpr UINT WM_SEARCH_CHANGED = WM_USER + 2;
// A tab button to its tab bar: wParam the CCustButton*, lParam 1.
constexpr UINT WM_TAB_PRESSED = WM_USER + 3;
// The model list to the model page: wParam the model record, lParam 0.
constexpr UINT WM_MODEL_SELECTED = WM_USER + 5;
// The scroll bar's button went up; 0, 0.
constexpr UINT WM_SCROLLBAR_RELEASED = WM_USER + 7;
// A wheel turn from a scrolling window to its owner: wParam the key flags,
// lParam the wheel delta (signed).
constexpr UINT WM_SCROLL_WHEEL = WM_USER + 8;

// Action kinds of WM_PAGE_ACTION.
constexpr int kActionSelectItem = 0; // a pressed year or part-number item to its parent
constexpr int kActionNavigate = 1;
constexpr int kActionCommand = 2; // caption or menu command
constexpr int kActionBack = 3;    // the back button (wParam 10107)
constexpr int kActionBrand = 4;
constexpr int kActionVehicle = 5;
constexpr int kActionOperation = 6; // an operation button of a page
constexpr int kActionPartNo = 7;
constexpr int kActionScroll = 8;

// A worker of the main dialog ended (posted by the worker); 0, 0.
constexpr UINT WM_WORKER_ENDED = WM_USER + 10;
// The records a selection page waits for were read (posted by the database's
// worker to the page); 0, 0.
constexpr UINT WM_RECORDS_READ = WM_USER + 11;
