// The list control: compact rows, redraw switched off around bulk inserts.
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QTableView>

#include "list_store.h"
#include "test_dialogs.h"

using namespace afxtest;
namespace T = afx::testing;

namespace {

TEST(ListStore, InsertSetAndReadCells) {
    afx::detail::ListStore s;
    EXPECT_EQ(s.Insert(0, "a"), 0);
    EXPECT_EQ(s.Insert(5, "b"), 1);  // past the end: appended
    EXPECT_EQ(s.Insert(0, "c"), 0);  // before the first row
    EXPECT_EQ(s.Insert(-1, "x"), -1);
    EXPECT_TRUE(s.SetText(1, 2, "a2"));
    EXPECT_TRUE(s.SetText(1, 1, "a1"));
    EXPECT_FALSE(s.SetText(3, 0, "no row"));
    EXPECT_EQ(s.Text(0, 0), "c");
    EXPECT_EQ(s.Text(1, 0), "a");
    EXPECT_EQ(s.Text(1, 1), "a1");
    EXPECT_EQ(s.Text(1, 2), "a2");
    EXPECT_EQ(s.Text(1, 7), "");
    EXPECT_EQ(s.Text(2, 0), "b");
    EXPECT_TRUE(s.Erase(0));
    EXPECT_EQ(s.Text(0, 1), "a1");
    std::string big(300000, 'z');  // longer cells are cut, never crash
    EXPECT_EQ(s.Insert(2, big), 2);
    EXPECT_GT(s.Text(2, 0).size(), 1000u);
    s.Clear();
    EXPECT_EQ(s.Count(), 0);
    EXPECT_EQ(s.Text(0, 0), "");
}

TEST(ListStore, RewritingOlderRowsKeepsEveryText) {
    afx::detail::ListStore s;
    for (int i = 0; i < 100000; ++i) s.Insert(i, std::to_string(i));
    for (int i = 0; i < 100000; i += 7) s.SetText(i, 1, "v" + std::to_string(i));
    for (int i = 0; i < 100000; ++i) {
        ASSERT_EQ(s.Text(i, 0), std::to_string(i));
        ASSERT_EQ(s.Text(i, 1), i % 7 == 0 ? "v" + std::to_string(i) : "");
    }
}

class AfxList : public ::testing::Test {
protected:
    void SetUp() override {
        T::EnsureApplication();
        RegisterTestTemplates();
    }
};

TEST_F(AfxList, BulkInsertWithRedrawOffSignalsOnceAtTheEnd) {
    RecordingDialog dlg;
    T::RunModal(dlg, [&](CDialog&) {
        CListCtrl& list = dlg.m_list;
        list.ModifyStyle(LVS_TYPEMASK, LVS_REPORT);
        list.SetExtendedStyle(list.GetExtendedStyle() | LVS_EX_GRIDLINES);
        list.InsertColumn(0, "  Num  ", LVCFMT_LEFT, 60);
        list.InsertColumn(1, "  Load  ", LVCFMT_LEFT, 70);
        list.InsertColumn(2, "  Time  ", LVCFMT_LEFT, 60);
        auto* view = qobject_cast<QTableView*>(T::Widget(dlg, kList));
        ASSERT_NE(view, nullptr);
        EXPECT_TRUE(view->showGrid());
        EXPECT_EQ(view->model()->headerData(1, Qt::Horizontal).toString(), "  Load  ");
        int signalCount = 0;
        QObject::connect(view->model(), &QAbstractItemModel::rowsInserted, [&] { ++signalCount; });
        QObject::connect(view->model(), &QAbstractItemModel::modelReset, [&] { ++signalCount; });
        QObject::connect(view->model(), &QAbstractItemModel::dataChanged, [&] { ++signalCount; });
        const int n = 3600000;
        list.SetRedraw(FALSE);
        char a[32], b[32], c[32];
        for (int i = 0; i < n; ++i) {
            std::snprintf(a, sizeof a, "%d ", i);
            std::snprintf(b, sizeof b, "%.4f  N", -12.3456 + i * 1e-4);
            std::snprintf(c, sizeof c, "%.2f s", i * 0.01);
            int row = list.InsertItem(i, a);
            ASSERT_EQ(row, i);
            list.SetItemText(row, 1, b);
            list.SetItemText(row, 2, c);
        }
        EXPECT_EQ(signalCount, 0);
        EXPECT_EQ(view->model()->rowCount(), 0);
        list.SetRedraw(TRUE);
        EXPECT_EQ(signalCount, 1);
        EXPECT_EQ(view->model()->rowCount(), n);
        EXPECT_EQ(list.GetItemCount(), n);
        EXPECT_EQ(list.GetItemText(0, 0), "0 ");
        EXPECT_EQ(list.GetItemText(1234567, 0), "1234567 ");
        std::snprintf(b, sizeof b, "%.4f  N", -12.3456 + 1234567 * 1e-4);
        EXPECT_EQ(list.GetItemText(1234567, 1), b);
        EXPECT_EQ(list.GetItemText(n - 1, 2), "35999.99 s");
        EXPECT_EQ(view->model()->data(view->model()->index(n - 1, 0)).toString(),
                  QString::number(n - 1) + " ");
        list.DeleteAllItems();
        EXPECT_EQ(list.GetItemCount(), 0);
        EXPECT_EQ(view->model()->rowCount(), 0);
    });
}

TEST_F(AfxList, InsertsWithRedrawOnShowAtOnce) {
    RecordingDialog dlg;
    T::RunModal(dlg, [&](CDialog&) {
        dlg.m_list.InsertColumn(0, "A");
        auto* view = qobject_cast<QTableView*>(T::Widget(dlg, kList));
        dlg.m_list.InsertItem(0, "first");
        dlg.m_list.InsertItem(0, "before");
        EXPECT_EQ(view->model()->rowCount(), 2);
        EXPECT_EQ(view->model()->data(view->model()->index(0, 0)).toString(), "before");
        CRect r;
        dlg.m_list.GetClientRect(&r);
        EXPECT_GT(r.Width(), 0);
        EXPECT_LE(r.Width(), view->width());
    });
}

// Rows made on demand: millions of rows cost nothing to fill; the view and GetItemText read the
// texts as they are asked; the list refuses stored rows until it is emptied.
TEST_F(AfxList, VirtualRowsAreMadeWhenRead) {
    RecordingDialog dlg;
    T::RunModal(dlg, [&](CDialog&) {
        CListCtrl& list = dlg.m_list;
        list.InsertColumn(0, "Num");
        list.InsertColumn(1, "Load");
        auto* view = qobject_cast<QTableView*>(T::Widget(dlg, kList));
        ASSERT_NE(view, nullptr);
        list.InsertItem(0, "stored");
        int asked = 0;
        list.SetVirtualItems(3600000, [&](int row, int column) {
            ++asked;
            return std::to_string(row) + "/" + std::to_string(column);
        });
        EXPECT_EQ(list.GetItemCount(), 3600000);
        T::Pump();
        EXPECT_EQ(view->model()->rowCount(), 3600000);
        EXPECT_LT(asked, 1000);  // only what the view shows was made
        EXPECT_EQ(list.GetItemText(0, 0), "0/0");
        EXPECT_EQ(list.GetItemText(3599999, 1), "3599999/1");
        EXPECT_EQ(view->model()->data(view->model()->index(1234567, 1)).toString(), "1234567/1");
        EXPECT_EQ(list.GetItemText(3600000, 0), "");
        EXPECT_EQ(list.GetItemText(-1, 0), "");

        EXPECT_EQ(list.InsertItem(0, "x"), -1);
        EXPECT_FALSE(list.SetItemText(0, 1, "x"));
        EXPECT_FALSE(list.DeleteItem(0));
        EXPECT_EQ(list.GetItemCount(), 3600000);

        list.DeleteAllItems();
        T::Pump();
        EXPECT_EQ(list.GetItemCount(), 0);
        EXPECT_EQ(view->model()->rowCount(), 0);
        EXPECT_EQ(list.InsertItem(0, "again"), 0);
        EXPECT_EQ(list.GetItemText(0, 0), "again");
    });
}

}  // namespace
