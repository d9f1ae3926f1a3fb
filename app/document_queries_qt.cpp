#include "app/document_queries_qt.h"

#include <QFileDialog>
#include <QMessageBox>

#include "document/file_paths.h"
#include "document/remembered_directories.h"

bool ODDocumentQueries::AskSaveChanges(bool& cancel) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Ondrafel"),
                    QString::fromUtf8(ODAskSaveChangesText),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
    box.setObjectName("SaveChangesBox");
    box.setDefaultButton(QMessageBox::Yes);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return true;
    case QMessageBox::No:
        return false;
    default:
        cancel = true;
        return false;
    }
}

bool ODDocumentQueries::ConfirmRevert() {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Ondrafel"),
                    QString::fromUtf8(ODConfirmRevertText), QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setObjectName("ConfirmRevertBox");
    return box.exec() == QMessageBox::Yes;
}

std::optional<std::string> ODDocumentQueries::AskOpenFileName() {
    if (OpenDialog) {
        std::optional<std::string> path = OpenDialog();
        if (path)
            *path = ODAbsolutePath(*path);
        return path;
    }
    QFileDialog dialog(parent, QStringLiteral("Open"),
                       QString::fromStdString(RememberedDirectory(TDirectoryKind::Document)),
                       QStringLiteral("Ondrafel document (*.odh);;All files (*)"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("odh"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return ODAbsolutePath(dialog.selectedFiles().first().toStdString());
}
