#include "BXSavePanelController.h"

#include "BXAccessoryOwner.h"

#include "document/BXDocument.h"
#include "platform/documents/AlertPresenter.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/TypeIdentifier.h"

#include <QPointer>
#include <QWidget>

using platform::TypeIdentifier;

void BXSavePanelController::install()
{
    BXDocument::setSaveAccessoryMaker(&BXSavePanelController::saveAccessoryView);
}

QList<BXSavePanelController::ExportFormat> BXSavePanelController::exportFormats()
{
    const auto item = [](const char* title, const QString& object) {
        return ExportFormat { platform::localized(QString::fromUtf8(title)), object };
    };
    return {
        item("Plain Text", TypeIdentifier::PlainText),
        item("Markdown", TypeIdentifier::Markdown),
        item("Legacy Plain Text", TypeIdentifier::TraditionalPlainText),
        item("Rich Text (RTF)", TypeIdentifier::Rtf),
        item("Rich Text with Images (RTFD)", TypeIdentifier::Rtfd),
        item("HTML", TypeIdentifier::Html),
        item("Web Archive", TypeIdentifier::WebArchive),
        item("Word 97 (doc)", TypeIdentifier::WordDocument),
        item("Word 2007 (docx)", TypeIdentifier::OfficeOpenXmlDocument),
        item("Word 2003 XML", TypeIdentifier::WordXml),
        item("OpenDocument Text", TypeIdentifier::OpenDocumentText),
        item("Automatic (based on content)", QStringLiteral("Auto")),
    };
}

bool BXSavePanelController::isPlainTextType(const QString& type)
{
    return TypeIdentifier::conformsTo(type, TypeIdentifier::PlainText);
}

std::shared_ptr<QWidget> BXSavePanelController::saveAccessoryView(const QString& selectedFormat,
    const QString& preferredFormat, std::function<void(const QString&)> formatChanged,
    std::function<void(quint32)> encodingChanged, platform::FilePanel& panel)
{
    // deleteLater: the panel may still be unwinding its own events when the export lets go.
    std::shared_ptr<QWidget> view(new QWidget, [](QWidget* widget) { widget->deleteLater(); });
    view->setObjectName(QStringLiteral("BXSaveAccessory"));
    QPointer<BXAccessoryOwner> owner = new BXAccessoryOwner(view.get(), selectedFormat,
        preferredFormat, std::move(formatChanged), std::move(encodingChanged));
    panel.handleChanged = [owner](platform::FilePanelHandle* handle) {
        if (owner)
            owner->setPanel(handle);
    };
    return view;
}
