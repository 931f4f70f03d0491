#include "inputhook/copydata.h"

#include <QMessageBox>
#include <QStringDecoder>
#include <QWidget>

#include <utility>

namespace CopyData {

namespace {

void showMessageBox(const QString &title, const QString &text)
{
    QMessageBox::warning(nullptr, title, text, QMessageBox::Ok);
}

WarningPresenter &presenter()
{
    static WarningPresenter current = showMessageBox;
    return current;
}

} // namespace

bool shouldWarn(quintptr dwData, const QByteArray &lpData, quint32 cbData, QString *text)
{
    if (dwData != WarningTag)
        return false;
    // The text ends at its NUL, or at the end of what was received; never beyond.
    QByteArray bytes = lpData.left(qsizetype(cbData));
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    if (bytes.size() != qsizetype(cbData))
        return false;
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless |
                                                       QStringConverter::Flag::ConvertInitialBom);
    const QString decoded = decoder.decode(bytes);
    if (decoder.hasError())
        return false;
    if (text)
        *text = decoded;
    return true;
}

void setWarningPresenter(WarningPresenter newPresenter)
{
    presenter() = newPresenter ? std::move(newPresenter) : WarningPresenter(showMessageBox);
}

void handleMessage(quintptr dwData, const QByteArray &data, quint32 cbData, void *context)
{
    if (!context)
        return;
    QString text;
    if (!shouldWarn(dwData, data, cbData, &text))
        return;
    const auto *window = static_cast<const QWidget *>(context);
    presenter()(window->windowTitle(), text);
}

} // namespace CopyData
