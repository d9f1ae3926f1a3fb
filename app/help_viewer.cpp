#include "app/help_viewer.h"

#include <QFile>
#include <QHBoxLayout>
#include <QPushButton>
#include <QShortcut>
#include <QTextBrowser>
#include <QVBoxLayout>

// The pages live in a static library: without a reference from code that
// is linked, their resource object would be left out of the program. (At
// global scope: the macro declares the resource's function where it stands.)
static void InitHelpResources() {
    static bool done = false;
    if (!done) {
        Q_INIT_RESOURCE(help);
        done = true;
    }
}

THelpViewer::THelpViewer(QWidget* parent) : QWidget(parent, Qt::Window) {
    InitHelpResources();
    setObjectName("HelpViewer");
    setWindowTitle(QStringLiteral("Ondrafel Help"));

    HelpBrowser = new QTextBrowser(this);
    HelpBrowser->setObjectName("HelpBrowser");
    HelpBrowser->setOpenExternalLinks(true);
    ContentsButton = new QPushButton(QStringLiteral("&Contents"), this);
    ContentsButton->setObjectName("ContentsButton");
    BackButton = new QPushButton(QStringLiteral("&Back"), this);
    BackButton->setObjectName("BackButton");
    ForwardButton = new QPushButton(QStringLiteral("&Forward"), this);
    ForwardButton->setObjectName("ForwardButton");
    CloseButton = new QPushButton(QStringLiteral("Close"), this);
    CloseButton->setObjectName("CloseButton");
    BackButton->setEnabled(false);
    ForwardButton->setEnabled(false);

    connect(ContentsButton, &QPushButton::clicked, this, &THelpViewer::ShowContents);
    connect(BackButton, &QPushButton::clicked, HelpBrowser, &QTextBrowser::backward);
    connect(ForwardButton, &QPushButton::clicked, HelpBrowser, &QTextBrowser::forward);
    connect(CloseButton, &QPushButton::clicked, this, &QWidget::close);
    // A window of its own, so Escape closes it as it closes a dialog.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    connect(HelpBrowser, &QTextBrowser::backwardAvailable, BackButton, &QPushButton::setEnabled);
    connect(HelpBrowser, &QTextBrowser::forwardAvailable, ForwardButton, &QPushButton::setEnabled);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ContentsButton);
    buttons->addWidget(BackButton);
    buttons->addWidget(ForwardButton);
    buttons->addStretch(1);
    buttons->addWidget(CloseButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(HelpBrowser, 1);
    resize(560, 520);
}

QUrl THelpViewer::PageUrl(int helpContext) {
    return QUrl(QStringLiteral("qrc:/help/%1.html").arg(helpContext));
}

bool THelpViewer::HasPage(int helpContext) {
    InitHelpResources();
    return QFile::exists(QStringLiteral(":/help/%1.html").arg(helpContext));
}

QUrl THelpViewer::ContentsUrl() {
    return QUrl(QStringLiteral("qrc:/help/contents.html"));
}

void THelpViewer::ShowContext(int helpContext) {
    Open(HasPage(helpContext) ? PageUrl(helpContext) : ContentsUrl());
}

void THelpViewer::ShowContents() {
    Open(ContentsUrl());
}

void THelpViewer::Open(const QUrl& url) {
    if (HelpBrowser->source() != url)
        HelpBrowser->setSource(url);
    show();
    raise();
    activateWindow();
}
