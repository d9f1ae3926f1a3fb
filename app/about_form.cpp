#include "app/about_form.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const char* const kVersion = "Version 0.7b4";

// Two sources patched into one sounding box, drawn on a 128-unit grid (the
// desktop icon, ondrafel.svg, is the same drawing).
void DrawLogo(QPainter& p, int size) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 128.0, size / 128.0);
    QLinearGradient back(0, 8, 0, 120);
    back.setColorAt(0.0, QColor(0x33, 0x47, 0x6f));
    back.setColorAt(1.0, QColor(0x12, 0x1a, 0x2b));
    p.setPen(Qt::NoPen);
    p.setBrush(back);
    p.drawRoundedRect(QRectF(8, 8, 112, 112), 22, 22);

    const auto cable = [&p](double x, const QColor& colour) {
        QPainterPath path(QPointF(x, 46));
        path.cubicTo(x, 68, 64, 60, 64, 82);
        p.setPen(QPen(colour, 5, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
    };
    const QColor orange(0xf0, 0xa0, 0x30), green(0x4f, 0xc0, 0x8d);
    cable(36, orange);
    cable(92, green);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xe8, 0xec, 0xf4));
    p.drawRoundedRect(QRectF(20, 26, 32, 20), 4, 4);
    p.drawRoundedRect(QRectF(76, 26, 32, 20), 4, 4);
    p.drawRoundedRect(QRectF(36, 82, 56, 24), 4, 4);

    QPainterPath wave(QPointF(46, 94));
    wave.cubicTo(50, 84, 54, 84, 58, 94);
    wave.cubicTo(62, 104, 66, 104, 70, 94);
    wave.cubicTo(74, 84, 78, 84, 82, 94);
    p.setPen(QPen(QColor(0x33, 0x47, 0x6f), 3, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(wave);

    p.setPen(Qt::NoPen);
    p.setBrush(orange);
    p.drawEllipse(QPointF(36, 46), 3.5, 3.5);
    p.setBrush(green);
    p.drawEllipse(QPointF(92, 46), 3.5, 3.5);
    p.restore();
}

QPixmap SplashPicture() {
    QPixmap pm(380, 200);
    QPainter p(&pm);
    QLinearGradient g(0, 0, 0, 200);
    g.setColorAt(0.0, QColor(0x26, 0x34, 0x52));
    g.setColorAt(1.0, QColor(0x0c, 0x11, 0x1d));
    p.fillRect(pm.rect(), g);
    p.translate(18, 36);
    DrawLogo(p, 128);
    p.resetTransform();
    QFont f = p.font();
    f.setPixelSize(40);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(235, 237, 242));
    p.drawText(QRect(160, 50, 210, 56), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Ondrafel"));
    f.setPixelSize(13);
    f.setBold(false);
    p.setFont(f);
    p.setPen(QColor(170, 180, 200));
    p.drawText(QRect(162, 104, 210, 20), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("modular sound processing"));
    p.drawText(QRect(0, 172, 366, 20), Qt::AlignRight | Qt::AlignVCenter,
               QString::fromLatin1(kVersion));
    return pm;
}

} // namespace

QPixmap OndrafelLogo(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    DrawLogo(p, size);
    return pm;
}

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent) {
    setObjectName("AboutForm");
    setWindowTitle(QStringLiteral("About Ondrafel"));

    ProgramIcon = new QLabel(this);
    ProgramIcon->setObjectName("ProgramIcon");
    ProgramIcon->setPixmap(OndrafelLogo(96));
    ProductName = new QLabel(QStringLiteral("Ondrafel"), this);
    ProductName->setObjectName("ProductName");
    QFont big = ProductName->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    ProductName->setFont(big);
    Version = new QLabel(QString::fromLatin1(kVersion), this);
    Version->setObjectName("Version");
    Comments =
        new QLabel(QStringLiteral("A modular sound-processing environment: patch generators, "
                                  "effects and mixers together and play them live against the "
                                  "tempo clock, record what you hear or render a pattern to a "
                                  "wave file."),
                   this);
    Comments->setObjectName("Comments");
    Comments->setWordWrap(true);
    OkButton = new QPushButton(QStringLiteral("OK"), this);
    OkButton->setObjectName("OkButton");
    OkButton->setDefault(true);
    connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
    // A click on the text sends the focus to the button.
    for (QLabel* l : {ProductName, Version, Comments})
        l->installEventFilter(this);

    auto* text = new QVBoxLayout;
    text->addWidget(ProductName);
    text->addWidget(Version);
    text->addSpacing(8);
    text->addWidget(Comments);
    text->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addWidget(ProgramIcon, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(OkButton, 0, Qt::AlignHCenter);
    setFixedWidth(400);
}

bool TAboutForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress && watched != OkButton)
        OkButton->setFocus();
    return QDialog::eventFilter(watched, event);
}

TSplashForm::TSplashForm()
    : QLabel(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName("SplashForm");
    setAttribute(Qt::WA_DeleteOnClose);
    setPixmap(SplashPicture());
    Timer1 = new QTimer(this);
    Timer1->setSingleShot(true);
    Timer1->setInterval(3000);
    connect(Timer1, &QTimer::timeout, this, &QWidget::close);
    Timer1->start();
}

void TSplashForm::mousePressEvent(QMouseEvent*) {
    close();
}
