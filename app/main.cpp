// Ondrafel: the application. Start-up shows the splash window, makes the
// engine module, the main window and the preset menu, and runs the message
// loop until the main window closes.

#include <QApplication>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <clocale>
#include <cmath>
#include <exception>

#include "app/contraption_form.h"
#include "app/contraption_forms.h"
#include "app/main_window.h"
#include "app/preset_menu_form.h"
#include "app/qt_message_box.h"
#include "app/qt_settings_store.h"
#include "app/sound_in_window.h"
#include "contraptions/contraption_types.h"
#include "framework/contraption_factory.h"
#include "framework/message_box.h"
#include "host/audio_engine_module.h"

namespace {

// An exception that reaches the message loop is shown, and the program
// carries on.
class TOndrafelApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            ShowMessage(e.what(), "Ondrafel", TMessageIcon::Error);
        } catch (...) {
            ShowMessage("An unexpected error occurred.", "Ondrafel", TMessageIcon::Error);
        }
        return false;
    }
};

QPixmap SplashPicture() {
    QPixmap pm(360, 200);
    QPainter p(&pm);
    QLinearGradient g(0, 0, 0, 200);
    g.setColorAt(0.0, QColor(36, 48, 72));
    g.setColorAt(1.0, QColor(12, 16, 28));
    p.fillRect(pm.rect(), g);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(90, 170, 120), 2.0));
    QPainterPath wave;
    for (int x = 0; x <= 360; x += 2) {
        const double y = 140 + 18 * std::sin(x / 22.0) * std::sin(x / 97.0);
        if (x == 0)
            wave.moveTo(x, y);
        else
            wave.lineTo(x, y);
    }
    p.drawPath(wave);
    QFont f = p.font();
    f.setPixelSize(40);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(235, 235, 240));
    p.drawText(QRect(0, 30, 360, 60), Qt::AlignCenter, QStringLiteral("Ondrafel"));
    f.setPixelSize(12);
    f.setBold(false);
    p.setFont(f);
    p.drawText(QRect(0, 170, 350, 20), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("Version 0.7b4"));
    return pm;
}

} // namespace

int main(int argc, char** argv) {
    TOndrafelApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ondrafel"));
    QApplication::setApplicationDisplayName(QStringLiteral("Ondrafel"));
    QApplication::setOrganizationName(QStringLiteral("Kestrovan"));
    // Numbers are written and read with "." whatever the user's locale.
    QLocale::setDefault(QLocale::c());
    std::setlocale(LC_NUMERIC, "C");

    auto* splash =
        new QLabel(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    splash->setAttribute(Qt::WA_DeleteOnClose);
    splash->setPixmap(SplashPicture());
    splash->show();
    QTimer::singleShot(3000, splash, &QLabel::close);

    TQtMessageBox messages;
    SetMessages(&messages);
    TQtSettingsStore settings;
    TContraptionFactory& factory = TContraptionFactory::Instance();
    RegisterContraptionMakers(factory);
    RegisterContraptionForms(factory);

    int result = 0;
    {
        TAudioEngineModule engine(&settings, VXDefaultAudioSystem(), &factory);
        QStringList arguments = QApplication::arguments();
        arguments.removeFirst();
        TMainForm form(engine, settings, factory, arguments);
        TSoundInForm::SourceChanged = [&form] { form.UpdateTransportControls(); };
        TPresetMenuForm::Instance();
        form.show();
        splash->raise();
        result = QApplication::exec();
        TSoundInForm::SourceChanged = nullptr;
    }
    settings.Sync();
    SetMessages(nullptr);
    return result;
}
