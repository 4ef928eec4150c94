// Message maps: a table per class of (message or notification, control id, handler), chained to
// the base class's table. Handlers are named as &Class::Handler.
#pragma once

#include <type_traits>

#include "afx_types.h"

class CCmdTarget;
class CWnd;
class CDC;

// What a dispatched message carries; each entry's thunk picks the fields its handler takes.
struct AfxMsgArgs {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    NMHDR* pNMHDR = nullptr;
    LRESULT* pResult = nullptr;
    CDC* pDC = nullptr;
    CWnd* pWnd = nullptr;
    UINT nCtlColor = 0;
    UINT nFlags = 0;
    CPoint point;
};

using AfxMsgThunk = LRESULT (*)(CCmdTarget* target, AfxMsgArgs& args);

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;  // WM_COMMAND, WM_NOTIFY or the window message
    UINT nCode;     // notification code (WM_COMMAND, WM_NOTIFY), else 0
    UINT nID;       // control id (WM_COMMAND, WM_NOTIFY), else 0
    AfxMsgThunk pfn;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

#define afx_msg

// The root of every class with a message map.
class CCmdTarget {
public:
    CCmdTarget() = default;
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;
    virtual ~CCmdTarget() = default;

    virtual const AFX_MSGMAP* GetMessageMap() const { return GetThisMessageMap(); }

    // Finds the handler for (message, code, id) in this class's map or a base's; nullptr when none.
    const AFX_MSGMAP_ENTRY* FindMessageEntry(UINT message, UINT code, UINT id) const;

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
};

#define DECLARE_MESSAGE_MAP()                     \
protected:                                        \
    static const AFX_MSGMAP* GetThisMessageMap(); \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)          \
    const AFX_MSGMAP* theClass::GetMessageMap() const { \
        return GetThisMessageMap();                     \
    }                                                   \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {   \
        using ThisClass = theClass;                     \
        using TheBaseClass = baseClass;                 \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {
#define END_MESSAGE_MAP()                                                                         \
    { 0, 0, 0, nullptr }                                                                          \
    }                                                                                             \
    ;                                                                                             \
    static_assert(std::is_base_of_v<TheBaseClass, ThisClass>, "the map chains to a base class");  \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]}; \
    return &messageMap;                                                                           \
    }

#define AFX_THUNK_VOID(memberFxn)                                                       \
    [](CCmdTarget* t, AfxMsgArgs&) -> LRESULT {                                         \
        (static_cast<ThisClass*>(t)->*static_cast<void (ThisClass::*)()>(memberFxn))(); \
        return 0;                                                                       \
    }

// Control notifications: void fn().
#define ON_COMMAND(id, memberFxn) {WM_COMMAND, 0u, static_cast<UINT>(id), AFX_THUNK_VOID(memberFxn)},
#define ON_CONTROL(code, id, memberFxn) \
    {WM_COMMAND, static_cast<UINT>(code), static_cast<UINT>(id), AFX_THUNK_VOID(memberFxn)},
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_STN_CLICKED(id, memberFxn) ON_CONTROL(STN_CLICKED, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)
#define ON_CBN_DROPDOWN(id, memberFxn) ON_CONTROL(CBN_DROPDOWN, id, memberFxn)
#define ON_CBN_EDITCHANGE(id, memberFxn) ON_CONTROL(CBN_EDITCHANGE, id, memberFxn)
#define ON_CBN_EDITUPDATE(id, memberFxn) ON_CONTROL(CBN_EDITUPDATE, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_EN_UPDATE(id, memberFxn) ON_CONTROL(EN_UPDATE, id, memberFxn)

// WM_NOTIFY: void fn(NMHDR*, LRESULT*).
#define ON_NOTIFY(code, id, memberFxn)                                                                 \
    {WM_NOTIFY, static_cast<UINT>(code), static_cast<UINT>(id),                                        \
     [](CCmdTarget* t, AfxMsgArgs& a) -> LRESULT {                                                     \
         (static_cast<ThisClass*>(t)->*static_cast<void (ThisClass::*)(NMHDR*, LRESULT*)>(memberFxn))( \
             a.pNMHDR, a.pResult);                                                                     \
         return 0;                                                                                     \
     }},

// Private messages: LRESULT fn(WPARAM, LPARAM).
#define ON_MESSAGE(message, memberFxn)                                                             \
    {static_cast<UINT>(message), 0u, 0u, [](CCmdTarget* t, AfxMsgArgs& a) -> LRESULT {             \
         return (static_cast<ThisClass*>(t)->*static_cast<LRESULT (ThisClass::*)(WPARAM, LPARAM)>( \
                                                  memberFxn))(a.wParam, a.lParam);                 \
     }},

#define ON_WM_SYSCOMMAND()                                                                \
    {WM_SYSCOMMAND, 0u, 0u, [](CCmdTarget* t, AfxMsgArgs& a) -> LRESULT {                 \
         static_cast<ThisClass*>(t)->OnSysCommand(static_cast<UINT>(a.wParam), a.lParam); \
         return 0;                                                                        \
     }},
#define ON_WM_PAINT()                                              \
    {WM_PAINT, 0u, 0u, [](CCmdTarget* t, AfxMsgArgs&) -> LRESULT { \
         static_cast<ThisClass*>(t)->OnPaint();                    \
         return 0;                                                 \
     }},
#define ON_WM_QUERYDRAGICON()                                                             \
    {WM_QUERYDRAGICON, 0u, 0u, [](CCmdTarget* t, AfxMsgArgs&) -> LRESULT {                \
         return reinterpret_cast<LRESULT>(static_cast<ThisClass*>(t)->OnQueryDragIcon()); \
     }},
#define ON_WM_CLOSE()                                              \
    {WM_CLOSE, 0u, 0u, [](CCmdTarget* t, AfxMsgArgs&) -> LRESULT { \
         static_cast<ThisClass*>(t)->OnClose();                    \
         return 0;                                                 \
     }},
#define ON_WM_LBUTTONDOWN()                                                \
    {WM_LBUTTONDOWN, 0u, 0u, [](CCmdTarget* t, AfxMsgArgs& a) -> LRESULT { \
         static_cast<ThisClass*>(t)->OnLButtonDown(a.nFlags, a.point);     \
         return 0;                                                         \
     }},
#define ON_WM_CTLCOLOR()                                                          \
    {WM_CTLCOLOR, 0u, 0u, [](CCmdTarget* t, AfxMsgArgs& a) -> LRESULT {           \
         return reinterpret_cast<LRESULT>(                                        \
             static_cast<ThisClass*>(t)->OnCtlColor(a.pDC, a.pWnd, a.nCtlColor)); \
     }},
