#include "app/settings_form.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <exception>
#include <functional>

#include "app/directory_selection_form.h"
#include "document/sound_file_references.h"
#include "framework/message_box.h"
#include "host/audio_engine_module.h"
#include "signal/signal.h"

namespace {

const char* const kInvalidInputBufferSize =
    "You have selected an invalid Audio Input buffer size.\nThe Audio Input buffer size must be "
    "greater than or equal to the Audio Output buffer size.\nThe Audio Input buffer size has "
    "been automatically reset to the Audio Output buffer size.";

// The number shown by a list, or `fallback` when nothing is selected (a
// stored setting that none of the items matches).
int SelectedNumber(const QComboBox* box, int fallback) {
    return box->currentIndex() >= 0 ? box->currentText().toInt() : fallback;
}

void SelectNumber(QComboBox* box, int value) {
    box->setCurrentIndex(box->findText(QString::number(value)));
}

void FillDevices(QComboBox* box, const std::vector<std::string>& names, int selected) {
    box->clear();
    for (const std::string& name : names)
        box->addItem(QString::fromStdString(name));
    box->setCurrentIndex(selected >= 0 && selected < box->count() ? selected : -1);
}

// A device failure while applying is shown, and the rest is still applied.
void Guarded(const std::function<void()>& step) {
    try {
        step();
    } catch (const std::exception& e) {
        ShowMessage(e.what(), "Ondrafel", TMessageIcon::Error);
    }
}

} // namespace

QString TSettingsForm::BufferDurationText(int bufferBytes) {
    const int frames = bufferBytes / 4;
    return QStringLiteral("( %1 ms )").arg(static_cast<int>(frames / MGSampleRate * 1000.0));
}

QString TSettingsForm::LatencyText(int bufferBytes, int bufferCount) {
    const int frames = bufferBytes / 4;
    return QStringLiteral("( Total latency = %1 ms )")
        .arg(static_cast<int>(frames / MGSampleRate * 1000.0 * bufferCount));
}

TSettingsForm::TSettingsForm(TAudioEngineModule& e, TDirectorySelectionForm& d, QWidget* parent)
    : QDialog(parent), engine(e), directorySelection(d) {
    setObjectName("SettingsForm");
    setWindowTitle(QStringLiteral("Ondrafel Settings"));

    PageControl = new QTabWidget(this);
    PageControl->setObjectName("PageControl");
    PageControl->addTab(CreateDevicePage(QStringLiteral("Output Device"), "Out", OutDeviceComboBox,
                                         OutBufferSizeComboBox, OutBufferDurationLabel,
                                         OutBufferCountComboBox, OutLatencyLabel),
                        QStringLiteral("Audio Output"));
    PageControl->addTab(CreateDevicePage(QStringLiteral("Input Device"), "In", InDeviceComboBox,
                                         InBufferSizeComboBox, InBufferDurationLabel,
                                         InBufferCountComboBox, InLatencyLabel),
                        QStringLiteral("Audio Input"));
    PageControl->addTab(CreateDirectoriesPage(), QStringLiteral("Directories"));

    OkButton = new QPushButton(QStringLiteral("OK"), this);
    OkButton->setObjectName("OkButton");
    OkButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton->setObjectName("CancelButton");
    ApplyButton = new QPushButton(QStringLiteral("Apply"), this);
    ApplyButton->setObjectName("ApplyButton");
    ApplyButton->setAutoDefault(false);
    connect(OkButton, &QPushButton::clicked, this, &TSettingsForm::OkButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TSettingsForm::CancelButtonClick);
    connect(ApplyButton, &QPushButton::clicked, this, &TSettingsForm::ApplyButtonClick);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OkButton);
    buttons->addWidget(CancelButton);
    buttons->addWidget(ApplyButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl, 1);
    layout->addLayout(buttons);
    resize(359, 421);
}

QWidget* TSettingsForm::CreateDevicePage(const QString& group, const char* prefix,
                                         QComboBox*& device, QComboBox*& size, QLabel*& duration,
                                         QComboBox*& count, QLabel*& latency) {
    const QString p = QString::fromLatin1(prefix);
    auto* page = new QWidget;
    auto* box = new QGroupBox(group, page);
    box->setObjectName(p + QStringLiteral("DeviceGroupBox"));

    device = new QComboBox(box);
    device->setObjectName(p + QStringLiteral("DeviceComboBox"));
    size = new QComboBox(box);
    size->setObjectName(p + QStringLiteral("BufferSizeComboBox"));
    for (int bytes = 2048; bytes <= 65536; bytes *= 2)
        size->addItem(QString::number(bytes));
    duration = new QLabel(box);
    duration->setObjectName(p + QStringLiteral("BufferDurationLabel"));
    count = new QComboBox(box);
    count->setObjectName(p + QStringLiteral("BufferCountComboBox"));
    for (int n = 2; n <= 8; ++n)
        count->addItem(QString::number(n));
    latency = new QLabel(box);
    latency->setObjectName(p + QStringLiteral("LatencyLabel"));

    auto* grid = new QGridLayout(box);
    grid->addWidget(new QLabel(QStringLiteral("Device:"), box), 0, 0);
    grid->addWidget(device, 0, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Buffer size (bytes):"), box), 1, 0);
    grid->addWidget(size, 1, 1);
    grid->addWidget(duration, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Number of buffers:"), box), 2, 0);
    grid->addWidget(count, 2, 1);
    grid->addWidget(latency, 2, 2);
    grid->setColumnStretch(2, 1);
    device->setMinimumWidth(180);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(box);
    layout->addStretch(1);

    const auto changed = [this] {
        if (!loading)
            UpdateDurations();
    };
    connect(size, &QComboBox::currentIndexChanged, this, changed);
    connect(count, &QComboBox::currentIndexChanged, this, changed);
    connect(device, &QComboBox::currentIndexChanged, this, [this] {
        if (!loading)
            ApplyButton->setEnabled(true);
    });
    return page;
}

QWidget* TSettingsForm::CreateDirectoriesPage() {
    auto* page = new QWidget;
    auto* box = new QGroupBox(QStringLiteral("Soundfile Directories"), page);
    box->setObjectName("DirectoriesGroupBox");
    DirectoriesListBox = new QListWidget(box);
    DirectoriesListBox->setObjectName("DirectoriesListBox");
    AddButton = new QPushButton(QStringLiteral("Add..."), box);
    AddButton->setObjectName("AddButton");
    AddButton->setAutoDefault(false);
    RemoveButton = new QPushButton(QStringLiteral("Remove"), box);
    RemoveButton->setObjectName("RemoveButton");
    RemoveButton->setAutoDefault(false);
    connect(AddButton, &QPushButton::clicked, this, &TSettingsForm::AddButtonClick);
    connect(RemoveButton, &QPushButton::clicked, this, &TSettingsForm::RemoveButtonClick);

    ExplanationMemo = new QLabel(
        QStringLiteral("Soundfiles referenced within Ondrafel documents are stored in "
                       "relative form if they are contained within directories or "
                       "sub-directories of either: the directory the Ondrafel document is "
                       "contained in, the directories listed above, or the Ondrafel "
                       "application directory. Files are also searched for in that order."),
        box);
    ExplanationMemo->setObjectName("ExplanationMemo");
    ExplanationMemo->setWordWrap(true);
    // The text is there to be read, not edited: focus goes on to "OK".
    ExplanationMemo->installEventFilter(this);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(AddButton);
    buttons->addWidget(RemoveButton);
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(DirectoriesListBox, 1);
    layout->addLayout(buttons);
    layout->addWidget(ExplanationMemo);
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->addWidget(box);
    return page;
}

bool TSettingsForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ExplanationMemo &&
        (event->type() == QEvent::FocusIn || event->type() == QEvent::MouseButtonPress)) {
        OkButton->setFocus();
        return event->type() == QEvent::MouseButtonPress;
    }
    return QDialog::eventFilter(watched, event);
}

bool TSettingsForm::Execute() {
    FormShow();
    return exec() == QDialog::Accepted;
}

void TSettingsForm::FormShow() {
    loading = true;
    SelectNumber(OutBufferCountComboBox, engine.OutStream.BufferCount());
    SelectNumber(OutBufferSizeComboBox, engine.OutStream.BufferSize());
    FillDevices(OutDeviceComboBox, engine.OutStream.DeviceNames(), engine.OutStream.Device());
    SelectNumber(InBufferCountComboBox, engine.InStream.BufferCount());
    SelectNumber(InBufferSizeComboBox, engine.InStream.BufferSize());
    FillDevices(InDeviceComboBox, engine.InStream.DeviceNames(), engine.InStream.Device());
    loading = false;
    UpdateDurations();
    DirectoriesListBox->clear();
    for (const std::string& dir : SoundFileSearch().searchDirectories)
        DirectoriesListBox->addItem(QString::fromStdString(dir));
    ApplyButton->setEnabled(false);
    PageControl->setCurrentIndex(0);
}

void TSettingsForm::UpdateDurations() {
    const auto update = [](const QComboBox* size, const QComboBox* count, QLabel* duration,
                           QLabel* latency) {
        const int bytes = SelectedNumber(size, 0);
        duration->setText(BufferDurationText(bytes));
        latency->setText(LatencyText(bytes, SelectedNumber(count, 0)));
    };
    update(OutBufferSizeComboBox, OutBufferCountComboBox, OutBufferDurationLabel, OutLatencyLabel);
    update(InBufferSizeComboBox, InBufferCountComboBox, InBufferDurationLabel, InLatencyLabel);
    ApplyButton->setEnabled(true);
}

void TSettingsForm::ApplyButtonClick() {
    VXWaveOutStream& out = engine.OutStream;
    VXWaveInStream& in = engine.InStream;
    const int outSize = SelectedNumber(OutBufferSizeComboBox, out.BufferSize());
    int inSize = SelectedNumber(InBufferSizeComboBox, in.BufferSize());
    if (inSize < outSize) {
        SelectNumber(InBufferSizeComboBox, outSize);
        ShowMessage(kInvalidInputBufferSize, "Invalid Audio Input Buffer Size",
                    TMessageIcon::Warning);
        inSize = outSize;
    }
    const int outCount = SelectedNumber(OutBufferCountComboBox, out.BufferCount());
    const int outDevice =
        OutDeviceComboBox->currentIndex() >= 0 ? OutDeviceComboBox->currentIndex() : out.Device();
    Guarded([&] {
        if (outDevice != out.Device() && out.Running()) {
            engine.StopAudioOut();
            out.SetBuffers(outCount, outSize);
            out.SetDevice(outDevice);
            engine.StartAudioOut();
        } else {
            out.SetBuffers(outCount, outSize);
            out.SetDevice(outDevice);
        }
    });

    const int inCount = SelectedNumber(InBufferCountComboBox, in.BufferCount());
    const int inDevice =
        InDeviceComboBox->currentIndex() >= 0 ? InDeviceComboBox->currentIndex() : in.Device();
    Guarded([&] {
        const bool wasRunning = engine.AudioInRunning();
        if (wasRunning)
            engine.StopAudioIn();
        in.SetBuffers(inCount, inSize);
        in.SetDevice(inDevice);
        if (wasRunning)
            engine.StartAudioIn();
    });

    std::vector<std::string>& dirs = SoundFileSearch().searchDirectories;
    dirs.clear();
    for (int i = 0; i < DirectoriesListBox->count(); ++i)
        dirs.push_back(DirectoriesListBox->item(i)->text().toStdString());
    ApplyButton->setEnabled(false);
}

void TSettingsForm::OkButtonClick() {
    if (ApplyButton->isEnabled())
        ApplyButtonClick();
    accept();
}

void TSettingsForm::CancelButtonClick() {
    reject();
}

void TSettingsForm::AddButtonClick() {
    if (!directorySelection.Execute())
        return;
    QString dir = directorySelection.Directory();
    if (!dir.endsWith('/'))
        dir += '/';
    DirectoriesListBox->addItem(dir);
    ApplyButton->setEnabled(true);
}

void TSettingsForm::RemoveButtonClick() {
    const QList<QListWidgetItem*> selected = DirectoriesListBox->selectedItems();
    if (selected.isEmpty())
        return;
    delete selected.first();
    ApplyButton->setEnabled(true);
}
