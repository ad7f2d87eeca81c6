#include "MLBusyIndicator.h"

#include <QPainter>
#include <QTimer>

#include <algorithm>

MLBusyIndicator::MLBusyIndicator(QWidget *parent) : QWidget(parent), m_timer(new QTimer(this))
{
    m_timer->setInterval(kFrameIntervalMs);
    m_timer->setTimerType(Qt::CoarseTimer);
    connect(m_timer, &QTimer::timeout, this, &MLBusyIndicator::advanceFrame);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(tr("Busy"));
}

QSize MLBusyIndicator::sizeHint() const
{
    return {40, 40};
}

QSize MLBusyIndicator::minimumSizeHint() const
{
    return {16, 16};
}

void MLBusyIndicator::startAnimation()
{
    if (m_animating)
        return;
    m_animating = true;
    updateTimer();
    update();
    emit animatingChanged(true);
}

void MLBusyIndicator::stopAnimation()
{
    if (!m_animating)
        return;
    m_animating = false;
    updateTimer();
    update();
    emit animatingChanged(false);
}

void MLBusyIndicator::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    watchWindow();
    updateTimer();
}

bool MLBusyIndicator::isTicking() const
{
    return m_timer->isActive();
}

// Minimising or covering the window shows and hides no widget: follow the
// window's own state and exposure.
void MLBusyIndicator::watchWindow()
{
    QWidget *top = window();
    if (top != m_watchedWindow) {
        if (m_watchedWindow)
            m_watchedWindow->removeEventFilter(this);
        m_watchedWindow = top;
        top->installEventFilter(this);
    }
    QWindow *handle = top->windowHandle();
    if (handle != m_watchedHandle) {
        if (m_watchedHandle)
            m_watchedHandle->removeEventFilter(this);
        m_watchedHandle = handle;
        if (handle)
            handle->installEventFilter(this);
    }
}

bool MLBusyIndicator::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Expose:
        if (watched == m_watchedHandle)
            m_obscured = !m_watchedHandle->isExposed();
        Q_FALLTHROUGH();
    case QEvent::WindowStateChange:
    case QEvent::Show:
    case QEvent::Hide:
        // After the window has taken the change in.
        QMetaObject::invokeMethod(this, &MLBusyIndicator::updateTimer, Qt::QueuedConnection);
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void MLBusyIndicator::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    updateTimer();
}

void MLBusyIndicator::updateTimer()
{
    // isVisible() is already false inside hideEvent, whether this widget or
    // one of its ancestors was hidden.
    // A window just shown counts as seen until its platform says otherwise.
    const bool run = m_animating && isVisible() && !window()->isMinimized() && !m_obscured;
    if (run && !m_timer->isActive())
        m_timer->start();
    else if (!run)
        m_timer->stop();
}

void MLBusyIndicator::advanceFrame()
{
    m_frame = (m_frame + 1) % kFramesPerTurn;
    update();
}

void MLBusyIndicator::paintEvent(QPaintEvent *)
{
    if (!m_animating)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    const qreal side = std::min(width(), height());
    const qreal stroke = std::max<qreal>(2.0, side / 9);
    const QRectF ring(QPointF((width() - side) / 2 + stroke / 2, (height() - side) / 2 + stroke / 2),
                      QSizeF(side - stroke, side - stroke));

    QColor track = palette().color(QPalette::WindowText);
    track.setAlphaF(0.12f);
    painter.setPen(QPen(track, stroke));
    painter.drawEllipse(ring);

    // Qt angles are in sixteenths of a degree, counter-clockwise; the arc
    // turns clockwise.
    const int startAngle = 90 * 16 - m_frame * (360 * 16 / kFramesPerTurn);
    QPen arcPen(palette().color(QPalette::Highlight), stroke);
    arcPen.setCapStyle(Qt::RoundCap);
    painter.setPen(arcPen);
    painter.drawArc(ring, startAngle, -100 * 16);
}
