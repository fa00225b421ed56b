#pragma once

#include <QList>
#include <QObject>

#include <functional>
#include <memory>
#include <vector>

class QTextDocument;

namespace platform {

class UndoManager;

// Lets several views show one text storage (a note's QTextDocument), each through a mirror of
// its own so each keeps its own layout width, selection and marking. A user edit made in a
// mirror travels as a fragment (characters, character and block formats, the images its U+FFFC
// name) into the storage and the other mirrors, where it is no user edit; a change made
// straight to the storage reaches every mirror the same way. Neither keeps an undo stack:
// each user edit becomes a record in the undo manager its view names, aimed at the storage.
// Attached to the storage as its child on first use; main thread only.
class SharedTextStorage final : public QObject {
    Q_OBJECT

public:
    using UndoManagerProvider = std::function<UndoManager*()>;

    static SharedTextStorage* of(QTextDocument* storage);
    ~SharedTextStorage() override;

    QTextDocument* storage() const { return m_storage; }

    // A copy of the storage, images included, kept in step with it. The caller owns it; it is
    // forgotten when destroyed. `undoManager` names where its user edits are recorded (it may
    // answer nullptr: not recorded).
    std::unique_ptr<QTextDocument> makeMirror(UndoManagerProvider undoManager);
    QList<QTextDocument*> mirrors() const;

    // Runs `edit`, which changes `mirror` through cursors: every change it makes is the user's.
    // Records are named `actionName`; with `typing`, a change that continues the mirror's
    // last typing record (characters typed after it, or deleted before or after it) extends
    // that record instead, so a run of typing is undone as one step.
    void performUserEdit(QTextDocument* mirror, const QString& actionName, bool typing,
        const std::function<void()>& edit);
    // Stops gathering typing into the mirror's current record (the caret moved otherwise,
    // another edit, focus loss).
    void breakCoalescing(QTextDocument* mirror);
    bool isCoalescingTyping(QTextDocument* mirror) const;
    // Drops the storage's records from the undo manager of every mirror.
    void removeUndoRecords();

signals:
    // A user edit, or the undo or redo of one, reached the storage. `mirror` is where the user
    // made it; nullptr for an undo or redo.
    void userEdited(QTextDocument* mirror);

private:
    struct Fragment;
    struct EditRecord;
    struct Mirror;

    explicit SharedTextStorage(QTextDocument* storage);

    Mirror* find(const QTextDocument* mirror) const;
    void mirrorChanged(Mirror& mirror, int position, int removed, int added);
    void storageChanged(int position, int removed, int added);
    void record(Mirror& mirror, qsizetype position, Fragment removed, Fragment inserted);
    void registerRecord(UndoManager* undoManager, const std::shared_ptr<EditRecord>& record);
    void revert(UndoManager* undoManager, const std::shared_ptr<EditRecord>& record);
    void applyEverywhere(
        qsizetype position, qsizetype removeLength, const Fragment& fragment, Mirror* except);

    QTextDocument* m_storage;
    std::vector<std::unique_ptr<Mirror>> m_mirrors;
    // Set while this object itself writes into the storage or a mirror.
    bool m_applying = false;
};

} // namespace platform
