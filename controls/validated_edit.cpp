#include "controls/validated_edit.h"

#include <QLineEdit>
#include <QPalette>
#include <QToolTip>
#include <cmath>

std::optional<double> VXTextToFloat(const QString& text, QString* error) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    // Qt also reads "inf" and "nan", which are no numbers to the user.
    if (ok && std::isfinite(value))
        return value;
    if (error != nullptr)
        *error = QStringLiteral("'%1' is not a valid floating point value.").arg(text);
    return std::nullopt;
}

std::optional<int> VXTextToInteger(const QString& text, QString* error) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (ok)
        return value;
    if (error != nullptr)
        *error = QStringLiteral("'%1' is not a valid integer value.").arg(text);
    return std::nullopt;
}

VXValidatedEdit::VXValidatedEdit(QLineEdit* edit)
    : QObject(edit), edit(edit), ownHint(edit->toolTip()) {}

void VXValidatedEdit::SetTextColour(const QColor* colour) {
    if (colour == nullptr) {
        // An empty palette inherits everything again, so the field follows
        // later changes of the desktop's colours.
        edit->setPalette(QPalette());
        return;
    }
    // Only the enabled groups: a disabled field keeps the disabled colour.
    QPalette pal;
    pal.setColor(QPalette::Active, QPalette::Text, *colour);
    pal.setColor(QPalette::Inactive, QPalette::Text, *colour);
    edit->setPalette(pal);
}

void VXValidatedEdit::Accept() {
    state = Accepted;
    SetTextColour(nullptr);
    edit->setToolTip(ownHint);
}

void VXValidatedEdit::MarkOutOfRange(const QString& hint) {
    state = OutOfRange;
    SetTextColour(nullptr);
    const QColor grey = edit->palette().color(QPalette::Disabled, QPalette::Text);
    SetTextColour(&grey);
    edit->setToolTip(hint.isEmpty() ? ownHint : hint);
}

void VXValidatedEdit::Refuse(const QString& message) {
    state = Refused;
    SetTextColour(nullptr);
    // A red that stands out from the field's own background, light or dark.
    const bool darkBase = edit->palette().color(QPalette::Base).lightness() < 128;
    const QColor red = darkBase ? QColor(255, 110, 110) : QColor(200, 0, 0);
    SetTextColour(&red);
    edit->setToolTip(message);
    if (edit->hasFocus())
        QToolTip::showText(edit->mapToGlobal(QPoint(0, edit->height())), message, edit);
}

template <typename T>
std::optional<T> VXValidatedEdit::Check(const QString& text, T lo, T hi, const QString& rangeHint,
                                        std::optional<T> (*convert)(const QString&, QString*)) {
    if (text.isEmpty()) {
        Accept();
        return std::nullopt;
    }
    QString error;
    const std::optional<T> value = convert(text, &error);
    if (!value) {
        Refuse(error);
        return std::nullopt;
    }
    if (*value < lo || *value > hi) {
        MarkOutOfRange(rangeHint);
        return std::nullopt;
    }
    Accept();
    return value;
}

std::optional<double> VXValidatedEdit::CheckFloat(const QString& text, double lo, double hi,
                                                  const QString& rangeHint) {
    return Check<double>(text, lo, hi, rangeHint, &VXTextToFloat);
}

std::optional<int> VXValidatedEdit::CheckInteger(const QString& text, int lo, int hi,
                                                 const QString& rangeHint) {
    return Check<int>(text, lo, hi, rangeHint, &VXTextToInteger);
}
