#include "PrintDialogPresenter.h"

#include "PrintJob.h"
#include "TextView.h"

#include <QPrintDialog>
#include <QPrinter>

namespace platform {

void PrintDialogPresenter::takePaper(const QPrinter& printer, PrintInfo& printInfo)
{
    QPageLayout layout = printer.pageLayout();
    // The printer counts in its own units (millimetres for metric paper); the margins are
    // points, and the user's to choose whatever the printer's smallest margins.
    layout.setUnits(QPageLayout::Point);
    layout.setMode(QPageLayout::FullPageMode);
    layout.setMargins(printInfo.pageLayout().margins(QPageLayout::Point));
    printInfo.setPageLayout(layout);
}

void PrintDialogPresenter::runPrintOperation(
    const PrintOperation& operation, QWidget* window, Completion completion)
{
    auto* view = qobject_cast<TextView*>(operation.printView.get());
    if (!view || !operation.printInfo) {
        if (completion)
            completion(false, Error());
        return;
    }
    auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
    printer->setPageLayout(operation.printInfo->pageLayout());
    const auto print = [operation, printer, window, completion] {
        takePaper(*printer, *operation.printInfo);
        auto* printView = qobject_cast<TextView*>(operation.printView.get());
        PrintJob job(*printView, operation.printInfo);
        Error error;
        const bool printed
            = job.print(*printer, &error, operation.showsProgressPanel ? window : nullptr);
        if (completion)
            completion(printed, printed || error.isUserCancelled() ? Error() : error);
    };
    if (!operation.showsPrintPanel) {
        print();
        return;
    }
    auto* dialog = new QPrintDialog(printer.get(), window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    if (operation.makeAccessory) {
        if (QWidget* accessory = operation.makeAccessory())
            dialog->setOptionTabs({ accessory });
    }
    dialog->setWindowModality(window ? Qt::WindowModal : Qt::ApplicationModal);
    QObject::connect(dialog, &QDialog::finished, dialog, [print, completion](int result) {
        if (result == QDialog::Accepted)
            print();
        else if (completion)
            completion(false, Error());
    });
    dialog->open();
}

} // namespace platform
