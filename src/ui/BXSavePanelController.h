#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <memory>

class QWidget;

namespace platform {
struct FilePanel;
}

// Builds the accessory of the export panels (formats and encodings pop-ups) and lists the
// export formats, which the preferences window offers too. Each accessory is owned by its
// view, which lives as long as its panel, so two documents may export at once. Main thread.
class BXSavePanelController final {
public:
    struct ExportFormat {
        QString title;
        // A type identifier, or "Auto" for "Automatic (based on content)".
        QString object;
    };

    BXSavePanelController() = delete;

    // Makes every document's export panels carry this accessory.
    static void install();

    // In the order the pop-ups show them.
    static QList<ExportFormat> exportFormats();
    static bool isPlainTextType(const QString& type);

    // A new accessory with `selectedFormat` chosen, for a one-note save panel when
    // `preferredFormat` (the note's "Auto" type) is given, else for the folder panel. It
    // follows `panel` through the panel's handle once the panel opens. The view is deleted
    // when the last reference goes.
    static std::shared_ptr<QWidget> saveAccessoryView(const QString& selectedFormat,
        const QString& preferredFormat, std::function<void(const QString&)> formatChanged,
        std::function<void(quint32)> encodingChanged, platform::FilePanel& panel);
};
