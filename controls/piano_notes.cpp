#include "controls/piano_notes.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <algorithm>

#include "controls/piano_keyboard.h"

QString VXNoteName(int note) {
    static const char* const names[12] = {"c",  "c#", "d",  "d#", "e",  "f",
                                          "f#", "g",  "g#", "a",  "a#", "b"};
    if (note < 0)
        return {};
    return QString::fromLatin1(names[note % 12]) + QString::number(note / 12);
}

namespace {
constexpr int Margin = 3;
constexpr int KeyboardHeight = 65;
constexpr int RowHeight = 23;
constexpr int PanelWidth = 40;
} // namespace

TPianoNotes::TPianoNotes(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName("PianoNotes");
    setWindowTitle("Select A Note...");
    Keyboard = new VXPianoKeyboard(this);
    Keyboard->setObjectName("Keyboard");
    Keyboard->setGeometry(Margin, Margin, Keyboard->width(), KeyboardHeight);
    Keyboard->SetInputMode(kbSingle);
    Keyboard->SetAutoSize(true);
    Panel2 = new QLabel(this);
    Panel2->setObjectName("Panel2");
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel2->setAlignment(Qt::AlignCenter);
    Button1 = new QPushButton("Cancel", this);
    Button1->setObjectName("Button1");
    Button1->setAutoDefault(false);
    connect(Keyboard, &VXPianoKeyboard::OnChange, this, &TPianoNotes::KeyboardChange);
    connect(Keyboard, &VXPianoKeyboard::OnMouseUp, this, &TPianoNotes::KeyboardMouseUp);
    connect(Button1, &QPushButton::clicked, this, &TPianoNotes::Button1Click);
    KeyboardChange();
}

void TPianoNotes::PlaceAround(int x, int y) {
    const int kw = Keyboard->width();
    const int below = Margin + KeyboardHeight + 4;
    Panel2->setGeometry(Margin, below, PanelWidth, RowHeight);
    Button1->setGeometry(Margin + PanelWidth + 2, below, std::max(10, kw - 42), RowHeight);
    setFixedSize(kw + 7, below + RowHeight + Margin + 1);
    centre = QPoint(x, y);
    KeepOnScreen();
}

void TPianoNotes::KeepOnScreen() {
    QScreen* screen = QGuiApplication::screenAt(centre);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->geometry() : QRect(0, 0, 1 << 16, 1 << 16);
    // move() places the frame, which is wider than the client area.
    const QSize frame = frameGeometry().size().expandedTo(size());
    int left = centre.x() - frame.width() / 2;
    int top = centre.y() - frame.height() / 2;
    left = std::max(area.left(), std::min(left, area.left() + area.width() - frame.width()));
    top = std::max(area.top(), std::min(top, area.top() + area.height() - frame.height()));
    move(left, top);
}

void TPianoNotes::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    KeepOnScreen();
}

void TPianoNotes::KeyboardChange() {
    const int key = Keyboard->SelectedKey();
    Panel2->setText(key > 0 ? VXNoteName(key) : QString());
}

void TPianoNotes::KeyboardMouseUp() {
    done(Keyboard->SelectedKey());
}

void TPianoNotes::Button1Click() {
    done(-1);
}

void TPianoNotes::reject() {
    done(-1);
}

void TPianoNotes::FormDeactivate() {
    if (isVisible())
        done(-1);
}

void TPianoNotes::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        FormDeactivate();
}

int ChooseNote(int x, int y, int current, int bottomKey, int keyRange) {
    TPianoNotes notes;
    notes.Keyboard->SetBottomKey(bottomKey);
    notes.Keyboard->SetKeyRange(keyRange);
    notes.Keyboard->SetSelectedKey(current);
    notes.Panel2->setText(VXNoteName(current));
    notes.PlaceAround(x, y);
    return notes.exec();
}
