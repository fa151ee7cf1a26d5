#include "app/DialogRunner.h"

#include <QDialog>
#include <QDir>
#include <QFileDialog>

namespace zuna {

namespace {

QString jsonFilter() {
    return QStringLiteral("JSON (*.json)");
}

}  // namespace

int QtDialogRunner::exec(QDialog& dialog) {
    return dialog.exec();
}

QString QtDialogRunner::saveFileName(QWidget* parent, const QString& title,
                                     const QString& proposedName) {
    QFileDialog dialog(parent, title, QDir::homePath() + QLatin1Char('/') + proposedName,
                       jsonFilter());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("json"));
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setWindowFlag(Qt::WindowStaysOnTopHint);
    dialog.selectFile(proposedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front();
}

QString QtDialogRunner::openFileName(QWidget* parent, const QString& title) {
    QFileDialog dialog(parent, title, QDir::homePath(), jsonFilter());
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setWindowFlag(Qt::WindowStaysOnTopHint);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front();
}

}  // namespace zuna
