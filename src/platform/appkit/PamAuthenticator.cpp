#include "PamAuthenticator.h"

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Localized.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <security/pam_appl.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <pwd.h>
#include <thread>
#include <unistd.h>

namespace platform {

namespace {

void wipe(QByteArray& bytes)
{
    if (!bytes.isEmpty())
        explicit_bzero(bytes.data(), size_t(bytes.size()));
    bytes.clear();
}

void wipe(QString& text)
{
    if (!text.isEmpty())
        text.fill(QChar(0));
    text.clear();
}

// Answers every prompt PAM makes with the password (or, for a visible prompt, the same);
// messages are acknowledged without a reply.
int converse(int count, const pam_message** messages, pam_response** responses, void* data)
{
    if (count <= 0 || !messages || !responses)
        return PAM_CONV_ERR;
    const auto* password = static_cast<const QByteArray*>(data);
    auto* replies = static_cast<pam_response*>(calloc(size_t(count), sizeof(pam_response)));
    if (!replies)
        return PAM_BUF_ERR;
    for (int i = 0; i < count; ++i) {
        const int style = messages[i]->msg_style;
        if (style == PAM_PROMPT_ECHO_OFF || style == PAM_PROMPT_ECHO_ON) {
            replies[i].resp = password ? strdup(password->constData()) : nullptr;
            if (!replies[i].resp) {
                for (int j = 0; j < i; ++j) {
                    if (replies[j].resp)
                        explicit_bzero(replies[j].resp, strlen(replies[j].resp));
                    free(replies[j].resp);
                }
                free(replies);
                return PAM_BUF_ERR;
            }
        }
    }
    *responses = replies;
    return PAM_SUCCESS;
}

std::optional<QString> askPassword(const QString& reason, bool retry)
{
    QDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(QApplication::applicationDisplayName());
    auto* text = new QLabel(retry ? reason + QStringLiteral("\n\n")
                + localized(QStringLiteral("The password is wrong. Try again."))
                                  : reason,
        &dialog);
    text->setTextFormat(Qt::PlainText);
    text->setWordWrap(true);
    auto* field = new QLineEdit(&dialog);
    field->setEchoMode(QLineEdit::Password);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(text);
    layout->addWidget(field);
    layout->addWidget(buttons);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    std::optional<QString> password;
    if (accepted)
        password = field->text();
    field->clear();
    return password;
}

struct Request {
    PamAuthenticator::PasswordPrompt prompt;
    QString reason;
    Authenticator::Reply reply;
};

void attempt(std::shared_ptr<Request> request, bool retry)
{
    std::optional<QString> typed = request->prompt(request->reason, retry);
    if (!typed) {
        dispatchAsyncMain([request] { request->reply(false); });
        return;
    }
    QByteArray password = typed->toUtf8();
    wipe(*typed);
    std::thread([request, password]() mutable {
        const int result = PamAuthenticator::check(
            PamAuthenticator::serviceName(), PamAuthenticator::userName(), password);
        QMetaObject::invokeMethod(
            qApp,
            [request, result] {
                if (result == PAM_SUCCESS)
                    request->reply(true);
                else
                    attempt(request, true);
            },
            Qt::QueuedConnection);
    }).detach();
    wipe(password);
}

} // namespace

PamAuthenticator::PamAuthenticator(PasswordPrompt prompt)
    : m_prompt(prompt ? std::move(prompt) : PasswordPrompt(askPassword))
{ }

QByteArray PamAuthenticator::serviceName()
{
    const QByteArray overridden = qgetenv(kServiceVariable);
    return overridden.isEmpty() ? QByteArrayLiteral("brindlex") : overridden;
}

QByteArray PamAuthenticator::userName()
{
    const passwd* entry = getpwuid(getuid());
    return entry && entry->pw_name ? QByteArray(entry->pw_name) : QByteArray();
}

bool PamAuthenticator::canEvaluate(QString* reason) const
{
    const QByteArray user = userName();
    if (user.isEmpty()) {
        if (reason)
            *reason = QStringLiteral("The system does not know the user running the application.");
        return false;
    }
    const pam_conv conversation { converse, nullptr };
    pam_handle_t* handle = nullptr;
    const int started
        = pam_start(serviceName().constData(), user.constData(), &conversation, &handle);
    if (started != PAM_SUCCESS) {
        if (reason)
            *reason = QString::fromLocal8Bit(pam_strerror(handle, started));
        if (handle)
            pam_end(handle, started);
        return false;
    }
    pam_end(handle, PAM_SUCCESS);
    return true;
}

void PamAuthenticator::evaluate(const QString& reason, Reply reply)
{
    if (!canEvaluate()) {
        dispatchAsyncMain([reply = std::move(reply)] { reply(false); });
        return;
    }
    attempt(std::make_shared<Request>(Request { m_prompt, reason, std::move(reply) }), false);
}

int PamAuthenticator::check(const QByteArray& service, const QByteArray& user, QByteArray& password)
{
    const pam_conv conversation { converse, &password };
    pam_handle_t* handle = nullptr;
    int result = pam_start(service.constData(), user.constData(), &conversation, &handle);
    if (result == PAM_SUCCESS) {
        result = pam_authenticate(handle, PAM_DISALLOW_NULL_AUTHTOK);
        if (result == PAM_SUCCESS)
            result = pam_acct_mgmt(handle, 0);
    }
    if (handle)
        pam_end(handle, result);
    wipe(password);
    return result;
}

} // namespace platform
