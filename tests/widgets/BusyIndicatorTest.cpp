#include "MLBusyIndicator.h"
#include "TestSupport.h"
#include "WidgetsTestSupport.h"

#include <QTimer>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

class BusyIndicatorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        mlwidgetstest::useApplicationStyle();
        m_window.resize(120, 120);
        auto *layout = new QVBoxLayout(&m_window);
        m_spinner = new MLBusyIndicator(&m_window);
        layout->addWidget(m_spinner);
        m_timer = m_spinner->findChild<QTimer *>();
        ASSERT_NE(m_timer, nullptr);
    }

    bool ticking() const { return m_timer->isActive(); }

    QWidget m_window;
    MLBusyIndicator *m_spinner = nullptr;
    QTimer *m_timer = nullptr;
};

TEST_F(BusyIndicatorTest, TicksOnlyWhileAnimatingAndShown)
{
    // Started while hidden, it waits until shown.
    m_spinner->startAnimation();
    EXPECT_TRUE(m_spinner->isAnimating());
    EXPECT_FALSE(ticking());
    m_window.show();
    EXPECT_TRUE(ticking());
    EXPECT_LE(m_timer->interval(), 60) << "about 20 frames a second";

    for (QWidget *hidden : {static_cast<QWidget *>(m_spinner), &m_window}) {
        hidden->hide();
        EXPECT_TRUE(m_spinner->isAnimating()) << "hiding does not forget that it should spin";
        EXPECT_FALSE(ticking());
        hidden->show();
        EXPECT_TRUE(ticking());
    }

    m_spinner->stopAnimation();
    EXPECT_FALSE(m_spinner->isAnimating());
    EXPECT_FALSE(ticking());
    m_window.hide();
    m_window.show();
    EXPECT_FALSE(ticking()) << "showing a stopped spinner must not start it";
}

TEST_F(BusyIndicatorTest, AnimationMovesAndStoppedSpinnerIsInvisible)
{
    m_window.show();
    const QImage stopped = mlwidgetstest::render(m_spinner);
    m_spinner->startAnimation();
    const QImage first = mlwidgetstest::render(m_spinner);
    EXPECT_TRUE(first != stopped);
    EXPECT_TRUE(mltest::waitUntil([&] { return mlwidgetstest::render(m_spinner) != first; }, 2000))
        << "the arc never moved";

    m_spinner->stopAnimation();
    EXPECT_TRUE(mlwidgetstest::render(m_spinner) == stopped);
}

} // namespace
