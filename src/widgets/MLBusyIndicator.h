#pragma once

#include <QPointer>
#include <QWidget>
#include <QWindow>

class QTimer;

// A spinning arc over a faint ring; paints nothing while stopped. The frame
// timer runs only while the indicator is animating, shown, and its window is
// exposed and not minimised, so a spinner nobody can see costs no CPU.
class MLBusyIndicator : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(bool animating READ isAnimating NOTIFY animatingChanged)

public:
    // One turn in 1.2 s in six steps: still plainly moving, at a quarter of
    // the wake-ups of a smooth spin.
    static constexpr int kFrameIntervalMs = 200;
    static constexpr int kFramesPerTurn = 6;

    explicit MLBusyIndicator(QWidget *parent = nullptr);

    bool isAnimating() const { return m_animating; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    // Whether the frame timer runs.
    bool isTicking() const;

public slots:
    void startAnimation();
    void stopAnimation();

signals:
    void animatingChanged(bool animating);

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void advanceFrame();
    void updateTimer();

    void watchWindow();

    QTimer *m_timer = nullptr;
    QPointer<QWidget> m_watchedWindow;
    QPointer<QWindow> m_watchedHandle;
    bool m_obscured = false;
    bool m_animating = false;
    int m_frame = 0;
};
