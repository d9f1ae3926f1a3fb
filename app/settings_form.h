#pragma once

// "Ondrafel Settings": the output and input devices with their buffer sizes
// and counts and the latency they give, and the directories searched for
// sound files. The controls are loaded from the streams each time the
// dialog is shown; Apply (or OK) hands them back, restarting a running
// device where a change needs it.

#include <QDialog>
#include <QString>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTabWidget;
class TAudioEngineModule;
class TDirectorySelectionForm;

class TSettingsForm : public QDialog {
    Q_OBJECT
public:
    TSettingsForm(TAudioEngineModule& engine, TDirectorySelectionForm& directorySelection,
                  QWidget* parent = nullptr);

    // "( 92 ms )" and "( Total latency = 371 ms )" for 16384 bytes and 4
    // buffers: the duration of one buffer of 16-bit stereo and of all.
    static QString BufferDurationText(int bufferBytes);
    static QString LatencyText(int bufferBytes, int bufferCount);

    QTabWidget* PageControl;
    QComboBox* OutDeviceComboBox;
    QComboBox* OutBufferSizeComboBox;
    QLabel* OutBufferDurationLabel;
    QComboBox* OutBufferCountComboBox;
    QLabel* OutLatencyLabel;
    QComboBox* InDeviceComboBox;
    QComboBox* InBufferSizeComboBox;
    QLabel* InBufferDurationLabel;
    QComboBox* InBufferCountComboBox;
    QLabel* InLatencyLabel;
    QListWidget* DirectoriesListBox;
    QPushButton* AddButton;
    QPushButton* RemoveButton;
    QLabel* ExplanationMemo;
    QPushButton* OkButton;
    QPushButton* CancelButton;
    QPushButton* ApplyButton;

    // Loads the controls and runs the dialog modally; true for OK.
    bool Execute();

    // Loads the controls from the streams and the search directories.
    void FormShow();
    void ApplyButtonClick();
    void OkButtonClick();
    void CancelButtonClick();
    void AddButtonClick();
    void RemoveButtonClick();
    void UpdateDurations();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* CreateDevicePage(const QString& group, const char* prefix, QComboBox*& device,
                              QComboBox*& size, QLabel*& duration, QComboBox*& count,
                              QLabel*& latency);
    QWidget* CreateDirectoriesPage();

    TAudioEngineModule& engine;
    TDirectorySelectionForm& directorySelection;
    bool loading = false;
};
