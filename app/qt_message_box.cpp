#include "app/qt_message_box.h"

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
    QMessageBox box(qtIcon, QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::Ok, QApplication::activeWindow());
    box.setObjectName("MessageBox");
    box.exec();
}
