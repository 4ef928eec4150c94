// Device contexts and pictures.
#include <QFontMetrics>
#include <QPainter>

#include "afx_gdi.h"
#include "afx_pictures.h"
#include "afx_thread.h"
#include "widgets.h"

using namespace afx::detail;

COLORREF CDC::SetTextColor(COLORREF crColor) {
    COLORREF old = m_textColor;
    m_textColor = crColor;
    m_textColorSet = true;
    if (m_painter) m_painter->setPen(QColor(GetRValue(crColor), GetGValue(crColor), GetBValue(crColor)));
    return old;
}

COLORREF CDC::SetBkColor(COLORREF crColor) {
    COLORREF old = m_bkColor;
    m_bkColor = crColor;
    return old;
}

int CDC::SetBkMode(int nBkMode) {
    int old = m_bkMode;
    m_bkMode = nBkMode;
    if (m_painter)
        m_painter->setBackgroundMode(nBkMode == TRANSPARENT ? Qt::TransparentMode : Qt::OpaqueMode);
    return old;
}

CSize CDC::GetTextExtent(const std::string& text) const {
    if (!m_pWnd) return CSize(0, 0);
    const auto& core = m_pWnd->Core();
    if (afx::IsUiThread()) {
        if (QWidget* w = core->widget) {
            QFontMetrics fm(w->font());
            return CSize(fm.horizontalAdvance(ToQt(text)), fm.height());
        }
    }
    if (core->font) return TextExtent(*core->font, text);
    return CSize(static_cast<int>(text.size()) * 6, 13);
}

BOOL CDC::DrawIcon(int x, int y, HICON hIcon) {
    if (!m_painter || !hIcon) return FALSE;
    m_painter->drawImage(QPoint(x, y), afx::PictureImage(hIcon));
    return TRUE;
}

BOOL CDC::TextOut(int x, int y, const std::string& text) {
    if (!m_painter) return FALSE;
    m_painter->drawText(QPoint(x, y + m_painter->fontMetrics().ascent()), ToQt(text));
    return TRUE;
}

CClientDC::CClientDC(CWnd* pWnd) {
    m_pWnd = pWnd;
}

CPaintDC::CPaintDC(CWnd* pWnd) {
    m_pWnd = pWnd;
    if (pWnd && afx::IsUiThread()) m_painter = CurrentPainter(pWnd->GetWidget());
}

CPaintDC::~CPaintDC() = default;

BOOL CBitmap::LoadBitmap(UINT nIDResource) {
    m_hBitmap = LoadBitmapResource(nIDResource);
    return m_hBitmap ? TRUE : FALSE;
}
