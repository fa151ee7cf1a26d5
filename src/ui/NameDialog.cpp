#include "ui/NameDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/localization/Localization.h"
#include "ui/Drawing.h"

namespace zuna {

NameDialog::NameDialog(const QString& title, const QString& message, const QString& name,
                       QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Zuna Trep"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 16);
    layout->setSpacing(8);

    auto* headline = new QLabel(title, this);
    headline->setTextFormat(Qt::PlainText);
    headline->setFont(appFont(14, FontWeight::bold));
    auto* explanation = new QLabel(message, this);
    explanation->setTextFormat(Qt::PlainText);
    explanation->setWordWrap(true);
    explanation->setFont(appFont(12));

    field_ = new QLineEdit(name, this);
    field_->setFixedSize(280, 30);
    field_->setFont(appFont(14));
    field_->setPlaceholderText(qt(L("Na primer: Služba")));
    field_->setAccessibleName(qt(L("Ime skupine")));

    save_ = new QPushButton(qt(L("Shrani")), this);
    cancel_ = new QPushButton(qt(L("Prekliči")), this);
    save_->setDefault(true);
    save_->setAutoDefault(true);
    cancel_->setAutoDefault(false);
    connect(save_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    buttons->addWidget(cancel_);
    buttons->addWidget(save_);

    layout->addWidget(headline);
    layout->addWidget(explanation);
    layout->addSpacing(4);
    layout->addWidget(field_);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    setFixedWidth(320);
    field_->setFocus();
}

QString NameDialog::name() const {
    return field_->text();
}

}  // namespace zuna
