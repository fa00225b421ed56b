#include "AppTestSupport.h"
#include "app/BXPreferencesWindowController.h"

#include "app/kVersionCheck.h"
#include "document/BXDefaults.h"
#include "document/model/BXNote.h"
#include "lists/noteslist/BXNotesArrayController.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"
#include "platform/foundation/Archiver.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/testing/FakeAuthenticator.h"
#include "platform/text/AttributedText.h"
#include "platform/text/Color.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDialog>
#include <QFontInfo>
#include <QLabel>
#include <QSlider>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

namespace {

struct PreferencesFixture : ::testing::Test {
    PreferencesFixture()
    {
        BXDefaults::registerDefaults(defaults);
        auto& center = platform::NotificationCenter::defaultCenter();
        center.addObserver(this, DefaultFontChanged, nullptr,
            [this](const platform::Notification& note) { fontChanges << note.userInfo; });
        center.addObserver(this, RulerUnitsChanged, nullptr,
            [this](const platform::Notification& note) { unitChanges << note.userInfo; });
    }
    ~PreferencesFixture() override
    {
        platform::NotificationCenter::defaultCenter().removeObserver(this);
    }

    QFont storedFont() const
    {
        return platform::Archiver::unarchived<QFont>(
            defaults.dataForKey(DefaultFont), { QStringLiteral("NSFont") })
            .value_or(QFont());
    }

    platform::UserDefaults defaults { bxtest::makeTempFolder() + QStringLiteral("/s.conf") };
    int checks = 0;
    BXPreferencesWindowController preferences { defaults, [this] { ++checks; } };
    QList<QVariantMap> fontChanges;
    QList<QVariantMap> unitChanges;
};

} // namespace

TEST_F(PreferencesFixture, RemembersThePaneAndResizesBelowAFixedTop)
{
    defaults.setString(SelectedPane, QStringLiteral("RemovedPane"));
    preferences.showWindow();
    EXPECT_EQ(preferences.selectedPane(), BXPreferencesWindowController::GeneralPane);
    EXPECT_EQ(defaults.stringForKey(SelectedPane), BXPreferencesWindowController::GeneralPane);
    bxtest::saveScreenshot(
        preferences.window()->grab().toImage(), QStringLiteral("preferences-general"));

    const QRect general = preferences.window()->geometry();
    const int difference = preferences.pane(BXPreferencesWindowController::UpdatesPane)->height()
        - preferences.pane(BXPreferencesWindowController::GeneralPane)->height();
    preferences.selectPane(BXPreferencesWindowController::UpdatesPane);
    const QRect updates = preferences.window()->geometry();
    EXPECT_EQ(updates.top(), general.top());
    EXPECT_EQ(updates.height() - general.height(), difference);
    EXPECT_EQ(defaults.stringForKey(SelectedPane), BXPreferencesWindowController::UpdatesPane);
    bxtest::saveScreenshot(
        preferences.window()->grab().toImage(), QStringLiteral("preferences-updates"));
    preferences.selectPane(BXPreferencesWindowController::GeneralPane);
    EXPECT_EQ(preferences.window()->geometry().height(), general.height());
    EXPECT_EQ(preferences.window()->geometry().top(), general.top());
}

TEST_F(PreferencesFixture, FontsResetAndFamilies)
{
    preferences.showWindow();
    preferences.fontSizeSlider()->setValue(20);
    EXPECT_EQ(preferences.fontSizeLabel()->text(), QStringLiteral("20 pt"));
    EXPECT_EQ(storedFont().pointSizeF(), 20.0);
    ASSERT_FALSE(fontChanges.isEmpty());
    EXPECT_EQ(fontChanges.last()
                  .value(platform::AttributedText::FontAttributeName)
                  .value<QFont>()
                  .pointSizeF(),
        20.0);

    // Alt on the fonts button and the reset button both give the system font at 13 pt; Reset
    // also gives back the theme's text colour.
    for (bool alternate : { true, false }) {
        SCOPED_TRACE(alternate ? "alt-click" : "reset");
        preferences.fontSizeSlider()->setValue(30);
        preferences.changeDefaultFontColor(QColor(Qt::darkGreen));
        if (alternate)
            preferences.fontsPanelAction(true);
        else
            preferences.resetToDefaultFont();
        EXPECT_EQ(storedFont().pointSizeF(), 13.0);
        EXPECT_EQ(preferences.fontSizeLabel()->text(), QStringLiteral("13 pt"));
        EXPECT_EQ(preferences.fontSizeSlider()->value(), 13);
        EXPECT_FALSE(preferences.fontDialog() && preferences.fontDialog()->isVisible());
        const auto colour = platform::Archiver::unarchived<platform::Color>(
            defaults.dataForKey(DefaultFontColor), { QStringLiteral("NSColor") });
        ASSERT_TRUE(colour.has_value());
        EXPECT_EQ(colour->name == QLatin1String("textColor"), !alternate);
    }

    // Families sort without regard to case; one that is no font falls back to the system font.
    QStringList families;
    for (int i = 0; i < preferences.fontFamilyPopup()->count(); ++i)
        families << preferences.fontFamilyPopup()->itemText(i);
    QStringList sorted = families;
    std::sort(sorted.begin(), sorted.end(),
        [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    EXPECT_EQ(families, sorted);
    preferences.fontFamilyPopup()->addItem(QStringLiteral("No Such Family 123"));
    preferences.fontFamilyPopup()->setCurrentIndex(preferences.fontFamilyPopup()->count() - 1);
    preferences.fontFamilyAction();
    EXPECT_NE(QFontInfo(storedFont()).family(), QStringLiteral("No Such Family 123"));
    EXPECT_EQ(storedFont().pointSizeF(), 13.0);
}

TEST_F(PreferencesFixture, UnitsFormatsAndTheLock)
{
    platform::FakeAuthenticator authenticator;
    preferences.showWindow();
    QComboBox* units = preferences.unitsPopup();
    ASSERT_EQ(units->count(), 4);
    units->setCurrentIndex(1);
    emit units->activated(1);
    EXPECT_EQ(defaults.stringForKey(RulerUnits), QStringLiteral("Centimeters"));
    ASSERT_EQ(unitChanges.size(), 1);
    EXPECT_EQ(unitChanges[0].value(RulerUnits).toString(), QStringLiteral("Centimeters"));

    QComboBox* formats = preferences.formatsPopup();
    ASSERT_GE(formats->count(), 3);
    EXPECT_EQ(formats->itemText(1), QStringLiteral("Markdown"));
    EXPECT_EQ(formats->itemData(formats->count() - 1).toString(), QStringLiteral("Auto"));

    QCheckBox* lock = preferences.protectAppCheckbox();
    EXPECT_FALSE(lock->isChecked());
    lock->click();
    EXPECT_TRUE(lock->isChecked());
    authenticator.answer(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !lock->isChecked(); }));
    EXPECT_FALSE(defaults.boolForKey(Protect));
    lock->click();
    authenticator.answer(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return defaults.boolForKey(Protect); }));
    EXPECT_TRUE(lock->isChecked());
}

TEST_F(PreferencesFixture, UpdateDetailsEscapeTheFeedAndLinkTheDownloadPage)
{
    preferences.showWindow();
    preferences.selectPane(BXPreferencesWindowController::UpdatesPane);
    const kVersionCheckError error(
        platform::kVersionCheckErrorDomain, -3, QStringLiteral("<b>Bad</b> feed"));
    preferences.versionCheckDidRun({ { kVersionCheck::ErrorKey, QVariant::fromValue(error) } });
    QApplication::processEvents();
    bxtest::saveScreenshot(
        preferences.window()->grab().toImage(), QStringLiteral("preferences-updates-failed"));
    // The lines of the failure take the room they need above the last check's.
    const QLabel* shown = preferences.updateDetailsLabel();
    EXPECT_GE(shown->height(), shown->heightForWidth(shown->width()));
    EXPECT_LE(shown->geometry().bottom(), preferences.lastCheckLabel()->geometry().top());
    const QString details = preferences.updateDetails();
    EXPECT_TRUE(details.contains(QStringLiteral("&lt;b&gt;Bad&lt;/b&gt; feed")));
    EXPECT_TRUE(details.contains(QStringLiteral(">download page</a>"))) << qPrintable(details);
    preferences.versionCheckDidRun({ { kVersionCheck::LastVersionKey, QStringLiteral("<3.0>") } });
    EXPECT_EQ(preferences.updateDetails(), QStringLiteral("New version &lt;3.0&gt; available."));
    EXPECT_EQ(preferences.lastCheckLabel()->text(), QStringLiteral("Update check never run."));
}

TEST(PreferencesEndToEndTest, AFontSizeSetInPreferencesIsTheFontOfANewNoteTypedInTheMainWindow)
{
    apptest::ControllerFixture fixture;
    ASSERT_TRUE(fixture.launch());
    BXDocument::setWindowControllerFactory(
        [](BXDocument&) { return std::make_unique<BXMainWindowController>(); });
    BXPreferencesWindowController preferences(fixture.defaults, [] {});
    preferences.showWindow();
    preferences.fontSizeSlider()->setValue(20);

    const QUrl url = apptest::makeNotesFile(fixture.folder + QStringLiteral("/Fonts.brindlex"));
    BXDocument* document = nullptr;
    fixture.controller->openDocumentWithContentsOfURL(
        url, true, [&](platform::Document* opened, bool, const platform::Error&) {
            document = dynamic_cast<BXDocument*>(opened);
        });
    ASSERT_TRUE(document);
    auto* main = dynamic_cast<BXMainWindowController*>(document->mainWindowController());
    ASSERT_TRUE(main);
    // The document shows its main window once its saved state is back.
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return main->mainWindow() && main->mainWindow()->isVisible(); }));
    main->notesController()->newNoteEditingName();
    const std::shared_ptr<BXNote> note = main->notesController()->emptyNote();
    ASSERT_TRUE(note);
    ASSERT_TRUE(QTest::qWaitFor([&] { return main->selectedNote() == note; }));
    BXTextView* view = main->noteTextView();
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->isEditable(); }));
    view->setFocus();
    QTest::keyClicks(view, QStringLiteral("Twenty points"));

    ASSERT_TRUE(QTest::qWaitFor([&] {
        return note->attributedString()->toPlainText() == QStringLiteral("Twenty points");
    }));
    const std::unique_ptr<QTextDocument> text = note->attributedString();
    QTextCursor cursor(text.get());
    cursor.setPosition(5);
    EXPECT_DOUBLE_EQ(cursor.charFormat().fontPointSize(), 20);
    document->close();
    BXDocument::setWindowControllerFactory({});
}
