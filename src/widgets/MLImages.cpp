#include "MLImages.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cmath>

QString MLImages::imagePath(const QString &name)
{
    return QStringLiteral(":/images/%1.svg").arg(name);
}

QPixmap MLImages::pixmapNamed(const QString &name, const QSize &size, qreal devicePixelRatio)
{
    if (name.isEmpty() || size.isEmpty() || !(devicePixelRatio > 0))
        return {};
    const QString path = imagePath(name);
    // Checked first: the renderer warns on standard error about a missing file.
    if (!QFile::exists(path))
        return {};
    QSvgRenderer renderer(path);
    if (!renderer.isValid())
        return {};

    const QSize pixels(qRound(size.width() * devicePixelRatio), qRound(size.height() * devicePixelRatio));
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);

    QSizeF drawn = renderer.viewBoxF().size();
    if (drawn.isEmpty())
        drawn = renderer.defaultSize();
    drawn.scale(QSizeF(pixels), Qt::KeepAspectRatio);
    const QRectF target(QPointF((pixels.width() - drawn.width()) / 2, (pixels.height() - drawn.height()) / 2),
                        drawn);

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    renderer.render(&painter, target);
    painter.end();

    QPixmap pixmap = QPixmap::fromImage(std::move(image));
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}
