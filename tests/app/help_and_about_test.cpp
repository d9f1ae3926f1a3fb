#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QToolButton>
#include <gtest/gtest.h>
#include <set>

#include "app/about_form.h"
#include "forms/contraption_form.h"
#include "app/help_viewer.h"
#include "dialog_test_support.h"
#include "framework/contraption_form_state.h"
#include "framework/contraption_maker.h"
#include "gui_test_support.h"

namespace {

QString PageText(const QUrl& url) {
    QFile file(QStringLiteral(":") + url.path());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

// Every type's window opens its own page with its help button; a window
// whose page is missing fails here, so new contraptions bring their page.
TEST(HelpTest, EveryContraptionWindowOpensItsPage) {
    TWindowFixture f;
    std::set<int> contexts;
    int x = 10;
    for (int i = 0; i < f.factory.MakerCount(); ++i) {
        const QString type = QString::fromLatin1(f.factory.Maker(i)->typeName);
        TQuorlingContraption* c = f.Create(type, {x, 20});
        x = (x + 60) % 600;
        if (c == nullptr)
            continue; // a second SoundIn or SoundOut is refused
        c->ShowForm();
        auto* form = dynamic_cast<TContraptionForm*>(c->formState->form);
        if (form == nullptr)
            continue; // busses have no window
        SCOPED_TRACE(type.toStdString());
        EXPECT_TRUE(THelpViewer::HasPage(form->helpContext)) << form->helpContext;
        form->ODHelpButton->click();
        EXPECT_TRUE(f.form->HelpViewer->isVisible());
        EXPECT_EQ(f.form->HelpViewer->HelpBrowser->source(),
                  THelpViewer::PageUrl(form->helpContext));
        EXPECT_FALSE(f.form->HelpViewer->HelpBrowser->documentTitle().isEmpty());
        contexts.insert(form->helpContext);
        form->CloseForm();
    }
    const std::set<int> known = {1000, 1001, 1002, 1014, 1015, 1016, 1017};
    for (int k : known)
        EXPECT_TRUE(contexts.count(k) == 1) << k;
    f.form->HelpViewer->HelpBrowser->setSource(THelpViewer::PageUrl(1015));
    f.form->HelpViewer->grab().save(ScreenshotPath("help_pan_pot_mixers"));
}

TEST(HelpTest, HelpTopicsAndF1OpenTheContents) {
    TWindowFixture f;
    THelpViewer& viewer = *f.form->HelpViewer;
    f.form->HelpTopicsItem->trigger();
    EXPECT_TRUE(viewer.isVisible());
    EXPECT_EQ(viewer.HelpBrowser->source(), THelpViewer::ContentsUrl());
    EXPECT_EQ(viewer.HelpBrowser->documentTitle(), "Ondrafel Help");
    viewer.grab().save(ScreenshotPath("help_contents"));

    viewer.ShowContext(1001);
    EXPECT_TRUE(viewer.BackButton->isEnabled());
    viewer.hide();
    f.form->activateWindow();
    QTest::keyClick(f.form.get(), Qt::Key_F1);
    EXPECT_TRUE(viewer.isVisible());
    EXPECT_EQ(viewer.HelpBrowser->source(), THelpViewer::ContentsUrl());

    // A number without a page of its own shows the contents.
    viewer.ShowContext(1001);
    viewer.ShowContext(4242);
    EXPECT_EQ(viewer.HelpBrowser->source(), THelpViewer::ContentsUrl());
}

// Every link between the pages leads to a page that exists.
TEST(HelpTest, LinksBetweenPagesResolve) {
    const QRegularExpression href(QStringLiteral("href=\"([^\"#:]+)\""));
    std::vector<QUrl> pages = {THelpViewer::ContentsUrl()};
    for (int k : {1000, 1001, 1002, 1014, 1015, 1016, 1017})
        pages.push_back(THelpViewer::PageUrl(k));
    for (const QUrl& page : pages) {
        const QString text = PageText(page);
        ASSERT_FALSE(text.isEmpty()) << page.toString().toStdString();
        for (const QRegularExpressionMatch& m : href.globalMatch(text)) {
            const QUrl target = page.resolved(QUrl(m.captured(1)));
            EXPECT_FALSE(PageText(target).isEmpty())
                << page.toString().toStdString() << " -> " << m.captured(1).toStdString();
        }
    }
}

TEST(AboutTest, ShowsNameVersionAndPicture) {
    TWindowFixture f;
    OnNextModal<TAboutForm>([](TAboutForm& a) {
        EXPECT_EQ(a.windowTitle(), "About Ondrafel");
        EXPECT_EQ(a.ProductName->text(), "Ondrafel");
        EXPECT_EQ(a.Version->text(), "Version 0.7b4");
        EXPECT_FALSE(a.ProgramIcon->pixmap().isNull());
        QTest::mouseClick(a.Comments, Qt::LeftButton);
        // The window may not be active on a busy machine; ask which child
        // holds its focus rather than whether the focus is on screen.
        EXPECT_EQ(a.focusWidget(), a.OkButton);
        a.grab().save(ScreenshotPath("about"));
        a.OkButton->click();
    });
    f.form->HelpAboutItem->trigger();
    EXPECT_FALSE(f.form->AboutForm->isVisible());
}

TEST(AboutTest, SplashClosesItselfAndAtAClick) {
    QPointer<TSplashForm> splash = new TSplashForm;
    EXPECT_TRUE(splash->Timer1->isActive());
    EXPECT_EQ(splash->Timer1->interval(), 3000);
    splash->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(splash.data()));
    splash->grab().save(ScreenshotPath("splash"));
    QTest::mouseClick(splash.data(), Qt::LeftButton);
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(splash.isNull());
}

} // namespace
