// Device contexts and pictures.
#pragma once

#include <memory>
#include <string>

#include "afx_types.h"

class CWnd;
class QPainter;

// A device context. In a WM_CTLCOLOR handler it collects the text colour and background mode that
// the handler sets; in a paint handler it draws into the window.
class CDC {
public:
    CDC() = default;
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;
    virtual ~CDC() = default;

    COLORREF SetTextColor(COLORREF crColor);  // returns the previous colour
    COLORREF GetTextColor() const { return m_textColor; }
    COLORREF SetBkColor(COLORREF crColor);
    int SetBkMode(int nBkMode);  // returns the previous mode
    int GetBkMode() const { return m_bkMode; }
    bool TextColorSet() const { return m_textColorSet; }

    // Extent of the text in the window's font (the dialog's font for a dialog); any thread.
    CSize GetTextExtent(const std::string& text) const;
    CSize GetTextExtent(const char* text, int nCount) const {
        return GetTextExtent(std::string(text, nCount));
    }
    BOOL DrawIcon(int x, int y, HICON hIcon);
    BOOL TextOut(int x, int y, const std::string& text);
    HDC GetSafeHdc() const { return reinterpret_cast<HDC>(const_cast<CDC*>(this)); }

protected:
    CWnd* m_pWnd = nullptr;
    QPainter* m_painter = nullptr;  // set while a paint is in progress

private:
    COLORREF m_textColor = RGB(0, 0, 0);
    COLORREF m_bkColor = RGB(255, 255, 255);
    int m_bkMode = OPAQUE;
    bool m_textColorSet = false;
    friend struct DcAccess;
};

// The device context of a window's client area (text measurement).
class CClientDC : public CDC {
public:
    explicit CClientDC(CWnd* pWnd);
};

// The device context of a paint handler; draws nothing outside a paint of the window.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC() override;

private:
    std::unique_ptr<QPainter> m_own;
};

class CBitmap {
public:
    BOOL LoadBitmap(UINT nIDResource);
    HBITMAP GetSafeHandle() const { return m_hBitmap; }
    operator HBITMAP() const { return m_hBitmap; }

private:
    HBITMAP m_hBitmap = nullptr;
};
