#include "platform/controllers/Editor.h"
#include "platform/data/ManagedObjectModel.h"
#include "platform/documents/Document.h"
#include "platform/testing/FakeScheduler.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

// Records the operations it is asked to write; writes nothing.
class RecordingDocument final : public Document {
public:
    RecordingDocument() : Document(emptyModel()) { }

    bool readFromURL(const QUrl&, const QString&, Error*) override { return true; }
    bool writeSafelyToURL(const QUrl&, const QString&, SaveOperation operation, Error*) override
    {
        operations.append(operation);
        return true;
    }

    QList<SaveOperation> operations;

private:
    static std::shared_ptr<const ManagedObjectModel> emptyModel()
    {
        auto model = std::make_shared<ManagedObjectModel>();
        model->finish();
        return model;
    }
};

// An open edit that unregisters itself once committed, unless told to refuse.
class RecordingEditor final : public Editor {
public:
    explicit RecordingEditor(Document& document) : m_document(document)
    {
        m_document.objectDidBeginEditing(this);
    }

    bool commitEditing() override
    {
        ++commits;
        if (refuse)
            return false;
        m_document.objectDidEndEditing(this);
        return true;
    }
    void discardEditing() override { m_document.objectDidEndEditing(this); }

    int commits = 0;
    bool refuse = false;

protected:
    QString commitFailureReason() const override { return QStringLiteral("still typing"); }

private:
    Document& m_document;
};

class DocumentEditorTest : public ::testing::Test {
protected:
    Error save(SaveOperation operation)
    {
        Error result(kCocoaErrorDomain, -1);
        document.saveToURL(QUrl::fromLocalFile(folder + QStringLiteral("/doc")),
            QStringLiteral("items"), operation, [&](const Error& error) { result = error; });
        return result;
    }

    FakeScheduler scheduler;
    RecordingDocument document;
    QString folder = bxtest::makeTempFolder();
};

TEST_F(DocumentEditorTest, SavesTheUserAskedForCommitOpenEditsAutosavesDoNot)
{
    struct Case {
        SaveOperation operation;
        bool commits;
    };
    const Case cases[] = {
        { SaveOperation::Save, true },
        { SaveOperation::SaveAs, true },
        { SaveOperation::SaveTo, true },
        { SaveOperation::AutosaveElsewhere, false },
        { SaveOperation::AutosaveInPlace, false },
        { SaveOperation::AutosaveAs, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.operation));
        RecordingEditor editor(document);
        save(c.operation);
        EXPECT_EQ(editor.commits, c.commits ? 1 : 0);
        EXPECT_EQ(document.registeredEditors().isEmpty(), c.commits);
        editor.discardEditing();
    }
}

TEST_F(DocumentEditorTest, AnEditThatCannotBeCommittedStopsTheSaveAndTheClose)
{
    RecordingEditor done(document);
    RecordingEditor typing(document);
    typing.refuse = true;

    const Error error = save(SaveOperation::Save);
    EXPECT_TRUE(error.is(kOSStatusErrorDomain, 1));
    EXPECT_EQ(error.localizedFailureReason(), QStringLiteral("still typing"));
    EXPECT_TRUE(document.operations.isEmpty());
    EXPECT_EQ(document.registeredEditors(), QList<Editor*>({ &typing }));

    std::optional<bool> mayClose;
    document.canCloseDocument([&](bool shouldClose) { mayClose = shouldClose; });
    EXPECT_EQ(mayClose, false);

    typing.refuse = false;
    document.canCloseDocument([&](bool shouldClose) { mayClose = shouldClose; });
    EXPECT_EQ(mayClose, true);
    EXPECT_TRUE(document.registeredEditors().isEmpty());
}

} // namespace
