// Ondrafel: the application. Start-up shows the splash window, makes the
// engine module, the main window and the preset menu, and runs the message
// loop until the main window closes.

#include <QApplication>
#include <QIcon>
#include <QLocale>
#include <QPointer>
#include <clocale>
#include <exception>

#include "app/about_form.h"
#include "forms/contraption_form.h"
#include "contraptions/contraption_windows.h"
#include "app/main_window.h"
#include "forms/preset_menu_form.h"
#include "app/qt_message_box.h"
#include "app/qt_settings_store.h"
#include "contraptions/io/sound_in_window.h"
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

} // namespace

int main(int argc, char** argv) {
    TOndrafelApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ondrafel"));
    // No display name: the window system would append it to every title
    // ("Ondrafel Settings — Ondrafel"); the titles carry the name where
    // they need it.
    QApplication::setOrganizationName(QStringLiteral("Kestrovan"));
    // Numbers are written and read with "." whatever the user's locale.
    QLocale::setDefault(QLocale::c());
    std::setlocale(LC_NUMERIC, "C");

    QApplication::setWindowIcon(QIcon(OndrafelLogo(64)));
    // Closes itself after a moment (it deletes itself when closed).
    QPointer<TSplashForm> splash = new TSplashForm;
    splash->show();

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
        if (splash)
            splash->raise();
        result = QApplication::exec();
        TSoundInForm::SourceChanged = nullptr;
    }
    settings.Sync();
    SetMessages(nullptr);
    return result;
}
