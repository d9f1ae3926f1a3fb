#include "app/pattern_to_wave_form.h"

#include <algorithm>

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/main_window.h"
#include "app/progress_form.h"
#include "document/remembered_directories.h"
#include "framework/message_box.h"
#include "host/pattern_render.h"

namespace {

// Shows the number in the grey-text colour while it lies outside the
// up-down's range; otherwise in the normal colour, and moves the up-down.
void BarsEditChange(QLineEdit* edit, TUpDown* upDown, const QString& text) {
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    const bool inRange = ok && n >= upDown->Min && n <= upDown->Max;
    QPalette pal = edit->palette();
    pal.setColor(QPalette::Text,
                 edit->parentWidget()->palette().color(
                     inRange ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    edit->setPalette(pal);
    if (inRange)
        upDown->SetPosition(n);
}

} // namespace

TPattern2WaveForm::TPattern2WaveForm(TAudioEngineModule& e, TProgressForm& progress,
                                     QWidget* parent)
    : QDialog(parent), engine(e), progressForm(progress) {
    setObjectName("Pattern2WaveForm");
    setWindowTitle(QStringLiteral("Save Pattern as Wave File..."));

    const auto barsField = [this](const char* editName, const char* upDownName, int min, int max,
                                  int position, QLineEdit*& edit, TUpDown*& upDown) {
        edit = new QLineEdit(QString::number(position), this);
        edit->setObjectName(editName);
        edit->setFixedWidth(44);
        upDown = new TUpDown(this);
        upDown->setObjectName(upDownName);
        upDown->Min = min;
        upDown->Max = max;
        upDown->SetPosition(position);
        QLineEdit* e = edit;
        connect(upDown, &TUpDown::Stepped, e, [e](int p) { e->setText(QString::number(p)); });
    };
    barsField("PreRollEdit", "PreRollUpDown", 0, 32, 0, PreRollEdit, PreRollUpDown);
    barsField("RecordEdit", "RecordUpDown", 1, 32, 1, RecordEdit, RecordUpDown);
    connect(PreRollEdit, &QLineEdit::textChanged, this, &TPattern2WaveForm::PreRollEditChange);
    connect(RecordEdit, &QLineEdit::textChanged, this, &TPattern2WaveForm::RecordEditChange);

    auto* grid = new QGridLayout;
    const auto row = [this, grid](int r, const QString& caption, QLineEdit* edit, TUpDown* upDown) {
        grid->addWidget(new QLabel(caption, this), r, 0);
        auto* field = new QHBoxLayout;
        field->setSpacing(0);
        field->addWidget(edit);
        field->addWidget(upDown);
        grid->addLayout(field, r, 1);
        grid->addWidget(new QLabel(QStringLiteral("(bars)"), this), r, 2);
    };
    row(0, QStringLiteral("Pre-roll:"), PreRollEdit, PreRollUpDown);
    row(1, QStringLiteral("Record:"), RecordEdit, RecordUpDown);
    grid->setColumnStretch(3, 1);

    OkButton = new QPushButton(QStringLiteral("OK"), this);
    OkButton->setObjectName("OkButton");
    OkButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton->setObjectName("CancelButton");
    connect(OkButton, &QPushButton::clicked, this, &TPattern2WaveForm::OkButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TPattern2WaveForm::CancelButtonClick);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OkButton);
    buttons->addWidget(CancelButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    // Wide enough for the whole title: window managers cut a title that
    // does not fit ("Save Patter...").
    const int titleWidth = QFontMetrics(QApplication::font("QMdiSubWindowTitleBar"))
                               .horizontalAdvance(windowTitle()) + 120;
    setFixedSize(sizeHint().expandedTo(QSize(std::max(260, titleWidth), 0)));
}

void TPattern2WaveForm::PreRollEditChange(const QString& text) {
    BarsEditChange(PreRollEdit, PreRollUpDown, text);
}

void TPattern2WaveForm::RecordEditChange(const QString& text) {
    BarsEditChange(RecordEdit, RecordUpDown, text);
}

std::optional<std::string> TPattern2WaveForm::RunSaveDialog(const std::string& proposed) {
    if (SaveDialog)
        return SaveDialog(proposed);
    QFileDialog dialog(this, QStringLiteral("Save Pattern as..."),
                       QFileInfo(QString::fromStdString(proposed)).path(),
                       QStringLiteral("Wave file (*.wav)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("wav"));
    dialog.selectFile(QString::fromStdString(proposed));
    // The save dialog asks before overwriting and only accepts existing
    // directories.
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

void TPattern2WaveForm::OkButtonClick() {
    const std::string proposed = RememberedDirectory(TDirectoryKind::Recording) + "/Untitled.wav";
    const std::optional<std::string> path = RunSaveDialog(proposed);
    if (!path)
        return;
    RememberDirectory(TDirectoryKind::Recording, *path);

    progressForm.setWindowTitle(QStringLiteral("Saving Pattern as Wave File..."));
    progressForm.Label1->setText(QStringLiteral("Rendering the pattern into"));
    progressForm.Label2->setText(QString::fromStdString(*path));
    progressForm.ShowProgress();
    // The render runs here on the interface thread; letting events through
    // after each chunk keeps the windows painted. The progress window is
    // modal, so no command can reach the patch meanwhile.
    std::string reason;
    const ODRenderStatus status = RenderPattern(
        engine, *path, PreRollUpDown->Position(), RecordUpDown->Position(),
        [this](double f) {
            progressForm.SetProgress(f);
            QApplication::processEvents();
            return true;
        },
        &reason);
    if (status == ODRenderStatus::FileError || status == ODRenderStatus::WriteError)
        ShowMessage(ODRenderErrorText(*path, reason), "Ondrafel", TMessageIcon::Error);
    progressForm.HideProgress();
    accept();
}

void TPattern2WaveForm::CancelButtonClick() {
    reject();
}
