#include "app/progress_form.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

TProgressPaintBox::TProgressPaintBox(QWidget* parent) : QWidget(parent) {
    setObjectName("PaintBox1");
    setFixedHeight(18);
}

int TProgressPaintBox::FilledCells() const {
    return static_cast<int>((width() / 8) * std::clamp(progress, 0.0, 1.0));
}

void TProgressPaintBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QColor highlight = palette().color(QPalette::Highlight);
    // Cell i covers x from 1 + 8i up to (not including) 7 + 8i.
    for (int i = 0, cells = FilledCells(); i < cells; ++i)
        p.fillRect(QRect(1 + 8 * i, 1, 6, height() - 2), highlight);
}

TProgressForm::TProgressForm(QWidget* parent) : QWidget(parent, Qt::Dialog) {
    setObjectName("ProgressForm");
    setWindowTitle(QStringLiteral("Ondrafel"));
    setWindowFlag(Qt::WindowCloseButtonHint, false);
    // Clicks elsewhere wait until the job is done.
    setWindowModality(Qt::ApplicationModal);
    setFixedWidth(360);

    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    Label2 = new QLabel(this);
    Label2->setObjectName("Label2");
    Label2->setTextFormat(Qt::PlainText);
    Label2->setWordWrap(true);
    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(1);
    PaintBox1 = new TProgressPaintBox(Panel1);
    auto* panelLayout = new QVBoxLayout(Panel1);
    panelLayout->setContentsMargins(1, 1, 1, 1);
    panelLayout->addWidget(PaintBox1);
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton->setObjectName("CancelButton");
    CancelButton->setEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Label2);
    layout->addWidget(Panel1);
    layout->addWidget(CancelButton, 0, Qt::AlignHCenter);
}

void TProgressForm::ShowProgress() {
    PaintBox1->progress = 0.0;
    adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r = frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
    show();
    raise();
    repaint();
}

void TProgressForm::SetProgress(double fraction) {
    PaintBox1->progress = fraction;
    if (isVisible())
        PaintBox1->repaint();
}

void TProgressForm::HideProgress() {
    hide();
}

void TProgressForm::closeEvent(QCloseEvent* event) {
    event->ignore();
}
