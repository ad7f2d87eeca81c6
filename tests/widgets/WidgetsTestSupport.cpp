#include "WidgetsTestSupport.h"

#include "TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QStyle>
#include <QWidget>

#include <cstdlib>

namespace mlwidgetstest {

void useApplicationStyle()
{
    if (QApplication::style()->name().compare(QLatin1StringView("fusion"), Qt::CaseInsensitive) != 0)
        QApplication::setStyle(QStringLiteral("Fusion"));
}

QImage render(QWidget *widget)
{
    return widget->grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

int countPixelsNear(const QImage &image, const QColor &color, int tolerance)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (pixel.alpha() > 200 && std::abs(pixel.red() - color.red()) <= tolerance &&
                std::abs(pixel.green() - color.green()) <= tolerance &&
                std::abs(pixel.blue() - color.blue()) <= tolerance)
                ++count;
        }
    }
    return count;
}

QString screenshotDir()
{
    const QString dir = mltest::outputDir() + QStringLiteral("/widgets");
    QDir().mkpath(dir);
    return dir;
}

} // namespace mlwidgetstest
