// The controls gallery: every control of the patcher and the contraption
// windows with sample content, at the sizes the windows use.
//
//   ondrafel-gallery [--screenshot FILE] [--dark]
//
// --screenshot saves a picture of the window (at the screen's device pixel
// ratio) and exits; --dark shows the controls under a dark palette, to see
// that they follow the desktop's colours.

#include <QApplication>
#include <QCommandLineParser>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPalette>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleFactory>
#include <QTimer>
#include <cstdio>

#include "controls/knob.h"
#include "controls/meter.h"
#include "controls/patcher_panel.h"
#include "controls/piano_keyboard.h"
#include "controls/piano_notes.h"
#include "controls/range_slider.h"
#include "controls/slider.h"
#include "controls/validated_edit.h"

namespace {

QLabel* Caption(QWidget* parent, const QString& text, int x, int y, int width = 80) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(x, y, width, 16);
    return label;
}

QGroupBox* Group(QWidget* parent, const QString& title, QRect r) {
    auto* box = new QGroupBox(title, parent);
    box->setGeometry(r);
    return box;
}

// Sends a mouse event as the window system would, so that the gallery can
// show states that only the mouse reaches (port highlights, chords).
void Mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button) {
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void Click(QWidget* w, QPoint at) {
    Mouse(w, QEvent::MouseButtonPress, at, Qt::LeftButton);
    Mouse(w, QEvent::MouseButtonRelease, at, Qt::LeftButton);
}

class Gallery : public QWidget {
public:
    Gallery() {
        setWindowTitle("Ondrafel controls");
        setFixedSize(780, 500);

        // The patcher with a small patch.
        QGroupBox* patch = Group(this, "Patcher", QRect(8, 8, 360, 484));
        patcher = new VXPatcherPanel(patch);
        patcher->setObjectName("PatcherPanel");
        patcher->SetBorderStyle(VXScrollingCanvas::bsSingle);
        patcher->setGeometry(8, 22, 344, 454);
        VXPatcherNode* sig = patcher->AddNode(24, 20, "TestSig_1", 0, 1, nullptr);
        VXPatcherNode* noise = patcher->AddNode(150, 24, "Bassline_1", 0, 1, nullptr);
        VXPatcherNode* ring = patcher->AddNode(40, 110, "RingAM_1", 2, 1, nullptr);
        VXPatcherNode* delay = patcher->AddNode(170, 150, "StereoDelay_1", 2, 2, nullptr);
        VXPatcherNode* mixer = patcher->AddNode(60, 240, "S4Mixer_1", 4, 2, nullptr);
        VXPatcherNode* reverb = patcher->AddNode(210, 300, "NastyReverb_1", 2, 2, nullptr);
        VXPatcherNode* out = patcher->AddNode(110, 380, "SoundOut_1", 2, 0, nullptr);
        patcher->AddConnection(sig, 0, ring, 0);
        patcher->AddConnection(noise, 0, ring, 1);
        patcher->AddConnection(noise, 0, delay, 0);
        patcher->AddConnection(ring, 0, mixer, 0);
        patcher->AddConnection(delay, 0, mixer, 1);
        patcher->AddConnection(delay, 1, mixer, 2);
        patcher->AddConnection(mixer, 0, reverb, 0);
        patcher->AddConnection(mixer, 1, reverb, 1);
        VXPatcherConnection* left = patcher->AddConnection(reverb, 0, out, 0);
        patcher->AddConnection(reverb, 1, out, 1);
        // A feedback path drawn upwards.
        patcher->AddConnection(reverb, 1, delay, 1);
        patcher->SelectNodeAlone(delay);
        patcher->SelectConnection(left);

        // Knobs at the contraption windows' size, and one larger.
        QGroupBox* knobs = Group(this, "Knobs", QRect(376, 8, 396, 112));
        struct KnobSample {
            const char* label;
            double min, max, value;
            VXTickStyle ticks;
            VXDWKnobScale scale;
        };
        const KnobSample samples[] = {
            {"Volume", 0, 1, 0.0, tsNone, ksLinear},
            {"Cutoff", 0, 1, 0.5, tsNone, ksLinear},
            {"Freq", 20, 1500, 440, tsNone, ksLinear},
            {"Cf log", 50, 18000, 3014, tsNone, ksLogarithmic},
            {"Gain", 0, 10, 7, tsAuto, ksLinear},
        };
        int x = 10;
        for (const KnobSample& s : samples) {
            auto* knob = new VXDWKnob(knobs);
            knob->SetMin(s.min);
            knob->SetMax(s.max);
            knob->SetValue(s.value);
            knob->SetTickStyle(s.ticks);
            knob->SetScale(s.scale);
            const int size = s.ticks == tsNone ? 35 : 49;
            knob->setGeometry(x, 26 + (49 - size) / 2, size, size);
            Caption(knobs, s.label, x - 4, 80, 64)->setAlignment(Qt::AlignHCenter);
            x += size + 18;
        }
        auto* big = new VXDWKnob(knobs);
        big->SetTickStyle(tsManual);
        for (double v : {0.0, 0.25, 0.5, 0.75, 1.0})
            big->AddTick(v);
        big->SetValue(0.8);
        big->setGeometry(326, 22, 64, 64);
        Caption(knobs, "Manual ticks", 316, 88, 80)->setAlignment(Qt::AlignHCenter);

        // Sliders: vertical ones as in the additive synthesizer, horizontal
        // ones as in the effect windows.
        QGroupBox* sliders = Group(this, "Sliders", QRect(376, 126, 396, 192));
        auto* plain = new VXDWSlider(sliders);
        plain->setGeometry(12, 26, 20, 140);
        plain->SetValue(0.7);
        Caption(sliders, "Gain", 8, 170, 40);
        auto* ticked = new VXDWSlider(sliders);
        ticked->setGeometry(46, 26, 25, 140);
        ticked->SetMin(20);
        ticked->SetMax(1000);
        ticked->SetScale(scLogarithmic);
        ticked->SetTickStyle(tsManual);
        for (double v : {50.0, 100.0, 200.0, 500.0})
            ticked->AddTick(v);
        ticked->SetValue(141.42);
        Caption(sliders, "Freq", 44, 170, 40);
        auto* range = new VXDWRangeSlider(sliders);
        range->setGeometry(86, 26, 25, 140);
        range->SetTickStyle(tsAuto);
        range->SetFrequency(0.1);
        range->SetValue0(0.2);
        range->SetValue1(0.65);
        Caption(sliders, "Amp", 84, 170, 40);

        Caption(sliders, "Reverb time:", 128, 28, 90);
        auto* reverbTime = new VXDWSlider(sliders);
        reverbTime->SetOrientation(soHorizontal);
        reverbTime->setGeometry(218, 26, 140, 20);
        reverbTime->SetMin(0.1);
        reverbTime->SetMax(10);
        reverbTime->SetValue(2.5);
        Caption(sliders, "Delay:", 128, 62, 90);
        auto* delaySlider = new VXDWSlider(sliders);
        delaySlider->SetOrientation(soHorizontal);
        delaySlider->setGeometry(218, 58, 140, 25);
        delaySlider->SetMax(20000);
        delaySlider->SetTickStyle(tsAuto);
        delaySlider->SetFrequency(2500);
        delaySlider->SetValue(12000);
        Caption(sliders, "Range:", 128, 98, 90);
        auto* band = new VXDWRangeSlider(sliders);
        band->SetOrientation(rsHorizontal);
        band->setGeometry(218, 94, 140, 25);
        band->SetMin(20);
        band->SetMax(4000);
        band->SetScale(rscLogarithmic);
        band->SetTickStyle(tsManual);
        for (double v : {100.0, 1000.0})
            band->AddTick(v);
        band->SetValue0(200);
        band->SetValue1(2000);
        Caption(sliders, "Rate:", 128, 134, 90);
        auto* rate = new VXDWSlider(sliders);
        rate->SetOrientation(soHorizontal);
        rate->setGeometry(218, 130, 140, 20);
        rate->SetMin(0.001);
        rate->SetMax(100);
        rate->SetScale(scLogarithmic);
        rate->SetValue(1);
        // Number fields as the windows mark them: taken, out of range, not
        // a number.
        Caption(sliders, "Fields:", 128, 164, 90);
        int fieldX = 218;
        for (const char* text : {"440", "19", "4x"}) {
            auto* field = new QLineEdit(sliders);
            field->setGeometry(fieldX, 160, 44, 22);
            auto* check = new VXValidatedEdit(field);
            connect(field, &QLineEdit::textChanged, check,
                    [check](const QString& t) { check->CheckFloat(t, 20.0, 20000.0); });
            field->setText(QString::fromLatin1(text));
            fieldX += 48;
        }

        // Meters: the main window's stereo pair, a 13-segment pair lit at
        // 1.0, 0.25 and 0.001, a horizontal one and a disabled one.
        QGroupBox* meters = Group(this, "Meters", QRect(376, 324, 132, 168));
        auto* stereo = new VXDWMeter(meters);
        stereo->setGeometry(10, 24, 22, 132);
        stereo->SetChannelCount(2);
        stereo->SetSegmentCount(13);
        stereo->SetValues(0, 1.0f);
        stereo->SetValues(1, 0.001f);
        auto* quiet = new VXDWMeter(meters);
        quiet->setGeometry(38, 24, 22, 132);
        quiet->SetChannelCount(2);
        quiet->SetValues(0, 0.25f);
        quiet->SetValues(1, 0.5f);
        auto* flat = new VXDWMeter(meters);
        flat->SetOrientation(trHorizontal);
        flat->setGeometry(66, 24, 58, 22);
        flat->SetChannelCount(2);
        flat->SetSegmentCount(8);
        flat->SetValues(0, 0.7f);
        flat->SetValues(1, 0.3f);
        auto* off = new VXDWMeter(meters);
        off->setGeometry(66, 56, 14, 100);
        off->SetValues(0, 1.0f);
        off->setEnabled(false);

        // Keyboards: the note chooser's and a multiple-choice one.
        QGroupBox* keys = Group(this, "Keyboard", QRect(514, 324, 258, 168));
        auto* chooser = new VXPianoKeyboard(keys);
        chooser->setGeometry(8, 22, 240, 65);
        chooser->SetBottomKey(48);
        chooser->SetKeyRange(23);
        chooser->SetAutoSize(true);
        chooser->SetSelectedKey(57);
        auto* chord = new VXPianoKeyboard(keys);
        chord->setGeometry(8, 94, 240, 42);
        chord->SetInputMode(kbMultiple);
        chord->SetBottomKey(36);
        chord->SetKeyRange(24);
        chord->SetAutoSize(true);
        pendingChord = chord;
        auto* choose = new QPushButton("Choose note...", keys);
        choose->setGeometry(8, 140, 120, 24);
        auto* chosen = new QLabel(keys);
        chosen->setGeometry(136, 142, 110, 20);
        connect(choose, &QPushButton::clicked, this, [this, choose, chosen] {
            const QPoint at = choose->mapToGlobal(choose->rect().center());
            const int key = ChooseNote(at.x(), at.y(), 60, 48, 24);
            chosen->setText(key < 0 ? QString("cancelled") : VXNoteName(key));
        });
    }

    // Mouse states for the picture: a chord, and an inlet under the pointer.
    void ShowMouseStates() {
        for (int key : {0, 4, 7}) {
            // The white keys c, e, g of the chord's first octave.
            const int whites = key == 0 ? 0 : key == 4 ? 2 : 4;
            const int x =
                1 + whites * pendingChord->WhiteKeyWidth() + pendingChord->WhiteKeyWidth() / 2;
            Click(pendingChord, QPoint(x, pendingChord->height() - 6));
        }
        patcher->setFocus();
        const VXPatcherNode* mixer = patcher->Nodes(4);
        Mouse(patcher->viewport(), QEvent::MouseMove,
              QPoint(mixer->bounds.left + 72, mixer->bounds.top + 2), Qt::NoButton);
    }

    VXPatcherPanel* patcher;
    VXPianoKeyboard* pendingChord;
};

QPalette DarkPalette() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(53, 53, 56));
    p.setColor(QPalette::WindowText, QColor(220, 220, 220));
    p.setColor(QPalette::Base, QColor(36, 36, 38));
    p.setColor(QPalette::Text, QColor(220, 220, 220));
    p.setColor(QPalette::Button, QColor(70, 70, 74));
    p.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    p.setColor(QPalette::Light, QColor(120, 120, 126));
    p.setColor(QPalette::Midlight, QColor(95, 95, 100));
    p.setColor(QPalette::Mid, QColor(50, 50, 53));
    p.setColor(QPalette::Dark, QColor(35, 35, 37));
    p.setColor(QPalette::Shadow, QColor(10, 10, 10));
    p.setColor(QPalette::Highlight, QColor(42, 130, 218));
    p.setColor(QPalette::HighlightedText, Qt::white);
    // Greyed text, as a dark desktop theme has it.
    for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, QColor(128, 128, 132));
    return p;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("ondrafel-gallery");
    QCommandLineParser parser;
    parser.setApplicationDescription("Shows every Ondrafel control with sample content.");
    parser.addHelpOption();
    QCommandLineOption screenshot("screenshot", "Save a picture of the window to FILE and exit.",
                                  "FILE");
    QCommandLineOption dark("dark", "Use a dark palette.");
    parser.addOption(screenshot);
    parser.addOption(dark);
    parser.process(app);

    if (parser.isSet(dark)) {
        QApplication::setStyle(QStyleFactory::create("Fusion"));
        QApplication::setPalette(DarkPalette());
    }

    Gallery gallery;
    gallery.show();
    QApplication::setActiveWindow(&gallery);

    if (!parser.isSet(screenshot)) {
        QTimer::singleShot(0, &gallery, [&] { gallery.ShowMouseStates(); });
        return app.exec();
    }

    const QString file = parser.value(screenshot);
    int status = 0;
    QTimer::singleShot(0, &gallery, [&] {
        gallery.ShowMouseStates();
        const QPixmap picture = gallery.grab();
        if (!picture.save(file)) {
            std::fprintf(stderr, "ondrafel-gallery: cannot write the screenshot to %s\n",
                         qPrintable(file));
            status = 1;
        }
        QApplication::quit();
    });
    app.exec();
    return status;
}
