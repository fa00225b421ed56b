#include "mainwindow/BXWindowState.h"

#include "mainwindow/BXMainSplitView.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowBars.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/BXMainWindowToolbar.h"
#include "mainwindow/editor/BXTextView.h"
#include "mainwindow/search/BXMainWindowSearch.h"
#include "mainwindow/search/BXSearchField.h"

#include "lists/BXTableView.h"
#include "lists/noteslist/BXNotesArrayController.h"
#include "lists/noteslist/BXNotesArraySortDescriptor.h"
#include "lists/sidebar/BXCategoriesArrayController.h"
#include "ui/WindowAdditions.h"

#include "document/BXDefaults.h"
#include "document/BXDocument.h"
#include "document/model/BXDocumentPreference.h"
#include "document/model/BXManagedObjectUtilities.h"
#include "document/model/BXNote.h"

#include "platform/appkit/Toolbar.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/documents/DocumentController.h"
#include "platform/documents/WindowController.h"
#include "platform/foundation/Archiver.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/UserDefaults.h"

#include <QGuiApplication>
#include <QLayout>
#include <QPointer>
#include <QScreen>

#include <cmath>

using Pref = BXDocumentPreference;

namespace {

const QString kSmartCopyPaste = QStringLiteral("smartCopyPaste");
const QString kSmartQuotes = QStringLiteral("smartQuotes");
const QString kSmartLinks = QStringLiteral("smartLinks");
const QString kCheckSpelling = QStringLiteral("checkSpelling");
const QString kSmartDashes = QStringLiteral("smartDashes");

QByteArray archivedURIs(const QList<QUrl>& uris, const QString& failure)
{
    QVariantList list;
    for (const QUrl& uri : uris)
        list << uri;
    platform::Error error;
    const QByteArray data = platform::Archiver::archivedData(list, &error);
    if (data.isEmpty())
        platform::log(failure, error);
    return data;
}

// Damaged or foreign archives count as absent.
QList<QUrl> unarchivedURIs(const QByteArray& data)
{
    QList<QUrl> uris;
    if (data.isEmpty())
        return uris;
    const auto list = platform::Archiver::unarchived<QVariantList>(
        data, { QStringLiteral("NSArray"), QStringLiteral("NSURL") });
    if (!list)
        return uris;
    for (const QVariant& value : *list)
        uris << value.toUrl();
    return uris;
}

QString paneFrame(const QSplitter* splitter, int index)
{
    const QWidget* pane = splitter->widget(index);
    return pane ? BXNote::stringFromRect(QRectF(pane->geometry())) : QString();
}

} // namespace

BXWindowState::BXWindowState(BXMainWindowController& controller) : m_controller(controller) { }

platform::ManagedObjectContext* BXWindowState::prefsContext() const
{
    auto* document = qobject_cast<BXDocument*>(m_controller.document());
    return document ? document->prefsContext() : nullptr;
}

QList<QWidget*> BXWindowState::otherDocumentWindows() const
{
    QList<QWidget*> windows;
    const platform::DocumentController* controller = platform::DocumentController::shared();
    if (!controller)
        return windows;
    for (const platform::Document* document : controller->documents()) {
        const QList<platform::WindowController*> controllers = document->windowControllers();
        if (document != m_controller.document() && !controllers.isEmpty())
            windows << controllers.first()->window();
    }
    return windows;
}

void BXWindowState::loadPreferences()
{
    platform::ManagedObjectContext* prefs = prefsContext();
    if (!prefs)
        return;
    BXMainWindow* window = m_controller.mainWindow();
    const QString frame
        = Pref::prefStringForType(Pref::WindowType, Pref::FrameName, QString(), prefs);
    if (WindowAdditions::setFrameFromString(window, frame)) {
        WindowAdditions::validateWindowPosition(window);
    } else {
        window->setGeometry(
            0, 0, BXMainWindowController::kDefaultWidth, BXMainWindowController::kDefaultHeight);
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect centred = window->frameGeometry();
            centred.moveCenter(screen->availableGeometry().center());
            window->move(centred.topLeft());
        }
        WindowAdditions::cascade(window, otherDocumentWindows());
    }
    // The panes get their widths from the window's, so lay it out before placing dividers.
    if (QLayout* layout = window->layout())
        layout->activate();
    loadSplitterFramesPreferences();
    m_controller.bars()->updateBottomBarInfo();
    loadTextPreferences();
    m_controller.noteTextView()->setRulerMeasurementUnits(
        platform::UserDefaults::standard().stringForKey(RulerUnits));
    const bool rulerVisible = Pref::prefBooleanForType(
        Pref::NotesType, Pref::RulerVisibleName, Pref::DefaultRulerVisible, prefs);

    QPointer<BXWindowState> self(this);
    platform::dispatchAfter(kListsDelay, this, [self, rulerVisible] {
        if (!self)
            return;
        BXMainWindowController& controller = self->m_controller;
        controller.noteTextView()->setFocus();
        controller.noteTextView()->setRulerVisible(rulerVisible);
        // A file opens ready for a search when the toolbar shows the field.
        const platform::Toolbar* toolbar = controller.mainToolbar()->toolbar();
        if (toolbar && toolbar->isVisible())
            controller.search()->searchField()->setFocus(Qt::OtherFocusReason);
        self->loadListsPreferences();
    });
}

void BXWindowState::loadSplitterFramesPreferences()
{
    platform::ManagedObjectContext* prefs = prefsContext();
    BXMainSplitView* split = m_controller.splitView();
    QList<int> sizes = split->sizes();
    const int total = sizes.value(0) + sizes.value(1) + sizes.value(2);
    const QString categories
        = Pref::prefStringForType(Pref::SplitterType, Pref::CategoriesFrameName, QString(), prefs);
    const QString notes
        = Pref::prefStringForType(Pref::SplitterType, Pref::NotesFrameName, QString(), prefs);
    const int sidebarWidth = int(std::lround(BXNote::rectFromString(categories).width()));
    const int notesWidth = int(std::lround(BXNote::rectFromString(notes).width()));
    if (!categories.isEmpty() && sidebarWidth > kMinimumSidebarWidth)
        sizes[0] = sidebarWidth;
    if (!notes.isEmpty() && notesWidth > kMinimumNotesListWidth)
        sizes[1] = notesWidth;
    sizes[2] = std::max(0, total - sizes[0] - sizes[1]);
    split->setSizes(sizes);
    m_controller.splitViewDidResizeSubviews();

    if (Pref::prefBooleanForType(
            Pref::SidebarType, Pref::ListsCollapsedName, Pref::DefaultListsCollapsed, prefs)
        && !m_controller.listsCollapsed())
        m_controller.toggleLists();
    m_controller.bars()->loadTagsBarVisible(Pref::prefBooleanForType(
        Pref::SplitterType, Pref::TagsBarVisibleName, Pref::DefaultTagsBarVisible, prefs));

    BXCategoriesArrayController* categoriesController = m_controller.categoriesController();
    categoriesController->setShowNoCategory(Pref::prefBooleanForType(
        Pref::SidebarType, Pref::ShowNoCategoryName, Pref::DefaultShowNoCategory, prefs));
    categoriesController->setShowRecentNotesCategory(Pref::prefBooleanForType(
        Pref::SidebarType, Pref::ShowLastImportName, Pref::DefaultShowLastImport, prefs));
    m_controller.notesTableView()->setColumns(
        Pref::prefStringForType(Pref::SidebarType, Pref::NotesColumnsName, QString(), prefs));
    BXNotesArrayController* notesController = m_controller.notesController();
    notesController->setNoteCreatedColumnVisible(Pref::prefBooleanForType(Pref::SidebarType,
        Pref::ShowNoteCreatedColumnName, Pref::DefaultShowNoteCreatedColumn, prefs));
    notesController->setNoteModifiedColumnVisible(Pref::prefBooleanForType(Pref::SidebarType,
        Pref::ShowNoteModifiedColumnName, Pref::DefaultShowNoteModifiedColumn, prefs));
}

void BXWindowState::loadSortPreferences()
{
    const QByteArray archive = Pref::prefBlobForType(
        Pref::SidebarType, Pref::NotesSortDescriptorsName, QByteArray(), prefsContext());
    m_controller.notesController()->setSortDescriptors(
        BXNotesArraySortDescriptor::unarchivedSortDescriptors(archive));
}

void BXWindowState::loadTextPreferences()
{
    const platform::UserDefaults& defaults = platform::UserDefaults::standard();
    platform::TextView::TextOptions options = m_controller.noteTextView()->textOptions();
    // A switch never written keeps the view's own setting.
    auto apply = [&defaults](const QString& key, bool& option) {
        if (defaults.objectForKey(key).isValid())
            option = defaults.boolForKey(key);
    };
    apply(kSmartCopyPaste, options.smartCopyPaste);
    apply(kSmartQuotes, options.smartQuotes);
    apply(kSmartLinks, options.smartLinks);
    apply(kCheckSpelling, options.checkSpelling);
    apply(kSmartDashes, options.smartDashes);
    m_controller.noteTextView()->setTextOptions(options);
}

void BXWindowState::loadListsPreferences()
{
    platform::ManagedObjectContext* prefs = prefsContext();
    platform::Document* document = m_controller.document();
    if (!prefs || !document)
        return;
    platform::ManagedObjectContext* context = document->managedObjectContext();

    BXCategoriesArrayController* categoriesController = m_controller.categoriesController();
    const QList<platform::ManagedObjectPtr> categories
        = BXManagedObjectUtilities::objectsFromIDURIs(context,
            unarchivedURIs(
                Pref::prefBlobForType(Pref::NotesType, Pref::CategoriesName, QByteArray(), prefs)));
    if (categories.isEmpty() || !categoriesController->setSelectedObjects(categories))
        categoriesController->selectRow(0);
    m_controller.updateSearchScopeBarForCategories(categoriesController->selectedObjects());

    BXMainWindowSearch* search = m_controller.search();
    const qint64 mode = Pref::prefIntegerForType(
        Pref::FindType, Pref::SearchModeName, Pref::DefaultSearchMode, prefs);
    search->setSearchMode(
        mode < 2 ? BXMainWindowSearch::kWordsMode : BXMainWindowSearch::kRegularExpressionMode);
    // Both: a find goes on into the other listed notes and wraps around.
    search->setSearchStyle(BXMainWindowSearch::kSearchFoundNotes | BXMainWindowSearch::kWrapAround);
    search->setSearchString(Pref::prefStringForType(
        Pref::FindType, Pref::SearchStringName, Pref::DefaultSearchString, prefs));
    search->setSearchScope(unsigned(std::max<qint64>(0,
        Pref::prefIntegerForType(
            Pref::FindType, Pref::SearchScopeName, Pref::DefaultSearchScope, prefs))));
    search->updateSearchField(
        search->searchField(), search->searchField()->itemWithTag(search->searchMode()));

    m_listsLoaded = true;
    m_controller.setPreferencesInited(true);

    BXNotesArrayController* notesController = m_controller.notesController();
    const QList<platform::ManagedObjectPtr> notes
        = BXManagedObjectUtilities::objectsFromIDURIs(context,
            unarchivedURIs(
                Pref::prefBlobForType(Pref::NotesType, Pref::ListName, QByteArray(), prefs)));
    // Notes since deleted leave the list's own selection shown.
    if (!notes.isEmpty()) {
        const QList<platform::ManagedObjectPtr> listed = notesController->selectedObjects();
        notesController->setSelectedObjects({});
        if (!m_controller.selectNotes(notes, true) && notesController->selectedObjects().isEmpty())
            notesController->setSelectedObjects(listed);
    }
    m_controller.noteSelectionChanged();

    const qint64 zoom = Pref::prefIntegerForType(
        Pref::WindowType, Pref::ZoomFactorName, Pref::DefaultZoomFactor, prefs);
    m_controller.zoomToFactor(double(zoom) * 0.01);

    if (!search->searchString().isEmpty())
        search->filterNotes(search->searchString(), false);
}

void BXWindowState::savePreferences()
{
    platform::ManagedObjectContext* prefs = prefsContext();
    if (!prefs)
        return;
    storeWindowFramePreferences();
    storeSplitterFramesPreferences();
    storeSidebarPreferences();
    storeSortPreferences();
    // Before the last stage ran, the search and selection shown are not the stored ones.
    if (m_listsLoaded) {
        storeSearchPreferences();
        storeSelectionPreferences();
    }
    storeTextPreferences();
    Pref::setPrefBoolean(m_controller.noteTextView()->isRulerVisible(), Pref::NotesType,
        Pref::RulerVisibleName, prefs);
    // At once: on quit this runs after the event loop has ended.
    if (!prefs->persistentStoreCoordinator() || !prefs->persistentStoreCoordinator()->hasStore())
        return;
    platform::Error error;
    if (!prefs->save(&error))
        platform::log(QStringLiteral("failed to save window state: %@"), error);
}

void BXWindowState::storeWindowFramePreferences()
{
    platform::ManagedObjectContext* prefs = prefsContext();
    Pref::setPrefString(WindowAdditions::savedFrameString(m_controller.mainWindow()),
        Pref::WindowType, Pref::FrameName, prefs);
    if (m_listsLoaded) {
        // Rounded: truncating 1.13 × 100 would lose a percent at every reopen.
        Pref::setPrefInteger(std::llround(m_controller.noteTextView()->zoomFactor() * 100),
            Pref::WindowType, Pref::ZoomFactorName, prefs);
    }
}

void BXWindowState::storeSplitterFramesPreferences()
{
    platform::ManagedObjectContext* prefs = prefsContext();
    const BXMainSplitView* split = m_controller.splitView();
    Pref::setPrefString(paneFrame(split, 0), Pref::SplitterType, Pref::CategoriesFrameName, prefs);
    Pref::setPrefString(paneFrame(split, 1), Pref::SplitterType, Pref::NotesFrameName, prefs);
    Pref::setPrefString(paneFrame(split, 2), Pref::SplitterType, Pref::NoteTextFrameName, prefs);
    Pref::setPrefBoolean(
        m_controller.bars()->tagsBarVisible(), Pref::SplitterType, Pref::TagsBarVisibleName, prefs);
}

void BXWindowState::storeSidebarPreferences()
{
    platform::ManagedObjectContext* prefs = prefsContext();
    const BXCategoriesArrayController* categories = m_controller.categoriesController();
    const BXNotesArrayController* notes = m_controller.notesController();
    Pref::setPrefBoolean(
        m_controller.listsCollapsed(), Pref::SidebarType, Pref::ListsCollapsedName, prefs);
    Pref::setPrefBoolean(
        categories->showNoCategory(), Pref::SidebarType, Pref::ShowNoCategoryName, prefs);
    Pref::setPrefBoolean(
        categories->showRecentNotesCategory(), Pref::SidebarType, Pref::ShowLastImportName, prefs);
    Pref::setPrefString(m_controller.notesTableView()->saveColumnsString(), Pref::SidebarType,
        Pref::NotesColumnsName, prefs);
    Pref::setPrefBoolean(notes->noteCreatedColumnVisible(), Pref::SidebarType,
        Pref::ShowNoteCreatedColumnName, prefs);
    Pref::setPrefBoolean(notes->noteModifiedColumnVisible(), Pref::SidebarType,
        Pref::ShowNoteModifiedColumnName, prefs);
}

void BXWindowState::storeSortPreferences()
{
    const QByteArray archive = BXNotesArraySortDescriptor::archivedData(
        m_controller.notesController()->sortDescriptors());
    if (archive.isEmpty()) {
        platform::log(
            QStringLiteral("failed to archive sort desctiptors: %@"), QStringLiteral("no archive"));
        return;
    }
    Pref::setPrefBlob(archive, Pref::SidebarType, Pref::NotesSortDescriptorsName, prefsContext());
}

void BXWindowState::storeSearchPreferences()
{
    platform::ManagedObjectContext* prefs = prefsContext();
    const BXMainWindowSearch* search = m_controller.search();
    Pref::setPrefInteger(search->searchMode(), Pref::FindType, Pref::SearchModeName, prefs);
    Pref::setPrefInteger(search->searchStyle(), Pref::FindType, Pref::SearchStyleName, prefs);
    Pref::setPrefString(search->searchString(), Pref::FindType, Pref::SearchStringName, prefs);
    Pref::setPrefInteger(search->searchScope(), Pref::FindType, Pref::SearchScopeName, prefs);
}

void BXWindowState::storeSelectionPreferences()
{
    platform::ManagedObjectContext* prefs = prefsContext();
    // A note or category made since the last save has only a temporary URI, which names
    // nothing once the store is reopened: give it its permanent one now.
    platform::ManagedObjectContext* context
        = m_controller.document() ? m_controller.document()->managedObjectContext() : nullptr;
    if (context && context->persistentStoreCoordinator()
        && context->persistentStoreCoordinator()->hasStore()) {
        platform::Error error;
        if (!context->obtainPermanentIDsForObjects(
                m_controller.selectedNotes() + m_controller.selectedCategories(), &error))
            platform::log(QStringLiteral("failed to obtain permanent IDs: %@"), error);
    }
    const QByteArray categories
        = archivedURIs(m_controller.categoriesController()->selectedObjectsIDURIRepresentations(),
            QStringLiteral("failed to archive selected category: %@"));
    if (!categories.isEmpty())
        Pref::setPrefBlob(categories, Pref::NotesType, Pref::CategoriesName, prefs);
    const QByteArray notes = archivedURIs(
        m_controller.selectedNoteIDs(), QStringLiteral("failed to archive selected notes: %@"));
    if (!notes.isEmpty())
        Pref::setPrefBlob(notes, Pref::NotesType, Pref::ListName, prefs);
}

void BXWindowState::storeTextPreferences()
{
    platform::UserDefaults& defaults = platform::UserDefaults::standard();
    const platform::TextView::TextOptions options = m_controller.noteTextView()->textOptions();
    defaults.setBool(kSmartCopyPaste, options.smartCopyPaste);
    defaults.setBool(kSmartQuotes, options.smartQuotes);
    defaults.setBool(kSmartLinks, options.smartLinks);
    defaults.setBool(kCheckSpelling, options.checkSpelling);
    defaults.setBool(kSmartDashes, options.smartDashes);
}
