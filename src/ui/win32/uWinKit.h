// What the Win32 windows share: text conversion, scaling of the design pixels to the
// window's DPI, window classes, fonts, child controls, the secondary windows' base, the modal
// loop, the dialog keys and the hourglass.
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
// Gives every child of hWindow a new design font for nDpi (as CreateDesignFont) and deletes
// the one in rhFont, which then holds the new one.
void ReplaceChildFonts(HWND hWindow, HFONT& rhFont, const wchar_t* sFace, int nPoints, UINT nDpi);

// Registers the window class sClass of the program's windows (arrow cursor, dialog background,
// the icon hIcon when given) unless it is registered already.
void RegisterWindowClass(const wchar_t* sClass, WNDPROC pWindowProc, HICON hIcon = nullptr);

// A child control; nId is its command identifier.
HWND CreateControl(HWND hParent, const wchar_t* sClass, const wchar_t* sText, DWORD nStyle, int nId,
                   DWORD nExStyle = 0);

// A secondary window of the program that belongs to an object of a derived class: created
// hidden with the client size of its design at the owner's DPI, its messages handled by
// HandleMessage from WM_NCCREATE to WM_NCDESTROY (but WM_SETCURSOR while the hourglass is on).
class TWinForm {
public:
  TWinForm(const TWinForm&) = delete;
  TWinForm& operator=(const TWinForm&) = delete;

  HWND Handle() const { return FhWindow; }

protected:
  TWinForm() = default;
  // Destroys the window without HandleMessage (the derived object is gone), and the font.
  virtual ~TWinForm();

  // Registers sClass at the first call and creates the window, owned by hOwner; its DPI is the
  // owner's (the system's without an owner) until the system says otherwise.
  void CreateForm(const wchar_t* sClass, const wchar_t* sCaption, DWORD nStyle, DWORD nExStyle,
                  int nDesignWidth, int nDesignHeight, HWND hOwner);
  virtual LRESULT HandleMessage(UINT nMsg, WPARAM wParam, LPARAM lParam) = 0;
  // The font of the controls, for nDpi.
  void SetFont(const wchar_t* sFace, int nPoints, UINT nDpi);
  // WM_DPICHANGED: takes the rectangle the system suggests (lParam).
  void TakeSuggestedRect(LPARAM lParam);

  HWND FhWindow = nullptr;
  HFONT FhFont = nullptr;

private:
  static LRESULT CALLBACK WindowProc(HWND hWindow, UINT nMsg, WPARAM wParam, LPARAM lParam);
};

// The size that sText needs in hControl's font.
SIZE TextExtent(HWND hControl, const std::wstring& sText);

// The window's outer frame as the operator sees it (without the invisible resize borders that
// Windows 10 adds around a frame).
RECT VisibleFrame(HWND hWindow);
// Moves the window so that its visible frame's top left corner lands at (x, y).
void MoveVisibleFrameTo(HWND hWindow, int x, int y);
// Sizes the window so that its visible frame is nWidth wide; its height and its top left
// corner stay.
void SetVisibleWidth(HWND hWindow, int nWidth);

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
