#include "NoteWindowFixture.h"

#include "platform/text/AttributedText.h"

#include <QApplication>
#include <QMainWindow>
#include <QTest>

void NoteWindowFixture::SetUp()
{
    MainWindowFixture::SetUp();
    BXDocument::setNoteWindowControllerFactory([](BXDocument&, const BXNote::NotePtr& note) {
        return BXNoteWindowController::initWithNote(note);
    });
}

void NoteWindowFixture::TearDown()
{
    MainWindowFixture::TearDown();
    BXDocument::setNoteWindowControllerFactory({});
}

BXNoteWindowController* NoteWindowFixture::openNoteWindow(const std::shared_ptr<BXNote>& note)
{
    auto* made = dynamic_cast<BXNoteWindowController*>(document->openNoteWindow(note));
    if (!made)
        return nullptr;
    made->showWindow();
    if (!QTest::qWaitForWindowExposed(made->noteWindow()))
        return nullptr;
    settle();
    return made;
}

QList<BXNoteWindowController*> NoteWindowFixture::noteWindows() const
{
    QList<BXNoteWindowController*> windows;
    for (platform::WindowController* each : document->windowControllers())
        if (auto* window = dynamic_cast<BXNoteWindowController*>(each))
            windows << window;
    return windows;
}

QString NoteWindowFixture::textOf(BXTextView* view)
{
    return platform::AttributedText::string(*view->mirror());
}

void NoteWindowFixture::typeInto(BXTextView* view, const QString& text)
{
    QApplication::setActiveWindow(view->window());
    view->setFocus();
    QTest::keyClicks(view, text);
    settle();
}

void NoteWindowFixture::grabWindow(QWidget* window, const QString& name)
{
    QCoreApplication::processEvents();
    window->grab().save(QCoreApplication::applicationDirPath() + QLatin1Char('/') + name);
}
