#pragma once

#include <QPixmap>
#include <QSize>
#include <QString>

// Pictures compiled into the program, by name (":/images/<name>.svg").
class MLImages
{
public:
    MLImages() = delete;

    static QString imagePath(const QString &name);

    // The picture drawn into a transparent pixmap of the given size (logical
    // pixels), centred with its aspect ratio kept; a null pixmap when there
    // is no such picture or the size is empty.
    static QPixmap pixmapNamed(const QString &name, const QSize &size, qreal devicePixelRatio = 1.0);
};
