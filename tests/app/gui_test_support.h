#pragma once

// A main window on a patch of its own: its own factory, an engine on the
// paced null device, settings in memory, and a recorder for the messages.

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <memory>
#include <string>
#include <vector>

#include "contraptions/contraption_windows.h"
#include "document/document.h"
#include "app/main_window.h"
#include "contraptions/contraption_types.h"
#include "controls/patcher_panel.h"
#include "framework/contraption_factory.h"
#include "framework/message_box.h"
#include "host/audio_engine_module.h"
#include "platform/audio/null_audio.h"
#include "platform/audio/scripted_audio.h"
#include "platform/settings/settings_store.h"

class TRecordedMessages : public TMessageBox {
public:
    struct Message {
        std::string text;
        std::string caption;
    };
    std::vector<Message> said;
    void Show(const std::string& text, const std::string& caption, TMessageIcon) override {
        said.push_back({text, caption});
    }
};

// Answers the next modal message boxes with `button`, keeping their texts.
class TModalAnswerer : public QObject {
public:
    explicit TModalAnswerer(QMessageBox::StandardButton button) : button(button) {
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr)
                return;
            texts.push_back({box->windowTitle(), box->text()});
            if (QAbstractButton* b = box->button(this->button))
                b->click();
            else
                box->reject();
        });
        timer.start();
    }
    QMessageBox::StandardButton button;
    std::vector<std::pair<QString, QString>> texts;
    QTimer timer;
};

struct TWindowFixture {
    TRecordedMessages messages;
    TMessageBox* previousMessages = SetMessages(&messages);
    TMemorySettingsStore settings;
    VXNullAudioSystem audio;
    VXScriptedAudioSystem failing;
    static constexpr int kFailedOpen = -16; // "Device or resource busy"
    TContraptionFactory factory;
    std::unique_ptr<TAudioEngineModule> engine;
    std::unique_ptr<TMainForm> form;

    // `failingDevices`: the devices are scripted ones whose next opening
    // fails (set `failing.failOpen` again for the next), instead of the
    // paced null device.
    explicit TWindowFixture(const QStringList& arguments = {}, bool show = true,
                            int windowWidth = 1000, bool failingDevices = false) {
        RegisterContraptionMakers(factory);
        RegisterContraptionForms(factory);
        // A saved placement keeps the window at a known size.
        settings.WriteInteger("Main Window", "Left", 0);
        settings.WriteInteger("Main Window", "Top", 0);
        settings.WriteInteger("Main Window", "Width", windowWidth);
        settings.WriteInteger("Main Window", "Height", 640);
        settings.WriteInteger("Main Window", "Maximized", 0);
        if (failingDevices)
            failing.failOpen = kFailedOpen;
        engine = std::make_unique<TAudioEngineModule>(
            nullptr, failingDevices ? static_cast<VXAudioSystem&>(failing) : audio, &factory);
        form = std::make_unique<TMainForm>(*engine, settings, factory, arguments);
        if (show) {
            form->show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        }
    }
    ~TWindowFixture() {
        form.reset();
        engine.reset();
        SetMessages(previousMessages);
    }

    VXPatcherPanel* Patcher() const { return form->PatcherPanel; }
    QWidget* PatcherView() const { return form->PatcherPanel->viewport(); }

    // Right-clicks the patcher at `at` and picks the type from "New".
    TQuorlingContraption* Create(const QString& type, QPoint at) {
        QTest::mousePress(PatcherView(), Qt::RightButton, {}, at);
        QTest::mouseRelease(PatcherView(), Qt::RightButton, {}, at);
        QApplication::processEvents();
        if (QMenu* popup = form->PatcherPopup; popup->isVisible())
            popup->hide();
        QAction* item = form->PatcherNewMenu->findChild<QAction*>(type);
        if (item == nullptr) {
            for (QMenu* sub : form->PatcherNewMenu->findChildren<QMenu*>())
                for (QAction* a : sub->actions())
                    if (a->objectName() == type)
                        item = a;
        }
        if (item == nullptr)
            return nullptr;
        const int before = Patcher()->NodeCount();
        item->trigger();
        if (Patcher()->NodeCount() == before)
            return nullptr;
        return static_cast<TQuorlingContraption*>(
            Patcher()->Nodes(Patcher()->NodeCount() - 1)->data);
    }

    VXPatcherNode* NodeOf(const TQuorlingContraption* c) const {
        for (int i = 0; i < Patcher()->NodeCount(); ++i)
            if (Patcher()->Nodes(i)->data == c)
                return Patcher()->Nodes(i);
        return nullptr;
    }

    static QPoint Outlet(const VXPatcherNode* n, int i) {
        return {n->bounds.left + 20 * i + 12, n->bounds.bottom - 2};
    }
    static QPoint Inlet(const VXPatcherNode* n, int i) {
        return {n->bounds.left + 20 * i + 12, n->bounds.top + 2};
    }
    static QPoint Body(const VXPatcherNode* n) {
        return {n->bounds.left + 8, (n->bounds.top + n->bounds.bottom) / 2};
    }

    // Draws a connection with the mouse, as a user does.
    void Connect(const TQuorlingContraption* from, int outlet, const TQuorlingContraption* to,
                 int inlet) {
        const QPoint a = Outlet(NodeOf(from), outlet);
        const QPoint b = Inlet(NodeOf(to), inlet);
        QTest::mouseMove(PatcherView(), a);
        QTest::mousePress(PatcherView(), Qt::LeftButton, {}, a);
        QTest::mouseMove(PatcherView(), a + QPoint(10, 10));
        QTest::mouseMove(PatcherView(), b);
        QTest::mouseRelease(PatcherView(), Qt::LeftButton, {}, b);
        QTest::mouseMove(PatcherView(), QPoint(2, 2));
    }

    void DoubleClick(const TQuorlingContraption* c) {
        QTest::mouseDClick(PatcherView(), Qt::LeftButton, {}, Body(NodeOf(c)));
    }
};

// Where the tests leave their pictures.
inline QString ScreenshotPath(const QString& name) {
    return QStringLiteral(ONDRAFEL_SCREENSHOT_DIR "/") + name + QStringLiteral(".png");
}
