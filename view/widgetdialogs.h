#pragma once

#include "settings/userdialogs.h"

class QWidget;

// Real dialogs, parented to the main window.
class WidgetDialogs : public UserDialogs
{
public:
    explicit WidgetDialogs(QWidget *parent) : m_parent(parent) {}
    QString getOpenFileName(const QString &caption, const QString &dir,
                            const QString &filter) override;
    QString getSaveFileName(const QString &caption, const QString &dir,
                            const QString &filter) override;
    QString getExistingDirectory(const QString &caption, const QString &dir) override;
    void warning(const QString &title, const QString &text) override;

private:
    QWidget *m_parent;
};
