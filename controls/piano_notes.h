#pragma once

// The note chooser: a small tool window holding a keyboard. Releasing the
// mouse on the keyboard chooses the selected key; Cancel, or clicking
// anywhere outside the window, gives -1.

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;
class VXPianoKeyboard;

// The name of note n: "c", "c#" ... "b" followed by n div 12 (60 is "c5").
QString VXNoteName(int note);

class TPianoNotes : public QDialog {
    Q_OBJECT
public:
    explicit TPianoNotes(QWidget* parent = nullptr);

    VXPianoKeyboard* Keyboard;
    QLabel* Panel2;
    QPushButton* Button1;

    // Sizes the window around the keyboard (whose width follows its key
    // range), then centres it on the screen point (x, y), kept on screen.
    void PlaceAround(int x, int y);

    void KeyboardChange();
    void KeyboardMouseUp();
    void Button1Click();
    void FormDeactivate();

    // Escape cancels like the Cancel button.
    void reject() override;

protected:
    void changeEvent(QEvent* event) override;
    // The window's frame is known only once it shows: placed again then.
    void showEvent(QShowEvent* event) override;

private:
    void KeepOnScreen();

    QPoint centre;
};

// Shows the chooser centred on the screen point (x, y) with `current`
// selected and returns the chosen key, or -1.
int ChooseNote(int x, int y, int current, int bottomKey, int keyRange);
