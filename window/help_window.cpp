#include "help_window.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

CHelpWindow::CHelpWindow(QWidget* owner) : QWidget(owner, Qt::Window), browser(new QTextBrowser(this))
{
    setWindowTitle("Framira Help");
    resize(720, 560);
    browser->setOpenLinks(true);
    browser->setOpenExternalLinks(false);
    connect(browser, &QTextBrowser::anchorClicked, this, [](const QUrl& url) {
        if (!url.isLocalFile() && !url.isRelative())
            QDesktopServices::openUrl(url);
    });
    auto* back = new QPushButton("&Back", this);
    auto* forward = new QPushButton("&Forward", this);
    auto* home = new QPushButton("&Contents", this);
    connect(back, &QPushButton::clicked, browser, &QTextBrowser::backward);
    connect(forward, &QPushButton::clicked, browser, &QTextBrowser::forward);
    connect(home, &QPushButton::clicked, this, [this] { browser->setSource(contents); });
    connect(browser, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    connect(browser, &QTextBrowser::forwardAvailable, forward, &QPushButton::setEnabled);
    back->setEnabled(false);
    forward->setEnabled(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(back);
    buttons->addWidget(forward);
    buttons->addWidget(home);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(browser);
}

void CHelpWindow::ShowPage(const QUrl& page)
{
    contents = page;
    browser->setSource(page);
    show();
    raise();
    activateWindow();
}
