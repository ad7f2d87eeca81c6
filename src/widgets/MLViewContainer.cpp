#include "MLViewContainer.h"

#include <QGraphicsOpacityEffect>
#include <QLayout>
#include <QPointer>
#include <QPropertyAnimation>
#include <QVBoxLayout>
#include <QWidget>

namespace {

const char kFadeAnimationName[] = "mlViewFadeAnimation";

QLayout *containerLayout(QWidget *container)
{
    if (QLayout *layout = container->layout())
        return layout;
    auto *layout = new QVBoxLayout(container);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return layout;
}

// Ends a fade still running on the view and takes its effect off, so the
// view is drawn directly again. (A stopped animation does not emit finished.)
void stopFade(QWidget *view)
{
    auto *running = view->findChild<QPropertyAnimation *>(QLatin1StringView(kFadeAnimationName),
                                                          Qt::FindDirectChildrenOnly);
    if (!running)
        return;
    running->setObjectName(QString());
    QObject *effect = running->targetObject();
    running->stop();
    if (effect && view->graphicsEffect() == effect)
        view->setGraphicsEffect(nullptr);
}

void fadeIn(QWidget *view, int durationMs)
{
    stopFade(view);
    if (durationMs <= 0)
        return;
    auto *effect = new QGraphicsOpacityEffect(view);
    effect->setOpacity(0.0);
    view->setGraphicsEffect(effect);

    // The animation belongs to the view, not to the effect: the finished
    // handler deletes the effect, which must not delete the animation that
    // is still emitting.
    auto *animation = new QPropertyAnimation(effect, "opacity", view);
    animation->setObjectName(QLatin1StringView(kFadeAnimationName));
    animation->setDuration(durationMs);
    animation->setStartValue(0.0);
    animation->setEndValue(1.0);
    animation->setEasingCurve(QEasingCurve::OutCubic);
    QObject::connect(animation, &QAbstractAnimation::finished, view,
                     [view, effect = QPointer<QGraphicsOpacityEffect>(effect)] {
                         // An opacity effect renders through a pixmap; text is
                         // crisper without it.
                         if (effect && view->graphicsEffect() == effect)
                             view->setGraphicsEffect(nullptr);
                     });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

} // namespace

QWidget *MLCurrentView(QWidget *container)
{
    if (!container || !container->layout())
        return nullptr;
    QLayout *layout = container->layout();
    for (int i = 0; i < layout->count(); ++i) {
        if (QWidget *widget = layout->itemAt(i)->widget())
            return widget;
    }
    return nullptr;
}

void MLSwapView(QWidget *container, QWidget *view, int durationMs)
{
    if (!container || !view || view == container)
        return;
    QLayout *layout = containerLayout(container);
    QWidget *current = MLCurrentView(container);

    if (current == view) {
        view->show();
        fadeIn(view, durationMs);
        return;
    }

    if (current) {
        stopFade(current);
        layout->removeWidget(current);
        current->hide();
    }
    if (view->parentWidget() != container)
        view->setParent(container);
    layout->addWidget(view);
    view->show();
    if (current)
        fadeIn(view, durationMs);
}
