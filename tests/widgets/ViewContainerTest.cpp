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

    // The views of the container that a user can see.
    QList<QWidget *> shownViews() const
    {
        QList<QWidget *> shown;
        for (QWidget *child : m_container->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (child->isVisible())
                shown.append(child);
        }
        return shown;
    }

    int viewsInLayout() const
    {
        int n = 0;
        for (int i = 0; i < m_container->layout()->count(); ++i)
            n += m_container->layout()->itemAt(i)->widget() ? 1 : 0;
        return n;
    }

    static bool fading(QWidget *view)
    {
        return qobject_cast<QGraphicsOpacityEffect *>(view->graphicsEffect());
    }

    QWidget m_window;
    QWidget *m_container = nullptr;
    QPointer<QWidget> m_first;
    QPointer<QWidget> m_second;
};

TEST_F(ViewContainerTest, FirstViewGoesInWithoutAnimation)
{
    EXPECT_EQ(MLCurrentView(m_container), nullptr);
    MLSwapView(m_container, m_first, 150);

    ASSERT_NE(qobject_cast<QVBoxLayout *>(m_container->layout()), nullptr) << "layout made when missing";
    EXPECT_EQ(MLCurrentView(m_container), m_first);
    EXPECT_EQ(m_first->parentWidget(), m_container);
    EXPECT_TRUE(m_first->isVisible());
    EXPECT_FALSE(fading(m_first));
}

TEST_F(ViewContainerTest, SwapKeepsTheOldViewForReuse)
{
    MLSwapView(m_container, m_first, 150);
    MLSwapView(m_container, m_second, 150);

    ASSERT_FALSE(m_first.isNull()) << "the old view was deleted";
    EXPECT_EQ(m_first->parentWidget(), m_container);
    EXPECT_TRUE(m_first->isHidden());
    EXPECT_EQ(MLCurrentView(m_container), m_second);
    EXPECT_EQ(viewsInLayout(), 1);
    EXPECT_EQ(shownViews(), QList<QWidget *>{m_second});

    // The new view fades in, then is drawn directly again.
    EXPECT_TRUE(fading(m_second));
    EXPECT_TRUE(mltest::waitUntil([&] { return !fading(m_second); }, 3000));
    EXPECT_TRUE(m_second->isVisible());

    // The kept view comes back.
    MLSwapView(m_container, m_first, 150);
    EXPECT_EQ(MLCurrentView(m_container), m_first);
    EXPECT_EQ(shownViews(), QList<QWidget *>{m_first});
    EXPECT_EQ(viewsInLayout(), 1);
    EXPECT_TRUE(mltest::waitUntil([&] { return !fading(m_first); }, 3000));
}

TEST_F(ViewContainerTest, SwappingTheShownViewWithItselfFadesIt)
{
    MLSwapView(m_container, m_first, 150);
    MLSwapView(m_container, m_first, 150);
    EXPECT_EQ(MLCurrentView(m_container), m_first);
    EXPECT_EQ(viewsInLayout(), 1);
    EXPECT_TRUE(m_first->isVisible());
    EXPECT_TRUE(fading(m_first));
    // Again while the fade runs: still one view, and it ends up crisp.
    MLSwapView(m_container, m_first, 150);
    EXPECT_EQ(viewsInLayout(), 1);
    EXPECT_TRUE(mltest::waitUntil([&] { return !fading(m_first); }, 3000));
    EXPECT_EQ(shownViews(), QList<QWidget *>{m_first});
}

TEST_F(ViewContainerTest, QuickSwapsLeaveNoFadeBehind)
{
    MLSwapView(m_container, m_first, 150);
    MLSwapView(m_container, m_second, 150);
    MLSwapView(m_container, m_first, 150); // while the second one still fades in
    EXPECT_FALSE(fading(m_second)) << "a hidden view keeps no half-finished fade";
    EXPECT_TRUE(m_second->isHidden());
    EXPECT_EQ(shownViews(), QList<QWidget *>{m_first});
    EXPECT_TRUE(mltest::waitUntil([&] { return !fading(m_first); }, 3000));
    // The animations have cleaned up after themselves.
    EXPECT_TRUE(mltest::waitUntil(
        [&] { return m_first->findChildren<QObject *>(QString(), Qt::FindDirectChildrenOnly).isEmpty(); },
        3000));
}

TEST_F(ViewContainerTest, ZeroDurationSwapsAtOnce)
{
    MLSwapView(m_container, m_first, 0);
    MLSwapView(m_container, m_second, 0);
    EXPECT_FALSE(fading(m_second));
    EXPECT_EQ(shownViews(), QList<QWidget *>{m_second});
}

TEST_F(ViewContainerTest, UsesTheContainersOwnLayout)
{
    auto *layout = new QVBoxLayout(m_container);
    layout->setContentsMargins(3, 4, 5, 6);
    MLSwapView(m_container, m_first, 0);
    EXPECT_EQ(m_container->layout(), layout);
    EXPECT_EQ(layout->indexOf(m_first), 0);
}

TEST_F(ViewContainerTest, NullArgumentsChangeNothing)
{
    MLSwapView(nullptr, m_first, 150);
    MLSwapView(m_container, nullptr, 150);
    EXPECT_EQ(MLCurrentView(m_container), nullptr);
    EXPECT_EQ(MLCurrentView(nullptr), nullptr);
    EXPECT_EQ(m_first->parent(), nullptr);
}

} // namespace
