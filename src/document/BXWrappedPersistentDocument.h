#pragma once

#include "platform/documents/Document.h"

// The notes file on disk: a folder holding "StoreContent/persistentStore", the SQLite store
// of the notes model. Opens the package's store, writes saves into it in place, builds a new
// package for a save as beside the target and swaps it in whole, and moves packages. Adds no
// state of its own: the store is the one of the main context's coordinator. Main thread.
class BXWrappedPersistentDocument : public platform::Document {
    Q_OBJECT

public:
    static const QString NotesDocumentType;
    static const QString NotesFileExtension;
    static const QString StoreContentName;
    static const QString PersistentStoreName;

    explicit BXWrappedPersistentDocument(QObject* parent = nullptr);
    ~BXWrappedPersistentDocument() override;

    // Used every time a store is opened or created: automatic migration, journal_mode DELETE.
    static QVariantMap storeOptions();

    // Empty for an empty path.
    QUrl storeURLFromPath(const QString& path) const;
    QUrl storeURLFromDocumentURL(const QUrl& url) const;
    QUrl documentURLFromStoreURL(const QUrl& url) const;

    bool readFromURL(const QUrl& url, const QString& type, platform::Error* error) override;
    // Called once the store of the package at `path` is open.
    virtual bool readFromFileWrapper(const QString& path, platform::Error* error);
    // Called during every save before the context is saved.
    virtual bool updateFileWrapper(const QUrl& url, platform::Error* error);
    // Builds a complete package beside `url` (the open store copied in, or a new empty one)
    // and swaps it in for whatever is at `url` in one step; the coordinator then works on it.
    // On failure nothing at `url` and nothing of the open store has changed.
    bool createContentFolderAtURL(const QUrl& url, const QString& type, platform::Error* error);
    bool writeSafelyToURL(const QUrl& url, const QString& type, platform::SaveOperation operation,
        platform::Error* error) override;
    // Moves the package (an unsaved document is saved there instead) within the document's
    // file access; the completion gets the error of a failed move or save.
    void moveToURL(const QUrl& url, Completion completion) override;
    // Another process (another copy of the application) had the package open when it was read.
    bool isOpenElsewhere() const override { return m_openElsewhere; }
    void close() override;
    // Re-points the open store at the new URL's store before adopting the URL.
    void setFileURL(const QUrl& url) override;
    void simpleSetFileURL(const QUrl& url);

    QString fileNameExtensionForType(const QString& type) const override;

private:
    std::shared_ptr<platform::PersistentStore> storeInUse() const;
    // With `saveContext` the context is saved into the new package before it is swapped in.
    bool buildPackage(
        const QUrl& url, const QString& type, bool saveContext, platform::Error* error);
    // Applies the file attributes and the modification date of a finished save.
    bool finishSave(const QUrl& url, const QString& type, platform::SaveOperation operation,
        const QUrl& original);
    bool checkPackage(const QUrl& url, platform::Error* error) const;
    // Holds a shared lock on the package at `path` while the document has it open, after
    // noting whether another process holds one.
    void holdPackage(const QString& path);

    int m_packageLock = -1;
    bool m_openElsewhere = false;
};
