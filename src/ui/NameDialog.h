#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace zuna {

// Asks for a group's name: a headline, an explanation, one text field and Save / Cancel.
class NameDialog : public QDialog {
    Q_OBJECT
  public:
    NameDialog(const QString& title, const QString& message, const QString& name,
               QWidget* parent = nullptr);

    QString name() const;
    QLineEdit* field() const { return field_; }
    QPushButton* saveButton() const { return save_; }
    QPushButton* cancelButton() const { return cancel_; }

  private:
    QLineEdit* field_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace zuna
