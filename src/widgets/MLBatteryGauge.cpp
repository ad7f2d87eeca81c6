#include "MLBatteryGauge.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace {

// Calm, well-separated hues that stay readable on light and dark windows.
const QColor kLowColor(0xd2, 0x3f, 0x31);
const QColor kMediumColor(0xe8, 0xa1, 0x1a);
const QColor kGoodColor(0x2e, 0x9a, 0x4f);

QColor barColor(int segment)
{
    if (segment <= 1)
        return kLowColor;
    if (segment == 2)
        return kMediumColor;
    return kGoodColor;
}

QColor withAlpha(QColor color, qreal alpha)
{
    color.setAlphaF(float(alpha));
    return color;
}

} // namespace

MLBatteryGauge::MLBatteryGauge(QWidget *parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(tr("Battery level"));
    updateAccessibleText();
}

QSize MLBatteryGauge::sizeHint() const
{
    return {110, 44};
}

QSize MLBatteryGauge::minimumSizeHint() const
{
    return {44, 18};
}

void MLBatteryGauge::setSegment(int segment)
{
    if (segment == m_segment)
        return;
    m_segment = segment;
    update();
    emit segmentChanged(segment);
}

void MLBatteryGauge::setLevel(int percent)
{
    if (percent == m_level)
        return;
    m_level = percent;
    updateAccessibleText();
    emit levelChanged(percent);
}

void MLBatteryGauge::updateAccessibleText()
{
    setAccessibleDescription(tr("%1 percent").arg(m_level));
}

void MLBatteryGauge::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        setAccessibleName(tr("Battery level"));
        updateAccessibleText();
    }
    QWidget::changeEvent(event);
}

void MLBatteryGauge::paintEvent(QPaintEvent *)
{
    const int segment = std::clamp(m_segment, 0, kMaxSegment);

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    // The battery keeps a 5:2 shape, centred, whatever the widget's size.
    const QRectF area = QRectF(rect()).adjusted(1, 1, -1, -1);
    const qreal boxWidth = std::min(area.width(), area.height() * 2.5);
    const qreal boxHeight = boxWidth / 2.5;
    const QRectF box(area.center().x() - boxWidth / 2, area.center().y() - boxHeight / 2, boxWidth,
                     boxHeight);

    const qreal stroke = std::max<qreal>(1.5, boxHeight / 16);
    const qreal capWidth = std::max<qreal>(2.5, boxWidth * 0.05);
    const QRectF body = box.adjusted(stroke / 2, stroke / 2, -capWidth - stroke / 2, -stroke / 2);
    const QRectF cap(body.right() + stroke / 2, body.center().y() - body.height() * 0.2, capWidth,
                     body.height() * 0.4);

    const QColor ink = palette().color(QPalette::WindowText);
    const QColor outline = segment == 0 ? kLowColor : withAlpha(ink, 0.7);
    const qreal radius = boxHeight * 0.16;

    painter.setPen(QPen(outline, stroke));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(body, radius, radius);

    // The terminal cap: rounded on its outer side only, flush with the body.
    const QRectF capRounded = cap.adjusted(-cap.width(), 0, 0, 0);
    QPainterPath capPath;
    capPath.addRoundedRect(capRounded, cap.width() * 0.6, cap.width() * 0.6);
    QPainterPath capInnerHalf;
    capInnerHalf.addRect(QRectF(capRounded.topLeft(), QSizeF(cap.width(), capRounded.height())));
    painter.setPen(Qt::NoPen);
    painter.setBrush(outline);
    painter.drawPath(capPath.subtracted(capInnerHalf));

    // Bars sit inside the outline with an even gap all round and between them.
    const qreal gap = std::max<qreal>(1.5, boxHeight / 11);
    const QRectF inner =
        body.adjusted(stroke / 2 + gap, stroke / 2 + gap, -stroke / 2 - gap, -stroke / 2 - gap);
    const qreal barWidth = (inner.width() - gap * (kMaxSegment - 1)) / kMaxSegment;
    const qreal barRadius = std::min<qreal>(radius * 0.5, barWidth / 3);
    const QColor filled = barColor(segment);
    const QColor empty = withAlpha(ink, 0.08);
    for (int i = 0; i < kMaxSegment; ++i) {
        const QRectF bar(inner.left() + i * (barWidth + gap), inner.top(), barWidth, inner.height());
        painter.setBrush(i < segment ? filled : empty);
        painter.drawRoundedRect(bar, barRadius, barRadius);
    }
}
