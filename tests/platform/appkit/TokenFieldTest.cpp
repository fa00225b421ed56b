#include "platform/appkit/TokenField.h"
#include "platform/appkit/TokenFieldDelegate.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <QVBoxLayout>

using namespace platform;

namespace {

// Known names stand for objects (URLs here); anything else stays a string.
class NamesDelegate : public TokenFieldDelegate {
public:
    std::optional<QString> displayString(TokenField*, const QVariant& object) override
    {
        return object.typeId() == QMetaType::QUrl ? object.toUrl().path() : object.toString();
    }
    std::optional<QVariant> representedObjectForEditingString(TokenField*, const QString& text) override
    {
        if (!known.contains(text))
            return QVariant();
        return QUrl(QStringLiteral("tag:") + text);
    }
    std::optional<QStringList> completions(TokenField*, const QString& prefix, int) override
    {
        return known.filter(QRegularExpression(QLatin1Char('^') + prefix));
    }
    bool hasMenuForRepresentedObject(TokenField*, const QVariant& object) override
    {
        return object.typeId() == QMetaType::QUrl;
    }
    QMenu* menuForRepresentedObject(TokenField*, const QVariant& object) override
    {
        menu.clear();
        menu.addAction(QStringLiteral("About ") + object.toUrl().path());
        return &menu;
    }
    std::optional<QVariantList> readFromPasteboard(TokenField*, const QMimeData& data) override
    {
        if (!pasteHook)
            return std::nullopt;
        if (!data.hasText() || data.text() == QLatin1String("nothing"))
            return QVariantList();
        return QVariantList { QUrl(QStringLiteral("tag:pasted")) };
    }
    void writeRepresentedObjects(TokenField*, const QVariantList& objects, QMimeData& data) override
    {
        data.setData(QStringLiteral("application/x-test"), QByteArray::number(objects.size()));
    }
    bool textShouldBeginEditing(TokenField*) override
    {
        ++begins;
        return allowBegin;
    }
    bool textShouldEndEditing(TokenField*) override { return allowEnd; }

    QStringList known { QStringLiteral("apple"), QStringLiteral("apricot"),
        QStringLiteral("banana") };
    QMenu menu;
    bool pasteHook = false;
    bool allowBegin = true;
    bool allowEnd = true;
    int begins = 0;
};

struct Fixture {
    Fixture()
    {
        window.resize(420, 80);
        auto* layout = new QVBoxLayout(&window);
        field = new TokenField(&window);
        other = new QLineEdit(&window);
        layout->addWidget(field);
        layout->addWidget(other);
        field->setDelegate(&delegate);
        field->setPlaceholderText(QStringLiteral("Tags"));
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        QApplication::setActiveWindow(&window);
        field->setFocus();
        QCoreApplication::processEvents();
    }

    static QUrl tag(const QString& name) { return QUrl(QStringLiteral("tag:") + name); }

    void shoot(const QString& name, QWidget* extra = nullptr)
    {
        QImage image = window.grab().toImage();
        if (extra) {
            // The completion list is a window of its own: draw it where it shows.
            QImage tall(image.width(), image.height() + extra->height(), QImage::Format_ARGB32);
            tall.fill(Qt::white);
            QPainter painter(&tall);
            painter.drawImage(0, 0, image);
            painter.drawPixmap(extra->pos() - window.mapToGlobal(QPoint(0, 0)), extra->grab());
            painter.end();
            image = tall;
        }
        image.save(QCoreApplication::applicationDirPath() + QLatin1Char('/') + name);
    }

    QWidget window;
    NamesDelegate delegate;
    TokenField* field;
    QLineEdit* other;
};

} // namespace

TEST(TokenField, TypedTextBecomesEntriesAtCommaReturnAndEndOfEdit)
{
    Fixture f;
    QSignalSpy actions(f.field, &TokenField::action);
    QVariantList valueAtAction;
    QObject::connect(f.field, &TokenField::action, [&] { valueAtAction = f.field->objectValue(); });

    QTest::keyClicks(f.field, QStringLiteral("apple,pear"));
    EXPECT_EQ(f.field->count(), 1);
    EXPECT_EQ(f.field->objectValue(), (QVariantList { f.tag("apple"), QStringLiteral("pear") }));
    QTest::keyClick(f.field, Qt::Key_Return);
    ASSERT_EQ(actions.count(), 1);
    EXPECT_EQ(valueAtAction, (QVariantList { f.tag("apple"), QStringLiteral("pear") }));
    EXPECT_EQ(f.field->count(), 2);

    // A second edit asks the delegate again and ends on loss of focus with one action.
    QTest::keyClicks(f.field, QStringLiteral("banana"));
    EXPECT_EQ(f.delegate.begins, 2);
    f.other->setFocus();
    QCoreApplication::processEvents();
    EXPECT_EQ(actions.count(), 2);
    EXPECT_EQ(f.field->objectValue().last(), QVariant(f.tag("banana")));
    f.shoot(QStringLiteral("tokenfield-tokens.png"));
}

TEST(TokenField, DelegateGatesTheStartAndTheEndOfAnEdit)
{
    Fixture f;
    QSignalSpy actions(f.field, &TokenField::action);
    f.delegate.allowBegin = false;
    QTest::keyClicks(f.field, QStringLiteral("apple"));
    EXPECT_TRUE(f.field->objectValue().isEmpty());

    f.delegate.allowBegin = true;
    f.delegate.allowEnd = false;
    QTest::keyClicks(f.field, QStringLiteral("apple"));
    EXPECT_FALSE(f.field->endEditing());
    EXPECT_TRUE(f.field->isEditing());
    EXPECT_EQ(actions.count(), 0);

    f.delegate.allowEnd = true;
    EXPECT_TRUE(f.field->endEditing());
    EXPECT_FALSE(f.field->hasFocus());
    EXPECT_EQ(actions.count(), 1);
    // Ending again, with nothing open, sends nothing.
    EXPECT_TRUE(f.field->endEditing());
    EXPECT_EQ(actions.count(), 1);
}

TEST(TokenField, KeysAndClicksSelectMoveAndRemoveTokens)
{
    Fixture f;
    f.field->setObjectValue({ f.tag("apple"), f.tag("apricot"), f.tag("banana") });
    QTest::keyClick(f.field, Qt::Key_Home);
    EXPECT_EQ(f.field->caretPosition(), 0);
    QTest::keyClick(f.field, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(f.field, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(f.field->selectedTokens(), qMakePair(0, 2));
    QTest::keyClick(f.field, Qt::Key_Delete);
    EXPECT_EQ(f.field->objectValue(), QVariantList { f.tag("banana") });

    f.field->setObjectValue({ f.tag("apple"), f.tag("apricot"), f.tag("banana") });
    QTest::keyClick(f.field, Qt::Key_End);
    QTest::keyClick(f.field, Qt::Key_Left);
    QTest::keyClick(f.field, Qt::Key_Backspace);
    EXPECT_EQ(f.field->objectValue(), (QVariantList { f.tag("apple"), f.tag("banana") }));

    QTest::mouseClick(f.field, Qt::LeftButton, {}, f.field->tokenRect(1).topLeft() + QPoint(4, 4));
    EXPECT_EQ(f.field->selectedTokens(), qMakePair(1, 2));
    QTest::keyClick(f.field, Qt::Key_Backspace);
    EXPECT_EQ(f.field->objectValue(), QVariantList { f.tag("apple") });

    QTest::keyClicks(f.field, QStringLiteral("ba"));
    QTest::keyClick(f.field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(f.field, Qt::Key_Backspace);
    EXPECT_TRUE(f.field->objectValue().isEmpty());
    EXPECT_TRUE(f.field->tokenRect(0).isEmpty());
}

TEST(TokenField, CompletionIsChosenByKeysWithoutTakingTheFocus)
{
    Fixture f;
    QTest::keyClicks(f.field, QStringLiteral("ap"));
    QListView* list = f.field->completionList();
    ASSERT_TRUE(list);
    EXPECT_EQ(list->model()->rowCount(), 2);
    EXPECT_TRUE(f.field->hasFocus());
    f.shoot(QStringLiteral("tokenfield-completion.png"), list);

    QTest::keyClick(f.field, Qt::Key_Down);
    QTest::keyClick(f.field, Qt::Key_Down);
    QTest::keyClick(f.field, Qt::Key_Return);
    EXPECT_EQ(f.field->objectValue(), QVariantList { f.tag("apricot") });
    EXPECT_FALSE(f.field->completionList());

    QTest::keyClicks(f.field, QStringLiteral("b"));
    ASSERT_TRUE(f.field->completionList());
    QTest::keyClick(f.field, Qt::Key_Escape);
    EXPECT_FALSE(f.field->completionList());
    EXPECT_EQ(f.field->editingText(), QStringLiteral("b"));
}

TEST(TokenField, CopyWritesNamesAndPasteAsksTheDelegateFirst)
{
    Fixture f;
    f.field->setObjectValue({ f.tag("apple"), QStringLiteral("pear") });
    QTest::keyClick(f.field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(f.field, Qt::Key_C, Qt::ControlModifier);
    const QMimeData* copied = QApplication::clipboard()->mimeData();
    ASSERT_TRUE(copied);
    EXPECT_EQ(copied->text(), QStringLiteral("apple\npear"));
    EXPECT_EQ(copied->data(QStringLiteral("application/x-test")), QByteArray("2"));

    // Without the hook the field reads lines itself, whatever ends them.
    f.field->setObjectValue({});
    QApplication::clipboard()->setText(QStringLiteral("banana\r\nkiwi\rapple"));
    QTest::keyClick(f.field, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(f.field->objectValue(),
        (QVariantList { f.tag("banana"), QStringLiteral("kiwi"), f.tag("apple") }));

    // With the hook its answer alone is inserted, at the caret; an empty answer inserts nothing.
    f.delegate.pasteHook = true;
    QTest::keyClick(f.field, Qt::Key_Home);
    QTest::keyClick(f.field, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(f.field->objectValue().first(), QVariant(f.tag("pasted")));
    QApplication::clipboard()->setText(QStringLiteral("nothing"));
    QTest::keyClick(f.field, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(f.field->count(), 4);
}

TEST(TokenField, TokenMenuOpensFromItsArrowOrARightClick)
{
    Fixture f;
    f.field->setObjectValue({ QStringLiteral("plain"), f.tag("apple") });
    QTest::mouseClick(f.field, Qt::RightButton, {}, f.field->tokenRect(0).center());
    EXPECT_FALSE(f.field->openMenu());

    const QRect token = f.field->tokenRect(1);
    QTest::mouseMove(f.field, token.center());
    QTest::mouseClick(f.field, Qt::LeftButton, {}, QPoint(token.right() - 8, token.center().y()));
    ASSERT_TRUE(f.field->openMenu());
    EXPECT_TRUE(f.field->openMenu()->isVisible());
    EXPECT_EQ(f.field->openMenu()->actions().first()->text(), QStringLiteral("About apple"));
    EXPECT_NEAR(f.field->openMenu()->pos().y(), f.field->mapToGlobal(token.bottomLeft()).y(), 2);
    f.field->openMenu()->close();

    QTest::mouseClick(f.field, Qt::RightButton, {}, token.topLeft() + QPoint(3, 3));
    ASSERT_TRUE(f.field->openMenu());
    EXPECT_TRUE(f.field->openMenu()->isVisible());
    f.field->openMenu()->close();
}

TEST(TokenField, ValueSetDuringAnEditReplacesItAndKeepsTheEditOpen)
{
    Fixture f;
    QSignalSpy actions(f.field, &TokenField::action);
    QTest::keyClicks(f.field, QStringLiteral("apple,ki"));
    f.field->setObjectValue({ f.tag("banana") });
    EXPECT_EQ(f.field->objectValue(), QVariantList { f.tag("banana") });
    EXPECT_EQ(f.field->caretPosition(), 1);
    EXPECT_TRUE(f.field->isEditing());
    QTest::keyClicks(f.field, QStringLiteral("apple"));
    QTest::keyClick(f.field, Qt::Key_Return);
    EXPECT_EQ(actions.count(), 1);
    EXPECT_EQ(f.field->objectValue(), (QVariantList { f.tag("banana"), f.tag("apple") }));
}

// Browsing the menus gives the menu bar the keys for a while: the edit stays open, and only
// another view taking the keys from there ends it.
TEST(TokenField, TheMenuBarTakingTheKeysLeavesTheEditOpen)
{
    Fixture f;
    auto* bar = new QMenuBar(&f.window);
    bar->addMenu(QStringLiteral("Edit"));
    QSignalSpy actions(f.field, &TokenField::action);
    QTest::keyClicks(f.field, QStringLiteral("apple,pe"));
    bar->setFocus(Qt::MenuBarFocusReason);
    EXPECT_TRUE(f.field->isEditing());
    EXPECT_EQ(f.field->editingText(), QStringLiteral("pe"));
    f.field->setFocus();
    QTest::keyClicks(f.field, QStringLiteral("ar"));
    EXPECT_EQ(actions.count(), 0);

    bar->setFocus(Qt::MenuBarFocusReason);
    f.other->setFocus();
    EXPECT_EQ(actions.count(), 1);
    EXPECT_FALSE(f.field->isEditing());
    EXPECT_EQ(f.field->objectValue(), (QVariantList { f.tag("apple"), QStringLiteral("pear") }));
}

TEST(TokenField, AFieldFilledWhileNarrowShowsItsFirstTokenWholeOnceWide)
{
    // As a note window's tags bar is filled before the window has its width.
    Fixture f;
    f.field->resize(12, f.field->height());
    f.field->setObjectValue({ QStringLiteral("Work"), QStringLiteral("Home") });
    f.field->resize(400, f.field->height());
    EXPECT_GE(f.field->tokenRect(0).left(), 0);
    EXPECT_LE(f.field->tokenRect(1).right(), f.field->width());
}

TEST(TokenField, TwoHundredTokensScrollToKeepTheCaretInView)
{
    Fixture f;
    QVariantList many;
    for (int i = 0; i < 200; ++i)
        many.append(QStringLiteral("tag%1").arg(i));
    f.field->setObjectValue(many);
    EXPECT_LE(f.field->tokenRect(199).right(), f.field->width());
    EXPECT_LT(f.field->tokenRect(0).left(), 0);
    QTest::keyClick(f.field, Qt::Key_Home);
    EXPECT_GE(f.field->tokenRect(0).left(), 0);
    QTest::keyClicks(f.field, QStringLiteral("x"));
    EXPECT_EQ(f.field->count(), 200);
    EXPECT_EQ(f.field->objectValue().size(), 201);
    EXPECT_LE(f.field->tokenRect(199).right(), f.field->width());
}
