#include "PasswordDialogRunner.h"

#include "BXPasswordController.h"

#include <QDialog>

namespace {

class ModalDialogRunner final : public PasswordDialogRunner {
public:
    int runModal(BXPasswordController& controller) override
    {
        QDialog* dialog = controller.window();
        dialog->setWindowModality(Qt::ApplicationModal);
        return dialog->exec();
    }
};

PasswordDialogRunner* s_current = nullptr;

} // namespace

PasswordDialogRunner& PasswordDialogRunner::current()
{
    static ModalDialogRunner real;
    return s_current ? *s_current : real;
}

void PasswordDialogRunner::setCurrent(PasswordDialogRunner* runner)
{
    s_current = runner;
}
