// Export Image through the real window: the picture written, its name, and a path that cannot
// be written.
#include <gtest/gtest.h>

#include <QImage>
#include <QString>
#include <QWidget>
#include <filesystem>
#include <fstream>

#include "stored_test.h"
#include "window_fixture.h"

namespace fs = std::filesystem;

namespace {

using afx::testing::AnswerNextFileDialog;
using afx::testing::Click;
using ui_test::StoreTest;
using ui_test::WindowTest;

constexpr int kExportImage = 1026;

int CountYellow(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == qRgb(255, 255, 0)) ++n;
    return n;
}

using ImageExportTest = WindowTest;

TEST_F(ImageExportTest, NameWithoutExtensionGetsBmpAndThePictureShowsTheCurve) {
    RunDialog([&](CKvDlg& dlg) {
        std::vector<float> loads;
        for (int i = 0; i < 200; ++i) loads.push_back(static_cast<float>((i % 50) - 25));
        StoreTest(dlg, " N", loads);
        const fs::path dir = root_ / "pictures";
        fs::create_directories(dir);
        AnswerNextFileDialog((dir / "curve").string());
        ASSERT_TRUE(Click(dlg, kExportImage));
        EXPECT_TRUE(ui_test::Boxes().empty());
        // The save dialog offers BMP pictures only and adds ".bmp" to the bare name typed.
        const auto dialogs = afx::testing::ShownFileDialogs();
        ASSERT_EQ(dialogs.size(), 1u);
        EXPECT_TRUE(dialogs[0].save);
        EXPECT_EQ(dialogs[0].filters, (std::vector<std::string>{"bmp Files (*.bmp)"}));
        EXPECT_EQ(dialogs[0].defaultSuffix, "bmp");
        EXPECT_TRUE(dialogs[0].confirmsOverwrite);

        const fs::path file = dir / "curve.bmp";
        ASSERT_TRUE(fs::exists(file));
        std::ifstream in(file, std::ios::binary);
        char magic[2] = {};
        in.read(magic, 2);
        EXPECT_EQ(std::string(magic, 2), "BM");
        const QImage picture(QString::fromStdString(file.string()), "BMP");
        ASSERT_FALSE(picture.isNull());
        EXPECT_EQ(picture.size(), dlg.m_graph.GetWidget()->size());
        EXPECT_GT(CountYellow(picture), 200);
    });
}

TEST_F(ImageExportTest, AnUnwritablePathGivesOneErrorBoxAndCancelWritesNothing) {
    RunDialog([&](CKvDlg& dlg) {
        StoreTest(dlg, " N", {1.0f, 2.0f});
        const fs::path file = root_ / "no such folder" / "curve.bmp";
        AnswerNextFileDialog(file.string());
        ASSERT_TRUE(Click(dlg, kExportImage));
        const auto boxes = ui_test::Boxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_NE(boxes[0].text.find(file.string()), std::string::npos) << boxes[0].text;
        EXPECT_FALSE(fs::exists(file));

        afx::testing::ClearShownBoxes();
        ASSERT_TRUE(Click(dlg, kExportImage));  // no answer: the dialog is cancelled
        EXPECT_TRUE(ui_test::Boxes().empty());
    });
}

}  // namespace
