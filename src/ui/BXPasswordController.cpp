#include "BXPasswordController.h"

#include "PasswordDialogRunner.h"
#include "document/password/BXPasswordControllerDelegate.h"
#include "document/password/PasswordHash.h"

#include "platform/appkit/Sheet.h"
#include "platform/appkit/SymbolIcon.h"
#include "platform/appkit/UserInput.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Localized.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEasingCurve>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QThreadPool>
#include <QVBoxLayout>

#include <memory>

namespace {

constexpr int kIconSize = 32;
constexpr int kLongestShownName = 280;

// Drawn when the icon theme has no lock images.
QPixmap drawnLock(bool locked)
{
    const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(QSize(kIconSize, kIconSize) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor ink = QApplication::palette().color(QPalette::WindowText);
    painter.setPen(QPen(ink, 3, Qt::SolidLine, Qt::RoundCap));
    QPainterPath shackle;
    shackle.moveTo(9, 15);
    shackle.lineTo(9, 10);
    shackle.arcTo(QRectF(9, 3, 14, 14), 180, -180);
    // An open lock's shackle stops short of the body.
    if (locked)
        shackle.lineTo(23, 15);
    painter.drawPath(shackle);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    painter.drawRoundedRect(QRectF(5, 15, 22, 15), 3, 3);
    return pixmap;
}

QPixmap lockImage(bool locked)
{
    const QString themeName
        = locked ? QStringLiteral("changes-prevent") : QStringLiteral("changes-allow");
    const QIcon themed = QIcon::fromTheme(themeName);
    // A theme's lock may come in colour; like every symbol it is drawn in the text colour.
    if (!themed.isNull())
        return platform::SymbolIcon::templateImage(themed).pixmap(kIconSize, kIconSize);
    return drawnLock(locked);
}

} // namespace

BXPasswordController::BXPasswordController(QObject* parent) : QObject(parent) { }

BXPasswordController::~BXPasswordController()
{
    delete m_window;
}

QDialog* BXPasswordController::window()
{
    if (!m_window)
        loadWindow();
    return m_window;
}

QLabel* BXPasswordController::lockIconView()
{
    window();
    return m_lockIconView;
}

QLabel* BXPasswordController::passwordCaption()
{
    window();
    return m_passwordCaption;
}

QLineEdit* BXPasswordController::passwordField()
{
    window();
    return m_passwordField;
}

void BXPasswordController::loadWindow()
{
    auto* dialog = new QDialog;
    dialog->setObjectName(QStringLiteral("BXPasswordWindow"));
    dialog->setWindowTitle(platform::localized(QStringLiteral("Password")));

    m_lockIconView = new QLabel(dialog);
    m_lockIconView->setFixedSize(kIconSize, kIconSize);
    m_passwordCaption = new QLabel(
        platform::localized(QStringLiteral("Please enter the password of this notes file:")),
        dialog);
    m_passwordCaption->setTextFormat(Qt::PlainText);
    m_passwordField = new QLineEdit(dialog);
    m_passwordField->setEchoMode(QLineEdit::Password);
    m_passwordField->setMinimumWidth(220);

    auto* buttons = new QDialogButtonBox(dialog);
    m_okButton = buttons->addButton(QDialogButtonBox::Ok);
    buttons->addButton(QDialogButtonBox::Cancel);
    m_okButton->setDefault(true);
    // The buttons decide how the window ends; accepting it directly would skip the check.
    connect(buttons, &QDialogButtonBox::accepted, this, &BXPasswordController::okPressed);
    connect(buttons, &QDialogButtonBox::rejected, this, &BXPasswordController::cancelPressed);

    auto* text = new QVBoxLayout;
    text->addWidget(m_passwordCaption);
    text->addWidget(m_passwordField);
    auto* top = new QHBoxLayout;
    top->addWidget(m_lockIconView, 0, Qt::AlignTop);
    top->addLayout(text, 1);
    auto* layout = new QVBoxLayout(dialog);
    layout->addLayout(top);
    layout->addWidget(buttons);

    m_shake = new QPropertyAnimation(m_lockIconView, "pos", m_lockIconView);
    m_shake->setDuration(kShakeDurationMs);
    m_shake->setEasingCurve(QEasingCurve::InOutQuad);

    m_window = dialog;
    lockIcon(true);
}

bool BXPasswordController::askPassword(const QString& storedPassword, const QString& documentName)
{
    m_attempts = 0;
    m_password = storedPassword;
    m_mode = AskMode;
    m_isSheet = false;
    m_ending = false;
    window();
    m_askCaption = documentName.isEmpty()
        ? platform::localized(QStringLiteral("Please enter the password of this notes file:"))
        : platform::localizedFormat(QStringLiteral("Please enter the password of “%@”:"),
            // Lines are not wrapped, so a long name is shortened in its middle.
            m_passwordCaption->fontMetrics().elidedText(
                documentName, Qt::ElideMiddle, kLongestShownName));
    setCaption(m_askCaption);
    m_passwordField->clear();
    lockIcon(true);
    const int code = PasswordDialogRunner::current().runModal(*this);
    if (m_window)
        m_window->hide();
    // A check still running belongs to the window that just ended.
    ++m_turn;
    setBusy(false);
    // Escape and the window's close button end the prompt without going through Cancel, and
    // mean the same; only the fourth wrong entry ends it through the check.
    if (code != 1 && !m_ending)
        m_password.reset();
    return code == 1;
}

void BXPasswordController::install()
{
    BXPasswordPrompt::setMaker([] { return std::make_unique<BXPasswordController>(); });
}

void BXPasswordController::setPasswordForWindow(
    QObject* window, BXPasswordControllerDelegate* delegate)
{
    QDialog* dialog = this->window();
    m_step = 0;
    m_mode = SetMode;
    m_password.reset();
    m_ending = false;
    lockIcon(false);
    m_passwordCaption->setText(
        platform::localized(QStringLiteral("Please enter the new password:")));
    m_passwordField->clear();
    m_delegate = delegate;
    m_isSheet = true;
    QPointer<BXPasswordController> self(this);
    platform::Sheet::begin(qobject_cast<QWidget*>(window), dialog, [self](int code) {
        if (self)
            self->passwordSheetDidEnd(code);
    });
}

void BXPasswordController::passwordSheetDidEnd(int returnCode)
{
    if (m_window)
        m_window->hide();
    ++m_turn;
    setBusy(false);
    m_isSheet = false;
    // Escape and the window's close button end the sheet without going through Cancel.
    if (returnCode != 1)
        m_password.reset();
    std::optional<QString> outcome = std::exchange(m_password, std::nullopt);
    if (BXPasswordControllerDelegate* delegate = std::exchange(m_delegate, nullptr))
        delegate->passwordSet(outcome);
}

void BXPasswordController::setCaption(const QString& text)
{
    m_passwordCaption->setText(text);
    // The window grows with a line more, which a shown window does not do alone.
    m_window->adjustSize();
}

void BXPasswordController::lockIcon(bool locked)
{
    m_locked = locked;
    if (m_lockIconView)
        m_lockIconView->setPixmap(lockImage(locked));
}

void BXPasswordController::vibrate()
{
    window();
    if (m_shake->state() == QAbstractAnimation::Running) {
        m_shake->stop();
        m_lockIconView->move(m_shakeOrigin);
    }
    m_shakeOrigin = m_lockIconView->pos();
    m_shake->setKeyValueAt(0.0, m_shakeOrigin);
    m_shake->setKeyValueAt(1.0 / 3.0, m_shakeOrigin - QPoint(kShakeDistance, 0));
    m_shake->setKeyValueAt(2.0 / 3.0, m_shakeOrigin + QPoint(kShakeDistance, 0));
    m_shake->setKeyValueAt(1.0, m_shakeOrigin);
    QPointer<QPropertyAnimation> shake = m_shake;
    platform::dispatchAsyncMain([shake] {
        if (shake)
            shake->start();
    });
}

void BXPasswordController::acceptPassword()
{
    if (m_step == 0) {
        // An empty password would guard nothing while asking for it at every opening.
        if (m_passwordField->text().isEmpty()) {
            beep();
            return;
        }
        m_step = 1;
        m_password = m_passwordField->text();
        m_passwordField->clear();
        lockIcon(true);
        m_passwordCaption->setText(
            platform::localized(QStringLiteral("Please re-enter the password:")));
        return;
    }
    if (m_passwordField->text() == m_password.value_or(QString())) {
        // The delegate gets the stored form; hashing fails only out of memory (logged), and
        // then nothing is set.
        auto stored = std::make_shared<QString>();
        runBusy([stored, typed = *m_password] { *stored = PasswordHash::hash(typed); },
            [this, stored] {
                m_password = *stored;
                endWithCode(stored->isEmpty() ? 0 : 1);
            });
        return;
    }
    beep();
    m_passwordField->clear();
}

void BXPasswordController::verifyPassword()
{
    auto matches = std::make_shared<bool>(false);
    runBusy(
        [matches, stored = m_password.value_or(QString()), typed = m_passwordField->text()] {
            *matches = PasswordHash::verify(stored, typed);
        },
        [this, matches] { passwordVerified(*matches); });
}

void BXPasswordController::passwordVerified(bool matches)
{
    if (matches) {
        m_ending = true;
        lockIcon(false);
        m_passwordField->clear();
        // Lets the user see the lock open before the window goes.
        platform::dispatchAfter(kUnlockedCloseDelay, this, [this] { endWithCode(1); });
        return;
    }
    if (m_attempts != kMaxWrongAttempts) {
        ++m_attempts;
        beep();
        // A beep alone is easily missed, or never heard.
        setCaption(m_askCaption + QStringLiteral("\n")
            + platform::localized(QStringLiteral("The password is wrong. Try again.")));
        return;
    }
    endWithCode(0);
}

void BXPasswordController::okPressed()
{
    if (m_ending || m_busy)
        return;
    if (m_mode != AskMode)
        acceptPassword();
    else
        verifyPassword();
}

void BXPasswordController::cancelPressed()
{
    m_password.reset();
    endWithCode(0);
}

void BXPasswordController::endWithCode(int code)
{
    m_ending = true;
    if (m_passwordField)
        m_passwordField->clear();
    if (m_window)
        platform::Sheet::end(m_window, code);
}

void BXPasswordController::runBusy(std::function<void()> work, std::function<void()> answer)
{
    setBusy(true);
    const quint64 turn = ++m_turn;
    QPointer<BXPasswordController> self(this);
    QThreadPool::globalInstance()->start(
        [self, turn, work = std::move(work), answer = std::move(answer)] {
            work();
            // The pointer is read only on the main thread, where the controller may have gone.
            QMetaObject::invokeMethod(
                qApp,
                [self, turn, answer] {
                    if (!self || self->m_turn != turn)
                        return;
                    self->setBusy(false);
                    answer();
                },
                Qt::QueuedConnection);
        });
}

void BXPasswordController::setBusy(bool busy)
{
    if (m_busy == busy)
        return;
    m_busy = busy;
    // Read-only rather than disabled, so the field keeps the focus for the next try.
    if (m_passwordField)
        m_passwordField->setReadOnly(busy);
    if (m_okButton)
        m_okButton->setEnabled(!busy);
    if (m_window) {
        if (busy)
            m_window->setCursor(Qt::BusyCursor);
        else
            m_window->unsetCursor();
    }
    emit busyChanged(busy);
}

void BXPasswordController::beep()
{
    platform::UserInput::current().beep();
    vibrate();
}

QPropertyAnimation* BXPasswordController::shakeAnimation() const
{
    return m_shake;
}
