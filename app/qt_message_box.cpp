#include "app/qt_message_box.h"

#include <QPointer>

#include <QApplication>
#include <QMessageBox>

void TQtMessageBox::Show(const std::string& text, const std::string& caption, TMessageIcon icon) {
    QMessageBox::Icon qtIcon = QMessageBox::NoIcon;
    switch (icon) {
    case TMessageIcon::None:
        break;
    case TMessageIcon::Information:
        qtIcon = QMessageBox::Information;
        break;
    case TMessageIcon::Warning:
        qtIcon = QMessageBox::Warning;
        break;
    case TMessageIcon::Error:
        qtIcon = QMessageBox::Critical;
        break;
    }
    // The splash stays on top of everything: it would hide the message for
    // the rest of its moment, so it goes now.
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && (w->windowFlags() & Qt::SplashScreen) == Qt::SplashScreen)
            w->close();
    // Not over the splash window: it closes itself (and would take a child
    // box with it) while the box is still waiting for its OK.
    QWidget* parent = QApplication::activeWindow();
    if (parent != nullptr && (parent->windowFlags() & Qt::SplashScreen) == Qt::SplashScreen)
        parent = nullptr;
    // On the heap behind a guard: should the parent go away during exec(),
    // the box goes with it instead of being freed as a stack object.
    QPointer<QMessageBox> box =
        new QMessageBox(qtIcon, QString::fromStdString(caption), QString::fromStdString(text),
                        QMessageBox::Ok, parent);
    box->setObjectName("MessageBox");
    box->exec();
    delete box.data();
}
