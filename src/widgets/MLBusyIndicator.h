#pragma once

#include <QWidget>

class QTimer;

// A spinning arc over a faint ring; paints nothing while stopped. The frame
// timer runs only while the indicator is animating and shown, so a spinner in
// a hidden view or a minimised window costs no CPU.
class MLBusyIndicator : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(bool animating READ isAnimating NOTIFY animatingChanged)

public:
    static constexpr int kFrameIntervalMs = 50;
    static constexpr int kFramesPerTurn = 24;

    explicit MLBusyIndicator(QWidget *parent = nullptr);

    bool isAnimating() const { return m_animating; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

public slots:
    void startAnimation();
    void stopAnimation();

signals:
    void animatingChanged(bool animating);

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void advanceFrame();
    void updateTimer();

    QTimer *m_timer = nullptr;
    bool m_animating = false;
    int m_frame = 0;
};
