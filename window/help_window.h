#pragma once
// The program's own help window: the HTML help pages in a browser pane with
// back, forward and contents, so help works on a desktop without a web
// browser too. Links to other sites go to the desktop's browser.

#include <QUrl>
#include <QWidget>

class QTextBrowser;

class CHelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit CHelpWindow(QWidget* owner);
    // Shows `page` (the table of contents) and brings the window forward.
    void ShowPage(const QUrl& page);

private:
    QTextBrowser* browser;
    QUrl contents;
};
