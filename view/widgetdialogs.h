#pragma once

#include "settings/userdialogs.h"

class QWidget;

// Real dialogs, shown over the main window.
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

// The dialogs the operations see: the window's own, unless a program that
// embeds the view (kesta-ctl, a test) answers the questions itself.
class SwitchableDialogs : public UserDialogs
{
public:
    explicit SwitchableDialogs(QWidget *parent) : m_widgets(parent) {}
    // nullptr returns to the window's dialogs. The target is not owned.
    void setTarget(UserDialogs *target) { m_target = target; }

    QString getOpenFileName(const QString &caption, const QString &dir,
                            const QString &filter) override
    {
        return current().getOpenFileName(caption, dir, filter);
    }
    QString getSaveFileName(const QString &caption, const QString &dir,
                            const QString &filter) override
    {
        return current().getSaveFileName(caption, dir, filter);
    }
    QString getExistingDirectory(const QString &caption, const QString &dir) override
    {
        return current().getExistingDirectory(caption, dir);
    }
    void warning(const QString &title, const QString &text) override
    {
        current().warning(title, text);
    }

private:
    UserDialogs &current() { return m_target ? *m_target : m_widgets; }
    WidgetDialogs m_widgets;
    UserDialogs *m_target = nullptr;
};
