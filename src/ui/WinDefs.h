#pragma once
// The Windows numbers the program's windows speak with: system messages,
// notification codes, styles, key and button codes, message-box flags and
// answers. The program's own messages (WM_USER + n) are defined by the program.
#include <cstdint>

using UINT = unsigned int;
using DWORD = uint32_t;
using LRESULT = intptr_t;
using UINT_PTR = uintptr_t;
// A window's handle: a number that is never reused, 0 for none. Safe to keep on
// any thread; a message to a handle whose window is gone is dropped.
using HWND = uint32_t;

// System messages.
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_COMMAND = 0x0111; // wParam: control id (whole), lParam: notification code
constexpr UINT WM_TIMER = 0x0113;   // wParam: timer id
constexpr UINT WM_NCLBUTTONDOWN = 0x00A1;
constexpr UINT WM_DEVICECHANGE = 0x0219; // wParam: DBT_* event
constexpr UINT WM_USER = 0x0400;

constexpr int HTCAPTION = 2;

// WM_DEVICECHANGE events.
constexpr UINT DBT_DEVNODES_CHANGED = 0x0007;
constexpr UINT DBT_DEVICEARRIVAL = 0x8000;
constexpr UINT DBT_DEVICEREMOVECOMPLETE = 0x8004;

// Notification codes carried by WM_COMMAND.
constexpr int BN_CLICKED = 0;
constexpr int CBN_SELCHANGE = 1;
constexpr int EN_CHANGE = 0x0300;

// Window styles that mean something here.
constexpr DWORD WS_POPUP = 0x80000000; // a top-level window without frame
constexpr DWORD WS_CHILD = 0x40000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_DISABLED = 0x08000000;

// ShowWindow commands.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOW = 5;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_RESTORE = 9;

// Mouse key flags of the mouse hooks.
constexpr UINT MK_LBUTTON = 0x0001;
constexpr UINT MK_RBUTTON = 0x0002;
constexpr UINT MK_SHIFT = 0x0004;
constexpr UINT MK_CONTROL = 0x0008;
constexpr UINT MK_MBUTTON = 0x0010;

// TrackMouseEvent flags.
constexpr UINT TME_HOVER = 0x0001;
constexpr UINT TME_LEAVE = 0x0002;
constexpr UINT HOVER_DEFAULT = 0xFFFFFFFF;

// Virtual keys (letters and digits are their upper-case ASCII codes).
constexpr UINT VK_BACK = 0x08;
constexpr UINT VK_TAB = 0x09;
constexpr UINT VK_RETURN = 0x0D;
constexpr UINT VK_ESCAPE = 0x1B;
constexpr UINT VK_SPACE = 0x20;
constexpr UINT VK_PRIOR = 0x21;
constexpr UINT VK_NEXT = 0x22;
constexpr UINT VK_END = 0x23;
constexpr UINT VK_HOME = 0x24;
constexpr UINT VK_LEFT = 0x25;
constexpr UINT VK_UP = 0x26;
constexpr UINT VK_RIGHT = 0x27;
constexpr UINT VK_DOWN = 0x28;
constexpr UINT VK_INSERT = 0x2D;
constexpr UINT VK_DELETE = 0x2E;
constexpr UINT VK_F1 = 0x70;
constexpr UINT VK_F2 = 0x71;

// Check box states.
constexpr int BST_UNCHECKED = 0;
constexpr int BST_CHECKED = 1;

// Message-box button sets, icons and flags.
constexpr UINT MB_OK = 0x0;
constexpr UINT MB_OKCANCEL = 0x1;
constexpr UINT MB_ABORTRETRYIGNORE = 0x2;
constexpr UINT MB_YESNOCANCEL = 0x3;
constexpr UINT MB_YESNO = 0x4;
constexpr UINT MB_RETRYCANCEL = 0x5;
constexpr UINT MB_TYPEMASK = 0xF;
constexpr UINT MB_ICONERROR = 0x10;
constexpr UINT MB_ICONQUESTION = 0x20;
constexpr UINT MB_ICONWARNING = 0x30;
constexpr UINT MB_ICONINFORMATION = 0x40;
constexpr UINT MB_ICONMASK = 0xF0;
constexpr UINT MB_TOPMOST = 0x40000;

// Answers of message boxes and modal dialogs.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// GDI mapping modes and device capabilities.
constexpr int MM_TEXT = 1;
constexpr int MM_LOMETRIC = 2; // 0.1 mm, y grows upwards
constexpr int HORZSIZE = 4;    // width in millimetres
constexpr int VERTSIZE = 6;
constexpr int HORZRES = 8; // width in pixels
constexpr int VERTRES = 10;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;

// Font weights.
constexpr int FW_NORMAL = 400;
constexpr int FW_MEDIUM = 500;
constexpr int FW_BOLD = 700;

constexpr uint32_t INFINITE = 0xFFFFFFFF;
