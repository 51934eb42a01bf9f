// The flow layout of the tool bar's page buttons: wrapping, hidden items,
// heights and sizes.
#include "shell/ui/FlowLayout.h"

#include <QHBoxLayout>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace
{

// A host widget with a flow layout (margin 5, spacing 10 both ways) and
// fixed-size items.
struct Flow {
    QWidget host;
    FlowLayout* layout;
    std::vector<QWidget*> items;

    explicit Flow(const std::vector<QSize>& sizes, int margin = 5)
    {
        layout = new FlowLayout(&host, margin, 10, 10);
        for (const QSize& s : sizes) {
            auto* w = new QWidget(&host);
            w->setFixedSize(s);
            layout->addWidget(w);
            items.push_back(w);
        }
    }
    // Lays out in a rectangle `width` wide at the origin and returns the
    // height the layout reported for that width.
    int layOut(int width)
    {
        const int h = layout->heightForWidth(width);
        layout->setGeometry(QRect(0, 0, width, h));
        return h;
    }
    QPoint at(int i) const { return items[i]->geometry().topLeft(); }
};

const QSize k100x30(100, 30);

} // namespace

TEST(FlowLayout, WrapsWhenTheNextItemCrossesTheRightEdge)
{
    Flow f({ k100x30, k100x30, k100x30 });
    // 5 + 100 + 10 + 100 + 5: the second item ends exactly at the edge.
    EXPECT_EQ(f.layOut(220), 5 + 30 + 10 + 30 + 5);
    EXPECT_EQ(f.at(0), QPoint(5, 5));
    EXPECT_EQ(f.at(1), QPoint(115, 5));
    EXPECT_EQ(f.at(2), QPoint(5, 45));
    EXPECT_EQ(f.items[2]->size(), k100x30);

    // One pixel less and the second item wraps too.
    EXPECT_EQ(f.layOut(219), 5 + 3 * 30 + 2 * 10 + 5);
    EXPECT_EQ(f.at(1), QPoint(5, 45));
    EXPECT_EQ(f.at(2), QPoint(5, 85));

    // Wide enough: one row.
    EXPECT_EQ(f.layOut(1000), 40);
    EXPECT_EQ(f.at(2), QPoint(225, 5));
}

TEST(FlowLayout, RowHeightIsTheTallestItemOfTheRow)
{
    Flow f({ QSize(100, 30), QSize(100, 50), QSize(100, 20) });
    EXPECT_EQ(f.layOut(220), 5 + 50 + 10 + 20 + 5);
    EXPECT_EQ(f.at(2), QPoint(5, 65));
}

TEST(FlowLayout, HiddenItemsTakeNoWidthButKeepTheirSpacing)
{
    Flow f({ k100x30, k100x30, k100x30 });
    f.items[1]->hide();
    f.layOut(1000);
    EXPECT_EQ(f.at(2), QPoint(5 + 100 + 10 + 0 + 10, 5));
}

TEST(FlowLayout, AHiddenItemAtTheEdgeOpensNoEmptyRow)
{
    // After two items the next x lies past the edge: a hidden item there
    // must not start a row of its own, and the next visible item still
    // starts its row at the left margin.
    Flow trailing({ k100x30, k100x30, k100x30 });
    trailing.items[2]->hide();
    EXPECT_EQ(trailing.layOut(220), 40);

    Flow between({ k100x30, k100x30, k100x30, k100x30 });
    between.items[2]->hide();
    EXPECT_EQ(between.layOut(220), 80);
    EXPECT_EQ(between.at(3), QPoint(5, 45));
}

TEST(FlowLayout, NarrowerThanTheFirstItemStillPlacesItOnTheFirstRow)
{
    Flow f({ k100x30, k100x30 });
    EXPECT_EQ(f.layOut(50), 5 + 30 + 10 + 30 + 5);
    EXPECT_EQ(f.at(0), QPoint(5, 5));
    EXPECT_EQ(f.at(1), QPoint(5, 45));
}

TEST(FlowLayout, AllHiddenIsOnlyTheMargins)
{
    Flow f({ k100x30, k100x30 }, 7);
    for (QWidget* w : f.items)
        w->hide();
    EXPECT_EQ(f.layout->heightForWidth(300), 14);
    EXPECT_EQ(f.layout->minimumSize(), QSize(14, 14));
}

TEST(FlowLayout, MinimumSizeIsTheLargestItemPlusMargins)
{
    Flow f({ QSize(100, 30), QSize(60, 50) });
    EXPECT_EQ(f.layout->minimumSize(), QSize(110, 60));
    EXPECT_EQ(f.layout->sizeHint(), f.layout->minimumSize());
    EXPECT_TRUE(f.layout->hasHeightForWidth());
    EXPECT_EQ(f.layout->expandingDirections(), Qt::Orientations());
    // The host asks the layout for its height.
    EXPECT_EQ(f.host.heightForWidth(150), 5 + 30 + 10 + 50 + 5);
}

TEST(FlowLayout, ItemAccessOutOfRangeGivesNull)
{
    Flow f({ k100x30, k100x30 });
    EXPECT_EQ(f.layout->count(), 2);
    EXPECT_EQ(f.layout->itemAt(-1), nullptr);
    EXPECT_EQ(f.layout->itemAt(2), nullptr);
    EXPECT_EQ(f.layout->takeAt(2), nullptr);
    EXPECT_EQ(f.layout->takeAt(-1), nullptr);
    std::unique_ptr<QLayoutItem> taken(f.layout->takeAt(0));
    ASSERT_TRUE(taken);
    EXPECT_EQ(taken->widget(), f.items[0]);
    EXPECT_EQ(f.layout->count(), 1);
    EXPECT_EQ(f.layout->itemAt(0)->widget(), f.items[1]);
}

TEST(FlowLayout, UnsetSpacingComesFromTheParentLayout)
{
    QWidget host;
    auto* box = new QHBoxLayout(&host);
    box->setSpacing(7);
    auto* flow = new FlowLayout(0, -1, -1);
    box->addLayout(flow);
    QWidget a(&host), b(&host);
    a.setFixedSize(k100x30);
    b.setFixedSize(k100x30);
    flow->addWidget(&a);
    flow->addWidget(&b);
    flow->setGeometry(QRect(0, 0, 1000, 30));
    EXPECT_EQ(b.x(), 107);
    // One pixel too narrow for both: the second row starts 7 below the first.
    EXPECT_EQ(flow->heightForWidth(206), 30 + 7 + 30);
    flow->removeWidget(&a);
    flow->removeWidget(&b);
}
