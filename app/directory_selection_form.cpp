#include "app/directory_selection_form.h"

#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTreeView>
#include <QVBoxLayout>

TDirectorySelectionForm::TDirectorySelectionForm(QWidget* parent) : QDialog(parent) {
    setObjectName("DirectorySelectionForm");
    setWindowTitle(QStringLiteral("Select A Directory..."));

    // Where a tree may start: the file system's roots and the user's home.
    DriveComboBox = new QComboBox(this);
    DriveComboBox->setObjectName("DriveComboBox");
    for (const QFileInfo& root : QDir::drives())
        DriveComboBox->addItem(root.absoluteFilePath());
    DriveComboBox->addItem(QDir::homePath());

    model = new QFileSystemModel(this);
    model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    model->setRootPath(QDir::rootPath());
    DirectoryListBox = new QTreeView(this);
    DirectoryListBox->setObjectName("DirectoryListBox");
    DirectoryListBox->setModel(model);
    for (int c = 1; c < model->columnCount(); ++c)
        DirectoryListBox->hideColumn(c);
    DirectoryListBox->header()->hide();
    DirectoryListBox->setMinimumSize(300, 260);

    DirectoryLabel = new QLabel(this);
    DirectoryLabel->setObjectName("DirectoryLabel");
    DirectoryLabel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    DirectoryLabel->setTextFormat(Qt::PlainText);

    OkButton = new QPushButton(QStringLiteral("OK"), this);
    OkButton->setObjectName("OkButton");
    OkButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton->setObjectName("CancelButton");
    connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

    connect(DriveComboBox, &QComboBox::activated, this,
            &TDirectorySelectionForm::DriveComboBoxChange);
    connect(DirectoryListBox->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid())
                    SetDirectory(model->filePath(current));
            });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OkButton);
    buttons->addWidget(CancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DriveComboBox);
    layout->addWidget(DirectoryListBox, 1);
    layout->addWidget(DirectoryLabel);
    layout->addLayout(buttons);

    SetDirectory(QDir::homePath());
}

void TDirectorySelectionForm::SetDirectory(const QString& path) {
    QString clean = QDir::cleanPath(path);
    if (clean.size() > 1 && clean.endsWith('/'))
        clean.chop(1);
    if (clean == directory)
        return;
    directory = clean;
    DirectoryLabel->setText(directory);
    const QModelIndex index = model->index(directory);
    if (index.isValid() && DirectoryListBox->currentIndex() != index) {
        DirectoryListBox->setCurrentIndex(index);
        DirectoryListBox->scrollTo(index);
    }
}

void TDirectorySelectionForm::DriveComboBoxChange(int index) {
    const QString root = DriveComboBox->itemText(index);
    DirectoryListBox->setRootIndex(model->index(root));
    SetDirectory(root);
}

bool TDirectorySelectionForm::Execute() {
    adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r = frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
    return exec() == QDialog::Accepted;
}
