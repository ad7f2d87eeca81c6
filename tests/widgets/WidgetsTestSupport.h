#pragma once

#include <QImage>
#include <QString>

class QWidget;

namespace mlwidgetstest {

// The application runs with Fusion; tests look at what users see.
void useApplicationStyle();

// The widget as drawn, in a format that compares pixel by pixel.
QImage render(QWidget *widget);

// How many pixels are close to the colour (each channel within tolerance).
int countPixelsNear(const QImage &image, const QColor &color, int tolerance = 40);

// Folder for the screenshots of this test program, created on demand.
QString screenshotDir();

} // namespace mlwidgetstest
