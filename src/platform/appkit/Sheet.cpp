#include "Sheet.h"

#include <QDialog>

namespace platform {

void Sheet::begin(QWidget* window, QDialog* sheet, std::function<void(int)> completion)
{
    if (window && sheet->parentWidget() != window->window())
        sheet->setParent(window->window(), sheet->windowFlags());
    // The completion runs once, even if the dialog is finished twice.
    auto pending = std::make_shared<std::function<void(int)>>(std::move(completion));
    QObject::connect(sheet, &QDialog::finished, sheet, [sheet, pending](int result) {
        const std::function<void(int)> handler = std::exchange(*pending, {});
        sheet->deleteLater();
        if (handler)
            handler(result);
    });
    if (window) {
        sheet->open(); // window-modal
    } else {
        sheet->setWindowModality(Qt::ApplicationModal);
        sheet->show();
    }
}

void Sheet::end(QDialog* sheet, int returnCode)
{
    sheet->done(returnCode);
}

} // namespace platform
