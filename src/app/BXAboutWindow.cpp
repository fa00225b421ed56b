#include "app/BXAboutWindow.h"

#include "app/BXDocumentController.h"
#include "platform/appkit/UrlOpener.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Localized.h"
#include "platform/text/RtfReader.h"

#include <QApplication>
#include <QFile>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

namespace {

const QString kDefaultCopyright
    = QStringLiteral("© 2026 The Brindlex authors. All rights reserved.");

QFont systemFont(qreal pointSize, QFont::Weight weight = QFont::Normal)
{
    QFont font = QApplication::font();
    font.setPointSizeF(pointSize);
    font.setWeight(weight);
    return font;
}

QLabel* label(const QString& text, const QFont& font, QPalette::ColorRole role, QWidget* parent)
{
    auto* field = new QLabel(text, parent);
    field->setTextFormat(Qt::PlainText);
    field->setFont(font);
    field->setAlignment(Qt::AlignCenter);
    field->setForegroundRole(role);
    return field;
}

QColor secondaryColor(const QPalette& palette)
{
    return palette.color(QPalette::PlaceholderText);
}

QFrame* divider(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

} // namespace

BXAboutWindow::BXAboutWindow(const Info& info, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle(platform::localized(QStringLiteral("menuAboutMarrowquill")));
    setFixedSize(kWidth, kHeight);
    QPalette secondary = palette();
    secondary.setColor(QPalette::WindowText, secondaryColor(palette()));

    auto* icon = new QLabel(this);
    icon->setFixedSize(128, 128);
    icon->setAlignment(Qt::AlignCenter);
    const QIcon appIcon = QApplication::windowIcon();
    if (!appIcon.isNull()) {
        icon->setPixmap(appIcon.pixmap(QSize(128, 128), devicePixelRatioF()));
        icon->setScaledContents(true);
    } else {
        // No application icon: a document picture at 64 pt in the secondary colour.
        const QIcon document = QIcon::fromTheme(
            QStringLiteral("text-x-generic"), style()->standardIcon(QStyle::SP_FileIcon));
        icon->setPixmap(document.pixmap(QSize(64, 64), devicePixelRatioF()));
        icon->setObjectName(QStringLiteral("documentSymbol"));
    }
    auto* name = label(platform::localized(QStringLiteral("aboutAppName")),
        systemFont(28, QFont::DemiBold), QPalette::WindowText, this);
    auto* version
        = label(platform::format(platform::localized(QStringLiteral("aboutVersionTemplate")),
                    info.version.isEmpty() ? QStringLiteral("1.0") : info.version,
                    info.build.isEmpty() ? QStringLiteral("1") : info.build),
            systemFont(13), QPalette::WindowText, this);
    version->setObjectName(QStringLiteral("versionLine"));
    version->setPalette(secondary);

    auto* header = new QVBoxLayout;
    header->setSpacing(12);
    header->setContentsMargins(0, 40, 0, 20);
    header->addWidget(icon, 0, Qt::AlignHCenter);
    header->addWidget(name);
    header->addWidget(version);

    m_credits = new QTextBrowser(this);
    m_credits->setReadOnly(true);
    // Selectable with the mouse, and copied with the keys; keyboard selection would show a
    // caret in text nobody can edit.
    m_credits->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_credits->setFrameShape(QFrame::NoFrame);
    m_credits->viewport()->setAutoFillBackground(false);
    m_credits->setStyleSheet(QStringLiteral("QTextBrowser { background: transparent; }"));
    m_credits->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_credits->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_credits->document()->setDocumentMargin(5);
    m_credits->setMaximumHeight(200);
    if (auto credits = creditsDocument(info.creditsPath, palette())) {
        credits->setParent(m_credits);
        credits->setDocumentMargin(5);
        m_credits->setDocument(credits.release());
    } else {
        QTextCharFormat format;
        format.setFont(systemFont(11));
        format.setForeground(secondaryColor(palette()));
        QTextCursor(m_credits->document())
            .insertText(platform::localized(QStringLiteral("aboutCreditsNotFound")), format);
    }
    auto* creditsBox = new QVBoxLayout;
    creditsBox->setContentsMargins(40, 16, 40, 16);
    creditsBox->addWidget(m_credits);

    auto* rights = label(info.copyright.isEmpty() ? kDefaultCopyright : info.copyright,
        systemFont(11), QPalette::WindowText, this);
    rights->setPalette(secondary);
    auto* links = new QHBoxLayout;
    links->setSpacing(20);
    links->addStretch(1);
    const QString site = BXDocumentController::kWebSiteBase;
    const std::pair<const char*, QString> pages[] = {
        { "aboutLinkWebsite", site },
        { "aboutLinkPrivacy", site + QStringLiteral("privacy") },
        { "aboutLinkSupport", site + QStringLiteral("support/") },
    };
    for (const auto& [key, address] : pages) {
        auto* link = new QPushButton(platform::localized(QString::fromLatin1(key)), this);
        link->setFlat(true);
        link->setCursor(Qt::PointingHandCursor);
        link->setFont(systemFont(11));
        link->setObjectName(QString::fromLatin1(key));
        QPalette linkPalette = link->palette();
        linkPalette.setColor(QPalette::ButtonText, palette().color(QPalette::Link));
        link->setPalette(linkPalette);
        connect(link, &QPushButton::clicked, this, [target = address] {
            const QUrl url(target, QUrl::StrictMode);
            if (url.isValid())
                platform::UrlOpener::current().openUrl(url);
        });
        links->addWidget(link);
    }
    links->addStretch(1);
    auto* footer = new QVBoxLayout;
    footer->setSpacing(12);
    footer->setContentsMargins(0, 20, 0, 40);
    footer->addWidget(rights);
    footer->addLayout(links);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(header);
    layout->addWidget(divider(this));
    layout->addLayout(creditsBox);
    layout->addWidget(divider(this));
    layout->addLayout(footer);
    layout->addStretch(1);
}

std::unique_ptr<QTextDocument> BXAboutWindow::creditsDocument(
    const QString& path, const QPalette& palette)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return nullptr;
    auto document = platform::RtfReader::read(file.readAll());
    if (!document)
        return nullptr;
    QTextCursor all(document.get());
    all.select(QTextCursor::Document);
    QTextCharFormat colour;
    colour.setForeground(palette.color(QPalette::Text));
    all.mergeCharFormat(colour);
    return document;
}

void BXAboutWindow::performClose()
{
    // Hidden, not destroyed: the presenter lets it go at the next About.
    hide();
}

void BXAboutWindow::keyPressEvent(QKeyEvent* event)
{
    // Exactly Ctrl+W: with Shift the key means something else to the base class. Escape closes
    // it as it does any panel.
    if ((event->key() == Qt::Key_W && event->modifiers() == Qt::ControlModifier)
        || (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier)) {
        performClose();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}
