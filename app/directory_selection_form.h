#pragma once

// "Select A Directory...": a list of places to start from above a tree of
// directories, the current directory below them, OK and Cancel.

#include <QDialog>
#include <QString>

class QComboBox;
class QFileSystemModel;
class QLabel;
class QPushButton;
class QTreeView;

class TDirectorySelectionForm : public QDialog {
    Q_OBJECT
public:
    explicit TDirectorySelectionForm(QWidget* parent = nullptr);

    QComboBox* DriveComboBox;
    QTreeView* DirectoryListBox;
    QLabel* DirectoryLabel;
    QPushButton* OkButton;
    QPushButton* CancelButton;

    // The selected directory, without a trailing "/".
    QString Directory() const { return directory; }
    void SetDirectory(const QString& path);

    // Centred on the screen, modal; true for OK.
    bool Execute();

private:
    void DriveComboBoxChange(int index);

    QFileSystemModel* model;
    QString directory;
};
