#include "MLViewContainer.h"
#include "TestSupport.h"

#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

class ViewContainerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_window.resize(300, 200);
        auto *layout = new QVBoxLayout(&m_window);
        m_container = new QWidget(&m_window);
        layout->addWidget(m_container);
        m_first = new QLabel(QStringLiteral("first"));
        m_second = new QLabel(QStringLiteral("second"));
        m_window.show();
    }

    void TearDown() override
    {
        // Views never put into the container have no parent.
        for (QPointer<QWidget> view : {m_first, m_second}) {
            if (view && !view->parent())
                delete view;
        }
    }

    // The one view a user sees, checking that the container holds one view in its layout.
    QWidget *shownView() const
    {
        int inLayout = 0;
        for (int i = 0; i < m_container->layout()->count(); ++i)
            inLayout += m_container->layout()->itemAt(i)->widget() ? 1 : 0;
        EXPECT_EQ(inLayout, 1);
        QList<QWidget *> shown;
        for (QWidget *child : m_container->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (child->isVisible())
                shown.append(child);
        }
        EXPECT_EQ(shown.size(), 1);
        EXPECT_EQ(MLCurrentView(m_container), shown.value(0));
        return shown.value(0);
    }

    static bool fading(QWidget *view) { return qobject_cast<QGraphicsOpacityEffect *>(view->graphicsEffect()); }
    static bool fadeEnds(QWidget *view) { return mltest::waitUntil([&] { return !fading(view); }, 3000); }

    QWidget m_window;
    QWidget *m_container = nullptr;
    QPointer<QWidget> m_first;
    QPointer<QWidget> m_second;
};

TEST_F(ViewContainerTest, FirstViewGoesInWithoutAnimation)
{
    MLSwapView(nullptr, m_first, 150);
    MLSwapView(m_container, nullptr, 150);
    EXPECT_EQ(MLCurrentView(m_container), nullptr);
    EXPECT_EQ(MLCurrentView(nullptr), nullptr);
    EXPECT_EQ(m_first->parent(), nullptr);

    MLSwapView(m_container, m_first, 150);
    ASSERT_NE(qobject_cast<QVBoxLayout *>(m_container->layout()), nullptr) << "layout made when missing";
    EXPECT_EQ(shownView(), m_first);
    EXPECT_EQ(m_first->parentWidget(), m_container);
    EXPECT_FALSE(fading(m_first));
}

TEST_F(ViewContainerTest, UsesTheContainersOwnLayoutAndZeroDurationSwapsAtOnce)
{
    auto *layout = new QVBoxLayout(m_container);
    MLSwapView(m_container, m_first, 0);
    MLSwapView(m_container, m_second, 0);
    EXPECT_EQ(m_container->layout(), layout);
    EXPECT_EQ(layout->indexOf(m_second), 0);
    EXPECT_FALSE(fading(m_second));
    EXPECT_EQ(shownView(), m_second);
}

TEST_F(ViewContainerTest, SwapFadesTheNewViewInAndKeepsTheOldOneForReuse)
{
    MLSwapView(m_container, m_first, 150);
    MLSwapView(m_container, m_second, 150);
    ASSERT_FALSE(m_first.isNull()) << "the old view was deleted";
    EXPECT_EQ(m_first->parentWidget(), m_container);
    EXPECT_TRUE(m_first->isHidden());
    EXPECT_EQ(shownView(), m_second);
    EXPECT_TRUE(fading(m_second));
    EXPECT_TRUE(fadeEnds(m_second));
    EXPECT_TRUE(m_second->isVisible());

    // The kept view comes back.
    MLSwapView(m_container, m_first, 150);
    EXPECT_EQ(shownView(), m_first);
    EXPECT_TRUE(fadeEnds(m_first));
}

TEST_F(ViewContainerTest, SwappingTheShownViewWithItselfFadesIt)
{
    MLSwapView(m_container, m_first, 150);
    MLSwapView(m_container, m_first, 150);
    EXPECT_EQ(shownView(), m_first);
    EXPECT_TRUE(fading(m_first));
    // Again while the fade runs: still one view, and it ends up crisp.
    MLSwapView(m_container, m_first, 150);
    EXPECT_TRUE(fadeEnds(m_first));
    EXPECT_EQ(shownView(), m_first);
}

TEST_F(ViewContainerTest, QuickSwapsLeaveNoFadeBehind)
{
    MLSwapView(m_container, m_first, 150);
    MLSwapView(m_container, m_second, 150);
    MLSwapView(m_container, m_first, 150); // while the second one still fades in
    EXPECT_FALSE(fading(m_second)) << "a hidden view keeps no half-finished fade";
    EXPECT_TRUE(m_second->isHidden());
    EXPECT_EQ(shownView(), m_first);
    EXPECT_TRUE(fadeEnds(m_first));
    // The animations have cleaned up after themselves.
    EXPECT_TRUE(mltest::waitUntil(
        [&] { return m_first->findChildren<QObject *>(QString(), Qt::FindDirectChildrenOnly).isEmpty(); }, 3000));
}

} // namespace
