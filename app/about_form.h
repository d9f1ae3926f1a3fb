#pragma once

// "About Ondrafel" with the program's picture, and the splash window shown
// while the program starts.

#include <QDialog>
#include <QLabel>
#include <QPixmap>

class QPushButton;
class QTimer;

// The program's picture (the same drawing as its desktop icon), `size`
// pixels square.
QPixmap OndrafelLogo(int size);

class TAboutForm : public QDialog {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* parent = nullptr);

    QLabel* ProgramIcon;
    QLabel* ProductName;
    QLabel* Version;
    QLabel* Comments;
    QPushButton* OkButton;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// A borderless picture with the version that stays on top and closes
// itself after three seconds, or at a click.
class TSplashForm : public QLabel {
    Q_OBJECT
public:
    TSplashForm();
    QTimer* Timer1;

protected:
    void mousePressEvent(QMouseEvent* event) override;
};
