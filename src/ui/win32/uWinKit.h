// What the Win32 windows share: text conversion, scaling of the design pixels to the
// window's DPI, fonts, child controls, the modal loop, the dialog keys and the hourglass.
#pragma once

#include "link/uWideText.h"

#include <windows.h>

#include <string>
#include <vector>

// The layouts are given in pixels at 96 DPI.
constexpr UINT cDESIGN_DPI = 96;

std::string WindowTextUtf8(HWND hWindow);
std::wstring WindowTextWide(HWND hWindow);
void SetWindowTextUtf8(HWND hWindow, const std::string& sText);

// The DPI the window is shown at (the system's before Windows 10).
UINT WindowDpi(HWND hWindow);
// The DPI new windows start with: the primary monitor's.
UINT SystemDpi();
int Scale(int nDesign, UINT nDpi);
// Outer size of a window whose client area is nClientWidth x nClientHeight at nDpi (for
// creating it).
SIZE OuterSize(int nClientWidth, int nClientHeight, DWORD nStyle, DWORD nExStyle, bool bMenu,
               UINT nDpi);
// Sizes an existing window so that its client area is nWidth x nHeight, by the frame it really
// has (its menu bar included); its top left corner stays.
void SetClientSize(HWND hWindow, int nWidth, int nHeight);

// A font of nPoints points (nPoints > 0) or of a character height of -nPoints design pixels,
// for nDpi. The caller deletes it.
HFONT CreateDesignFont(const wchar_t* sFace, int nPoints, UINT nDpi);
// Gives every child of hWindow the font.
void SetChildFonts(HWND hWindow, HFONT hFont);

// A child control; nId is its command identifier.
HWND CreateControl(HWND hParent, const wchar_t* sClass, const wchar_t* sText, DWORD nStyle, int nId,
                   DWORD nExStyle = 0);

// The size that sText needs in hControl's font.
SIZE TextExtent(HWND hControl, const std::wstring& sText);

// The window's outer frame as the operator sees it (without the invisible resize borders that
// Windows 10 adds around a frame).
RECT VisibleFrame(HWND hWindow);
// Moves the window so that its visible frame's top left corner lands at (x, y).
void MoveVisibleFrameTo(HWND hWindow, int x, int y);

// Shows hWindow modally: every other window of the thread is disabled until bDone is set
// (by the window itself when it closes). Keeps dispatching all messages meanwhile. A quit
// message that arrives is passed on after the window has closed.
void RunModal(HWND hWindow, const bool& bDone);

// Tab, Enter and Escape for the program's windows; true when the message was used.
bool HandleDialogKeys(MSG& rMsg);
// A window whose keys the system's dialog manager handles (the message and overview windows).
void MarkAsDialog(HWND hWindow);

// The application-wide hourglass: every window of the program answers WM_SETCURSOR with it.
void SetHourglass(bool bOn);
bool IsHourglass();
// WM_SETCURSOR of a program window: true when the hourglass was set.
bool HandleSetCursor();
