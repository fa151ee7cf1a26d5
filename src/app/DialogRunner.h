#pragma once

#include <QString>

class QDialog;
class QWidget;

namespace zuna {

// Runs the program's modal windows. The application runs them for real; tests answer them.
class DialogRunner {
  public:
    virtual ~DialogRunner() = default;
    // Runs a dialog (an alert, the editor, the name dialog) modally; returns its result.
    virtual int exec(QDialog& dialog) = 0;
    // File choosers: an empty text when the user cancels.
    virtual QString saveFileName(QWidget* parent, const QString& title,
                                 const QString& proposedName) = 0;
    virtual QString openFileName(QWidget* parent, const QString& title) = 0;
};

// The real thing: Qt's own modal loops and file dialogs.
class QtDialogRunner : public DialogRunner {
  public:
    int exec(QDialog& dialog) override;
    QString saveFileName(QWidget* parent, const QString& title,
                         const QString& proposedName) override;
    QString openFileName(QWidget* parent, const QString& title) override;
};

}  // namespace zuna
