#pragma once

// Number fields that tell the user what is wrong without taking the
// keyboard away: every keystroke is checked, and a text that is not taken
// is shown in grey (a number out of range) or red (not a number at all,
// with the toolkit's conversion message as the tooltip, shown at once
// beside the field). Nothing modal opens, so the next key still goes into
// the field and the user can correct the text.
//
// Attach one to a line edit (a combo box's editor too) and call Check...
// from its text-changed handler:
//
//     auto* check = new VXValidatedEdit(edit);  // owned by the edit
//     if (std::optional<int> t = check->CheckInteger(text, 1, 240))
//         use(*t);

#include <QObject>
#include <QString>
#include <optional>

class QLineEdit;

// The toolkit's conversions of a whole text to a number: spaces around it
// are allowed, anything else that is not part of the number is not. On
// failure `error` (when given) receives the toolkit's message, for example
// "'4x' is not a valid floating point value.".
std::optional<double> VXTextToFloat(const QString& text, QString* error = nullptr);
std::optional<int> VXTextToInteger(const QString& text, QString* error = nullptr);

class VXValidatedEdit : public QObject {
    Q_OBJECT
public:
    enum State { Accepted, OutOfRange, Refused };

    // The edit's tooltip at this moment is its own hint, shown again
    // whenever the text is accepted.
    explicit VXValidatedEdit(QLineEdit* edit);

    QLineEdit* Edit() const { return edit; }
    State CurrentState() const { return state; }

    // The normal window-text colour and the edit's own hint.
    void Accept();
    // The system's grey-text colour; `hint`, when given, becomes the
    // tooltip (for example the range that is taken).
    void MarkOutOfRange(const QString& hint = {});
    // Red text, and `message` as the tooltip, also shown at once when the
    // edit has the focus.
    void Refuse(const QString& message);

    // Checks `text` as a number from lo to hi (both taken) and marks the
    // edit: the value when it is taken, nothing otherwise. An empty text
    // clears the mark and gives nothing: the user is still typing.
    std::optional<double> CheckFloat(const QString& text, double lo, double hi,
                                     const QString& rangeHint = {});
    std::optional<int> CheckInteger(const QString& text, int lo, int hi,
                                    const QString& rangeHint = {});

private:
    // Empty: accepted, no value; not a number: refused; out of range:
    // greyed; otherwise accepted with the value.
    template <typename T>
    std::optional<T> Check(const QString& text, T lo, T hi, const QString& rangeHint,
                           std::optional<T> (*convert)(const QString&, QString*));
    void SetTextColour(const QColor* colour);

    QLineEdit* edit;
    QString ownHint;
    State state = Accepted;
};
