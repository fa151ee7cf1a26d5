#include "platform/QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace zuna::platform {

namespace {

QMimeData* snippetData(const QString& text) {
    auto* data = new QMimeData();
    data->setText(text);
    data->setData(QStringLiteral("x-kde-passwordManagerHint"), QByteArrayLiteral("secret"));
    return data;
}

}  // namespace

bool QtClipboard::setText(const std::string& text, bool primaryToo) {
    if (QGuiApplication::instance() == nullptr) return false;
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) return false;
    const QString content = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    clipboard->setMimeData(snippetData(content), QClipboard::Clipboard);
    if (primaryToo) clipboard->setMimeData(snippetData(content), QClipboard::Selection);
    // On X11 setting the text means owning the selection; without it nobody gets it.
    return clipboard->ownsClipboard() && (!primaryToo || clipboard->ownsSelection());
}

}  // namespace zuna::platform
