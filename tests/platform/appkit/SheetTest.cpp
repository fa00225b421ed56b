#include "platform/appkit/Sheet.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QPointer>
#include <QTest>

using namespace platform;

TEST(Sheet, EndsOnceWithItsReturnCodeAndIsDeletedAfterwards)
{
    QWidget window;
    window.show();
    QPointer<QDialog> sheet = new QDialog;
    QList<int> results;
    Sheet::begin(&window, sheet, [&](int code) { results << code; });
    EXPECT_EQ(sheet->parentWidget(), &window);
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
    EXPECT_TRUE(sheet->isVisible());

    Sheet::end(sheet, 5);
    Sheet::end(sheet, 6);
    EXPECT_EQ(results, QList<int> { 5 });
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(sheet.isNull());
}

TEST(Sheet, AttachesToTheTopLevelWindowAndIsApplicationModalWithoutOne)
{
    QWidget window;
    auto* child = new QWidget(&window);
    window.show();
    auto* attached = new QDialog;
    Sheet::begin(child, attached, {});
    EXPECT_EQ(attached->parentWidget(), &window);
    Sheet::end(attached, 0);

    auto* modal = new QDialog;
    int result = -1;
    Sheet::begin(nullptr, modal, [&](int code) { result = code; });
    EXPECT_EQ(modal->windowModality(), Qt::ApplicationModal);
    EXPECT_TRUE(modal->isVisible());
    QTest::keyClick(modal, Qt::Key_Escape);
    EXPECT_EQ(result, QDialog::Rejected);
}
