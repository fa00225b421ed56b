#pragma once

#include "document/BXDocument.h"
#include "document/BXMainWindowProvider.h"
#include "platform/documents/WindowController.h"

#include <QWidget>

#include <functional>
#include <memory>

// Window controllers standing in for the main and note windows in tests of the document's
// windows: plain widgets, and answers the test sets.
namespace documentwindowstest {

// How the test windows were asked to show, in order ("A behind", "main in front").
inline QStringList showings;

class TestNoteWindowController final : public platform::WindowController,
                                       public BXNoteDataProvider {
public:
    explicit TestNoteWindowController(BXNote::NotePtr shown = nullptr) : note(std::move(shown))
    {
        setWindow(widget.get());
    }

    BXNote::NotePtr noteItem() const override { return note; }
    BXNote::NotePtr noteAtIndex(qsizetype index) const override
    {
        return index == 0 ? note : nullptr;
    }
    QList<platform::ManagedObjectPtr> selectedNotes() const override
    {
        return note ? QList<platform::ManagedObjectPtr> { note }
                    : QList<platform::ManagedObjectPtr>();
    }
    double noteTextZoomFactor() const override { return zoom; }
    void zoomToFactor(double factor) override { zoom = factor; }
    bool noteDirty() const override { return false; }
    void showWindow() override
    {
        showings << note->noteTitle() + QStringLiteral(" in front");
        WindowController::showWindow();
    }
    void showWindowBehind() override
    {
        showings << note->noteTitle() + QStringLiteral(" behind");
        WindowController::showWindowBehind();
    }

    std::unique_ptr<QWidget> widget = std::make_unique<QWidget>();
    BXNote::NotePtr note;
    double zoom = 1.0;
};

class TestMainWindowController final : public platform::WindowController,
                                       public BXMainWindowProvider {
public:
    TestMainWindowController()
    {
        setShouldCloseDocument(true);
        setWindow(widget.get());
    }

    BXNote::NotePtr noteItem() const override { return note; }
    BXNote::NotePtr noteAtIndex(qsizetype) const override { return nullptr; }
    QList<platform::ManagedObjectPtr> selectedNotes() const override { return selection; }
    double noteTextZoomFactor() const override { return zoom; }
    void zoomToFactor(double factor) override { zoom = factor; }
    bool noteDirty() const override { return false; }

    void showWindow() override
    {
        showings << QStringLiteral("main in front");
        WindowController::showWindow();
    }
    void documentWillClose() override
    {
        ++willCloseCount;
        if (onWillClose)
            onWillClose();
    }
    bool endEditing() override
    {
        ++endEditingCount;
        return true;
    }
    bool commitEditingForSave() override
    {
        ++commitForSaveCount;
        return true;
    }
    QList<platform::ManagedObjectPtr> selectedCategories() const override { return categories; }
    QList<platform::ManagedObjectPtr> selectedPlainCategories() const override
    {
        return categories;
    }
    QList<QUrl> selectedCategoryIDs() const override { return { QUrl("x-test://category") }; }
    QList<QUrl> selectedNoteIDs() const override { return { QUrl("x-test://note") }; }
    BXNote::NotePtr selectedNote() const override { return note; }
    bool selectNotes(const QList<platform::ManagedObjectPtr>& notes, bool scroll) override
    {
        shownNotes = notes;
        scrolled = scroll;
        return true;
    }
    bool selectCategories(const QList<platform::ManagedObjectPtr>& chosen, bool scroll) override
    {
        categories = chosen;
        scrolled = scroll;
        return true;
    }
    void renameCategory(const platform::Command& sender) override { renamed = sender.action; }
    bool isSearchScopeBarHidden() const override { return true; }

    std::unique_ptr<QWidget> widget = std::make_unique<QWidget>();
    BXNote::NotePtr note;
    QList<platform::ManagedObjectPtr> selection;
    double zoom = 1.0;
    int willCloseCount = 0;
    int endEditingCount = 0;
    int commitForSaveCount = 0;
    std::function<void()> onWillClose;
    QList<platform::ManagedObjectPtr> categories;
    QList<platform::ManagedObjectPtr> shownNotes;
    bool scrolled = false;
    QString renamed;
};

// Registers factories making the test controllers while it lives; `lastMain` is the latest
// main window controller made.
class TestWindowFactories {
public:
    TestWindowFactories()
    {
        BXDocument::setWindowControllerFactory([this](BXDocument&) {
            auto controller = std::make_unique<TestMainWindowController>();
            lastMain = controller.get();
            return controller;
        });
        BXDocument::setNoteWindowControllerFactory([](BXDocument&, const BXNote::NotePtr& note) {
            return std::make_unique<TestNoteWindowController>(note);
        });
    }
    ~TestWindowFactories()
    {
        BXDocument::setWindowControllerFactory(nullptr);
        BXDocument::setNoteWindowControllerFactory(nullptr);
    }

    TestMainWindowController* lastMain = nullptr;
};

} // namespace documentwindowstest
