#include "forms/main/Help.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "forms/common/Platform.h"
#include "photos/settings/ProgramFolder.h"

namespace vellumora {

QString HelpIndexFile() {
    const QString folder = ShippedDataFolder();
    if (folder.isEmpty()) return {};
    const QString index = folder + QStringLiteral("/help/index.html");
    return QFileInfo(index).isFile() ? index : QString();
}

QUrl HomepageUrl() {
    // The project's address, as the package and the software centre name it.
    return QUrl(QStringLiteral(VELLUMORA_HOMEPAGE));
}

TFormHelp::TFormHelp(TPlatform& platform, QWidget* parent)
    : QWidget(parent, Qt::Window), platform_(platform) {
    setObjectName(QStringLiteral("FormHelp"));
    setWindowTitle(QStringLiteral("Vellumora Help"));
    resize(760, 620);

    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("BrowserHelp"));
    browser_->setAccessibleName(QStringLiteral("Guide page"));
    // Links are followed here: pages of the guide in place, the rest by the desktop.
    browser_->setOpenLinks(false);
    connect(browser_, &QTextBrowser::anchorClicked, this, &TFormHelp::LinkClicked);

    const auto button = [this](const char* name, const char* caption, QKeySequence key) {
        auto* made = new QPushButton(QLatin1String(caption), this);
        made->setObjectName(QLatin1String(name));
        made->setShortcut(key);
        made->setAutoDefault(false);
        return made;
    };
    QPushButton* back = button("ButtonBack", "&Back", QKeySequence::Back);
    QPushButton* forward = button("ButtonForward", "&Forward", QKeySequence::Forward);
    QPushButton* contents = button("ButtonContents", "&Contents", QKeySequence());
    QPushButton* outside = button("ButtonBrowser", "Open in &Web Browser", QKeySequence());
    QPushButton* close = button("ButtonClose", "Close", QKeySequence(Qt::Key_Escape));
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QWidget::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward, &QWidget::setEnabled);
    connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward, &QPushButton::clicked, browser_, &QTextBrowser::forward);
    connect(contents, &QPushButton::clicked, this, [this] { ShowPage(); });
    connect(outside, &QPushButton::clicked, this,
            [this] { platform_.OpenUrl(browser_->source()); });
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {back, forward, contents}) buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(outside);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(browser_);
    setTabOrder(back, forward);
    setTabOrder(forward, contents);
    setTabOrder(contents, outside);
    setTabOrder(outside, close);
    setTabOrder(close, browser_);
}

void TFormHelp::ShowPage(const QUrl& page) {
    const QUrl target = page.isEmpty() ? QUrl::fromLocalFile(HelpIndexFile()) : page;
    if (browser_->source() != target) browser_->setSource(target);
    show();
    raise();
    activateWindow();
    browser_->setFocus();
}

void TFormHelp::LinkClicked(const QUrl& link) {
    const QUrl target = browser_->source().resolved(link);
    if (target.isLocalFile() && QFileInfo(target.toLocalFile()).isFile())
        browser_->setSource(target);  // an anchor on the same page only scrolls
    else
        platform_.OpenUrl(target);
}

}  // namespace vellumora
