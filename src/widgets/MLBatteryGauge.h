#pragma once

#include <QWidget>

// A battery drawn as an outline with a terminal cap and five bars: segment 0
// is an empty battery, 5 a full one, so that segments 0..5 give six states.
// The bars are red for segments 0 and 1, amber for 2 and green from 3 up.
// The percent level only feeds the accessible description; the caller
// decides which segment a level shows.
class MLBatteryGauge : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int segment READ segment WRITE setSegment NOTIFY segmentChanged)
    Q_PROPERTY(int level READ level WRITE setLevel NOTIFY levelChanged)

public:
    static constexpr int kMaxSegment = 5;

    explicit MLBatteryGauge(QWidget *parent = nullptr);

    // The segment as set; values outside 0..5 are kept but painted clamped.
    int segment() const { return m_segment; }
    int level() const { return m_level; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

public slots:
    void setSegment(int segment);
    void setLevel(int percent);

signals:
    void segmentChanged(int segment);
    void levelChanged(int percent);

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void updateAccessibleText();

    int m_segment = 0;
    int m_level = 0;
};
