#include "view/widgetdialogs.h"

#include <QFileDialog>
#include <QMessageBox>

QString WidgetDialogs::getOpenFileName(const QString &caption, const QString &dir,
                                       const QString &filter)
{
    return QFileDialog::getOpenFileName(m_parent, caption, dir, filter);
}

QString WidgetDialogs::getSaveFileName(const QString &caption, const QString &dir,
                                       const QString &filter)
{
    return QFileDialog::getSaveFileName(m_parent, caption, dir, filter);
}

QString WidgetDialogs::getExistingDirectory(const QString &caption, const QString &dir)
{
    return QFileDialog::getExistingDirectory(
        m_parent, caption, dir, QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
}

void WidgetDialogs::warning(const QString &title, const QString &text)
{
    QMessageBox::warning(m_parent, title, text, QMessageBox::Ok);
}
