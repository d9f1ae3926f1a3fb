#pragma once

// The window that shows how far a long job (the pattern render) has come:
// two lines of text, a bar of cells and a Cancel button that stays
// disabled, because the job runs on the interface thread and cannot be
// interrupted half-way through a file. The user cannot close it; the job
// hides it when done.

#include <QWidget>

class QFrame;
class QLabel;
class QPushButton;

// The progress bar: cells 6 pixels wide on an 8-pixel pitch, filled in the
// highlight colour for the fraction done.
class TProgressPaintBox : public QWidget {
    Q_OBJECT
public:
    explicit TProgressPaintBox(QWidget* parent = nullptr);
    double progress = 0.0;
    // The cells filled at the current width and progress.
    int FilledCells() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

class TProgressForm : public QWidget {
    Q_OBJECT
public:
    explicit TProgressForm(QWidget* parent = nullptr);

    QLabel* Label1;
    QLabel* Label2;
    QPushButton* CancelButton;
    QFrame* Panel1;
    TProgressPaintBox* PaintBox1;

    // Progress 0, centred on the screen, shown and painted at once.
    void ShowProgress();
    // `fraction` of 0..1; repainted at once while visible.
    void SetProgress(double fraction);
    void HideProgress();
    double Progress() const { return PaintBox1->progress; }

protected:
    void closeEvent(QCloseEvent* event) override;
};
