#include "ui/BXInvisibleButtonsTableCellView.h"
#include "ui/BXSubtitledTableCellView.h"

#include "platform/appkit/CommandRouter.h"

#include "support/TestEnvironment.h"

#include "PointerEvents.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// A cell like the lists' ones: a title, a subtitle tagged 800, two action buttons hidden until
// the pointer comes, one button always shown and a hidden label.
struct Cell {
    explicit Cell(int subtitleTag = BXSubtitledTableCellView::kSubtitleTag)
    {
        auto* layout = new QHBoxLayout(&view);
        auto* texts = new QVBoxLayout;
        title = new QLabel(QStringLiteral("Groceries"), &view);
        subtitle = new QLabel(QStringLiteral("12 notes"), &view);
        platform::CommandRouter::setAction(subtitle, QString(), subtitleTag);
        QPalette palette = subtitle->palette();
        palette.setColor(QPalette::WindowText, QColor(120, 120, 120));
        subtitle->setPalette(palette);
        texts->addWidget(title);
        texts->addWidget(subtitle);
        layout->addLayout(texts);
        edit = new QPushButton(QStringLiteral("Edit"), &view);
        remove = new QPushButton(QStringLiteral("Remove"), &view);
        shown = new QPushButton(QStringLiteral("Info"), &view);
        hiddenLabel = new QLabel(QStringLiteral("hidden"), &view);
        for (QWidget* w : { static_cast<QWidget*>(edit), static_cast<QWidget*>(remove),
                 static_cast<QWidget*>(shown), static_cast<QWidget*>(hiddenLabel) })
            layout->addWidget(w);
        edit->hide();
        remove->hide();
        hiddenLabel->hide();
        view.resize(320, 44);
        view.awakeFromNib();
    }

    BXSubtitledTableCellView view;
    QLabel* title;
    QLabel* subtitle;
    QPushButton* edit;
    QPushButton* remove;
    QPushButton* shown;
    QLabel* hiddenLabel;
};

} // namespace

TEST(BXInvisibleButtonsTableCellView, ShowsItsHiddenButtonsOnlyWhileThePointerIsInside)
{
    Cell cell;
    cell.view.show();
    QApplication::setActiveWindow(&cell.view);
    EXPECT_EQ(cell.view.invisibleButtons().size(), 2);

    sendEnter(&cell.view);
    EXPECT_TRUE(cell.view.isMouseInside());
    EXPECT_TRUE(cell.edit->isVisible());
    EXPECT_TRUE(cell.remove->isVisible());
    EXPECT_TRUE(cell.hiddenLabel->isHidden()) << "a hidden view that is no button stays hidden";
    bxtest::saveScreenshot(cell.view.grab().toImage(), QStringLiteral("cell-hovered"));

    // Laid out again under the pointer: the next exit still hides the buttons.
    cell.view.resize(360, 44);
    QCoreApplication::processEvents();
    EXPECT_TRUE(cell.view.isMouseInside());
    sendLeave(&cell.view);
    EXPECT_FALSE(cell.view.isMouseInside());
    EXPECT_TRUE(cell.edit->isHidden());
    EXPECT_TRUE(cell.remove->isHidden());
    EXPECT_TRUE(cell.shown->isVisible()) << "a button shown from the start is never hidden";

    QApplication::setActiveWindow(nullptr);
    sendEnter(&cell.view);
    EXPECT_TRUE(cell.edit->isHidden()) << "an inactive window does not track the pointer";
}

TEST(BXSubtitledTableCellView, SubtitleTurnsLightOnAnEmphasizedRowAndTakesBackItsColour)
{
    Cell cell;
    ASSERT_EQ(cell.view.subtitleField(), cell.subtitle);
    const QColor original(120, 120, 120);
    EXPECT_EQ(cell.view.subtitleTextColor(), original);

    cell.view.setBackgroundStyle(BXSubtitledTableCellView::BackgroundStyleEmphasized);
    EXPECT_EQ(cell.subtitle->palette().color(QPalette::WindowText),
        QColor::fromRgbF(0.9f, 0.9f, 0.9f, 1.0f));
    cell.view.setBackgroundStyle(BXSubtitledTableCellView::BackgroundStyleNormal);
    EXPECT_EQ(cell.subtitle->palette().color(QPalette::WindowText), original);

    Cell untagged(801);
    EXPECT_EQ(untagged.view.subtitleField(), nullptr);
    untagged.view.setBackgroundStyle(BXSubtitledTableCellView::BackgroundStyleEmphasized);
    EXPECT_EQ(untagged.subtitle->palette().color(QPalette::WindowText), original);
}
