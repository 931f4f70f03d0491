// Watches what the host's calls do to the scene's root, in order, from the
// test side: the busy lock switched on ("setProtectUI"), "run", a DPI stage
// report ("setCurrentDPI"), wheel steps ("scroll") and window geometry
// ("setScreenRect"). The scene itself carries no test hooks.
#pragma once

#include <QObject>
#include <QStringList>
#include <QVariant>

class SceneCalls : public QObject
{
    Q_OBJECT
public:
    explicit SceneCalls(QObject *root) : m_root(root)
    {
        connect(root, SIGNAL(busyChanged()), this, SLOT(onBusy()));
        connect(root, SIGNAL(isRunningChanged()), this, SLOT(onRunning()));
        connect(root, SIGNAL(currentDpiStageChanged()), this, SLOT(onStage()));
        connect(root, SIGNAL(msg_wheel(int)), this, SLOT(onWheel(int)));
        connect(root, SIGNAL(isFrameMaxChanged()), this, SLOT(onFrame()));
    }

    QStringList names;
    QVariantList values;

private slots:
    void onBusy()
    {
        if (m_root->property("busy").toBool())
            add(QStringLiteral("setProtectUI"), {});
    }
    void onRunning()
    {
        if (m_root->property("isRunning").toBool())
            add(QStringLiteral("run"), {});
    }
    void onStage() { add(QStringLiteral("setCurrentDPI"), m_root->property("currentDpiStage")); }
    void onWheel(int steps) { add(QStringLiteral("scroll"), steps); }
    void onFrame() { add(QStringLiteral("setScreenRect"), m_root->property("isFrameMax")); }

private:
    void add(const QString &name, const QVariant &value)
    {
        names << name;
        values << value;
    }
    QObject *m_root;
};
