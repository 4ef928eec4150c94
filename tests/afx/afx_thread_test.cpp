// Control calls from other threads: posted in order, never blocking, reads from the state copy.
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QLineEdit>
#include <QTableView>
#include <chrono>
#include <future>
#include <thread>

#include "test_dialogs.h"

using namespace afxtest;
namespace T = afx::testing;

namespace {

class AfxThreads : public ::testing::Test {
protected:
    void SetUp() override {
        T::EnsureApplication();
        RegisterTestTemplates();
        T::ClearShownBoxes();
    }
};

// Runs fn on a new thread while the UI thread does not pump; fails when the worker blocks.
void RunWorkerWithoutPumping(const std::function<void()>& fn) {
    auto done = std::async(std::launch::async, fn);
    ASSERT_EQ(done.wait_for(std::chrono::seconds(20)), std::future_status::ready)
        << "a control call from the worker waited for the UI thread";
    done.get();
}

TEST_F(AfxThreads, WorkerWritesArePostedInOrderAndReturnAtOnce) {
    RecordingDialog dlg;
    T::RunModal(dlg, [&](CDialog&) {
        dlg.log.clear();
        std::vector<std::string> worker;
        RunWorkerWithoutPumping([&] {
            EXPECT_FALSE(afx::IsUiThread());
            for (int i = 0; i < 200; ++i) {
                dlg.m_edit.SetWindowText(std::to_string(i));
                // A worker's own write is visible to its own read at once.
                worker.push_back(dlg.m_edit.GetWindowText());
                dlg.GetDlgItem(kButton)->EnableWindow(i % 2);
                dlg.m_check.SetCheck(i % 2);
            }
            EXPECT_TRUE(dlg.GetDlgItem(kButton)->IsWindowEnabled());
            dlg.GetDlgItem(kButton)->EnableWindow(FALSE);
            EXPECT_FALSE(dlg.GetDlgItem(kButton)->IsWindowEnabled());
            EXPECT_EQ(dlg.m_check.GetCheck(), 1);
        });
        ASSERT_EQ(worker.size(), 200u);
        EXPECT_EQ(worker[17], "17");
        EXPECT_TRUE(dlg.log.empty());  // nothing ran on the UI thread yet
        ASSERT_TRUE(T::RunUntil([&] { return dlg.log.size() == 400; }, 10000));
        for (int i = 0; i < 200; ++i) {
            EXPECT_EQ(dlg.log[2 * i], "EN_UPDATE " + std::to_string(i));
            EXPECT_EQ(dlg.log[2 * i + 1], "EN_CHANGE " + std::to_string(i));
        }
        EXPECT_EQ(qobject_cast<QLineEdit*>(T::Widget(dlg, kEdit))->text(), "199");
        EXPECT_FALSE(T::Widget(dlg, kButton)->isEnabled());
        EXPECT_EQ(dlg.IsDlgButtonChecked(kCheck), 1u);
    });
}

TEST_F(AfxThreads, WorkerReadsSeeWhatTheUserDid) {
    RecordingDialog dlg;
    T::RunModal(dlg, [&](CDialog&) {
        T::TypeText(dlg, kSimpleCombo, "run 7");
        T::SelectComboEntry(dlg, kCombo, 2);
        T::Click(dlg, kCheck);
        std::string name, unit;
        int sel = -1, check = -1;
        RunWorkerWithoutPumping([&] {
            name = dlg.GetDlgItem(kSimpleCombo)->GetWindowText();
            unit = dlg.m_combo.GetWindowText();
            sel = dlg.m_combo.GetCurSel();
            check = dlg.m_check.GetCheck();
        });
        EXPECT_EQ(name, "run 7");
        EXPECT_EQ(unit, "kgf");
        EXPECT_EQ(sel, 2);
        EXPECT_EQ(check, 1);
    });
}

TEST_F(AfxThreads, MessagesBoxesAndEndDialogFromAWorker) {
    RecordingDialog dlg;
    INT_PTR r = T::RunModal(
        dlg,
        [&](CDialog&) {
            dlg.log.clear();
            int boxResult = 0;
            RunWorkerWithoutPumping([&] {
                dlg.PostMessage(WM_USER + 5, 1, 2);
                boxResult = dlg.MessageBox("Time out!", "System Message", MB_OKCANCEL);
                AfxMessageBox("From the worker");
            });
            EXPECT_EQ(boxResult, IDOK);
            EXPECT_TRUE(T::ShownBoxes().empty());
            ASSERT_TRUE(T::RunUntil([&] { return T::ShownBoxes().size() == 2; }, 5000));
            EXPECT_EQ(dlg.log, std::vector<std::string>{"WM_USER+5 1 2"});
            EXPECT_EQ(T::ShownBoxes()[0].text, "Time out!");
            RunWorkerWithoutPumping([&] { dlg.EndDialog(42); });
            T::RunUntil([&] { return !dlg.IsModalRunning(); }, 5000);
        },
        0);
    EXPECT_EQ(r, 42);
}

TEST_F(AfxThreads, ListRowsFromAWorkerGetTheirNumbersAtOnce) {
    RecordingDialog dlg;
    T::RunModal(dlg, [&](CDialog&) {
        dlg.m_list.InsertColumn(0, "  Num  ", LVCFMT_LEFT, 50);
        dlg.m_list.InsertColumn(1, "  Load  ", LVCFMT_LEFT, 60);
        auto* view = qobject_cast<QTableView*>(T::Widget(dlg, kList));
        ASSERT_NE(view, nullptr);
        std::vector<int> rows;
        RunWorkerWithoutPumping([&] {
            for (int i = 0; i < 1000; ++i) {
                int row = dlg.m_list.InsertItem(dlg.m_list.GetItemCount(), std::to_string(i).c_str());
                dlg.m_list.SetItemText(row, 1, (std::to_string(i) + " N").c_str());
                rows.push_back(row);
            }
        });
        for (int i = 0; i < 1000; ++i) ASSERT_EQ(rows[static_cast<size_t>(i)], i);
        EXPECT_EQ(dlg.m_list.GetItemText(999, 1), "999 N");
        ASSERT_TRUE(T::RunUntil([&] { return view->model()->rowCount() == 1000; }, 5000));
        EXPECT_EQ(view->model()->data(view->model()->index(500, 1)).toString(), "500 N");
    });
}

TEST_F(AfxThreads, ManyWorkersAndTheUserTogether) {
    RecordingDialog dlg;
    T::RunModal(dlg, [&](CDialog&) {
        std::atomic<bool> stop{false};
        std::vector<std::thread> workers;
        for (int w = 0; w < 3; ++w)
            workers.emplace_back([&, w] {
                for (int i = 0; i < 300 && !stop; ++i) {
                    dlg.SetDlgItemText(kEditMulti, "w" + std::to_string(w) + " " + std::to_string(i));
                    dlg.GetDlgItem(kButton)->EnableWindow(TRUE);
                    (void)dlg.GetDlgItemText(kSimpleCombo);
                    (void)dlg.m_combo.GetCurSel();
                }
            });
        for (int i = 0; i < 20; ++i) {
            T::TypeText(dlg, kSimpleCombo, "u" + std::to_string(i));
            T::Pump(1);
        }
        for (auto& t : workers) t.join();
        T::RunUntil([] { return false; }, 200);
        // After the UI thread drained, the window shows what the state copy says.
        EXPECT_EQ(dlg.GetDlgItemText(kSimpleCombo), "u19");
        std::string shown = dlg.GetDlgItemText(kEditMulti);
        std::string copy;
        std::thread([&] { copy = dlg.GetDlgItemText(kEditMulti); }).join();
        EXPECT_EQ(shown, copy);
    });
}

}  // namespace
