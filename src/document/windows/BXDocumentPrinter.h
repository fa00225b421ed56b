#pragma once

#include "platform/documents/PrintPresenter.h"

#include <QObject>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

class BXDocumentHost;
class QWidget;

// Printing a document: its print info, made once so that each document keeps what its user
// chose since, the operation printing the window in front with the margins and page numbering
// of the user defaults, and the Print… command, whose panel attaches to the key window. Owned
// by the document; main thread.
class BXDocumentPrinter final : public QObject {
    Q_OBJECT

public:
    // Builds the print panel's accessory for a view being printed; the user interface
    // installs it, and without one the panel has no accessory.
    using AccessoryMaker = std::function<QWidget*(
        QObject* printView, const std::shared_ptr<platform::PrintInfo>& printInfo)>;
    static void setAccessoryMaker(AccessoryMaker maker);

    // The view to print on `printInfo`'s paper; null when no window offers one.
    using PrintableView = std::function<std::shared_ptr<QObject>(
        const std::shared_ptr<platform::PrintInfo>& printInfo)>;

    // `host` (not owned) outlives the printer.
    BXDocumentPrinter(BXDocumentHost& host, PrintableView printableView);
    ~BXDocumentPrinter() override;

    // Fitted to the paper's width, not centred.
    std::shared_ptr<platform::PrintInfo> printInfo();
    // The operation printing the printable view with `settings` added to the print info; none,
    // with the error "No printable content available" (BXDocumentErrorDomain, code 1), when
    // there is no view.
    std::optional<platform::PrintOperation> printOperationWithSettings(
        const QVariantMap& settings, platform::Error* error);
    // The print panel on the host's sheet window, or the error as an alert.
    void printDocument();
    // Set while the print panel runs, so that it attaches to the key window.
    bool sheetForPrinting() const { return m_sheetForPrinting; }

private:
    BXDocumentHost& m_host;
    PrintableView m_printableView;
    std::shared_ptr<platform::PrintInfo> m_printInfo;
    bool m_sheetForPrinting = false;
};
