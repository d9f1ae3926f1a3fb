#pragma once

// "Save Pattern as Wave File...": asks for a pre-roll and a number of bars
// to record, then for a file, and renders the patch offline into it with
// the progress window showing how far it has come. The caller stops the
// sound devices before showing it and restarts them afterwards.

#include <QDialog>
#include <functional>
#include <optional>
#include <string>

class QLineEdit;
class QPushButton;
class TAudioEngineModule;
class TProgressForm;
class TUpDown;

class TPattern2WaveForm : public QDialog {
    Q_OBJECT
public:
    TPattern2WaveForm(TAudioEngineModule& engine, TProgressForm& progress,
                      QWidget* parent = nullptr);

    QLineEdit* PreRollEdit;
    TUpDown* PreRollUpDown;
    QLineEdit* RecordEdit;
    TUpDown* RecordUpDown;
    QPushButton* OkButton;
    QPushButton* CancelButton;

    // Asks for the file to write, starting at `proposed`; empty when the
    // user cancels. The file dialog unless replaced (tests).
    std::function<std::optional<std::string>(const std::string& proposed)> SaveDialog;

    void PreRollEditChange(const QString& text);
    void RecordEditChange(const QString& text);
    void OkButtonClick();
    void CancelButtonClick();

private:
    std::optional<std::string> RunSaveDialog(const std::string& proposed);

    TAudioEngineModule& engine;
    TProgressForm& progressForm;
};
