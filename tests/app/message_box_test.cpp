#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <gtest/gtest.h>

#include "app/qt_message_box.h"

namespace {

// The start-up splash closes itself after a moment. A device error shown
// while it is the active window must neither sit on it nor go down with it,
// nor stay hidden under it: the splash goes when the box comes.
TEST(QtMessageBox, OutlivesTheSplashWindowThatWasActiveWhenItOpened) {
    QPointer<QLabel> splash =
        new QLabel(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    splash->setAttribute(Qt::WA_DeleteOnClose);
    splash->show();
    QApplication::setActiveWindow(splash);

    bool sawBox = false;
    bool splashShownWithBox = true;
    QWidget* boxParent = splash;
    QTimer::singleShot(50, [&] {
        splashShownWithBox = splash != nullptr && splash->isVisible();
        if (splash)
            splash->close(); // deleted at the next turn of the event loop
        QTimer::singleShot(50, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* box = qobject_cast<QMessageBox*>(w); box != nullptr && box->isVisible()) {
                    sawBox = true;
                    boxParent = box->parentWidget();
                    box->accept();
                }
            }
        });
    });
    TQtMessageBox messages;
    messages.Show("Unknown PCM default", "Ondrafel", TMessageIcon::Error);
    EXPECT_TRUE(sawBox);
    EXPECT_EQ(boxParent, nullptr);
    EXPECT_FALSE(splashShownWithBox);
}

} // namespace
