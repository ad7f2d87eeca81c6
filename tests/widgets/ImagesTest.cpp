#include "MLImages.h"
#include "WidgetsTestSupport.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

// The share of pixels that are drawn at all.
double coverage(const QImage &image)
{
    int drawn = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            drawn += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
    }
    return double(drawn) / (image.width() * image.height());
}

QImage pictureImage(const QString &name, int side, qreal ratio = 1.0)
{
    return MLImages::pixmapNamed(name, QSize(side, side), ratio)
        .toImage()
        .convertToFormat(QImage::Format_ARGB32);
}

TEST(ImagesTest, BothMicrophonePicturesRenderAndDifferAtAGlance)
{
    for (int side : {64, 96}) {
        SCOPED_TRACE(side);
        const QImage teacher = pictureImage(QStringLiteral("TeacherMic"), side);
        const QImage student = pictureImage(QStringLiteral("StudentMic"), side);
        ASSERT_EQ(teacher.size(), QSize(side, side));
        ASSERT_EQ(student.size(), QSize(side, side));
        // A real drawing: a good part of the square, but with a transparent
        // background around it.
        for (const QImage &image : {teacher, student}) {
            EXPECT_GT(coverage(image), 0.15);
            EXPECT_LT(coverage(image), 0.8);
            EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
        }
        // Not just a pixel or two: the accent colours differ over a large area.
        int different = 0;
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                const QColor a = teacher.pixelColor(x, y);
                const QColor b = student.pixelColor(x, y);
                different += std::abs(a.hue() - b.hue()) > 60 && a.saturation() > 80 && b.saturation() > 80;
            }
        }
        EXPECT_GT(different, side * side / 20);
        const QString dir = mlwidgetstest::screenshotDir();
        teacher.save(QStringLiteral("%1/TeacherMic-%2.png").arg(dir).arg(side));
        student.save(QStringLiteral("%1/StudentMic-%2.png").arg(dir).arg(side));
    }
}

TEST(ImagesTest, HighDensityScreensGetMorePixels)
{
    const QPixmap pixmap = MLImages::pixmapNamed(QStringLiteral("TeacherMic"), QSize(48, 48), 2.0);
    ASSERT_FALSE(pixmap.isNull());
    EXPECT_EQ(pixmap.size(), QSize(96, 96));
    EXPECT_DOUBLE_EQ(pixmap.devicePixelRatio(), 2.0);
    EXPECT_EQ(pixmap.deviceIndependentSize().toSize(), QSize(48, 48));
}

TEST(ImagesTest, NonSquareSizeKeepsTheDrawingCentred)
{
    const QImage wide = MLImages::pixmapNamed(QStringLiteral("StudentMic"), QSize(160, 64))
                            .toImage()
                            .convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(wide.size(), QSize(160, 64));
    // The square picture fills the middle; the sides stay empty.
    for (int y = 0; y < wide.height(); ++y) {
        EXPECT_EQ(qAlpha(wide.pixel(5, y)), 0);
        EXPECT_EQ(qAlpha(wide.pixel(154, y)), 0);
    }
    EXPECT_GT(coverage(wide.copy(48, 0, 64, 64)), 0.15);
}

TEST(ImagesTest, UnknownPictureOrEmptySizeGivesNothing)
{
    EXPECT_TRUE(MLImages::pixmapNamed(QStringLiteral("NoSuchMic"), QSize(64, 64)).isNull());
    EXPECT_TRUE(MLImages::pixmapNamed(QString(), QSize(64, 64)).isNull());
    EXPECT_TRUE(MLImages::pixmapNamed(QStringLiteral("TeacherMic"), QSize(0, 64)).isNull());
    EXPECT_TRUE(MLImages::pixmapNamed(QStringLiteral("TeacherMic"), QSize(64, 64), 0.0).isNull());
}

} // namespace
