#pragma once

#include <QString>
#include <QStringList>

namespace markdown {

// Finds the Markdown library's resource bundle and the folders inside bundles. A bundle is a
// folder whose resources sit in its "Resources" subfolder; the library's bundle carries the web
// view's default page template. Any thread; the lookup runs once per process.
class BundleFinder final {
public:
    static inline const QString libraryBundleName = QStringLiteral("Markdown_Markdown.bundle");

    // "Markdown_Markdown.bundle" from "../share/brindlex" beside the executable, else from the
    // executable's folder, else the copy compiled into the library, which is always there.
    static QString libraryBundle();
    // The first of `folders` that holds a "Markdown_Markdown.bundle" folder, as that bundle's
    // path; empty when none does.
    static QString findLibraryBundle(const QStringList& folders);
    // The web view's own template bundle, "MarkdownView.bundle" among the library's resources.
    static QString defaultTemplateBundle();
    // The bundle's "Resources" folder; empty when the bundle has none.
    static QString resourceFolder(const QString& bundle);
};

} // namespace markdown
