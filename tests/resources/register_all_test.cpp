#include <gtest/gtest.h>

#include <string>

#include "afx.h"
#include "afx_pictures.h"
#include "pictures.h"
#include "resources.h"
#include "templates.h"

namespace orva::resources {
namespace {

TEST(RegisterAll, FrameworkFindsEveryResource) {
    RegisterAll();

    for (unsigned id : {100u, 102u, 146u, 147u, 148u}) {
        const afx::DialogTemplate* t = afx::FindTemplate(id);
        ASSERT_NE(t, nullptr) << id;
        EXPECT_EQ(t->id, id);
    }
    EXPECT_EQ(afx::FindTemplate(102)->items.size(), MainDialogTemplate().items.size());
    EXPECT_EQ(afx::FindTemplate(146)->items.size(), AcquisitionPageTemplate().items.size());
    EXPECT_EQ(afx::FindTemplate(100)->fontFace, "\xE5\xAE\x8B\xE4\xBD\x93");

    EXPECT_EQ(afx::LoadStringResource(101), "About ORVA(&A)...");
    EXPECT_EQ(afx::LoadStringResource(102), "[State]");
    EXPECT_EQ(afx::LoadStringResource(103), "ORVA-FG V1.0");
    EXPECT_EQ(afx::LoadStringResource(104), std::string(28, ' '));
    EXPECT_EQ(afx::LoadStringResource(105), "Ready");

    for (UINT id : {128u, 178u, 179u}) {
        const QImage image = afx::PictureImage(LoadIconResource(id));
        EXPECT_EQ(image.size(), QSize(32, 32)) << id;
    }
    EXPECT_EQ(afx::PictureImage(LoadIconResource(178)), NotConnectedIcon());
    EXPECT_EQ(afx::PictureImage(LoadIconResource(179)), ConnectedIcon());
    for (UINT id : {157u, 159u}) {
        const QImage image = afx::PictureImage(LoadBitmapResource(id));
        EXPECT_EQ(image.size(), QSize(16, 14)) << id;
    }
    // Icons and bitmaps are separate kinds: a bitmap id is no icon.
    EXPECT_EQ(LoadIconResource(157), nullptr);
    EXPECT_EQ(LoadBitmapResource(128), nullptr);
}

TEST(RegisterAll, SecondCallKeepsWhatWindowsAlreadyHold) {
    RegisterAll();
    HICON app = LoadIconResource(128);
    HBITMAP zoom = LoadBitmapResource(157);
    const afx::DialogTemplate* main = afx::FindTemplate(102);
    ASSERT_NE(app, nullptr);
    ASSERT_NE(zoom, nullptr);

    RegisterAll();
    EXPECT_EQ(LoadIconResource(128), app);
    EXPECT_EQ(LoadBitmapResource(157), zoom);
    EXPECT_EQ(afx::FindTemplate(102), main);
    EXPECT_EQ(afx::PictureImage(app).size(), QSize(32, 32));  // the handle held still reads
}

}  // namespace
}  // namespace orva::resources
