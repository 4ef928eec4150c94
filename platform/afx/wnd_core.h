// Internal: what the framework keeps per window. The Qt widget is touched on the UI thread only;
// the state copy (under its mutex) is what other threads read.
#pragma once

#include <QPointer>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "afx_thread.h"
#include "afx_types.h"
#include "afx_wnd.h"

namespace afx::detail {

class ListStore;
class ListModel;

enum class WndKind {
    Unknown,
    Dialog,
    PushButton,
    CheckBox,
    RadioButton,
    GroupBox,
    Static,
    Edit,
    ComboSimple,
    ComboDropList,
    ListView,
    TabControl,
    Custom,
    StatusBar,
};

// Advances of the printable ASCII characters in a window's font, measured on the UI thread, so
// that text extents can be computed on any thread.
struct FontTable {
    float advance[128] = {};
    float fallback = 0;  // for other characters
    int height = 0;
};

struct MenuData {
    std::mutex mu;
    std::vector<CMenu::Item> items;
};

struct WndState {
    std::string text;
    bool exists = false;  // the window has been created and not destroyed
    bool enabled = true;
    bool visible = false;  // the window's own visible style
    bool iconic = false;
    int check = 0;
    int curSel = -1;
    std::vector<std::string> items;  // combo entries, tab items
    CRect rect;                      // in the parent's client coordinates
    int insetX = 0, insetY = 0;      // border around the client area
    DWORD style = 0, exStyle = 0;
    UINT buttonStyle = 0;
    HICON icon = nullptr, iconBig = nullptr, iconSmall = nullptr;
    HBITMAP bitmap = nullptr;
    bool redraw = true;
    std::vector<std::string> panes;
    std::vector<int> paneWidths;
    std::vector<UINT> paneIds, paneStyles;
};

struct WndCore {
    WndKind kind = WndKind::Unknown;
    int id = -1;
    unsigned flags = 0;      // template item flags
    CWnd* parent = nullptr;  // GetParent()
    CWnd* notify = nullptr;  // the dialog whose map handles this control's notifications (UI thread)
    std::atomic<CWnd*> owner{nullptr};      // the object GetDlgItem returns
    CWnd* internalObject = nullptr;         // the framework's own object for the control
    QPointer<QWidget> widget;               // UI thread only
    std::shared_ptr<const FontTable> font;  // the font of the window's dialog

    mutable std::mutex mu;
    WndState st;
    // Writes posted from other threads and not yet applied, per property.
    int pendingText = 0, pendingCheck = 0, pendingSel = 0;

    // Children of a dialog by id, in template order (UI thread writes, any thread reads).
    mutable std::mutex childMu;
    std::vector<std::shared_ptr<WndCore>> children;
    std::vector<std::unique_ptr<CWnd>> ownedObjects;

    std::shared_ptr<ListStore> list;    // list controls
    ListModel* model = nullptr;         // list controls (UI thread)
    std::shared_ptr<MenuData> sysMenu;  // windows with a system menu
    std::atomic<bool> publishScheduled{false};
    std::chrono::steady_clock::time_point lastPublish;  // UI thread

    std::shared_ptr<WndCore> FindChild(int id) const;
};

// Runs fn on the UI thread: at once there, else posted. UI-thread callers get synchronous
// effects (and notifications).
void RunOnUi(std::function<void()> fn);

// Guarded call of framework-side code that may run handlers: an exception is reported in the
// error box and does not propagate into Qt.
void Guarded(const std::function<void()>& fn);
void ReportException(const char* what);

// Notifications of a control to its dialog (UI thread).
void NotifyCommand(WndCore& core, UINT code);
void NotifyTabChange(WndCore& core);

// Sets the widget side of a text (UI thread); raises the edit notifications when asked to.
void ApplyText(WndCore& core, const std::string& text, bool notify);
void ApplyCheck(WndCore& core, int check);
void ApplyEnabled(WndCore& core, bool enabled);
void ApplyVisible(WndCore& core, bool visible);
void ApplyGeometry(WndCore& core, const CRect& r);
void ApplyButtonImage(WndCore& core);
void PublishList(WndCore& core);  // makes the list view show the store (UI thread)
// Rows written by other threads are published at most once per this many milliseconds.
constexpr int kListFrameMs = 100;
void ScheduleListPublish(const std::shared_ptr<WndCore>& core);

// Converts text for the widget edge (bytes that are not UTF-8 become replacement characters).
QString ToQt(const std::string& s);
std::string FromQt(const QString& s);
// Removes the mnemonic prefix '&' ("&&" stands for '&').
std::string StripMnemonic(const std::string& s);

std::shared_ptr<WndCore> NewCore(WndKind kind, CWnd* owner);
// Makes the core's handle known to the calls that take a window handle (window_calls.cpp).
void RegisterWindowCore(const std::shared_ptr<WndCore>& core);
CWnd* NewControlObject(WndKind kind);

// Font table of a font (UI thread).
std::shared_ptr<const FontTable> MeasureFont(const QFont& font);
CSize TextExtent(const FontTable& table, const std::string& text);

std::function<QWidget*(QWidget*)> FindControlFactory(const std::string& classId);

// The dialog of the innermost modal loop, as the parent of a box; nullptr when none.
QWidget* ActiveModalWidget();

}  // namespace afx::detail
