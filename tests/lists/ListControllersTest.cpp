#include "NotesFixture.h"

#include "lists/BXControllerObjectProxy.h"
#include "lists/BXManagedObjectsArrayController.h"
#include "lists/BXPasteboardNoteRow.h"

#include "platform/appkit/FilePromiseMimeData.h"
#include "platform/foundation/Archiver.h"

#include <QFile>
#include <QFileInfo>
#include <QMimeData>

#include <QUrl>

using namespace platform;

namespace {

class ListControllersTest : public NotesFixture { };

TEST_F(ListControllersTest, SelectionIsContiguousOnlyForAnUnbrokenRunOfTwoOrMore)
{
    BXManagedObjectsArrayController controller;
    controller.setContent(makeNotes({ "a", "b", "c", "d", "e", "f" }));
    const QList<std::pair<QList<int>, bool>> cases {
        { { 2 }, false },
        { { 2, 3, 4 }, true },
        { { 2, 4 }, false },
        { { 0, 1 }, true },
        { {}, false },
    };
    for (const auto& [rows, contiguous] : cases) {
        SCOPED_TRACE(testing::PrintToString(std::vector<int>(rows.cbegin(), rows.cend())));
        ASSERT_TRUE(controller.setSelectionIndexes(IndexSet::fromList(rows)));
        EXPECT_EQ(controller.selectionIsContiguous(), contiguous);
    }
}

TEST_F(ListControllersTest, AnswersAboutArrangedAndSelectedObjects)
{
    BXManagedObjectsArrayController controller;
    const QList<ManagedObjectPtr> notes = makeNotes({ "a", "b", "c" });
    controller.setContent(notes);
    EXPECT_FALSE(controller.indexValid(-1));
    EXPECT_TRUE(controller.indexValid(2));
    EXPECT_FALSE(controller.indexValid(3));

    controller.setSelectedObjects({ notes[2], notes[0] });
    EXPECT_EQ(controller.selectedObjectsIDs(),
        QList<ManagedObjectID>({ notes[0]->objectID(), notes[2]->objectID() }));
    EXPECT_EQ(controller.selectedObjectsIDURIRepresentations().size(), 2);
    EXPECT_EQ(controller.selectedObjectsIDURIRepresentations().at(1),
        notes[2]->objectID().URIRepresentation());
    EXPECT_TRUE(controller.canDelete());

    controller.setFilterPredicate(
        Predicate::predicateWithFormat(QStringLiteral("noteTitle != 'b'")));
    controller.setClearsFilterPredicateOnInsertion(false);
    controller.deleteArrangedObjects();
    EXPECT_EQ(titles(controller.content()), QStringList({ "b" }));
}

TEST_F(ListControllersTest, ProxyStandsForOneManagedObject)
{
    const ManagedObjectPtr home = makeCategory("Home");
    const auto proxy = BXControllerObjectProxy::withManagedObject(home);
    ASSERT_TRUE(proxy);
    EXPECT_EQ(proxy->valueForKeyPath(QStringLiteral("@count")), 1);
    EXPECT_EQ(proxy->valueForKeyPath(QStringLiteral("categoryName")), QStringLiteral("Home"));
    proxy->setValue(QStringLiteral("House"), QStringLiteral("categoryName"));
    EXPECT_EQ(home->valueForKey(QStringLiteral("categoryName")), QStringLiteral("House"));

    // Only managed objects are wrapped.
    struct Plain final : KeyValueCoding {
        QVariant valueForKey(const QString&) const override { return {}; }
    };
    EXPECT_FALSE(BXControllerObjectProxy::withManagedObject(nullptr));
    EXPECT_FALSE(BXControllerObjectProxy::withManagedObject(std::make_shared<Plain>()));
}

// Answers for the list it stands for; writes each promised note as its title.
class RowsDelegate final : public QObject, public BXPasteboardNoteDelegate {
public:
    explicit RowsDelegate(const BXManagedObjectsArrayController& controller)
        : m_controller(controller)
    { }
    QString fileType() const override { return type; }
    QList<ManagedObjectID> objectIDsForRows(const IndexSet& rows) const override
    {
        QList<ManagedObjectID> ids;
        for (int row : rows.toList())
            ids.append(m_controller.arrangedObjects().at(row)->objectID());
        return ids;
    }
    QString promisedFileName(const ManagedObjectID& id, const QString&) const override
    {
        return object(id)->valueForKey(QStringLiteral("noteTitle")).toString()
            + QStringLiteral(".txt");
    }
    bool writePromisedFile(
        const ManagedObjectID& id, const QString&, const QString& path, Error*) const override
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly)
            && file.write(object(id)->valueForKey(QStringLiteral("noteTitle")).toByteArray()) > 0;
    }
    QString type = QStringLiteral("public.rtf");

private:
    ManagedObjectPtr object(const ManagedObjectID& id) const
    {
        for (const ManagedObjectPtr& note : m_controller.content()) {
            if (note->objectID() == id)
                return note;
        }
        return nullptr;
    }

    const BXManagedObjectsArrayController& m_controller;
};

TEST_F(ListControllersTest, DraggedRowKeepsWhatItShowedWhenTheDragStarted)
{
    BXManagedObjectsArrayController controller;
    const QList<ManagedObjectPtr> notes = makeNotes({ "a", "b", "c" });
    controller.setContent(notes);
    RowsDelegate delegate(controller);
    const BXPasteboardNoteRow row(IndexSet(1), &delegate);

    delegate.type = QStringLiteral("public.plain-text");
    controller.removeObject(notes[0]);
    EXPECT_EQ(row.fileType(), QStringLiteral("public.rtf"));
    EXPECT_EQ(row.objectIDs(), QList<ManagedObjectID>({ notes[1]->objectID() }));
    EXPECT_EQ(row.writableTypes(),
        QStringList({ QStringLiteral("text/uri-list"), BXPasteboardNoteRow::RowIndexesType }));
    EXPECT_TRUE(row.pasteboardPropertyListForType(QStringLiteral("public.url")).isEmpty());

    const QByteArray data = row.pasteboardPropertyListForType(BXPasteboardNoteRow::RowIndexesType);
    EXPECT_EQ(BXPasteboardNoteRow::rowIndexesFromData(data), IndexSet(1));
}

TEST_F(ListControllersTest, OneDragDataCarriesTheRowsAndPromisesTheNotesCapturedAtTheStart)
{
    BXManagedObjectsArrayController controller;
    const QList<ManagedObjectPtr> notes = makeNotes({ "a", "b", "c" });
    controller.setContent(notes);
    RowsDelegate delegate(controller);
    const BXPasteboardNoteRow row(IndexSet::fromList({ 1, 2 }), &delegate);
    controller.removeObject(notes[0]);

    const std::unique_ptr<QMimeData> data(row.makeMimeData());
    EXPECT_EQ(
        BXPasteboardNoteRow::rowIndexesFromData(data->data(BXPasteboardNoteRow::RowIndexesType)),
        IndexSet::fromList({ 1, 2 }));
    QStringList written;
    for (const QUrl& url : data->urls()) {
        QFile file(url.toLocalFile());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        written << QFileInfo(file).fileName() + u'=' + QString::fromUtf8(file.readAll());
    }
    // The rows now show c and nothing, but the drag still holds b and c.
    EXPECT_EQ(written, QStringList({ "b.txt=b", "c.txt=c" }));
    FilePromiseMimeData::removeDragFolders();
}

TEST_F(ListControllersTest, APromiseAskedForAfterTheListWentAwayGivesNoFile)
{
    BXManagedObjectsArrayController controller;
    controller.setContent(makeNotes({ "a" }));
    auto delegate = std::make_unique<RowsDelegate>(controller);
    const std::unique_ptr<QMimeData> data(
        BXPasteboardNoteRow(IndexSet(0), delegate.get()).makeMimeData());
    delegate.reset();
    EXPECT_TRUE(data->hasUrls());
    EXPECT_TRUE(data->urls().isEmpty());
    FilePromiseMimeData::removeDragFolders();
}

TEST_F(ListControllersTest, PayloadsThatAreNotIndexSetsReadAsNoRows)
{
    const QList<std::pair<const char*, QByteArray>> payloads {
        { "a note window's URL",
            Archiver::archivedData(QUrl(QStringLiteral("x-coredata://S/Note/p1"))) },
        { "a plain list", Archiver::archivedData(QVariantList { 1, 2 }) },
        { "garbage", QByteArray("\x9f\x01\x02garbage", 10) },
        { "nothing", QByteArray() },
    };
    for (const auto& [name, data] : payloads) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(BXPasteboardNoteRow::rowIndexesFromData(data).isEmpty());
    }
}

} // namespace
