#pragma once

// The help window: pages compiled into the program, one per help context
// number of the contraption windows and a contents page, shown in a small
// browser with Contents, Back and Forward.

#include <QUrl>
#include <QWidget>

class QPushButton;
class QTextBrowser;

class THelpViewer : public QWidget {
    Q_OBJECT
public:
    explicit THelpViewer(QWidget* parent = nullptr);

    // The page of a help context number, and whether the program has it.
    static QUrl PageUrl(int helpContext);
    static bool HasPage(int helpContext);
    static QUrl ContentsUrl();

    QTextBrowser* HelpBrowser;
    QPushButton* ContentsButton;
    QPushButton* BackButton;
    QPushButton* ForwardButton;
    QPushButton* CloseButton;

    // Shows the page of `helpContext`, or the contents when there is none.
    void ShowContext(int helpContext);
    void ShowContents();

private:
    void Open(const QUrl& url);
};
